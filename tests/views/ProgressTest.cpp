#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

#include "views/Progress.h"
#include "platform/core/Messages.h"
#include "platform/core/Progress.h"

using platform::MessageResult;
using namespace std::chrono_literals;

namespace {

// Pumps the user-interface thread's events until `done` holds; false after the timeout.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Runs the dialog modally; `action` runs from inside the modal loop. A watchdog ends the
// loop (and so the test, with a failure) instead of letting a broken dialog hang.
int RunModal(TProgressForm& form, const std::function<void()>& action)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &form, [&form] {
        ADD_FAILURE() << "the modal run did not end";
        form.done(QDialog::Rejected);
    });
    watchdog.start(20000);
    if (action)
        QTimer::singleShot(0, &form, action);
    const int result = form.exec();
    watchdog.stop();
    return result;
}

// Stands in front of a MessageRecorder (which scripts the answers and records the boxes)
// and runs a check while the question is open, as a real box's own event loop would.
class QuestionProbe : public platform::IMessageService {
public:
    QuestionProbe(platform::MessageRecorder& recorder, std::function<void()> whileOpen)
        : recorder_(recorder), whileOpen_(std::move(whileOpen))
    {
        platform::SetMessageService(this);
    }
    ~QuestionProbe() override { platform::SetMessageService(&recorder_); }

    MessageResult Show(const std::string& text, const std::string& caption,
                       platform::MessageIcon icon, platform::MessageButtons buttons) override
    {
        if (whileOpen_)
            whileOpen_();
        return recorder_.Show(text, caption, icon, buttons);
    }

private:
    platform::MessageRecorder& recorder_;
    std::function<void()> whileOpen_;
};

// A work of rows that goes on until it may finish or is asked to stop, as the zoom does.
struct RowWork {
    std::atomic<bool> mayFinish{false};
    std::atomic<int> rows{0};
    std::atomic<bool> stopped{false};
    std::atomic<bool> completed{false};
    std::atomic<bool> ended{false}; // the last thing the work does
    std::atomic<const TProgressForm*> form{nullptr};
    std::chrono::milliseconds linger{100}; // spent after the stop request, before returning

    void Run(TProgressThread* thread)
    {
        form = thread->Form;
        thread->SetRange(0, 1000);
        for (int row = 0;; ++row) {
            if (thread->IsTerminated()) {
                stopped = true;
                std::this_thread::sleep_for(linger);
                break;
            }
            if (mayFinish) {
                completed = true;
                break;
            }
            thread->SetPosition(row);
            rows = row + 1;
            std::this_thread::sleep_for(1ms);
        }
        ended = true;
    }
};

void ExpectTheAbortQuestion(const platform::RecordedMessage& m)
{
    EXPECT_EQ(m.Text, "Do you want to abort process");
    EXPECT_EQ(m.Caption, "Noise");
    EXPECT_EQ(m.Icon, platform::MessageIcon::Warning);
    EXPECT_EQ(m.Buttons, platform::MessageButtons::YesNo);
}

std::atomic<int> plainWorkRuns{0};
void PlainWork(TProgressThread* thread)
{
    ++plainWorkRuns;
}

std::atomic<int> plainAbortRuns{0};
void PlainAbort(TProgressForm*)
{
    ++plainAbortRuns;
}

} // namespace

TEST(ProgressForm, HasItsCaptionBarAndButtonAndStartsEmpty)
{
    TProgressForm form;
    EXPECT_EQ(form.windowTitle(), "Wait, please...");
    EXPECT_EQ(form.ProgressBar->objectName(), "ProgressBar");
    EXPECT_EQ(form.ProgressBar->minimum(), 0);
    EXPECT_EQ(form.ProgressBar->maximum(), 100);
    EXPECT_EQ(form.ProgressBar->value(), 0);
    EXPECT_EQ(form.btCancel->objectName(), "btCancel");
    EXPECT_EQ(form.btCancel->text(), "&Cancel");
    EXPECT_EQ(form.WorkFunction, nullptr);
    EXPECT_FALSE(form.WorkMethod);
    EXPECT_EQ(form.AbortFunction, nullptr);
    EXPECT_FALSE(form.AbortMethod);
    EXPECT_EQ(form.RunningWorker(), nullptr);
}

// Every way of giving the work runs it once on the worker and closes with OK, no question.
TEST(ProgressForm, WorkEndingOnItsOwnClosesWithOkAndAsksNothing)
{
    struct Owner {
        std::atomic<int> runs{0};
        std::atomic<bool> onWorker{false};
        std::thread::id ui = std::this_thread::get_id();
        void Work(TProgressThread* thread)
        {
            ++runs;
            onWorker = std::this_thread::get_id() != ui && thread->Form != nullptr;
        }
    };
    enum class Given { PlainFunction, ObjectMethod, Callable, ThrowingCallable };
    for (Given given :
         {Given::PlainFunction, Given::ObjectMethod, Given::Callable, Given::ThrowingCallable}) {
        SCOPED_TRACE(static_cast<int>(given));
        platform::MessageRecorder rec;
        Owner owner;
        TProgressForm form;
        plainWorkRuns = 0;
        switch (given) {
        case Given::PlainFunction:
            form.WorkFunction = PlainWork;
            break;
        case Given::ObjectMethod:
            form.WorkFunction = PlainWork; // SetWork clears it
            form.SetWork(&Owner::Work, &owner);
            EXPECT_EQ(form.WorkFunction, nullptr);
            break;
        case Given::Callable:
            form.SetWork([&owner](TProgressThread* t) { owner.Work(t); });
            break;
        case Given::ThrowingCallable:
            form.SetWork([&owner](TProgressThread* t) {
                owner.Work(t);
                throw std::runtime_error("work failed");
            });
            break;
        }
        EXPECT_EQ(RunModal(form, nullptr), QDialog::Accepted);
        EXPECT_EQ(rec.Count(), 0u);
        EXPECT_EQ(form.RunningWorker(), nullptr);
        EXPECT_FALSE(form.isVisible());
        if (given == Given::PlainFunction) {
            EXPECT_EQ(plainWorkRuns.load(), 1);
        } else {
            EXPECT_EQ(owner.runs.load(), 1);
            EXPECT_TRUE(owner.onWorker.load());
            EXPECT_EQ(plainWorkRuns.load(), 0);
        }
    }
}

// Cancel, the close box and Esc all ask the question while the worker is held; No lets the
// work go on to OK, Yes stops it and returns Cancel only after the worker has returned.
TEST(ProgressForm, AbortQuestionHoldsTheWorkerThenStopsOrResumesIt)
{
    enum class Way { CancelButton, CloseBox, Escape };
    for (Way way : {Way::CancelButton, Way::CloseBox, Way::Escape}) {
        for (MessageResult answer : {MessageResult::No, MessageResult::Yes}) {
            SCOPED_TRACE(::testing::Message() << "way " << static_cast<int>(way) << ", answer "
                                              << static_cast<int>(answer));
            RowWork work;
            TProgressForm form;
            form.SetWork(&RowWork::Run, &work);
            std::atomic<int> abortRuns{0};
            bool stopRequestedWhenAbortRan = false;
            form.AbortMethod = [&](TProgressForm* f) {
                ++abortRuns;
                stopRequestedWhenAbortRan =
                    f->RunningWorker() && f->RunningWorker()->IsTerminated();
            };

            platform::MessageRecorder rec;
            rec.Answer(answer);
            bool heldWhileOpen = false;
            bool stillWhileHeld = false;
            bool visibleWhileOpen = false;
            QuestionProbe probe(rec, [&] {
                visibleWhileOpen = form.isVisible();
                heldWhileOpen = WaitUntil(
                    [&] { return form.RunningWorker() && form.RunningWorker()->IsHeld(); });
                const int rowsHeld = work.rows;
                std::this_thread::sleep_for(30ms);
                QCoreApplication::processEvents();
                stillWhileHeld = work.rows == rowsHeld && !work.ended;
            });

            bool visibleAfterAnswer = false;
            const int result = RunModal(form, [&] {
                ASSERT_TRUE(WaitUntil([&] { return work.rows >= 3; }));
                switch (way) {
                case Way::CancelButton:
                    QTest::mouseClick(form.btCancel, Qt::LeftButton);
                    break;
                case Way::CloseBox:
                    form.close();
                    break;
                case Way::Escape:
                    QTest::keyClick(&form, Qt::Key_Escape);
                    break;
                }
                visibleAfterAnswer = form.isVisible();
                work.mayFinish = true;
            });

            ASSERT_EQ(rec.Count(), 1u);
            ExpectTheAbortQuestion(rec.Recorded()[0]);
            EXPECT_TRUE(visibleWhileOpen);
            EXPECT_TRUE(heldWhileOpen);
            EXPECT_TRUE(stillWhileHeld);
            // Either way the dialog is still up right after the answer: with Yes it waits
            // for the worker, which lingers after its stop request.
            EXPECT_TRUE(visibleAfterAnswer);
            EXPECT_TRUE(work.ended); // no worker is left when the modal run returns
            EXPECT_EQ(form.RunningWorker(), nullptr);
            if (answer == MessageResult::No) {
                EXPECT_EQ(result, QDialog::Accepted);
                EXPECT_TRUE(work.completed);
                EXPECT_FALSE(work.stopped);
                EXPECT_EQ(abortRuns.load(), 0);
            } else {
                EXPECT_EQ(result, QDialog::Rejected);
                EXPECT_TRUE(work.stopped);
                EXPECT_FALSE(work.completed);
                EXPECT_EQ(abortRuns.load(), 1);
                EXPECT_TRUE(stopRequestedWhenAbortRan);
            }
        }
    }
}

// A second click while the stop is under way asks nothing more.
TEST(ProgressForm, ClosingAgainWhileStoppingAsksNothingMore)
{
    RowWork work;
    work.linger = 200ms;
    TProgressForm form;
    form.SetWork(&RowWork::Run, &work);
    platform::MessageRecorder rec;
    rec.Answer(MessageResult::Yes);
    const int result = RunModal(form, [&] {
        ASSERT_TRUE(WaitUntil([&] { return work.rows >= 1; }));
        form.btCancel->click();
        ASSERT_TRUE(WaitUntil([&] { return work.stopped.load(); }));
        form.btCancel->click();
        form.close();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(rec.Count(), 1u);
    EXPECT_TRUE(work.ended);
}

// The work may end while the question is open: the dialog never closes under the question,
// and the answer decides (No: OK, Yes: Cancel).
TEST(ProgressForm, WorkEndingUnderTheQuestionLetsTheAnswerDecide)
{
    for (MessageResult answer : {MessageResult::No, MessageResult::Yes}) {
        SCOPED_TRACE(static_cast<int>(answer));
        std::atomic<bool> gate{false};
        std::atomic<bool> started{false};
        TProgressForm form;
        // A work that never polls, so the hold cannot catch it.
        form.SetWork([&](TProgressThread*) {
            started = true;
            while (!gate)
                std::this_thread::sleep_for(1ms);
        });
        platform::MessageRecorder rec;
        rec.Answer(answer);
        bool endedUnderQuestion = false;
        bool visibleAfterEnd = false;
        QuestionProbe probe(rec, [&] {
            gate = true;
            endedUnderQuestion = WaitUntil([&] { return form.RunningWorker() == nullptr; });
            visibleAfterEnd = form.isVisible();
        });
        const int result = RunModal(form, [&] {
            ASSERT_TRUE(WaitUntil([&] { return started.load(); }));
            form.close();
        });
        EXPECT_TRUE(endedUnderQuestion);
        EXPECT_TRUE(visibleAfterEnd);
        EXPECT_EQ(rec.Count(), 1u);
        EXPECT_EQ(result, answer == MessageResult::No ? QDialog::Accepted : QDialog::Rejected);
    }
}

TEST(ProgressForm, ClosingAfterTheWorkEndedJustCloses)
{
    platform::MessageRecorder rec;
    TProgressForm form;
    form.SetWork([](TProgressThread* t) { t->SetPosition(5); });
    ASSERT_EQ(RunModal(form, nullptr), QDialog::Accepted);
    form.close();
    form.btCancel->click();
    form.reject();
    EXPECT_EQ(rec.Count(), 0u);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// Without work nothing starts; the dialog waits for the user: No keeps it open, Yes closes
// it with Cancel and runs the abort function (which takes precedence over the method).
TEST(ProgressForm, WithoutWorkTheDialogWaitsForTheUser)
{
    platform::MessageRecorder rec;
    rec.Answer(MessageResult::No);
    rec.Answer(MessageResult::Yes);
    TProgressForm form;
    plainAbortRuns = 0;
    int abortMethodRuns = 0;
    form.AbortFunction = PlainAbort;
    form.AbortMethod = [&](TProgressForm*) { ++abortMethodRuns; };
    bool openAfterNo = false;
    bool noWorker = false;
    const int result = RunModal(form, [&] {
        noWorker = form.RunningWorker() == nullptr;
        form.close();
        openAfterNo = form.isVisible();
        form.close();
    });
    EXPECT_TRUE(noWorker);
    EXPECT_TRUE(openAfterNo);
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(rec.Count(), 2u);
    for (const auto& m : rec.Recorded())
        ExpectTheAbortQuestion(m);
    EXPECT_EQ(plainAbortRuns.load(), 1);
    EXPECT_EQ(abortMethodRuns, 0);
}

// The work's range and position reach the bar on the user-interface thread, clamped as a
// progress bar clamps them.
TEST(ProgressForm, ProgressReachesTheBar)
{
    platform::MessageRecorder rec;
    std::atomic<int> step{0};
    std::atomic<int> readBack1{-1}, readBack2{-1}, readBack3{-1};
    TProgressForm form;
    form.SetWork([&](TProgressThread* t) {
        t->SetRange(0, 2);
        t->SetPosition(1);
        while (step < 1)
            std::this_thread::sleep_for(1ms);
        t->SetPosition(0);
        t->SetRange(0, 50);
        t->SetPosition(60); // above the range: the maximum
        readBack1 = t->Position();
        t->SetPosition(-5); // below the range: the minimum
        readBack2 = t->Position();
        for (int row = 0; row < 5; ++row)
            t->SetPosition(t->Position() + 7);
        readBack3 = t->Position();
        t->SetRange(0, 40); // a smaller range keeps the position inside
    });
    bool sawFirst = false;
    const int result = RunModal(form, [&] {
        sawFirst = WaitUntil(
            [&] { return form.ProgressBar->maximum() == 2 && form.ProgressBar->value() == 1; });
        EXPECT_EQ(form.ProgressBar->minimum(), 0);
        step = 1;
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(sawFirst);
    EXPECT_EQ(readBack1.load(), 50);
    EXPECT_EQ(readBack2.load(), 0);
    EXPECT_EQ(readBack3.load(), 35); // 5 rows of 7
    EXPECT_EQ(form.ProgressBar->minimum(), 0);
    EXPECT_EQ(form.ProgressBar->maximum(), 40);
    EXPECT_EQ(form.ProgressBar->value(), 35);
}

TEST(ProgressForm, DestroyingTheDialogStopsAndWaitsForItsWorker)
{
    RowWork work;
    work.linger = 50ms;
    {
        TProgressForm form;
        form.SetWork(&RowWork::Run, &work);
        form.show(); // not modal: showing alone starts the work
        ASSERT_TRUE(WaitUntil([&] { return work.rows >= 1; }));
    }
    EXPECT_TRUE(work.stopped);
    EXPECT_TRUE(work.ended);
}

TEST(ProgressThread, HoldsAtItsPollsAndStopsWithoutADialog)
{
    RowWork work;
    work.linger = 0ms;
    std::atomic<int> terminations{0};
    TProgressThread thread(nullptr, nullptr, [&](TProgressThread* t) { work.Run(t); });
    thread.OnTerminate = [&] { ++terminations; };
    thread.Start();
    ASSERT_TRUE(WaitUntil([&] { return work.rows >= 2; }));
    EXPECT_FALSE(thread.IsHeld());

    thread.Hold();
    ASSERT_TRUE(WaitUntil([&] { return thread.IsHeld(); }));
    const int rowsHeld = work.rows;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(work.rows.load(), rowsHeld);
    EXPECT_FALSE(thread.IsTerminated()); // another thread's poll never waits

    thread.Release();
    ASSERT_TRUE(WaitUntil([&] { return work.rows > rowsHeld; }));
    thread.Hold();
    ASSERT_TRUE(WaitUntil([&] { return thread.IsHeld(); }));
    const int rowsAtStop = work.rows;
    thread.Terminate(); // also lets the held work go, to its stop
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
    EXPECT_TRUE(work.stopped);
    EXPECT_FALSE(work.completed);
    EXPECT_EQ(terminations.load(), 1);
    EXPECT_EQ(thread.Progress().Position, rowsAtStop - 1); // the last row it reached
}

TEST(ProgressThread, DestroyingARunningThreadStopsItsWork)
{
    RowWork work;
    work.linger = 20ms;
    {
        TProgressThread thread(nullptr, nullptr, [&](TProgressThread* t) { work.Run(t); });
        thread.Start();
        ASSERT_TRUE(WaitUntil([&] { return work.rows >= 1; }));
    }
    EXPECT_TRUE(work.stopped);
    EXPECT_TRUE(work.ended);
}

// Clamping as a progress bar does it, for the headless progress of numeric code.
TEST(ProgressValues, ClampLikeAProgressBar)
{
    struct Case {
        int min, max, position;
        int expectMax, expectPosition;
    };
    const Case cases[] = {
        {0, 2, 1, 2, 1},           {0, 2, 5, 2, 2}, {0, 2, -1, 2, 0},
        {10, 5, 7, 10, 10}, // a maximum below the minimum becomes the minimum
        {-20, -10, -15, -10, -15},
    };
    for (const Case& c : cases) {
        platform::ProgressRecorder recorder;
        recorder.SetRange(c.min, c.max);
        recorder.SetPosition(c.position);
        const platform::ProgressValues v = recorder.Values();
        EXPECT_EQ(v.Minimum, c.min);
        EXPECT_EQ(v.Maximum, c.expectMax);
        EXPECT_EQ(v.Position, c.expectPosition);
    }
    // Narrowing the range pulls the position in.
    platform::NullProgress null;
    null.SetRange(0, 100);
    null.SetPosition(80);
    null.SetRange(0, 30);
    EXPECT_EQ(null.Position(), 30);
    EXPECT_FALSE(null.StopRequested());
}

TEST(ProgressRecorder, RecordsAndStopsAtTheScriptedPoll)
{
    platform::ProgressRecorder recorder;
    recorder.StopAtPoll(3);
    recorder.SetRange(0, 4);
    int rows = 0;
    while (!recorder.StopRequested())
        recorder.SetPosition(++rows);
    EXPECT_EQ(rows, 2); // polls 1 and 2 go on, poll 3 stops
    EXPECT_EQ(recorder.Polls(), 3u);
    const auto history = recorder.History();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].Maximum, 4);
    EXPECT_EQ(history[1].Position, 1);
    EXPECT_EQ(history[2].Position, 2);
}
