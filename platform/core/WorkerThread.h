#pragma once
// One worker thread that runs one piece of work once, with a stop request and a hold: its
// owner may hold the work at its next stopping point (while the user is asked whether to
// stop it), then release it or ask it to stop. The worker threads of the progress dialogs
// of the program and of the plug-ins derive from it. Header only, so that a plug-in builds it into itself
// without linking anything of the program.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class WorkerThread {
public:
    WorkerThread() = default;
    //! Asks a running work to stop and waits until it has ended. (A class that derives
    //! from it and whose members the work uses does the same in its own destructor.)
    ~WorkerThread()
    {
        Terminate();
        WaitFor();
    }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    //! Runs `work` on a new thread, then `ended` (when given) on the same thread once
    //! Finished() has become true. A second call does nothing. `work` must not throw.
    void Start(std::function<void()> work, std::function<void()> ended = nullptr)
    {
        if (thread_.joinable())
            return;
        {
            std::lock_guard lock(mutex_);
            if (finished_)
                return;
        }
        thread_ = std::thread([this, work = std::move(work), ended = std::move(ended)] {
            running_ = this;
            work();
            running_ = nullptr;
            {
                std::lock_guard lock(mutex_);
                finished_ = true;
                held_ = false;
            }
            if (ended)
                ended();
        });
    }

    //! The stop request; the work polls it where it may stop. On the worker's own thread
    //! it waits here while the work is held, until it is released or asked to stop.
    bool IsTerminated()
    {
        std::unique_lock lock(mutex_);
        if (held_ && !terminated_ && running_ == this) {
            waiting_ = true;
            changed_.wait(lock, [this] { return !held_ || terminated_; });
            waiting_ = false;
        }
        return terminated_;
    }
    //! Gives the work its stop request and releases it from a hold.
    void Terminate()
    {
        {
            std::lock_guard lock(mutex_);
            terminated_ = true;
            held_ = false;
        }
        changed_.notify_all();
    }
    //! Holds the work at its next poll of IsTerminated() until Release() or Terminate();
    //! nothing once it has finished or was asked to stop.
    void Hold()
    {
        std::lock_guard lock(mutex_);
        if (!finished_ && !terminated_)
            held_ = true;
    }
    //! Lets a held work go on.
    void Release()
    {
        {
            std::lock_guard lock(mutex_);
            held_ = false;
        }
        changed_.notify_all();
    }
    //! True while the work waits at a poll because it is held.
    bool IsHeld() const
    {
        std::lock_guard lock(mutex_);
        return waiting_;
    }
    //! True once the work has returned.
    bool Finished() const
    {
        std::lock_guard lock(mutex_);
        return finished_;
    }
    //! Waits until the thread has ended; returns at once when it never started, and on
    //! the worker's own thread.
    void WaitFor()
    {
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
            thread_.join();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool terminated_ = false;
    bool held_ = false;
    bool waiting_ = false;
    bool finished_ = false;
    std::thread thread_;  // touched only by the thread that owns this object
    // The worker whose work runs on this thread: only its own polls wait in a hold.
    static inline thread_local const WorkerThread* running_ = nullptr;
};

}  // namespace platform
