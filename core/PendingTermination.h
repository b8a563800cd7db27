// SIGINT, SIGTERM and SIGHUP for a program without an event loop: once they
// are held back (TerminationSignals::holdBack), a long step asks between its
// blocks whether one has arrived.
#pragma once

#ifdef __linux__
#include <csignal>
#endif

namespace tw {

#ifdef __linux__
// The signals that end the program cleanly.
sigset_t terminationSignalSet();
#endif

class PendingTermination {
public:
    PendingTermination();
    ~PendingTermination();
    PendingTermination(const PendingTermination&) = delete;
    PendingTermination& operator=(const PendingTermination&) = delete;

    // The number of the first signal that arrived, or 0.
    int received() const;

private:
    int fd_ = -1;
    mutable int signal_ = 0;
};

}  // namespace tw
