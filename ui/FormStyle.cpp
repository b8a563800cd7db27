#include "ui/FormStyle.h"

#include "ui/ModalResult.h"

#include <QDialog>
#include <QFrame>
#include <QPushButton>
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

void placeOkCancel(QDialog& dialog, QFrame& bevel, QPushButton& ok, QPushButton& cancel, int y)
{
    bevel.setFrameShape(QFrame::HLine);
    bevel.setFrameShadow(QFrame::Sunken);
    ok.setDefault(true);
    place(bevel, 8, y, 225, 2);
    place(ok, 24, y + 9, 75, 25);
    place(cancel, 134, y + 9, 75, 25);
    QObject::connect(&ok, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(mrOk); });
    QObject::connect(&cancel, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(mrCancel); });
}

}  // namespace tw
