#pragma once
// The program's single main window: an MDI frame with the menus, tool bar and choosers
// through which every document command starts.

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "data/DocumentHost.h"
#include "platform/core/Dialogs.h"
#include "views/SavableWindow.h"
#include "views/ViewHost.h"

class QAction;
class QActionGroup;
class QComboBox;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;
class TObjectFile;
class TObjectSPM;
class TPlugInManager;

//! Message numbers the main window reacts to.
constexpr int WM_USER = 0x0400;
constexpr int FileOpenRequestMessage = 0x83F0;

class TMainForm : public QMainWindow, public IDocumentHost, public IViewHost {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* owner = nullptr);
    ~TMainForm() override;

    // Fields.
    std::unique_ptr<TPlugInManager> PlugInManager;
    TObjectFile* CurrentFile = nullptr;
    std::string FileVersion;
    std::string BuildNumber;
    //! Steps that plug-ins opened from files (IPlugIn::OpenFile): they belong to the main
    //! window, to no file, and stay until the program ends.
    std::vector<std::unique_ptr<TObjectSPM>> PlugInSteps;

    // Menus.
    QMenu* File1;
    QMenu* DataProc;
    QMenu* Process;
    QMenu* PlugInsMenu;
    QMenu* Window1;
    QMenu* Help1;
    QMenu* ZoomMenu;
    QMenu* FlatteningMenu;
    QAction* Open;
    QAction* Save;
    QAction* DataLinkItem;
    QAction* OptionsMenu;
    QAction* Exit;
    QAction* Create2DMenu;
    QAction* Create3DMenu;
    QAction* ProfileMenu;
    QAction* HeightsDistributionMenu;
    QAction* HistogramMenu;
    QAction* StatisticMenu;
    QAction* ViewLayoutMenu;
    QAction* N100;
    QAction* N200;
    QAction* N400;
    QAction* N800;
    QAction* NormalizeItem;
    QAction* ArithmeticItem;
    QAction* CutMenu;
    QAction* FlatteningXItem;
    QAction* FlatteningYItem;
    QAction* FlatteningPlaneItem;
    QAction* FlatteningParabolaX;
    QAction* FlatteningParabolaYItem;
    QAction* FlatteningParaboloidItem;
    QAction* Tile1;
    QAction* Cascade1;
    QAction* ArrangeAll;
    QAction* About1;
    QMenu* PopupMenu2DBtn;

    // Actions.
    QAction* AView2D;
    QAction* AView3D;
    QAction* AProfile;
    QAction* AHeightsDistribution;
    QAction* AAngleAnalysis;
    QAction* ASurfaceInfo;
    QAction* ADataLink;

    // Tool bar and choosers.
    QToolBar* ToolBarFile;
    QToolButton* OpenBtn;
    QToolButton* SaveBtn;
    QToolButton* View2DBtn;
    QToolButton* View3DBtn;
    QToolButton* ProfileBtn;
    QToolButton* HeightsBtn;
    QToolButton* HistogramBtn;
    QToolButton* StatisticBtn;
    QToolButton* SetupSurfaceBtn;
    QToolButton* RectBtn;
    QWidget* ToolPanel;
    QComboBox* cbZoom2D;
    QWidget* Panel1;
    QComboBox* cbObjectFile;
    QToolButton* sbCloseFile;
    QComboBox* cbObjectStep;
    QToolButton* sbCloseStep;
    QDockWidget* Panel2;
    QMdiArea* MdiArea;

    platform::FileDialogRequest OpenDialog;
    platform::FileDialogRequest SaveDialog;

    void ReadVersionInfo();
    void EnableDocumentCommands(bool on);
    //! Registers an opened file in the "File:" chooser and opens its first view.
    void AddFileToList(TObjectFile* file);
    //! Opens an SPM0 or SPM1 file after testing its kind by its first 16-bit word.
    void OpenSPMFile(const std::string& path) override;
    //! Opens the SPM file named by the registry stand-in's "FileName" value.
    void OpenFileFromRegistry();
    //! Opens a file through a format slot (1 SPM1, 0 SPM0, 2 MSS); false when the file
    //! could not be read (nothing is then added).
    bool OpenWithFormat(int formatIndex, const std::string& path);
    //! The opened files, in chooser order.
    std::vector<TObjectFile*> Files() const override;
    //! The current step of the current file, null when none.
    TObjectSPM* CurrentStep() const override;
    //! Closes one step of an opened file as the Close button beside "Step:" does: running
    //! plug-ins hear of it first, and a file's last step closes the file.
    void CloseStep(TObjectSPM* step);
    //! Posts a window message (queued, as from the message loop) to the main window.
    void PostWindowMessage(int message);
    //! Sends a window message (handled at once by the window's own dispatch).
    void SendWindowMessage(int message);
    //! The MDI child windows.
    QMdiArea* Mdi() const { return MdiArea; }

    // IDocumentHost.
    void SetCurrentFile(TObjectFile* file) override;
    void FillStepChooser(TObjectFile* file, const std::vector<std::string>& texts, int selected) override;
    void AppendStepChooser(const std::string& text) override;
    void ClearStepChooser() override;
    int StepChooserIndex() const override;
    void RunLinkDataDialog(TObjectSPM* step) override;
    TStepWindow* CreateChannelView(TObjectSPM* step, int channel) override;
    TStepWindow* CreateStepWindow(TObjectSPM* step, int kind) override;
    TStepWindow* CreateCropTool(TObjectSPM* step) override;
    void BuildViewMenu(TObjectSPM* step, const std::vector<std::pair<std::string, int>>& items,
                       int zoomIndex) override;
    void ShowZoomIndex(int zoomIndex) override;
    void AttachViewLayout(TObjectSPM* step) override;
    void Zoom3DChanged(TObjectSPM* step) override;
    void StepDestroyed(TObjectSPM* step) override;

    // IViewHost.
    QWidget* HostWindow() override { return this; }
    void PopUpViewMenu(const QPoint& globalPos) override;
    void HideViewLayoutDock() override;
    void ViewLayoutGone() override;
    void SetStatisticChecked(bool checked) override;
    TObjectFile* ActiveFile() const override { return CurrentFile; }

public slots:
    void OpenClick();
    void SaveClick();
    void ADataLinkExecute();
    void OptionsMenuClick();
    void ExitClick();
    void ACallNoStepFunction();
    void SetupSurfaceBtnClick();
    void NormalizeItemClick();
    void ArithmeticItemClick();
    void RectBtnClick();
    void FlatteningItemClick();
    void Tile1Click();
    void Cascade1Click();
    void ArrangeAllClick();
    void About1Click();
    void cbObjectFileChange();
    void sbCloseFileClick();
    void sbCloseStepClick();
    void cbObjectStepClick();
    void PlugInItemClick();
    void ReleaseFinishedPlugIn();
    void FormCreate();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildChoosers();
    void CloseFile(TObjectFile* file);
    void ZoomItemClick();
    void ImportBitmap(const std::string& path);
    bool ApplicationEvents1Message(int message);
    void StartFileOpenListener();

    TObjectFile* stepChooserFile_ = nullptr;  //!< whose StepComboClick the step chooser calls
    TObjectSPM* viewMenuStep_ = nullptr;      //!< the step the view menu and zoom act on
    QActionGroup* zoomGroup_ = nullptr;
    class TOpenRequestServer* listener_ = nullptr;
    bool filling_ = false;
    bool formClosed_ = false;
};

//! The single main window.
extern TMainForm* MainForm;

//! What the open dialog's choice opens: 1 an SPM file, 2 an MSS file, 3 a bitmap, 0
//! nothing (a format of a description file, or an unknown extension under "All supported
//! files", filter index 4, where the lower-cased extension decides).
int OpenDialogFormat(int filterIndex, const std::string& path);

//! The name of the local socket over which other programs ask the running Morvane to
//! open the file named in the registry stand-in (MORVANE_OPEN_REQUEST_SOCKET overrides
//! it). A client connects and writes "0x83F0".
std::string FileOpenRequestSocketName();
