#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "app/OptionsForm.h"
#include "platform/core/Messages.h"
#include "support/TestSupport.h"

namespace {
// Points the stand-in for the Windows folder at a scratch folder while it lives.
class ConfigFolder {
public:
    explicit ConfigFolder(const std::string& path)
    {
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            saved_ = old;
        setenv("XDG_CONFIG_HOME", path.c_str(), 1);
    }
    ~ConfigFolder()
    {
        if (saved_.empty())
            unsetenv("XDG_CONFIG_HOME");
        else
            setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
    }

private:
    std::string saved_;
};
}  // namespace

TEST(OptionsForm, HasItsComponentsWithTheirCaptions)
{
    TOptionsForm form;
    EXPECT_EQ(form.windowTitle(), "Options");
    EXPECT_EQ(form.cbAutoNormalize->text(), "&Auto normalize");
    EXPECT_EQ(form.cbReuseWindow->text(), "&Reuse window after processing");
    EXPECT_EQ(form.cbUndo->text(), "&Undo");
    EXPECT_EQ(form.cbAutoSave->text(), "Autosave &options");
    EXPECT_EQ(form.Label1->text(), "Data directory:");
    EXPECT_EQ(form.Label2->text(), "Temp directory:");
    EXPECT_EQ(form.btSave->text(), "&Save");
    EXPECT_EQ(form.btOk->text(), "&Ok");
    EXPECT_EQ(form.btCancel->text(), "&Cancel");
    EXPECT_TRUE(form.btOk->isDefault());
    for (QCheckBox* cb : {form.cbAutoNormalize, form.cbReuseWindow, form.cbUndo, form.cbAutoSave})
        EXPECT_FALSE(cb->isChecked());
    EXPECT_TRUE(form.edDataDir->text().isEmpty());
    EXPECT_TRUE(form.edTempDir->text().isEmpty());
}

TEST(OptionsForm, SaveCreatesTheSettingsFileOnceAndLeavesItEmpty)
{
    testsupport::ScratchDir dir;
    ConfigFolder config(dir.Path());
    platform::MessageRecorder messages;
    TOptionsForm form;
    QTest::mouseClick(form.btSave, Qt::LeftButton);
    ASSERT_EQ(dir.List(), std::vector<std::string>{"mv.ini"});
    testsupport::WriteBytes(dir.File("mv.ini"), {'x'});
    QTest::mouseClick(form.btSave, Qt::LeftButton);  // an existing file is left untouched
    EXPECT_EQ(testsupport::ReadBytes(dir.File("mv.ini")).size(), 1u);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST(OptionsForm, SaveReportsAFileThatCannotBeCreated)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("plain"), {});
    ConfigFolder config(dir.File("plain/sub"));  // below a plain file: no folder can be made
    platform::MessageRecorder messages;
    TOptionsForm form;
    form.btSaveClick();
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Recorded()[0].Text, "Error open file");
    EXPECT_EQ(messages.Recorded()[0].Caption, "Error");
}

TEST(OptionsForm, OkCancelAndEscLeaveItOpenButTheCloseBoxCloses)
{
    TOptionsForm form;
    form.show();
    QTest::mouseClick(form.btOk, Qt::LeftButton);
    QTest::mouseClick(form.btCancel, Qt::LeftButton);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    form.close();
    EXPECT_FALSE(form.isVisible());
}
