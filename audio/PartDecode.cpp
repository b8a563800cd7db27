#include "audio/PartDecode.h"

#include "audio/AudioLayer.h"
#include "audio/DecodeStream.h"
#include "audio/FfmpegHandles.h"
#include "wav/File.h"

#include <algorithm>
#include <cstring>

namespace tw::audio {

namespace {

// A part begins so early that the main data of its warm-up packets, before
// the last kFlushPackets of them, fill the bit reservoir twice over (a frame
// reaches back at most 511 bytes, MPEG-2 255), and those last packets flush
// the overlap of the synthesis.
constexpr std::int64_t kReservoirFill = 1024;
constexpr std::size_t kFlushPackets = 2;
constexpr std::size_t kWarmUpPackets = 8;
// Packets past its end that a part decodes to check the next part's start.
constexpr std::size_t kCheckPackets = 4;
constexpr std::size_t kWriteBlock = 1 << 20;

std::size_t warmUpStart(const std::vector<PacketEntry>& packets, std::size_t first)
{
    std::size_t start = first;
    std::int64_t bytes = 0;
    while (start > 0 && (first - start < kWarmUpPackets || first - start < kFlushPackets || bytes < kReservoirFill)) {
        --start;
        if (first - start > kFlushPackets)
            bytes += packets[start].mainDataBytes;
    }
    return start;
}

// Every packet that starts with a frame header has the same frame format, and
// the frames add up to the length.
bool splittable(const DecodeStream& stream)
{
    const auto& packets = stream.packets();
    std::uint32_t format = 0;
    std::uint64_t total = 0;
    for (const PacketEntry& p : packets) {
        if (p.pos < 0 || p.size <= 0 || p.frames < 0 || (p.format != 0 && format != 0 && p.format != format))
            return false;
        format = std::max(format, p.format);
        total += std::uint64_t(p.frames);
    }
    if (format == 0)
        return false;
    const std::uint64_t frameBytes = std::uint64_t{stream.channels()} * 2;
    if (frameBytes == 0 || total * frameBytes != stream.length())
        return false;
    // FFmpeg's fixed-point decoders carry rounding from one frame to the next.
    const CodecPtr decoder = openDecoder(stream.stream(), stream.codec());
    return decoder && (decoder->sample_fmt == AV_SAMPLE_FMT_FLTP || decoder->sample_fmt == AV_SAMPLE_FMT_FLT);
}

// 16-bit samples at the stream's rate and channels, as the one-thread decode
// converts them; refuses a frame of another format than the part's first.
class PartConverter {
public:
    PartConverter(int rate, int channels) : rate_(rate), channels_(channels) {}
    ~PartConverter() { av_channel_layout_uninit(&in_); }
    PartConverter(const PartConverter&) = delete;
    PartConverter& operator=(const PartConverter&) = delete;

    // Appends frame's samples to out; the frames converted, or -1.
    int convert(const AVFrame& frame, std::vector<std::uint8_t>& out)
    {
        const int channels = frame.ch_layout.nb_channels;
        if (frame.sample_rate != rate_ || channels <= 0 || (channels == 1) != (channels_ == 1))
            return -1;
        if (!resampler_) {
            if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
                av_channel_layout_default(&in_, channels);
            else if (av_channel_layout_copy(&in_, &frame.ch_layout) < 0)
                return -1;
            format_ = frame.format;
            AVChannelLayout layout{};
            av_channel_layout_default(&layout, channels_);
            SwrContext* raw = nullptr;
            const int made = swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_S16, rate_, &in_,
                                                 AVSampleFormat(format_), rate_, 0, nullptr);
            resampler_.reset(raw);
            av_channel_layout_uninit(&layout);
            if (made < 0 || swr_init(resampler_.get()) < 0)
                return -1;
        } else if (frame.format != format_ || (frame.ch_layout.order != AV_CHANNEL_ORDER_UNSPEC &&
                                               av_channel_layout_compare(&frame.ch_layout, &in_) != 0) ||
                   channels != in_.nb_channels) {
            return -1;
        }
        const std::size_t frameBytes = std::size_t(channels_) * 2;
        const std::size_t before = out.size();
        out.resize(before + std::size_t(frame.nb_samples) * frameBytes);
        std::uint8_t* target = out.data() + before;
        const int converted = swr_convert(resampler_.get(), &target, frame.nb_samples,
                                          const_cast<const std::uint8_t**>(frame.extended_data), frame.nb_samples);
        out.resize(before + std::size_t(std::max(converted, 0)) * frameBytes);
        return std::max(converted, 0);
    }

private:
    int rate_;
    int channels_;
    ResamplerPtr resampler_;
    AVChannelLayout in_{};
    int format_ = -1;
};

}  // namespace

std::unique_ptr<PartDecode> PartDecode::start(HSTREAM handle, int parts, Writer write, std::size_t minPackets)
{
    auto stream = std::dynamic_pointer_cast<DecodeStream>(AudioLayer::instance().find(handle));
    if (!stream || parts < 2)
        return nullptr;
    const std::size_t count = stream->packets().size();
    if (count < std::max<std::size_t>(minPackets, 1) * std::size_t(parts))
        return nullptr;
    std::vector<std::size_t> firsts;
    for (int k = 1; k < parts; ++k)
        firsts.push_back(count * std::size_t(k) / std::size_t(parts));
    return startAt(handle, firsts, std::move(write));
}

std::unique_ptr<PartDecode> PartDecode::startAt(HSTREAM handle, const std::vector<std::size_t>& firsts, Writer write)
{
    auto stream = std::dynamic_pointer_cast<DecodeStream>(AudioLayer::instance().find(handle));
    if (!stream || firsts.empty() || !splittable(*stream))
        return nullptr;
    const auto& packets = stream->packets();
    std::vector<std::size_t> bounds{0};
    for (const std::size_t first : firsts) {
        if (first <= bounds.back() || first >= packets.size())
            return nullptr;
        bounds.push_back(first);
    }
    bounds.push_back(packets.size());

    std::unique_ptr<PartDecode> decode(new PartDecode);
    decode->stream_ = std::move(stream);
    decode->write_ = std::move(write);
    std::uint64_t frames = 0;
    std::size_t packet = 0;
    for (std::size_t k = 0; k + 1 < bounds.size(); ++k) {
        auto part = std::make_unique<Part>();
        part->first = bounds[k];
        part->end = bounds[k + 1];
        part->checkEnd = std::min(part->end + kCheckPackets, k + 2 < bounds.size() ? bounds[k + 2] : packets.size());
        part->warmUp = warmUpStart(packets, part->first);
        for (; packet < part->first; ++packet)
            frames += std::uint64_t(packets[packet].frames);
        part->frameOffset = frames;
        decode->parts_.push_back(std::move(part));
    }
    for (; packet < packets.size(); ++packet)
        frames += std::uint64_t(packets[packet].frames);
    decode->framesTotal_ = frames;
    decode->running_ = decode->parts_.size();
    for (auto& part : decode->parts_)
        decode->threads_.emplace_back([d = decode.get(), p = part.get()] { d->run(*p); });
    return decode;
}

PartDecode::~PartDecode()
{
    stop_ = true;
    for (std::thread& t : threads_)
        if (t.joinable())
            t.join();
}

void PartDecode::run(Part& part)
{
    const auto& packets = stream_->packets();
    const int channels = int(stream_->channels());
    const std::size_t frameBytes = std::size_t(channels) * 2;
    const std::size_t headEnd = part.first == 0 ? 0 : std::min(part.first + kCheckPackets, part.end);
    File file = File::openRead(stream_->path());
    CodecPtr decoder = openDecoder(stream_->stream(), stream_->codec());
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    PartConverter converter(stream_->rate(), channels);
    std::vector<std::uint8_t> out;
    std::uint64_t at = part.frameOffset * frameBytes;

    // What is decoded goes out in large writes; written counts it then.
    const auto flush = [&] {
        if (!out.empty() && !write_(at, out.data(), out.size()))
            return false;
        at += out.size();
        part.written.fetch_add(out.size() / frameBytes, std::memory_order_relaxed);
        out.clear();
        return true;
    };
    const auto finish = [&](Result result) {
        part.result = result;
        if (result == Result::Mismatch || result == Result::WriteFailed)
            stop_ = true;  // the open goes on without the other parts
        const std::lock_guard lock(mutex_);
        --running_;
        ended_.notify_all();
    };
    if (!file || !decoder || !packet || !frame)
        return finish(Result::Mismatch);

    for (std::size_t i = part.warmUp; i < part.checkEnd; ++i) {
        if (stop_)
            return finish(flush() ? Result::Stopped : Result::WriteFailed);
        const PacketEntry& entry = packets[i];
        const bool kept = i >= part.first;
        if (av_new_packet(packet.get(), entry.size) < 0 ||
            file.readAt(packet->data, std::size_t(entry.size), std::uint64_t(entry.pos)) != std::size_t(entry.size))
            return finish(Result::Mismatch);
        if (entry.hasSkip) {
            std::uint8_t* side = av_packet_new_side_data(packet.get(), AV_PKT_DATA_SKIP_SAMPLES, entry.skip.size());
            if (!side)
                return finish(Result::Mismatch);
            std::memcpy(side, entry.skip.data(), entry.skip.size());
        }
        const int sent = avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        if (sent < 0 && kept && entry.format != 0)
            return finish(Result::Mismatch);
        std::vector<std::uint8_t>& target = i < part.end ? out : part.tail;
        const std::size_t before = target.size();
        std::int64_t got = 0;
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            if (kept && frame->nb_samples > 0) {
                const int converted = converter.convert(*frame, target);
                if (converted < 0)
                    return finish(Result::Mismatch);
                got += converted;
            }
            av_frame_unref(frame.get());
        }
        if (!kept)
            continue;
        if (got == 0 && entry.format == 0) {
            // No frame header at its start: every decode loses it, and the
            // one-thread decode puts silence in its place.
            target.resize(target.size() + std::size_t(entry.frames) * frameBytes, 0);
            got = entry.frames;
        }
        if (got != entry.frames)
            return finish(Result::Mismatch);
        if (i >= part.end)
            continue;
        if (i < headEnd)
            part.head.insert(part.head.end(), out.begin() + std::ptrdiff_t(before), out.end());
        framesDone_.fetch_add(std::uint64_t(got), std::memory_order_relaxed);
        if (out.size() >= kWriteBlock && !flush())
            return finish(Result::WriteFailed);
    }
    finish(flush() ? Result::Done : Result::WriteFailed);
}

bool PartDecode::waitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, timeout, [this] { return running_ == 0; });
}

PartDecode::Result PartDecode::join()
{
    for (std::thread& t : threads_)
        if (t.joinable())
            t.join();
    // The worst result of any part decides.
    Result result = Result::Done;
    for (const auto& part : parts_) {
        if (part->result == Result::Mismatch || part->result == Result::WriteFailed)
            return part->result;
        if (part->result == Result::Stopped)
            result = Result::Stopped;
    }
    if (result != Result::Done)
        return result;
    // A part's start is taken only where the previous part, decoding on,
    // gave the same samples.
    for (std::size_t k = 0; k + 1 < parts_.size(); ++k)
        if (parts_[k]->tail != parts_[k + 1]->head)
            return Result::Mismatch;
    return Result::Done;
}

std::uint64_t PartDecode::framesFromStart() const
{
    const auto& packets = stream_->packets();
    std::uint64_t frames = 0;
    for (const auto& part : parts_) {
        std::uint64_t whole = 0;
        for (std::size_t i = part->first; i < part->end; ++i)
            whole += std::uint64_t(packets[i].frames);
        const std::uint64_t written = part->written.load();
        frames += written;
        if (written < whole)
            break;
    }
    return frames;
}

}  // namespace tw::audio
