#pragma once
// A colour box: a drop-down list of the standard, extended and system colours, each with
// a swatch and its readable name.

#include <QColor>
#include <QComboBox>
#include <QString>

namespace quindle {

class TColorBox : public QComboBox {
    Q_OBJECT
public:
    //! Lists every colour; black is selected.
    explicit TColorBox(QWidget* parent = nullptr);
    //! The selected colour; a system colour as the application's palette gives it now.
    QColor Selected() const;
    //! Selects the entry of a name ("White"); false, and nothing changed, when none has it.
    bool SelectName(const QString& name);
    //! The colour of a name, invalid for a name the box does not list.
    static QColor ColorOf(const QString& name);
};

}  // namespace quindle
