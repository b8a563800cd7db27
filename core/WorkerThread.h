// A long step's thread: its only act is to hand the body to the UI thread with
// a blocking call and wait. The body runs on the UI thread inside the modal
// loop of the step's progress window, so the document is only ever touched
// there.
//
// Create it on the UI thread, start() it, run the progress window's modal
// loop, then finish(). A body that has not begun by finish() is skipped.
#pragma once

#include <QObject>
#include <QThread>

#include <functional>

namespace tw {

class WorkerThread : public QThread {
    Q_OBJECT
public:
    explicit WorkerThread(std::function<void()> body, QObject* parent = nullptr);
    ~WorkerThread() override;  // finish()es

    // UI thread only: from now on the body no longer starts; returns when the
    // thread has ended (the hand-over it may be waiting in is served here).
    void finish();

    // UI thread only.
    bool bodyStarted() const { return started_; }
    bool bodyFinished() const { return done_; }

protected:
    void run() final;
    // What the thread does; by default hands the body over.
    virtual void Execute();
    // Runs fn on the UI thread and waits until it has returned.
    void Synchronize(const std::function<void()>& fn);

private:
    void runBody();

    std::function<void()> body_;
    QObject uiContext_;  // lives in the UI thread; the hand-over's receiver
    bool closed_ = false;
    bool started_ = false;
    bool done_ = false;
};

// The open body's thread.
class TOpenThread final : public WorkerThread {
    Q_OBJECT
public:
    using WorkerThread::WorkerThread;
};

// The reload body's thread (the overview at a new zoom).
class TReloadThread final : public WorkerThread {
    Q_OBJECT
public:
    using WorkerThread::WorkerThread;
};

// The edits' and the save's threads, one class per command, all alike.
template <class Edit>
class EditThread final : public WorkerThread {
public:
    using WorkerThread::WorkerThread;
};
using TDelThread = EditThread<struct DeleteEdit>;
using TCutOutThread = EditThread<struct CutOutEdit>;
using TFadeInThread = EditThread<struct FadeInEdit>;
using TFadeOutThread = EditThread<struct FadeOutEdit>;
using TSetVolumeThread = EditThread<struct VolumeEdit>;
using TNormalizeThread = EditThread<struct NormalizeEdit>;
using TCopyThread = EditThread<struct CopyStep>;
using TCutThread = EditThread<struct CutEdit>;
using TPasteThread = EditThread<struct PasteEdit>;
using TUndoThread = EditThread<struct UndoStep>;
using TRedoThread = EditThread<struct RedoStep>;
using TSaveThread = EditThread<struct SaveStep>;
using TEffectThread = EditThread<struct EffectEdit>;
using TStatisticsThread = EditThread<struct StatisticsStep>;

}  // namespace tw
