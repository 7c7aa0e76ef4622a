#pragma once
// The main window with the test plug-in (tests/plugins) in its plug-in folder: description
// files written by the test, the plug-in's reports gathered, and the counts of locks and
// references that every plug-in must give back.

#include <QAction>
#include <QMenu>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "TestPlugInHook.h"
#include "app/AppFixture.h"
#include "app/PlugInHost.h"
#include "app/Pluginmanager.h"
#include "app/Plugins.h"
#include "data/ObjectFile.h"

namespace plugintest {

//! One report of the test plug-in: its text with the two numbers it carried.
struct Event {
    std::string Text;
    std::int32_t Object;
    std::int32_t Channel;
};

//! What the test plug-in reported, and how to answer it (for tpAskHost).
struct Reports {
    std::vector<Event> Events;
    IPlugIn* Host = nullptr;  //!< the host of the last start
    std::function<std::int32_t(IPlugIn* host, const std::string& event, std::int32_t object,
                               std::int32_t channel)>
        Answer;
};

inline Reports& Log()
{
    static Reports reports;
    return reports;
}

//! A description file of type 1 with one function per code, named "F<code>".
inline std::string FunctionsInf(const std::string& library, const std::vector<int>& codes,
                                const std::string& extra = "")
{
    std::string text = "[PlugIn]\nType=1\nFile=" + library + "\nAmountFuncs=" +
                       std::to_string(codes.size()) + "\n" + extra;
    for (std::size_t k = 0; k < codes.size(); ++k)
        text += "[Function" + std::to_string(k + 1) + "]\nName=F" + std::to_string(codes[k]) +
                "\nHint=Hint " + std::to_string(codes[k]) + "\nCode=" + std::to_string(codes[k]) + "\n";
    return text;
}

//! The lock count of every channel's matrix block (-1: absent) and the data set's count.
inline std::vector<int> Counts(const TObjectSPM* step)
{
    std::vector<int> counts;
    const TSurfaceData* data = step ? step->SurfaceData.get() : nullptr;
    if (!data)
        return counts;
    for (int c = 0; c < ChannelCount; ++c) {
        const TSPMData* ch = data->Channel(c);
        counts.push_back(ch && ch->Block ? ch->Block->LockCount() : -1);
    }
    counts.push_back(data->LockCount);
    return counts;
}

class PlugInTest : public appfixture::MainWindowTest {
protected:
    PlugInTest()
    {
        Log() = Reports{};
        std::memcpy(names_, ChannelNames, sizeof names_);
    }
    ~PlugInTest() override
    {
        main.reset();
        Log() = Reports{};
        // Plug-ins name user channels in the program-wide table.
        std::memcpy(ChannelNames, names_, sizeof names_);
    }

    //! Copies the test plug-in into the plug-in folder as `library` and writes the
    //! description file `inf` there. Restart() reads them.
    void Install(const std::string& inf, const std::string& text, const std::string& library = "Test.so",
                 const char* build = MORVANE_TEST_PLUGIN)
    {
        namespace fs = std::filesystem;
        fs::create_directories(PlugInsDir());
        if (!library.empty() && !fs::exists(PlugInsDir() + library))
            fs::copy_file(build, PlugInsDir() + library);
        std::ofstream(PlugInsDir() + inf, std::ios::binary) << text;
    }

    //! Installs one description file "test.inf" with functions of the codes and restarts.
    void StartWith(const std::vector<int>& codes)
    {
        Install("test.inf", FunctionsInf("Test.dll", codes));
        Restart();
    }

    //! Opens an SPM1 scan of 8 × 6 with channels 0 and 2; its step is current.
    TObjectSPM* OpenScan(const char* name = "scan.spm")
    {
        dialogs.Choose(appfixture::WriteScan(dir, name, 1), 1);
        main->OpenClick();
        return main->CurrentStep();
    }

    //! The Functions menu's item of a Tag (submenus included), null when none.
    QAction* Item(int tag) const
    {
        for (QAction* a : main->PlugInsMenu->findChildren<QAction*>())
            if (!a->menu() && a->data().isValid() && a->data().toInt() == tag && !a->isSeparator())
                return a;
        return nullptr;
    }
    //! Chooses the menu item of a Tag, as the user does.
    void Click(int tag)
    {
        QAction* item = Item(tag);
        ASSERT_TRUE(item) << "no menu item with tag " << tag;
        item->trigger();
    }

    //! The texts of the reports so far (without the script's results).
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Event& e : Log().Events)
            if (e.Text.rfind("script ", 0) != 0)
                texts.push_back(e.Text + " " + std::to_string(e.Object) + " " + std::to_string(e.Channel));
        return texts;
    }
    //! The script's results, without their "script " prefix.
    std::vector<std::string> Script() const
    {
        std::vector<std::string> lines;
        for (const Event& e : Log().Events)
            if (e.Text.rfind("script ", 0) == 0)
                lines.push_back(e.Text.substr(7));
        return lines;
    }

    TPlugInManager& Manager() const { return *main->PlugInManager; }

private:
    char names_[ChannelCount][32];
};

}  // namespace plugintest
