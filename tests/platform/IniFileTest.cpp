#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/IniFile.h"
#include "support/TestSupport.h"

using platform::TIniFile;

namespace {

const char garbage[] = "\0\x01[\xff]\n=\n\0=\0";

TIniFile Parsed(const std::string& text)
{
    TIniFile ini;
    ini.Parse(text);
    return ini;
}

// The profile-string rules applied to the text line by line for one question: the first
// header of the section's name opens the only section that counts, and in it the first line
// of the key's name gives the value. Names compare in any case of ASCII letters.
std::optional<std::string> ProfileString(std::string_view text, const std::string& section, const std::string& key)
{
    const auto trim = [](std::string_view v) {
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
            v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
            v.remove_suffix(1);
        return v;
    };
    const auto same = [](std::string_view a, std::string_view b) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
                return false;
        return true;
    };
    bool inSection = false, seen = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const bool match = same(trim(line.substr(1, close == line.npos ? line.npos : close - 1)), section);
            if (inSection || (match && seen))
                return std::nullopt;  // the section that counts has ended
            inSection = match;
            seen = seen || match;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inSection && equals != line.npos && same(trim(line.substr(0, equals)), key)) {
            std::string_view value = trim(line.substr(equals + 1));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return std::string(value);
        }
    }
    return std::nullopt;
}

}  // namespace

TEST(IniFile, ReadsStringsAsTheProfileFunctionsDo)
{
    struct Case {
        const char* name;
        std::string text;
        const char* section;
        const char* key;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", "[PlugIn]\nFile=a.dll\n", "PlugIn", "File", "a.dll"},
        {"section in any case", "[plugin]\nFile=a.dll\n", "PlugIn", "File", "a.dll"},
        {"key in any case", "[PlugIn]\nFILE=a.dll\n", "PlugIn", "file", "a.dll"},
        {"blanks trimmed", "  [ PlugIn ]  \n\t File \t=  a b.dll \t\n", "PlugIn", "File", "a b.dll"},
        {"double quotes dropped", "[S]\nK=\"  x  \"\n", "S", "K", "  x  "},
        {"single quotes dropped", "[S]\nK='x'\n", "S", "K", "x"},
        {"one pair only", "[S]\nK=\"\"x\"\"\n", "S", "K", "\"x\""},
        {"unmatched quote kept", "[S]\nK=\"x\n", "S", "K", "\"x"},
        {"CR LF lines", "[S]\r\nK=v\r\nL=w\r\n", "S", "L", "w"},
        {"value with equals", "[S]\nK=a=b\n", "S", "K", "a=b"},
        {"empty value", "[S]\nK=\n", "S", "K", ""},
        {"comment line", "[S]\n;K=x\nK=y\n", "S", "K", "y"},
        {"first key wins", "[S]\nK=1\nK=2\n", "S", "K", "1"},
        {"first section wins", "[S]\nA=1\n[T]\n[S]\nB=2\n", "S", "B", "<none>"},
        {"other section", "[S]\nK=1\n[T]\nK=2\n", "T", "K", "2"},
        {"key before any section", "K=1\n[S]\n", "S", "K", "<none>"},
        {"missing section", "[S]\nK=1\n", "X", "K", "<none>"},
        {"missing key", "[S]\nK=1\n", "S", "L", "<none>"},
        {"empty file", "", "S", "K", "<none>"},
        {"byte order mark", "\xEF\xBB\xBF[S]\nK=1\n", "S", "K", "1"},
        {"8-bit text kept", "[S]\nK=\xCF\xF0\xE8\n", "S", "K", "\xCF\xF0\xE8"},
        {"binary garbage", std::string(garbage, sizeof garbage - 1), "S", "K", "<none>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Parsed(c.text).ReadString(c.section, c.key, "<none>"), c.expected) << c.name;
}

// A file of many sections, repeated in other cases and with repeated keys, comments, lines
// without "=" and keys before the first section, answers every question as the rules read
// line by line do.
TEST(IniFile, ManySectionsAnswerAsTheRulesReadLineByLine)
{
    std::mt19937 random(22);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto anyCase = [&](std::string name) {
        for (char& c : name)
            if (pick(3) == 0)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return name;
    };
    const int sectionNames = 400, keyNames = 6;
    std::string text = "Orphan=1\n";
    for (int header = 0; header < 3000; ++header) {
        text += std::string(pick(2), ' ') + "[" + anyCase("sec" + std::to_string(pick(sectionNames))) + "]\n";
        for (int line = pick(5); line > 0; --line) {
            const std::string key = anyCase("key" + std::to_string(pick(keyNames)));
            switch (pick(6)) {
            case 0: text += ";" + key + "=comment\n"; break;
            case 1: text += key + " without equals\n"; break;
            case 2: text += "\t" + key + " = \"" + std::to_string(header) + "\" \n"; break;
            default: text += key + "=" + std::to_string(header) + "." + std::to_string(line) + "\n"; break;
            }
        }
    }
    const TIniFile ini = Parsed(text);
    int found = 0;
    for (int s = 0; s <= sectionNames; ++s) {
        const std::string section = (s % 2 ? "SEC" : "Sec") + std::to_string(s);
        // Exists when a header of the name comes before: a header appended then does not count.
        const bool exists = ProfileString(text + "[" + section + "]\nprobe=1\n", section, "probe") != "1";
        EXPECT_EQ(ini.SectionExists(section), exists) << section;
        for (int k = 0; k <= keyNames; ++k) {
            const std::string key = "KEY" + std::to_string(k);
            const std::optional<std::string> expected = ProfileString(text, section, key);
            found += expected.has_value();
            EXPECT_EQ(ini.ReadString(section, key, "<none>"), expected.value_or("<none>")) << section << " " << key;
        }
    }
    EXPECT_GT(found, 300);  // the questions reach the first section of most names
    EXPECT_EQ(ini.ReadString("", "Orphan", "<none>"), "<none>");
}

TEST(IniFile, ReadsIntegersAndBooleansWithTheirDefaults)
{
    struct Case {
        const char* value;
        std::int32_t expected;  // with the default 77
    };
    const Case cases[] = {
        {"12", 12},         {"-3", -3},          {"+4", 4},          {" 5 ", 5},
        {"$1F", 31},        {"0x10", 16},        {"$FFFFFFFF", -1},  {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"2147483648", 77}, {"$100000000", 77},  {"12a", 77},        {"", 77},
        {"1 2", 77},        {"-", 77},           {"0x", 77},         {"1.5", 77},
    };
    for (const Case& c : cases) {
        const TIniFile ini = Parsed(std::string("[S]\nK=") + c.value + "\n");
        EXPECT_EQ(ini.ReadInteger("S", "K", 77), c.expected) << "'" << c.value << "'";
    }
    const TIniFile ini = Parsed("[S]\nZero=0\nTwo=2\nText=yes\n");
    EXPECT_FALSE(ini.ReadBool("S", "Zero", true));
    EXPECT_TRUE(ini.ReadBool("S", "Two", false));
    EXPECT_TRUE(ini.ReadBool("S", "Text", true));  // not a number: the default
    EXPECT_FALSE(ini.ReadBool("S", "Text", false));
    EXPECT_TRUE(ini.ReadBool("S", "Missing", true));
    EXPECT_TRUE(ini.SectionExists("s"));
    EXPECT_FALSE(ini.SectionExists("Zero"));
}

TEST(IniFile, LoadsOnlyRegularFilesOfAReasonableSize)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("a.inf"), {'[', 'S', ']', '\n', 'K', '=', '1'});
    TIniFile ini;
    ASSERT_TRUE(ini.Load(dir.File("a.inf")));
    EXPECT_EQ(ini.ReadInteger("S", "K", 0), 1);

    EXPECT_FALSE(ini.Load(dir.File("missing.inf")));
    EXPECT_FALSE(ini.SectionExists("S"));  // a failed load forgets the earlier file
    EXPECT_FALSE(ini.Load(dir.Path()));    // a folder
    testsupport::WriteBytes(dir.File("big.inf"),
                            std::vector<std::uint8_t>(std::size_t(TIniFile::MaxFileBytes) + 1, 'x'));
    EXPECT_FALSE(ini.Load(dir.File("big.inf")));
}
