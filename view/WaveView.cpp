#include "view/WaveView.h"

#include <QPainter>

#include <algorithm>

#include "core/StatusText.h"

namespace tw {

namespace {

constexpr int kRulerTop = 201;
constexpr int kLabelReserve = 48;  // a label is about 46 columns wide
constexpr int kLabelSpan = 64;     // columns a label may reach right of its anchor

// Draws in strip columns: the painter is moved by the window's first column
// and clipped to the strip.
class StripPainter {
public:
    StripPainter(QImage& image, std::int64_t first, std::int64_t stripWidth)
        : painter_(&image), first_(first), last_(first + image.width())
    {
        painter_.translate(static_cast<qreal>(-first), 0);
        painter_.setClipRect(QRectF(static_cast<qreal>(first), 0,
                                    static_cast<qreal>(std::max<std::int64_t>(0, std::min(last_, stripWidth) - first)),
                                    kWaveRows));
    }

    bool sees(std::int64_t left, std::int64_t right) const { return right > first_ && left < last_; }
    std::int64_t first() const { return first_; }
    std::int64_t last() const { return last_; }

    // Columns x1 to x2 - 1, rows y1 to y2 - 1.
    void fill(std::int64_t x1, int y1, std::int64_t x2, int y2, const QColor& color)
    {
        x1 = std::max(x1, first_);
        x2 = std::min(x2, last_);
        if (x2 > x1 && y2 > y1)
            painter_.fillRect(QRectF(static_cast<qreal>(x1), y1, static_cast<qreal>(x2 - x1), y2 - y1), color);
    }

    // A vertical line from row y1 to row y2, y2 itself not drawn.
    void vline(std::int64_t x, int y1, int y2, const QColor& color)
    {
        if (y1 < y2)
            fill(x, y1, x + 1, y2, color);
        else if (y1 > y2)
            fill(x, y2 + 1, x + 1, y1 + 1, color);
    }

    void text(std::int64_t x, int y, const std::string& text, const QColor& color)
    {
        if (!sees(x, x + kLabelSpan))
            return;
        painter_.setPen(color);
        painter_.drawText(QRectF(static_cast<qreal>(x), y, 200, 40), Qt::AlignLeft | Qt::AlignTop,
                          QString::fromStdString(text));
    }

    QPainter& painter() { return painter_; }

private:
    QPainter painter_;
    std::int64_t first_;
    std::int64_t last_;
};

void drawWave(StripPainter& p, const WaveScene& s)
{
    const std::int64_t width = s.columnCount;
    const WaveColors& c = s.colors;
    p.fill(0, 0, width, kWaveRows, c.background);
    p.fill(s.selStart, 0, s.selFinish, kWaveRows, c.selection);

    const QColor& lower = s.channels == 1 ? c.channel1 : c.channel2;
    const std::int64_t from = std::max<std::int64_t>(0, p.first());
    const std::int64_t to = std::min<std::int64_t>(width, p.last());
    for (std::int64_t i = from; i < to; ++i) {
        const std::int64_t k = i - s.peakFirst;
        const int left = s.peakLeft && k >= 0 && k < static_cast<std::int64_t>(s.peakLeft->size()) ? (*s.peakLeft)[k] : 0;
        const int right =
            s.peakRight && k >= 0 && k < static_cast<std::int64_t>(s.peakRight->size()) ? (*s.peakRight)[k] : 0;
        p.vline(i, kZeroRow - left, kZeroRow - 1, c.channel1);
        p.vline(i, kZeroRow, kZeroRow + right, lower);
    }
    p.fill(0, kZeroRow, width, kZeroRow + 1, c.zeroLine);
}

void drawRuler(StripPainter& p, const WaveScene& s)
{
    const WaveColors& c = s.colors;
    p.fill(0, kRulerTop, s.columnCount, kWaveRows, c.rulerBackground);
    if (s.zoom == 0)
        return;
    // Single precision on purpose: the ticks fall where the sum of steps puts them.
    const float step = static_cast<float>(s.sampleRate * 10u) / static_cast<float>(s.zoom);
    if (!(step > 0.0f))
        return;
    float x = 0.0f;
    for (std::uint32_t t = 0; t < s.durationSeconds; t += 10) {
        const auto column = static_cast<std::int64_t>(x);
        if (column >= p.last())
            break;  // the ticks only move right
        if (t % 20 != 0) {
            p.vline(column, kRulerTop, kRulerTop + 2, c.rulerTicks);
        } else {
            p.vline(column, kRulerTop, kRulerTop + 5, c.rulerTicks);
            p.text(column + 2, 208, FormatTime(t), c.rulerLabels);
        }
        x += step;
        if (t > UINT32_MAX - 10)
            break;
    }
}

void drawMarker(StripPainter& p, const WaveScene& s, const WaveMarker& marker, const QColor& color)
{
    const std::int64_t column = marker.column;
    p.vline(column, 0, 200, color);
    const std::int64_t left = column > static_cast<std::int64_t>(s.columnCount) - kLabelReserve ? column - 46 : column + 2;
    p.text(left, 2, FormatTime(marker.seconds), color);
}

}  // namespace

std::string FormatTime(std::int64_t seconds)
{
    return seconds <= 0 ? durationText(0)
                        : durationText(static_cast<std::uint32_t>(std::min<std::int64_t>(seconds, UINT32_MAX)));
}

void drawWaveView(QImage& image, std::uint32_t firstColumn, const WaveScene& scene)
{
    if (image.isNull())
        return;
    StripPainter painter(image, firstColumn, scene.columnCount);
    painter.painter().setFont(scene.font);
    drawWave(painter, scene);
    drawRuler(painter, scene);
    drawMarker(painter, scene, scene.start, scene.colors.start);
    drawMarker(painter, scene, scene.finish, scene.colors.finish);
    drawMarker(painter, scene, scene.cursor, scene.colors.cursor);
}

}  // namespace tw
