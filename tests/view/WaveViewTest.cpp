// The waveform picture, pixel by pixel.
#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <vector>

#include "view/WaveView.h"

namespace tw {
namespace {

struct Strip {
    std::vector<std::int16_t> left, right;
    WaveScene scene;

    // A document of columns columns at zoom 10000 and 44100 Hz.
    Strip(std::uint32_t columns, std::uint32_t seconds)
    {
        for (std::uint32_t c = 0; c < columns; ++c) {
            left.push_back(static_cast<std::int16_t>(c % 101));
            right.push_back(static_cast<std::int16_t>((c * 7) % 101));
        }
        scene.columnCount = columns;
        scene.sampleRate = 44100;
        scene.durationSeconds = seconds;
        scene.peakLeft = &left;
        scene.peakRight = &right;
        scene.selFinish = columns - 1;
        scene.finish = {seconds, columns - 1};
    }

    QImage draw(std::uint32_t first = 0, int width = -1) const
    {
        QImage image(width < 0 ? static_cast<int>(scene.columnCount) : width, kWaveRows, QImage::Format_RGB32);
        image.fill(Qt::magenta);  // anything left undrawn shows
        drawWaveView(image, first, scene);
        return image;
    }
};

QColor at(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

TEST(WaveView, ChannelsSelectionAndZeroLine)
{
    Strip strip(200, 45);
    strip.scene.selStart = 20;
    strip.scene.selFinish = 60;
    strip.scene.start = {0, 20};
    strip.scene.finish = {0, 60};
    strip.scene.cursor = {0, 150};
    for (std::uint32_t channels : {2u, 1u}) {
        strip.scene.channels = channels;
        const QImage image = strip.draw();
        const WaveColors& c = strip.scene.colors;
        const QColor lower = channels == 1 ? c.channel1 : c.channel2;
        for (int x : {5, 33, 59, 60, 99, 199}) {
            if (x == 150 || x == 20 || x == 60)
                continue;  // marker lines
            const bool selected = x >= 20 && x < 60;  // the finish column is not filled
            const QColor band = selected ? c.selection : c.background;
            const int up = strip.left[x];
            const int down = strip.right[x];
            for (int y = 20; y < kWaveAreaRows; ++y) {  // below the labels
                // Upper peak: rows 100 - up to 98; lower: rows 100 to 99 + down;
                // the zero line over both on row 100.
                QColor want = band;
                if (y == kZeroRow)
                    want = c.zeroLine;
                else if (y >= kZeroRow - up && y <= kZeroRow - 2)
                    want = c.channel1;
                else if (y > kZeroRow && y < kZeroRow + down)
                    want = lower;
                ASSERT_EQ(at(image, x, y), want) << "channels " << channels << " x " << x << " y " << y;
            }
        }
        // Marker lines cover rows 0 to 199 in their colours.
        EXPECT_EQ(at(image, 20, 150), c.start);
        EXPECT_EQ(at(image, 60, 199), c.finish);
        EXPECT_EQ(at(image, 150, 0), c.cursor);
        EXPECT_NE(at(image, 150, 200), c.cursor);
    }
}

TEST(WaveView, RulerTicksLabelsAndShortDocuments)
{
    // 25 seconds at 10 : 1: a 10-second step of 44.1 columns.
    Strip strip(111, 25);
    strip.scene.cursor = {0, 0};
    strip.scene.finish = {25, 0};
    const QImage image = strip.draw();
    const WaveColors& c = strip.scene.colors;
    auto ticks = [&](const QImage& img, int length) {
        std::vector<int> xs;
        for (int x = 0; x < img.width(); ++x)
            if (at(img, x, 201 + length - 1) == c.rulerTicks && at(img, x, 201 + length) != c.rulerTicks)
                xs.push_back(x);
        return xs;
    };
    EXPECT_EQ(ticks(image, 2), std::vector<int>{44});
    EXPECT_EQ(ticks(image, 5), (std::vector<int>{0, 88}));
    // Labels in grey from two columns right of a long tick, from row 208 on.
    auto greyIn = [&](const QImage& img, int x1, int x2) {
        for (int y = 203; y < kWaveRows; ++y)
            for (int x = x1; x < x2 && x < img.width(); ++x)
                if (at(img, x, y) == c.rulerLabels)
                    return y >= 208 && x >= x1;
        return false;
    };
    EXPECT_TRUE(greyIn(image, 90, 111));
    EXPECT_TRUE(greyIn(image, 2, 44));
    EXPECT_FALSE(greyIn(image, 70, 88));  // between the two labels

    Strip brief(3, 0);  // under one second: an empty ruler
    const QImage none = brief.draw();
    for (int x = 0; x < none.width(); ++x)
        for (int y = 201; y < kWaveRows; ++y)
            ASSERT_EQ(at(none, x, y), brief.scene.colors.rulerBackground) << x << "," << y;
}

TEST(WaveView, MarkerLabelStandsLeftNearTheRightEdge)
{
    Strip strip(300, 60);
    const QColor cyan = strip.scene.colors.start;
    auto labelSide = [&](std::uint32_t column) {
        strip.scene.start = {75, column};
        const QImage image = strip.draw();
        int leftOf = 0, rightOf = 0;
        for (int y = 2; y < 20; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (x != static_cast<int>(column) && at(image, x, y) == cyan)
                    (x < static_cast<int>(column) ? leftOf : rightOf)++;
        return std::make_pair(leftOf, rightOf);
    };
    for (std::uint32_t column : {100u, 252u}) {
        const auto [leftOf, rightOf] = labelSide(column);
        EXPECT_EQ(leftOf, 0) << column;
        EXPECT_GT(rightOf, 0) << column;
    }
    for (std::uint32_t column : {253u, 299u}) {
        const auto [leftOf, rightOf] = labelSide(column);
        EXPECT_GT(leftOf, 0) << column;
        EXPECT_EQ(rightOf, 0) << column;
    }
}

TEST(WaveView, AWindowOfALongStripIsThatPartOfTheWholeStrip)
{
    // 10 minutes at 1 : 1 would be 26460 columns; a shorter strip at a
    // finer scale keeps the whole image small.
    Strip strip(6000, 1200);
    strip.scene.zoom = 2000;
    strip.scene.selStart = 2500;
    strip.scene.selFinish = 3100;
    strip.scene.start = {125, 2500};
    strip.scene.finish = {155, 3100};
    strip.scene.cursor = {140, 2800};
    const QImage whole = strip.draw();
    for (std::uint32_t first : {0u, 2460u, 2777u, 5300u}) {
        const QImage window = strip.draw(first, 700);
        EXPECT_EQ(window, whole.copy(static_cast<int>(first), 0, 700, kWaveRows)) << "from column " << first;
    }
}

TEST(WaveView, FormatTime)
{
    const struct {
        std::int64_t seconds;
        const char* text;
    } cases[] = {{0, "00:00:00"}, {65, "00:01:05"}, {3725, "01:02:05"}, {450000, "125:00:00"}, {-1, "00:00:00"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatTime(c.seconds), c.text) << c.seconds;
}

}  // namespace
}  // namespace tw
