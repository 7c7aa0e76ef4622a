#pragma once
// The modal progress dialog "Wait, please..." with its progress bar and "&Cancel" button, and
// the worker thread that runs one work behind it: the one body of the program's progress
// dialog and of the plug-ins' own. Each of them derives its dialog and its worker from these,
// giving its sizes, its results, its abort question box and its way of keeping the progress.
//
// Showing the dialog starts the work on the worker. The work moves the progress through the
// worker (it never touches a widget) and polls IsTerminated() where it may stop, holding no
// lock that the user-interface thread may need, since the poll may wait while the user is
// asked whether to abort (platform/core/AbortQuestion.h). The dialog watches the worker from
// the user-interface thread with a short timer. When exec() returns no worker is left, so the
// caller may free the dialog and every buffer the work writes at once.
//
// A library of its own (morvane_progress_dialog: Qt Widgets and the header-only worker and
// question of platform/core), which the program takes with the platform's GUI half and which
// a plug-in links statically, so that it takes nothing of the program at run time.

#include <QDialog>
#include <QRect>
#include <QSize>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/core/AbortQuestion.h"
#include "platform/core/Progress.h"
#include "platform/core/WorkerThread.h"

class QProgressBar;
class QPushButton;
class QTimer;

namespace platform {

//! The abort question's text and caption.
inline constexpr const char* AbortQuestionText = "Do you want to abort process";
inline constexpr const char* AbortQuestionCaption = "Noise";

//! The worker thread of a progress dialog: runs one work once. It is also the
//! progress-and-stop interface that the work receives; it keeps the range and position the
//! work sets (a worker may hand them on elsewhere instead).
class TProgressWorker : public IProgress, public WorkerThread {
public:
    //! The work; its answer is kept.
    using TBody = std::function<int()>;

    TProgressWorker() = default;
    //! Asks a still running work to stop and waits until it has ended.
    ~TProgressWorker() override;
    TProgressWorker(const TProgressWorker&) = delete;
    TProgressWorker& operator=(const TProgressWorker&) = delete;

    //! Runs `body` on the thread, then `ended` (optional) on the same thread as its last
    //! action, once Finished() has become true. A second call does nothing. An exception of
    //! the body ends the work; the thread still ends normally and Failed() tells.
    void Run(TBody body, std::function<void()> ended = nullptr);
    //! True when the work ended by an exception.
    bool Failed() const;
    //! The work's answer (0 until it has returned, and after an exception).
    int ReturnValue() const;
    //! The range and position kept here.
    ProgressValues Progress() const;

    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    int Position() const override;
    //! Same as IsTerminated().
    bool StopRequested() override { return IsTerminated(); }

private:
    mutable std::mutex mutex_; // guards what follows
    ProgressValues progress_;
    bool failed_ = false;
    int returnValue_ = 0;
};

//! What tells one progress dialog from another.
struct TProgressLook {
    //! How the dialog is centred on the desktop when shown: its top-left corner at the
    //! desktop's centre less half its frame's size, or its frame's centre point
    //! (QRect::center) on the desktop's.
    enum class TCentring { HalfFrameSize, FrameCentre };

    QSize Size;           //!< fixed client size
    QRect Bar;            //!< the progress bar's place
    QRect Button;         //!< "&Cancel"'s place
    int DoneResult = 1;   //!< the modal result of a work that ended by itself
    int CancelResult = 0; //!< after a confirmed abort, or a loop left otherwise
    TCentring Centring = TCentring::HalfFrameSize;
};

//! The modal progress dialog "Wait, please..." (object name "ProgressForm").
class TProgressDialog : public QDialog {
    Q_OBJECT
public:
    TProgressDialog(QWidget* owner, const TProgressLook& look);
    //! Asks a still running worker to stop and waits for it before anything is freed.
    ~TProgressDialog() override;

    QProgressBar* ProgressBar;
    QPushButton* btCancel;

    //! Shows the dialog modally: the look's DoneResult once the work ran to its end, its
    //! CancelResult after a confirmed abort (or when the loop was left otherwise). No
    //! worker is left on return.
    int exec() override;

public slots:
    //! The "&Cancel" button: the abort question, unless the work has ended.
    void btCancelClick();
    //! Esc acts as "&Cancel".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    //! The worker of the work, started; null when there is nothing to run (the dialog then
    //! waits until the user closes it). Asked once, when the dialog is first shown.
    virtual std::unique_ptr<TProgressWorker> NewWorker() = 0;
    //! Asks the abort question; true for Yes. May run a nested event loop.
    virtual bool AskAbort() = 0;
    //! Run after a confirmed abort.
    virtual void RunAbortRoutine() {}
    //! The progress to show; by default the running worker's, none without one.
    virtual std::optional<ProgressValues> ShownProgress() const;
    //! After the bar has taken `values`.
    virtual void ProgressShown(const ProgressValues& values) { (void)values; }
    //! The worker has returned, just before it goes.
    virtual void WorkerReturned(const TProgressWorker& worker) { (void)worker; }

    //! The running worker, or null (before the start and after its end).
    TProgressWorker* Worker() const { return worker_.get(); }
    //! The worker's end, on the user-interface thread: once the worker has returned, the
    //! last progress is shown, the worker goes and the dialog closes (or the question's
    //! answer decides). Nothing while the worker still runs.
    void WorkerEnd();
    //! The bar (and whatever ProgressShown adds) follows ShownProgress().
    void ShowProgress();
    //! Stops a worker that still runs and waits for it; it goes. A dialog whose worker
    //! uses members of its own class calls it in its destructor.
    void StopWorker();

private:
    void FormShow();
    void PollWorker();

    const TProgressLook look_;
    std::unique_ptr<TProgressWorker> worker_;
    QTimer* workerPoll_;     // carries the worker's progress and its end to this thread
    bool started_ = false;   // the work has been started (a dialog runs one work once)
    AbortQuestion question_; // closing: the abort question and the worker's end
};

} // namespace platform
