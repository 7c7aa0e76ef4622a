#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "data/Spmdata.h"
#include "platform/core/Messages.h"
#include "support/TestSupport.h"

using testsupport::Near;

namespace {

constexpr std::int32_t I32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t I32Max = std::numeric_limits<std::int32_t>::max();

TChannelHeader Header(int width, int height, float zScale = 1.0f)
{
    TChannelHeader h{};
    h.Width = static_cast<std::uint16_t>(width);
    h.Height = static_cast<std::uint16_t>(height);
    h.ZScale = zScale;
    return h;
}

// A channel of width × height holding `values` (row-major), as a loader makes it.
std::unique_ptr<TSPMData> Channel(int width, int height, const std::vector<std::int32_t>& values,
                                  float zScale = 1.0f)
{
    return std::make_unique<TSPMData>("scan.spm", Header(width, height, zScale), 0, values.data());
}

std::vector<std::int32_t> Values(TSPMData& ch)
{
    ch.Lock();
    std::vector<std::int32_t> v;
    if (const std::int32_t* p = ch.GetData())
        v.assign(p, p + ch.SampleCount());
    ch.Unlock();
    return v;
}

// A channel whose last computed range is min..max (its values do not matter here).
std::unique_ptr<TSPMData> RangeChannel(std::int32_t min, std::int32_t max)
{
    auto ch = std::make_unique<TSPMData>(1, 1, 0);
    ch->Header.Min = min;
    ch->Header.Max = max;
    return ch;
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << '(' << c.r << ", " << c.g << ", " << c.b << ')';
}

Rgb TableEntry(const TSPMData& ch, int i)
{
    const platform::PaletteEntry& e = ch.PaletteTable->palPalEntry.at(std::size_t(i));
    return {e.peRed, e.peGreen, e.peBlue};
}
Rgb HandleEntry(const TSPMData& ch, int i)
{
    const platform::PaletteEntry e = ch.Palette->Entry(i);
    return {e.peRed, e.peGreen, e.peBlue};
}

std::vector<int> MarkerPositions(const TSPMData& ch)
{
    std::vector<int> out;
    for (const TPALETTENODE* n = ch.Markers->Red.Head; n; n = n->Next)
        out.push_back(n->Position);
    return out;
}

class Spmdata : public ::testing::Test {
protected:
    platform::MessageRecorder messages;
};

}  // namespace

TEST(TextFields, CopyTextCutsAndZeroFillsFieldTextStopsAtTheField)
{
    struct Case {
        const char* source;
        std::size_t sourceSize, fieldSize;
        std::string expected;
    };
    const Case cases[] = {
        {"abc", 10, 6, "abc"},
        {"abcdefgh", 9, 4, "abc"},  // cut to fieldSize − 1
        {"xyzw", 3, 6, "xyz"},      // no zero within the source's bytes
        {nullptr, 5, 6, ""},
    };
    for (const Case& c : cases) {
        const std::string at = "case " + std::to_string(&c - cases);
        char field[8];
        std::memset(field, 'Q', sizeof field);
        CopyText(field, c.fieldSize, c.source, c.sourceSize);
        EXPECT_EQ(std::string(field), c.expected) << at;
        for (std::size_t i = c.expected.size(); i < c.fieldSize; ++i)
            EXPECT_EQ(field[i], 0) << at << " byte " << i;
        EXPECT_EQ(field[c.fieldSize], 'Q') << "wrote past the field";
    }

    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(FieldText(full, 4), "abcd");
    EXPECT_EQ(FieldText("ab\0cd", 5), "ab");
}

TEST_F(Spmdata, LoaderConstructorCopiesHeaderAndSamples)
{
    TChannelHeader h = Header(3, 2, 0.25f);
    h.Reserved52[1] = 0x5A;
    std::strcpy(h.ZUnit, "nm");
    std::strcpy(h.Comment, "a note");
    std::vector<std::int32_t> samples{1, -2, 3, 40000, -50000, I32Max};
    TSPMData ch("dir/scan.spm", h, 2, samples.data());
    samples[0] = 99;  // the channel holds its own copy

    EXPECT_EQ(std::memcmp(&ch.Header, &h, sizeof h), 0);
    EXPECT_EQ(Values(ch), (std::vector<std::int32_t>{1, -2, 3, 40000, -50000, I32Max}));
    EXPECT_EQ(ch.Name, "Phase");  // empty header name: the slot's name
    EXPECT_EQ(ch.SourceFile, "dir/scan.spm");
    EXPECT_EQ(ch.Channel, 2);
    EXPECT_EQ(ch.MaxColours, 1000);
    EXPECT_FALSE(ch.SwappedOut);
    EXPECT_FALSE(ch.HasPalette);
    EXPECT_TRUE(ch.PaletteStale);
    EXPECT_FALSE(ch.Locked);
    EXPECT_EQ(ch.Data, nullptr);
    EXPECT_EQ(ch.GetComment(), "a note");
    EXPECT_EQ(ch.ZUnit(), ch.Header.ZUnit);
    EXPECT_EQ(ch.XYUnit(), ch.Header.XYUnit);

    std::memset(h.Name, 'N', sizeof h.Name);  // a name filling its field without a zero
    std::memset(h.Comment, 'C', sizeof h.Comment);
    TSPMData named("", h, 0, samples.data());
    EXPECT_EQ(named.Name, std::string(32, 'N'));
    EXPECT_EQ(named.GetComment(), std::string(256, 'C'));
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(Spmdata, SizeConstructorMakesAZeroChannelNamedAfterItsSlot)
{
    TSPMData tip(4, 3, 20);
    EXPECT_EQ(tip.Name, "Tip");
    EXPECT_EQ(tip.Header.Width, 4);
    EXPECT_EQ(tip.Header.Height, 3);
    TChannelHeader expected{};
    expected.Width = 4;
    expected.Height = 3;
    EXPECT_EQ(std::memcmp(&tip.Header, &expected, sizeof expected), 0);
    EXPECT_EQ(Values(tip), std::vector<std::int32_t>(12, 0));
    EXPECT_TRUE(tip.SourceFile.empty());
    EXPECT_TRUE(tip.PaletteStale);
    EXPECT_EQ(TSPMData(1, 1, 7).Name, "");
}

TEST_F(Spmdata, AdoptingConstructorTakesOverTheBlock)
{
    auto block = platform::MemoryBlock::Allocate(6 * sizeof(std::int32_t));
    auto* p = static_cast<std::int32_t*>(block->Address());
    for (int i = 0; i < 6; ++i)
        p[i] = 10 * i - 20;
    TSPMData ch("scan.spm", Header(2, 3), 0, std::move(block));
    ch.Lock();
    EXPECT_EQ(ch.GetData(), p);  // no second copy
    EXPECT_EQ(ch.GetValue(2, 1), 30);
    ch.Unlock();

    // A block smaller than the header's matrix is refused: accessors answer "Lock data".
    TSPMData shortBlock("scan.spm", Header(4, 4), 0, platform::MemoryBlock::Allocate(15 * 4));
    EXPECT_EQ(shortBlock.Block, nullptr);
    shortBlock.Lock();
    EXPECT_EQ(shortBlock.GetValue(3, 3), 0);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Lock data"});
}

TEST_F(Spmdata, LocksNestAndAccessorsRefuseAnUnlockedChannel)
{
    auto ch = Channel(3, 2, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(ch->GetValue(1, 1), 0);
    EXPECT_EQ(ch->GetValueAboveMin(1, 1), 0);
    EXPECT_EQ(ch->GetData(), nullptr);
    ch->SetValue(0, 0, 77);
    ASSERT_EQ(messages.Count(), 4u);  // one box per refused call
    for (const platform::RecordedMessage& m : messages.Recorded()) {
        EXPECT_EQ(m.Text, "Lock data");
        EXPECT_EQ(m.Caption, "Error");
        EXPECT_EQ(m.Icon, platform::MessageIcon::Error);
    }
    messages.Clear();

    ch->Lock();
    ch->Lock();
    EXPECT_TRUE(ch->Locked);
    EXPECT_EQ(ch->GetValue(0, 0), 1);  // the refused SetValue wrote nothing
    EXPECT_EQ(ch->GetValue(1, 2), 6);
    ch->SetValue(1, 0, -9);
    ch->Unlock();
    EXPECT_TRUE(ch->Locked);  // one lock still open
    ASSERT_NE(ch->Data, nullptr);
    EXPECT_EQ(ch->GetValue(1, 0), -9);
    ch->Unlock();
    EXPECT_FALSE(ch->Locked);
    EXPECT_EQ(ch->Data, nullptr);
    ch->Unlock();  // an extra unlock does not open a debt
    ch->Lock();
    EXPECT_TRUE(ch->Locked);
    ch->Unlock();
    EXPECT_FALSE(ch->Locked);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(Spmdata, GetValueAboveMinAndRangeUseSixtyFourBits)
{
    auto ch = Channel(2, 1, {I32Min, I32Max});
    ch->ComputeRange();
    EXPECT_EQ(ch->Header.Min, I32Min);
    EXPECT_EQ(ch->Header.Max, I32Max);
    EXPECT_EQ(ch->GetRange(), 4294967295LL);  // 2^32 − 1
    ch->Lock();
    EXPECT_EQ(ch->GetValueAboveMin(0, 1), 4294967295LL);
    EXPECT_EQ(ch->GetValueAboveMin(0, 0), 0);
    ch->Unlock();

    auto negative = Channel(2, 2, {-7, -3, -100, -1});
    negative->ComputeRange();
    EXPECT_EQ(negative->Header.Min, -100);
    EXPECT_EQ(negative->Header.Max, -1);
    EXPECT_EQ(negative->GetRange(), 99);
}

TEST_F(Spmdata, NormalizeShiftsToZeroWrappingAsThirtyTwoBitArithmetic)
{
    auto ch = Channel(3, 1, {5, -3, 10});
    ch->Normalize();
    EXPECT_EQ(Values(*ch), (std::vector<std::int32_t>{8, 0, 13}));
    EXPECT_EQ(ch->Header.Min, 0);
    EXPECT_EQ(ch->Header.Max, 13);

    // A range wider than 31 bits: value − min modulo 2^32 (hand-computed).
    auto wide = Channel(3, 1, {I32Min, 0, I32Max});
    wide->Normalize();
    EXPECT_EQ(Values(*wide), (std::vector<std::int32_t>{0, I32Min, -1}));
    EXPECT_EQ(wide->Header.Min, 0);
    EXPECT_EQ(wide->Header.Max, -1);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(Spmdata, StatisticsFollowTheRoughnessFormulas)
{
    struct Case {
        int width, height;
        std::vector<std::int32_t> values;
        float z;
        double mean, ra, rq, rsk, rku;
    };
    // Analytic: {0,0,0,4} gives d = (−1,−1,−1,3): Rq = √3, Rsk = 24 / (3√3 · 4), Rku = 84 / 36.
    const Case cases[] = {
        {2, 2, {0, 0, 0, 4}, 1.0f, 1.0, 1.5, std::sqrt(3.0), 2 / std::sqrt(3.0), 7.0 / 3},
        {2, 2, {0, 0, 0, 4}, 0.5f, 0.5, 0.75, std::sqrt(0.75), 2 / std::sqrt(3.0), 7.0 / 3},
        {4, 1, {-1, 1, -1, 1}, 2.0f, 0.0, 2.0, 2.0, 0.0, 1.0},
        {3, 1, {7, 7, 7}, 2.0f, 14.0, 0.0, 0.0, 0.0, 0.0},  // constant: no NaN
        {0, 5, {}, 1.0f, 0.0, 0.0, 0.0, 0.0, 0.0},          // no samples
    };
    for (const Case& c : cases) {
        auto ch = Channel(c.width, c.height, c.values, c.z);
        ch->Mean = ch->Ra = ch->Rq = ch->Rsk = ch->Rku = -123;
        ch->ComputeStatistics();
        const std::string at = "case " + std::to_string(&c - cases);
        EXPECT_TRUE(Near(ch->Mean, c.mean)) << at << " Mean " << ch->Mean;
        EXPECT_TRUE(Near(ch->Ra, c.ra)) << at << " Ra " << ch->Ra;
        EXPECT_TRUE(Near(ch->Rq, c.rq)) << at << " Rq " << ch->Rq;
        EXPECT_TRUE(Near(ch->Rsk, c.rsk)) << at << " Rsk " << ch->Rsk;
        EXPECT_TRUE(Near(ch->Rku, c.rku)) << at << " Rku " << ch->Rku;
        EXPECT_EQ(ch->Block->LockCount(), 0) << at;
    }
    EXPECT_TRUE(messages.Texts().empty());  // a sound channel never reports

    // A caller's own lock stays open across the statistics.
    auto held = Channel(2, 1, {1, 3});
    held->Lock();
    held->ComputeStatistics();
    EXPECT_TRUE(held->Locked);
    EXPECT_EQ(held->GetValue(0, 1), 3);
    held->Unlock();
    EXPECT_TRUE(Near(held->Mean, 2.0));
}

TEST_F(Spmdata, AChannelWithoutBlockReportsOncePerSweepAndChangesNothing)
{
    TSPMData ch("scan.spm", Header(64, 64), 0, std::unique_ptr<platform::MemoryBlock>());
    ch.Header.Min = 3;
    ch.Header.Max = 9;
    ch.Mean = 5;
    ch.Lock();
    EXPECT_FALSE(ch.Locked);
    EXPECT_EQ(ch.Data, nullptr);

    for (void (TSPMData::*sweep)() :
         {&TSPMData::ComputeRange, &TSPMData::Normalize, &TSPMData::ComputeStatistics}) {
        messages.Clear();
        (ch.*sweep)();
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Lock data"});
    }
    EXPECT_EQ(ch.Header.Min, 3);
    EXPECT_EQ(ch.Header.Max, 9);
    EXPECT_EQ(ch.Mean, 5);
}

TEST_F(Spmdata, ASwappedOutChannelIsAShell)
{
    auto ch = Channel(2, 2, {1, 2, 3, 4});
    ch->ComputeRange();
    ch->DefaultPalette();
    ch->FreeMatrix();
    EXPECT_TRUE(ch->SwappedOut);
    EXPECT_EQ(ch->Block, nullptr);
    EXPECT_EQ(ch->PaletteTable, nullptr);
    EXPECT_EQ(ch->Markers, nullptr);

    // Lock, range, normalise and palette operations do nothing, silently.
    ch->Header.Max = 2000;
    ch->Lock();
    ch->Unlock();
    ch->ComputeRange();
    ch->Normalize();
    ch->RescalePalette();
    ch->DefaultPalette();
    ch->BuildPalette();
    ch->UpdatePaletteRange(-1, 9);
    EXPECT_FALSE(ch->Locked);
    EXPECT_EQ(ch->Header.Min, 1);
    EXPECT_EQ(ch->Header.Max, 2000);
    EXPECT_EQ(ch->PaletteTable, nullptr);
    EXPECT_EQ(ch->ColourCount, 4);
    EXPECT_TRUE(messages.Texts().empty());

    // The accessors and the statistics refuse, once per call.
    EXPECT_EQ(ch->GetValue(0, 0), 0);
    ch->ComputeStatistics();
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Lock data", "Lock data"}));
}

TEST_F(Spmdata, ColourCountIsTheRangePlusOneCappedAtMaxColours)
{
    struct Case {
        std::int32_t min, max;
        int colours;
        double rawPerColour;
    };
    const Case cases[] = {
        {0, 0, 1, 1.0},
        {-500, 500, 1001, 1.0},
        {0, 1001, 1000, 1.002},
        {7, 5007, 1000, 5.001},
        {I32Min, I32Max, 1000, 4294967.296},
        {5, 0, 1, -4.0},  // a range never computed: one colour
    };
    for (const Case& c : cases) {
        auto ch = RangeChannel(c.min, c.max);
        ch->DefaultPalette();
        const std::string at = std::to_string(c.min) + ".." + std::to_string(c.max);
        EXPECT_EQ(ch->ColourCount, c.colours) << at;
        EXPECT_TRUE(Near(ch->RawPerColour, c.rawPerColour)) << at << ' ' << ch->RawPerColour;
        EXPECT_TRUE(ch->HasPalette);
        EXPECT_FALSE(ch->PaletteStale);
        ASSERT_NE(ch->PaletteTable, nullptr);
        EXPECT_EQ(ch->PaletteTable->palVersion, 0x300);
        EXPECT_EQ(ch->PaletteTable->palNumEntries, c.colours) << at;
        EXPECT_EQ(ch->PaletteTable->palPalEntry.size(), std::size_t(c.colours) + 1) << at;
        ASSERT_NE(ch->Palette, nullptr);
        EXPECT_EQ(ch->Palette->EntryCount(), c.colours) << at;
        EXPECT_EQ(MarkerPositions(*ch), (std::vector<int>{0, c.colours / 2, c.colours})) << at;
    }
}

TEST_F(Spmdata, DefaultPaletteRunsFromBlackTowardsWhite)
{
    struct Case {
        std::int32_t range;
        int entry;
        Rgb colour;
    };
    // Hand-computed: entry p of a stretch is (p − pj) × slope + colour j, truncated.
    const Case cases[] = {
        {1000, 0, {0, 0, 0}},          {1000, 499, {109, 119, 129}},
        {1000, 500, {110, 120, 130}},  {1000, 1000, {254, 254, 254}},  // white lies past the end
        {2, 0, {0, 0, 0}},             {2, 1, {110, 120, 130}},
        {2, 2, {182, 187, 192}},       {0, 0, {110, 120, 130}},
    };
    for (const Case& c : cases) {
        auto ch = RangeChannel(0, c.range);
        ch->DefaultPalette();
        EXPECT_EQ(TableEntry(*ch, c.entry), c.colour) << c.range << " entry " << c.entry;
        EXPECT_EQ(HandleEntry(*ch, c.entry), c.colour) << c.range << " entry " << c.entry;
    }

    auto ch = RangeChannel(0, 1000);
    ch->DefaultPalette();
    for (int i = 0; i < ch->ColourCount; ++i)
        ASSERT_EQ(ch->PaletteTable->palPalEntry[std::size_t(i)].peFlags, 1) << i;
    EXPECT_EQ(TableEntry(*ch, 1001), (Rgb{0, 0, 0}));  // the spare entry stays empty
}

TEST_F(Spmdata, BuildPaletteInterpolatesBetweenTheMarkers)
{
    auto ch = RangeChannel(0, 10);  // 11 colours
    ch->Markers = std::make_unique<TPALETTEMARKER>();
    ch->Markers->Add(0, 0, 0, 0);
    ch->Markers->Add(5, 100, 50, 50);
    ch->Markers->Add(5, 200, 50, 100);  // same position: its stretch starts at entry 5
    ch->Markers->Add(10, 255, 0, 97);
    ch->BuildPalette();
    EXPECT_TRUE(ch->HasPalette);
    // Hand-computed; blue falls by 0.6 per entry from 100 and truncates toward zero.
    const Rgb expected[] = {{0, 0, 0},      {20, 10, 10},   {40, 20, 20},   {60, 30, 30},
                            {80, 40, 40},   {200, 50, 100}, {211, 40, 99},  {222, 30, 98},
                            {233, 20, 98},  {244, 10, 97},  {255, 0, 97}};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(TableEntry(*ch, i), expected[i]) << "entry " << i;

    // Entries before the first marker take its colour; a single marker colours all.
    auto single = RangeChannel(0, 5);
    single->Markers = std::make_unique<TPALETTEMARKER>();
    single->Markers->Add(3, 9, 8, 7);
    single->BuildPalette();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(TableEntry(*single, i), (Rgb{9, 8, 7})) << "entry " << i;
}

TEST_F(Spmdata, MarkersOutsideThePaletteOnlyBoundTheirStretch)
{
    auto ch = RangeChannel(0, 1000);
    ch->Markers = std::make_unique<TPALETTEMARKER>();
    ch->Markers->Add(-1000, 0, 0, 0);
    ch->Markers->Add(3000, 200, 200, 200);
    ch->BuildPalette();
    // Slope 200 / 4000 from position −1000 (hand-computed).
    EXPECT_EQ(TableEntry(*ch, 0), (Rgb{50, 50, 50}));
    EXPECT_EQ(TableEntry(*ch, 500), (Rgb{75, 75, 75}));
    EXPECT_EQ(TableEntry(*ch, 1000), (Rgb{100, 100, 100}));
    EXPECT_EQ(ch->PaletteTable->palPalEntry.size(), 1002u);

    // The widest positions a file can hold: 2^31 × 255 / (2^32 − 1) truncates to 127.
    ch->Markers = std::make_unique<TPALETTEMARKER>();
    ch->Markers->Add(I32Min, 0, 0, 0);
    ch->Markers->Add(I32Max, 255, 255, 255);
    ch->BuildPalette();
    EXPECT_EQ(TableEntry(*ch, 0), (Rgb{127, 127, 127}));
    EXPECT_EQ(TableEntry(*ch, 1000), (Rgb{127, 127, 127}));
}

TEST_F(Spmdata, BuildPaletteWithoutMarkersPutsTheDefaultOnesInPlace)
{
    auto reference = RangeChannel(0, 2);
    reference->DefaultPalette();
    for (bool emptySet : {false, true}) {
        auto ch = RangeChannel(0, 2);
        if (emptySet)
            ch->Markers = std::make_unique<TPALETTEMARKER>();
        ch->BuildPalette();
        ASSERT_NE(ch->Markers, nullptr);
        EXPECT_EQ(ch->Markers->GetCount(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(TableEntry(*ch, i), TableEntry(*reference, i)) << emptySet << ' ' << i;
    }
}

TEST_F(Spmdata, ARebuildMakesANewHandleAndTheOldOneLivesOn)
{
    auto ch = RangeChannel(0, 2);
    ch->DefaultPalette();
    platform::HPALETTE old = ch->Palette;
    ch->Markers->Set(1, 1, 10, 20, 30);
    ch->BuildPalette();
    EXPECT_NE(ch->Palette, old);
    EXPECT_EQ(old->EntryCount(), 3);
    EXPECT_EQ(old->Entry(1).peRed, 110);
    EXPECT_EQ(HandleEntry(*ch, 1), (Rgb{10, 20, 30}));
}

namespace {

// Range 1000 (1001 colours) with markers at 0, 200, 500, 700 and 1001.
std::unique_ptr<TSPMData> FiveMarkerChannel()
{
    auto ch = RangeChannel(0, 1000);
    ch->DefaultPalette();
    ch->Markers->Add(200, 10, 200, 30);
    ch->Markers->Add(700, 250, 20, 100);
    ch->BuildPalette();
    return ch;
}

}  // namespace

TEST_F(Spmdata, UpdatePaletteRangeMatchesAFullRebuild)
{
    struct Case {
        int moved;  // marker that the editor changed
        int position;
        int first, last;
    };
    const Case cases[] = {
        {2, 420, 1, 3},
        {2, 420, -1, 3},  // from the start
        {2, 420, 1, 5},   // last past the markers: to the end
        {2, 420, 1, -1},  // a negative last also runs to the end
        {0, 100, -1, 1},  // the first marker moved: entries before it take its colour
        {4, 900, 3, 5},   // the last marker moved inside the palette
        {2, 420, -1, 5},
    };
    for (const Case& c : cases) {
        const std::string at = "marker " + std::to_string(c.moved) + " (" +
                               std::to_string(c.first) + ", " + std::to_string(c.last) + ")";
        auto ch = FiveMarkerChannel();
        const platform::HPALETTE handle = ch->Palette;
        ch->Markers->Set(c.moved, c.position, 5, 250, 60);
        ch->UpdatePaletteRange(c.first, c.last);
        EXPECT_EQ(ch->Palette, handle) << at;  // the existing palette is updated in place

        auto reference = FiveMarkerChannel();
        reference->Markers->Set(c.moved, c.position, 5, 250, 60);
        reference->BuildPalette();
        for (int i = 0; i < 1001; ++i) {
            ASSERT_EQ(TableEntry(*ch, i), TableEntry(*reference, i)) << at << " entry " << i;
            ASSERT_EQ(HandleEntry(*ch, i), HandleEntry(*reference, i)) << at << " entry " << i;
        }
    }
}

TEST_F(Spmdata, UpdatePaletteRangeHandsOnlyTheStretchToThePalette)
{
    auto ch = FiveMarkerChannel();
    const Rgb before199 = HandleEntry(*ch, 199), before700 = HandleEntry(*ch, 700);
    // Poke the table just outside the stretch 200..699 of markers 1 to 3.
    ch->PaletteTable->palPalEntry[199] = {1, 1, 1, 1};
    ch->PaletteTable->palPalEntry[700] = {2, 2, 2, 1};
    ch->Markers->Set(2, 420, 5, 250, 60);
    ch->UpdatePaletteRange(1, 3);
    EXPECT_EQ(HandleEntry(*ch, 199), before199);
    EXPECT_EQ(HandleEntry(*ch, 700), before700);
    EXPECT_EQ(TableEntry(*ch, 199), (Rgb{1, 1, 1}));  // nor written into the table
    EXPECT_EQ(TableEntry(*ch, 700), (Rgb{2, 2, 2}));
    EXPECT_EQ(HandleEntry(*ch, 420), (Rgb{5, 250, 60}));
    EXPECT_EQ(HandleEntry(*ch, 200), (Rgb{10, 200, 30}));

    // A stale palette is rebuilt as a whole instead.
    const platform::HPALETTE handle = ch->Palette;
    ch->PaletteStale = true;
    ch->UpdatePaletteRange(1, 3);
    EXPECT_NE(ch->Palette, handle);
    EXPECT_FALSE(ch->PaletteStale);
    EXPECT_EQ(HandleEntry(*ch, 199), TableEntry(*ch, 199));
}

TEST_F(Spmdata, RescalePaletteMovesMarkersAndMarksASmallTableStale)
{
    // 1000 to 500 colours: a marker at 999 moves to 499; the table stays, not stale.
    auto down = RangeChannel(0, 999);
    down->DefaultPalette();
    EXPECT_EQ(down->Markers->Add(999, 1, 2, 3), 2);
    down->BuildPalette();
    const platform::LogPalette* table = down->PaletteTable.get();
    down->Header.Max = 499;
    down->RescalePalette();
    EXPECT_EQ(down->ColourCount, 500);
    EXPECT_EQ(MarkerPositions(*down), (std::vector<int>{0, 250, 499, 500}));
    EXPECT_EQ(down->PaletteTable.get(), table);
    EXPECT_EQ(down->PaletteTable->palNumEntries, 1000);
    EXPECT_FALSE(down->PaletteStale);
    // Back to 1000 colours before any rebuild: the kept table is large enough.
    down->Header.Max = 999;
    down->RescalePalette();
    EXPECT_EQ(MarkerPositions(*down), (std::vector<int>{0, 500, 998, 1000}));
    EXPECT_FALSE(down->PaletteStale);

    // 500 to 1000 colours: the table is too small and must be made anew.
    auto up = RangeChannel(0, 499);
    up->DefaultPalette();
    up->Header.Max = 999;
    up->RescalePalette();
    EXPECT_EQ(MarkerPositions(*up), (std::vector<int>{0, 500, 1000}));
    EXPECT_TRUE(up->PaletteStale);
    up->BuildPalette();
    EXPECT_FALSE(up->PaletteStale);
    EXPECT_EQ(up->PaletteTable->palNumEntries, 1000);

    // Both ranges capped at 1000 colours: ratio 1, the markers stay.
    auto same = RangeChannel(0, 5000);
    same->DefaultPalette();
    same->Header.Max = 6000;
    same->RescalePalette();
    EXPECT_EQ(MarkerPositions(*same), (std::vector<int>{0, 500, 1000}));
    EXPECT_TRUE(Near(same->RawPerColour, 6.001));
    EXPECT_FALSE(same->PaletteStale);

    // Without a palette nothing happens.
    auto none = RangeChannel(0, 10);
    none->RescalePalette();
    EXPECT_EQ(none->ColourCount, 0);
    EXPECT_EQ(none->Markers, nullptr);
}
