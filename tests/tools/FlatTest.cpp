// Flattening: the dialog "Flatten out" (factors, editing, keys), the channel's members with
// the dialog confirming, changing or cancelling, and the menu command through the main
// window, which makes the step, or removes it again on Cancel.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <vector>

#include "views/View2D.h"
#include "platform/gui/Numbers.h"
#include "tools/Flat.h"
#include "tools/ToolsFixture.h"

using appfixture::MainWindowTest;
using namespace toolsfixture;

namespace {

// A tilted channel: z = 30x − 20y + 7 (x, y from 1) plus a fixed ripple of ±1.
std::int32_t Tilted(int r, int c)
{
    return 30 * (c + 1) - 20 * (r + 1) + 7 + ((r * 7 + c * 3) % 3) - 1;
}

std::vector<std::int32_t> Expected(int w, int h, const std::function<long double(long double, long double, long double)>& f)
{
    std::vector<std::int32_t> v;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            v.push_back(static_cast<std::int32_t>(std::trunc(f(Tilted(r, c), c + 1, r + 1))));
    return v;
}

} // namespace

TEST(FlatteningForm, ShowsTheMethodAndTheFactorsOfEitherConstructor)
{
    long double a = 1.23456L, b = -1234.5L, c = 0.004L, d = 99.95L, e = 0, f = 12.345L;
    TFlatteningForm three(nullptr, a, b, c, "Z = Ax + By + C");
    EXPECT_EQ(three.windowTitle(), "Flatten out");
    EXPECT_EQ(three.Label1->text(), "Flatten method:");
    EXPECT_EQ(three.lbFlatMethod->text(), "Z = Ax + By + C");
    EXPECT_EQ(three.Label2->text(), "Factors:");
    EXPECT_EQ(three.edFactorA->text(), "1.23");
    EXPECT_EQ(three.edFactorB->text(), "-1.23E3");  // more than three digits before the point
    EXPECT_EQ(three.edFactorC->text(), "0.00");
    EXPECT_EQ(three.btOK->text(), "&OK");
    EXPECT_EQ(three.btCancel->text(), "&Cancel");
    EXPECT_FALSE(three.btOK->isDefault());
    EXPECT_FALSE(three.btCancel->isDefault());
    three.show();
    EXPECT_FALSE(three.edFactorD->isVisible());
    EXPECT_FALSE(three.Label8->isVisible());
    EXPECT_EQ(three.height(), 208 - 65);
    EXPECT_FALSE(three.windowFlags() & Qt::WindowCloseButtonHint);

    TFlatteningForm six(nullptr, a, b, c, d, e, f, "Z = Axx+Byy+Cx+Dy+Exy+F");
    six.show();
    EXPECT_TRUE(six.edFactorF->isVisible());
    EXPECT_EQ(six.Label6->text(), "D:");
    EXPECT_EQ(six.edFactorD->text(), "100.00");
    EXPECT_EQ(six.edFactorF->text(), "12.30");
    EXPECT_EQ(six.height(), 208);
}

// Either dialog shows every row it has, its whole model text and the buttons below the last
// row: no control overlaps another, each lies inside the dialog and the texts fit.
TEST(FlatteningForm, TheLayoutShowsEveryRowTheWholeModelAndTheButtonsBelow)
{
    long double f[6] = {1, 2, 3, 4, 5, 6};
    TFlatteningForm three(nullptr, f[0], f[1], f[2], "Z = Ax + By + C");
    TFlatteningForm six(nullptr, f[0], f[1], f[2], f[3], f[4], f[5], "Z = Axx+Byy+Cx+Dy+Exy+F");
    for (TFlatteningForm* form : {&three, &six}) {
        form->show();
        QApplication::processEvents();
        const QString model = form->lbFlatMethod->text();
        SCOPED_TRACE(model.toStdString());
        std::vector<QWidget*> shown;
        for (QWidget* w : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible())
                shown.push_back(w);
        for (std::size_t i = 0; i < shown.size(); ++i) {
            EXPECT_TRUE(form->rect().contains(shown[i]->geometry())) << shown[i]->objectName().toStdString();
            for (std::size_t j = i + 1; j < shown.size(); ++j)
                EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                    << shown[i]->objectName().toStdString() << " and " << shown[j]->objectName().toStdString();
            if (auto* label = qobject_cast<QLabel*>(shown[i])) {
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
                    << label->objectName().toStdString();
            }
        }
        QLineEdit* last = form == &six ? form->edFactorF : form->edFactorC;
        EXPECT_GE(form->btOK->y(), last->geometry().bottom());
        EXPECT_EQ(form->btCancel->y(), form->btOK->y());
        EXPECT_EQ(std::count_if(shown.begin(), shown.end(), [](QWidget* w) { return qobject_cast<QLineEdit*>(w); }),
                  form == &six ? 6 : 3);
    }
}

// Every change of a box's text while the dialog is visible goes into its factor at once;
// the texts set by construction change nothing, so untouched factors keep their precision.
// A text that is no number is refused, and the box shows the factor again.
TEST(FlatteningForm, EditedFactorsAreParsedAtOnceAndBadTextsRefused)
{
    platform::MessageRecorder messages;
    long double a = 1.0L / 3, b = 2.0L / 3, c = 5;
    TFlatteningForm form(nullptr, a, b, c, "Z = Ax + By + C");
    form.edFactorA->setText("7");  // not yet visible: ignored
    EXPECT_EQ(a, 1.0L / 3);
    form.show();
    form.edFactorA->setText("0");
    EXPECT_EQ(a, 0);
    form.edFactorB->setText("-2.5e1");
    EXPECT_EQ(b, -25);
    EXPECT_EQ(c, 5);
    for (const char* bad : {"", "-", "1.5.2", "abc"}) {
        form.edFactorC->setText(bad);
        EXPECT_EQ(c, 5) << bad;
        EXPECT_EQ(form.edFactorC->text(), "5") << bad;  // the general format of the factor
    }
    ASSERT_EQ(messages.Count(), 4u);
    EXPECT_EQ(messages.Recorded()[0].Text, "Value must be float!");
    EXPECT_EQ(messages.Recorded()[0].Caption, "Error");
    EXPECT_EQ(messages.Recorded()[0].Icon, platform::MessageIcon::Error);

    // The program-wide separator decides what a number is.
    platform::SetDecimalSeparator(',');
    form.edFactorA->setText("1,5");
    platform::SetDecimalSeparator('.');
    EXPECT_EQ(a, 1.5L);
}

// Enter moves on in tab order (A, B, C, OK, Cancel, D, E, F and round again), skipping what
// is hidden; Esc cancels.
TEST(FlatteningForm, EnterMovesOnInTabOrderAndEscCancels)
{
    long double f[6] = {1, 2, 3, 4, 5, 6};
    TFlatteningForm six(nullptr, f[0], f[1], f[2], f[3], f[4], f[5], "Z = Axx+Byy+Cx+Dy+Exy+F");
    six.show();
    QApplication::setActiveWindow(&six);
    six.edFactorC->setFocus();
    QTest::keyClick(six.edFactorC, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), six.btOK);
    six.edFactorF->setFocus();
    QTest::keyClick(six.edFactorF, Qt::Key_Enter);
    EXPECT_EQ(QApplication::focusWidget(), six.edFactorA);
    EXPECT_TRUE(six.isVisible());  // Enter never closes it

    long double g[3] = {1, 2, 3};
    TFlatteningForm three(nullptr, g[0], g[1], g[2], "Z = Ax + By + C");
    three.setResult(QDialog::Accepted);
    three.show();
    QTest::keyClick(three.edFactorB, Qt::Key_Escape);
    EXPECT_EQ(three.result(), QDialog::Rejected);
    EXPECT_FALSE(three.isVisible());
}

// The members: the line fits at once, the others through the dialog, whose OK subtracts
// with the factors as they stand then (an edited factor leaves its term in the data) and
// whose Cancel leaves the channel as it was.
TEST(FlatteningForm, MembersSubtractWithTheConfirmedFactorsOrNothingOnCancel)
{
    platform::MessageRecorder messages;
    platform::ModalDialogRecorder modals;
    const int w = 6, h = 5;
    auto ch = MakeChannel(0, w, h, Tilted);
    const auto original = Values(*ch);

    modals.Then(As<TFlatteningForm>([](TFlatteningForm& d) { d.btCancel->click(); }));
    EXPECT_FALSE(ch->FlattenPlane());
    EXPECT_EQ(Values(*ch), original);
    EXPECT_EQ(ch->Block->LockCount(), 0);

    long double shownA = 0;
    modals.Then(As<TFlatteningForm>([&](TFlatteningForm& d) {
        shownA = platform::StrToFloat(d.edFactorA->text().toStdString());
        d.show();  // what the user types goes in while the dialog is shown
        d.edFactorA->setText("0");  // keep the x slope
        d.btOK->click();
    }));
    EXPECT_TRUE(ch->FlattenPlane());
    EXPECT_NEAR(double(shownA), 30, 0.5);
    // What is left: z − B·y − C with the fitted B and C (−20 and about 7 + 30·3.5).
    const auto flat = Values(*ch);
    for (int r = 0; r + 1 < h; ++r)
        for (int c = 0; c < w; ++c) {
            // Along a column the values keep their x slope of 30 and lose the y slope.
            const int k = r * w + c;
            EXPECT_LE(std::abs((flat[std::size_t(k + w)] - flat[std::size_t(k)]) -
                               (original[std::size_t(k + w)] - original[std::size_t(k)] + 20)),
                      3);
        }
    EXPECT_EQ(ch->Block->LockCount(), 0);

    auto lines = MakeChannel(0, w, h, Tilted);
    EXPECT_TRUE(lines->FlattenLineX());
    for (int r = 0; r < h; ++r) {
        long double mean = 0;
        for (int c = 0; c < w; ++c)
            mean += Values(*lines)[std::size_t(r * w + c)];
        EXPECT_LT(std::fabs(mean / w), 1);
    }

    // The paraboloid's dialog has six factors.
    auto curved = MakeChannel(0, w, h, [](int r, int c) { return (c + 1) * (c + 1) - 3 * (r + 1) * (c + 1); });
    bool six = false;
    modals.Then(As<TFlatteningForm>([&](TFlatteningForm& d) {
        six = !d.edFactorF->isHidden() && d.lbFlatMethod->text() == "Z = Axx+Byy+Cx+Dy+Exy+F";
        d.btOK->click();
    }));
    EXPECT_TRUE(curved->FlattenParaboloid());
    EXPECT_TRUE(six);
    EXPECT_EQ(Values(*curved), std::vector<std::int32_t>(std::size_t(w * h), 0));
    EXPECT_TRUE(messages.Texts().empty());
}

// The parabola on X of a channel two columns wide has no fit: the dialog shows 0.00 for all
// three factors and OK leaves the values.
TEST(FlatteningForm, ParabolaOnTwoColumnsShowsZerosAndChangesNothing)
{
    platform::ModalDialogRecorder modals;
    auto ch = MakeChannel(0, 2, 7, Tilted);
    const auto original = Values(*ch);
    std::vector<std::string> texts;
    modals.Then(As<TFlatteningForm>([&](TFlatteningForm& d) {
        texts = {d.edFactorA->text().toStdString(), d.edFactorB->text().toStdString(),
                 d.edFactorC->text().toStdString()};
        d.btOK->click();
    }));
    EXPECT_TRUE(ch->FlattenParabolaX());
    EXPECT_EQ(texts, (std::vector<std::string>{"0.00", "0.00", "0.00"}));
    EXPECT_EQ(Values(*ch), original);
}

// Through the menu: the plane's OK gives the step "2. Flattening plane for Topography" with
// its 2-D view; Cancel removes its step again, the chooser shows the earlier steps at once
// and the next step's number skips the cancelled one.
TEST_F(MainWindowTest, FlatteningFromTheMenuMakesAStepOrNoneOnCancel)
{
    const std::string path = WriteScan(dir.File("tilt.spm"), 6, 5, {{0, Tilted}, {2, Tilted}});
    dialogs.Choose(path, 1);
    main->OpenClick();
    ASSERT_NE(main->CurrentFile, nullptr);
    TObjectFile* file = main->CurrentFile;

    modals.Then(As<TFlatteningForm>([](TFlatteningForm& d) { d.btCancel->click(); }));
    main->FlatteningPlaneItem->trigger();
    EXPECT_EQ(Items(main->cbObjectStep), std::vector<std::string>{"1. Load"});
    ASSERT_EQ(file->Steps.size(), 1u);
    EXPECT_EQ(file->CurrentStep, file->Steps[0].Step.get());

    modals.Then(As<TFlatteningForm>([](TFlatteningForm& d) { d.btOK->click(); }));
    main->FlatteningPlaneItem->trigger();
    EXPECT_EQ(Items(main->cbObjectStep),
              (std::vector<std::string>{"1. Load", "3. Flattening plane for Topography"}));
    TObjectSPM* step = file->CurrentStep;
    ASSERT_EQ(step, file->Steps[1].Step.get());
    auto* view = dynamic_cast<TView2DForm*>(step->Views[0]);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(step->CurrentView, view);
    EXPECT_EQ(step->SurfaceData->LockCount, 1);  // the view's reference only
    // The plane is gone: only the ripple of ±1 is left, and the range follows it.
    TSPMData* ch = step->SurfaceData->Channel(0);
    for (std::int32_t z : Values(*ch))
        EXPECT_LE(std::abs(z), 2);
    EXPECT_LE(ch->GetRange(), 4);
    // The source step keeps its values.
    EXPECT_EQ(Values(*file->Steps[0].Step->SurfaceData->Channel(0)), Expected(6, 5, [](long double z, long double, long double) { return z; }));

    // The line on Y of the current view's channel at once, without a dialog.
    main->FlatteningYItem->trigger();
    EXPECT_EQ(Items(main->cbObjectStep).back(), "4. Flattening line on Y direction for Topography");
    EXPECT_TRUE(messages.Texts().empty());
}
