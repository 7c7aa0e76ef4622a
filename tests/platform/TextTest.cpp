#include <gtest/gtest.h>

#include "platform/core/Text.h"

using namespace platform;

TEST(Text1251, ConvertsBothWaysIncludingTheSignsOfUnits)
{
    struct Row { std::string cp1251; std::string utf8; };
    const Row rows[] = {
        {"nm", "nm"},
        {"\xB5m", "µm"},
        {"\xB0", "°"},
        {"\xEE\xF8\xE8\xE1\xEA\xE0", "ошибка"},
        {"\xC0\xDF\xE0\xFF", "АЯая"},
        {"\xA8\xB8", "Ёё"},
        {"\x88", "€"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Cp1251ToUtf8(r.cp1251), r.utf8);
        EXPECT_EQ(Utf8ToCp1251(r.utf8), r.cp1251);
    }
    EXPECT_EQ(Cp1251ToUnicode(0x98), 0xFFFDu);
    EXPECT_EQ(Utf8ToCp1251("日"), "?");
    EXPECT_EQ(Utf8ToCp1251("a\xC3"), "a?");  // cut in the middle of a character
}

TEST(FormatText, WritesShortAndLongTextsWhole)
{
    EXPECT_EQ(platform::FormatText("x=%.1f%s", 2.25, "nm"), "x=2.2nm");
    // Far beyond any fixed buffer: 1e300 printed in full.
    const std::string big = platform::FormatText("%.3f", 1e300);
    EXPECT_EQ(big.size(), 301u + 4u);
    EXPECT_EQ(big.substr(0, 5), "10000");
    EXPECT_EQ(big.substr(big.size() - 4), ".000");
    EXPECT_EQ(platform::FormatText("%s", ""), "");
}
