#pragma once
// 8-bit texts as files and plug-ins carry them (Windows-1251) and the program's own UTF-8.

#include <string>

namespace platform {

//! The UTF-8 form of a Windows-1251 text.
std::string Cp1251ToUtf8(const std::string& text);
//! The Windows-1251 form of a UTF-8 text; characters 1251 lacks become '?'.
std::string Utf8ToCp1251(const std::string& text);
//! The Unicode code point of one Windows-1251 byte (0x98, unassigned, gives 0xFFFD).
char32_t Cp1251ToUnicode(unsigned char byte);
//! The Windows-1251 byte of one character, or -1 when 1251 lacks it.
int UnicodeToCp1251(char32_t character);

//! The text of a printf-style format, however long it comes out (numbers always with '.',
//! the program keeps the "C" numeric locale).
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform
