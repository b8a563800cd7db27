#include "core/TerminationSignals.h"

#include "core/PendingTermination.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#ifdef __linux__
#include <csignal>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>
#endif

namespace tw {

#ifdef __linux__
void TerminationSignals::holdBack()
{
    const sigset_t set = terminationSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    const sigset_t set = terminationSignalSet();
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) {
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);  // at least they end the program
        return;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::received);
}

TerminationSignals::~TerminationSignals()
{
    if (notifier_)
        notifier_->setEnabled(false);
    if (fd_ >= 0)
        ::close(fd_);
}

void TerminationSignals::received()
{
    signalfd_siginfo info{};
    while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (signal_ == 0)
            signal_ = static_cast<int>(info.ssi_signo);
    }
    QCoreApplication::exit(0);
    if (received_)
        return;
    received_ = true;
    // A loop that begins after this one is left as soon as it runs.
    quitting_ = new QTimer(this);
    quitting_->setInterval(10);
    connect(quitting_, &QTimer::timeout, this, [] { QCoreApplication::exit(0); });
    quitting_->start();
    emit terminationRequested();
}
bool TerminationSignals::endsSession() const
{
    return signal_ == SIGTERM || signal_ == SIGHUP;
}
#else
bool TerminationSignals::endsSession() const
{
    return false;
}
void TerminationSignals::holdBack() {}
TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}
TerminationSignals::~TerminationSignals() = default;
void TerminationSignals::received() {}
#endif

}  // namespace tw
