#include "SpinButton.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace quindle {

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    UpButton = new QToolButton(this);
    UpButton->setObjectName("UpButton");
    UpButton->setArrowType(Qt::UpArrow);
    DownButton = new QToolButton(this);
    DownButton->setObjectName("DownButton");
    DownButton->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {UpButton, DownButton}) {
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(b);
    }
    connect(UpButton, &QToolButton::clicked, this, &TSpinButton::UpClick);
    connect(DownButton, &QToolButton::clicked, this, &TSpinButton::DownClick);
}

}  // namespace quindle
