#include "ui/Captions.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>

namespace tw {

QString plainText(const QString& caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&')
                out += caption[++i];
            continue;
        }
        out += caption[i];
    }
    return out;
}

void setCaption(QAbstractButton& button, const QString& caption)
{
    button.setText(caption);
    button.setAccessibleName(plainText(caption));
}

void setCaption(QLabel& label, const QString& caption)
{
    label.setText(caption);
    label.setAccessibleName(plainText(caption));
    // The control it labels is known by the same words.
    if (QWidget* buddy = label.buddy())
        buddy->setAccessibleName(plainText(caption));
}

void setCaption(QAction& action, const QString& caption)
{
    action.setText(caption);
    action.setIconText(plainText(caption));
}

void setCaption(QMenu& menu, const QString& caption)
{
    menu.setTitle(caption);
    menu.setAccessibleName(plainText(caption));
}

void setWindowCaption(QWidget& window, const QString& caption)
{
    window.setWindowTitle(caption);
    window.setAccessibleName(caption);
}

void setHint(QWidget& widget, const QString& hint)
{
    widget.setToolTip(hint);
    const auto* button = qobject_cast<const QAbstractButton*>(&widget);
    if (!button || button->text().isEmpty())
        widget.setAccessibleName(hint);
}

}  // namespace tw
