#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "app/AppFixture.h"
#include "processing/View2DMath.h"
#include "components/ZtEdit.h"
#include "platform/core/Messages.h"
#include "platform/gui/Numbers.h"
#include "support/TestSupport.h"

namespace {
class Thrower : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("something broke");
        return QObject::event(e);
    }
};
}  // namespace

TEST(Application, AnExceptionThatReachesTheLoopIsShownAndTheLoopGoesOn)
{
    platform::MessageRecorder messages;
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    bool later = false;
    QTimer::singleShot(0, [&later] { later = true; });
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"something broke"});
    EXPECT_TRUE(later);
}

// A display name of the application's own is what the platform appends to every window
// title ("Error — Morvane"); without one the display name follows the application name.
TEST(Application, WindowTitlesAreTheCaptionsAlone)
{
    EXPECT_EQ(QCoreApplication::applicationName(), "Morvane");
    QCoreApplication::setApplicationName("probe");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
    QCoreApplication::setApplicationName("Morvane");
}

namespace {

// Run in a fresh test program whose application object was made under a German desktop:
// printf-style texts (the 2-D view's labels, a report line) keep '.', while the edit
// boxes' conversions take the desktop's comma. Exits 0, or 1 after naming what differs.
[[noreturn]] void CheckNumbersUnderACommaDesktopAndExit()
{
    std::string problems;
    const auto expect = [&problems](const char* what, const std::string& got, const std::string& want) {
        if (got != want)
            problems += std::string(what) + ": \"" + got + "\" instead of \"" + want + "\"\n";
    };
    expect("the desktop's separator", std::string(1, platform::SystemDecimalSeparator()), ",");

    char report[64];
    std::snprintf(report, sizeof report, "%.3f\t%g", 12.5, 0.25);
    expect("a report line", report, "12.500\t0.25");

    // 8 points of 100 nm (0.8 µm), 6 rows of 50 nm, 199 counts of 0.1: labels "0.8",
    // "0.3" and "19.9" (no Z label below the top one on 6 rows).
    TAxesInput axes;
    axes.ImageRight = 58;
    axes.ImageBottom = 36;
    axes.BarRight = 88;
    axes.Width = 8;
    axes.Height = 6;
    axes.XStep = 100;
    axes.YStep = 50;
    axes.ZScale = 0.1;
    axes.Max = 199;
    axes.ZUnit = "nm";
    std::string labels;
    for (const TAxisItem& item : LayoutAxes(axes))
        if (item.IsText && item.Text.find_first_of("0123456789") == 0)
            labels += item.Text + " ";
    expect("the labels", labels, "19.9 0 0.8 0 0.3 ");

    TZtEdit box;
    box.SetTypeValue(tvFloat);
    box.SetText("1,5");
    expect("an edit box's number", platform::FloatToStr(box.GetValueFloat()), "1,5");

    std::fputs(problems.c_str(), stderr);
    std::_Exit(problems.empty() ? 0 : 1);
}

}  // namespace

TEST(Application, PrintfTextsKeepThePointUnderACommaDesktop)
{
    ASSERT_TRUE(testsupport::CommaNumericLocale().Active())
        << testsupport::kCommaLocale << " is not installed: run scripts/deps";
    // The check runs in a new process, so that its application object meets the desktop.
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    appfixture::ScopedEnv german("LC_ALL", testsupport::kCommaLocale);
    EXPECT_EXIT(CheckNumbersUnderACommaDesktopAndExit(), ::testing::ExitedWithCode(0), "");
}
