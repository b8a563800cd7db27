#include "ui/FormStyle.h"

#include <QDialog>
#include <QLabel>

namespace tw {

void setUpDialog(QDialog& dialog, int clientWidth, int clientHeight, bool closable)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closable)
        flags |= Qt::WindowCloseButtonHint;
    dialog.setWindowFlags(flags);
    // Laid out in its owner's face, which the language's font later replaces.
    if (const QWidget* owner = dialog.parentWidget())
        dialog.setFont(owner->font());
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
    const QSize hint = label.sizeHint();
    label.setGeometry(kLabelLeft, top + (height - hint.height()) / 2, hint.width(), hint.height());
    control.setGeometry(left, top, width, height);
}

}  // namespace tw
