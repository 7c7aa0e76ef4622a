// Arithmetic through the main window: the dialog and its number and file roads, the
// one-channel chooser, and every refusal, which leaves no step behind.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

#include "views/View2D.h"
#include "components/ZtEdit.h"
#include "tools/Arithmetics.h"
#include "tools/SelectOneMatrix.h"
#include "tools/ToolsFixture.h"

using namespace toolsfixture;

namespace {

std::int32_t Ramp(int r, int c) { return 10 * r + c - 7; }
std::int32_t Hundreds(int r, int c) { return 100 * (r + 1) + c; }

class ArithmeticTest : public appfixture::MainWindowTest {
protected:
    // Opens a 4 × 3 scan with channel 0 = Ramp (Z scale 0.5) and channel 2.
    void OpenFirst(float zScale = 0.5f)
    {
        dialogs.Choose(WriteScan(dir.File("first.spm"), 4, 3, {{0, Ramp}, {2, Ramp}}, 1, zScale), 1);
        main->OpenClick();
        ASSERT_NE(main->CurrentFile, nullptr);
        file = main->CurrentFile;
    }
    // Runs the dialog from the menu with `act` applied to it while it runs.
    void Run(const std::function<void(TArithmeticForm&)>& act)
    {
        modals.Then(As<TArithmeticForm>([act](TArithmeticForm& d) {
            d.show();  // as the modal run shows it
            act(d);
        }));
        main->ArithmeticItem->trigger();
    }
    // Channel 0 of the file's last step.
    std::vector<std::int32_t> Last() { return Values(*file->Steps.back().Step->SurfaceData->Channel(0)); }
    std::vector<std::string> Steps() { return Items(main->cbObjectStep); }

    TObjectFile* file = nullptr;
};

//! A left click in the middle of the check box of the list's item `row`, where the view's
//! style draws it.
void ClickCheckBox(QListWidget* list, int row)
{
    QListWidgetItem* item = list->item(row);
    QStyleOptionViewItem option;
    option.initFrom(list->viewport());
    option.rect = list->visualItemRect(item);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.checkState = item->checkState();
    option.text = item->text();
    option.font = list->font();
    option.fontMetrics = list->fontMetrics();
    const QRect box = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
    ASSERT_TRUE(option.rect.contains(box.center()));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
}

std::vector<std::int32_t> Map(int w, int h, const std::function<std::int32_t(int, int)>& f)
{
    std::vector<std::int32_t> v;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            v.push_back(f(r, c));
    return v;
}

} // namespace

TEST_F(ArithmeticTest, TheDialogStartsWithTheNumberOneOnChannelZeroOfTheCurrentStep)
{
    OpenFirst();
    TArithmeticForm form(main.get());
    EXPECT_EQ(form.windowTitle(), "Arithmetic");
    EXPECT_EQ(form.GroupBox1->title(), " First ");
    EXPECT_EQ(form.GroupBox2->title(), " Second ");
    EXPECT_EQ(form.stFirstFile->text().toStdString(), dir.File("first.spm"));
    EXPECT_EQ(form.FirstChannel, main->CurrentStep()->SurfaceData->Channel(0));
    EXPECT_TRUE(form.FirstIsCurrentStep);
    EXPECT_EQ(form.Number, 1.0f);
    EXPECT_TRUE(form.rbNumber->isChecked());
    EXPECT_EQ(form.edNumber->Text(), "1");
    EXPECT_EQ(form.edNumber->TypeValue(), tvDecimal);
    EXPECT_FALSE(form.edNumber->Signed());
    EXPECT_TRUE(form.stSecondFile->text().isEmpty());
    EXPECT_EQ(form.OpenDialog.Filter, "SPM files (*.spm)|*.spm");
    const std::vector<std::pair<QPushButton*, const char*>> buttons{
        {form.btAdd, "+"}, {form.btSub, "-"}, {form.btMultiply, "x"}, {form.btDevide, "/"}};
    for (std::size_t t = 0; t < buttons.size(); ++t) {
        EXPECT_EQ(buttons[t].first->text(), buttons[t].second);
        EXPECT_EQ(buttons[t].first->property("Tag").toInt(), int(t));
    }
    EXPECT_EQ(form.btCancel->text(), "&Cancel");
}

// "+" at once on Z scale 0.5 adds 2 to every raw value; the step is named after it, shows
// its first channel and has the default palette; the dialog has closed.
TEST_F(ArithmeticTest, PlusOneAtOnceMakesTheStepWithEveryValueRaisedByTwo)
{
    OpenFirst();
    TSPMData* source = main->CurrentStep()->SurfaceData->Channel(0);
    source->Markers->Add(3, 1, 2, 3);  // the source's own markers do not carry over
    Run([](TArithmeticForm& d) { d.btAdd->click(); });
    EXPECT_EQ(Steps(), (std::vector<std::string>{"1. Load", "2. Arithmetic operation (+1.00)"}));
    EXPECT_EQ(Last(), Map(4, 3, [](int r, int c) { return Ramp(r, c) + 2; }));
    TObjectSPM* step = file->CurrentStep;
    EXPECT_NE(dynamic_cast<TView2DForm*>(step->Views[0]), nullptr);
    TSPMData* ch = step->SurfaceData->Channel(0);
    EXPECT_EQ(ch->Markers->GetCount(), 3);
    EXPECT_EQ(ch->Header.Min, Ramp(0, 0) + 2);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(messages.Texts().empty());
}

// The typed number (taken when the box is left) with ×, / and −; the steps' names follow.
TEST_F(ArithmeticTest, TypedNumbersMultiplyDivideAndSubtract)
{
    OpenFirst();
    struct Case {
        const char* typed;
        QPushButton* TArithmeticForm::*button;
        const char* name;
        std::function<std::int32_t(std::int32_t)> f;
    };
    const Case cases[] = {
        {"2", &TArithmeticForm::btMultiply, "2. Arithmetic operation (x2.00)", [](std::int32_t z) { return z * 2; }},
        {"2", &TArithmeticForm::btDevide, "3. Arithmetic operation (/2.00)", [](std::int32_t z) { return z / 2; }},
        {"3", &TArithmeticForm::btSub, "4. Arithmetic operation (-3.00)", [](std::int32_t z) { return z - 6; }},
        {"1234", &TArithmeticForm::btMultiply, "5. Arithmetic operation (x1.23E3)", [](std::int32_t z) { return z * 1234; }},
    };
    for (const auto& c : cases) {
        // Each operation starts from the first step.
        file->Steps[0].Step->BuildViewMenu();
        Run([&](TArithmeticForm& d) {
            d.edNumber->setFocus();
            d.edNumber->selectAll();
            QTest::keyClicks(d.edNumber, c.typed);
            QTest::keyClick(d.edNumber, Qt::Key_Return);
            (d.*c.button)->click();
        });
        EXPECT_EQ(Steps().back(), c.name);
        EXPECT_EQ(Last(), Map(4, 3, [&](int r, int col) { return c.f(Ramp(r, col)); })) << c.name;
    }
    EXPECT_TRUE(messages.Texts().empty());
}

// An empty number box fails the integer conversion with the class library's message; the
// number keeps its value.
TEST_F(ArithmeticTest, AnEmptyNumberIsNoIntegerAndKeepsTheNumber)
{
    OpenFirst();
    TArithmeticForm form(main.get());
    form.show();
    QApplication::setActiveWindow(&form);
    form.edNumber->setFocus();
    form.edNumber->selectAll();
    QTest::keyClick(form.edNumber, Qt::Key_Backspace);
    QTest::keyClick(form.edNumber, Qt::Key_Return);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"'' is not a valid integer value"});
    EXPECT_EQ(form.Number, 1.0f);
}

// Division by zero and a Z scale of 0 are refused with a message before any step is made;
// the dialog stays open.
TEST_F(ArithmeticTest, DivisionByZeroAndAZeroScaleAreRefusedWithoutAStep)
{
    OpenFirst(0.0f);
    bool open = false;
    Run([&](TArithmeticForm& d) {
        d.btAdd->click();  // + on a Z scale of 0
        d.Number = 0;
        d.btDevide->click();
        open = d.isVisible();
        d.btMultiply->click();  // × by 0 needs no scale: done
    });
    EXPECT_TRUE(open);
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{"The Z scale of the channel is 0", "Division by zero"}));
    EXPECT_EQ(Steps(), (std::vector<std::string>{"1. Load", "2. Arithmetic operation (x0.00)"}));
    EXPECT_EQ(Last(), std::vector<std::int32_t>(12, 0));
}

// A second SPM1 file of the same size with three channels: the chooser lists them, the
// first checked and highlighted; a click on the third's check box checks it alone, and OK
// uses it. The second values count by their Z scale (2) over the first's (0.5).
TEST_F(ArithmeticTest, ASecondFileWithSeveralChannelsIsChosenFrom)
{
    OpenFirst();
    const std::string second =
        WriteScan(dir.File("second.spm"), 4, 3, {{0, Ramp}, {1, Ramp}, {4, Hundreds}}, 1, 2.0f);
    dialogs.Choose(second, 1);
    std::vector<std::string> listed;
    std::vector<bool> checked;
    Run([&](TArithmeticForm& d) {
        d.rbFile->click();  // with no second file yet: the open dialog
        EXPECT_EQ(d.stSecondFile->text().toStdString(), second);
        modals.Then(As<TSelectOneMatrixForm>([&](TSelectOneMatrixForm& s) {
            listed = Items(s.clbData);
            EXPECT_EQ(s.clbData->currentRow(), 0);
            EXPECT_EQ(s.clbData->item(0)->checkState(), Qt::Checked);
            s.show();
            ClickCheckBox(s.clbData, 2);
            EXPECT_EQ(s.clbData->currentRow(), 2);
            for (int i = 0; i < s.clbData->count(); ++i)
                checked.push_back(s.clbData->item(i)->checkState() == Qt::Checked);
            EXPECT_EQ(s.SelectedChannel(), 4);
            s.btOK->click();
        }));
        d.btAdd->click();
    });
    EXPECT_EQ(listed.size(), 3u);
    EXPECT_EQ(checked, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(Steps().back(), "2. Arithmetic operation (+second.spm)");
    EXPECT_EQ(Last(), Map(4, 3, [](int r, int c) { return Ramp(r, c) + 4 * Hundreds(r, c); }));
    EXPECT_TRUE(messages.Texts().empty());
}

// An SPM0 file (one matrix of unstated kind) is used without the chooser; a smaller user
// channel changes only the top-left rows and columns both have; "/" by a zero value keeps
// the value.
TEST_F(ArithmeticTest, ASingleMatrixFileNeedsNoChooserAndASmallerChannelChangesItsCorner)
{
    OpenFirst();
    const auto twoButZeroInColumn1 = [](int, int c) { return c == 1 ? 0 : 2; };
    const std::string spm0 = WriteScan(dir.File("one.spm"), 4, 3, {{0, twoButZeroInColumn1}}, 0, 0.5f);
    Run([&](TArithmeticForm& d) {
        d.stSecondFile->setText(QString::fromStdString(spm0));
        d.rbFile->setChecked(true);
        d.btDevide->click();
    });
    EXPECT_EQ(Last(), Map(4, 3, [](int r, int c) { return c == 1 ? Ramp(r, c) : Ramp(r, c) / 2; }));

    // Channel 20 of 2 × 2 in an SPM1 file of the first's size.
    TSurfaceData data(dir.File("user.spm"));
    data.Header.FormatVersion = 1;
    data.Header.Width = 4;
    data.Header.Height = 3;
    data.Channels[20] = MakeChannel(20, 2, 2, [](int, int) { return 1000; }, 0.5f);
    ChannelSet set{20};
    ASSERT_EQ(SaveWithFormat(FileFormats[1].get(), dir.File("user.spm"), &data, &set), fmtOk);
    file->Steps[0].Step->BuildViewMenu();
    Run([&](TArithmeticForm& d) {
        d.stSecondFile->setText(QString::fromStdString(dir.File("user.spm")));
        d.rbFile->setChecked(true);
        modals.Then(As<TSelectOneMatrixForm>([](TSelectOneMatrixForm& s) { s.btOK->click(); }));
        d.btSub->click();
    });
    EXPECT_EQ(Last(), Map(4, 3, [](int r, int c) { return Ramp(r, c) - (r < 2 && c < 2 ? 1000 : 0); }));
}

// A second file that cannot serve leaves no step: missing, unreadable, of another format or
// size, refused by its format, or whose chooser is cancelled; each says why (the chooser's
// Cancel says nothing).
TEST_F(ArithmeticTest, ASecondFileThatCannotServeLeavesNoStep)
{
    OpenFirst();
    testsupport::WriteBytes(dir.File("word2.spm"), {2, 0, 0, 0});
    testsupport::WriteBytes(dir.File("short.spm"), {1, 0, 0});
    WriteScan(dir.File("big.spm"), 5, 3, {{0, Ramp}}, 1);
    WriteScan(dir.File("three.spm"), 4, 3, {{0, Ramp}, {1, Ramp}}, 1);
    struct Case {
        std::string path;
        std::vector<std::string> texts;
        bool chooser;
    };
    const Case cases[] = {
        {dir.File("missing.spm"), {"File not found"}, false},
        {dir.File("word2.spm"), {"Error format file"}, false},
        {dir.File("short.spm"), {"Error read file"}, false},
        {dir.File("big.spm"), {"Error matrix size!"}, false},
        {dir.File("three.spm"), {}, true},  // the chooser is cancelled
    };
    for (const auto& c : cases) {
        messages.Clear();
        Run([&](TArithmeticForm& d) {
            d.stSecondFile->setText(QString::fromStdString(c.path));
            d.rbFile->setChecked(true);
            if (c.chooser)
                modals.Then(As<TSelectOneMatrixForm>([](TSelectOneMatrixForm& s) { s.btCancel->click(); }));
            d.btAdd->click();
            EXPECT_TRUE(d.isVisible()) << c.path;
            EXPECT_EQ(d.SecondData, nullptr) << c.path;
            d.btCancel->click();
        });
        EXPECT_EQ(messages.Texts(), c.texts) << c.path;
        EXPECT_EQ(Steps(), std::vector<std::string>{"1. Load"}) << c.path;
        EXPECT_EQ(file->StepCounter, 1) << c.path;
        EXPECT_EQ(modals.Left(), 0u) << c.path;
    }
}

// Another first file: the operation opens it (its ".ppm" twin when there is one) as a new
// file and works on its first step.
TEST_F(ArithmeticTest, AnotherFirstFileIsOpenedAndWorkedOn)
{
    OpenFirst();
    const std::string other = WriteScan(dir.File("other.spm"), 3, 2, {{0, Ramp}}, 1);
    WriteScan(dir.File("other.ppm"), 3, 2, {{0, Hundreds}}, 1);
    dialogs.Choose(other, 1);
    Run([](TArithmeticForm& d) {
        d.btChangeFirstFile->click();
        EXPECT_FALSE(d.FirstIsCurrentStep);
        d.btMultiply->click();
    });
    ASSERT_NE(main->CurrentFile, file);
    file = main->CurrentFile;
    EXPECT_EQ(file->Path, dir.File("other.ppm"));
    EXPECT_EQ(Steps(), (std::vector<std::string>{"1. Load", "2. Arithmetic operation (x1.00)"}));
    EXPECT_EQ(Last(), Map(3, 2, Hundreds));
}

TEST(SelectOneMatrixForm, ListsTheChannelsOfTheSetAndCannotConfirmAnEmptyList)
{
    TChannelNameTable names{};
    std::strcpy(names[0], "Topography");
    std::strcpy(names[2], "Phase");
    std::strcpy(names[21], "\xCA\xE0\xED\xE0\xEB");  // "Канал" in Windows-1251
    {
        TSelectOneMatrixForm form(nullptr, names, ChannelSet{0, 2, 21, 100});
        EXPECT_EQ(SelectOneMatrixForm, &form);
        EXPECT_EQ(form.windowTitle(), "Select matrix...");
        EXPECT_EQ(Items(form.clbData), (std::vector<std::string>{"Topography", "Phase", "Канал"}));
        EXPECT_EQ(form.SelectedChannel(), 0);
        form.show();
        ClickCheckBox(form.clbData, 1);
        ClickCheckBox(form.clbData, 1);  // a second click leaves the highlighted one checked
        EXPECT_EQ(form.clbData->currentRow(), 1);
        EXPECT_EQ(form.clbData->item(1)->checkState(), Qt::Checked);
        EXPECT_EQ(form.clbData->item(0)->checkState(), Qt::Unchecked);
        EXPECT_EQ(form.clbData->item(2)->checkState(), Qt::Unchecked);
        EXPECT_EQ(form.SelectedChannel(), 2);
        EXPECT_TRUE(form.btOK->isEnabled());
        EXPECT_TRUE(form.btOK->isDefault());
    }
    EXPECT_EQ(SelectOneMatrixForm, nullptr);
    TSelectOneMatrixForm empty(nullptr, names, ChannelSet{100});
    EXPECT_EQ(empty.clbData->count(), 0);
    EXPECT_EQ(empty.SelectedChannel(), -1);
    EXPECT_FALSE(empty.btOK->isEnabled());
}
