#include <gtest/gtest.h>

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
