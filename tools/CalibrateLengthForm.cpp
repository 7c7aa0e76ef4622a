#include "tools/CalibrateLengthForm.h"

#include <QLabel>
#include <QPushButton>

#include "components/ZtEdit.h"
#include "platform/gui/Numbers.h"
#include "views/ViewHost.h"

TFCalibrateLength::TFCalibrateLength(QWidget* owner) : QDialog(owner ? owner : ViewHostWindow())
{
    setObjectName("FCalibrateLength");
    setWindowTitle("Calculate range");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(254, 101);

    Label1 = new QLabel("Distance between points, nm", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 12, 160, 17);
    EDPointsDistance = new TZtEdit(this);
    EDPointsDistance->setObjectName("EDPointsDistance");
    EDPointsDistance->SetTypeValue(tvFloat);
    EDPointsDistance->SetText("0");
    EDPointsDistance->setFrame(false);
    EDPointsDistance->setGeometry(172, 10, 74, 20);
    EDPointsDistance->OnEnterValue = [this](QObject* sender) { EDPointsDistanceEnterValue(sender); };

    Label2 = new QLabel("Full length of the cross-section, nm", this);
    Label2->setObjectName("Label2");
    Label2->setGeometry(8, 40, 160, 30);
    Label2->setWordWrap(true);
    STProfileLength = new QLabel(this);
    STProfileLength->setObjectName("STProfileLength");
    STProfileLength->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    STProfileLength->setGeometry(172, 42, 74, 20);

    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(90, 72, 75, 25);
    // Enter enters the distance; only the button closes the dialog.
    BitBtn1->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    if (QWidget* centre = ViewHost() ? ViewHostWindow() : parentWidget()) {
        const QPoint middle = centre->mapToGlobal(centre->rect().center());
        move(middle - QPoint(width() / 2, height() / 2));
    }
    EDPointsDistance->setFocus();
}

void TFCalibrateLength::EDPointsDistanceEnterValue(QObject*)
{
    if (Fraction == 0)
        return;
    const double length = EDPointsDistance->GetValueFloat() / Fraction;
    STProfileLength->setText(QString::fromStdString(platform::FloatToStrF(length, platform::ffFixed, 10, 1)));
}
