#pragma once
// The plug-in's progress dialog "Wait, please..." with its percentage, and the worker
// thread that runs the analysis behind it (both built on platform/gui/ProgressDialog.h,
// which the plug-in links statically).
//
// The run creates the dialog over the program's main window, gives it its work and its
// abort routine and runs it modally (Dialogs().Exec). Showing the dialog starts the work
// on a TProgressThread. The work moves the progress (TProgressForm::SetPosition, from its
// own thread) and polls IsTerminated() before every level. Closing the dialog before the
// work is done, by its close box or "&Cancel", holds the work at its next poll and asks
// "Do you want to abort process": No lets it go on; Yes stops it, and the dialog closes
// with mrCancel only once the worker has ended. A finished work closes the dialog with
// mrOk. Either way no worker is left when the modal run returns.

#include <QString>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/gui/ProgressDialog.h"

class QLabel;

namespace quindle {

class TProgressForm;

//! The worker thread: runs one work once. It is also the progress-and-stop interface that
//! the work receives.
class TProgressThread final : public platform::TProgressWorker {
public:
    //! The work as a plain function taking the worker thread; its answer is kept.
    using TWorkFunction = int (*)(TProgressThread* thread);
    //! The work as a closure, run when no plain function is given.
    using TWorkClosure = std::function<int(TProgressThread* thread)>;

    //! Created suspended; Start() lets it run. `form` receives the progress (may be null).
    TProgressThread(TWorkFunction function, TProgressForm* form, TWorkClosure closure);
    //! Asks a running work to stop and waits until it has ended.
    ~TProgressThread() override;
    TProgressThread(const TProgressThread&) = delete;
    TProgressThread& operator=(const TProgressThread&) = delete;

    TProgressForm* const Form;

    //! Lets the thread run. IsTerminated, Terminate, Hold, Release, Finished and WaitFor:
    //! see platform::WorkerThread; Failed (the work ended by an exception, which the thread
    //! caught) and ReturnValue (the work's answer, 0 until it has returned): see
    //! platform::TProgressWorker.
    void Start();

    // The progress goes to the dialog (kept here without one).
    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    int Position() const override;

private:
    const TWorkFunction function_;
    const TWorkClosure closure_;
};

class TProgressForm : public platform::TProgressDialog {
    Q_OBJECT
public:
    using TWorkFunction = TProgressThread::TWorkFunction;
    using TWorkClosure = TProgressThread::TWorkClosure;
    //! Run after a confirmed abort.
    using TAbortFunction = void (*)();

    //! The dialog as a window over `parentWindow` (the program's main window; may be null).
    explicit TProgressForm(QWidget* parentWindow);
    //! Stops and waits for a worker that is still running.
    ~TProgressForm() override;

    QLabel* Label1;

    void SetWork(TWorkFunction function);
    void SetWork(TWorkClosure closure);
    void SetAbort(TAbortFunction function) { abort_ = function; }

    //! Moves the bar to `position`, kept within its range; Label1 then shows the share of
    //! the range done, rounded, followed by "%". Callable from the worker thread: the bar and
    //! the label follow on the user-interface thread.
    void SetPosition(int position);
    //! The bar's maximum (its minimum stays).
    void SetMax(int maximum);
    void SetRange(int minimum, int maximum);
    //! The position as kept, after clamping.
    int Position() const;
    //! The text of Label1 for a position within a range: "0%" .. "100%".
    static QString Percent(const platform::ProgressValues& values);

    //! After the modal run: whether the work ended by an exception, and its answer.
    bool WorkFailed() const { return workFailed_; }
    int WorkResult() const { return workResult_; }

    // exec(): mrOk once the work has ended by itself, mrCancel after a confirmed abort (or
    // when the loop was left otherwise). No worker is left on return.

public slots:
    //! The worker's end, on the user-interface thread.
    void ThreadDone() { WorkerEnd(); }

protected:
    std::unique_ptr<platform::TProgressWorker> NewWorker() override;
    bool AskAbort() override;
    void RunAbortRoutine() override;
    std::optional<platform::ProgressValues> ShownProgress() const override;
    void ProgressShown(const platform::ProgressValues& values) override;
    void WorkerReturned(const platform::TProgressWorker& worker) override;

private:
    TWorkFunction function_ = nullptr;
    TWorkClosure closure_;
    TAbortFunction abort_ = nullptr;
    mutable std::mutex progressMutex_;
    platform::ProgressValues progress_;
    bool workFailed_ = false;
    int workResult_ = 0;
};

}  // namespace quindle
