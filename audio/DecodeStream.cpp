#include "audio/DecodeStream.h"

#include "audio/DecodedLength.h"

#include <algorithm>
#include <cstring>

namespace tw::audio {

std::shared_ptr<DecodeStream> DecodeStream::open(const std::string& path, const KeepGoing& keepGoing)
{
    auto stream = std::make_shared<DecodeStream>();
    stream->source_ = FrameSource::open(path.c_str());
    if (!stream->source_)
        return nullptr;
    const AVCodecContext& decoder = stream->source_->decoder();
    if (decoder.sample_rate <= 0 || decoder.ch_layout.nb_channels <= 0)
        return nullptr;
    // Something that is not audio can still be probed as a container; it only
    // counts when at least one frame really decodes.
    if (!stream->decodeMore())
        return nullptr;
    const auto frames = decodedFrameCount(path.c_str(), stream->source_->streamIndex(), keepGoing, &stream->packets_);
    if (!frames || *frames <= 0)
        return nullptr;
    if (!stream->packets_.empty() && stream->source_->packetsSent() > 0) {
        // Packets lost before the first frame go in front of it.
        const std::size_t first = std::min(stream->source_->packetsSent() - 1, stream->packets_.size());
        std::int64_t lost = 0;
        for (std::size_t i = 0; i < first; ++i)
            lost += stream->packets_[i].frames;
        stream->insertSilenceBeforePending(std::size_t(lost) * stream->frameBytes());
        stream->nextPacket_ = first + 1;
    }
    stream->path_ = path;
    stream->length_ = QWORD(*frames) * stream->frameBytes();
    stream->fileSize_ = QWORD(std::max<std::int64_t>(0, stream->source_->fileSize()));
    stream->sourceBits_ = DWORD(std::max(decoder.bits_per_raw_sample, 0));
    if (stream->sourceBits_ == 0 && av_get_bytes_per_sample(decoder.sample_fmt) == 2)
        stream->sourceBits_ = 16;
    return stream;
}

const AVStream& DecodeStream::stream() const
{
    return source_->stream();
}

const AVCodec* DecodeStream::codec() const
{
    return source_->decoder().codec;
}

DecodeStream::~DecodeStream()
{
    av_channel_layout_uninit(&resamplerInLayout_);
}

bool DecodeStream::configureResampler(const AVFrame& frame)
{
    AVChannelLayout inLayout{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels <= 0)
        av_channel_layout_default(&inLayout, std::max(frame.ch_layout.nb_channels, 1));
    else if (av_channel_layout_copy(&inLayout, &frame.ch_layout) < 0)
        return false;
    if (resampler_ && resamplerInFormat_ == frame.format && resamplerInRate_ == frame.sample_rate &&
        av_channel_layout_compare(&inLayout, &resamplerInLayout_) == 0) {
        av_channel_layout_uninit(&inLayout);
        return true;
    }
    if (rate_ == 0) {
        rate_ = frame.sample_rate;
        channels_ = inLayout.nb_channels == 1 ? 1 : 2;
    }
    // What the old conversion still holds belongs before the new format's frames.
    drainResampler();
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, int(channels_));
    SwrContext* raw = nullptr;
    const int err = swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, rate_, &inLayout,
                                        AVSampleFormat(frame.format), frame.sample_rate, 0, nullptr);
    ResamplerPtr resampler(raw);
    av_channel_layout_uninit(&outLayout);
    if (err < 0 || swr_init(resampler.get()) < 0) {
        av_channel_layout_uninit(&inLayout);
        return false;
    }
    resampler_ = std::move(resampler);
    av_channel_layout_uninit(&resamplerInLayout_);
    resamplerInLayout_ = inLayout;
    resamplerInFormat_ = frame.format;
    resamplerInRate_ = frame.sample_rate;
    return true;
}

bool DecodeStream::drainResampler()
{
    if (!resampler_)
        return false;
    const int capacity = swr_get_out_samples(resampler_.get(), 0);
    if (capacity <= 0)
        return false;
    const std::size_t space = std::size_t(capacity) * frameBytes();
    std::uint8_t* out = appendSpace(space);
    const int converted = swr_convert(resampler_.get(), &out, capacity, nullptr, 0);
    keepAppended(space, std::size_t(std::max(converted, 0)) * frameBytes());
    return converted > 0;
}

bool DecodeStream::silenceLostPackets(std::size_t packet)
{
    if (packets_.empty() || packet < nextPacket_)
        return false;
    std::int64_t lost = 0;
    for (std::size_t i = nextPacket_; i < packet && i < packets_.size(); ++i)
        lost += packets_[i].frames;
    nextPacket_ = packet + 1;
    if (lost <= 0)
        return false;
    const std::size_t bytes = std::size_t(lost) * frameBytes();
    std::memset(appendSpace(bytes), 0, bytes);
    return true;
}

bool DecodeStream::decodeMore()
{
    while (!sourceEnded_) {
        const AVFrame* frame = source_->next();
        if (!frame) {
            sourceEnded_ = true;
            return drainResampler();
        }
        bool appended = source_->packetsSent() > 0 && silenceLostPackets(source_->packetsSent() - 1);
        if (frame->sample_rate > 0 && configureResampler(*frame)) {
            const int capacity = swr_get_out_samples(resampler_.get(), frame->nb_samples);
            if (capacity > 0) {
                const std::size_t space = std::size_t(capacity) * frameBytes();
                std::uint8_t* out = appendSpace(space);
                const int converted = swr_convert(resampler_.get(), &out, capacity,
                                                  const_cast<const std::uint8_t**>(frame->extended_data),
                                                  frame->nb_samples);
                keepAppended(space, std::size_t(std::max(converted, 0)) * frameBytes());
                appended = appended || converted > 0;
            }
        }
        if (appended)
            return true;
    }
    return false;
}

}  // namespace tw::audio
