// The waveform view's picture: background, selection band, the two channels'
// peaks, the zero line, the time ruler, the markers and the play cursor.
//
// The strip is columnCount pixels wide, which for a long document at the
// finest zoom is far wider than any image; drawWaveView draws only a window
// of it, pixel for pixel what the whole strip shows there.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

constexpr int kWaveRows = 221;
constexpr int kWaveAreaRows = 201;  // rows 0 to 200; the ruler below
constexpr int kZeroRow = 100;

struct WaveColors {
    QColor background{0, 0, 0};
    QColor selection{0, 51, 204};
    QColor channel1{0, 255, 0};
    QColor channel2{255, 0, 0};
    QColor zeroLine{128, 128, 0};
    QColor rulerBackground{255, 255, 225};  // the palette's tooltip base
    QColor rulerTicks{0, 0, 0};
    QColor rulerLabels{128, 128, 128};
    QColor start{0, 255, 255};
    QColor finish{227, 227, 227};  // the palette's light colour
    QColor cursor{255, 255, 0};
};

struct WaveMarker {
    std::int64_t seconds = 0;  // shown by the label
    std::uint32_t column = 0;
};

struct WaveScene {
    std::uint32_t columnCount = 0;
    std::uint32_t channels = 2;
    std::uint32_t sampleRate = 0;
    std::uint32_t durationSeconds = 0;
    std::uint32_t zoom = 10000;
    const std::vector<std::int16_t>* peakLeft = nullptr;
    const std::vector<std::int16_t>* peakRight = nullptr;
    std::uint32_t peakFirst = 0;  // the column of the peaks' first entries
    std::uint32_t selStart = 0;
    std::uint32_t selFinish = 0;
    WaveMarker start;
    WaveMarker finish;
    WaveMarker cursor;
    WaveColors colors;
    QFont font;  // of the labels
};

// Hours, minutes and seconds, each at least two digits; a negative time is
// 00:00:00, hours of three or more digits are written in full.
std::string FormatTime(std::int64_t seconds);

// Draws the columns firstColumn to firstColumn + image.width() - 1 of the
// strip into image (kWaveRows high).
void drawWaveView(QImage& image, std::uint32_t firstColumn, const WaveScene& scene);

}  // namespace tw
