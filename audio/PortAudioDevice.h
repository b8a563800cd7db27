// A sound card through PortAudio: one stereo float output stream that runs
// from open to close and plays the mixer. It is opened with the device's
// playback latency, at least minimumLatency, so a busy machine's scheduling
// delays stay well inside it; dropQueued() aborts and restarts the stream, so
// that a stop is heard at once all the same.
#pragma once

#include "audio/OutputDevice.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace tw::audio {

class PortAudioDevice final : public OutputDevice {
public:
    static constexpr double minimumLatency = 0.2;  // seconds

    // deviceIndex -1: the default output. Null when there is no such output
    // or it cannot be opened.
    static std::unique_ptr<PortAudioDevice> open(int deviceIndex, int rate);

    explicit PortAudioDevice(int rate);
    ~PortAudioDevice() override;

    // The frame at the speaker now: as the last render pass placed it, moved
    // on by the time since, never past what was rendered.
    std::int64_t heardFrames() const override;
    std::int64_t latencyFrames() const override { return latency_; }
    std::optional<std::int64_t> dropQueued() override;
    void close() override;

    // PortAudio's callback; public for the C trampoline only. queuedSeconds:
    // how long until this buffer is heard, negative when unknown; underflow:
    // PortAudio reports that the device ran dry.
    void renderBuffer(float* out, unsigned long frames, double queuedSeconds, bool underflow) noexcept;

private:
    using Clock = std::chrono::steady_clock;

    std::mutex streamMutex_;  // open, drop and close
    void* stream_ = nullptr;  // PaStream
    bool initialized_ = false;
    std::int64_t latency_ = 0;
    // Written by the render pass (and by dropQueued while no pass runs).
    std::atomic<Clock::rep> origin_{0};   // when device frame 0 was, or would have been, heard
    std::atomic<bool> placed_{false};     // origin_ is known
    std::atomic<std::int64_t> floor_{0};  // heard when the queue was last dropped
    // The callback's own.
    std::int64_t queued_ = 0;    // frames ahead of the buffer being rendered
    bool previousLate_ = false;  // the last buffer was finished after it was due
};

}  // namespace tw::audio
