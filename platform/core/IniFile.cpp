#include "IniFile.h"

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
    sections_.clear();
    std::vector<std::uint8_t> bytes;
    if (!ReadRegularFile(path, bytes, MaxFileBytes))
        return false;
    Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return true;
}

void TIniFile::Parse(std::string_view text)
{
    sections_.clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    // The section whose keys the lines go to; none before the first section header and
    // under a repeated one, whose keys are never looked at.
    Keys* current = nullptr;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            const auto [section, added] = sections_.try_emplace(Lowered(name));
            current = added ? &section->second : nullptr;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!current || equals == std::string_view::npos)
            continue;
        const std::string_view key = Trim(line.substr(0, equals));
        std::string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        // The first key of a name counts.
        current->try_emplace(Lowered(key), value);
    }
}

const std::string* TIniFile::Find(std::string_view section, std::string_view key) const
{
    const auto s = sections_.find(Lowered(section));
    if (s == sections_.end())
        return nullptr;
    const auto k = s->second.find(Lowered(key));
    return k == s->second.end() ? nullptr : &k->second;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, const std::string& def) const
{
    const std::string* value = Find(section, key);
    return value ? *value : def;
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const
{
    const std::string* text = Find(section, key);
    std::int32_t value = 0;
    return text && ParseProfileInteger(*text, value) ? value : def;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(std::string_view section) const
{
    return sections_.count(Lowered(section)) != 0;
}

}  // namespace platform
