#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "platform/charts/Chart.h"
#include "plugins/quindle/ColorBox.h"
#include "plugins/quindle/DimentionForm.h"
#include "plugins/quindle/SpinButton.h"
#include "plugins/quindle/Unit2.h"

using namespace quindle;

namespace {

struct Initial {
    QString Chart, Back, Line, Text, Width;
    bool Marks, VerticalGrid, HorizontalGrid;
};

Initial StateOf(const TGraphicOptions& o)
{
    return {o.graphiccolor->currentText(), o.graphicbackcolor->currentText(), o.linecolor->currentText(),
            o.ColorBox2->currentText(),    o.linewidth->text(),                o.CheckBox1->isChecked(),
            o.CheckBox2->isChecked(),      o.CheckBox3->isChecked()};
}

void ExpectInitial(const TGraphicOptions& o)
{
    const Initial s = StateOf(o);
    EXPECT_EQ(s.Chart, "White");
    EXPECT_EQ(s.Back, "White");
    EXPECT_EQ(s.Line, "Red");
    EXPECT_EQ(s.Text, "Black");
    EXPECT_EQ(s.Width, "1");
    EXPECT_FALSE(s.Marks);
    EXPECT_TRUE(s.VerticalGrid);
    EXPECT_TRUE(s.HorizontalGrid);
}

}  // namespace

TEST(GraphicOptions, LooksAsThePlotOptionsWindow)
{
    TForm1 form(static_cast<QWidget*>(nullptr));
    TGraphicOptions options(form);
    EXPECT_EQ(options.windowTitle(), "Plot options");
    EXPECT_EQ(options.size(), QSize(162, 332));
    EXPECT_TRUE(options.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ((options.windowFlags() & Qt::WindowType_Mask), Qt::Tool);
    EXPECT_EQ(options.CheckBox1->text(), "Show points marks");
    EXPECT_EQ(options.CheckBox2->text(), "Show vertical grid");
    EXPECT_EQ(options.CheckBox3->text(), "Show horizontal grid");
    for (QWidget* w : std::initializer_list<QWidget*>{options.graphiccolor, options.linewidth, options.Spin,
                                                      options.CheckBox3, options.BitBtn1})
        EXPECT_EQ(w->parentWidget(), options.GroupBox1);
    QStringList captions;
    for (QLabel* l : options.GroupBox1->findChildren<QLabel*>())
        captions << l->text();
    for (const char* c : {"Plot window color", "Plot background", "Line color", "Label text color", "Line width"})
        EXPECT_TRUE(captions.contains(c)) << c;
    ExpectInitial(options);
}

TEST(GraphicOptions, ChangesApplyToTheChartAtOnce)
{
    TForm1 form(static_cast<QWidget*>(nullptr));
    TGraphicOptions options(form);
    // The initial settings changed nothing.
    EXPECT_EQ(form.Series1->LineWidth(), 1);

    options.graphiccolor->SelectName("Navy");
    EXPECT_EQ(form.Graphic->Color(), QColor(0, 0, 128));
    options.graphicbackcolor->SelectName("Cream");
    EXPECT_EQ(form.Graphic->BackColor(), QColor(255, 251, 240));
    EXPECT_EQ(form.LDim->palette().color(QPalette::Window), QColor(255, 251, 240));
    options.linecolor->SelectName("Lime");
    EXPECT_EQ(form.Series1->Color(), QColor(0, 255, 0));
    EXPECT_EQ(form.Series2->Color(), QColor(Qt::blue));
    options.ColorBox2->SelectName("Maroon");
    EXPECT_EQ(form.LDim->palette().color(QPalette::WindowText), QColor(128, 0, 0));

    options.CheckBox1->click();
    EXPECT_TRUE(form.Series1->MarksVisible());
    EXPECT_TRUE(form.Series2->MarksVisible());
    options.CheckBox2->click();
    EXPECT_FALSE(form.Graphic->LeftAxis().GridVisible());
    EXPECT_TRUE(form.Graphic->BottomAxis().GridVisible());
    options.CheckBox3->click();
    EXPECT_FALSE(form.Graphic->BottomAxis().GridVisible());
}

TEST(GraphicOptions, LineWidthStaysWithinOneToTen)
{
    TForm1 form(static_cast<QWidget*>(nullptr));
    TGraphicOptions options(form);
    for (int i = 0; i < 12; ++i)
        options.Spin->UpButton->click();
    EXPECT_EQ(options.linewidth->text(), "10");
    EXPECT_EQ(form.Series1->LineWidth(), 10);
    options.Spin->DownButton->click();
    EXPECT_EQ(options.linewidth->text(), "9");
    EXPECT_EQ(form.Series1->LineWidth(), 9);
    for (int i = 0; i < 12; ++i)
        options.Spin->DownButton->click();
    EXPECT_EQ(options.linewidth->text(), "1");
    EXPECT_EQ(form.Series1->LineWidth(), 1);
}

TEST(GraphicOptions, OpensAgainFromItsInitialSettings)
{
    TForm1 form(static_cast<QWidget*>(nullptr));
    {
        TGraphicOptions first(form);
        first.graphiccolor->SelectName("Black");
        first.linecolor->SelectName("Blue");
        first.Spin->UpButton->click();
        first.CheckBox2->click();
    }
    TGraphicOptions second(form);
    ExpectInitial(second);
    EXPECT_EQ(form.Graphic->Color(), QColor(Qt::black));  // the chart keeps its settings
    EXPECT_EQ(form.Series1->LineWidth(), 2);
}

TEST(ColorBox, ListsStandardExtendedAndSystemColoursByName)
{
    TColorBox box;
    ASSERT_EQ(box.count(), 50);
    EXPECT_EQ(box.currentText(), "Black");
    EXPECT_EQ(box.itemText(0), "Black");
    EXPECT_EQ(box.itemText(15), "White");
    EXPECT_EQ(box.itemText(16), "MoneyGreen");
    EXPECT_EQ(box.itemText(19), "MedGray");
    EXPECT_EQ(box.itemText(49), "MenuBar");
    EXPECT_EQ(TColorBox::ColorOf("SkyBlue"), QColor(166, 202, 240));
    EXPECT_EQ(TColorBox::ColorOf("Window"), QApplication::palette().color(QPalette::Base));
    EXPECT_FALSE(TColorBox::ColorOf("clWhite").isValid());
    EXPECT_FALSE(box.SelectName("Purple Rain"));
    EXPECT_TRUE(box.SelectName("Teal"));
    EXPECT_EQ(box.Selected(), QColor(0, 128, 128));
}
