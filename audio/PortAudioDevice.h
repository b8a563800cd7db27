// A sound card through PortAudio: one stereo float output stream that runs
// from open to close and plays the mixer.
#pragma once

#include "audio/OutputDevice.h"

#include <atomic>
#include <memory>

namespace tw::audio {

class PortAudioDevice final : public OutputDevice {
public:
    // deviceIndex -1: the default output. Null when there is no such output
    // or it cannot be opened.
    static std::unique_ptr<PortAudioDevice> open(int deviceIndex, int rate);

    explicit PortAudioDevice(int rate);
    ~PortAudioDevice() override;

    std::int64_t latencyFrames() const override { return latency_.load(std::memory_order_relaxed); }
    void close() override;

    // PortAudio's callback; public for the C trampoline only.
    void renderBuffer(float* out, unsigned long frames, double latencySeconds) noexcept;

private:
    void* stream_ = nullptr;  // PaStream
    bool initialized_ = false;
    std::atomic<std::int64_t> latency_{0};
};

}  // namespace tw::audio
