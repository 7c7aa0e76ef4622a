#pragma once
// The plug-in manager: it reads the description files of the plug-in folder once, offers
// their functions in the "&Functions" menu and their formats in the open and save
// dialogs, starts a plug-in on the current step when its menu item is chosen, keeps the
// plug-ins that stay running, tells them when data they use goes away, and stops them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QMenu;
class TMainForm;
class TObjectSPM;
class TPlugIn;

//! One menu function of a description file. Its index in TPlugInManager::Functions is the
//! Tag of its menu item.
struct TPlugInInfo {
    std::string InfFile;      //!< the description file's name, without folder
    std::string LibraryPath;  //!< plug-in folder + the "File" value (".dll" read as ".so")
    std::int32_t Code = 0;    //!< handed to _StartPlugIn
};

class TPlugInManager {
public:
    //! At most this many menu functions are taken from the description files together.
    static constexpr int MaxFunctions = 1000;

    //! A manager of the main window, whose "&Functions" menu it fills.
    explicit TPlugInManager(TMainForm& owner);
    //! Stops and unloads every running plug-in, in the order they started.
    ~TPlugInManager();
    TPlugInManager(const TPlugInManager&) = delete;
    TPlugInManager& operator=(const TPlugInManager&) = delete;

    //! Reads the description files "*.inf" (any case) of the folder once, in the byte
    //! order of their names: menu functions of type 1 and format entries of type 0. The
    //! Functions menu becomes visible when there is at least one such file. A file that
    //! cannot be read is named in a message and skipped.
    void Scan(const std::string& folder);
    //! Runs the function entry of a menu item's Tag on the main window's current step.
    void Start(int index);
    //! Marks a plug-in for removal; every marked plug-in is removed once, later.
    void SetPending(TPlugIn* plugIn);
    //! Removes the marked plug-ins (the main window's WM_USER handler). One whose code is
    //! still running (a call of it or into it has not returned) is removed after it returns.
    void RemovePending();
    //! The link-data dialog or a plug-in changed the step's channels: plug-ins that locked
    //! a channel that is gone (deleted or replaced by another object) hear of it through
    //! _DeleteData; `except` is not told (it made the change itself).
    void DataChanged(TObjectSPM* step, TPlugIn* except = nullptr);
    //! The step is about to be deleted: plug-ins that use it hear of it (_DeleteData with
    //! -1) and lose that object; `except` is not told.
    void StepClosing(TObjectSPM* step, TPlugIn* except = nullptr);

    TMainForm& Owner() const { return owner_; }
    //! The plug-in's code has returned to the program (see TPlugIn::TCall).
    void CallEnded(TPlugIn* plugIn);
    //! True while the plug-in has not been deleted.
    bool Alive(const TPlugIn* plugIn) const;

    //! The plug-ins that keep running, in the order they started.
    std::vector<std::unique_ptr<TPlugIn>> Running;
    //! The function entries, in menu order.
    std::vector<std::unique_ptr<TPlugInInfo>> Functions;
    //! Plug-ins marked for removal and not yet removed.
    std::vector<TPlugIn*> Pending;

private:
    void ScanFile(const std::string& folder, const std::string& name);
    //! Removes and deletes a plug-in now, or marks it when its code is still running.
    void Remove(TPlugIn* plugIn);
    //! The plug-ins to tell of a change: the running ones and those being started.
    std::vector<TPlugIn*> Listeners(TPlugIn* except) const;
    void ForgetPending(TPlugIn* plugIn);

    TMainForm& owner_;
    QMenu* menu_;
    std::vector<TPlugIn*> starting_;
};
