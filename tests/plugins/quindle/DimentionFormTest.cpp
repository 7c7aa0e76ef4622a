#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "platform/charts/Chart.h"
#include "plugins/quindle/DimentionForm.h"
#include "plugins/quindle/Unit2.h"
#include "support/TestSupport.h"

using namespace quindle;

namespace {

const TReport SomeReport{256, 512, 1.5f, 2.345f, "nm", 2.344996f};

}  // namespace

TEST(DimentionForm, LooksAsTheResultWindow)
{
    QWidget main;
    TForm1 form(TParentWindow{&main});
    EXPECT_EQ(form.parentWidget(), &main);
    EXPECT_EQ(form.windowTitle(), "Multifractal dimension");
    EXPECT_EQ(form.size(), QSize(576, 367));
    EXPECT_TRUE(form.font().bold());
    EXPECT_FALSE(form.SpeedButton1->font().bold());
    EXPECT_EQ(form.SpeedButton1->text(), "&Save");
    EXPECT_EQ(form.SpeedButton1->toolTip(), "Save information into file");
    EXPECT_FALSE(form.SpeedButton1->icon().isNull());
    EXPECT_EQ(form.BitBtn1->text(), "&Close");
    EXPECT_EQ(form.Graphicoptions1->text(), "&Plot options");
    EXPECT_EQ(form.LDim->pos(), QPoint(101, 25));
    EXPECT_EQ(form.LDim->parentWidget(), form.Graphic);

    charts::TChart& chart = *form.Graphic;
    EXPECT_EQ(chart.Color(), QColor(Qt::white));
    EXPECT_TRUE(chart.Title().isEmpty());
    EXPECT_EQ(chart.BottomAxis().Title(), QString::fromUtf8("Cross-section area Log S, µm^2 "));
    EXPECT_EQ(chart.LeftAxis().Title(), QString::fromUtf8("Cluster perimeter Log L, µm"));
    EXPECT_EQ(form.Series1->Kind(), charts::TSeriesKind::FastLine);
    EXPECT_EQ(form.Series1->Color(), QColor(Qt::red));
    EXPECT_TRUE(form.Series1->Sorted());
    EXPECT_FALSE(form.Series1->ShowInLegend());
    EXPECT_EQ(form.Series2->Kind(), charts::TSeriesKind::Line);
    EXPECT_EQ(form.Series2->Title(), "Ideal line");
    EXPECT_EQ(form.Series2->Color(), QColor(Qt::blue));
    EXPECT_FALSE(form.Series2->PointsVisible());
    EXPECT_TRUE(form.Series2->ShowInLegend());

    EXPECT_EQ(form.Save.Filter, "Bitmap|*.bmp|Text file|*.txt");
    EXPECT_EQ(form.Save.FilterIndex, 2);
}

TEST(DimentionForm, ShowsTheResultSortedByXWithTheDimension)
{
    TForm1 form(static_cast<QWidget*>(nullptr));
    TPlot plot;
    plot.Points = {{3, 1}, {-1, 2}, {2, 0}};
    plot.IdealLine = {{3, 1}, {-1, -4}};
    form.ShowResult(plot, 2.344996f);
    ASSERT_EQ(form.Series1->Count(), 3);
    EXPECT_EQ(form.Series1->X(0), -1);
    EXPECT_EQ(form.Series1->X(2), 3);
    EXPECT_EQ(form.Series1->Point(0).Color, QColor(Qt::red));
    ASSERT_EQ(form.Series2->Count(), 2);
    EXPECT_EQ(form.Series2->Y(1), -4);
    EXPECT_EQ(form.LDim->text(), " Multifractal dimension D = 2.34 ");
    EXPECT_EQ(form.Graphic->BottomAxis().Minimum(), -1);
    EXPECT_EQ(form.Graphic->BottomAxis().Maximum(), 3);
}

TEST(DimentionForm, SavesTheReportOrThePictureByTheChosenFilter)
{
    testsupport::ScratchDir dir;
    TForm1 form(static_cast<QWidget*>(nullptr));
    form.Report = SomeReport;
    form.resize(576, 367);
    TDialogScript dialogs;
    dialogs.ChooseFile(dir.File("result"), 2);      // text, without extension: twice
    dialogs.ChooseFile(dir.File("result"), 2);
    dialogs.ChooseFile(dir.File("plot"), 1);        // bitmap
    dialogs.ChooseFile(dir.File("plot.pic"), 1);    // an extension of its own
    dialogs.ChooseFile(dir.File("other.txt"), 3);   // no such filter: nothing
    dialogs.CancelFile();
    for (int i = 0; i < 6; ++i)
        form.SpeedButton1Click();

    const auto report = ReportText(SomeReport);
    EXPECT_EQ(testsupport::ReadBytes(dir.File("result.txt")).size(), 2 * report.size());
    for (const char* picture : {"plot.bmp", "plot.pic"}) {
        const auto bytes = testsupport::ReadBytes(dir.File(picture));
        ASSERT_GT(bytes.size(), 54u) << picture;
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
    }
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"plot.bmp", "plot.pic", "result.txt"}));
    // The dialog opens on "Text file" first, then on the entry last chosen.
    const auto asked = dialogs.SaveRequests();
    ASSERT_EQ(asked.size(), 6u);
    EXPECT_EQ(asked[0].Filter, "Bitmap|*.bmp|Text file|*.txt");
    EXPECT_EQ(asked[0].FilterIndex, 2);
    EXPECT_EQ(asked[3].FilterIndex, 1);
    EXPECT_EQ(asked[5].FilterIndex, 3);
}

TEST(DimentionForm, CloseEndsItAndPlotOptionsOpenBesideIt)
{
    TForm1 form(static_cast<QWidget*>(nullptr));
    form.move(40, 30);
    TDialogScript dialogs;
    QPoint optionsAt;
    QWidget* optionsOwner = nullptr;
    dialogs.Then([&](QDialog& options) {
        optionsAt = options.pos();
        optionsOwner = options.parentWidget();
        return mrOk;
    });
    // The chart's context menu is "&Plot options".
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(60, 60), form.Graphic->viewport()->mapToGlobal(QPoint(60, 60)));
    QApplication::sendEvent(form.Graphic->viewport(), &click);
    ASSERT_TRUE(form.Opt->isVisible());
    form.Opt->hide();
    form.Graphicoptions1->trigger();
    const QRect frame = form.frameGeometry();
    EXPECT_EQ(optionsAt, QPoint(frame.left() + frame.width(), frame.top() + frame.height() / 10));
    EXPECT_EQ(optionsOwner, &form);
    EXPECT_EQ(dialogs.Windows(), std::vector<std::string>{"Plot options"});

    QTimer::singleShot(0, form.BitBtn1, &QPushButton::click);
    EXPECT_EQ(form.exec(), mrAbort);
}
