#include <gtest/gtest.h>

#include <string>

#include "platform/gui/Text1251.h"

using namespace platform;

namespace {

// Code points from the Windows-1251 code page table.
struct Mapping {
    unsigned char Byte;
    char16_t Unicode;
};

constexpr Mapping kMappings[] = {
    {0x41, u'A'},      {0x7E, u'~'},      {0xB5, u'\u00B5'}, {0xB0, u'\u00B0'}, {0xC0, u'\u0410'},
    {0xDF, u'\u042F'}, {0xE0, u'\u0430'}, {0xFF, u'\u044F'}, {0xA8, u'\u0401'}, {0xB8, u'\u0451'},
    {0x88, u'\u20AC'}, {0xB9, u'\u2116'}, {0x80, u'\u0402'}, {0xA0, u'\u00A0'}, {0x96, u'\u2013'},
};

TEST(Text1251, TableBothWays)
{
    for (const auto& m : kMappings) {
        const std::string byte(1, static_cast<char>(m.Byte));
        const QString text = FromCp1251(byte);
        ASSERT_EQ(text.size(), 1) << int(m.Byte);
        EXPECT_EQ(text.at(0).unicode(), m.Unicode) << int(m.Byte);
        EXPECT_EQ(ToCp1251(text), byte) << int(m.Byte);
    }
}

TEST(Text1251, EveryAssignedByteRoundTrips)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != 0x98)
            all += static_cast<char>(b);
    EXPECT_EQ(ToCp1251(FromCp1251(all)), all);
}

TEST(Text1251, UnitTextsOfTheViews)
{
    EXPECT_EQ(FromCp1251("X, \xB5m"), QString::fromUtf8("X, µm"));
    EXPECT_EQ(ToCp1251(QString::fromUtf8("Z, °")), "Z, \xB0");
    EXPECT_EQ(ToCp1251(QString::fromUtf8("Ошибка")), "\xCE\xF8\xE8\xE1\xEA\xE0");
}

TEST(Text1251, CharactersThatTheCodePageLacksBecomeQuestionMarks)
{
    // The unassigned byte reads as U+FFFD, which does not come back as a byte.
    EXPECT_EQ(FromCp1251("\x98").at(0).unicode(), 0xFFFD);
    EXPECT_EQ(ToCp1251(FromCp1251("a\x98z")), "a?z");
    // A character outside the basic plane is one character, one '?'.
    EXPECT_EQ(ToCp1251(QString::fromUtf8("1\xF0\x9F\x98\x80"
                                         "2\xE6\x97\xA5")),
              "1?2?");
    EXPECT_EQ(ToCp1251Byte(U'\u00B5'), 0xB5);
    EXPECT_EQ(ToCp1251Byte(U'\u00E9'), -1);
}

} // namespace
