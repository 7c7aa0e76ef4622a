#pragma once
// The modal progress dialog and the worker thread that runs one work routine behind it.
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

#include <QDialog>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/core/AbortQuestion.h"
#include "platform/core/Progress.h"
#include "platform/core/WorkerThread.h"

class QProgressBar;
class QPushButton;
class QTimer;
class TProgressForm;

//! The worker thread of the progress dialog: runs one work routine once. It is also the
//! progress-and-stop interface that the routine receives.
class TProgressThread final : public platform::IProgress, public platform::WorkerThread {
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
    //! Hold, Release, IsHeld, Finished and WaitFor: see platform::WorkerThread.
    void Start();
    //! The current range and position.
    platform::ProgressValues Progress() const;

    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    int Position() const override;
    //! Same as IsTerminated().
    bool StopRequested() override { return IsTerminated(); }

private:
    void Execute();

    mutable std::mutex mutex_; // guards progress_
    platform::ProgressValues progress_;
};

//! The modal progress dialog "Wait, please..." with its progress bar and "&Cancel" button.
class TProgressForm : public QDialog {
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

    QProgressBar* ProgressBar;
    QPushButton* btCancel;

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
    TProgressThread* RunningWorker() const { return Worker.get(); }

    //! Shows the dialog modally. Accepted: the work ran to its end; Rejected: the user
    //! confirmed the abort (or the loop was left otherwise). No worker is left on return.
    int exec() override;

public slots:
    //! The "&Cancel" button: asks to close with Cancel, which leads to the abort question.
    void btCancelClick();
    //! The worker's end handler, on the user-interface thread: called once the worker has
    //! returned.
    void ThreadTerminated();
    //! Esc acts as "&Cancel".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    //! The user closes the dialog: the abort question, unless the work has ended.
    void FormClose();
    void PollWorker();
    void UpdateProgressBar();
    void RunAbortRoutine();
    //! Ends the modal run: Accepted once the work has ended by itself, else Rejected.
    void Finish(bool workDone);

    std::unique_ptr<TProgressThread> Worker;
    QTimer* workerPoll_; // carries the worker's progress and its end to this thread
    bool started_ = false;   // the work has been started (a dialog runs one work once)
    platform::AbortQuestion question_; // closing: the abort question and the worker's end
};
