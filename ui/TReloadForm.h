// Progress window of the overview rebuild after a zoom change. No cancel.
#pragma once

#include <QDialog>

#include "ui/WindowProgress.h"

class QProgressBar;

namespace tw {

class TReloadForm final : public QDialog {
    Q_OBJECT
public:
    explicit TReloadForm(QWidget* parent);

    QProgressBar* ProgressBar1;

    WindowProgress& progress() { return progress_; }
    // Only the body closes it.
    void reject() override {}

private:
    WindowProgress progress_;
};

}  // namespace tw
