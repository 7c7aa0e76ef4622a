#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ComponentFixtures.h"
#include "components/ZtChartClasses.h"

using namespace platform;
using componentfixtures::Notices;

namespace {

TEST(ZtChartClasses, AnglesAreKeptInOneTurnAndComparedAsGiven)
{
    const struct {
        int Given, Stored;
    } cases[] = {{-90, 270}, {720, 360}, {360, 360}, {361, 1}, {-360, 0}, {-30, 330}, {725, 5}};
    for (const auto& c : cases) {
        TZtChartTitle title;
        TZtChartLabels labels;
        title.SetAngle(c.Given);
        labels.SetAngle(c.Given);
        EXPECT_EQ(title.Angle(), c.Stored) << c.Given;
        EXPECT_EQ(labels.Angle(), c.Stored) << c.Given;
    }
    // The comparison is with the value given, before it is brought into one turn.
    TZtChartTitle title;
    Notices n;
    n.Watch(title);
    title.SetAngle(45);
    title.SetAngle(45);
    EXPECT_EQ(n.Senders.size(), 1u);
    title.SetAngle(-90);
    title.SetAngle(-90);
    EXPECT_EQ(n.Senders.size(), 3u);
    EXPECT_EQ(n.Senders.back(), &title);
}

TEST(ZtChartClasses, PrecisionBelowMinusOneStoresMinusOneAndStillNotifies)
{
    TZtChartLabels labels;
    Notices n;
    n.Watch(labels);
    labels.SetPrecision(-5);
    EXPECT_EQ(labels.Precision(), -1);
    labels.SetPrecision(-5);
    EXPECT_EQ(labels.Precision(), -1);
    EXPECT_EQ(n.Senders.size(), 2u);
    labels.SetPrecision(-1);
    EXPECT_EQ(n.Senders.size(), 2u);
}

} // namespace
