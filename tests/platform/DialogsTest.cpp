#include <gtest/gtest.h>

#include "platform/core/Dialogs.h"

using namespace platform;

TEST(FileDialogs, SplitFilterTextsIntoPairs)
{
    const auto pairs = SplitFilter("SPM format (*.spm;*.ppm)|*.spm;*.ppm|All|*.*");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].first, "SPM format (*.spm;*.ppm)");
    EXPECT_EQ(pairs[0].second, "*.spm;*.ppm");
    EXPECT_EQ(pairs[1].second, "*.*");
    EXPECT_TRUE(SplitFilter("").empty());
    EXPECT_EQ(SplitFilter("odd|*.x|dangling").size(), 1u);
}

TEST(FileDialogs, TheRecorderAnswersFromItsScriptAndTheDefaultCancels)
{
    FileDialogRequest request;
    EXPECT_FALSE(FileDialogs().Run(request));
    FileDialogRecorder dialogs;
    dialogs.Choose("/tmp/a.spm", 2);
    dialogs.Cancel();
    request.Title = "Open file ...";
    ASSERT_TRUE(FileDialogs().Run(request));
    EXPECT_EQ(request.FileName, "/tmp/a.spm");
    EXPECT_EQ(request.FilterIndex, 2);
    EXPECT_FALSE(FileDialogs().Run(request));
    EXPECT_FALSE(FileDialogs().Run(request));  // script used up
    ASSERT_EQ(dialogs.Requests().size(), 3u);
    EXPECT_EQ(dialogs.Requests()[0].Title, "Open file ...");
}

TEST(ColorDialogs, TheRecorderAnswersFromItsScriptAndTheDefaultCancels)
{
    ColorDialogRequest request{0x123456};
    EXPECT_FALSE(ColorDialogs().Run(request));
    EXPECT_EQ(request.Color, 0x123456u);
    {
        ColorDialogRecorder colors;
        colors.Choose(0x0000FF);
        colors.Cancel();
        ASSERT_TRUE(ColorDialogs().Run(request));
        EXPECT_EQ(request.Color, 0x0000FFu);
        EXPECT_FALSE(ColorDialogs().Run(request));
        EXPECT_EQ(request.Color, 0x0000FFu); // a cancel leaves the colour
        EXPECT_FALSE(ColorDialogs().Run(request)); // script used up
        ASSERT_EQ(colors.Requests().size(), 3u);
        EXPECT_EQ(colors.Requests()[0].Color, 0x123456u);
    }
    EXPECT_FALSE(ColorDialogs().Run(request)); // the recorder took itself away
}

TEST(ColorDialogs, TheRecorderAnswersColoursAndFontsInScriptOrder)
{
    platform::ColorDialogRequest colour{0x123456, true};
    EXPECT_FALSE(ColorDialogs().Run(colour));
    EXPECT_EQ(colour.Color, 0x123456u);
    {
        ColorDialogRecorder recorder;
        recorder.Choose(0x00FF00);
        recorder.Cancel();
        platform::FontDialogRequest arial{"Arial", 12, 0xFF, true, false, false, false};
        recorder.ChooseFont(arial);
        recorder.ChooseFont(arial);
        EXPECT_TRUE(ColorDialogs().Run(colour));
        EXPECT_EQ(colour.Color, 0x00FF00u);
        EXPECT_FALSE(ColorDialogs().Run(colour));  // cancelled
        EXPECT_EQ(colour.Color, 0x00FF00u);
        platform::FontDialogRequest font;
        EXPECT_TRUE(ColorDialogs().RunFont(font));
        EXPECT_EQ(font.Name, "Arial");
        EXPECT_EQ(font.Size, 12);
        EXPECT_TRUE(font.Bold);
        EXPECT_FALSE(ColorDialogs().Run(colour));  // a font answer: cancels
        EXPECT_FALSE(ColorDialogs().RunFont(font));     // script used up
        ASSERT_EQ(recorder.Requests().size(), 3u);
        EXPECT_EQ(recorder.Requests()[0].Color, 0x123456u);
        EXPECT_TRUE(recorder.Requests()[0].FullOpen);
        EXPECT_EQ(recorder.FontRequests().size(), 2u);
    }
    EXPECT_FALSE(ColorDialogs().Run(colour));
}
