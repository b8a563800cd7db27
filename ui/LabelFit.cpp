#include "ui/LabelFit.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVariant>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace tw {

namespace {

constexpr int kGap = 4;  // between a label's text and the control to its right

// The geometry a widget had when it was first fitted.
QRect madeGeometry(QWidget& widget)
{
    const QVariant kept = widget.property("madeGeometry");
    if (kept.isValid())
        return kept.toRect();
    widget.setProperty("madeGeometry", widget.geometry());
    return widget.geometry();
}

// A frame around or between the controls.
bool isBevel(const QWidget& widget)
{
    return widget.metaObject() == &QFrame::staticMetaObject;
}

struct Control {
    QWidget* widget;
    QRect made;
};

// The nearest control to the right of label whose rows meet its own.
const Control* nextOnRow(const Control& label, const std::vector<Control>& controls)
{
    const Control* next = nullptr;
    for (const Control& c : controls) {
        const bool onRow = c.made.top() <= label.made.bottom() && c.made.bottom() >= label.made.top();
        if (onRow && c.made.left() > label.made.left() && !isBevel(*c.widget) && !c.widget->isHidden() &&
            (!next || c.made.left() < next->made.left()))
            next = &c;
    }
    return next;
}

}  // namespace

void fitLabels(QDialog& dialog)
{
    const QSize made = madeGeometry(dialog).size();
    std::vector<Control> controls;
    for (QWidget* w : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isWindow())
            controls.push_back({w, madeGeometry(*w)});

    // Where each column (the controls made with the same left edge) stands.
    std::map<int, int> column;
    for (const Control& c : controls)
        column[c.made.left()] = c.made.left();

    // Left to right, so that a label moved by another pushes on in its turn.
    std::vector<const Control*> labels;
    for (const Control& c : controls)
        if (qobject_cast<QLabel*>(c.widget))
            labels.push_back(&c);
    std::ranges::sort(labels, {}, [](const Control* c) { return std::pair(c->made.left(), c->made.top()); });
    for (const Control* label : labels) {
        const int textRight = column[label->made.left()] + label->widget->sizeHint().width();
        if (const Control* next = nextOnRow(*label, controls)) {
            int& left = column[next->made.left()];
            left = std::max(left, textRight + kGap);
        }
    }

    // The controls in their columns; the width that keeps each one's right margin.
    int width = made.width();
    for (const Control& c : controls) {
        if (isBevel(*c.widget))
            continue;
        QRect r = c.made;
        r.moveLeft(column[c.made.left()]);
        if (qobject_cast<QLabel*>(c.widget)) {
            const QSize hint = c.widget->sizeHint();
            r.setSize({hint.width(), std::max(r.height(), hint.height())});
        }
        c.widget->setGeometry(r);
        width = std::max(width, r.left() + r.width() + std::max(0, made.width() - c.made.left() - c.made.width()));
    }
    const int wider = width - made.width();
    for (const Control& c : controls) {
        if (isBevel(*c.widget))
            c.widget->setGeometry(c.made.adjusted(0, 0, wider, 0));
        else if (qobject_cast<QPushButton*>(c.widget))
            c.widget->move(c.widget->x() + wider / 2, c.made.top());
    }
    dialog.setFixedSize(width, made.height());
}

}  // namespace tw
