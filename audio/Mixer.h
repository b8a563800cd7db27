// Sums the attached inputs into a device's output buffer. render() runs on the
// device's real-time thread: no locks, no allocation. detach() waits until a
// render pass, or a question from another input, that may still use the input
// has ended.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace tw::audio {

class MixerInput {
public:
    // Adds frames of interleaved stereo float into out. deviceFrameEnd is the
    // device's frame count once this buffer is rendered. previousLost: the
    // device never played the previous buffer; this one takes its place.
    virtual void render(float* out, int frames, std::int64_t deviceFrameEnd, bool previousLost) noexcept = 0;
    // Whether what it rendered may still be waiting in the device's queue.
    virtual bool sounding() const noexcept = 0;

protected:
    ~MixerInput() = default;
};

class Mixer {
public:
    static constexpr int maxInputs = 32;

    bool attach(MixerInput* input);
    void detach(MixerInput* input);
    // Whether an input other than self is sounding.
    bool othersSounding(const MixerInput* self) const;
    // Real-time: zeroes out (frames of stereo float) and mixes every input.
    // previousLost: the device never played the previous buffer, which then
    // no longer counts as rendered.
    void render(float* out, int frames, bool previousLost = false) noexcept;
    std::int64_t renderedFrames() const { return rendered_.load(); }
    // Returns once no render pass that started before this call is running.
    void waitForRenderPass() const;

private:
    std::array<std::atomic<MixerInput*>, maxInputs> inputs_{};
    mutable std::mutex inputsMutex_;  // keeps an input attached while othersSounding() asks it
    std::atomic<std::uint64_t> passes_{0};  // odd while a pass runs
    std::atomic<std::int64_t> rendered_{0};
    int lastFrames_ = 0;  // the render pass's own
};

}  // namespace tw::audio
