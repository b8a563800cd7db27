// Reading 8-bit unsigned and 16-bit signed PCM frames of one or two channels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw::audio {

struct PcmFormat {
    int channels = 2;  // 1 or 2
    int bits = 16;     // 8 or 16

    int frameBytes() const { return channels * bits / 8; }
};

// Sample c of frame i in the 16-bit range (-32768..32767; 8-bit scaled up).
inline int sampleAt(const std::uint8_t* pcm, const PcmFormat& format, std::size_t i, int c)
{
    const std::size_t at = i * std::size_t(format.channels) + std::size_t(c);
    if (format.bits == 8)
        return (int(pcm[at]) - 128) * 256;
    return std::int16_t(std::uint16_t(pcm[2 * at] | pcm[2 * at + 1] << 8));
}

// Peak magnitude per channel, 0..32768: left in the low word, right in the
// high word; a mono signal in both.
std::uint32_t peakLevel(const std::uint8_t* pcm, std::size_t frames, const PcmFormat& format);

}  // namespace tw::audio
