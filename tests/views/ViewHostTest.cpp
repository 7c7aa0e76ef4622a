// The views on their own, without a main window: what they ask of the main window reaches
// their host, and without a host they do without.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWindow>
#include <memory>

#include "platform/core/Messages.h"
#include "views/FakeViewHost.h"
#include "views/View2D.h"
#include "views/ViewLayout.h"

TEST(ViewHost, RightClickOnA2DViewPopsUpTheHostsViewMenuWhereClicked)
{
    platform::MessageRecorder messages;
    auto host = std::make_unique<viewsfixture::FakeViewHost>();
    auto step = viewsfixture::RampStep();
    auto view = std::make_unique<TView2DForm>(step.get(), 0);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));

    // Through the window, as the user clicks: the window turns the right click into the
    // request for a context menu.
    const QPoint at(view->ImageLeft + 7, view->ImageTop + 5);
    QWindow* window = view->windowHandle();
    const QPoint inWindow = view->Image->mapTo(view.get(), at);
    QTest::mouseClick(window, Qt::RightButton, {}, inWindow);
    ASSERT_EQ(host->MenuPopUps.size(), 1u);
    EXPECT_EQ(host->MenuPopUps[0], view->Image->mapToGlobal(at));
    QTest::mouseClick(window, Qt::LeftButton, {}, inWindow);
    EXPECT_EQ(host->MenuPopUps.size(), 1u);

    host.reset();  // a view alone: the click asks nobody
    QTest::mouseClick(window, Qt::RightButton, {}, inWindow);
    view.reset();
    EXPECT_EQ(messages.Count(), 0u);
}

TEST(ViewHost, TheViewLayoutWindowHidesTheHostsDockOnEscAndReleasesItsButtonAsItGoes)
{
    viewsfixture::FakeViewHost host;
    auto* layout = new TViewLayoutForm(&host.Window);
    host.Window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.Window));
    ASSERT_TRUE(layout->isVisible());

    QTest::keyClick(layout, Qt::Key_A);
    EXPECT_EQ(host.DockHidings, 0);
    QTest::keyClick(layout, Qt::Key_Escape);
    EXPECT_FALSE(layout->isVisible());
    EXPECT_EQ(host.DockHidings, 1);
    EXPECT_EQ(host.LayoutGoings, 0);

    delete layout;
    EXPECT_EQ(host.LayoutGoings, 1);
    EXPECT_EQ(host.DockHidings, 1);
}
