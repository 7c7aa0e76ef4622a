#include <gtest/gtest.h>

#include "platform/core/LogicalPalette.h"

using namespace platform;

TEST(LogicalPalette, TakesTheCountedEntriesAndClipsUpdates)
{
    LogPalette table;
    table.palNumEntries = 3;
    table.palPalEntry.resize(4);  // one spare entry is not part of the palette
    table.palPalEntry[2] = {9, 8, 7, 1};
    HPALETTE pal = CreatePalette(table);
    ASSERT_EQ(pal->EntryCount(), 3);
    EXPECT_EQ(pal->Entry(2).peRed, 9);
    EXPECT_EQ(pal->Entry(3).peRed, 0);  // outside: black
    PaletteEntry two[2] = {{1, 1, 1, 1}, {2, 2, 2, 1}};
    EXPECT_EQ(pal->SetEntries(2, 2, two), 1);  // clipped at the end
    EXPECT_EQ(pal->Entry(2).peRed, 1);
    EXPECT_EQ(pal->SetEntries(-1, 2, two), 0);
}

TEST(LogicalPalette, OutlivesARebuildWhileHeld)
{
    LogPalette table;
    table.palNumEntries = 1;
    table.palPalEntry = {{5, 5, 5, 1}};
    HPALETTE held = CreatePalette(table);
    HPALETTE current = held;
    current = CreatePalette(LogPalette{});  // the owner rebuilds
    EXPECT_EQ(held->Entry(0).peRed, 5);
    EXPECT_EQ(current->EntryCount(), 0);
}
