// The level meter: the left channel's level above the right one's, each a
// green-to-red bar with a yellow peak line that falls back slowly.
#pragma once

#include <QColor>
#include <QImage>

#include <cstdint>

namespace tw {

class TVolume {
public:
    TVolume(int width, int height);

    // One frame for levels 0 to 100: bars in states 2 (playing) and 3
    // (paused, where they fall back as for silence), a black frame otherwise
    // (the stored values then stay).
    void Draw(std::int32_t left, std::int32_t right, std::int32_t state);
    const QImage& image() const { return buffer; }

    QImage buffer;
    QColor backColour{0, 0, 0};
    QColor peakColour{255, 255, 0};
    QColor lowColour{0, 255, 0};
    QColor highColour{255, 0, 0};
    std::int32_t scaleLength;
    std::int32_t barThickness = 7;
    std::int32_t peakFall = 2;
    std::int32_t levelFall = 15;
    std::int32_t leftPeak = 0;
    std::int32_t rightPeak = 0;
    std::int32_t leftLevel = 0;
    std::int32_t rightLevel = 0;

private:
    // Shown length and peak position of one channel; updates its stored values.
    void channel(std::int32_t level, std::int32_t& shown, std::int32_t& peak, std::int32_t& length,
                 std::int32_t& peakAt) const;
    void drawBar(std::int32_t length, std::int32_t peakAt, int top);
};

}  // namespace tw
