#include "About.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TAboutForm::TAboutForm(QWidget* owner) : QDialog(owner)
{
    setObjectName("AboutForm");
    setWindowTitle("About Morvane");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ProgramIcon = new QLabel(this);
    ProgramIcon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
    ProductName = new QLabel("Morvane", this);
    QFont big = ProductName->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    ProductName->setFont(big);
    Version = new QLabel("version ", this);
    VersionLabel = new QLabel(this);
    VersionLabel->setObjectName("VersionLabel");
    Comments = new QLabel(
        "Morvane is a 32-bit Windows-based program for visualization, processing and analysis "
        "of scanning probe microscopy data. \n"
        "It opens SPM0, SPM1 and MSS scans and bitmap pictures, shows them in 2-D and 3-D, "
        "flattens, crops and combines them, and computes roughness, height and angle "
        "distributions.",
        this);
    Comments->setWordWrap(true);
    Comments->setMinimumWidth(360);
    OKButton = new QPushButton("&OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* version = new QHBoxLayout;
    version->addWidget(Version);
    version->addWidget(VersionLabel);
    version->addStretch();
    auto* head = new QVBoxLayout;
    head->addWidget(ProductName);
    head->addLayout(version);
    auto* top = new QHBoxLayout;
    top->addWidget(ProgramIcon);
    top->addLayout(head);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Comments);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
