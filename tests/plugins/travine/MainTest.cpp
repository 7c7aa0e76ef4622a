// Travine's window on a host in memory: its set-up from channels 0 and 1, the exponents, the
// models, Apply, the crosshairs and profiles, the coefficients, saving and the write-back.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <cmath>

#include "TravineFixtures.h"
#include "platform/charts/Chart.h"
#include "platform/gui/Numbers.h"
#include "plugins/travine/Main.h"
#include "support/TestSupport.h"

using namespace travine;
using plugindialogs::TDialogScript;
using plugindialogs::TMessageIcon;

namespace {

class TravineWindow : public ::testing::Test {
protected:
    TravineWindow() { travinetest::TwoImages(host, 7, 5); }

    //! The window, shown so that its charts have their sizes.
    std::unique_ptr<TFMain> Open()
    {
        auto form = std::make_unique<TFMain>(&host, 0, &host.Window);
        form->show();
        QApplication::processEvents();
        return form;
    }
    //! The text of a cell of the coefficient grid.
    static std::string Cell(TFMain& f, int row)
    {
        return f.SGCurrProf->item(row, 1)->text().toStdString();
    }
    static std::vector<double> Ys(const charts::TChartSeries& s)
    {
        std::vector<double> v;
        for (int i = 0; i < s.Count(); ++i)
            v.push_back(s.Y(i));
        return v;
    }
    //! The corrected images of the window computed here from the imported ones.
    static std::vector<std::uint16_t> Corrected(const TDataspm16& source, const TExponents& e)
    {
        std::vector<std::uint16_t> t(source.Block().size());
        std::vector<std::uint8_t> written;
        platform::NullProgress progress;
        WarpImage(source.Block().data(), source.mx(), source.my(), e, t.data(), written, progress);
        FillGaps(t.data(), written, source.mx(), source.my(), progress);
        return t;
    }
    static void FocusOut(QWidget* box)
    {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(box, &out);
    }

    plugintest::FakePlugInHost host;
    TDialogScript dialogs;
    testsupport::ScratchDir dir;
};

} // namespace

TEST_F(TravineWindow, SetsItselfUpFromChannelsZeroAndOne)
{
    auto f = Open();
    ASSERT_EQ(f->Refusal(), TRefusal::None);
    EXPECT_EQ(host.Calls(),
              (std::vector<std::string>{"GetWidth", "GetHeight", "GetXStep", "GetYStep",
                                        "GetZScale", "LockData", "GetWidth", "GetHeight",
                                        "GetXStep", "GetYStep", "GetZScale", "LockData"}));
    EXPECT_EQ(travinetest::Raw(f->Data_forward), travinetest::Shifted(host.Channels[0]));
    EXPECT_EQ(travinetest::Raw(f->Data_backward), travinetest::Shifted(host.Channels[1]));
    EXPECT_EQ(f->Data_forward_nl.Block(), f->Data_forward.Block());
    EXPECT_EQ(f->Data_backward_nl.Block(), f->Data_backward.Block());
    EXPECT_EQ(f->Data_forward.Kx(), 1.5f);
    EXPECT_EQ(f->Data_forward.Min(), 1);
    EXPECT_EQ(f->Data_forward.Max(), 6 * 7 + 4 * 100);
    // Every exponent 1.00, shown as 1.
    EXPECT_EQ(f->Exponents().FastM, 1.0f);
    EXPECT_EQ(f->Exponents().SlowN, 1.0f);
    for (QLineEdit* box : {f->Enf, f->Emf, f->Ens, f->Ems})
        EXPECT_EQ(box->text(), "1");
    EXPECT_EQ(f->TBFS_n->value(), 100);
    EXPECT_EQ(f->SGCurrProf->item(0, 0)->text(), "current X profiles");
    EXPECT_EQ(f->SGCurrProf->item(1, 0)->text(), "current Y profiles");
    EXPECT_EQ(f->SGCurrProf->item(2, 0)->text(), "of matrices");
    EXPECT_EQ(f->STStatus->text(), "Status - waiting...");
    EXPECT_EQ(f->windowTitle(), "Nonlinearity");
    EXPECT_EQ(f->size(), QSize(1024, 721));
    // The images inside their axes: top 0..mx, left 0..my pointing down.
    EXPECT_EQ(f->ChartLeftI->TopAxis().Maximum(), 7.0);
    EXPECT_EQ(f->ChartLeftI->LeftAxis().Maximum(), 5.0);
    EXPECT_TRUE(f->ChartLeftI->LeftAxis().Inverted());
    EXPECT_EQ(f->ChartLeftI->BackImage().size(), QSize(7, 5));
    // Both crosshairs across the middle: x = 7 / 2 = 3 and y = 5 / 2 = 2.
    for (charts::TChartSeries* s : {f->SeriesFVertLine, f->SeriesBVertLineFixed}) {
        EXPECT_EQ(s->X(0), 3.0);
        EXPECT_EQ(s->Y(0), 0.0);
        EXPECT_EQ(s->X(1), 3.0);
        EXPECT_EQ(s->Y(1), 5.0);
    }
    EXPECT_EQ(f->SeriesFHorLine->X(1), 7.0);
    EXPECT_EQ(f->SeriesBHorLineFixed->Y(0), 2.0);
    // The model curves of exponents 1 over 7 and 5 points.
    EXPECT_EQ(f->SeriesFastScan_f->Count(), 7);
    EXPECT_EQ(f->SeriesSlowScan_f->Count(), 5);
}

TEST_F(TravineWindow, ChannelsThatCannotBeTakenInAreRefused)
{
    struct Case {
        const char* What;
        std::function<void(plugintest::FakePlugInHost&)> Set;
        TRefusal Refusal;
        std::string Text;
        std::string Caption;
    } cases[] = {
        {"no matrix", [](auto& h) { h.Channels[0].NullMatrix = true; }, TRefusal::Absent,
         DataAbsent, ""},
        {"no points", [](auto& h) { h.Channels[1].Width = 0; }, TRefusal::Absent, DataAbsent, ""},
        {"a range above 65535", [](auto& h) { h.Channels[1].Values[3] = 70000; }, TRefusal::TooWide,
         RangeTooWide, ""},
        {"no memory", [](auto&) { SetBlockLimitForTesting(40); }, TRefusal::NoMemory,
         "Too few free memory for data loading!", "FILE LOAD ERROR"},
    };
    for (const Case& k : cases) {
        plugintest::FakePlugInHost h;
        travinetest::TwoImages(h, 7, 5);
        k.Set(h);
        TDialogScript script;
        TFMain f(&h, 0, &h.Window);
        SetBlockLimitForTesting(-1);
        EXPECT_EQ(f.Refusal(), k.Refusal) << k.What;
        ASSERT_EQ(script.Messages().size(), 1u) << k.What;
        EXPECT_EQ(script.Messages()[0].Text, k.Text) << k.What;
        EXPECT_EQ(script.Messages()[0].Caption, k.Caption) << k.What;
        EXPECT_FALSE(script.Messages()[0].Owned) << k.What;
        // Nothing is written back.
        f.FormClose();
        EXPECT_TRUE(h.NewSteps.empty()) << k.What;
    }
}

TEST_F(TravineWindow, ClosingWithoutApplyWritesTheShiftedChannelsBackOnce)
{
    host.Channels[4] = host.Channels[0];
    host.Channels[4].Values.assign(35, 9);
    auto f = Open();
    const auto before = host.Calls().size();
    f->FormClose();
    ASSERT_EQ(host.NewStepNames, std::vector<std::string>{"Nonlinearity"});
    const auto& step = host.NewSteps[0];
    EXPECT_EQ(step.at(0).Values, travinetest::Shifted(host.Channels[0]));
    EXPECT_EQ(step.at(1).Values, travinetest::Shifted(host.Channels[1]));
    EXPECT_EQ(step.at(4).Values, std::vector<std::int32_t>(35, 9));
    const auto calls = host.Calls();
    EXPECT_EQ(
        std::vector<std::string>(calls.begin() + static_cast<std::ptrdiff_t>(before), calls.end()),
        (std::vector<std::string>{"NewStep", "LockData", "LockData", "GetWidth", "GetHeight",
                                  "GetWidth", "GetHeight", "UpdateAll", "UpdateChannelAndShow"}));
    // The images are released; a second close writes nothing.
    EXPECT_FALSE(f->Data_forward_nl.HasBlock());
    f->FormClose();
    EXPECT_EQ(host.NewSteps.size(), 1u);
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(TravineWindow, WriteBackFailuresAreReported)
{
    {
        auto f = Open();
        host.AllowNewStep = false;
        f->FormClose();
        EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{NoStepCreated});
    }
    {
        TDialogScript script;
        host.AllowNewStep = true;
        host.Channels[1].NullMatrix = false;
        auto f = Open();
        // The new step's channel 1 cannot be locked, its channel 0 has another size.
        host.Channels[1].NullMatrix = true;
        host.Channels[0].Width = 6;
        f->FormClose();
        EXPECT_EQ(script.Texts(),
                  (std::vector<std::string>{"Error! The corrected image does not fit channel 0",
                                            "Lock data"}));
        EXPECT_EQ(host.NewSteps.size(), 1u);
    }
}

TEST_F(TravineWindow, ApplyCorrectsBothImagesWithTheTypedExponents)
{
    auto f = Open();
    f->TBFS_m->setValue(200); // fast m = 2
    f->Enf->setText("1.3");   // typed, not yet left
    f->Ems->setText("1.5");   // the slow boxes are committed as well
    f->BBApply->click();
    EXPECT_EQ(f->Exponents().FastM, 2.0f);
    EXPECT_EQ(f->Exponents().FastN, 1.3f);
    EXPECT_EQ(f->Exponents().SlowM, 1.5f);
    EXPECT_EQ(f->Exponents().SlowN, 1.0f);
    EXPECT_EQ(f->Enf->text(), "1.3");
    const auto forward = Corrected(f->Data_forward, f->Exponents());
    const auto backward = Corrected(f->Data_backward, f->Exponents());
    EXPECT_EQ(f->Data_forward_nl.Block(), forward);
    EXPECT_EQ(f->Data_backward_nl.Block(), backward);
    EXPECT_NE(forward, f->Data_forward.Block());
    EXPECT_EQ(f->ChartLeftI->BackImage(), ComponentImage(f->Data_forward_nl));
    EXPECT_EQ(f->ChartRightI->BackImage(), ComponentImage(f->Data_backward_nl));
    EXPECT_EQ(dialogs.Beeps(), 1);
    EXPECT_EQ(f->STStatus->text(), "Status - searching is finished");
    // The matrix coefficient of the corrected images, each centred on its own mean.
    platform::NullProgress progress;
    const auto r = travine::MatrixCorrelation(f->Data_forward_nl, f->Data_backward_nl, progress);
    ASSERT_TRUE(r);
    EXPECT_EQ(Cell(*f, 2), platform::FloatToStrF(*r, platform::ffGeneral, 7, 0));
    EXPECT_EQ(f->Data_forward_nl.Mean(), f->Data_forward_nl.ValuesMean());

    f->FormClose();
    ASSERT_EQ(host.NewSteps.size(), 1u);
    EXPECT_EQ(host.NewSteps[0].at(0).Values,
              std::vector<std::int32_t>(forward.begin(), forward.end()));
    EXPECT_EQ(host.NewSteps[0].at(1).Values,
              std::vector<std::int32_t>(backward.begin(), backward.end()));
}

TEST_F(TravineWindow, ApplyWithExponentsOfOneGivesTheChannelsBackExactly)
{
    // The minimum (0 after the shift) lies in row 0 of column 0: no point is taken for a gap.
    auto f = Open();
    f->BBApply->click();
    f->FormClose();
    ASSERT_EQ(host.NewSteps.size(), 1u);
    EXPECT_EQ(host.NewSteps[0].at(0).Values, travinetest::Shifted(host.Channels[0]));
    EXPECT_EQ(host.NewSteps[0].at(1).Values, travinetest::Shifted(host.Channels[1]));
}

TEST_F(TravineWindow, ExponentBoxes)
{
    auto f = Open();
    struct Case {
        QLineEdit* TFMain::*Box;
        QSlider* TFMain::*Bar;
        float TExponents::*Exponent;
        const char* Typed;
        int Position;
        float Value;
        const char* Shown;
    } cases[] = {
        {&TFMain::Enf, &TFMain::TBFS_n, &TExponents::FastN, "1.234", 123, 1.23f, "1.23"},
        {&TFMain::Emf, &TFMain::TBFS_m, &TExponents::FastM, "0.5", 100, 1.0f, "1"},
        {&TFMain::Ens, &TFMain::TBSS_n, &TExponents::SlowN, "7", 200, 2.0f, "2"},
        {&TFMain::Ems, &TFMain::TBSS_m, &TExponents::SlowM, "1.15", 115, 1.15f, "1.15"},
    };
    for (const Case& k : cases) {
        const TExponents before = f->Exponents();
        (f.get()->*k.Box)->setText(k.Typed);
        FocusOut(f.get()->*k.Box);
        EXPECT_EQ((f.get()->*k.Bar)->value(), k.Position) << k.Typed;
        EXPECT_EQ(f->Exponents().*k.Exponent, k.Value) << k.Typed;
        EXPECT_EQ((f.get()->*k.Box)->text().toStdString(), k.Shown) << k.Typed;
        // Each box serves its own exponent.
        TExponents others = f->Exponents();
        others.*k.Exponent = before.*k.Exponent;
        EXPECT_EQ(others.FastM, before.FastM);
        EXPECT_EQ(others.FastN, before.FastN);
        EXPECT_EQ(others.SlowM, before.SlowM);
        EXPECT_EQ(others.SlowN, before.SlowN);
    }
    EXPECT_TRUE(dialogs.Messages().empty());

    // Not a number: the message, and the exponent and its text stay.
    f->Enf->setText("abc");
    FocusOut(f->Enf);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].Text, "'abc' is not a valid floating point value");
    EXPECT_EQ(dialogs.Messages()[0].Icon, TMessageIcon::Error);
    EXPECT_EQ(f->Exponents().FastN, 1.23f);
    EXPECT_EQ(f->Enf->text(), "1.23");

    // A track bar sets its exponent and shows it with three digits.
    f->TBSS_n->setValue(137);
    EXPECT_EQ(f->Exponents().SlowN, 1.37f);
    EXPECT_EQ(f->Ens->text(), "1.37");
}

TEST_F(TravineWindow, ModelCurvesFollowTheirExponents)
{
    // Each curve holds the integer parts of its model over the image's points: the fast
    // ones over mx with the fast exponents, the slow ones over my with the slow ones.
    auto f = Open();
    f->TBFS_m->setValue(200);
    f->TBFS_n->setValue(130);
    f->TBSS_n->setValue(170);
    struct Curve {
        charts::TChartSeries* Series;
        bool Forward;
        int N;
        float M;
        float Exp;
    } curves[] = {
        {f->SeriesFastScan_f, true, 7, 2.0f, 1.3f},
        {f->SeriesFastScan_b, false, 7, 2.0f, 1.3f},
        {f->SeriesSlowScan_f, true, 5, 1.0f, 1.7f},
        {f->SeriesSlowScan_b, false, 5, 1.0f, 1.7f},
    };
    for (const Curve& c : curves) {
        ASSERT_EQ(c.Series->Count(), c.N);
        for (int i = 0; i < c.N; ++i) {
            const double model = c.Forward ? ForwardNonlinearity(i, c.N, c.M, c.Exp)
                                           : BackwardNonlinearity(i, c.N, c.M, c.Exp);
            EXPECT_EQ(c.Series->X(i), i);
            EXPECT_EQ(c.Series->Y(i), std::trunc(model)) << i;
        }
    }
    // m = 2, n = 1.3 over 7 points: F = 0.0, 1.25, 2.77, 4.19, 5.38, 6.27, 6.81.
    EXPECT_EQ(Ys(*f->SeriesFastScan_f), (std::vector<double>{0, 1, 2, 4, 5, 6, 6}));
}

TEST_F(TravineWindow, CrosshairsAndProfiles)
{
    auto f = Open();
    charts::TChart& left = *f->ChartLeftI;
    charts::TChart& right = *f->ChartRightI;
    const int px = left.TopAxis().CalcPosValue(2.6);
    const int py = left.LeftAxis().CalcPosValue(1.4);
    const double X = left.TopAxis().CalcPosPoint(px);
    const double Y = left.LeftAxis().CalcPosPoint(py);
    ASSERT_EQ(int(X), 2);
    ASSERT_EQ(int(Y), 1);

    // Moving over an image moves the crosshair of both.
    f->ChartLeftIMouseMove(px, py);
    for (charts::TChartSeries* s : {f->SeriesFVertLine, f->SeriesBVertLine}) {
        EXPECT_EQ(s->X(0), X);
        EXPECT_EQ(s->X(1), X);
    }
    EXPECT_EQ(f->SeriesBHorLine->Y(0), Y);
    EXPECT_EQ(f->L_pos->text(), "1 2");
    EXPECT_EQ(f->SeriesFVertLineFixed->X(0), 3.0); // the fixed one stays
    // Outside the plot area nothing moves.
    const QRect area = left.PlotArea();
    f->ChartLeftIMouseMove(area.left() - 5, py);
    EXPECT_EQ(f->SeriesFVertLine->X(0), X);

    // A left click on the backward image fixes the crosshair and takes the profiles at
    // (2, 1); the backward image becomes the selected one.
    f->ChartRightIMouseDown(Qt::LeftButton, right.TopAxis().CalcPosValue(2.6),
                            right.LeftAxis().CalcPosValue(1.4));
    EXPECT_EQ(f->SeriesBVertLineFixed->X(0), X);
    EXPECT_EQ(f->SeriesFHorLineFixed->Y(1), Y);
    EXPECT_FALSE(f->ForwardSelected());
    EXPECT_EQ(f->ProfileX(), 2);
    EXPECT_EQ(f->ProfileY(), 1);
    std::vector<double> fx, bx, fy, by;
    for (int i = 0; i < 7; ++i) {
        fx.push_back(f->Data_forward_nl.GetDataPoint(i, 1));
        bx.push_back(f->Data_backward_nl.GetDataPoint(i, 1));
    }
    for (int i = 0; i < 5; ++i) {
        fy.push_back(f->Data_forward_nl.GetDataPoint(2, i));
        by.push_back(f->Data_backward_nl.GetDataPoint(2, i));
    }
    EXPECT_EQ(Ys(*f->SeriesFXprof), fx);
    EXPECT_EQ(Ys(*f->SeriesBXprof), bx);
    EXPECT_EQ(Ys(*f->SeriesFYprof), fy);
    EXPECT_EQ(Ys(*f->SeriesBYprof), by);
    EXPECT_EQ(Cell(*f, 0), platform::FloatToStrF(*ProfileCorrelation(fx.data(), bx.data(), 7), platform::ffGeneral, 7, 0));
    // The Y profiles of two images that differ by a column shift are equal but for their
    // level: a coefficient of 1.
    EXPECT_EQ(Cell(*f, 1), "1");

    // A click beside the image fixes the crosshair and clears the profiles, but takes none.
    f->ChartLeftIMouseDown(Qt::LeftButton, area.left() - 5, area.top() + 5);
    EXPECT_EQ(f->SeriesFXprof->Count(), 0);
    EXPECT_EQ(f->ProfileX(), 2);
    EXPECT_TRUE(f->ForwardSelected());

    // The right button selects the image and opens the menu; the middle one does nothing.
    f->ChartRightIMouseDown(Qt::RightButton, px, py);
    EXPECT_FALSE(f->ForwardSelected());
    EXPECT_TRUE(f->PMImages->isVisible());
    f->PMImages->close();
    f->ChartLeftIMouseDown(Qt::MiddleButton, px, py);
    EXPECT_FALSE(f->ForwardSelected());
}

TEST_F(TravineWindow, ConstantImagesHaveNoCoefficients)
{
    for (int c = 0; c < 2; ++c)
        host.Channels[c].Values.assign(35, 42);
    auto f = Open();
    f->BBApply->click();
    EXPECT_EQ(Cell(*f, 0), "-");
    EXPECT_EQ(Cell(*f, 1), "-");
    EXPECT_EQ(Cell(*f, 2), "-");
    f->BBCorrCoeffProf->click();
    EXPECT_EQ(f->SeriesCorrCoeffX->Count(), 0);
    EXPECT_EQ(f->SeriesCorrCoeffY->Count(), 0);
}

TEST_F(TravineWindow, ProfilesCorrelationPlotsTheRunningCoefficients)
{
    host.Channels[1].Values[8] += 300; // not a mere shift of the forward image
    auto f = Open();
    f->BBCorrCoeffProf->click();
    platform::NullProgress progress;
    const auto c = ProfilesCorrelation(f->Data_forward_nl, f->Data_backward_nl, progress);
    std::vector<double> xs, ys;
    for (const auto& v : c.Columns)
        if (v)
            xs.push_back(*v);
    for (const auto& v : c.Rows)
        if (v)
            ys.push_back(*v);
    EXPECT_EQ(Ys(*f->SeriesCorrCoeffX), xs);
    EXPECT_EQ(Ys(*f->SeriesCorrCoeffY), ys);
    EXPECT_EQ(f->SeriesCorrCoeffY->Count(), 5);
    EXPECT_EQ(f->STStatus->text(), "Status - searching is finished");
}

TEST_F(TravineWindow, SavesTheSelectedImage)
{
    auto f = Open();
    f->TBFS_m->setValue(200);
    f->BBApply->click();
    f->ChartLeftIMouseDown(Qt::RightButton, 1, 1); // the forward image
    f->PMImages->close();

    const std::string spm = dir.File("forward.spm");
    dialogs.ChooseFile(spm);
    f->Savetospm->trigger();
    const std::string bmp = dir.File("forward.bmp");
    dialogs.ChooseFile(bmp);
    f->Savetobmp1->trigger();
    f->Savetospm->trigger(); // cancelled: nothing
    ASSERT_EQ(dialogs.SaveRequests().size(), 3u);
    const auto& s = dialogs.SaveRequests()[0];
    EXPECT_EQ(s.Title, "save image to *.spm");
    EXPECT_EQ(s.DefaultExt, "spm");
    EXPECT_EQ(s.Filter, "spm files (*.spm)|*.spm");
    const auto& b = dialogs.SaveRequests()[1];
    EXPECT_EQ(b.Title, "save image to *.bmp");
    EXPECT_EQ(b.DefaultExt, "bmp");
    EXPECT_EQ(b.Filter, "bitmap files (*.bmp)|*.bmp");

    TDataspm16 back;
    ASSERT_TRUE(back.LoadData(spm));
    EXPECT_EQ(back.Block(), f->Data_forward_nl.Block());
    EXPECT_EQ(back.Kx(), 1.5f);
    const QImage picture(QString::fromStdString(bmp));
    ASSERT_EQ(picture.size(), QSize(7, 5));
    EXPECT_EQ(picture.pixel(3, 2), ComponentImage(f->Data_forward_nl).pixel(3, 2));
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"forward.bmp", "forward.spm"}));

    // A file that cannot be written: the message after the beep.
    const int beeps = dialogs.Beeps();
    dialogs.ChooseFile(dir.File("none/x.bmp"));
    f->Savetobmp1->trigger();
    EXPECT_EQ(dialogs.Beeps(), beeps + 1);
    EXPECT_EQ(dialogs.Texts().back(),
              "I can't create the file: " + dir.File("none/x.bmp") + "!\r\n");
}
