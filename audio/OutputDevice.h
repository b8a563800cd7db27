// Where playback streams are heard: a sound card or the silent device. Both
// run a mixer at a fixed rate and count the frames they have rendered and
// the frames heard.
#pragma once

#include "audio/Mixer.h"

#include <cstdint>
#include <optional>

namespace tw::audio {

class OutputDevice {
public:
    virtual ~OutputDevice() = default;
    OutputDevice() = default;
    OutputDevice(const OutputDevice&) = delete;
    OutputDevice& operator=(const OutputDevice&) = delete;

    Mixer& mixer() { return mixer_; }
    int rate() const { return rate_; }
    // Frames rendered so far.
    std::int64_t renderedFrames() const { return mixer_.renderedFrames(); }
    // Frames heard so far: the device frame at the speaker now, as far as
    // the device knows it.
    virtual std::int64_t heardFrames() const = 0;
    // The buffering the device was opened with: how far rendering runs
    // ahead of the speaker.
    virtual std::int64_t latencyFrames() const = 0;
    // Drops what was rendered but is not heard yet, so that the sound ends
    // now, and goes on rendering. Returns the device frame heard last;
    // nothing when the device keeps its queue (it has none, or cannot).
    virtual std::optional<std::int64_t> dropQueued() { return std::nullopt; }
    // Stops rendering; the mixer is not called afterwards.
    virtual void close() = 0;

protected:
    explicit OutputDevice(int rate) : rate_(rate) {}

private:
    Mixer mixer_;
    int rate_ = 44100;
};

}  // namespace tw::audio
