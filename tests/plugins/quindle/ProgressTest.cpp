#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "plugins/quindle/Dialogs.h"
#include "plugins/quindle/Progress.h"

using namespace quindle;
using namespace std::chrono_literals;

namespace {

// A work that moves through levels until it may end or is asked to stop.
struct LevelWork {
    std::atomic<bool> mayEnd{false};
    std::atomic<bool> stopped{false};
    std::atomic<bool> ended{false};  // its very last action
    std::atomic<int> levels{0};

    int Run(TProgressThread* thread)
    {
        int answer = 1;
        for (int level = 0; !mayEnd; ++level) {
            if (thread->IsTerminated()) {
                stopped = true;
                std::this_thread::sleep_for(50ms);  // late, to show that the dialog waits
                answer = 0;
                break;
            }
            thread->SetPosition(level % 50);
            levels = level + 1;
            std::this_thread::sleep_for(1ms);
        }
        ended = true;
        return answer;
    }
};

struct Outcome {
    int Result = mrNone;
    std::vector<TDialogScript::TMessage> Asked;
};

// Runs the dialog through the service as the plug-in does, with the answers to its
// questions; `whileShown` runs from inside its modal loop. A watchdog ends a loop that
// would not end.
Outcome RunDialog(TProgressForm& form, std::vector<TMessageAnswer> answers, std::function<void()> whileShown)
{
    TDialogScript script;
    for (TMessageAnswer a : answers)
        script.Answer(a);
    script.Then([&](QDialog& dialog) {
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, &dialog, [&dialog] {
            ADD_FAILURE() << "the progress dialog did not close";
            dialog.done(mrNone);
        });
        watchdog.start(20000);
        if (whileShown)
            QTimer::singleShot(0, &dialog, whileShown);
        return dialog.exec();
    });
    Outcome outcome;
    outcome.Result = script.Exec(form);
    outcome.Asked = script.Messages();
    return outcome;
}

std::atomic<int> aborts{0};
void CountAbort()
{
    ++aborts;
}

int PlainWork(TProgressThread* thread)
{
    thread->SetPosition(7);
    return 42;
}

}  // namespace

TEST(QuindleProgress, LayoutAndPercentages)
{
    TProgressForm form(nullptr);
    EXPECT_EQ(form.windowTitle(), "Wait, please...");
    EXPECT_EQ(form.size(), QSize(323, 69));
    EXPECT_EQ(form.Label1->text(), "0%");
    EXPECT_EQ(form.ProgressBar->geometry(), QRect(5, 15, 316, 17));
    EXPECT_EQ(form.ProgressBar->minimum(), 0);
    EXPECT_EQ(form.ProgressBar->maximum(), 100);
    EXPECT_EQ(form.btCancel->text(), "&Cancel");
    EXPECT_EQ(form.btCancel->geometry(), QRect(130, 40, 75, 25));

    // int((position - minimum) * 100 / (maximum - minimum) + 0.5), the position clamped.
    struct Case {
        int Minimum, Maximum, Position;
        const char* Text;
    } cases[] = {
        {0, 100, 0, "0%"},  {0, 113, 88, "78%"}, {0, 113, 112, "99%"}, {0, 113, 113, "100%"},
        {0, 3, 1, "33%"},   {0, 3, 2, "67%"},    {0, 0, 0, "0%"},      {10, 20, 15, "50%"},
    };
    for (const Case& c : cases) {
        platform::ProgressValues v;
        v.SetRange(c.Minimum, c.Maximum);
        v.SetPosition(c.Position);
        EXPECT_EQ(TProgressForm::Percent(v), c.Text) << c.Maximum << " " << c.Position;
    }
    form.SetMax(113);
    form.SetPosition(500);
    EXPECT_EQ(form.Position(), 113);
}

TEST(QuindleProgress, WorkThatEndsClosesTheDialogWithOkAndNoQuestion)
{
    TProgressForm form(nullptr);
    form.SetMax(8);
    form.SetWork(&PlainWork);
    const Outcome outcome = RunDialog(form, {}, nullptr);
    EXPECT_EQ(outcome.Result, mrOk);
    EXPECT_TRUE(outcome.Asked.empty());
    EXPECT_EQ(form.WorkResult(), 42);
    EXPECT_FALSE(form.WorkFailed());
    EXPECT_EQ(form.ProgressBar->maximum(), 8);
    EXPECT_EQ(form.ProgressBar->value(), 7);
    EXPECT_EQ(form.Label1->text(), "88%");  // 7 * 100 / 8 + 0.5
}

TEST(QuindleProgress, ClosingAsksWhetherToAbort)
{
    // By the close box or by "&Cancel". No: the work goes on to its end. Yes: it is asked
    // to stop, and the dialog closes only once it has ended.
    const std::pair<TMessageAnswer, bool> cases[] = {
        {TMessageAnswer::No, false}, {TMessageAnswer::No, true}, {TMessageAnswer::Yes, false}, {TMessageAnswer::Yes, true}};
    for (auto [answer, byButton] : cases) {
        const bool yes = answer == TMessageAnswer::Yes;
        LevelWork work;
        TProgressForm form(nullptr);
        form.SetWork([&work](TProgressThread* t) { return work.Run(t); });
        form.SetAbort(&CountAbort);
        aborts = 0;
        const Outcome outcome = RunDialog(form, {answer}, [&] {
            std::this_thread::sleep_for(20ms);
            if (byButton)
                form.btCancel->click();
            else
                form.close();
            QTimer::singleShot(60, &form, [&work] { work.mayEnd = true; });
        });
        EXPECT_EQ(outcome.Result, yes ? mrCancel : mrOk) << yes << byButton;
        ASSERT_EQ(outcome.Asked.size(), 1u);
        const auto& asked = outcome.Asked[0];
        EXPECT_EQ(asked.Text, "Do you want to abort process");
        EXPECT_EQ(asked.Caption, "Noise");
        EXPECT_EQ(asked.Icon, TMessageIcon::Warning);
        EXPECT_EQ(asked.Buttons, TMessageButtons::YesNo);
        EXPECT_EQ(work.stopped.load(), yes);
        EXPECT_TRUE(work.ended);  // no worker left behind
        EXPECT_EQ(aborts.load(), yes ? 1 : 0);
        EXPECT_EQ(form.WorkResult(), yes ? 0 : 1);
    }
}

TEST(QuindleProgress, AnExceptionOfTheWorkEndsItAndIsReported)
{
    TProgressForm form(nullptr);
    form.SetWork(TProgressForm::TWorkClosure([](TProgressThread*) -> int { throw std::runtime_error("work"); }));
    EXPECT_EQ(RunDialog(form, {}, nullptr).Result, mrOk);
    EXPECT_TRUE(form.WorkFailed());
}
