#include "view/TVolume.h"

#include <algorithm>

#include "core/DocumentState.h"
#include "view/Gradient.h"

namespace tw {

TVolume::TVolume(int width, int height)
    : buffer(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32), scaleLength(width)
{
    buffer.fill(backColour);
}

void TVolume::channel(std::int32_t level, std::int32_t& shown, std::int32_t& peak, std::int32_t& length,
                      std::int32_t& peakAt) const
{
    length = level * scaleLength / 100;
    shown = std::max(shown - levelFall, 0);
    if (length >= shown)
        shown = length;
    else
        length = shown;
    peak = std::max(peak - peakFall, 0);
    if (peak <= length)
        peak = length;
    peakAt = peak;
}

void TVolume::drawBar(std::int32_t length, std::int32_t peakAt, int top)
{
    const Gradient gradient(lowColour, highColour, scaleLength);
    const int width = buffer.width();
    const int bottom = std::min(top + barThickness, buffer.height());
    for (int i = 0; i < std::min(length, width); ++i) {
        const QColor colour = gradient.at(i);
        for (int y = top; y < bottom; ++y)
            buffer.setPixelColor(i, y, colour);
    }
    if (peakAt >= 0 && peakAt < width)
        for (int y = top; y < bottom; ++y)
            buffer.setPixelColor(peakAt, y, peakColour);
}

void TVolume::Draw(std::int32_t left, std::int32_t right, std::int32_t state)
{
    buffer.fill(backColour);
    if (state != kPlaying && state != kPaused)
        return;
    if (state == kPaused)
        left = right = 0;  // the bars fall back while paused
    std::int32_t l = 0, lPeak = 0, r = 0, rPeak = 0;
    channel(left, leftLevel, leftPeak, l, lPeak);
    channel(right, rightLevel, rightPeak, r, rPeak);
    drawBar(l, lPeak, 0);
    drawBar(r, rPeak, barThickness + 3);
}

}  // namespace tw
