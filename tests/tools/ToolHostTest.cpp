// The tool windows on their own, without a main window: the current step, the statistic
// command's check mark and the window their dialogs belong to come from their host.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <memory>

#include "platform/core/Messages.h"
#include "tools/Arithmetics.h"
#include "tools/CalibrateLengthForm.h"
#include "tools/InfoSPM.h"
#include "views/FakeViewHost.h"

namespace {

void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

}  // namespace

TEST(ToolHost, ArithmeticTakesItsFirstChannelFromTheHostsCurrentStep)
{
    auto step = viewsfixture::RampStep();
    {
        viewsfixture::FakeViewHost host;
        TArithmeticForm withoutStep(nullptr);
        EXPECT_EQ(withoutStep.stFirstFile->text(), "");
        host.Step = step.get();
        TArithmeticForm form(nullptr);
        EXPECT_EQ(form.stFirstFile->text(), "/data/ramp.spm");
    }
    TArithmeticForm alone(nullptr);  // no host at all
    EXPECT_EQ(alone.stFirstFile->text(), "");
}

TEST(ToolHost, ClosingTheSurfaceInfoClearsTheHostsStatisticCheck)
{
    platform::MessageRecorder messages;
    viewsfixture::FakeViewHost host;
    auto step = viewsfixture::RampStep();
    auto* info = new TInfoSPMForm(step.get());
    info->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(info));
    EXPECT_TRUE(host.StatisticChecks.empty());
    QTest::keyClick(info, Qt::Key_Escape);
    FlushDeletes();
    EXPECT_EQ(step->InfoWindow, nullptr);
    EXPECT_EQ(host.StatisticChecks, std::vector<bool>{false});
}

TEST(ToolHost, TheCalibrationDialogBelongsToTheHostsWindowUnlessGivenAnOwner)
{
    viewsfixture::FakeViewHost host;
    TFCalibrateLength dialog(nullptr);
    EXPECT_EQ(dialog.parentWidget(), &host.Window);
    QWidget other;
    TFCalibrateLength owned(&other);
    EXPECT_EQ(owned.parentWidget(), &other);
}
