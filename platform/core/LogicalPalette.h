#pragma once
// Logical palettes: the table a channel builds its colours into, and the palette
// object made from it, which views and plug-ins hold by a shared handle so that it
// outlives a rebuild for as long as anyone still uses it.

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

struct PaletteEntry {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
};
static_assert(sizeof(PaletteEntry) == 4);

//! The palette table: version 0x300, the entry count in use, and room for the entries
//! (the vector may hold more entries than the count says).
struct LogPalette {
    std::uint16_t palVersion = 0x300;
    std::uint16_t palNumEntries = 0;
    std::vector<PaletteEntry> palPalEntry;
};

//! A palette object of the table's entries.
class LogicalPalette {
public:
    explicit LogicalPalette(const LogPalette& table);
    int EntryCount() const { return static_cast<int>(entries_.size()); }
    //! Entry i; black for an index outside the palette.
    PaletteEntry Entry(int i) const;
    //! Overwrites entries start..start+count-1 (clipped to the palette); the number set.
    int SetEntries(int start, int count, const PaletteEntry* entries);
    const std::vector<PaletteEntry>& Entries() const { return entries_; }

private:
    std::vector<PaletteEntry> entries_;
};

using HPALETTE = std::shared_ptr<LogicalPalette>;

//! A new palette object from the table's first palNumEntries entries.
HPALETTE CreatePalette(const LogPalette& table);

}  // namespace platform
