// Progress of a long step shown on a progress window's bars; the window's
// Cancel button raises the stop request.
#pragma once

#include <QPointer>
#include <QProgressBar>

#include "core/Progress.h"

namespace tw {

class WindowProgress final : public ThrottledProgress {
public:
    WindowProgress(QProgressBar* bar0, QProgressBar* bar1 = nullptr) : bars_{bar0, bar1} {}

    bool stopRequested() const override { return stop_ || quit_; }
    bool quitting() const override { return quit_; }
    void requestStop() { stop_ = true; }
    void clearStop() { stop_ = false; }
    // The program is ending: stays raised.
    void requestQuit() { quit_ = true; }
    // While a body runs in the window, Cancel only raises the stop request:
    // the window stays up (and the main window blocked) until the body ends.
    void setWorking(bool on) { working_ = on; }
    bool working() const { return working_; }

protected:
    void showBar(int bar, int value) override;
    void pumpNow() override;

private:
    std::array<QPointer<QProgressBar>, 2> bars_;
    bool stop_ = false;
    bool quit_ = false;
    bool working_ = false;
};

}  // namespace tw
