#pragma once
// The one place where 8-bit texts (Windows-1251, as files, plug-ins and the model carry
// them) meet Qt's Unicode strings.

#include <QString>
#include <string>
#include <string_view>

namespace platform {

//! The Unicode string of a Windows-1251 text (the unassigned byte 0x98 becomes U+FFFD).
QString FromCp1251(std::string_view text);
//! The Windows-1251 text of a Unicode string; every character that 1251 lacks becomes '?'.
std::string ToCp1251(const QString& text);
//! The Windows-1251 byte of one character, or -1 when 1251 lacks it.
int ToCp1251Byte(char32_t character);

} // namespace platform
