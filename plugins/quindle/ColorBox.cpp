#include "ColorBox.h"

#include <QApplication>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <iterator>

namespace quindle {

namespace {

// A fixed colour has a role of -1; a system colour names the palette role it follows.
struct TColorEntry {
    const char* Name;
    QRgb Rgb;
    int Role;
};

constexpr int Fixed = -1;

const TColorEntry Entries[] = {
    // Standard colours.
    {"Black", qRgb(0, 0, 0), Fixed},
    {"Maroon", qRgb(128, 0, 0), Fixed},
    {"Green", qRgb(0, 128, 0), Fixed},
    {"Olive", qRgb(128, 128, 0), Fixed},
    {"Navy", qRgb(0, 0, 128), Fixed},
    {"Purple", qRgb(128, 0, 128), Fixed},
    {"Teal", qRgb(0, 128, 128), Fixed},
    {"Gray", qRgb(128, 128, 128), Fixed},
    {"Silver", qRgb(192, 192, 192), Fixed},
    {"Red", qRgb(255, 0, 0), Fixed},
    {"Lime", qRgb(0, 255, 0), Fixed},
    {"Yellow", qRgb(255, 255, 0), Fixed},
    {"Blue", qRgb(0, 0, 255), Fixed},
    {"Fuchsia", qRgb(255, 0, 255), Fixed},
    {"Aqua", qRgb(0, 255, 255), Fixed},
    {"White", qRgb(255, 255, 255), Fixed},
    // Extended colours.
    {"MoneyGreen", qRgb(192, 220, 192), Fixed},
    {"SkyBlue", qRgb(166, 202, 240), Fixed},
    {"Cream", qRgb(255, 251, 240), Fixed},
    {"MedGray", qRgb(160, 160, 164), Fixed},
    // System colours, as the application's palette shows them.
    {"ScrollBar", 0, QPalette::Button},
    {"Background", 0, QPalette::Dark},
    {"ActiveCaption", 0, QPalette::Highlight},
    {"InactiveCaption", 0, QPalette::Mid},
    {"Menu", 0, QPalette::Window},
    {"Window", 0, QPalette::Base},
    {"WindowFrame", 0, QPalette::Shadow},
    {"MenuText", 0, QPalette::WindowText},
    {"WindowText", 0, QPalette::Text},
    {"CaptionText", 0, QPalette::HighlightedText},
    {"ActiveBorder", 0, QPalette::Window},
    {"InactiveBorder", 0, QPalette::Window},
    {"AppWorkSpace", 0, QPalette::Dark},
    {"Highlight", 0, QPalette::Highlight},
    {"HighlightText", 0, QPalette::HighlightedText},
    {"BtnFace", 0, QPalette::Button},
    {"BtnShadow", 0, QPalette::Mid},
    {"GrayText", 0, QPalette::PlaceholderText},
    {"BtnText", 0, QPalette::ButtonText},
    {"InactiveCaptionText", 0, QPalette::Text},
    {"BtnHighlight", 0, QPalette::Light},
    {"3DDkShadow", 0, QPalette::Shadow},
    {"3DLight", 0, QPalette::Midlight},
    {"InfoText", 0, QPalette::ToolTipText},
    {"InfoBk", 0, QPalette::ToolTipBase},
    {"HotLight", 0, QPalette::Link},
    {"GradientActiveCaption", 0, QPalette::Highlight},
    {"GradientInactiveCaption", 0, QPalette::Midlight},
    {"MenuHighlight", 0, QPalette::Highlight},
    {"MenuBar", 0, QPalette::Window},
};

QColor ColorOfEntry(const TColorEntry& e)
{
    if (e.Role == Fixed)
        return QColor(e.Rgb);
    return QApplication::palette().color(static_cast<QPalette::ColorRole>(e.Role));
}

}  // namespace

TColorBox::TColorBox(QWidget* parent) : QComboBox(parent)
{
    for (std::size_t i = 0; i < std::size(Entries); ++i) {
        QPixmap swatch(16, 12);
        swatch.fill(ColorOfEntry(Entries[i]));
        addItem(QIcon(swatch), Entries[i].Name, static_cast<int>(i));
    }
    setCurrentIndex(0);
}

QColor TColorBox::Selected() const
{
    const int i = currentData().toInt();
    if (currentIndex() < 0 || i < 0 || i >= static_cast<int>(std::size(Entries)))
        return QColor();
    return ColorOfEntry(Entries[i]);
}

bool TColorBox::SelectName(const QString& name)
{
    const int index = findText(name, Qt::MatchExactly);
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

QColor TColorBox::ColorOf(const QString& name)
{
    for (const TColorEntry& e : Entries)
        if (name == e.Name)
            return ColorOfEntry(e);
    return QColor();
}

}  // namespace quindle
