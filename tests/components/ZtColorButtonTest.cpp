#include <gtest/gtest.h>

#include <QTest>
#include <stdexcept>
#include <string>
#include <vector>

#include "components/ZtColorButton.h"
#include "platform/core/Dialogs.h"
#include "platform/core/Messages.h"

using namespace platform;

namespace {

class ZtColorButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        button.SetColor(clRed);
        button.SetShowColorDialog(true);
        button.OnChange = [this](QObject*) { events.push_back("change"); };
        button.OnClick = [this](QObject*) { events.push_back("click"); };
    }
    ColorDialogRecorder colors;
    MessageRecorder messages;
    TZtColorButton button;
    std::vector<std::string> events;
};

TEST_F(ZtColorButtonTest, AClickPicksANewColourInTheDialog)
{
    colors.Choose(clBlue);
    button.Click();
    EXPECT_EQ(button.Color(), clBlue);
    EXPECT_EQ(events, (std::vector<std::string>{"change", "click"}));
    ASSERT_EQ(colors.Requests().size(), 1u);
    EXPECT_EQ(colors.Requests()[0].Color, clRed); // the dialog opens on the colour shown
    EXPECT_EQ(button.Canvas()->Pixels(10, 10), clBlue);
}

TEST_F(ZtColorButtonTest, TheSameColourOrACancelChangesNothing)
{
    colors.Choose(clRed);
    colors.Cancel();
    button.Click();
    button.Click();
    EXPECT_EQ(button.Color(), clRed);
    EXPECT_EQ(events, (std::vector<std::string>{"click", "click"}));
    button.SetShowColorDialog(false);
    button.Click();
    EXPECT_EQ(colors.Requests().size(), 2u);
}

TEST_F(ZtColorButtonTest, APressLooksPressedUntilTheClick)
{
    // 23 × 22: a frame of two lines, then the colour inside a black outline.
    button.Display();
    TCanvas* c = button.Canvas();
    EXPECT_EQ(c->Pixels(0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(c->Pixels(22, 21), ColorToRGB(clBtnShadow));
    EXPECT_EQ(c->Pixels(2, 2), clBlack);
    EXPECT_EQ(c->Pixels(20, 19), clBlack);
    EXPECT_EQ(c->Pixels(10, 10), clRed);
    colors.Choose(clLime);
    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(button.Pressed());
    EXPECT_EQ(c->Pixels(0, 0), ColorToRGB(clBtnShadow));
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(button.Pressed());
    EXPECT_EQ(button.Color(), clLime);
    EXPECT_EQ(c->Pixels(0, 0), ColorToRGB(clBtnHighlight));
}

TEST_F(ZtColorButtonTest, WhatAHandlerThrowsIsShown)
{
    button.OnChange = [](QObject*) { throw std::runtime_error("no colour for you"); };
    colors.Choose(clBlue);
    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"no colour for you"}));
    EXPECT_EQ(button.Color(), clBlue);
}

TEST_F(ZtColorButtonTest, EraseAndVersionAsTheImage)
{
    EXPECT_EQ(button.Version(), "1.0");
    button.SetVersion("2.0");
    EXPECT_EQ(button.Version(), "1.0");
    EXPECT_FALSE(button.EraseBackground());
    EXPECT_EQ(button.WMEraseBkgnd(), 1);
}

} // namespace
