#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <csignal>
#include <cstdlib>

#include "core/TerminationSignals.h"

namespace {

// Runs in a child process: leaving every event loop would disturb the
// other tests of this program. The signal arrives in a nested (modal) loop;
// the loops begun after it end as well.
[[noreturn]] void quitsOn(int signal)
{
    tw::TerminationSignals::holdBack();
    tw::TerminationSignals quit;
    bool told = false;
    QObject::connect(&quit, &tw::TerminationSignals::terminationRequested, [&told] { told = true; });
    QTimer::singleShot(0, [signal] { std::raise(signal); });
    QTimer::singleShot(10000, [] { std::_Exit(2); });  // a loop never ended
    QEventLoop modal;
    modal.exec();
    QEventLoop later;
    later.exec();
    QCoreApplication::exec();
    std::_Exit(told && quit.wasReceived() ? 42 : 3);
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
