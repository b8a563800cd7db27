// EBU R128 figures of a sound through libavfilter's ebur128: integrated
// loudness, loudness range and true peak, as that filter reckons them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace tw::audio {

struct Loudness {
    double integrated = -70.0;  // LUFS (-70: nothing above the gate)
    double range = 0.0;         // LU
    double truePeak = 0.0;      // linear, 1 at full scale
};

// Fed interleaved 16-bit signed or 8-bit unsigned frames in order.
class LoudnessMeter {
public:
    LoudnessMeter(std::uint32_t sampleRate, std::uint32_t channels, std::uint32_t bitsPerSample);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    explicit operator bool() const;  // the filter graph was made
    bool add(const std::uint8_t* frames, std::size_t count);
    // The figures after the last 100 ms step the filter completed; nothing
    // for a sound shorter than one step or when the graph failed.
    std::optional<Loudness> finish();

private:
    struct Graph;
    std::unique_ptr<Graph> graph_;
};

}  // namespace tw::audio
