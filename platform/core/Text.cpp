#include "Text.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace platform {

namespace {

// Code points of the bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F.
constexpr char32_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

int UnicodeToCp1251(char32_t cp)
{
    if (cp < 0x80)
        return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x044F)
        return static_cast<int>(cp - 0x0410 + 0xC0);
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == cp && cp != 0xFFFD)
            return 0x80 + i;
    return -1;
}

char32_t Cp1251ToUnicode(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return 0x0410 + (byte - 0xC0);
    return kHigh[byte - 0x80];
}

std::string Cp1251ToUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (unsigned char b : text)
        AppendUtf8(out, Cp1251ToUnicode(b));
    return out;
}

std::string Utf8ToCp1251(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        char32_t cp;
        std::size_t len;
        if (b < 0x80) {
            cp = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            len = 4;
        } else {
            out += '?';
            ++i;
            continue;
        }
        if (i + len > text.size()) {
            out += '?';
            break;
        }
        bool ok = true;
        for (std::size_t k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                ok = false;
            cp = (cp << 6) | (c & 0x3F);
        }
        const int byte = ok ? UnicodeToCp1251(cp) : -1;
        out += byte < 0 ? '?' : static_cast<char>(byte);
        i += ok ? len : 1;
    }
    return out;
}

std::string FormatText(const char* format, ...)
{
    char small[256];
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string text;
    if (length < 0) {
        va_end(again);
        return text;
    }
    if (static_cast<std::size_t>(length) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(length));
    } else {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(again);
    return text;
}

}  // namespace platform
