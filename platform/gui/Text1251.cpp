#include "Text1251.h"

#include <QList>

#include "platform/core/Text.h"

namespace platform {

QString FromCp1251(std::string_view text)
{
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (unsigned char b : text)
        out += QChar(static_cast<char16_t>(Cp1251ToUnicode(b)));
    return out;
}

int ToCp1251Byte(char32_t character) { return UnicodeToCp1251(character); }

std::string ToCp1251(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (char32_t c : text.toUcs4()) {
        const int b = UnicodeToCp1251(c);
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

} // namespace platform
