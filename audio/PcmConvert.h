// Interleaved PCM (8-bit unsigned or 16-bit signed) from one rate, channel
// count and sample size to another, through libswresample.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tw::audio {

struct PcmFormat {
    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t bitsPerSample = 16;  // 8 or 16
    std::uint32_t frameBytes() const { return channels * (bitsPerSample / 8); }
};

// Channel counts a conversion can have: any two from 1 to 64.
inline constexpr std::uint32_t kMaxConvertedChannels = 64;

// libswresample at its default quality. Mono from stereo is the mean of the
// two channels, stereo from mono repeats the channel at full level; counts
// without a usual layout mix channel i into channel i mod (out channels), at
// the mean of those that meet there, or repeat channel j mod (in channels) in
// out channel j. Usual layouts of more channels mix as FFmpeg mixes them.
class PcmConverter {
public:
    PcmConverter(const PcmFormat& from, const PcmFormat& to);
    ~PcmConverter();
    PcmConverter(const PcmConverter&) = delete;
    PcmConverter& operator=(const PcmConverter&) = delete;

    // False when the formats cannot be converted.
    explicit operator bool() const;
    // Converts frames of input (null with 0 frames: what the converter still
    // holds) and appends the output to out; false on failure.
    bool convert(const std::uint8_t* input, std::size_t frames, std::vector<std::uint8_t>& out);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tw::audio
