// Reads a work file's samples ahead of playback on its own thread, converts
// them to stereo float at the device rate and keeps a ring filled.
#pragma once

#include "audio/FfmpegHandles.h"
#include "audio/FrameRing.h"
#include "audio/WavLayout.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace tw::audio {

class StreamFeeder {
public:
    // frames: the number of whole frames that can be played.
    StreamFeeder(const File& file, const WavLayout& layout, std::uint64_t frames, int deviceRate,
                 FrameRing& ring);
    ~StreamFeeder();
    StreamFeeder(const StreamFeeder&) = delete;
    StreamFeeder& operator=(const StreamFeeder&) = delete;

    bool valid() const { return resampler_ != nullptr; }
    // Drops everything queued and continues from frame, filling part of the
    // ring before it returns. The ring's consumer must be idle.
    void restartAt(std::uint64_t frame);
    // True once every frame up to the end is in the ring.
    bool allQueued() const { return allQueued_.load(std::memory_order_acquire); }

private:
    void run();
    // One step under mutex_; false when there was nothing to do.
    bool fillStep();
    void convert(const std::uint8_t* in, int frames);

    const File& file_;
    const WavLayout layout_;
    const std::uint64_t frames_;
    const int deviceRate_;
    const int chunkFrames_;
    FrameRing& ring_;
    ResamplerPtr resampler_;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    std::uint64_t nextFrame_ = 0;
    bool converterFlushed_ = false;
    std::vector<std::uint8_t> input_;
    std::vector<float> converted_;
    std::vector<float> pending_;  // stereo frames waiting for room in the ring
    std::size_t pendingPos_ = 0;
    std::atomic<bool> allQueued_{false};
    std::thread thread_;
};

}  // namespace tw::audio
