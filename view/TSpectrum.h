// The spectrum display: one bar per frequency bin, a yellow-to-red gradient
// from the bottom up and a falling peak dot above each bar.
#pragma once

#include <QColor>
#include <QImage>

#include <array>
#include <cstdint>

namespace tw {

class TSpectrum {
public:
    static constexpr int kBins = 128;
    static constexpr int kSkippedBins = 5;  // the lowest bins are not shown
    static constexpr int kFftSize = 512;

    TSpectrum(int width, int height);

    // One frame: bars in states 2 (playing) and 3 (paused), a black frame
    // otherwise (the stored heights then stay). fft holds kFftSize magnitudes.
    void Draw(const float* fft, std::int32_t state);
    const QImage& image() const { return buffer; }

    QImage buffer;
    std::int32_t height;
    QColor backColour{0, 0, 0};
    QColor peakColour{255, 255, 0};
    QColor bottomColour{255, 255, 0};
    QColor topColour{255, 0, 0};
    std::int32_t peakFall = 1;
    std::int32_t barFall = 3;
    std::array<std::int32_t, kBins> peaks{};
    std::array<std::int32_t, kBins> bars{};
};

}  // namespace tw
