#include "Pluginmanager.h"

#include <QAction>
#include <QMenu>
#include <algorithm>
#include <filesystem>

#include "Main.h"
#include "PlugInHost.h"
#include "data/Fileformat.h"
#include "platform/core/IniFile.h"
#include "platform/core/Messages.h"
#include "platform/core/Text.h"

namespace {

namespace fs = std::filesystem;

QString MenuText(const std::string& text) { return QString::fromUtf8(platform::Cp1251ToUtf8(text).c_str()); }

bool EndsWithInf(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".inf";
}

// The library a description file names: a name ending exactly in ".dll" stands for the
// ".so" of the same name; backslashes separate folders.
std::string LibraryFileName(std::string file)
{
    std::replace(file.begin(), file.end(), '\\', '/');
    if (file.size() >= 4 && file.compare(file.size() - 4, 4, ".dll") == 0)
        file.replace(file.size() - 4, 4, ".so");
    return file;
}

bool RegularFile(const std::string& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

template <typename T>
bool Contains(const std::vector<T*>& list, const T* item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

TPlugInManager::TPlugInManager(TMainForm& owner) : owner_(owner), menu_(owner.PlugInsMenu) {}

TPlugInManager::~TPlugInManager()
{
    while (!Running.empty()) {
        std::unique_ptr<TPlugIn> plugIn = std::move(Running.front());
        Running.erase(Running.begin());
        ForgetPending(plugIn.get());
        plugIn.reset();
    }
    Pending.clear();
    Functions.clear();
}

// ---------------------------------------------------------------------------------
// Description files

void TPlugInManager::Scan(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!EndsWithInf(name))
            continue;
        // Files and links to files count; folders and special files (a FIFO would block
        // the reading) do not. A link that leads nowhere is skipped as unreadable.
        std::error_code e1, e2;
        const fs::file_status own = it->symlink_status(e1);
        if (fs::is_directory(it->status(e2)))
            continue;
        if (fs::is_regular_file(own) || fs::is_symlink(own))
            names.push_back(name);
    }
    if (names.empty())
        return;
    // Sorted, so that the menu and its Tags are the same on every machine.
    std::sort(names.begin(), names.end());
    if (menu_)
        menu_->menuAction()->setVisible(true);
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const std::string& name : names)
        ScanFile(base, name);
}

void TPlugInManager::ScanFile(const std::string& folder, const std::string& name)
{
    const std::string path = folder + name;
    platform::TIniFile inf;
    // A file that cannot be read is skipped silently, as an unusable one is.
    if (!inf.Load(path))
        return;
    const std::int32_t type = inf.ReadInteger("PlugIn", "Type", -1);
    const std::string library = folder + LibraryFileName(inf.ReadString("PlugIn", "File", ""));
    if ((type != 0 && type != 1) || !RegularFile(library))
        return;

    if (type == 0) {
        if (FileFormatCount >= MaxFileFormats)
            return;
        FileFormats[FileFormatCount] = std::make_unique<TFileFormat>(
            library, inf.ReadString("PlugIn", "Description", ""),
            static_cast<std::uint8_t>(inf.ReadBool("PlugIn", "SomeMatrix", false) ? 1 : 0),
            inf.ReadString("PlugIn", "Ext", ""));
        ++FileFormatCount;
        return;
    }

    const std::int32_t amount = inf.ReadInteger("PlugIn", "AmountFuncs", 0);
    QMenu* parent = menu_;
    if (menu_ && inf.ReadString("PlugIn", "SubMenu", "no") == "yes") {
        parent = menu_->addMenu(MenuText(inf.ReadString("PlugIn", "Name", "")));
        const QString hint = MenuText(inf.ReadString("PlugIn", "Description", ""));
        parent->menuAction()->setToolTip(hint);
        parent->menuAction()->setStatusTip(hint);
    }
    for (std::int32_t k = 1; k <= amount && static_cast<int>(Functions.size()) < MaxFunctions; ++k) {
        const std::string section = "Function" + std::to_string(k);
        auto info = std::make_unique<TPlugInInfo>();
        info->InfFile = name;
        info->LibraryPath = library;
        info->Code = inf.ReadInteger(section, "Code", 0);
        const int tag = static_cast<int>(Functions.size());
        Functions.push_back(std::move(info));
        if (!parent)
            continue;
        QAction* item = parent->addAction(MenuText(inf.ReadString(section, "Name", "")));
        const QString hint = MenuText(inf.ReadString(section, "Hint", ""));
        item->setToolTip(hint);
        item->setStatusTip(hint);
        item->setData(tag);
        QObject::connect(item, &QAction::triggered, &owner_, &TMainForm::PlugInItemClick);
    }
}

// ---------------------------------------------------------------------------------
// Running plug-ins

void TPlugInManager::Start(int index)
{
    if (index < 0 || index >= static_cast<int>(Functions.size()))
        return;
    auto plugIn = std::make_unique<TPlugIn>(*this, Functions[static_cast<std::size_t>(index)].get());
    TPlugIn* started = plugIn.get();
    starting_.push_back(started);
    std::int32_t result = 1;
    try {
        result = started->Run();
    } catch (...) {
        starting_.erase(std::find(starting_.begin(), starting_.end(), started));
        ForgetPending(started);
        throw;
    }
    starting_.erase(std::find(starting_.begin(), starting_.end(), started));
    if (result == 1) {
        ForgetPending(started);
        return;  // finished, or never started: unloaded and released at once
    }
    Running.push_back(std::move(plugIn));
    // A stop asked for while it started is carried out from the message loop.
    if (Contains(Pending, static_cast<const TPlugIn*>(started)))
        owner_.PostWindowMessage(WM_USER);
}

void TPlugInManager::SetPending(TPlugIn* plugIn)
{
    if (plugIn && !Contains(Pending, static_cast<const TPlugIn*>(plugIn)))
        Pending.push_back(plugIn);
}

void TPlugInManager::ForgetPending(TPlugIn* plugIn)
{
    Pending.erase(std::remove(Pending.begin(), Pending.end(), plugIn), Pending.end());
}

void TPlugInManager::RemovePending()
{
    const std::vector<TPlugIn*> marked = Pending;
    for (TPlugIn* plugIn : marked) {
        // Removed meanwhile, still starting, or its code still running: not now.
        if (!Contains(Pending, static_cast<const TPlugIn*>(plugIn)) || plugIn->Busy())
            continue;
        const bool running = std::any_of(Running.begin(), Running.end(),
                                         [plugIn](const auto& p) { return p.get() == plugIn; });
        if (running)
            Remove(plugIn);
    }
}

void TPlugInManager::Remove(TPlugIn* plugIn)
{
    auto it = std::find_if(Running.begin(), Running.end(), [plugIn](const auto& p) { return p.get() == plugIn; });
    if (plugIn->Busy() || it == Running.end()) {
        // Deleted once its code has returned (CallEnded, Start).
        SetPending(plugIn);
        return;
    }
    ForgetPending(plugIn);
    std::unique_ptr<TPlugIn> gone = std::move(*it);
    Running.erase(it);
    gone.reset();
}

void TPlugInManager::CallEnded(TPlugIn* plugIn)
{
    if (!plugIn->Busy() && Contains(Pending, static_cast<const TPlugIn*>(plugIn)))
        owner_.PostWindowMessage(WM_USER);
}

bool TPlugInManager::Alive(const TPlugIn* plugIn) const
{
    return Contains(starting_, plugIn) ||
           std::any_of(Running.begin(), Running.end(), [plugIn](const auto& p) { return p.get() == plugIn; });
}

std::vector<TPlugIn*> TPlugInManager::Listeners(TPlugIn* except) const
{
    std::vector<TPlugIn*> list;
    for (const auto& p : Running)
        if (p.get() != except)
            list.push_back(p.get());
    for (TPlugIn* p : starting_)
        if (p != except)
            list.push_back(p);
    return list;
}

void TPlugInManager::DataChanged(TObjectSPM* step, TPlugIn* except)
{
    // Each plug-in once, also when an earlier one is removed during the walk.
    for (TPlugIn* plugIn : Listeners(except))
        if (Alive(plugIn) && plugIn->DataChanged(step))
            Remove(plugIn);
}

void TPlugInManager::StepClosing(TObjectSPM* step, TPlugIn* except)
{
    for (TPlugIn* plugIn : Listeners(except))
        if (Alive(plugIn) && plugIn->StepClosing(step))
            Remove(plugIn);
}
