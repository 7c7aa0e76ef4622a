#include <gtest/gtest.h>

#include <QTest>
#include <string>
#include <vector>

#include "components/ZtImage.h"

using namespace platform;

namespace {

// An image of 40 x 30 with a white 40 x 30 Background, counting its paints.
class ZtImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        image.resize(40, 30);
        TCanvas* c = image.Background()->Canvas();
        c->Brush.Color = clWhite;
        image.Background()->SetSize(40, 30);
        image.OnPaint = [this](QObject* sender) {
            EXPECT_EQ(sender, &image);
            ++paints;
        };
    }
    void DrawLine(int y)
    {
        TCanvas* c = image.Background()->Canvas();
        c->Pen.Color = clRed;
        c->MoveTo(0, y);
        c->LineTo(40, y);
    }
    // Whether the window shows the line drawn at row y.
    bool Shown(int y) const { return image.Canvas()->Pixels(5, y) == clRed; }

    TZtImage image;
    int paints = 0;
};

TEST_F(ZtImageTest, StartsWithItsDefaults)
{
    TZtImage fresh;
    EXPECT_EQ(fresh.width(), 100);
    EXPECT_EQ(fresh.height(), 100);
    EXPECT_FALSE(fresh.AutoRefresh());
    EXPECT_FALSE(fresh.EraseBackground());
    EXPECT_TRUE(fresh.Background()->Empty());
    EXPECT_EQ(fresh.Version(), "1.0");
    fresh.SetVersion("2.0");
    EXPECT_EQ(fresh.Version(), "1.0");
}

TEST_F(ZtImageTest, WithAutoRefreshAfterLoadingEveryDrawingIsShownAtOnce)
{
    image.Loaded();
    image.SetAutoRefresh(true);
    EXPECT_EQ(paints, 1); // switching it on paints
    DrawLine(3);
    EXPECT_EQ(paints, 2);
    EXPECT_TRUE(Shown(3));
    image.Background()->Canvas()->Rectangle(1, 1, 5, 5);
    EXPECT_EQ(paints, 3);
    image.Background()->Canvas()->MoveTo(7, 7); // moving the pen draws nothing
    EXPECT_EQ(paints, 3);
}

TEST_F(ZtImageTest, WithoutAutoRefreshOrLoadingDrawingWaitsForDisplay)
{
    DrawLine(3);
    EXPECT_EQ(paints, 0);
    EXPECT_FALSE(Shown(3));
    image.Display();
    EXPECT_EQ(paints, 1);
    EXPECT_TRUE(Shown(3));

    // AutoRefresh without Loaded: the switch paints, drawing does not.
    image.SetAutoRefresh(true);
    EXPECT_EQ(paints, 2);
    image.SetAutoRefresh(true);
    EXPECT_EQ(paints, 2);
    DrawLine(8);
    EXPECT_EQ(paints, 2);
    EXPECT_FALSE(Shown(8));
    image.Loaded();
    DrawLine(9);
    EXPECT_EQ(paints, 3);
    image.SetAutoRefresh(false);
    DrawLine(10);
    EXPECT_EQ(paints, 3);
}

TEST_F(ZtImageTest, UpdateBracketsNestAndRepaintOnceAtTheEnd)
{
    image.Loaded();
    image.SetAutoRefresh(true);
    paints = 0;
    image.BeginUpdate();
    image.BeginUpdate();
    DrawLine(1);
    DrawLine(2);
    EXPECT_EQ(paints, 0);
    image.EndUpdate();
    EXPECT_EQ(paints, 0);
    image.EndUpdate();
    EXPECT_EQ(paints, 1);
    EXPECT_TRUE(Shown(1) && Shown(2));
}

TEST_F(ZtImageTest, EndUpdateWithoutBeginUpdatePaintsAndTheCountGoesBelowZero)
{
    image.Loaded();
    image.SetAutoRefresh(true);
    paints = 0;
    image.EndUpdate(); // count -1: repainting enabled, Change paints
    EXPECT_EQ(paints, 1);
    image.BeginUpdate(); // count 0, held back
    DrawLine(4);
    EXPECT_EQ(paints, 1);
    image.EndUpdate(); // count -1 again: one repaint
    EXPECT_EQ(paints, 2);
    DrawLine(5);
    EXPECT_EQ(paints, 3);
}

TEST_F(ZtImageTest, NewOrResizedBackgroundPaintsLater)
{
    image.Loaded();
    image.SetAutoRefresh(true);
    paints = 0;
    TBitmap other;
    other.SetSize(10, 10);
    image.SetBackground(&other);
    image.Background()->SetSize(20, 20);
    EXPECT_EQ(paints, 0);
    EXPECT_EQ(image.Background()->Width(), 20);
    // The copy is bound again: drawing on it repaints.
    DrawLine(2);
    EXPECT_EQ(paints, 1);
}

TEST_F(ZtImageTest, PaintCopiesTheClientAreaAndLeavesTheRestAsItWas)
{
    image.Canvas()->SetPixels(39, 29, clBlue); // what the window showed before
    image.Background()->SetSize(20, 10);
    image.Display();
    EXPECT_EQ(image.Canvas()->Pixels(0, 0), clWhite);
    EXPECT_EQ(image.Canvas()->Pixels(39, 29), clBlue);
}

TEST_F(ZtImageTest, EraseBackgroundDecidesWhetherTheWindowIsErased)
{
    image.SetColor(clGreen);
    image.Canvas()->SetPixels(0, 0, clBlue);
    EXPECT_EQ(image.WMEraseBkgnd(), 1);
    EXPECT_EQ(image.Canvas()->Pixels(0, 0), clBlue); // left unerased
    image.SetEraseBackground(true);
    EXPECT_EQ(image.WMEraseBkgnd(), 1);
    EXPECT_EQ(image.Canvas()->Pixels(0, 0), clGreen);
}

TEST_F(ZtImageTest, PaintingIsNotReentrant)
{
    image.Loaded();
    image.SetAutoRefresh(true);
    paints = 0;
    image.OnPaint = [this](QObject*) {
        ++paints;
        DrawLine(6); // a drawing while painting paints nothing more
    };
    image.Display();
    EXPECT_EQ(paints, 1);
}

TEST_F(ZtImageTest, AutoSizeTakesTheBackgroundsSize)
{
    image.Background()->SetSize(64, 48);
    int w = 0, h = 0;
    EXPECT_TRUE(image.CanAutoSize(w, h));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    image.AdjustSize();
    EXPECT_EQ(image.width(), 40); // AutoSize off
    image.SetAutoSize(true);
    EXPECT_EQ(image.width(), 64);
    EXPECT_EQ(image.height(), 48);
}

TEST_F(ZtImageTest, ShownWindowPaintsOnPaintMessages)
{
    image.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&image));
    DrawLine(12);
    paints = 0;
    const QImage grabbed = image.grab().toImage(); // a paint message
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(grabbed.pixelColor(5, 12), QColor(255, 0, 0));
    EXPECT_TRUE(Shown(12));
}

TEST_F(ZtImageTest, MouseEventsInTheOrderOfTheClassLibrary)
{
    std::vector<std::string> events;
    image.OnMouseDown = [&](QObject*, TMouseButton b, TShiftState s, int x, int y) {
        events.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," +
                         std::to_string(y) + (s.Contains(ssDouble) ? " double" : "") +
                         (s.Contains(ssLeft) ? " left" : "") +
                         (s.Contains(ssShift) ? " shift" : ""));
    };
    image.OnMouseUp = [&](QObject*, TMouseButton b, TShiftState, int x, int y) {
        events.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," +
                         std::to_string(y));
    };
    image.OnMouseMove = [&](QObject*, TShiftState, int x, int y) {
        events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    };
    image.OnClick = [&](QObject*) { events.push_back("click"); };
    image.OnDblClick = [&](QObject*) { events.push_back("dblclick"); };
    image.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&image));
    QTest::mousePress(&image, Qt::LeftButton, Qt::ShiftModifier, QPoint(3, 4));
    QTest::mouseMove(&image, QPoint(6, 7));
    QTest::mouseRelease(&image, Qt::LeftButton, Qt::NoModifier, QPoint(6, 7));
    QTest::mouseClick(&image, Qt::RightButton, Qt::NoModifier, QPoint(1, 2));
    // A double click: the first click, then the second press as a double click.
    QTest::mouseClick(&image, Qt::LeftButton, Qt::NoModifier, QPoint(8, 9));
    QTest::mouseDClick(&image, Qt::LeftButton, Qt::NoModifier, QPoint(8, 9));
    QTest::mouseRelease(&image, Qt::LeftButton, Qt::NoModifier, QPoint(8, 9));
    const std::vector<std::string> expected = {
        "down 0 3,4 left shift",
        "move 6,7",
        "click",
        "up 0 6,7",
        "down 1 1,2",
        "up 1 1,2",
        "down 0 8,9 left",
        "click",
        "up 0 8,9",
        "dblclick",
        "down 0 8,9 double left",
        "up 0 8,9",
    };
    // Moves that the test framework adds between the presses are left out.
    std::vector<std::string> seen;
    for (const auto& e : events)
        if (e.rfind("move", 0) != 0 || e == "move 6,7")
            seen.push_back(e);
    EXPECT_EQ(seen, expected);

    // A tool binds the events anew.
    int toolDowns = 0;
    image.OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int, int) { ++toolDowns; };
    QTest::mousePress(&image, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QTest::mouseRelease(&image, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_EQ(toolDowns, 1);
}

} // namespace
