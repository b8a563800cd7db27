#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdlib>

#include "core/TerminationSignals.h"

namespace {

// Runs in a child process: leaving every event loop would disturb the
// other tests of this program.
[[noreturn]] void quitsOn(int signal)
{
    tw::TerminationSignals::holdBack();
    tw::TerminationSignals quit;
    QTimer::singleShot(0, [signal] { std::raise(signal); });
    QTimer::singleShot(10000, [] { std::_Exit(2); });  // the signal never arrived
    QCoreApplication::exec();
    std::_Exit(42);
}

}  // namespace

#ifdef __linux__
TEST(TerminationSignalsDeathTest, TerminateInterruptAndHangUpLeaveTheEventLoop)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(quitsOn(SIGTERM), testing::ExitedWithCode(42), "");
    EXPECT_EXIT(quitsOn(SIGINT), testing::ExitedWithCode(42), "");
    EXPECT_EXIT(quitsOn(SIGHUP), testing::ExitedWithCode(42), "");
}
#endif
