// A plain drawing surface: what it paints and how it answers the mouse are
// handed in by its owner.
#pragma once

#include <QWidget>

#include <functional>

class QMouseEvent;

namespace tw {

class PaintBox final : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    std::function<void(QPainter&)> onPaint;
    std::function<void(QMouseEvent&)> onMouseDown;
    std::function<void(QMouseEvent&)> onMouseUp;
    std::function<void(QMouseEvent&)> onMouseMove;  // while a button is down

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

}  // namespace tw
