#include "IniFile.h"

#include <filesystem>
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

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
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
    // Only regular files are opened: a FIFO would block the program.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    File file;
    if (!file.Open(path, File::Mode::Read))
        return false;
    const std::int64_t size = file.Size();
    if (size < 0 || size > MaxFileBytes)
        return false;
    std::string text(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !file.ReadExact(text.data(), size))
        return false;
    Parse(text);
    return true;
}

void TIniFile::Parse(std::string_view text)
{
    sections_.clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    Section* current = nullptr;
    bool currentIsFirst = false;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            current = nullptr;
            for (Section& s : sections_)
                if (SameName(s.Name, name))
                    current = &s;
            // A repeated section is never looked at: its keys are skipped.
            currentIsFirst = current == nullptr;
            if (currentIsFirst) {
                sections_.push_back({std::string(name), {}});
                current = &sections_.back();
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!current || !currentIsFirst || equals == std::string_view::npos)
            continue;
        const std::string_view key = Trim(line.substr(0, equals));
        std::string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        current->Keys.emplace_back(std::string(key), std::string(value));
    }
}

const std::string* TIniFile::Find(std::string_view section, std::string_view key) const
{
    for (const Section& s : sections_) {
        if (!SameName(s.Name, section))
            continue;
        for (const auto& [name, value] : s.Keys)
            if (SameName(name, key))
                return &value;
        return nullptr;
    }
    return nullptr;
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
    for (const Section& s : sections_)
        if (SameName(s.Name, section))
            return true;
    return false;
}

}  // namespace platform
