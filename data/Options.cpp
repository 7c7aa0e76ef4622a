#include "Options.h"

#include "platform/core/Files.h"
#include "platform/core/Messages.h"

TOptions GlobalOptions;

namespace {

// The folder `name` in `programFolder`, or in the user's data folder when the program's
// cannot be written; `moved` is set when the second was taken. When neither can be
// written, the program's folder is kept and `unwritable` is set.
std::string WorkingFolder(const std::string& programFolder, const std::string& name, bool& moved,
                          bool& unwritable)
{
    const std::string inProgram = platform::JoinPath(programFolder, name) + "/";
    if (platform::CreateFolder(inProgram) && platform::FolderWritable(inProgram))
        return inProgram;
    const std::string inUser = platform::UserDataFolder() + name + "/";
    if (platform::CreateFolder(inUser) && platform::FolderWritable(inUser)) {
        moved = true;
        return inUser;
    }
    unwritable = true;
    return inProgram;
}

}  // namespace

void InitGlobalOptions(const std::string& programFolder)
{
    bool moved = false;
    bool unwritable = false;
    GlobalOptions.TempDir = WorkingFolder(programFolder, "Temp", moved, unwritable);
    // Plug-ins are only read: a folder that exists is used as it is, and a missing one
    // only means that there are none.
    const std::string plugIns = platform::JoinPath(programFolder, "PlugIns") + "/";
    bool noPlugInsFolder = false;
    GlobalOptions.PlugInsDir = platform::FolderExists(plugIns)
                                   ? plugIns
                                   : WorkingFolder(programFolder, "PlugIns", moved, noPlugInsFolder);
    if (unwritable)
        platform::ShowMessage("Neither the program folder " + programFolder + " nor " +
                                  platform::UserDataFolder() +
                                  " can be written: data that no window shows stays in memory",
                              "Morvane", platform::MessageIcon::Warning);
    else if (moved)
        platform::ShowMessage("The program folder " + programFolder +
                                  " cannot be written; working folders are in " +
                                  platform::UserDataFolder(),
                              "Morvane", platform::MessageIcon::Information);
}

void CreateSettingsFile()
{
    const std::string path = platform::WindowsFolder() + "mv.ini";
    if (platform::FileExists(path))
        return;
    platform::File f;
    if (!f.Open(path, platform::File::Mode::CreateNew) || !f.Close())
        platform::ShowError("Error open file");
}
