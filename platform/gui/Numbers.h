#pragma once
// The class library's number conversions: the program-wide decimal separator, and text
// to integer and to floating point with the conversion error's messages.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

//! The conversion error of a text that is not a number.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

//! The program-wide decimal separator of floating-point formatting and parsing ('.' at
//! start).
char DecimalSeparator();
void SetDecimalSeparator(char separator);

//! The decimal separator of the system's default locale (its first character; '.' when
//! that is not a plain ASCII character).
char SystemDecimalSeparator();
//! Makes SystemDecimalSeparator answer `separator` (0 gives the real system's back);
//! for tests.
void OverrideSystemDecimalSeparator(char separator);

//! Puts the C library's number formatting back to the "C" locale (LC_NUMERIC), which the
//! application object's construction sets from the desktop: printf-style texts then write
//! '.' as their decimal point whatever the desktop's locale. Call it right after the
//! application object is made.
void KeepCNumericLocale();

//! The value 0 to 15 of a hexadecimal digit, -1 for any other character.
int HexDigit(char c);

//! The 32-bit integer of a text: leading blanks, an optional sign, decimal digits or a
//! hexadecimal number after "$", "x" or "0x", nothing after them. Throws EConvertError
//! "'<text>' is not a valid integer value" otherwise and beyond the 32-bit range.
std::int32_t StrToInt(const std::string& text);

//! The number of a text: blanks around an optional sign, digits with at most one
//! DecimalSeparator() and an optional exponent ("e" or "E", optional sign, digits).
//! Throws EConvertError "'<text>' is not a valid floating point value" otherwise.
double StrToFloat(const std::string& text);

//! The formats of FloatToStrF.
enum TFloatFormat { ffGeneral, ffFixed };

//! The class library's formatted text of a floating-point number, with DecimalSeparator():
//! - ffGeneral: rounded to Precision significant digits, no trailing zeros, in exponent
//!   form ("1.5E20", "1E-7") when the integer part needs more than Precision digits or
//!   the number is below 1E-4 in magnitude;
//! - ffFixed: rounded to Precision significant digits and written with Digits decimals
//!   (at least one digit before the point, zeros after the significant digits); in the
//!   exponent form of ffGeneral when the integer part needs more than Precision digits.
//! Precision is held to 1 … 18 and Digits to 0 … 18; a value that comes out as zero has no
//! sign; not-a-number and infinities give "NAN", "INF" and "-INF".
std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits);

//! The class library's default text of a floating-point number: 15 significant digits,
//! no trailing zeros, the exponent written without "+" or leading zeros ("1E20", "1E-7"),
//! with DecimalSeparator() whatever the C library's locale.
std::string FloatToStr(double value);

} // namespace platform
