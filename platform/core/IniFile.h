#pragma once
// Description files read as the Windows profile-string functions read them: sections in
// square brackets, "key = value" lines, section and key names matched in any case, values
// trimmed of blanks and of one pair of surrounding quotes, a missing key giving its
// default. Only the first section of a name and the first key of a name in it count.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

class TIniFile {
public:
    //! Description files larger than this are refused as unreadable.
    static constexpr std::int64_t MaxFileBytes = 1 << 20;

    TIniFile() = default;
    //! Reads the file; false (and nothing read) when it cannot be opened, is not a
    //! regular file, or is larger than MaxFileBytes.
    bool Load(const std::string& path);
    //! Takes the text of a whole file (any bytes; a UTF-8 byte-order mark is skipped).
    void Parse(std::string_view text);

    //! The key's value (8-bit text as the file holds it), or `def` when the section or key
    //! is missing.
    std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const;
    //! The value as a 32-bit integer (decimal with an optional sign, or hexadecimal after
    //! "$" or "0x"); `def` when missing, not wholly a number, or out of range.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
    //! ReadInteger with the default 0 or 1: 0 is false, any other number true.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    bool SectionExists(std::string_view section) const;

private:
    // Names are kept in lower case (ASCII letters only, as the file's names are compared).
    using Keys = std::unordered_map<std::string, std::string>;
    const std::string* Find(std::string_view section, std::string_view key) const;
    std::unordered_map<std::string, Keys> sections_;
};

//! Reads an integer as the profile functions do; false when `text` is not wholly one.
bool ParseProfileInteger(std::string_view text, std::int32_t& value);

}  // namespace platform
