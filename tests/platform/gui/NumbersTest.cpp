#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "platform/gui/Numbers.h"
#include "support/TestSupport.h"

using namespace platform;

namespace {

class Numbers : public ::testing::Test {
protected:
    void TearDown() override
    {
        SetDecimalSeparator('.');
        OverrideSystemDecimalSeparator(0);
    }
};

std::string ErrorOf(const std::string& text, bool integer)
{
    try {
        if (integer)
            StrToInt(text);
        else
            StrToFloat(text);
    } catch (const EConvertError& e) {
        return e.what();
    }
    return "";
}

TEST_F(Numbers, StrToIntAcceptsDecimalAndPrefixedHexadecimal)
{
    const struct {
        const char* Text;
        std::int32_t Value;
    } cases[] = {
        {"0", 0},
        {"123", 123},
        {"  -45", -45},
        {"+7", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"$FF", 255},
        {"0x1a", 26},
        {"x10", 16},
        {"$FFFFFFFF", -1},
        {"-$10", -16},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrToInt(c.Text), c.Value) << c.Text;
}

TEST_F(Numbers, StrToIntRefusesWithTheConversionMessage)
{
    for (const char* text :
         {"", " ", "-", "1-2", "2147483648", "-2147483649", "12 ", "1.5", "$", "0x", "$100000000"})
        EXPECT_EQ(ErrorOf(text, true), std::string("'") + text + "' is not a valid integer value")
            << text;
}

TEST_F(Numbers, StrToFloatUsesTheProgramWideSeparator)
{
    EXPECT_EQ(StrToFloat("1.5"), 1.5);
    EXPECT_EQ(StrToFloat(" -2.25e1 "), -22.5);
    EXPECT_EQ(StrToFloat("2e3"), 2000.0);
    EXPECT_EQ(StrToFloat(".5"), 0.5);
    EXPECT_EQ(StrToFloat("7."), 7.0);
    EXPECT_EQ(StrToFloat("1E-2"), 0.01);
    EXPECT_EQ(StrToFloat("1e-400"), 0.0);
    SetDecimalSeparator(',');
    EXPECT_EQ(StrToFloat("1,5"), 1.5);
    EXPECT_EQ(ErrorOf("1.5", false), "'1.5' is not a valid floating point value");
}

TEST_F(Numbers, StrToFloatRefusesWithTheConversionMessage)
{
    for (const char* text : {"", "-", "e3", "1e", "1e+", "1.2.3", "1,5", "abc", "1e999", "1 2"})
        EXPECT_EQ(ErrorOf(text, false),
                  std::string("'") + text + "' is not a valid floating point value")
            << text;
}

TEST_F(Numbers, SystemSeparatorCanBeSetForTests)
{
    OverrideSystemDecimalSeparator(',');
    EXPECT_EQ(SystemDecimalSeparator(), ',');
    OverrideSystemDecimalSeparator(0);
    const char real = SystemDecimalSeparator();
    EXPECT_TRUE(real == '.' || real == ',') << real;
}

// Under a German desktop the C library writes "12,5"; the conversions answer with the
// program's own separator all the same, and KeepCNumericLocale brings printf back to '.'.
TEST_F(Numbers, ConversionsFollowTheProgramsSeparatorWhateverTheCLibrarysLocale)
{
    testsupport::CommaNumericLocale comma;
    ASSERT_TRUE(comma.Active()) << testsupport::kCommaLocale << " is not installed: run scripts/deps";
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.1f", 12.5);
    ASSERT_STREQ(printed, "12,5");
    const struct {
        char Separator;
        double Value;
        const char* Text;
    } cases[] = {
        {'.', 12.5, "12.5"}, {'.', -3.25e-7, "-3.25E-7"}, {'.', 1234.5678, "1234.5678"},
        {',', 12.5, "12,5"}, {',', 1e20, "1E20"},         {',', 0.1, "0,1"},
    };
    for (const auto& c : cases) {
        SetDecimalSeparator(c.Separator);
        EXPECT_EQ(FloatToStr(c.Value), c.Text);
        EXPECT_EQ(StrToFloat(c.Text), c.Value) << c.Text;
    }
    KeepCNumericLocale();
    std::snprintf(printed, sizeof printed, "%.1f", 12.5);
    EXPECT_STREQ(printed, "12.5");
}

// The general format with fewer digits rounds to them and drops trailing zeros.
TEST_F(Numbers, GeneralFormatWithItsSignificantDigits)
{
    SetDecimalSeparator('.');
    const struct {
        double Value;
        int Precision;
        const char* Text;
    } cases[] = {
        {1.234, 3, "1.23"}, {1.0, 3, "1"},       {2.0f, 3, "2"},        {1.15f, 3, "1.15"},
        {1.999, 3, "2"},    {0.98765432, 7, "0.9876543"}, {-0.5, 7, "-0.5"}, {1234.5, 3, "1.23E3"},
        {1.5e-9, 7, "1.5E-9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FloatToStrF(c.Value, ffGeneral, c.Precision, 0), c.Text) << c.Value;
}

} // namespace

// Rounded to the fewer of the significant digits and the decimals, then written with every
// decimal; beyond the significant digits the integer part goes to mantissa and exponent.
TEST_F(Numbers, FloatToStrFFixedRoundsToPrecisionAndDecimals)
{
    const struct {
        double Value;
        int Precision, Digits;
        const char* Text;
    } cases[] = {
        {1, 3, 2, "1.00"},
        {1.23456, 3, 2, "1.23"},
        {12.345, 3, 2, "12.30"},
        {-2.5, 3, 2, "-2.50"},
        {0, 3, 2, "0.00"},
        {-0.001, 3, 2, "0.00"},
        {0.0049999, 3, 2, "0.00"},
        {0.005, 3, 2, "0.01"},
        {0.125, 3, 2, "0.13"},
        {99.95, 3, 2, "100.00"},
        {999.5, 3, 2, "1E3"},
        {1000, 3, 2, "1E3"},
        {-1234.5, 3, 2, "-1.23E3"},
        {123.456, 5, 1, "123.5"},
        {-987.75, 5, 1, "-987.8"},
        {1e20, 3, 2, "1E20"},
        {33.333333, 3, 2, "33.30"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FloatToStrF(c.Value, platform::ffFixed, c.Precision, c.Digits), c.Text)
            << c.Value << " " << c.Precision << " " << c.Digits;
    SetDecimalSeparator(',');
    EXPECT_EQ(FloatToStrF(1.5, platform::ffFixed, 3, 2), "1,50");
    EXPECT_EQ(FloatToStrF(1234.5, platform::ffFixed, 3, 2), "1,23E3");
}

namespace {

TEST_F(Numbers, FloatToStrFFixedRoundsToSignificantDigitsThenWritesTheDecimals)
{
    // Expected texts worked out by hand: round (halves away from zero) to Precision
    // significant digits and to Digits decimals, then pad with zeros; more integer digits
    // than Precision turn to exponent form.
    const struct {
        double Value;
        int Precision, Digits;
        const char* Text;
    } cases[] = {
        {0.25, 7, 2, "0.25"},
        {1, 7, 2, "1.00"},
        {0.3, 7, 0, "0"},
        {2.3, 7, 0, "2"},
        {2.5, 7, 0, "3"}, // halves away from zero
        {-0.125, 2, 5, "-0.13000"},
        {0.006, 7, 2, "0.01"},
        {-0.001, 7, 2, "0.00"}, // no minus before a zero
        {-12.5, 7, 1, "-12.5"},
        {1.23456789, 7, 10, "1.2345680000"},
        {0.000123456789, 3, 8, "0.00012300"},
        {1234567, 7, 1, "1234567.0"},
        {12345678, 7, 0, "1.234568E7"},
        {-2.5e20, 7, 2, "-2.5E20"},
        {9999999.6, 7, 0, "1E7"},
        {100, 7, 40, "100.000000000000000000"}, // at most 18 decimals
    };
    for (const auto& c : cases)
        EXPECT_EQ(FloatToStrF(c.Value, ffFixed, c.Precision, c.Digits), c.Text)
            << c.Value << " " << c.Precision << " " << c.Digits;
    SetDecimalSeparator(',');
    EXPECT_EQ(FloatToStrF(0.25, ffFixed, 7, 2), "0,25");
    EXPECT_EQ(FloatToStrF(1.5, ffGeneral, 15, 0), "1,5");
    // The C library's locale does not come into it.
    SetDecimalSeparator('.');
    testsupport::CommaNumericLocale comma;
    ASSERT_TRUE(comma.Active()) << testsupport::kCommaLocale << " is not installed: run scripts/deps";
    EXPECT_EQ(FloatToStrF(1.23456789, ffFixed, 7, 10), "1.2345680000");
    EXPECT_EQ(FloatToStrF(12345678, ffFixed, 7, 0), "1.234568E7");
}

TEST_F(Numbers, FloatToStrFOfNumbersThatAreNotFinite)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FloatToStrF(std::nan(""), ffFixed, 7, 2), "NAN");
    EXPECT_EQ(FloatToStrF(inf, ffFixed, 7, 2), "INF");
    EXPECT_EQ(FloatToStrF(-inf, ffGeneral, 7, 2), "-INF");
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FloatToStr(1e-7), "1E-7");
}

} // namespace

TEST_F(Numbers, FloatToStrFFixedRoundsToThePrecisionThenWritesTheDecimals)
{
    struct Case {
        double value;
        int precision, digits;
        const char* text;
    };
    const Case cases[] = {
        {3.14159, 4, 1, "3.1"},   {-12.34, 4, 1, "-12.3"}, {999.96, 4, 1, "1000.0"},
        {0.04, 4, 1, "0.0"},      {-0.04, 4, 1, "0.0"},    {1234.5, 5, 1, "1234.5"},
        {12345.6, 4, 1, "1.235E4"}, {-123456.0, 5, 1, "-1.2346E5"}, {0.0, 5, 1, "0.0"},
        {2.25, 4, 2, "2.25"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(FloatToStrF(k.value, ffFixed, k.precision, k.digits), k.text) << k.value;
    SetDecimalSeparator(',');
    EXPECT_EQ(FloatToStrF(1.5, ffFixed, 4, 1), "1,5");
}
