#include "view/TSpectrum.h"

#include <algorithm>
#include <cmath>

#include "core/DocumentState.h"
#include "view/Gradient.h"

namespace tw {

TSpectrum::TSpectrum(int width, int height)
    : buffer(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32), height(height)
{
    buffer.fill(backColour);
}

void TSpectrum::Draw(const float* fft, std::int32_t state)
{
    buffer.fill(backColour);
    if (state != kPlaying && state != kPaused)
        return;
    // Row 0 is the top colour; the rows below approach the bottom colour.
    const Gradient gradient(topColour, bottomColour, height);
    const int width = buffer.width();
    for (int i = 0; i < kBins; ++i) {
        const float v = std::fabs(fft[i + kSkippedBins]);
        const std::int32_t h = std::min(static_cast<std::int32_t>(std::trunc(v * 500.0f)), height);
        peaks[i] = h >= peaks[i] ? h : peaks[i] - peakFall;
        bars[i] = h >= bars[i] ? h : bars[i] - barFall;
        peaks[i] = std::max(peaks[i], 0);
        bars[i] = std::max(bars[i], 0);
        if (i >= width)
            continue;  // bins beyond the display are kept but not seen
        for (int y = std::max(height - bars[i], 0); y < height; ++y)
            buffer.setPixelColor(i, y, gradient.at(y));
        const int peakRow = height - peaks[i];
        if (peakRow >= 0 && peakRow < buffer.height())
            buffer.setPixelColor(i, peakRow, peakColour);
    }
}

}  // namespace tw
