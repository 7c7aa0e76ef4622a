#pragma once
// A main window with scripted dialogs and message boxes, a scratch program folder (its
// own Temp/ and PlugIns/), a scratch configuration folder and a private open-request
// socket, for the tests of the program.

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "data/DataFixtures.h"
#include "data/Fileformat.h"

#include "app/Main.h"
#include "platform/core/Dialogs.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "platform/gui/ModalDialogs.h"
#include "support/TestSupport.h"

namespace appfixture {

//! Writes a scan of 8 × 6 through a format slot: channels 0 and 2 (values r·100 + c and
//! (r − 3)·7000 + c) unless told otherwise; its user channel 20 is 5 × 3.
inline std::string WriteScan(const testsupport::ScratchDir& dir, const char* name, int slot,
                             const char* comment = "", ChannelSet channels = {0, 2})
{
    auto data = datafixtures::SmallFileSet();
    std::strcpy(data->Channels[0]->Header.Comment, comment);
    const std::string path = dir.File(name);
    EXPECT_EQ(SaveWithFormat(FileFormats[slot].get(), path, data.get(), &channels), fmtOk);
    return path;
}

//! Sets an environment variable while it lives.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
        : config_("XDG_CONFIG_HOME", configDir.Path()),
          socket_("MORVANE_OPEN_REQUEST_SOCKET", "morvane-test-" + std::to_string(::getpid()))
    {
        platform::SetProgramFolderForTesting(programDir.Path());
        main = std::make_unique<TMainForm>();
        main->show();
    }
    ~MainWindowTest() override
    {
        main.reset();
        QApplication::processEvents();
        platform::SetProgramFolderForTesting("");
    }

    //! A new main window in place of the first, which reads the plug-in folder again.
    void Restart()
    {
        main.reset();
        QApplication::processEvents();
        main = std::make_unique<TMainForm>();
        main->show();
    }
    //! The program folder's PlugIns/ folder.
    std::string PlugInsDir() const { return programDir.Path() + "PlugIns/"; }
    //! Puts a plug-in library and its description file into PlugIns/ as `name`.so and
    //! `name`.inf, and restarts so that the Functions menu offers it.
    void InstallPlugIn(const std::string& library, const std::string& description, const std::string& name)
    {
        std::filesystem::create_directories(PlugInsDir());
        std::filesystem::copy_file(library, PlugInsDir() + name + ".so");
        std::filesystem::copy_file(description, PlugInsDir() + name + ".inf");
        Restart();
    }
    //! The Functions menu's item of that text, or null.
    QAction* PlugInMenuItem(const QString& text) const
    {
        for (QAction* a : main->PlugInsMenu->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    }

    testsupport::ScratchDir dir;
    testsupport::ScratchDir configDir;
    testsupport::ScratchDir programDir;

private:
    ScopedEnv config_;
    ScopedEnv socket_;

protected:
    platform::MessageRecorder messages;
    platform::FileDialogRecorder dialogs;
    platform::ModalDialogRecorder modals;
    std::unique_ptr<TMainForm> main;
};

}  // namespace appfixture
