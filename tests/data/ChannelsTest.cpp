#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "data/Channels.h"

namespace {
std::vector<int> Walk(const ChannelSet& set)
{
    std::vector<int> out;
    for (int c = NextChannel(NoChannel, set); c != NoChannel; c = NextChannel(c, set))
        out.push_back(c);
    return out;
}
}  // namespace

TEST(ChannelSet, StoresMembersAsBitsAndIgnoresNumbersOutsideTheRange)
{
    ChannelSet s;
    s.Include(0);
    s.Include(9);
    s.Include(101);
    s.Include(102);  // outside: ignored
    s.Include(-1);
    EXPECT_EQ(s.Bits[0], 0x01);
    EXPECT_EQ(s.Bits[1], 0x02);
    EXPECT_EQ(s.Bits[12], 0x20);  // 101 = 12 * 8 + 5
    EXPECT_TRUE(s.Contains(101));
    EXPECT_FALSE(s.Contains(102));
    EXPECT_FALSE(s.Contains(-1));
    s.Exclude(9);
    s.Exclude(200);
    EXPECT_FALSE(s.Contains(9));
    EXPECT_EQ(s, (ChannelSet{0, 101}));
    s.Clear();
    EXPECT_TRUE(s.Empty());
}

TEST(NextChannel, VisitsSlotsInOrderAndNeverTheMarks)
{
    EXPECT_EQ(Walk({0, 4, 101}), (std::vector<int>{0, 4}));
    EXPECT_EQ(Walk({100, 101}), std::vector<int>{});
    EXPECT_EQ(Walk({29, 20, 3}), (std::vector<int>{3, 20, 29}));
    EXPECT_EQ(NextChannel(29, ChannelSet{29}), NoChannel);
    EXPECT_EQ(NextChannel(-1, ChannelSet{5}), 5);
}

TEST(ChannelNames, HoldTheInstrumentNamesAndTakeUserNamesCut)
{
    EXPECT_STREQ(ChannelNames[0], "Topography");
    EXPECT_STREQ(ChannelNames[1], "Topography backward");
    EXPECT_STREQ(ChannelNames[5], "Amplitude backward");
    EXPECT_STREQ(ChannelNames[20], "Tip");
    EXPECT_STREQ(ChannelNames[6], "");
    char saved[32];
    std::memcpy(saved, ChannelNames[27], 32);
    SetChannelName(27, "a name that is far longer than thirty-one characters");
    EXPECT_EQ(std::strlen(ChannelNames[27]), 31u);
    SetChannelName(30, "ignored");
    std::memcpy(ChannelNames[27], saved, 32);
}
