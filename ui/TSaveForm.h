// Progress window of Save and Save As; Cancel closes it with mrAbort and
// raises the stop request of the export.
#pragma once

#include <QDialog>

#include "ui/WindowProgress.h"

class QProgressBar;
class QPushButton;

namespace tw {

class TSaveForm final : public QDialog {
    Q_OBJECT
public:
    explicit TSaveForm(QWidget* parent);

    QProgressBar* ProgressBar1;
    QPushButton* ButtonCancel;

    WindowProgress& progress() { return progress_; }

    void ButtonCancelClick();
    void reject() override { ButtonCancelClick(); }

private:
    WindowProgress progress_;
};

}  // namespace tw
