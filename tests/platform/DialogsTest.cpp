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
