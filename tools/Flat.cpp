#include "tools/Flat.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <algorithm>

#include "data/Spmdata.h"
#include "platform/core/Messages.h"
#include "platform/gui/ModalDialogs.h"
#include "platform/gui/Numbers.h"
#include "processing/Flattening.h"

using processing::TSurfaceModel;

const TFlattenMethod FlattenMethods[6] = {
    &TSPMData::FlattenLineX,     &TSPMData::FlattenLineY,      &TSPMData::FlattenPlane,
    &TSPMData::FlattenParabolaX, &TSPMData::FlattenParabolaY, &TSPMData::FlattenParaboloid,
};

const char* const FlattenStepNames[6] = {
    "Flattening line on X direction for ", "Flattening line on Y direction for ",
    "Flattening plane for ",               "Flattening parabola on X for ",
    "Flattening parabola on Y for ",       "Flattening paraboloid for ",
};

namespace {

//! A factor in the boxes: fixed notation with two decimals after rounding to three
//! significant digits.
QString FactorText(long double value)
{
    return QString::fromStdString(platform::FloatToStrF(double(value), platform::ffFixed, 3, 2));
}

//! Fits a whole-channel model, lets the dialog confirm or change the factors and subtracts
//! the background on OK; the matrix stays locked throughout.
bool FlattenWithDialog(TSPMData& channel, TSurfaceModel model, const char* text)
{
    channel.Lock();
    std::int32_t* values = channel.GetData();
    if (!values) {
        channel.Unlock();
        return false;
    }
    const int width = channel.Header.Width, height = channel.Header.Height;
    processing::TFactors f = processing::FitSurface(model, values, width, height);
    bool ok = false;
    if (model == TSurfaceModel::Paraboloid) {
        TFlatteningForm form(nullptr, f.A, f.B, f.C, f.D, f.E, f.F, text);
        ok = platform::ExecModal(form) == QDialog::Accepted;
    } else {
        TFlatteningForm form(nullptr, f.A, f.B, f.C, text);
        ok = platform::ExecModal(form) == QDialog::Accepted;
    }
    if (ok)
        processing::SubtractQuadric(processing::QuadricOf(model, f), values, width, height);
    channel.Unlock();
    return ok;
}

//! Runs a line fit on the locked matrix; true unless the matrix cannot be had.
template <typename Flatten> bool FlattenLines(TSPMData& channel, const Flatten& flatten)
{
    channel.Lock();
    std::int32_t* values = channel.GetData();
    if (values)
        flatten(values, int(channel.Header.Width), int(channel.Header.Height), 0u);
    channel.Unlock();
    return values != nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------
// The members of the channel

bool TSPMData::FlattenLineX() { return FlattenLines(*this, processing::FlattenLinesX); }

bool TSPMData::FlattenLineY() { return FlattenLines(*this, processing::FlattenLinesY); }

bool TSPMData::FlattenPlane()
{
    return FlattenWithDialog(*this, TSurfaceModel::Plane, "Z = Ax + By + C");
}

bool TSPMData::FlattenParabolaX()
{
    return FlattenWithDialog(*this, TSurfaceModel::ParabolaX, "Z = Axx + Bx + C");
}

bool TSPMData::FlattenParabolaY()
{
    return FlattenWithDialog(*this, TSurfaceModel::ParabolaY, "Z = Ayy + By + C");
}

bool TSPMData::FlattenParaboloid()
{
    return FlattenWithDialog(*this, TSurfaceModel::Paraboloid, "Z = Axx+Byy+Cx+Dy+Exy+F");
}

// ---------------------------------------------------------------------------------
// The dialog

TFlatteningForm::TFlatteningForm(QWidget* owner, long double& A, long double& B, long double& C,
                                 const std::string& method)
    : QDialog(owner)
{
    factors_[0] = &A;
    factors_[1] = &B;
    factors_[2] = &C;
    for (int i = 0; i < 3; ++i)
        factors_[3 + i] = &unused_[i];
    Build(method, 3);
}

TFlatteningForm::TFlatteningForm(QWidget* owner, long double& A, long double& B, long double& C,
                                 long double& D, long double& E, long double& F,
                                 const std::string& method)
    : QDialog(owner)
{
    long double* all[6] = {&A, &B, &C, &D, &E, &F};
    for (int i = 0; i < 6; ++i)
        factors_[i] = all[i];
    Build(method, 6);
}

void TFlatteningForm::Build(const std::string& method, int factors)
{
    setObjectName("FlatteningForm");
    setWindowTitle("Flatten out");
    // A dialog border without border icons: it ends only with OK, Cancel or Esc.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto label = [this](const char* name, const char* text, int x, int y) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(name);
        l->move(x, y);
        return l;
    };
    Label1 = label("Label1", "Flatten method:", 8, 4);
    lbFlatMethod = label("lbFlatMethod", method.c_str(), 8, 20);
    QPalette red = lbFlatMethod->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lbFlatMethod->setPalette(red);
    // The dialog is as wide as the whole model text needs (the paraboloid's is the longest).
    const QFontMetrics metrics(lbFlatMethod->font());
    const int textWidth = metrics.horizontalAdvance(lbFlatMethod->text()) + 4;
    const int width = std::max(170, 8 + textWidth + 8);
    lbFlatMethod->resize(width - 16, std::max(16, metrics.height()));
    Label2 = label("Label2", "Factors:", 8, 38);

    // One row a factor, the buttons below the last shown row (the hidden rows D, E and F of
    // the three-factor dialog take no room). The tab order still runs A, B, C, the buttons,
    // then D, E and F.
    const int shownRows = factors == 6 ? 6 : 3;
    int rowY[6];
    for (int i = 0; i < 6; ++i)
        rowY[i] = 56 + 21 * std::min(i, shownRows - 1);
    const char* letters[6] = {"A:", "B:", "C:", "D:", "E:", "F:"};
    QLabel** labels[6] = {&Label3, &Label4, &Label5, &Label6, &Label7, &Label8};
    QLineEdit** boxes[6] = {&edFactorA, &edFactorB, &edFactorC, &edFactorD, &edFactorE, &edFactorF};
    const char* boxNames[6] = {"edFactorA", "edFactorB", "edFactorC", "edFactorD", "edFactorE", "edFactorF"};
    for (int i = 0; i < 6; ++i) {
        *labels[i] = label(("Label" + std::to_string(3 + i)).c_str(), letters[i], 12, rowY[i] + 3);
        auto* box = new QLineEdit(FactorText(*factors_[i]), this);
        box->setObjectName(boxNames[i]);
        box->setProperty("Tag", i);
        box->setGeometry(32, rowY[i], width - 40, 20);
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, [this, box] { edFactorChange(box); });
        *boxes[i] = box;
        const bool shown = i < 3 || factors == 6;
        box->setVisible(shown);
        (*labels[i])->setVisible(shown);
    }

    btOK = new QPushButton("&OK", this);
    btOK->setObjectName("btOK");
    const int buttonsY = rowY[shownRows - 1] + 22;
    btOK->setGeometry(8, buttonsY, 75, 22);
    btCancel = new QPushButton("&Cancel", this);
    btCancel->setObjectName("btCancel");
    btCancel->setGeometry(87, buttonsY, 75, 22);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(edFactorA, edFactorB);
    setTabOrder(edFactorB, edFactorC);
    setTabOrder(edFactorC, btOK);
    setTabOrder(btOK, btCancel);
    setTabOrder(btCancel, edFactorD);
    setTabOrder(edFactorD, edFactorE);
    setTabOrder(edFactorE, edFactorF);
    setFixedSize(width, factors == 6 ? 208 : 208 - 65);
}

void TFlatteningForm::edFactorChange(QLineEdit* box)
{
    // The texts set while the dialog is built (and a box being restored) change nothing, so
    // that an untouched factor keeps its full precision.
    if (!isVisible() || restoring_ || !box)
        return;
    long double& factor = *factors_[box->property("Tag").toInt()];
    try {
        factor = platform::StrToFloat(box->text().toStdString());
    } catch (const platform::EConvertError&) {
        platform::ShowMessage("Value must be float!", "Error", platform::MessageIcon::Error);
        restoring_ = true;
        box->setText(QString::fromStdString(platform::FloatToStr(double(factor))));
        restoring_ = false;
    }
}

bool TFlatteningForm::edFactorAKeyDown(QLineEdit* box, int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    focusNextChild();
    return true;
}

void TFlatteningForm::FormKeyDown(int key)
{
    if (key == Qt::Key_Escape)
        reject();
}

bool TFlatteningForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape) {
                FormKeyDown(key->key());
                return true;
            }
            if (edFactorAKeyDown(box, key->key()))
                return true;
        }
    return QDialog::eventFilter(watched, event);
}

void TFlatteningForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        FormKeyDown(event->key());
    else
        QDialog::keyPressEvent(event);
}
