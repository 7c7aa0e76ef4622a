#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QVBoxLayout>
#include <limits>
#include <memory>
#include <string>

#include "components/ZtEdit.h"
#include "platform/core/Messages.h"
#include "platform/gui/Numbers.h"

using namespace platform;

namespace {

// Types characters that have no key of their own on the test keyboard.
void TypeText(QWidget* w, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

class ZtEditTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        SetDecimalSeparator('.');
        OverrideSystemDecimalSeparator(0);
    }
    // A box of the type, made on a system whose default separator is `separator`.
    std::unique_ptr<TZtEdit> Box(TTypeValue type, char separator = '.', bool isSigned = false,
                                 TZtEditRules rules = TZtEditRules::Program)
    {
        OverrideSystemDecimalSeparator(separator);
        auto box = std::make_unique<TZtEdit>(nullptr, rules);
        box->SetTypeValue(type);
        box->SetSigned(isSigned);
        return box;
    }
    MessageRecorder messages;
};

TEST_F(ZtEditTest, KeyFilterOfEachType)
{
    const struct {
        TTypeValue Type;
        char Separator;
        bool Signed;
        TZtEditRules Rules;
        const char* Keys;
        const char* Text;
    } cases[] = {
        {tvDecimal, '.', false, TZtEditRules::Program, "12-3", "123"},
        {tvDecimal, '.', true, TZtEditRules::Program, "-12-3", "-12-3"},
        {tvDecimal, '.', false, TZtEditRules::Program, "1a.5 e", "15"},
        {tvHexadecimal, '.', false, TZtEditRules::Program, "fFgG09x", "fF09"},
        {tvFloat, ',', false, TZtEditRules::Program, "1.5", "1,5"},
        {tvFloat, ',', false, TZtEditRules::Program, "2e3-", "2e3"},
        {tvFloat, ',', true, TZtEditRules::Program, "-1,5E-2", "-1,5E-2"},
        {tvFloat, '.', false, TZtEditRules::Program, "1,5", "1.5"},
        {tvFloat, '.', false, TZtEditRules::Program, "1aAfF", "1"},
        {tvString, '.', false, TZtEditRules::Program, "a-.,g! ", "a-.,g! "},
        {tvFloat, ',', false, TZtEditRules::KwtPlugIn, "1.5e,3", "15,3"},
        {tvFloat, '.', false, TZtEditRules::KwtPlugIn, "1,5.2E", "15.2"},
        {tvDecimal, '.', false, TZtEditRules::KwtPlugIn, "7-x8", "78"},
    };
    for (const auto& c : cases) {
        auto box = Box(c.Type, c.Separator, c.Signed, c.Rules);
        QTest::keyClicks(box.get(), c.Keys);
        EXPECT_EQ(box->Text().toStdString(), c.Text) << c.Keys << " type " << int(c.Type);
    }
}

TEST_F(ZtEditTest, ControlCharactersPassOrAreSwallowed)
{
    // Backspace passes; Ctrl+C, Ctrl+V and Ctrl+X (characters 3, 22, 24) are swallowed in
    // number boxes and work in text boxes.
    QGuiApplication::clipboard()->setText("42");
    auto number = Box(tvDecimal);
    QTest::keyClicks(number.get(), "123");
    QTest::keyClick(number.get(), Qt::Key_Backspace);
    EXPECT_EQ(number->Text(), "12");
    number->selectAll();
    QTest::keyClick(number.get(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(number.get(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(number.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(number->Text(), "12");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "42");

    auto text = Box(tvString);
    QTest::keyClick(text.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text->Text(), "42");
    // Letters of the 8-bit character set pass in text boxes only.
    TypeText(text.get(), QString::fromUtf8("Жµ"));
    EXPECT_EQ(text->Text(), QString::fromUtf8("42Жµ"));
    TypeText(number.get(), QString::fromUtf8("Жµ"));
    EXPECT_EQ(number->Text(), "12");
}

TEST_F(ZtEditTest, KeyPressEventSeesTheFilteredCharacter)
{
    auto box = Box(tvFloat, ',');
    std::string seen;
    box->OnKeyPress = [&](QObject* sender, char& key) {
        EXPECT_EQ(sender, box.get());
        seen += key == 0 ? '0' : key;
    };
    QTest::keyClicks(box.get(), "1.x");
    EXPECT_EQ(seen, "1,0");
}

TEST_F(ZtEditTest, IntegerValues)
{
    auto box = Box(tvHexadecimal);
    const struct {
        const char* Text;
        std::int32_t Value;
    } hex[] = {{"ff", 255},   {"", 0},
               {"0x1A", 26},  {"ffffffff", 2147483647},
               {"-ff", -255}, {" 1g", 1},
               {"g", 0},      {"-ffffffff", std::numeric_limits<std::int32_t>::min()},
               {"0x", 0}};
    for (const auto& c : hex) {
        box->SetText(c.Text);
        EXPECT_EQ(box->GetValueInt(), c.Value) << c.Text;
    }
    box = Box(tvDecimal);
    box->SetText("-2147483648");
    EXPECT_EQ(box->GetValueInt(), std::numeric_limits<std::int32_t>::min());
    for (const char* text : {"", "-", "1-2", "2147483648"}) {
        box->SetText(text);
        try {
            box->GetValueInt();
            ADD_FAILURE() << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'") + text + "' is not a valid integer value");
        }
        EXPECT_EQ(box->Text().toStdString(), text); // the box stays as it was
    }
    box = Box(tvFloat);
    box->SetText("12");
    EXPECT_EQ(box->GetValueInt(), 0);
    EXPECT_EQ(Box(tvString)->GetValueInt(), 0);
}

TEST_F(ZtEditTest, FloatValuesUseTheSystemsSeparator)
{
    auto box = Box(tvFloat, ',');
    EXPECT_EQ(DecimalSeparator(), ','); // made program-wide by the box
    QTest::keyClicks(box.get(), "1.5");
    EXPECT_EQ(box->GetValueFloat(), 1.5f);
    box->SetText("2e3");
    EXPECT_EQ(box->GetValueFloat(), 2000.0f);
    box->SetText("0,1");
    EXPECT_EQ(box->GetValueFloat(), 0.1f); // the nearest single-precision value
    box->SetText("1e39");
    EXPECT_EQ(box->GetValueFloat(), std::numeric_limits<float>::infinity());
    box->SetText("1.5");
    try {
        box->GetValueFloat();
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'1.5' is not a valid floating point value");
    }
    auto decimal = Box(tvDecimal);
    decimal->SetText("3");
    EXPECT_EQ(decimal->GetValueFloat(), 0.0f);
}

TEST_F(ZtEditTest, TypeAndSignChangesClearTheText)
{
    auto box = Box(tvDecimal);
    box->SetText("12");
    box->SetTypeValue(tvDecimal);
    box->SetSigned(false);
    EXPECT_EQ(box->Text(), "12");
    box->SetSigned(true);
    EXPECT_EQ(box->Text(), "");
    box->SetText("12");
    box->SetTypeValue(tvFloat);
    EXPECT_EQ(box->Text(), "");
}

TEST_F(ZtEditTest, EnterFiresOnlyAfterTheUserChangedTheText)
{
    auto box = Box(tvDecimal);
    int fired = 0;
    box->OnEnterValue = [&](QObject* sender) {
        EXPECT_EQ(sender, box.get());
        ++fired;
        box->SetText("7"); // setting the text does not stop later firings
    };
    QTest::keyClick(box.get(), Qt::Key_Return);
    EXPECT_EQ(fired, 0);
    QTest::keyClicks(box.get(), "5");
    QTest::keyClick(box.get(), Qt::Key_Return);
    QTest::keyClick(box.get(), Qt::Key_Enter);
    EXPECT_EQ(fired, 2);
    EXPECT_EQ(box->selectedText(), box->Text()); // Enter selects the whole text

    // The plug-in's copy fires on every Enter.
    auto kwt = Box(tvDecimal, '.', false, TZtEditRules::KwtPlugIn);
    int kwtFired = 0;
    kwt->OnEnterValue = [&](QObject*) { ++kwtFired; };
    QTest::keyClick(kwt.get(), Qt::Key_Return);
    QTest::keyClick(kwt.get(), Qt::Key_Return);
    EXPECT_EQ(kwtFired, 2);
}

TEST_F(ZtEditTest, EmptiedBoxTakesItsDefaultValue)
{
    auto box = Box(tvDecimal);
    box->SetDefaultValue("1000");
    int fired = 0;
    box->OnEnterValue = [&](QObject*) { ++fired; };
    QTest::keyClicks(box.get(), "5");
    QTest::keyClick(box.get(), Qt::Key_Backspace);
    QTest::keyClick(box.get(), Qt::Key_Return);
    EXPECT_EQ(box->Text(), "1000");
    EXPECT_EQ(fired, 0); // putting the default back cleared the modified flag

    // A text box is not refilled, and fires after a change.
    auto text = Box(tvString);
    text->SetDefaultValue("x");
    text->OnEnterValue = [&](QObject*) { ++fired; };
    QTest::keyClicks(text.get(), "a");
    QTest::keyClick(text.get(), Qt::Key_Backspace);
    QTest::keyClick(text.get(), Qt::Key_Return);
    EXPECT_EQ(text->Text(), "");
    EXPECT_EQ(fired, 1);
}

TEST_F(ZtEditTest, EmptyDefaultFiresAndTheHandlersConversionErrorIsShown)
{
    auto box = Box(tvDecimal);
    int fired = 0;
    box->OnEnterValue = [&](QObject*) {
        ++fired;
        box->GetValueInt();
    };
    QTest::keyClicks(box.get(), "5");
    QTest::keyClick(box.get(), Qt::Key_Backspace);
    QTest::keyClick(box.get(), Qt::Key_Return);
    EXPECT_EQ(fired, 1);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Recorded()[0].Text, "'' is not a valid integer value");
    EXPECT_EQ(messages.Recorded()[0].Caption, "Error");
}

// Two boxes in a shown, active window.
class ZtEditFocusTest : public ZtEditTest {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        first = new TZtEdit(&window);
        second = new TZtEdit(&window);
        layout->addWidget(first);
        layout->addWidget(second);
        first->SetTypeValue(tvDecimal);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        second->setFocus();
        QApplication::processEvents();
    }
    void Focus(QWidget* w)
    {
        w->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
    QWidget window;
    TZtEdit* first = nullptr;
    TZtEdit* second = nullptr;
};

TEST_F(ZtEditFocusTest, FocusShowsTheActiveColoursAndLeavingRestoresThem)
{
    first->SetColor(clSilver);
    first->SetActiveColor(clYellow);
    first->SetActiveFontColor(clRed);
    EXPECT_FALSE(first->Focused());
    Focus(first);
    EXPECT_TRUE(first->Focused());
    EXPECT_EQ(first->Color(), clYellow);
    EXPECT_EQ(first->FontColor(), clRed);
    EXPECT_EQ(first->palette().color(QPalette::Base), QColor(255, 255, 0));
    first->SetActiveColor(clAqua); // applied at once while focused
    EXPECT_EQ(first->Color(), clAqua);
    Focus(second);
    EXPECT_FALSE(first->Focused());
    EXPECT_EQ(first->Color(), clSilver);
    EXPECT_EQ(first->FontColor(), clWindowText);
    EXPECT_EQ(first->palette().color(QPalette::Base), QColor(192, 192, 192));
    first->SetActiveColor(clGreen); // not focused: kept for the next entry
    EXPECT_EQ(first->Color(), clSilver);
}

TEST_F(ZtEditFocusTest, LeavingFinishesTheEntry)
{
    int fired = 0;
    first->OnEnterValue = [&](QObject*) { ++fired; };
    Focus(first);
    Focus(second);
    EXPECT_EQ(fired, 0); // nothing typed
    Focus(first);
    QTest::keyClicks(first, "4");
    QTest::keyClick(first, Qt::Key_Return);
    QTest::keyClick(first, Qt::Key_Return);
    Focus(second);
    EXPECT_EQ(fired, 3);
}

TEST_F(ZtEditFocusTest, AFailedExitKeepsTheFocusAndShowsTheError)
{
    first->OnEnterValue = [&](QObject*) { first->GetValueInt(); };
    first->SetActiveColor(clYellow);
    Focus(first);
    QTest::keyClicks(first, "-"); // not a number; "-" is swallowed unless signed
    first->SetSigned(true);
    QTest::keyClicks(first, "-");
    Focus(second);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Texts()[0], "'-' is not a valid integer value");
    EXPECT_EQ(QApplication::focusWidget(), first);
    EXPECT_TRUE(first->Focused());
    EXPECT_EQ(first->Color(), clYellow);
    // Once the value is good, the box can be left and takes its colours back.
    first->selectAll();
    QTest::keyClicks(first, "8");
    Focus(second);
    EXPECT_EQ(messages.Count(), 1u);
    EXPECT_FALSE(first->Focused());
    EXPECT_EQ(first->Color(), clWindow);
}

} // namespace
