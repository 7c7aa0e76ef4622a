#pragma once
// A main window with scripted dialogs and message boxes, a scratch configuration folder
// and a private open-request socket, for the tests of the program.

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/Main.h"
#include "platform/core/Dialogs.h"
#include "platform/core/Messages.h"
#include "support/TestSupport.h"

namespace appfixture {

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
        main = std::make_unique<TMainForm>();
        main->show();
    }
    ~MainWindowTest() override
    {
        main.reset();
        QApplication::processEvents();
    }

    testsupport::ScratchDir dir;
    testsupport::ScratchDir configDir;

private:
    ScopedEnv config_;
    ScopedEnv socket_;

protected:
    platform::MessageRecorder messages;
    platform::FileDialogRecorder dialogs;
    std::unique_ptr<TMainForm> main;
};

}  // namespace appfixture
