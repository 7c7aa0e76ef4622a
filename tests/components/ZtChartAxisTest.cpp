#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ComponentFixtures.h"
#include "components/ZtAxisImage.h"
#include "components/ZtChartAxis.h"
#include "components/ZtChartClasses.h"

using namespace platform;
using componentfixtures::Notices;
using CountingFrame = componentfixtures::Counting<TZtAxisImage>;

namespace {

std::string AssignErrorOf(TZtChartPart& target, const TPersistent* source)
{
    try {
        target.Assign(source);
    } catch (const Exception& e) {
        return e.what();
    }
    return "";
}

TEST(ZtChartAxis, PlainSettersNotifyOnlyOnAChange)
{
    TZtChartAxis axis;
    Notices n;
    n.Watch(axis);
    axis.SetMin(0.0);
    axis.SetMax(100.0);
    axis.SetVisible(false);
    axis.SetCountLabels(0);
    EXPECT_TRUE(n.Senders.empty());
    axis.SetMin(1e-300);
    axis.SetFrequency(-10);
    axis.SetGridVisible(false);
    EXPECT_EQ(n.Senders.size(), 3u);
    // Switching AutoScale off is silent, on notifies.
    axis.SetAutoScale(true);
    EXPECT_EQ(n.Senders.size(), 4u);
    axis.SetAutoScale(false);
    EXPECT_EQ(n.Senders.size(), 4u);
    EXPECT_FALSE(axis.AutoScale());

    TZtChartTicks ticks;
    n.Senders.clear();
    n.Watch(ticks);
    ticks.SetLength(5);
    ticks.SetType(cttOuter);
    EXPECT_TRUE(n.Senders.empty());
    ticks.SetMinotTickLength(7);
    ticks.Pen()->SetColor(clRed); // the pen reports every change, with itself as sender
    ASSERT_EQ(n.Senders.size(), 2u);
    EXPECT_EQ(n.Senders[0], &ticks);
    EXPECT_EQ(n.Senders[1], ticks.Pen());
}

TEST(ZtChartAxis, InitialValues)
{
    TZtChartAxis axis;
    EXPECT_FALSE(axis.Visible());
    EXPECT_EQ(axis.Max(), 100.0);
    EXPECT_EQ(axis.Frequency(), 10.0);
    EXPECT_TRUE(axis.GridVisible());
    EXPECT_TRUE(axis.AxisVisible());
    EXPECT_EQ(axis.GridPen()->Value().Width, 1);
    const TZtChartTitle& title = *axis.Title();
    EXPECT_TRUE(title.Visible());
    EXPECT_EQ(title.Indent(), 3);
    EXPECT_EQ(title.Font()->Name(), "Tahoma");
    EXPECT_EQ(title.Alignment(), taCenter);
    EXPECT_EQ(title.Layout(), tlCenter);
    const TZtChartTicks& ticks = *axis.Ticks();
    EXPECT_EQ(ticks.Type(), cttOuter);
    EXPECT_EQ(ticks.MinorTickCount(), 4);
    EXPECT_EQ(ticks.MinotTickLength(), 3);
    const TZtChartLabels& labels = *axis.Labels();
    EXPECT_TRUE(labels.RoundFirstLabel());
    EXPECT_EQ(labels.Indent(), 2);
    EXPECT_EQ(labels.Font()->Size(), 7);
    EXPECT_EQ(labels.Precision(), 0);
}

TEST(ZtChartAxis, AssignFromAnotherClassRaisesAndChangesNothing)
{
    TZtChartAxis axis;
    TZtChartTicks ticks;
    TZtChartTitle title;
    TZtChartLabels labels;
    axis.SetMin(5);
    EXPECT_EQ(AssignErrorOf(axis, &ticks), "Can'not assign to TZtChartAxis");
    EXPECT_EQ(AssignErrorOf(axis, nullptr), "Can'not assign to TZtChartAxis");
    EXPECT_EQ(AssignErrorOf(ticks, &axis), "Can'not assign to TZtChartTicks");
    EXPECT_EQ(AssignErrorOf(title, &labels), "Can'not assign to TZtChartTitle");
    EXPECT_EQ(AssignErrorOf(labels, &title), "Can'not assign to TZtChartLabels");
    EXPECT_EQ(axis.Min(), 5);
}

TEST(ZtChartAxis, AssignCopiesAllButTheTitlesIndentAndLayout)
{
    TZtChartAxis source, target;
    source.SetVisible(true);
    source.SetMin(-3);
    source.SetMax(7);
    source.SetFrequency(0.5);
    source.SetCountLabels(4);
    source.SetGridVisible(false);
    source.SetAxisVisible(false);
    source.SetAutoScale(true);
    source.Ticks()->SetType(cttInner);
    source.Ticks()->SetLength(9);
    source.Ticks()->SetMinorTickCount(2);
    source.Ticks()->SetMinotTickLength(6);
    source.Ticks()->Pen()->SetColor(clRed);
    source.Labels()->SetRoundFirstLabel(false);
    source.Labels()->SetVisible(false);
    source.Labels()->SetAngle(30);
    source.Labels()->SetIndent(8);
    source.Labels()->SetPrecision(3);
    source.Labels()->Font()->SetName("Arial");
    source.GridPen()->SetStyle(psDash);
    source.AxisPen()->SetWidth(3);
    source.Title()->SetText("X, \xB5m");
    source.Title()->SetVisible(false);
    source.Title()->SetColor(clGreen);
    source.Title()->SetAlignment(taRightJustify);
    source.Title()->SetAngle(90);
    source.Title()->Font()->SetColor(clBlue);
    source.Title()->SetIndent(11);
    source.Title()->SetLayout(tlBottom);

    Notices n;
    n.Watch(target);
    target.Assign(&source);
    EXPECT_TRUE(target.Visible());
    EXPECT_EQ(target.Min(), -3);
    EXPECT_EQ(target.Max(), 7);
    EXPECT_EQ(target.Frequency(), 0.5);
    EXPECT_EQ(target.CountLabels(), 4);
    EXPECT_FALSE(target.GridVisible());
    EXPECT_FALSE(target.AxisVisible());
    EXPECT_TRUE(target.AutoScale());
    EXPECT_EQ(target.Ticks()->Type(), cttInner);
    EXPECT_EQ(target.Ticks()->Length(), 9);
    EXPECT_EQ(target.Ticks()->MinorTickCount(), 2);
    EXPECT_EQ(target.Ticks()->MinotTickLength(), 6);
    EXPECT_EQ(target.Ticks()->Pen()->Color(), clRed);
    EXPECT_FALSE(target.Labels()->RoundFirstLabel());
    EXPECT_FALSE(target.Labels()->Visible());
    EXPECT_EQ(target.Labels()->Angle(), 30);
    EXPECT_EQ(target.Labels()->Indent(), 8);
    EXPECT_EQ(target.Labels()->Precision(), 3);
    EXPECT_EQ(target.Labels()->Font()->Name(), "Arial");
    EXPECT_EQ(target.GridPen()->Style(), psDash);
    EXPECT_EQ(target.AxisPen()->Width(), 3);
    EXPECT_EQ(target.Title()->Text(), "X, \xB5m");
    EXPECT_FALSE(target.Title()->Visible());
    EXPECT_EQ(target.Title()->Color(), clGreen);
    EXPECT_EQ(target.Title()->Alignment(), taRightJustify);
    EXPECT_EQ(target.Title()->Angle(), 90);
    EXPECT_EQ(target.Title()->Font()->Color(), clBlue);
    EXPECT_EQ(target.Title()->Indent(), 3);
    EXPECT_EQ(target.Title()->Layout(), tlCenter);
    // The copied pens and fonts report through the axis; OnChange stays the target's own.
    EXPECT_FALSE(n.Senders.empty());
    for (const void* sender : n.Senders)
        EXPECT_EQ(sender, &target);
}

TEST(ZtChartAxis, ChangesTravelFromThePartsThroughTheAxisToTheFrame)
{
    CountingFrame frame;
    frame.Load();
    std::vector<const void*> senders;
    TZtChartAxis* axis = frame.LeftAxis();
    // The frame's own handler stays in place behind a recorder.
    const TChangeEvent toFrame = axis->OnChange;
    axis->OnChange = [&](const void* sender) {
        senders.push_back(sender);
        toFrame(sender);
    };
    axis->Ticks()->SetLength(7);
    axis->Labels()->Font()->SetSize(12);
    axis->Title()->SetText("Y");
    ASSERT_EQ(senders.size(), 3u);
    for (const void* sender : senders)
        EXPECT_EQ(sender, axis);
    EXPECT_EQ(frame.Paints, 3);
}

TEST(ZtChartAxis, AssignOnAnOwnedPartRepaintsItsFrameOnce)
{
    CountingFrame frame;
    frame.Load();
    TZtChartAxis owned(&frame), free;
    for (TZtChartAxis* axis : {&owned, &free})
        axis->OnChange = [&frame](const void* sender) { frame.Change(sender); };
    TZtChartAxis source;
    source.Ticks()->Pen()->SetColor(clRed);
    owned.Assign(&source);
    EXPECT_EQ(frame.Paints, 1);
    frame.Paints = 0;
    free.Assign(&source); // without an owner every copied pen and font repaints
    EXPECT_GT(frame.Paints, 1);
    // Assigning an axis to itself does nothing.
    frame.Paints = 0;
    owned.Assign(&owned);
    EXPECT_EQ(frame.Paints, 0);
}

} // namespace
