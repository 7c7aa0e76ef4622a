#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "data/Palette.h"

namespace {

using Nodes = std::vector<std::pair<int, int>>;  // (position, value)

// The list's nodes from the head; also checks that Tail and Count agree with the links.
Nodes Walk(const TPALETTE& list)
{
    Nodes out;
    const TPALETTENODE* last = nullptr;
    for (const TPALETTENODE* n = list.Head; n; n = n->Next) {
        out.emplace_back(n->Position, n->Value);
        last = n;
    }
    EXPECT_EQ(list.Tail, last);
    EXPECT_EQ(list.Count, static_cast<int>(out.size()));
    return out;
}

struct Marker {
    int Position, Red, Green, Blue;
    bool operator==(const Marker&) const = default;
};

std::vector<Marker> Markers(const TPALETTEMARKER& m)
{
    std::vector<Marker> out;
    for (int i = 0; i < m.GetCount(); ++i) {
        Marker k{};
        EXPECT_TRUE(m.Get(i, k.Position, k.Red, k.Green, k.Blue));
        out.push_back(k);
    }
    // The three lists always hold the same positions.
    const Nodes r = Walk(m.Red), g = Walk(m.Green), b = Walk(m.Blue);
    EXPECT_EQ(r.size(), out.size());
    for (std::size_t i = 0; i < r.size() && i < g.size() && i < b.size(); ++i) {
        EXPECT_EQ(g[i].first, r[i].first);
        EXPECT_EQ(b[i].first, r[i].first);
    }
    return out;
}

// A list of the given positions, value = 10 × position.
void Fill(TPALETTE& list, std::initializer_list<int> positions)
{
    for (int p : positions)
        list.InsertAfter(list.Count - 1, p, 10 * p);
}

}  // namespace

TEST(PaletteList, StartsEmptyOrWithTheThreeDefaultNodes)
{
    TPALETTE empty;
    EXPECT_EQ(Walk(empty), Nodes{});
    EXPECT_EQ(empty.Head, nullptr);

    // n / 2 truncates toward zero, also for a negative n.
    EXPECT_EQ(Walk(TPALETTE(1001, 110)), (Nodes{{0, 0}, {500, 110}, {1001, 255}}));
    EXPECT_EQ(Walk(TPALETTE(1, 120)), (Nodes{{0, 0}, {0, 120}, {1, 255}}));
    EXPECT_EQ(Walk(TPALETTE(-3, 7)), (Nodes{{0, 0}, {-1, 7}, {-3, 255}}));
}

TEST(PaletteList, InsertAfterLinksTheNodeAndMovesTheTailOnlyAtTheEnd)
{
    TPALETTE list;
    list.InsertAfter(5, 10, 1);  // empty list: becomes head and tail whatever the index
    EXPECT_EQ(Walk(list), (Nodes{{10, 1}}));
    list.InsertAfter(0, 30, 3);  // after the tail
    list.InsertAfter(0, 20, 2);  // in the middle: the tail stays
    EXPECT_EQ(Walk(list), (Nodes{{10, 1}, {20, 2}, {30, 3}}));
    EXPECT_EQ(list.Tail->Position, 30);

    // Indices outside the list insert after the nearest end; never before the head.
    list.InsertAfter(-1, 15, 4);
    list.InsertAfter(99, 40, 5);
    EXPECT_EQ(Walk(list), (Nodes{{10, 1}, {15, 4}, {20, 2}, {30, 3}, {40, 5}}));
}

TEST(PaletteList, DeleteFixesHeadTailAndPredecessorAndIgnoresIndicesOutside)
{
    TPALETTE list;
    Fill(list, {1, 2, 3, 4, 5});
    list.Delete(5);
    list.Delete(-1);
    EXPECT_EQ(Walk(list).size(), 5u);

    list.Delete(4);  // tail
    EXPECT_EQ(Walk(list), (Nodes{{1, 10}, {2, 20}, {3, 30}, {4, 40}}));
    list.Delete(0);  // head
    EXPECT_EQ(Walk(list), (Nodes{{2, 20}, {3, 30}, {4, 40}}));
    list.Delete(1);  // middle
    EXPECT_EQ(Walk(list), (Nodes{{2, 20}, {4, 40}}));
    list.Delete(1);
    list.Delete(0);
    EXPECT_EQ(Walk(list), Nodes{});
    EXPECT_EQ(list.Head, nullptr);
    list.InsertAfter(0, 7, 70);  // an emptied list takes nodes again
    EXPECT_EQ(Walk(list), (Nodes{{7, 70}}));
}

TEST(PaletteList, GetAndSetAddressNodesByIndex)
{
    TPALETTE list;
    Fill(list, {0, 5, 9});
    int p = -1, v = -1;
    EXPECT_TRUE(list.Get(1, p, v));
    EXPECT_EQ(p, 5);
    EXPECT_EQ(v, 50);
    list.Set(2, 12, 99);
    list.Set(3, 1, 1);  // no such node: ignored
    EXPECT_EQ(Walk(list), (Nodes{{0, 0}, {5, 50}, {12, 99}}));
    EXPECT_FALSE(list.Get(3, p, v));
    EXPECT_EQ(p, 0);
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(list.Get(-1, p, v));
}

TEST(PaletteList, FindAboveAndFindSegment)
{
    TPALETTE list;
    Fill(list, {0, 10, 10, 20});
    struct Case {
        int x;
        int above, abovePos;  // FindAbove: index and position (-1, 0 when none)
        int segment, segmentPos;
    };
    const Case cases[] = {
        {-5, 0, 0, 0, 0},    // below the first node: segment 0
        {0, 1, 10, 0, 0},
        {9, 1, 10, 0, 0},
        {10, 3, 20, 2, 10},  // equal positions: the later node starts the segment
        {19, 3, 20, 2, 10},
        {20, -1, 0, 3, 20},  // at or past the last node: the last index
        {1000, -1, 0, 3, 20},
    };
    for (const Case& c : cases) {
        int p = -1, v = -1;
        EXPECT_EQ(list.FindAbove(c.x, p, v), c.above) << c.x;
        EXPECT_EQ(p, c.abovePos) << c.x;
        EXPECT_EQ(v, c.above < 0 ? 0 : 10 * c.abovePos) << c.x;
        EXPECT_EQ(list.FindSegment(c.x, p, v), c.segment) << c.x;
        EXPECT_EQ(p, c.segmentPos) << c.x;
        EXPECT_EQ(v, 10 * c.segmentPos) << c.x;
    }

    TPALETTE empty;
    int p = 0, v = 0;
    EXPECT_EQ(empty.FindAbove(3, p, v), -1);
    EXPECT_EQ(empty.FindSegment(3, p, v), -1);
    TPALETTE one;
    Fill(one, {4});
    EXPECT_EQ(one.FindSegment(0, p, v), 0);
    EXPECT_EQ(one.FindSegment(9, p, v), 0);
}

TEST(PaletteMarkers, DefaultMarkersAreBlackGreyWhite)
{
    EXPECT_EQ(TPALETTEMARKER().GetCount(), 0);
    EXPECT_EQ(Markers(TPALETTEMARKER(1001)),
              (std::vector<Marker>{{0, 0, 0, 0}, {500, 110, 120, 130}, {1001, 255, 255, 255}}));
    EXPECT_EQ(Markers(TPALETTEMARKER(1)),
              (std::vector<Marker>{{0, 0, 0, 0}, {0, 110, 120, 130}, {1, 255, 255, 255}}));
}

TEST(PaletteMarkers, AddInsertsAfterTheSegmentOfThePosition)
{
    TPALETTEMARKER m;
    EXPECT_EQ(m.Add(50, 1, 2, 3), 0);  // empty set: marker 0
    EXPECT_EQ(m.Add(100, 4, 5, 6), 1);
    EXPECT_EQ(m.Add(70, 7, 8, 9), 1);
    EXPECT_EQ(m.Add(100, 10, 11, 12), 3);  // equal to the last: after it
    // Below the first marker: inserted after the first, so the order breaks.
    EXPECT_EQ(m.Add(10, 13, 14, 15), 1);
    EXPECT_EQ(m.GetCount(), 5);
    EXPECT_EQ(Markers(m), (std::vector<Marker>{{50, 1, 2, 3},
                                               {10, 13, 14, 15},
                                               {70, 7, 8, 9},
                                               {100, 4, 5, 6},
                                               {100, 10, 11, 12}}));
    EXPECT_EQ(m.FindSegment(60), 1);  // the lists are searched as they stand
    EXPECT_EQ(m.FindAbove(60), 2);
}

TEST(PaletteMarkers, DeleteGetAndSetWorkOnAllThreeLists)
{
    TPALETTEMARKER m(100);
    m.Delete(3);
    m.Delete(-1);
    EXPECT_EQ(m.GetCount(), 3);
    m.Set(1, 40, 1, 2, 3);
    m.Set(3, 1, 1, 1, 1);  // outside: ignored
    m.Delete(0);
    EXPECT_EQ(Markers(m), (std::vector<Marker>{{40, 1, 2, 3}, {100, 255, 255, 255}}));
    Marker k{9, 9, 9, 9};
    EXPECT_FALSE(m.Get(2, k.Position, k.Red, k.Green, k.Blue));
    EXPECT_EQ(k, (Marker{0, 0, 0, 0}));
}

TEST(PaletteMarkers, CopyIsDeepAndKeepsTheOrder)
{
    TPALETTEMARKER original(10);
    original.Add(2, 20, 30, 40);
    original.Add(1, 5, 6, 7);
    TPALETTEMARKER copy(original);
    EXPECT_EQ(Markers(copy), Markers(original));
    EXPECT_NE(copy.Red.Head, original.Red.Head);
    copy.Set(0, 3, 3, 3, 3);
    copy.Delete(4);
    EXPECT_EQ(original.GetCount(), 5);
    int p = 0, r = 0, g = 0, b = 0;
    original.Get(0, p, r, g, b);
    EXPECT_EQ(p, 0);
    EXPECT_EQ(Markers(TPALETTEMARKER(TPALETTEMARKER())).size(), 0u);
}

// ---------------------------------------------------------------------------------------
// Random marker sets against a plain model of the list rules: every public operation
// answers as the model does, whatever the order the operations leave the markers in.

namespace {

// The list rules on a plain array of (position, value).
struct ModelList {
    Nodes n;

    int Size() const { return static_cast<int>(n.size()); }
    void InsertAfter(int index, int position, int value)
    {
        if (n.empty()) {
            n.emplace_back(position, value);
            return;
        }
        index = std::clamp(index, 0, Size() - 1);
        n.insert(n.begin() + index + 1, {position, value});
    }
    void Delete(int index)
    {
        if (index >= 0 && index < Size())
            n.erase(n.begin() + index);
    }
    bool Get(int index, int& position, int& value) const
    {
        const bool inside = index >= 0 && index < Size();
        position = inside ? n[std::size_t(index)].first : 0;
        value = inside ? n[std::size_t(index)].second : 0;
        return inside;
    }
    void Set(int index, int position, int value)
    {
        if (index >= 0 && index < Size())
            n[std::size_t(index)] = {position, value};
    }
    int FindAbove(int x, int& position, int& value) const
    {
        for (int i = 0; i < Size(); ++i)
            if (n[std::size_t(i)].first > x)
                return Get(i, position, value), i;
        position = value = 0;
        return -1;
    }
    int FindSegment(int x, int& position, int& value) const
    {
        if (n.empty()) {
            position = value = 0;
            return -1;
        }
        int i = 0;
        while (i < Size() - 1 && n[std::size_t(i) + 1].first <= x)
            ++i;
        Get(i, position, value);
        return i;
    }
};

// The marker rules on a plain array of markers.
struct ModelMarkers {
    std::vector<Marker> m;

    int Count() const { return static_cast<int>(m.size()); }
    int FindSegment(int x) const
    {
        if (m.empty())
            return -1;
        int i = 0;
        while (i < Count() - 1 && m[std::size_t(i) + 1].Position <= x)
            ++i;
        return i;
    }
    int FindAbove(int x) const
    {
        for (int i = 0; i < Count(); ++i)
            if (m[std::size_t(i)].Position > x)
                return i;
        return -1;
    }
    int Add(const Marker& k)
    {
        const int i = FindSegment(k.Position);
        m.insert(m.begin() + (i + 1), k);
        return i + 1;
    }
    void Delete(int index)
    {
        if (index >= 0 && index < Count())
            m.erase(m.begin() + index);
    }
    void Set(int index, const Marker& k)
    {
        if (index >= 0 && index < Count())
            m[std::size_t(index)] = k;
    }
};

// Every answer of the list equals the model's: the nodes by walking and by index, and
// both searches for positions around every node.
void ExpectSameList(const TPALETTE& list, const ModelList& model, const std::string& where)
{
    ASSERT_EQ(Walk(list), model.n) << where;
    for (int i = -1; i <= model.Size(); ++i) {
        int p = -7, v = -7, mp = 0, mv = 0;
        EXPECT_EQ(list.Get(i, p, v), model.Get(i, mp, mv)) << where << " index " << i;
        EXPECT_EQ(std::make_pair(p, v), std::make_pair(mp, mv)) << where << " index " << i;
    }
    std::vector<int> xs{-1000, 1000};
    for (const auto& node : model.n)
        xs.insert(xs.end(), {node.first - 1, node.first, node.first + 1});
    for (int x : xs) {
        int p = -7, v = -7, mp = 0, mv = 0;
        EXPECT_EQ(list.FindAbove(x, p, v), model.FindAbove(x, mp, mv)) << where << " x " << x;
        EXPECT_EQ(std::make_pair(p, v), std::make_pair(mp, mv)) << where << " x " << x;
        EXPECT_EQ(list.FindSegment(x, p, v), model.FindSegment(x, mp, mv)) << where << " x " << x;
        EXPECT_EQ(std::make_pair(p, v), std::make_pair(mp, mv)) << where << " x " << x;
    }
}

void ExpectSameMarkers(const TPALETTEMARKER& markers, const ModelMarkers& model,
                       const std::string& where)
{
    ASSERT_EQ(markers.GetCount(), model.Count()) << where;
    ASSERT_EQ(Markers(markers), model.m) << where;
    Marker k{9, 9, 9, 9};
    EXPECT_FALSE(markers.Get(model.Count(), k.Position, k.Red, k.Green, k.Blue)) << where;
    EXPECT_FALSE(markers.Get(-1, k.Position, k.Red, k.Green, k.Blue)) << where;
    EXPECT_EQ(k, (Marker{0, 0, 0, 0})) << where;
    std::vector<int> xs{-1000, 1000};
    for (const Marker& m : model.m)
        xs.insert(xs.end(), {m.Position - 1, m.Position, m.Position + 1});
    for (int x : xs) {
        EXPECT_EQ(markers.FindSegment(x), model.FindSegment(x)) << where << " x " << x;
        EXPECT_EQ(markers.FindAbove(x), model.FindAbove(x)) << where << " x " << x;
    }
}

}  // namespace

TEST(PaletteList, RandomOperationsAnswerAsThePlainModel)
{
    std::mt19937 rng(2024);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int set = 0; set < 150; ++set) {
        TPALETTE list;
        ModelList model;
        const int operations = pick(1, 120);
        for (int op = 0; op < operations; ++op) {
            const int index = pick(-2, model.Size() + 1);
            const int position = pick(-5, 40), value = pick(0, 255);
            switch (pick(0, 9)) {
            case 0: case 1: case 2: case 3: case 4:
                list.InsertAfter(index, position, value);
                model.InsertAfter(index, position, value);
                break;
            case 5: case 6:
                list.Delete(index);
                model.Delete(index);
                break;
            default:
                list.Set(index, position, value);
                model.Set(index, position, value);
            }
            ExpectSameList(list, model, "set " + std::to_string(set) + " op " + std::to_string(op));
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
}

TEST(PaletteMarkers, RandomOperationsAnswerAsThePlainModel)
{
    std::mt19937 rng(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int set = 0; set < 200; ++set) {
        // Start from nothing or from the default markers of some palette size.
        const int n = pick(-1, 50);
        auto markers = n < 0 ? std::make_unique<TPALETTEMARKER>() : std::make_unique<TPALETTEMARKER>(n);
        ModelMarkers model;
        if (n >= 0)
            model.m = {{0, 0, 0, 0}, {n / 2, 110, 120, 130}, {n, 255, 255, 255}};
        const int operations = pick(1, 150);
        for (int op = 0; op < operations; ++op) {
            const std::string where = "set " + std::to_string(set) + " op " + std::to_string(op);
            const int index = pick(-2, model.Count() + 1);
            const Marker k{pick(-5, 60), pick(0, 255), pick(0, 255), pick(0, 255)};
            switch (pick(0, 9)) {
            case 0: case 1: case 2: case 3: case 4:
                EXPECT_EQ(markers->Add(k.Position, k.Red, k.Green, k.Blue), model.Add(k)) << where;
                break;
            case 5: case 6:
                markers->Delete(index);
                model.Delete(index);
                break;
            case 7: case 8:
                // Moving a marker may leave the positions out of order.
                markers->Set(index, k.Position, k.Red, k.Green, k.Blue);
                model.Set(index, k);
                break;
            default:
                // Go on with a deep copy; the original must stay as it was.
                auto copy = std::make_unique<TPALETTEMARKER>(*markers);
                markers->Add(k.Position, k.Red, k.Green, k.Blue);
                markers = std::move(copy);
            }
            ExpectSameMarkers(*markers, model, where);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
}

TEST(PaletteMarkers, AddAllGivesWhatOneAddPerMarkerGives)
{
    std::mt19937 rng(11);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int set = 0; set < 100; ++set) {
        // Ascending after the first, in no order, or all at one position; on an empty set
        // or on the default markers.
        std::vector<MarkerRecord> records(std::size_t(pick(1, 60)));
        for (std::size_t k = 0; k < records.size(); ++k) {
            const int position = set % 3 == 0 ? static_cast<int>(k) / 3 : set % 3 == 1 ? pick(-5, 30) : 4;
            records[k] = {position, pick(0, 255), pick(0, 255), pick(0, 255)};
        }
        const bool empty = set % 2 == 0;
        TPALETTEMARKER one = empty ? TPALETTEMARKER() : TPALETTEMARKER(20);
        TPALETTEMARKER all = empty ? TPALETTEMARKER() : TPALETTEMARKER(20);
        for (const MarkerRecord& r : records)
            one.Add(r.Position, r.Red, r.Green, r.Blue);
        all.AddAll(records.data(), static_cast<std::int32_t>(records.size()));
        EXPECT_EQ(Markers(all), Markers(one)) << "set " << set;
    }
    TPALETTEMARKER none;
    none.AddAll(nullptr, 3);
    none.AddAll(std::vector<MarkerRecord>(2).data(), 0);
    EXPECT_EQ(none.GetCount(), 0);
}
