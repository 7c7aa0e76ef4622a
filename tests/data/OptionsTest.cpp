#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "data/Options.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "support/TestSupport.h"

// The working folders go next to the program, else to the user's data folder with one
// message; when neither can be written, one message says so at start.
TEST(Options, WorkingFoldersAndWhatTheUserIsToldOnce)
{
    testsupport::ScratchDir dir;
    // A path below a regular file can never be created.
    testsupport::WriteBytes(dir.File("file"), {1});
    const std::string blocked = dir.File("file/below");
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string savedValue = saved ? saved : "";
    struct Case {
        const char* what;
        std::string program, userData, tempDir;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"program folder writable", dir.File("prog"), dir.File("data"), dir.File("prog/Temp/"), {}},
        {"user's data folder instead", blocked, dir.File("data"), dir.File("data/Morvane/Temp/"),
         {"The program folder " + blocked + " cannot be written; working folders are in " +
          dir.File("data/Morvane/")}},
        {"neither", blocked, dir.File("file/data"), blocked + "/Temp/",
         {"Neither the program folder " + blocked + " nor " + dir.File("file/data/Morvane/") +
          " can be written: data that no window shows stays in memory"}},
    };
    for (const Case& c : cases) {
        ::setenv("XDG_DATA_HOME", c.userData.c_str(), 1);
        platform::MessageRecorder messages;
        InitGlobalOptions(c.program);
        EXPECT_EQ(GlobalOptions.TempDir, c.tempDir) << c.what;
        EXPECT_EQ(messages.Texts(), c.texts) << c.what;
    }
    if (saved)
        ::setenv("XDG_DATA_HOME", savedValue.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
    GlobalOptions = TOptions{};
}
