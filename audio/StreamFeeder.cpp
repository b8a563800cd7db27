#include "audio/StreamFeeder.h"

#include <algorithm>
#include <chrono>

namespace tw::audio {

namespace {
constexpr auto idleWait = std::chrono::milliseconds(10);
}

StreamFeeder::StreamFeeder(const File& file, const WavLayout& layout, std::uint64_t frames, int deviceRate,
                           FrameRing& ring)
    : file_(file),
      layout_(layout),
      frames_(frames),
      deviceRate_(deviceRate),
      chunkFrames_(int(std::max<std::uint32_t>(256, layout.sampleRate / 50))),
      ring_(ring)
{
    AVChannelLayout channels{};
    av_channel_layout_default(&channels, layout_.playChannels());
    const AVSampleFormat format = layout_.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    SwrContext* raw = nullptr;
    const int err = swr_alloc_set_opts2(&raw, &channels, AV_SAMPLE_FMT_FLT, deviceRate_, &channels, format,
                                        int(layout_.sampleRate), 0, nullptr);
    ResamplerPtr resampler(raw);
    av_channel_layout_uninit(&channels);
    if (err < 0 || swr_init(resampler.get()) < 0)
        return;
    resampler_ = std::move(resampler);
    input_.resize(std::size_t(chunkFrames_) * layout_.frameBytes());
    thread_ = std::thread([this] { run(); });
}

StreamFeeder::~StreamFeeder()
{
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void StreamFeeder::restartAt(std::uint64_t frame)
{
    {
        const std::lock_guard lock(mutex_);
        ring_.reset();
        pending_.clear();
        pendingPos_ = 0;
        swr_init(resampler_.get());  // drops the converter's history
        converterFlushed_ = false;
        allQueued_.store(false);
        nextFrame_ = std::min(frame, frames_);
        // A short head start so playback does not begin with an underrun.
        while (ring_.readable() < ring_.capacity() / 4 && !allQueued_.load() && fillStep()) {
        }
    }
    wake_.notify_all();
}

void StreamFeeder::run()
{
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (!fillStep())
            wake_.wait_for(lock, idleWait, [this] { return quit_; });
    }
}

bool StreamFeeder::fillStep()
{
    if (pendingPos_ < pending_.size()) {
        pendingPos_ += 2 * ring_.write(pending_.data() + pendingPos_, (pending_.size() - pendingPos_) / 2);
        if (pendingPos_ < pending_.size())
            return false;  // the ring is full
    }
    pending_.clear();
    pendingPos_ = 0;
    if (converterFlushed_) {
        allQueued_.store(true, std::memory_order_release);
        return false;
    }
    const int want = int(std::min<std::uint64_t>(std::uint64_t(chunkFrames_), frames_ - nextFrame_));
    const int frameBytes = layout_.frameBytes();
    const std::size_t got =
        want > 0 ? file_.readAt(input_.data(), std::size_t(want) * frameBytes,
                                layout_.dataOffset + nextFrame_ * frameBytes) / frameBytes
                 : 0;
    if (got == 0) {
        convert(nullptr, 0);  // the converter's tail
        converterFlushed_ = true;
        return true;
    }
    nextFrame_ += got;
    convert(input_.data(), int(got));
    return true;
}

void StreamFeeder::convert(const std::uint8_t* in, int frames)
{
    const int channels = layout_.playChannels();
    const int capacity = swr_get_out_samples(resampler_.get(), frames);
    if (capacity <= 0)
        return;
    converted_.resize(std::size_t(capacity) * channels);
    auto* out = reinterpret_cast<std::uint8_t*>(converted_.data());
    const int made = std::max(0, swr_convert(resampler_.get(), &out, capacity, in ? &in : nullptr, frames));
    pending_.resize(std::size_t(made) * 2);
    if (channels == 1) {
        for (int i = 0; i < made; ++i)
            pending_[2 * i] = pending_[2 * i + 1] = converted_[i];
    } else {
        std::copy_n(converted_.begin(), std::size_t(made) * 2, pending_.begin());
    }
}

}  // namespace tw::audio
