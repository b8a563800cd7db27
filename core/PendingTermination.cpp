#include "core/PendingTermination.h"

#ifdef __linux__
#include <sys/signalfd.h>
#include <unistd.h>
#endif

namespace tw {

#ifdef __linux__
sigset_t terminationSignalSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

PendingTermination::PendingTermination()
{
    const sigset_t set = terminationSignalSet();
    fd_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

PendingTermination::~PendingTermination()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int PendingTermination::received() const
{
    signalfd_siginfo info{};
    while (signal_ == 0 && fd_ >= 0 && ::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        signal_ = static_cast<int>(info.ssi_signo);
    return signal_;
}
#else
PendingTermination::PendingTermination() = default;
PendingTermination::~PendingTermination() = default;
int PendingTermination::received() const { return 0; }
#endif

}  // namespace tw
