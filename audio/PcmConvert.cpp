#include "audio/PcmConvert.h"

#include <algorithm>

#include "audio/FfmpegHandles.h"

namespace tw::audio {

namespace {

AVSampleFormat sampleFormat(std::uint32_t bits)
{
    return bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
}

// The usual layout of count channels where FFmpeg has one (true), else the
// first count channels of a channel mask, which our own matrix then mixes.
bool usualLayout(std::uint32_t count, AVChannelLayout& layout)
{
    av_channel_layout_default(&layout, static_cast<int>(count));
    if (layout.order == AV_CHANNEL_ORDER_NATIVE)
        return true;
    av_channel_layout_uninit(&layout);
    av_channel_layout_from_mask(&layout, count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1);
    return false;
}

// Channel i of the input goes to channel i mod to of the output, each at the
// mean of those that meet there; with fewer input channels, output channel j
// repeats input channel j mod from at full level.
std::vector<double> channelMatrix(std::uint32_t from, std::uint32_t to)
{
    std::vector<double> matrix(std::size_t{from} * to, 0.0);
    for (std::uint32_t j = 0; j < to; ++j) {
        if (from < to) {
            matrix[std::size_t{j} * from + j % from] = 1.0;
            continue;
        }
        const std::uint32_t meeting = (from - j + to - 1) / to;  // i = j, j + to, ... below from
        for (std::uint32_t i = j; i < from; i += to)
            matrix[std::size_t{j} * from + i] = 1.0 / meeting;
    }
    return matrix;
}

ResamplerPtr makeConverter(const PcmFormat& from, const PcmFormat& to)
{
    if (from.channels < 1 || to.channels < 1 || from.channels > kMaxConvertedChannels ||
        to.channels > kMaxConvertedChannels || from.sampleRate == 0 || to.sampleRate == 0)
        return nullptr;
    AVChannelLayout in{};
    AVChannelLayout out{};
    const bool usual = usualLayout(from.channels, in) & usualLayout(to.channels, out);
    SwrContext* swr = nullptr;
    const int made = swr_alloc_set_opts2(&swr, &out, sampleFormat(to.bitsPerSample), static_cast<int>(to.sampleRate),
                                         &in, sampleFormat(from.bitsPerSample), static_cast<int>(from.sampleRate), 0,
                                         nullptr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    ResamplerPtr converter(swr);
    if (made < 0)
        return nullptr;
    // Mono and stereo into each other, and every count without a usual layout,
    // through our matrix; the usual layouts of more channels through FFmpeg's.
    const bool monoStereo = from.channels + to.channels == 3;
    if (from.channels != to.channels && (monoStereo || !usual) &&
        swr_set_matrix(swr, channelMatrix(from.channels, to.channels).data(), static_cast<int>(from.channels)) < 0)
        return nullptr;
    if (swr_init(swr) < 0)
        return nullptr;
    return converter;
}

}  // namespace

struct PcmConverter::Impl {
    ResamplerPtr swr;
    std::uint32_t outFrame = 0;
};

PcmConverter::PcmConverter(const PcmFormat& from, const PcmFormat& to) : impl_(std::make_unique<Impl>())
{
    quietFfmpegLog();
    impl_->swr = makeConverter(from, to);
    impl_->outFrame = to.frameBytes();
}

PcmConverter::~PcmConverter() = default;

PcmConverter::operator bool() const
{
    return impl_->swr != nullptr;
}

bool PcmConverter::convert(const std::uint8_t* input, std::size_t frames, std::vector<std::uint8_t>& out)
{
    if (!impl_->swr)
        return false;
    const auto count = static_cast<int>(frames);
    const int room = std::max(swr_get_out_samples(impl_->swr.get(), count), 1);
    const std::size_t at = out.size();
    out.resize(at + std::size_t(room) * impl_->outFrame);
    std::uint8_t* outPlanes[] = {out.data() + at};
    const std::uint8_t* inPlanes[] = {input};
    // No input: what the converter holds comes out.
    const int made = swr_convert(impl_->swr.get(), outPlanes, room, count > 0 ? inPlanes : nullptr, count);
    out.resize(at + std::size_t(std::max(made, 0)) * impl_->outFrame);
    return made >= 0;
}

}  // namespace tw::audio
