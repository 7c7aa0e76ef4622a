#include "LogicalPalette.h"

#include <algorithm>

namespace platform {

LogicalPalette::LogicalPalette(const LogPalette& table)
{
    const std::size_t n = std::min<std::size_t>(table.palNumEntries, table.palPalEntry.size());
    entries_.assign(table.palPalEntry.begin(), table.palPalEntry.begin() + static_cast<long>(n));
}

PaletteEntry LogicalPalette::Entry(int i) const
{
    if (i < 0 || i >= EntryCount())
        return {};
    return entries_[static_cast<std::size_t>(i)];
}

int LogicalPalette::SetEntries(int start, int count, const PaletteEntry* entries)
{
    if (!entries || count <= 0 || start < 0 || start >= EntryCount())
        return 0;
    const int n = std::min(count, EntryCount() - start);
    std::copy(entries, entries + n, entries_.begin() + start);
    return n;
}

HPALETTE CreatePalette(const LogPalette& table) { return std::make_shared<LogicalPalette>(table); }

}  // namespace platform
