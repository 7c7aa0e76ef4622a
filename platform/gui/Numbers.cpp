#include "Numbers.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <charconv>
#include <clocale>
#include <cstdint>

namespace platform {

namespace {

std::atomic<char> g_separator{'.'};
std::atomic<char> g_systemOverride{0};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}


[[noreturn]] void NotInteger(const std::string& text)
{
    throw EConvertError("'" + text + "' is not a valid integer value");
}

[[noreturn]] void NotFloat(const std::string& text)
{
    throw EConvertError("'" + text + "' is not a valid floating point value");
}

} // namespace

char DecimalSeparator()
{
    return g_separator.load();
}

void SetDecimalSeparator(char separator)
{
    g_separator.store(separator);
}

char SystemDecimalSeparator()
{
    if (const char o = g_systemOverride.load())
        return o;
    const QString point = QLocale::system().decimalPoint();
    if (point.isEmpty())
        return '.';
    const char16_t c = point.at(0).unicode();
    return c > 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
}

void OverrideSystemDecimalSeparator(char separator)
{
    g_systemOverride.store(separator);
}

std::int32_t StrToInt(const std::string& text)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        NotInteger(text);
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const int d = hex ? HexDigit(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
        if (d < 0)
            NotInteger(text);
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(d);
        if (value > 0xFFFFFFFFull)
            NotInteger(text);
    }
    if (hex) {
        // Hexadecimal numbers take all 32 bits; the sign negates the bit pattern.
        const auto bits = static_cast<std::uint32_t>(value);
        return static_cast<std::int32_t>(negative ? 0u - bits : bits);
    }
    if (negative) {
        if (value > 2147483648ull)
            NotInteger(text);
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
    }
    if (value > 2147483647ull)
        NotInteger(text);
    return static_cast<std::int32_t>(value);
}

double StrToFloat(const std::string& text)
{
    const char separator = DecimalSeparator();
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    std::string plain; // the number in the form that from_chars reads
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            plain += '-';
        ++i;
    }
    int digits = 0;
    while (i < n && IsDigit(text[i])) {
        plain += text[i++];
        ++digits;
    }
    if (i < n && text[i] == separator) {
        plain += '.';
        ++i;
        while (i < n && IsDigit(text[i])) {
            plain += text[i++];
            ++digits;
        }
    }
    if (digits == 0)
        NotFloat(text);
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        plain += 'e';
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            plain += text[i++];
        int exponentDigits = 0;
        while (i < n && IsDigit(text[i])) {
            plain += text[i++];
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            NotFloat(text);
    }
    while (i < n && text[i] == ' ')
        ++i;
    if (i != n)
        NotFloat(text);
    double value = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small a number gives zero; too large a one is no valid value.
        long double wide = 0;
        const auto r = std::from_chars(plain.data(), plain.data() + plain.size(), wide);
        const bool tiny =
            r.ec == std::errc() ? (wide < 1 && wide > -1) : plain.find("e-") != std::string::npos;
        if (!tiny)
            NotFloat(text);
        return plain[0] == '-' ? -0.0 : 0.0;
    }
    if (ec != std::errc() || end != plain.data() + plain.size())
        NotFloat(text);
    return value;
}

namespace {

// The text of a number that is not finite.
std::string NotFinite(double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// Puts the program's separator in place of the C library's point.
std::string WithSeparator(std::string s)
{
    if (const auto dot = s.find('.'); dot != std::string::npos)
        s[dot] = DecimalSeparator();
    return s;
}

// A text whose digits are all zero loses its minus sign.
std::string WithoutNegativeZero(std::string s)
{
    if (!s.empty() && s[0] == '-' && s.find_first_of("123456789") == std::string::npos)
        s.erase(0, 1);
    return s;
}

// The general format: `precision` significant digits, exponent written without "+" and
// leading zeros (1E20, 1E-7). to_chars writes '.' and "e" whatever the C library's locale.
std::string GeneralText(double value, int precision)
{
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, precision).ptr;
    std::string s(text, end);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    if (const auto e = s.find('E'); e != std::string::npos) {
        std::string mantissa = s.substr(0, e);
        std::string exponent = s.substr(e + 1);
        const bool negative = !exponent.empty() && exponent[0] == '-';
        if (!exponent.empty() && (exponent[0] == '-' || exponent[0] == '+'))
            exponent.erase(0, 1);
        exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
        s = mantissa + "E" + (negative ? "-" : "") + exponent;
    }
    return WithSeparator(s);
}

// The fixed format: the number rounded to `precision` significant digits and to `digits`
// decimals (halves away from zero, on the exact decimal digits of the double), written
// with `digits` decimals.
std::string FixedText(double value, int precision, int digits)
{
    // The exact leading digits of the value (a double's ties lie far within them) and its
    // decimal exponent: value = 0.D × 10^(exponent + 1).
    char text[96];
    const char* const end = std::to_chars(text, text + sizeof text, std::fabs(value),
                                          std::chars_format::scientific, 60)
                                .ptr;
    std::string d;
    const char* p = text;
    for (; p < end && *p != 'e'; ++p)
        if (IsDigit(*p))
            d += *p;
    int exponent = value == 0 ? 0 : std::atoi(std::string(p < end ? p + 1 : end, end).c_str());
    // Keep `keep` digits: the significant ones, and none past the last decimal.
    const int keep = std::min(precision, exponent + 1 + digits);
    std::string kept;
    if (keep < 0 || (keep == 0 && d[0] < '5')) {
        kept = "0";
        exponent = 0;
    } else if (keep == 0) {
        kept = "1"; // rounds up to one unit of the last decimal, 10^(exponent + 1)
        exponent += 1;
    } else {
        kept = d.substr(0, static_cast<std::size_t>(keep));
        if (d[static_cast<std::size_t>(keep)] >= '5') {
            int i = keep - 1;
            for (; i >= 0 && kept[static_cast<std::size_t>(i)] == '9'; --i)
                kept[static_cast<std::size_t>(i)] = '0';
            if (i >= 0) {
                ++kept[static_cast<std::size_t>(i)];
            } else {
                kept.insert(kept.begin(), '1');
                kept.pop_back();
                ++exponent;
            }
        }
    }
    if (kept.find_first_not_of('0') == std::string::npos)
        exponent = 0;
    if (exponent + 1 > precision)
        return GeneralText(value, precision);
    std::string integer, fraction;
    if (exponent >= 0) {
        kept.resize(std::max(kept.size(), static_cast<std::size_t>(exponent) + 1), '0');
        integer = kept.substr(0, static_cast<std::size_t>(exponent) + 1);
        fraction = kept.substr(static_cast<std::size_t>(exponent) + 1);
    } else {
        integer = "0";
        fraction = std::string(static_cast<std::size_t>(-exponent - 1), '0') + kept;
    }
    fraction.resize(static_cast<std::size_t>(digits), '0');
    std::string s = (value < 0 ? "-" : "") + integer;
    if (digits > 0)
        s += "." + fraction;
    return WithoutNegativeZero(WithSeparator(s));
}

} // namespace

std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits)
{
    if (!std::isfinite(Value))
        return NotFinite(Value);
    Precision = std::clamp(Precision, 1, 18);
    Digits = std::clamp(Digits, 0, 18);
    if (Format == ffFixed)
        return FixedText(Value, Precision, Digits);
    return GeneralText(Value, Precision);
}

std::string FloatToStr(double value)
{
    return GeneralText(value, 15);
}

void KeepCNumericLocale()
{
    std::setlocale(LC_NUMERIC, "C");
}


int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace platform
