#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include "core/WorkerThread.h"

namespace {

// Stands in for a progress window's modal loop: runs events until closed.
class FakeModal {
public:
    int exec() { return loop_.exec(); }
    void done(int result) { loop_.exit(result); }

private:
    QEventLoop loop_;
};

// Holds its hand-over back until the test lets it go.
class GatedThread final : public tw::WorkerThread {
public:
    using tw::WorkerThread::WorkerThread;
    QSemaphore gate;

protected:
    void Execute() override
    {
        gate.acquire();
        tw::WorkerThread::Execute();
    }
};

}  // namespace

TEST(WorkerThread, BodyRunsOnTheUiThreadInsideTheModalLoop)
{
    FakeModal modal;
    QThread* bodyThread = nullptr;
    bool loopRunning = false;
    tw::TOpenThread worker([&] {
        bodyThread = QThread::currentThread();
        loopRunning = true;
        modal.done(1);
    });
    worker.start();
    const int result = modal.exec();
    worker.finish();
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(loopRunning);
    EXPECT_EQ(bodyThread, QCoreApplication::instance()->thread());
    EXPECT_TRUE(worker.bodyStarted());
    EXPECT_TRUE(worker.bodyFinished());
    EXPECT_TRUE(worker.isFinished());
}

TEST(WorkerThread, BodyMayPumpEventsAndKeepTheTimerGoing)
{
    FakeModal modal;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    tw::WorkerThread worker([&] {
        QEventLoop wait;
        QTimer::singleShot(30, &wait, &QEventLoop::quit);
        wait.exec();  // as a body's processEvents would
        modal.done(1);
    });
    worker.start();
    modal.exec();
    worker.finish();
    EXPECT_GT(ticks, 0);
}

TEST(WorkerThread, DialogClosedBeforeTheBodyStartsSkipsIt)
{
    FakeModal modal;
    bool ran = false;
    GatedThread worker([&] { ran = true; });
    worker.start();
    // The window closes (Cancel) before the thread has handed anything over.
    QTimer::singleShot(0, [&] { modal.done(2); });
    const int result = modal.exec();
    worker.gate.release();
    worker.finish();  // serves the late hand-over without running the body
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(worker.bodyStarted());
    EXPECT_TRUE(worker.isFinished());
}

TEST(WorkerThread, NeverLeavesARunningThreadBehind)
{
    bool ran = false;
    {
        GatedThread worker([&] { ran = true; });
        worker.start();
        QThread::msleep(5);
        ASSERT_TRUE(worker.isRunning());
        worker.gate.release();
        // Destroyed while its hand-over is on the way: must neither hang,
        // abort for a running thread, nor run the body afterwards.
    }
    EXPECT_FALSE(ran);
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(ran);
}

TEST(WorkerThread, FinishWithoutStartIsHarmless)
{
    bool ran = false;
    tw::WorkerThread worker([&] { ran = true; });
    worker.finish();
    worker.finish();
    EXPECT_FALSE(ran);
}
