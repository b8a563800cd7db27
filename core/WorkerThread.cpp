#include "core/WorkerThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>

namespace tw {

WorkerThread::WorkerThread(std::function<void()> body, QObject* parent)
    : QThread(parent), body_(std::move(body))
{
}

WorkerThread::~WorkerThread()
{
    finish();
}

void WorkerThread::run()
{
    Execute();
}

void WorkerThread::Execute()
{
    Synchronize([this] { runBody(); });
}

void WorkerThread::Synchronize(const std::function<void()>& fn)
{
    QMetaObject::invokeMethod(&uiContext_, fn, Qt::BlockingQueuedConnection);
}

void WorkerThread::runBody()
{
    if (closed_ || !body_)
        return;
    started_ = true;
    body_();
    done_ = true;
}

void WorkerThread::finish()
{
    closed_ = true;
    // The thread may be blocked in its hand-over: deliver only that call
    // (which now returns at once) while waiting, and nothing else.
    while (!wait(QDeadlineTimer(5)))
        QCoreApplication::sendPostedEvents(&uiContext_, QEvent::MetaCall);
}

}  // namespace tw
