#include "IniFile.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "Files.h"

namespace platform {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && Blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && Blank(s.back()))
        s.remove_suffix(1);
    return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view s)
{
    std::string lower(s);
    for (char& c : lower)
        c = Lower(c);
    return lower;
}

std::uint64_t Mixed(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

std::uint64_t NameHash(std::string_view lowered) { return Mixed(std::hash<std::string_view>{}(lowered)); }

std::uint64_t KeyHash(std::uint32_t section, std::string_view lowered)
{
    return Mixed(std::hash<std::string_view>{}(lowered) + 0x9E3779B97F4A7C15ull * (std::uint64_t{section} + 1));
}

int DigitValue(char c, int base)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v >= 0 && v < base ? v : -1;
}

}  // namespace

bool ParseProfileInteger(std::string_view text, std::int32_t& value)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return false;
    // Hexadecimal digits give the 32-bit pattern ("$FFFFFFFF" is -1); decimal must fit.
    const std::int64_t limit = base == 16 ? 0xFFFFFFFFll : std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t v = 0;
    for (char c : text) {
        const int d = DigitValue(c, base);
        if (d < 0)
            return false;
        v = v * base + d;
        if (v > limit)
            return false;
    }
    if (base == 16) {
        auto bits = static_cast<std::uint32_t>(v);
        if (negative)
            bits = 0u - bits;
        value = static_cast<std::int32_t>(bits);
        return true;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool TIniFile::Load(const std::string& path)
{
    Parse({});
    if (!ReadRegularFile(path, text_, MaxFileBytes))
        return false;
    ParseKept();
    return true;
}

void TIniFile::THashIndex::Insert(std::uint64_t hash, std::uint32_t entry)
{
    if (2 * (count_ + 1) > slots_.size()) {
        std::vector<Slot> old(std::max<std::size_t>(16, 2 * slots_.size()));
        old.swap(slots_);
        for (const Slot& slot : old)
            if (slot.Entry != 0)
                Place(slot);
    }
    Place({static_cast<std::uint32_t>(hash >> 32), entry + 1});
    ++count_;
}

void TIniFile::THashIndex::Clear(std::size_t entries)
{
    std::size_t size = 16;
    while (size < 2 * entries)
        size *= 2;
    slots_.assign(entries ? size : 0, Slot{});
    count_ = 0;
}

void TIniFile::THashIndex::Place(Slot slot)
{
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = slot.Hash & mask;
    while (slots_[i].Entry != 0)
        i = (i + 1) & mask;
    slots_[i] = slot;
}

std::int64_t TIniFile::FindSection(std::string_view lowered, std::uint64_t hash) const
{
    return sectionIndex_.Find(hash, [&](std::size_t n) { return Text(sections_[n]) == lowered; });
}

std::int64_t TIniFile::FindKey(std::uint32_t section, std::string_view lowered, std::uint64_t hash) const
{
    return keyIndex_.Find(hash, [&](std::size_t n) {
        return keys_[n].Section == section && Text(keys_[n].Name) == lowered;
    });
}

void TIniFile::Parse(std::string_view text)
{
    text_.assign(text.begin(), text.end());
    ParseKept();
}

void TIniFile::ParseKept()
{
    const std::string_view text(reinterpret_cast<const char*>(text_.data()), text_.size());
    std::size_t start = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    // Pieces are counted in 32 bits: a larger text is read as empty (files are far smaller).
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        start = text.size();
    // The indexes get room for as many sections and keys as there can be (one a line, a
    // bracket or an equals sign in each), so that nothing grows while the text is read.
    std::size_t lines = 1, brackets = 0, equalSigns = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        lines += c == '\n' || c == '\r';
        brackets += c == '[';
        equalSigns += c == '=';
    }
    brackets = std::min(brackets, lines);
    equalSigns = std::min(equalSigns, lines);
    sections_.clear();
    sections_.reserve(brackets);
    keys_.clear();
    keys_.reserve(equalSigns);
    sectionIndex_.Clear(brackets);
    keyIndex_.Clear(equalSigns);

    // Lines that may count, taken a few ahead of the one being read, so that the index slot
    // of each section header is on its way from memory before it is looked at.
    struct TLine {
        bool Header = false;
        TPiece Name;
        TPiece Value;
        std::uint64_t Hash = 0;
    };
    const auto piece = [&](std::string_view part) {
        return TPiece{static_cast<std::uint32_t>(part.data() - text.data()), static_cast<std::uint32_t>(part.size())};
    };
    const auto lowerInPlace = [&](std::string_view part) {
        std::uint8_t* c = text_.data() + (part.data() - text.data());
        for (std::uint8_t* end = c + part.size(); c != end; ++c)
            *c = static_cast<std::uint8_t>(Lower(static_cast<char>(*c)));
    };
    std::size_t position = start;
    const auto nextLine = [&](TLine& out) {
        while (position < text.size()) {
            std::size_t end = position;
            while (end < text.size() && text[end] != '\n' && text[end] != '\r')
                ++end;
            const std::string_view line = Trim(text.substr(position, end - position));
            position = end + 1;
            if (line.empty() || line.front() == ';')
                continue;
            if (line.front() == '[') {
                const std::size_t close = line.find(']');
                const std::string_view name =
                    Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
                lowerInPlace(name);
                out.Header = true;
                out.Name = piece(name);
                out.Hash = NameHash(name);
                sectionIndex_.Prefetch(out.Hash);
                return true;
            }
            const std::size_t equals = line.find('=');
            if (equals == std::string_view::npos)
                continue;
            const std::string_view name = Trim(line.substr(0, equals));
            lowerInPlace(name);
            std::string_view value = Trim(line.substr(equals + 1));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            out.Header = false;
            out.Name = piece(name);
            out.Value = piece(value);
            return true;
        }
        return false;
    };
    constexpr std::size_t ahead = 16;
    TLine waiting[ahead];
    std::size_t first = 0, count = 0;
    while (count < ahead && nextLine(waiting[count]))
        ++count;

    // The section the key lines go to; none before the first section header and under a
    // repeated one, whose keys are never looked at.
    std::int64_t current = -1;
    while (count > 0) {
        const TLine line = waiting[first];
        if (!nextLine(waiting[first]))
            --count;  // the text has ended: the slot stays empty
        first = (first + 1) % ahead;
        const std::string_view name = Text(line.Name);
        if (line.Header) {
            current = -1;
            if (FindSection(name, line.Hash) < 0) {
                current = static_cast<std::int64_t>(sections_.size());
                sectionIndex_.Insert(line.Hash, static_cast<std::uint32_t>(current));
                sections_.push_back(line.Name);
            }
            continue;
        }
        if (current < 0)
            continue;
        const auto section = static_cast<std::uint32_t>(current);
        const std::uint64_t hash = KeyHash(section, name);
        if (FindKey(section, name, hash) >= 0)
            continue;  // the first key of a name counts
        keyIndex_.Insert(hash, static_cast<std::uint32_t>(keys_.size()));
        keys_.push_back({section, line.Name, line.Value});
    }
}

bool TIniFile::Find(std::string_view section, std::string_view key, std::string_view& value) const
{
    const std::string sectionName = Lowered(section);
    const std::int64_t s = FindSection(sectionName, NameHash(sectionName));
    if (s < 0)
        return false;
    const auto n = static_cast<std::uint32_t>(s);
    const std::string keyName = Lowered(key);
    const std::int64_t k = FindKey(n, keyName, KeyHash(n, keyName));
    if (k < 0)
        return false;
    value = Text(keys_[static_cast<std::size_t>(k)].Value);
    return true;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, const std::string& def) const
{
    std::string_view value;
    return Find(section, key, value) ? std::string(value) : def;
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const
{
    std::string_view text;
    std::int32_t value = 0;
    return Find(section, key, text) && ParseProfileInteger(text, value) ? value : def;
}
bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(std::string_view section) const
{
    const std::string name = Lowered(section);
    return FindSection(name, NameHash(name)) >= 0;
}

}  // namespace platform
