// A sound card through PortAudio: one stereo float output stream that runs
// from open to close and plays the mixer. It is opened with the device's
// playback latency, at least minimumLatency, so a busy machine's scheduling
// delays stay well inside it.
#pragma once

#include "audio/OutputDevice.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace tw::audio {

class PortAudioDevice final : public OutputDevice {
public:
    static constexpr double minimumLatency = 0.2;  // seconds

    // deviceIndex -1: the default output. Null when there is no such output
    // or it cannot be opened.
    static std::unique_ptr<PortAudioDevice> open(int deviceIndex, int rate);

    explicit PortAudioDevice(int rate);
    ~PortAudioDevice() override;

    std::int64_t heardFrames() const override { return heard_.load(std::memory_order_relaxed); }
    std::int64_t latencyFrames() const override { return latency_; }
    void close() override;

    // PortAudio's callback; public for the C trampoline only. queuedSeconds:
    // how long until this buffer is heard, negative when unknown; underflow:
    // PortAudio reports that the device ran dry.
    void renderBuffer(float* out, unsigned long frames, double queuedSeconds, bool underflow) noexcept;

private:
    void* stream_ = nullptr;  // PaStream
    bool initialized_ = false;
    std::int64_t latency_ = 0;
    std::atomic<std::int64_t> heard_{0};
    // The callback's own.
    std::int64_t queued_ = 0;    // frames ahead of the buffer being rendered
    bool previousLate_ = false;  // the last buffer was finished after it was due
};

}  // namespace tw::audio
