#include "ui/FormStyle.h"

#include <QDialog>

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

}  // namespace tw
