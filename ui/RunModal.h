// Runs a long step: its worker thread hands the body to the UI thread while
// the step's progress window is up modally.
#pragma once

#include <QDialog>

#include <functional>

#include "core/WorkerThread.h"

namespace tw {

// Starts the worker, shows the dialog modally and returns its result. When
// the dialog closes before the body began, the body is skipped. The thread
// has ended on return.
inline int runModal(QDialog& dialog, WorkerThread& worker)
{
    worker.start();
    const int result = dialog.exec();
    worker.finish();
    return result;
}

template <class Thread = WorkerThread>
int runModal(QDialog& dialog, std::function<void()> body)
{
    // A body that throws still ends its window; the exception goes on to be shown.
    Thread worker([&dialog, body = std::move(body)] {
        try {
            body();
        } catch (...) {
            dialog.done(QDialog::Rejected);
            throw;
        }
    });
    return runModal(dialog, worker);
}

}  // namespace tw
