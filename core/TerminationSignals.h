// Ends the program cleanly on SIGINT, SIGTERM and SIGHUP: every event loop is
// left as by a normal quit, and so is every loop begun afterwards (a message
// box or progress window that a step still opens on its way out), so that
// the program reaches its end and the private temporary directory is removed
// (kept, after a logout, where it holds unsaved work).
#pragma once

#include <QObject>

class QSocketNotifier;
class QTimer;

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

    // A signal has arrived: the program must not start its main loop or any
    // further work.
    bool wasReceived() const { return received_; }
    // The first signal that arrived (0 for none).
    int signal() const { return signal_; }
    // It ends a session (SIGTERM, SIGHUP: a logout or shutdown) rather than
    // being the user's own quit (SIGINT).
    bool endsSession() const;

signals:
    // Emitted once, when the first signal arrives.
    void terminationRequested();

private:
    void received();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* quitting_ = nullptr;
    bool received_ = false;
    int signal_ = 0;
};

}  // namespace tw
