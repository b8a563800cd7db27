// Ends the program cleanly on SIGINT, SIGTERM and SIGHUP: every event loop is
// left as by a normal quit, so the windows close and the private temporary
// directory is removed.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace tw {

class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    // Call first in main, before any thread starts: the signals are then held
    // back in every thread and only reach the program through the notifier.
    static void holdBack();

    // Needs the application object; does nothing where signals cannot be read.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    void received();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tw
