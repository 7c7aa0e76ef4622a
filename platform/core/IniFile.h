#pragma once
// Description files read as the Windows profile-string functions read them: sections in
// square brackets, "key = value" lines, section and key names matched in any case, values
// trimmed of blanks and of one pair of surrounding quotes, a missing key giving its
// default. Only the first section of a name and the first key of a name in it count.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
    //! Entries found by the hash of their name: open addressing, at most half full. A slot
    //! keeps 32 bits of the hash, which place the entry and rule out most others.
    class THashIndex {
    public:
        //! The entry of this hash for which `same(entry)` holds; -1 when there is none.
        template <typename Same>
        std::int64_t Find(std::uint64_t hash, Same&& same) const
        {
            if (slots_.empty())
                return -1;
            const auto h = static_cast<std::uint32_t>(hash >> 32);
            const std::size_t mask = slots_.size() - 1;
            for (std::size_t i = h & mask;; i = (i + 1) & mask) {
                const Slot& slot = slots_[i];
                if (slot.Entry == 0)
                    return -1;
                if (slot.Hash == h && same(slot.Entry - 1))
                    return slot.Entry - 1;
            }
        }
        void Insert(std::uint64_t hash, std::uint32_t entry);
        //! Asks for the slot where a search for this hash starts to be fetched.
        void Prefetch(std::uint64_t hash) const
        {
            if (!slots_.empty())
                __builtin_prefetch(&slots_[static_cast<std::uint32_t>(hash >> 32) & (slots_.size() - 1)]);
        }
        //! Empties the index and makes room for `entries` entries.
        void Clear(std::size_t entries);

    private:
        struct Slot {
            std::uint32_t Hash = 0;
            std::uint32_t Entry = 0;  //!< entry + 1; 0 for a free slot
        };
        void Place(Slot slot);
        std::vector<Slot> slots_;
        std::size_t count_ = 0;
    };
    //! A piece of `text_`.
    struct TPiece {
        std::uint32_t Offset = 0;
        std::uint32_t Length = 0;
    };
    struct TKey {
        std::uint32_t Section;
        TPiece Name;
        TPiece Value;
    };
    //! Reads the text that `text_` holds.
    void ParseKept();
    std::string_view Text(TPiece piece) const
    {
        return {reinterpret_cast<const char*>(text_.data()) + piece.Offset, piece.Length};
    }
    std::int64_t FindSection(std::string_view lowered, std::uint64_t hash) const;
    std::int64_t FindKey(std::uint32_t section, std::string_view lowered, std::uint64_t hash) const;
    //! The value, or false when the section or key is missing.
    bool Find(std::string_view section, std::string_view key, std::string_view& value) const;

    // The whole text, with the names of sections and keys turned to lower case where they
    // stand (ASCII letters only, as the file's names are compared); names and values are
    // pieces of it.
    std::vector<std::uint8_t> text_;
    std::vector<TPiece> sections_;
    std::vector<TKey> keys_;
    THashIndex sectionIndex_;
    THashIndex keyIndex_;
};

//! Reads an integer as the profile functions do; false when `text` is not wholly one.
bool ParseProfileInteger(std::string_view text, std::int32_t& value);

}  // namespace platform
