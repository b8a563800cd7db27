// The spectrum display and the level meter, frame by frame.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "core/DocumentState.h"
#include "view/TSpectrum.h"
#include "view/TVolume.h"

namespace tw {
namespace {

// Rows of column x that are not black.
int litRows(const QImage& image, int x)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        n += image.pixelColor(x, y) != Qt::black;
    return n;
}

TEST(Spectrum, BarsGradientAndDecay)
{
    TSpectrum spectrum(97, 49);
    std::array<float, TSpectrum::kFftSize> fft{};
    fft[0 + 5] = 0.05f;  // bin 0: 25 pixels
    fft[1 + 5] = 0.1f;   // bin 1: clipped to the full height
    fft[2 + 5] = -0.02f; // magnitudes count, not signs
    spectrum.Draw(fft.data(), kPlaying);
    EXPECT_EQ(spectrum.bars[0], 25);
    EXPECT_EQ(spectrum.bars[1], 49);
    EXPECT_EQ(spectrum.bars[2], 10);
    const QImage& image = spectrum.image();
    // Row y of a bar: red, and green growing from the top as 255 / 49 per row.
    for (int y = 25; y < 49; ++y) {
        const int green = static_cast<int>(std::trunc(static_cast<float>(y) * (255.0f / 49.0f)));
        EXPECT_EQ(image.pixelColor(0, y), QColor(255, green & 0xFF, 0)) << y;
    }
    EXPECT_EQ(image.pixelColor(0, 24), spectrum.peakColour);  // the peak dot on the bar's top row
    EXPECT_EQ(image.pixelColor(0, 23), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(3, 48), QColor(Qt::black));

    // Silence: the bar sinks 3 pixels a frame, the peak 1.
    fft.fill(0.0f);
    for (int frame = 1; frame <= 9; ++frame) {
        spectrum.Draw(fft.data(), kPaused);
        EXPECT_EQ(spectrum.bars[0], std::max(25 - 3 * frame, 0));
        EXPECT_EQ(spectrum.peaks[0], 25 - frame);
    }
    // Not playing: a black frame, the heights kept.
    for (std::int32_t state : {kNoDocument, kStopped}) {
        spectrum.Draw(fft.data(), state);
        EXPECT_EQ(spectrum.peaks[0], 16);
        for (int x = 0; x < 97; ++x)
            ASSERT_EQ(litRows(spectrum.image(), x), 0) << x;
    }
}

TEST(LevelMeter, BarsPeaksAndFallingBack)
{
    TVolume meter(161, 17);
    meter.Draw(100, 50, kPlaying);
    EXPECT_EQ(meter.leftLevel, 161);
    EXPECT_EQ(meter.rightLevel, 80);
    const QImage& image = meter.image();
    // Column i of a bar: red growing and green falling by 255 / 161 per column.
    for (int x : {0, 1, 40, 79, 160}) {
        const int step = static_cast<int>(std::trunc(static_cast<float>(x) * (255.0f / 161.0f)));
        EXPECT_EQ(image.pixelColor(x, 0), QColor(step & 0xFF, (255 - step) & 0xFF, 0)) << x;
        EXPECT_EQ(image.pixelColor(x, 6), image.pixelColor(x, 0));
        EXPECT_EQ(image.pixelColor(x, 7), QColor(Qt::black));
    }
    EXPECT_EQ(image.pixelColor(79, 10), image.pixelColor(79, 0));
    EXPECT_EQ(image.pixelColor(80, 16), meter.peakColour);  // the right peak line
    EXPECT_EQ(image.pixelColor(81, 10), QColor(Qt::black));

    // The input drops: bars fall by 15 a frame, peaks by 2, never left of the bar.
    const int bars[] = {146, 131, 116};
    const int peaks[] = {159, 157, 155};
    for (int frame = 0; frame < 3; ++frame) {
        meter.Draw(0, 0, kPlaying);
        EXPECT_EQ(meter.leftLevel, bars[frame]);
        EXPECT_EQ(meter.leftPeak, peaks[frame]);
        EXPECT_EQ(meter.image().pixelColor(peaks[frame], 3), meter.peakColour);
    }
    // Paused: the bars empty within 11 frames of full scale while the peaks fall on.
    meter.Draw(100, 100, kPlaying);
    for (int frame = 0; frame < 11; ++frame)
        meter.Draw(100, 100, kPaused);
    EXPECT_EQ(meter.leftLevel, 0);
    EXPECT_EQ(meter.rightLevel, 0);
    EXPECT_EQ(meter.leftPeak, 161 - 22);
    // Not playing: a black frame, the values kept.
    meter.Draw(100, 100, kStopped);
    EXPECT_EQ(meter.leftPeak, 139);
    for (int x = 0; x < 161; ++x)
        ASSERT_EQ(meter.image().pixelColor(x, 3), QColor(Qt::black)) << x;
}

}  // namespace
}  // namespace tw
