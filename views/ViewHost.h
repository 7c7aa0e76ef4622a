#pragma once
// What the views and the tool windows know of the main window around them: its 2-D pop-up
// menu, the view-layout panel's dock and button, the statistic command's check mark, the
// current step and the opened files. The main window implements it and installs itself;
// without a host (a view or tool on its own, as in their tests) the windows do without.

#include <string>
#include <vector>

class QPoint;
class QWidget;
class TObjectFile;
class TObjectSPM;

class IViewHost {
public:
    virtual ~IViewHost() = default;
    //! The window that the views' and tools' dialogs belong to and are centred on.
    virtual QWidget* HostWindow() = 0;
    //! A right click on a 2-D view: the 2-D view button's menu pops up at `globalPos`.
    virtual void PopUpViewMenu(const QPoint& globalPos) = 0;
    //! The view-layout window closed: the dock that holds it hides too.
    virtual void HideViewLayoutDock() = 0;
    //! The view-layout window goes: the tool-bar button that shows it comes up.
    virtual void ViewLayoutGone() = 0;
    //! Checks or clears the statistic command (its menu item and tool-bar button).
    virtual void SetStatisticChecked(bool checked) = 0;
    //! The current file, null when none.
    virtual TObjectFile* ActiveFile() const = 0;
    //! The current step of the current file, null when none.
    virtual TObjectSPM* CurrentStep() const = 0;
    //! The opened files, in chooser order.
    virtual std::vector<TObjectFile*> Files() const = 0;
    //! Opens an SPM0 or SPM1 file as the Open command does (a file that cannot be read is
    //! reported and adds nothing).
    virtual void OpenSPMFile(const std::string& path) = 0;
};

//! Installs the host (nullptr: none).
void SetViewHost(IViewHost* host);
//! The host in force, null when none is installed.
IViewHost* ViewHost();
//! The host's window, null without a host.
QWidget* ViewHostWindow();
