#include "ui/FormStyle.h"

#include <QDialog>
#include <QLabel>

#include <algorithm>

namespace tw {

void setUpDialog(QDialog& dialog, int clientWidth, int clientHeight, bool closable)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closable)
        flags |= Qt::WindowCloseButtonHint;
    dialog.setWindowFlags(flags);
    dialog.setFixedSize(clientWidth, clientHeight);
    dialog.setModal(true);
}

void place(QWidget& widget, int left, int top, int width, int height)
{
    const QSize hint = widget.sizeHint();
    widget.setGeometry(left, top, width >= 0 ? width : hint.width(), height >= 0 ? height : hint.height());
}

void placeRow(QLabel& label, QWidget& control, int top, int left, int width, int height)
{
    constexpr int kLabelLeft = 16;
    constexpr int kGap = 4;
    const int labelWidth = label.sizeHint().width();
    const int labelHeight = label.sizeHint().height();
    label.setGeometry(kLabelLeft, top + (height - labelHeight) / 2, labelWidth, labelHeight);
    const int x = std::max(left, kLabelLeft + labelWidth + kGap);
    control.setGeometry(x, top, width - (x - left), height);
}

}  // namespace tw
