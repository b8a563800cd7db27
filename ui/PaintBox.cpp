#include "ui/PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace tw {

void PaintBox::paintEvent(QPaintEvent*)
{
    if (!onPaint)
        return;
    QPainter painter(this);
    onPaint(painter);
}

void PaintBox::mousePressEvent(QMouseEvent* event)
{
    if (onMouseDown)
        onMouseDown(*event);
    else
        QWidget::mousePressEvent(event);
}

void PaintBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (onMouseUp)
        onMouseUp(*event);
    else
        QWidget::mouseReleaseEvent(event);
}

void PaintBox::mouseMoveEvent(QMouseEvent* event)
{
    if (onMouseMove)
        onMouseMove(*event);
    else
        QWidget::mouseMoveEvent(event);
}

}  // namespace tw
