#include <gtest/gtest.h>

#include "platform/core/Messages.h"

using namespace platform;

TEST(MessageRecorder, RecordsAndAnswersFromItsScript)
{
    MessageRecorder recorder;
    recorder.Answer(MessageResult::No);
    EXPECT_EQ(ShowMessage("Do you want to abort process", "Noise", MessageIcon::Question,
                          MessageButtons::YesNo),
              MessageResult::No);
    // With the script used up the first button answers.
    EXPECT_EQ(ShowMessage("again", "Noise", MessageIcon::Question, MessageButtons::YesNo),
              MessageResult::Yes);
    ShowError("Lock data");
    const auto r = recorder.Recorded();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].Caption, "Noise");
    EXPECT_EQ(r[0].Answer, MessageResult::No);
    EXPECT_EQ(r[2].Text, "Lock data");
    EXPECT_EQ(r[2].Caption, "Error");
    EXPECT_EQ(r[2].Icon, MessageIcon::Error);
    EXPECT_EQ(r[2].Buttons, MessageButtons::Ok);
}

TEST(MessageRecorder, NestedRecordersRestoreThePreviousService)
{
    MessageRecorder outer;
    {
        MessageRecorder inner;
        ShowError("inner");
        EXPECT_EQ(inner.Count(), 1u);
    }
    ShowError("outer");
    EXPECT_EQ(outer.Texts(), std::vector<std::string>{"outer"});
}
