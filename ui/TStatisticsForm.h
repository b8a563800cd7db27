// The Statistics window: the range's figures, one a line, and Copy, which
// puts them on the system clipboard, and Close.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace tw {

class TStatisticsForm final : public QDialog {
    Q_OBJECT
public:
    explicit TStatisticsForm(QWidget* parent);

    static constexpr auto kCaption = "Statistics";
    static constexpr auto kCopy = "Copy";
    static constexpr auto kClose = "Close";
    static constexpr auto kChannel = "channel";  // "Peak (channel 1)"

    QPlainTextEdit* Memo1;
    QPushButton* ButtonCopy;
    QPushButton* ButtonClose;

    void setText(const QString& text);
};

}  // namespace tw
