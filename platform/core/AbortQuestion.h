#pragma once
// How a progress dialog closes: a work that ends by itself closes it as done; a user who
// closes it before then (close box, "&Cancel", Esc) is asked whether to abort while the
// work is held at its next poll. No lets the work go on; Yes asks it to stop, runs the
// dialog's abort routine, and the dialog closes as cancelled only once the work has ended.
// A work that ends while the question is open leaves the decision to the answer. The
// progress dialogs of the program and of the plug-ins each have their own window, question
// box and results, and share this logic. Header only, so that a plug-in builds it into
// itself without linking anything of the program.

#include <functional>
#include <utility>

#include "platform/core/WorkerThread.h"

namespace platform {

class AbortQuestion {
public:
    struct Actions {
        //! The worker that runs now, or null (none started, or it has ended and is gone).
        std::function<WorkerThread*()> Worker;
        //! Asks the abort question; true for Yes. May run a nested event loop.
        std::function<bool()> Ask;
        //! The dialog's abort routine, run after Yes (optional).
        std::function<void()> Abort;
        //! Ends the dialog's modal run: `done` after the work ended by itself, else cancelled.
        std::function<void(bool done)> Close;
    };

    explicit AbortQuestion(Actions actions) : actions_(std::move(actions)) {}

    //! The user closes the dialog.
    void UserCloses()
    {
        if (closedDone_) {
            actions_.Close(true);  // the work has ended: just close
            return;
        }
        if (asking_ || aborting_)
            return;  // the question is open, or the stop is under way and closes the dialog
        asking_ = true;
        if (WorkerThread* worker = actions_.Worker())
            worker->Hold();
        const bool yes = actions_.Ask();
        asking_ = false;
        // The worker may have ended while the question was open.
        WorkerThread* worker = actions_.Worker();
        if (yes) {
            aborting_ = true;
            if (worker)
                worker->Terminate();
            if (actions_.Abort)
                actions_.Abort();
            if (!worker)
                Finish(false);
            // otherwise WorkEnded closes the dialog once the worker has ended
            return;
        }
        if (worker)
            worker->Release();
        else if (workEnded_)
            Finish(true);  // the work ended while the question was open
    }

    //! The worker has returned and is gone.
    void WorkEnded()
    {
        workEnded_ = true;
        if (!asking_)
            Finish(!aborting_);
    }

    //! True while the question is open.
    bool Asking() const { return asking_; }

private:
    void Finish(bool done)
    {
        closedDone_ = done;
        actions_.Close(done);
    }

    Actions actions_;
    bool asking_ = false;
    bool aborting_ = false;
    bool workEnded_ = false;
    bool closedDone_ = false;
};

}  // namespace platform
