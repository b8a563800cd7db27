// Progress window shared by the edits: pass 1 changes the samples, pass 2
// rebuilds the overview. No cancel.
#pragma once

#include <QDialog>

#include "ui/WindowProgress.h"

class QLabel;
class QProgressBar;

namespace tw {

class TProcessForm final : public QDialog {
    Q_OBJECT
public:
    explicit TProcessForm(QWidget* parent);

    QLabel* Label1;
    QProgressBar* ProgressBar1;
    QLabel* Label2;
    QProgressBar* ProgressBar2;

    WindowProgress& progress() { return progress_; }
    // Only the body closes it.
    void reject() override {}

private:
    WindowProgress progress_;
};

}  // namespace tw
