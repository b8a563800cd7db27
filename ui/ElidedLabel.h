// A one-line label that never asks for the width of its text: what does not
// fit is left out in the middle ("/home/…/song.wav"). text() stays whole.
#pragma once

#include <QLabel>

namespace tw {

class ElidedLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The text as drawn at the present width.
    QString shownText() const;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textRect() const;
};

}  // namespace tw
