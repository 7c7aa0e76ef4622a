#pragma once
// The plug-in manager as the main window holds it. It finds no plug-ins yet; the main
// window already calls it at every point where running plug-ins must hear of a change.

#include <string>

class QMenu;
class TObjectSPM;

class TPlugInManager {
public:
    explicit TPlugInManager(QMenu* functionsMenu) : menu_(functionsMenu) {}
    //! Scans the plug-in folder for description files; true when any was found.
    bool Scan(const std::string& folder) { return false; }
    //! Deletes the plug-ins that asked to be stopped.
    void RemovePending() {}
    //! A step is about to be closed.
    void StepClosing(TObjectSPM* step) {}
    //! The channels of a step changed.
    void DataChanged(TObjectSPM* step) {}
    //! Starts the plug-in function of a menu item.
    void Start(int index) {}

private:
    QMenu* menu_;
};
