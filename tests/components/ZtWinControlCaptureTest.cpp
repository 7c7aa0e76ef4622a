#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "components/ZtWinControlCapture.h"
#include "platform/core/Messages.h"

namespace {

const auto kPing = static_cast<QEvent::Type>(QEvent::User + 7);

// A control that writes down every ping it handles.
class Control : public QWidget {
public:
    explicit Control(std::vector<std::string>* log) : log_(log) {}
    bool event(QEvent* e) override
    {
        if (e->type() == kPing) {
            log_->push_back("control");
            return true;
        }
        return QWidget::event(e);
    }

private:
    std::vector<std::string>* log_;
};

void Ping(QObject* to)
{
    QEvent e(kPing);
    QCoreApplication::sendEvent(to, &e);
}

class ZtWinControlCaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        capture.OnBeforeMessage = [this](QObject* sender, TMessage& m, bool& handled) {
            EXPECT_EQ(sender, &capture);
            if (m.Msg == kPing) {
                log.push_back("before");
                handled = swallow;
            }
        };
        capture.OnAfterMessage = [this](QObject*, TMessage& m, bool& handled) {
            if (m.Msg == kPing)
                log.push_back("after " + std::to_string(handled) + " " + std::to_string(m.Result));
        };
    }
    std::vector<std::string> log;
    bool swallow = false;
    Control control{&log};
    TZtWinControlCapture capture;
};

TEST_F(ZtWinControlCaptureTest, InactiveItPassesEveryMessageStraightOn)
{
    capture.SetWinControl(&control);
    Ping(&control);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
}

TEST_F(ZtWinControlCaptureTest, ActiveItReportsBeforeAndAfterTheControl)
{
    capture.SetWinControl(&control);
    capture.SetActive(true);
    Ping(&control);
    EXPECT_EQ(log, (std::vector<std::string>{"before", "control", "after 0 1"}));
    // A handled message never reaches the control; the after-handler sees it handled.
    log.clear();
    swallow = true;
    Ping(&control);
    EXPECT_EQ(log, (std::vector<std::string>{"before", "after 1 0"}));
}

TEST_F(ZtWinControlCaptureTest, ChangingTheControlGivesThePreviousOneItsOwnHandling)
{
    std::vector<std::string> otherLog;
    Control other(&otherLog);
    capture.SetWinControl(&control);
    capture.SetActive(true);
    capture.SetWinControl(&other);
    Ping(&control);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
    Ping(&other);
    EXPECT_EQ(otherLog, (std::vector<std::string>{"control"}));
    EXPECT_EQ(log, (std::vector<std::string>{"control", "before", "after 0 1"}));
}

TEST_F(ZtWinControlCaptureTest, ADestroyedControlIsLetGo)
{
    auto doomed = std::make_unique<Control>(&log);
    capture.SetWinControl(doomed.get());
    capture.SetActive(true);
    doomed.reset();
    EXPECT_EQ(capture.WinControl(), nullptr);
    capture.SetWinControl(&control); // and the capture goes on working
    Ping(&control);
    EXPECT_EQ(log, (std::vector<std::string>{"before", "control", "after 0 1"}));
}

TEST_F(ZtWinControlCaptureTest, DestroyingTheCaptureRestoresTheControl)
{
    {
        TZtWinControlCapture inner(&control); // an owner control is captured at once
        EXPECT_EQ(inner.WinControl(), &control);
        inner.SetActive(true);
        inner.OnBeforeMessage = [&](QObject*, TMessage& m, bool& handled) {
            handled = m.Msg == kPing;
        };
        Ping(&control);
        EXPECT_TRUE(log.empty());
    }
    Ping(&control);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
}

TEST_F(ZtWinControlCaptureTest, AThrowingHandlerIsShownAndTheProgramGoesOn)
{
    platform::MessageRecorder messages;
    capture.SetWinControl(&control);
    capture.SetActive(true);
    capture.OnBeforeMessage = [](QObject*, TMessage& m, bool&) {
        if (m.Msg == kPing)
            throw std::runtime_error("handler failed");
    };
    Ping(&control);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"handler failed"}));
}

TEST_F(ZtWinControlCaptureTest, InTheDesignerNothingIsCaptured)
{
    capture.SetDesigning(true);
    capture.SetWinControl(&control);
    capture.SetActive(true);
    EXPECT_EQ(capture.WinControl(), &control);
    Ping(&control);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
}

} // namespace
