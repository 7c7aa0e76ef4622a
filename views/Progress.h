#pragma once
// The modal progress dialog and the worker thread that runs one work routine behind it
// (both built on platform/gui/ProgressDialog.h).
//
// The caller creates a TProgressForm, gives it its work (SetWork) and runs exec(). Showing
// the dialog starts the work on a TProgressThread. The work moves the progress through the
// thread (it never touches a widget) and polls IsTerminated() between its rows, holding no
// lock that the user-interface thread may need, since the poll may wait while the user is
// asked whether to abort. The dialog watches the thread from the user-interface thread with
// a short timer, so the two threads share nothing but the thread's mutex-guarded state.
// exec() returns QDialog::Accepted when the work ran to its end and QDialog::Rejected when
// the user confirmed the abort; either way the worker has ended by then, so the caller may
// free the dialog and every buffer the work writes at once.

#include <functional>
#include <memory>

#include "platform/gui/ProgressDialog.h"

class TProgressForm;

//! The worker thread of the progress dialog: runs one work routine once. It is also the
//! progress-and-stop interface that the routine receives.
class TProgressThread final : public platform::TProgressWorker {
public:
    //! The work as a plain routine taking the worker thread.
    using TWorkFunction = void (*)(TProgressThread* thread);
    //! The work as a bound routine (an object and one of its methods) taking the thread.
    using TWorkMethod = std::function<void(TProgressThread* thread)>;

    //! Creates the thread suspended; Start() lets it run. WorkFunction is run when set,
    //! otherwise WorkMethod. `form` is the dialog that started it (may be null).
    TProgressThread(TWorkFunction function, TProgressForm* form, TWorkMethod method);
    //! Asks a still running work to stop and waits until it has ended.
    ~TProgressThread() override;
    TProgressThread(const TProgressThread&) = delete;
    TProgressThread& operator=(const TProgressThread&) = delete;

    const TWorkMethod WorkMethod;
    const TWorkFunction WorkFunction;
    TProgressForm* const Form;

    //! Called on the worker thread as its last action, after the work has returned and
    //! Finished() has become true. Optional; set before Start().
    std::function<void()> OnTerminate;

    //! Lets the suspended thread run; a second call does nothing. IsTerminated, Terminate,
    //! Hold, Release, IsHeld, Finished and WaitFor: see platform::WorkerThread; Progress,
    //! SetRange, SetPosition, Position and StopRequested: see platform::TProgressWorker.
    void Start();
};

//! The modal progress dialog "Wait, please..." with its progress bar and "&Cancel" button.
class TProgressForm : public platform::TProgressDialog {
    Q_OBJECT
public:
    using TWorkFunction = TProgressThread::TWorkFunction;
    using TWorkMethod = TProgressThread::TWorkMethod;
    //! Run after a confirmed abort: a plain routine taking the dialog.
    using TAbortFunction = void (*)(TProgressForm* form);
    //! Run after a confirmed abort when no AbortFunction is set: a bound routine.
    using TAbortMethod = std::function<void(TProgressForm* form)>;

    //! Creates the dialog with no worker; `owner` is the window that runs the work.
    explicit TProgressForm(QWidget* owner = nullptr);
    //! Asks a still running worker to stop and waits for it before anything is freed.
    ~TProgressForm() override;

    // The work and the abort routine; all empty at creation. Set them before exec().
    TWorkFunction WorkFunction = nullptr;
    TWorkMethod WorkMethod;
    TAbortFunction AbortFunction = nullptr;
    TAbortMethod AbortMethod;

    //! WorkMethod = `method`; WorkFunction is cleared.
    void SetWork(TWorkMethod method);
    //! WorkMethod = the object's method; WorkFunction is cleared. The object must outlive
    //! the modal run.
    template <class T> void SetWork(void (T::*method)(TProgressThread*), T* object)
    {
        SetWork(
            TWorkMethod([object, method](TProgressThread* thread) { (object->*method)(thread); }));
    }

    //! The running worker, or null (before the start and after its end).
    TProgressThread* RunningWorker() const { return static_cast<TProgressThread*>(Worker()); }

    // exec(): Accepted when the work ran to its end; Rejected when the user confirmed the
    // abort (or the loop was left otherwise). No worker is left on return.

public slots:
    //! The worker's end handler, on the user-interface thread: called once the worker has
    //! returned.
    void ThreadTerminated() { WorkerEnd(); }

protected:
    std::unique_ptr<platform::TProgressWorker> NewWorker() override;
    bool AskAbort() override;
    void RunAbortRoutine() override;
};
