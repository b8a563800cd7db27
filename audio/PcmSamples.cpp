#include "audio/PcmSamples.h"

#include <algorithm>
#include <cstdlib>

namespace tw::audio {

std::uint32_t peakLevel(const std::uint8_t* pcm, std::size_t frames, const PcmFormat& format)
{
    int peak[2] = {0, 0};
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < format.channels; ++c)
            peak[c] = std::max(peak[c], std::abs(sampleAt(pcm, format, i, c)));
    }
    if (format.channels == 1)
        peak[1] = peak[0];
    return std::uint32_t(peak[0]) | std::uint32_t(peak[1]) << 16;
}

}  // namespace tw::audio
