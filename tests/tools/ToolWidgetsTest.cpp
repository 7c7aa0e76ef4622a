#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "tools/ToolWidgets.h"

namespace {

// A window with two boxes and a button, shown and active.
struct Window {
    Window()
    {
        form = std::make_unique<QWidget>();
        a = new TToolEdit(form.get());
        b = new TToolEdit(form.get());
        button = new QPushButton("OK", form.get());
        button->move(0, 60);
        b->move(0, 30);
        form->show();
        QApplication::setActiveWindow(form.get());
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    std::unique_ptr<QWidget> form;
    TToolEdit* a;
    TToolEdit* b;
    QPushButton* button;
};

}  // namespace

TEST(TToolEdit, LeavingTheBoxWithinItsWindowIsAnExitAndSetTextIsNoChange)
{
    Window w;
    std::vector<std::string> exits;
    w.a->OnExit = [&](QObject*) { exits.push_back(w.a->Text() + (w.a->Modified() ? "*" : "")); };
    w.a->SetText("12");
    EXPECT_FALSE(w.a->Modified());
    w.a->setFocus();
    QTest::keyClicks(w.a, "3");
    w.b->setFocus();
    EXPECT_EQ(exits, std::vector<std::string>{"123*"});
    // Enter moves on in tab order.
    w.a->OnKeyDown = [&](QObject* s, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return) {
            FocusNextControl(w.a);
            key = 0;
        }
    };
    w.a->setFocus();
    QTest::keyClick(w.a, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w.b);
    EXPECT_EQ(exits.size(), 2u);
}

TEST(TToolEdit, KeyPressMaySwallowCharactersAndControlKeysComeAsCodes)
{
    Window w;
    std::vector<int> seen;
    w.a->OnKeyPress = [&](QObject*, char& key) {
        seen.push_back(key);
        if (key == 'x')
            key = 0;
    };
    w.a->setFocus();
    QTest::keyClicks(w.a, "axb");
    QTest::keyClick(w.a, Qt::Key_Backspace);
    QTest::keyClick(w.a, Qt::Key_Return);
    EXPECT_EQ(w.a->Text(), "a");
    EXPECT_EQ(seen, (std::vector<int>{'a', 'x', 'b', 8, 13}));
}

TEST(InstallKeyPreview, TheFormSeesKeysOfItsControlsFirst)
{
    Window w;
    std::vector<int> keys;
    InstallKeyPreview(w.form.get(), [&](QKeyEvent* e) {
        keys.push_back(e->key());
        return e->key() == Qt::Key_Escape;
    });
    w.a->setFocus();
    QTest::keyClick(w.a, Qt::Key_Escape);
    QTest::keyClicks(w.a, "7");
    EXPECT_EQ(w.a->Text(), "7");
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.front(), int(Qt::Key_Escape));
}
