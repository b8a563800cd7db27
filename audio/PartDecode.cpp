#include "audio/PartDecode.h"

#include "audio/AudioLayer.h"
#include "audio/DecodeStream.h"
#include "audio/FfmpegHandles.h"
#include "wav/File.h"

#include <algorithm>
#include <cstring>

namespace tw::audio {

namespace {

// Parts shorter than this are not worth a thread.
constexpr std::size_t kMinPacketsPerPart = 64;
// A part starts this far before its first kept packet: well past the 511
// bytes a frame's main data may reach back into the reservoir, and past the
// granules whose overlap the synthesis carries over.
constexpr std::int64_t kWarmUpBytes = 8192;
constexpr std::size_t kWarmUpPackets = 8;
constexpr std::size_t kWriteBlock = 1 << 20;

}  // namespace

std::unique_ptr<PartDecode> PartDecode::start(HSTREAM handle, int parts, Writer write)
{
    auto stream = std::dynamic_pointer_cast<DecodeStream>(AudioLayer::instance().find(handle));
    if (!stream || parts < 2)
        return nullptr;
    const auto& packets = stream->packets();
    if (packets.size() < kMinPacketsPerPart * std::size_t(parts))
        return nullptr;
    std::uint64_t total = 0;
    for (const PacketEntry& p : packets) {
        if (p.pos < 0 || p.size <= 0 || p.frames < 0)
            return nullptr;
        total += std::uint64_t(p.frames);
    }
    const std::uint64_t frameBytes = std::uint64_t{stream->channels()} * 2;
    if (frameBytes == 0 || total * frameBytes != stream->length())
        return nullptr;

    std::unique_ptr<PartDecode> decode(new PartDecode);
    decode->stream_ = std::move(stream);
    decode->write_ = std::move(write);
    decode->framesTotal_ = total;
    std::uint64_t frames = 0;
    std::size_t packet = 0;
    for (int k = 0; k < parts; ++k) {
        auto part = std::make_unique<Part>();
        part->first = packets.size() * std::size_t(k) / std::size_t(parts);
        part->end = packets.size() * std::size_t(k + 1) / std::size_t(parts);
        for (; packet < part->first; ++packet)
            frames += std::uint64_t(packets[packet].frames);
        part->frameOffset = frames;
        std::int64_t bytes = 0;
        part->warmUp = part->first;
        while (part->warmUp > 0 && (bytes < kWarmUpBytes || part->first - part->warmUp < kWarmUpPackets))
            bytes += packets[--part->warmUp].size;
        decode->parts_.push_back(std::move(part));
    }
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
    File file = File::openRead(stream_->path());
    CodecPtr decoder = openDecoder(stream_->stream());
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    ResamplerPtr resampler;
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
        const std::lock_guard lock(mutex_);
        --running_;
        ended_.notify_all();
    };
    if (!file || !decoder || !packet || !frame)
        return finish(Result::Mismatch);

    for (std::size_t i = part.warmUp; i < part.end; ++i) {
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
        if (sent < 0 && kept)
            return finish(Result::Mismatch);
        std::int64_t got = 0;
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            if (kept && frame->nb_samples > 0) {
                // 16-bit at the source rate, as the one-thread decode converts.
                if (!resampler) {
                    AVChannelLayout in{};
                    AVChannelLayout layout{};
                    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0)
                        av_channel_layout_default(&in, std::max(frame->ch_layout.nb_channels, 1));
                    else
                        av_channel_layout_copy(&in, &frame->ch_layout);
                    av_channel_layout_default(&layout, channels);
                    SwrContext* raw = nullptr;
                    const int made = swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_S16, stream_->rate(), &in,
                                                         AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
                    resampler.reset(raw);
                    av_channel_layout_uninit(&in);
                    av_channel_layout_uninit(&layout);
                    if (made < 0 || swr_init(resampler.get()) < 0)
                        return finish(Result::Mismatch);
                }
                const std::size_t room = std::size_t(frame->nb_samples) * frameBytes;
                const std::size_t before = out.size();
                out.resize(before + room);
                std::uint8_t* target = out.data() + before;
                const int converted = swr_convert(resampler.get(), &target, frame->nb_samples,
                                                  const_cast<const std::uint8_t**>(frame->extended_data),
                                                  frame->nb_samples);
                out.resize(before + std::size_t(std::max(converted, 0)) * frameBytes);
                got += std::max(converted, 0);
            }
            av_frame_unref(frame.get());
        }
        if (!kept)
            continue;
        if (got != entry.frames)
            return finish(Result::Mismatch);
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
    return result;
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
