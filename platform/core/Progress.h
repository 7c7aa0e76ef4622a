#pragma once
// The small interface through which long work reports its progress and polls for a stop.
// The progress dialog drives it from the user-interface thread; numeric code takes it as a
// parameter and runs headless (tests pass a NullProgress or a ProgressRecorder). No Qt here.

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <vector>

namespace platform {

//! Progress and stop request of one piece of long work. Called from the thread that runs
//! the work; implementations are thread-safe towards whoever watches them.
class IProgress {
public:
    virtual ~IProgress() = default;
    //! Sets the range of the progress; a maximum below the minimum becomes the minimum.
    //! The position is kept within the new range.
    virtual void SetRange(int minimum, int maximum) = 0;
    //! Moves the progress to `position`, clamped to the range.
    virtual void SetPosition(int position) = 0;
    //! The position as last set, after clamping.
    virtual int Position() const = 0;
    //! A stopping point of the work: true once the work is asked to stop, and the work then
    //! returns at once, leaving its output unfinished. May wait while the owner of the work
    //! holds it (for instance while the user is asked whether to abort); the work must hold
    //! no lock that its owner's thread may need when it calls this.
    virtual bool StopRequested() = 0;
};

//! The range and position of a progress, clamped the way a progress bar clamps them.
struct ProgressValues {
    int Minimum = 0;
    int Maximum = 100;
    int Position = 0;

    //! Sets the range and keeps the position inside it.
    void SetRange(int minimum, int maximum)
    {
        Minimum = minimum;
        Maximum = std::max(minimum, maximum);
        Position = std::clamp(Position, Minimum, Maximum);
    }
    //! Sets the position, clamped to the range.
    void SetPosition(int position) { Position = std::clamp(position, Minimum, Maximum); }
};

//! Progress that goes nowhere and never asks to stop: for work run without a dialog.
class NullProgress final : public IProgress {
public:
    void SetRange(int minimum, int maximum) override { values_.SetRange(minimum, maximum); }
    void SetPosition(int position) override { values_.SetPosition(position); }
    int Position() const override { return values_.Position; }
    bool StopRequested() override { return false; }

private:
    ProgressValues values_;
};

//! Progress for tests of long work: records every range and position it is given and asks
//! the work to stop from the n-th poll on (never, by default). Thread-safe.
class ProgressRecorder final : public IProgress {
public:
    //! Asks for the stop from poll number `poll` on (1 = the first poll); 0 never stops.
    void StopAtPoll(std::size_t poll)
    {
        std::lock_guard lock(mutex_);
        stopAt_ = poll;
    }
    void SetRange(int minimum, int maximum) override
    {
        std::lock_guard lock(mutex_);
        values_.SetRange(minimum, maximum);
        history_.push_back(values_);
    }
    void SetPosition(int position) override
    {
        std::lock_guard lock(mutex_);
        values_.SetPosition(position);
        history_.push_back(values_);
    }
    int Position() const override
    {
        std::lock_guard lock(mutex_);
        return values_.Position;
    }
    bool StopRequested() override
    {
        std::lock_guard lock(mutex_);
        ++polls_;
        return stopAt_ != 0 && polls_ >= stopAt_;
    }
    //! The range and position now.
    ProgressValues Values() const
    {
        std::lock_guard lock(mutex_);
        return values_;
    }
    //! The range and position after every call of SetRange or SetPosition, in order.
    std::vector<ProgressValues> History() const
    {
        std::lock_guard lock(mutex_);
        return history_;
    }
    //! How often the work has polled for a stop.
    std::size_t Polls() const
    {
        std::lock_guard lock(mutex_);
        return polls_;
    }

private:
    mutable std::mutex mutex_;
    ProgressValues values_;
    std::vector<ProgressValues> history_;
    std::size_t polls_ = 0;
    std::size_t stopAt_ = 0;
};

} // namespace platform
