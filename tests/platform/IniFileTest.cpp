#include <gtest/gtest.h>

#include <limits>
#include <string>

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
