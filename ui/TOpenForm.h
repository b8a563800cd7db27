// Progress window of the open: decoding, then loading the overview.
#pragma once

#include <QDialog>

#include "ui/WindowProgress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace tw {

class TOpenForm final : public QDialog {
    Q_OBJECT
public:
    explicit TOpenForm(QWidget* parent);

    QLabel* Label1;
    QProgressBar* ProgressBar1;
    QLabel* Label2;
    QProgressBar* ProgressBar2;
    QPushButton* ButtonCancel;

    // Bars 0 and 1; Cancel raises its stop request.
    WindowProgress& progress() { return progress_; }

    // Raises the stop request; closes with mrCancel unless the body is still
    // running (it then closes the window itself).
    void ButtonCancelClick();
    void reject() override { ButtonCancelClick(); }

private:
    WindowProgress progress_;
};

}  // namespace tw
