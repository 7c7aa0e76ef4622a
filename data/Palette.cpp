#include "Palette.h"

#include <algorithm>
#include <memory>
#include <numeric>

// ---------------------------------------------------------------------------
// TPALETTE

TPALETTE::TPALETTE(std::int32_t n, std::int32_t mid)
{
    InsertAfter(0, 0, 0);
    InsertAfter(0, n / 2, mid);
    InsertAfter(1, n, 255);
}

TPALETTE::~TPALETTE()
{
    TPALETTENODE* node = Head;
    while (node) {
        TPALETTENODE* next = node->Next;
        delete node;
        node = next;
    }
}

TPALETTENODE* TPALETTE::NodeAt(std::int32_t index) const
{
    if (index < 0 || index >= Count || std::size_t(index) >= nodes_.size())
        return nullptr;
    return nodes_[std::size_t(index)];
}

void TPALETTE::InsertAfter(std::int32_t index, std::int32_t position, std::int32_t value)
{
    auto node = std::make_unique<TPALETTENODE>(position, value);
    if (!Head) {
        nodes_.assign(1, node.get());
        Head = Tail = node.release();
        Count = 1;
        return;
    }
    // An index outside the list inserts after the nearest end node: there is no
    // insertion before the head, and nothing lies past the tail.
    if (index < 0)
        index = 0;
    if (index >= Count)
        index = Count - 1;
    TPALETTENODE* prev = NodeAt(index);
    nodes_.insert(nodes_.begin() + index + 1, node.get());
    node->Next = prev->Next;
    prev->Next = node.release();
    if (prev == Tail)
        Tail = prev->Next;
    ++Count;
}

void TPALETTE::Delete(std::int32_t index)
{
    TPALETTENODE* node = NodeAt(index);
    if (!node)
        return;
    TPALETTENODE* prev = index > 0 ? NodeAt(index - 1) : nullptr;
    if (prev)
        prev->Next = node->Next;
    else
        Head = node->Next;
    if (node == Tail)
        Tail = prev;
    nodes_.erase(nodes_.begin() + index);
    delete node;
    --Count;
}

bool TPALETTE::Get(std::int32_t index, std::int32_t& position, std::int32_t& value) const
{
    const TPALETTENODE* node = NodeAt(index);
    position = node ? node->Position : 0;
    value = node ? node->Value : 0;
    return node != nullptr;
}

void TPALETTE::Set(std::int32_t index, std::int32_t position, std::int32_t value)
{
    if (TPALETTENODE* node = NodeAt(index)) {
        node->Position = position;
        node->Value = value;
    }
}

std::int32_t TPALETTE::FindAbove(std::int32_t x, std::int32_t& position, std::int32_t& value) const
{
    std::int32_t i = 0;
    for (const TPALETTENODE* node = Head; node; node = node->Next, ++i) {
        if (node->Position > x) {
            position = node->Position;
            value = node->Value;
            return i;
        }
    }
    position = 0;
    value = 0;
    return -1;
}

std::int32_t TPALETTE::FindSegment(std::int32_t x, std::int32_t& position, std::int32_t& value) const
{
    position = 0;
    value = 0;
    if (!Head)
        return -1;
    std::int32_t i = 0;
    const TPALETTENODE* node = Head;
    while (i < Count - 1 && node->Next && node->Next->Position <= x) {
        node = node->Next;
        ++i;
    }
    position = node->Position;
    value = node->Value;
    return i;
}

// ---------------------------------------------------------------------------
// TPALETTEMARKER

TPALETTEMARKER::TPALETTEMARKER() = default;

TPALETTEMARKER::TPALETTEMARKER(std::int32_t n) : Red(n, 110), Green(n, 120), Blue(n, 130), Count(3) {}

TPALETTEMARKER::TPALETTEMARKER(const TPALETTEMARKER& other)
{
    const TPALETTENODE* r = other.Red.Head;
    const TPALETTENODE* g = other.Green.Head;
    const TPALETTENODE* b = other.Blue.Head;
    for (std::int32_t i = 0; i < other.Count && r && g && b; ++i) {
        Red.InsertAfter(Count - 1, r->Position, r->Value);
        Green.InsertAfter(Count - 1, g->Position, g->Value);
        Blue.InsertAfter(Count - 1, b->Position, b->Value);
        ++Count;
        r = r->Next;
        g = g->Next;
        b = b->Next;
    }
}

TPALETTEMARKER::~TPALETTEMARKER() = default;

std::int32_t TPALETTEMARKER::Add(std::int32_t position, std::int32_t red, std::int32_t green,
                                 std::int32_t blue)
{
    const std::int32_t i = FindSegment(position);
    Red.InsertAfter(i, position, red);
    Green.InsertAfter(i, position, green);
    Blue.InsertAfter(i, position, blue);
    ++Count;
    return i + 1;
}

void TPALETTEMARKER::AddAll(const MarkerRecord* records, std::int32_t count)
{
    if (!records || count <= 0)
        return;
    if (Count > 0) {
        for (std::int32_t k = 0; k < count; ++k)
            Add(records[k].Position, records[k].Red, records[k].Green, records[k].Blue);
        return;
    }
    // On an empty set, Add keeps the first marker first (nothing goes before it) and puts
    // every later one after the last of the others at or below its position: the others
    // end up sorted by position, equal positions in their given order.
    std::vector<std::int32_t> order(std::size_t(count) - 1);
    std::iota(order.begin(), order.end(), 1);
    const auto below = [records](std::int32_t a, std::int32_t b) {
        return records[a].Position < records[b].Position;
    };
    if (!std::is_sorted(order.begin(), order.end(), below))
        std::stable_sort(order.begin(), order.end(), below);
    const auto append = [this](const MarkerRecord& m) {
        Red.InsertAfter(Count - 1, m.Position, m.Red);
        Green.InsertAfter(Count - 1, m.Position, m.Green);
        Blue.InsertAfter(Count - 1, m.Position, m.Blue);
        ++Count;
    };
    append(records[0]);
    for (const std::int32_t k : order)
        append(records[k]);
}

void TPALETTEMARKER::Delete(std::int32_t index)
{
    if (index < 0 || index >= Count)
        return;
    Red.Delete(index);
    Green.Delete(index);
    Blue.Delete(index);
    --Count;
}

bool TPALETTEMARKER::Get(std::int32_t index, std::int32_t& position, std::int32_t& red,
                         std::int32_t& green, std::int32_t& blue) const
{
    std::int32_t p = 0;
    const bool found = index >= 0 && index < Count && Red.Get(index, position, red) &&
                       Green.Get(index, p, green) && Blue.Get(index, p, blue);
    if (!found) {
        position = red = green = blue = 0;
    }
    return found;
}

void TPALETTEMARKER::Set(std::int32_t index, std::int32_t position, std::int32_t red,
                         std::int32_t green, std::int32_t blue)
{
    if (index < 0 || index >= Count)
        return;
    Red.Set(index, position, red);
    Green.Set(index, position, green);
    Blue.Set(index, position, blue);
}

std::int32_t TPALETTEMARKER::FindSegment(std::int32_t position) const
{
    std::int32_t p = 0, v = 0;
    return Red.FindSegment(position, p, v);
}

std::int32_t TPALETTEMARKER::FindAbove(std::int32_t position) const
{
    std::int32_t p = 0, v = 0;
    return Red.FindAbove(position, p, v);
}
