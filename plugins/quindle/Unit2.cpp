#include "Unit2.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "platform/charts/Chart.h"
#include "plugins/quindle/ColorBox.h"
#include "plugins/quindle/DimentionForm.h"
#include "plugins/quindle/SpinButton.h"

namespace quindle {

namespace {

// A caption above a control of the group.
void Caption(QWidget* group, const char* text, int top)
{
    auto* label = new QLabel(text, group);
    label->setGeometry(8, top, 138, 16);
}

TColorBox* ColorBoxAt(QWidget* group, const char* name, const char* selected, int top)
{
    auto* box = new TColorBox(group);
    box->setObjectName(name);
    box->SelectName(selected);
    box->setGeometry(8, top, 138, 22);
    return box;
}

QCheckBox* CheckBoxAt(QWidget* group, const char* name, const char* text, bool checked, int top)
{
    auto* box = new QCheckBox(text, group);
    box->setObjectName(name);
    box->setChecked(checked);
    box->setGeometry(8, top, 138, 20);
    return box;
}

}  // namespace

TGraphicOptions::TGraphicOptions(TForm1& owner) : QDialog(&owner), form_(owner)
{
    setObjectName("GraphicOptions");
    setWindowTitle("Plot options");
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(162, 332);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(4, 0, 154, 328);
    Caption(GroupBox1, "Plot window color", 14);
    graphiccolor = ColorBoxAt(GroupBox1, "graphiccolor", "White", 30);
    Caption(GroupBox1, "Plot background", 56);
    graphicbackcolor = ColorBoxAt(GroupBox1, "graphicbackcolor", "White", 72);
    Caption(GroupBox1, "Line color", 98);
    linecolor = ColorBoxAt(GroupBox1, "linecolor", "Red", 114);
    Caption(GroupBox1, "Label text color", 140);
    ColorBox2 = ColorBoxAt(GroupBox1, "ColorBox2", "Black", 156);

    Caption(GroupBox1, "Line width", 186);
    linewidth = new QLabel("1", GroupBox1);
    linewidth->setObjectName("linewidth");
    linewidth->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    linewidth->setAlignment(Qt::AlignCenter);
    linewidth->setGeometry(80, 184, 34, 22);
    Spin = new TSpinButton(GroupBox1);
    Spin->setObjectName("Spin");
    Spin->setGeometry(116, 182, 18, 26);

    CheckBox1 = CheckBoxAt(GroupBox1, "CheckBox1", "Show points marks", false, 216);
    CheckBox2 = CheckBoxAt(GroupBox1, "CheckBox2", "Show vertical grid", true, 238);
    CheckBox3 = CheckBoxAt(GroupBox1, "CheckBox3", "Show horizontal grid", true, 260);

    BitBtn1 = new QPushButton("OK", GroupBox1);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(39, 292, 75, 25);
    BitBtn1->setDefault(true);

    // Connected after the initial settings, which change nothing on the chart.
    connect(graphiccolor, &QComboBox::currentIndexChanged, this, &TGraphicOptions::graphiccolorChange);
    connect(graphicbackcolor, &QComboBox::currentIndexChanged, this, &TGraphicOptions::graphicbackcolorChange);
    connect(linecolor, &QComboBox::currentIndexChanged, this, &TGraphicOptions::linecolorChange);
    connect(ColorBox2, &QComboBox::currentIndexChanged, this, &TGraphicOptions::ColorBox2Change);
    connect(Spin, &TSpinButton::UpClick, this, &TGraphicOptions::SpinUpClick);
    connect(Spin, &TSpinButton::DownClick, this, &TGraphicOptions::SpinDownClick);
    connect(CheckBox1, &QCheckBox::clicked, this, &TGraphicOptions::CheckBox1Click);
    connect(CheckBox2, &QCheckBox::clicked, this, &TGraphicOptions::CheckBox2Click);
    connect(CheckBox3, &QCheckBox::clicked, this, &TGraphicOptions::CheckBox3Click);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(mrOk); });
}

void TGraphicOptions::graphiccolorChange()
{
    form_.Graphic->SetColor(graphiccolor->Selected());
}

void TGraphicOptions::graphicbackcolorChange()
{
    const QColor color = graphicbackcolor->Selected();
    form_.Graphic->SetBackColor(color);
    QPalette palette = form_.LDim->palette();
    palette.setColor(QPalette::Window, color);
    form_.LDim->setPalette(palette);
}

void TGraphicOptions::linecolorChange()
{
    form_.Series1->SetColor(linecolor->Selected());
}

void TGraphicOptions::ColorBox2Change()
{
    QPalette palette = form_.LDim->palette();
    palette.setColor(QPalette::WindowText, ColorBox2->Selected());
    form_.LDim->setPalette(palette);
}

void TGraphicOptions::SetLineWidth(int width)
{
    linewidth->setText(QString::number(width));
    form_.Series1->SetLineWidth(width);
}

void TGraphicOptions::SpinUpClick()
{
    const int width = linewidth->text().toInt();
    if (width <= 9)
        SetLineWidth(width + 1);
}

void TGraphicOptions::SpinDownClick()
{
    const int width = linewidth->text().toInt();
    if (width >= 2)
        SetLineWidth(width - 1);
}

void TGraphicOptions::CheckBox1Click()
{
    form_.Series1->SetMarksVisible(CheckBox1->isChecked());
    form_.Series2->SetMarksVisible(CheckBox1->isChecked());
}

void TGraphicOptions::CheckBox2Click()
{
    form_.Graphic->LeftAxis().SetGridVisible(CheckBox2->isChecked());
}

void TGraphicOptions::CheckBox3Click()
{
    form_.Graphic->BottomAxis().SetGridVisible(CheckBox3->isChecked());
}

}  // namespace quindle
