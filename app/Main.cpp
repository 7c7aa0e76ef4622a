#include "Main.h"

#include <QSignalBlocker>
#include <QSlider>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QPixmap>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <stdexcept>
#include <cstdlib>
#include <unistd.h>

#include "About.h"
#include "ImportBitmap.h"
#include "LinkData.h"
#include "views/View2D.h"
#include "OpenRequest.h"
#include "views/ViewLayout.h"
#include "views/View3D.h"
#include "OptionsForm.h"
#include "PlugInHost.h"
#include "Pluginmanager.h"
#include "data/Fileformat.h"
#include "data/ObjectFile.h"
#include "data/Options.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "platform/core/Text.h"
#include "platform/core/Version.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/ModalDialogs.h"
#include "platform/gui/QtServices.h"
#include "platform/gui/QuietPictures.h"
#include "platform/gui/TiledPaint.h"
#include "pictures/Pictures.h"
#include "tools/AngleAnalysisImpl.h"
#include "tools/Arithmetics.h"
#include "tools/Flat.h"
#include "tools/Heights.h"
#include "tools/Profile.h"
#include "tools/Select.h"
#include "tools/InfoSPM.h"

TMainForm* MainForm = nullptr;

std::string FileOpenRequestSocketName()
{
    if (const char* name = std::getenv("MORVANE_OPEN_REQUEST_SOCKET"); name && *name)
        return name;
    return "morvane-open-request-" + std::to_string(::getuid());
}

namespace {

QAction* NewAction(QObject* owner, const char* name, const char* caption, const char* shortcut = nullptr,
                   const char* hint = nullptr, int tag = 0)
{
    auto* a = new QAction(QString::fromUtf8(caption), owner);
    a->setObjectName(name);
    if (shortcut)
        a->setShortcut(QKeySequence(QString::fromUtf8(shortcut)));
    if (hint) {
        a->setToolTip(QString::fromUtf8(hint));
        a->setStatusTip(QString::fromUtf8(hint));
    }
    a->setData(tag);
    return a;
}

// Tool buttons show the program's own pictures (pictures/), read straight from the
// resources; their texts are the tool tips.
QToolButton* NewToolButton(QWidget* owner, const char* name, const char* text, const char* hint,
                           const char* picture)
{
    auto* b = new QToolButton(owner);
    b->setObjectName(name);
    b->setText(QString::fromUtf8(text));
    b->setToolTip(QString::fromUtf8(hint));
    b->setAutoRaise(true);
    b->setIcon(QIcon(platform::ReadPngPicture(QStringLiteral(":/toolbar/") + QLatin1String(picture) + QStringLiteral(".png"))));
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return b;
}

std::string FileNameOnly(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string LowerExtension(const std::string& path)
{
    const std::string name = FileNameOnly(path);
    const auto dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// The name (without folder) with its extension, if any, replaced by `extension` (".bmp");
// a pattern in place of an extension ("*.dat") leaves the name as it is.
std::string WithExtension(const std::string& name, const std::string& extension)
{
    if (extension.size() < 2 || extension[0] != '.' ||
        extension.find_first_of("*?;| ") != std::string::npos)
        return name;
    const auto dot = name.rfind('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
}

TObjectFile* FileOf(const QComboBox* chooser, int index)
{
    return static_cast<TObjectFile*>(chooser->itemData(index).value<void*>());
}

}  // namespace

// ---------------------------------------------------------------------------------
// Construction

TMainForm::TMainForm(QWidget* owner) : QMainWindow(owner)
{
    MainForm = this;
    SetViewHost(this);
    setObjectName("MainForm");
    MdiArea = new QMdiArea(this);
    MdiArea->setObjectName("MdiArea");
    MdiArea->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    // Windows larger than the workspace, or moved past its edge, stay within reach.
    MdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(MdiArea);
    BuildMenus();
    BuildToolBar();
    BuildChoosers();

    OpenDialog.Filter =
        "SPM format (*.spm;*.ppm)|*.spm;*.ppm|MSS format (*.afm)|*.afm|BMP format (*.bmp)|*.bmp|"
        "All supported files|*.spm;*.ppm;*.afm;*.bmp";
    OpenDialog.FileMustExist = true;
    SaveDialog.Save = true;
    SaveDialog.OverwritePrompt = true;
    SaveDialog.Title = "Сохранить как...";

    // The constructor proper.
    ReadVersionInfo();
    RegisterBuiltInFormats();
    InitGlobalOptions(platform::ProgramFolder());
    RemoveLeftoverSwapFiles();
    PlugInManager = std::make_unique<TPlugInManager>(*this);
    PlugInManager->Scan(GlobalOptions.PlugInsDir);
    for (int slot = 3; slot < FileFormatCount; ++slot)
        OpenDialog.Filter += "|" + platform::Cp1251ToUtf8(FileFormats[slot]->FilterText) + "|" +
                             platform::Cp1251ToUtf8(FileFormats[slot]->Extension);

    SetDocumentHost(this);
    qApp->installEventFilter(this);
    StartFileOpenListener();
    FormCreate();
}

TMainForm::~TMainForm()
{
    qApp->removeEventFilter(this);
    // Running plug-ins stop while every document they use still exists.
    PlugInManager.reset();
    // The documents go first, with their windows, while the window still stands.
    const auto files = Files();
    cbObjectFile->clear();
    CurrentFile = nullptr;
    stepChooserFile_ = nullptr;
    viewMenuStep_ = nullptr;
    for (TObjectFile* f : files)
        delete f;
    PlugInSteps.clear();
    SetDocumentHost(nullptr);
    ClearFileFormats();
    if (MainForm == this)
        MainForm = nullptr;
    if (ViewHost() == this)
        SetViewHost(nullptr);
}

void TMainForm::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu");
    File1 = bar->addMenu("&File");
    File1->setObjectName("File1");
    DataProc = bar->addMenu("&View");
    DataProc->setObjectName("DataProc");
    Process = bar->addMenu("&Process");
    Process->setObjectName("Process");
    PlugInsMenu = bar->addMenu("&Functions");
    PlugInsMenu->setObjectName("PlugInsMenu");
    PlugInsMenu->menuAction()->setVisible(false);
    Window1 = bar->addMenu("&Windows");
    Window1->setObjectName("Window1");
    Help1 = bar->addMenu("&Help");
    Help1->setObjectName("Help1");

    // Actions of the action list.
    AView2D = NewAction(this, "AView2D", "View &2D", nullptr, "View 2D", 0);
    AView3D = NewAction(this, "AView3D", "View &3D", nullptr, "View 3D", 1);
    AProfile = NewAction(this, "AProfile", "&Profile", nullptr, "View profile", 2);
    AHeightsDistribution = NewAction(this, "AHeightsDistribution", "&Heights distribution", nullptr,
                                     "Height distribution", 3);
    AAngleAnalysis = NewAction(this, "AAngleAnalysis", "&Angle analysis", nullptr, "Angle analysis", 4);
    ASurfaceInfo = NewAction(this, "ASurfaceInfo", "Surface &Info", nullptr, "SPM info", 5);
    ADataLink = NewAction(this, "ADataLink", "&Data link", "F12");
    for (QAction* a : {AView2D, AView3D, AProfile, AHeightsDistribution, AAngleAnalysis, ASurfaceInfo})
        connect(a, &QAction::triggered, this, &TMainForm::ACallNoStepFunction);
    connect(ADataLink, &QAction::triggered, this, &TMainForm::ADataLinkExecute);
    addAction(ADataLink);  // its shortcut works while the menu item is hidden in a disabled menu

    Open = NewAction(this, "Open", "&Open...", "Ctrl+O");
    Save = NewAction(this, "Save", "&Save", "Ctrl+S");
    OptionsMenu = NewAction(this, "OptionsMenu", "O&ptions");
    Exit = NewAction(this, "Exit", "&Exit", "Alt+F4");
    File1->addAction(Open);
    File1->addAction(Save);
    DataLinkItem = ADataLink;
    File1->addAction(DataLinkItem);
    File1->addAction(OptionsMenu);
    File1->addSeparator();
    File1->addAction(Exit);
    connect(Open, &QAction::triggered, this, &TMainForm::OpenClick);
    connect(Save, &QAction::triggered, this, &TMainForm::SaveClick);
    connect(OptionsMenu, &QAction::triggered, this, &TMainForm::OptionsMenuClick);
    connect(Exit, &QAction::triggered, this, &TMainForm::ExitClick);

    // The View menu's items act through the actions.
    auto viewItem = [this](const char* name, QAction* action) {
        QAction* item = NewAction(this, name, action->text().toUtf8().constData());
        item->setData(action->data());
        connect(item, &QAction::triggered, action, &QAction::trigger);
        DataProc->addAction(item);
        return item;
    };
    Create2DMenu = viewItem("Create2DMenu", AView2D);
    Create3DMenu = viewItem("Create3DMenu", AView3D);
    ProfileMenu = viewItem("ProfileMenu", AProfile);
    HeightsDistributionMenu = viewItem("HeightsDistributionMenu", AHeightsDistribution);
    HistogramMenu = viewItem("HistogramMenu", AAngleAnalysis);
    StatisticMenu = viewItem("StatisticMenu", ASurfaceInfo);
    ViewLayoutMenu = NewAction(this, "ViewLayoutMenu", "&View layout");
    DataProc->addAction(ViewLayoutMenu);
    connect(ViewLayoutMenu, &QAction::triggered, this, &TMainForm::SetupSurfaceBtnClick);
    ZoomMenu = DataProc->addMenu("&Zoom");
    ZoomMenu->setObjectName("ZoomMenu");
    zoomGroup_ = new QActionGroup(this);
    N100 = NewAction(this, "N100", "100%", nullptr, nullptr, 1);
    N200 = NewAction(this, "N200", "200%", nullptr, nullptr, 2);
    N400 = NewAction(this, "N400", "400%", nullptr, nullptr, 4);
    N800 = NewAction(this, "N800", "800%", nullptr, nullptr, 8);
    for (QAction* a : {N100, N200, N400, N800}) {
        a->setCheckable(true);
        zoomGroup_->addAction(a);
        ZoomMenu->addAction(a);
        connect(a, &QAction::triggered, this, &TMainForm::ZoomItemClick);
    }
    N100->setChecked(true);

    NormalizeItem = NewAction(this, "NormalizeItem", "&Normalize");
    ArithmeticItem = NewAction(this, "ArithmeticItem", "&Arithmetic");
    CutMenu = NewAction(this, "CutMenu", "&Cut");
    Process->addAction(NormalizeItem);
    Process->addAction(ArithmeticItem);
    Process->addAction(CutMenu);
    connect(NormalizeItem, &QAction::triggered, this, &TMainForm::NormalizeItemClick);
    connect(ArithmeticItem, &QAction::triggered, this, &TMainForm::ArithmeticItemClick);
    connect(CutMenu, &QAction::triggered, this, &TMainForm::RectBtnClick);
    FlatteningMenu = Process->addMenu("&Flattening");
    FlatteningMenu->setObjectName("FlatteningMenu");
    FlatteningXItem = NewAction(this, "FlatteningXItem", "Line on &X-direction", nullptr, nullptr, 0);
    FlatteningYItem = NewAction(this, "FlatteningYItem", "Line on &Y-direction", nullptr, nullptr, 1);
    FlatteningPlaneItem = NewAction(this, "FlatteningPlaneItem", "&Plane", nullptr, nullptr, 2);
    FlatteningParabolaX = NewAction(this, "FlatteningParabolaX", "Para&bola on X", nullptr, nullptr, 3);
    FlatteningParabolaYItem = NewAction(this, "FlatteningParabolaYItem", "Parab&ola on Y", nullptr, nullptr, 4);
    FlatteningParaboloidItem = NewAction(this, "FlatteningParaboloidItem", "Paraboloi&d", nullptr, nullptr, 5);
    for (QAction* a : {FlatteningXItem, FlatteningYItem, FlatteningPlaneItem, FlatteningParabolaX,
                       FlatteningParabolaYItem, FlatteningParaboloidItem}) {
        FlatteningMenu->addAction(a);
        connect(a, &QAction::triggered, this, &TMainForm::FlatteningItemClick);
    }

    Tile1 = NewAction(this, "Tile1", "&Tile");
    Cascade1 = NewAction(this, "Cascade1", "&Cascade");
    ArrangeAll = NewAction(this, "ArrangeAll", "&Arrange All");
    Window1->addAction(Tile1);
    Window1->addAction(Cascade1);
    Window1->addAction(ArrangeAll);
    connect(Tile1, &QAction::triggered, this, &TMainForm::Tile1Click);
    connect(Cascade1, &QAction::triggered, this, &TMainForm::Cascade1Click);
    connect(ArrangeAll, &QAction::triggered, this, &TMainForm::ArrangeAllClick);
    // The window list of the MDI children follows the fixed items.
    connect(Window1, &QMenu::aboutToShow, this, [this] {
        for (QAction* a : Window1->actions())
            if (a->property("windowListItem").toBool())
                Window1->removeAction(a), delete a;
        const auto windows = MdiArea->subWindowList();
        if (!windows.isEmpty())
            Window1->addSeparator()->setProperty("windowListItem", true);
        int n = 1;
        for (QMdiSubWindow* w : windows) {
            QAction* item = Window1->addAction(QString("&%1 %2").arg(n++).arg(w->windowTitle()));
            item->setProperty("windowListItem", true);
            item->setCheckable(true);
            item->setChecked(w == MdiArea->activeSubWindow());
            connect(item, &QAction::triggered, this, [this, w] { MdiArea->setActiveSubWindow(w); });
        }
    });

    About1 = NewAction(this, "About1", "&About...");
    Help1->addAction(About1);
    connect(About1, &QAction::triggered, this, &TMainForm::About1Click);

    PopupMenu2DBtn = new QMenu(this);
    PopupMenu2DBtn->setObjectName("PopupMenu2DBtn");
}

void TMainForm::BuildToolBar()
{
    ToolBarFile = new platform::TTiledToolBar("ToolBarFile", this);
    addToolBar(ToolBarFile);
    ToolBarFile->setObjectName("ToolBarFile");
    ToolBarFile->setMovable(false);
    RegisterPictures();
    ToolBarFile->setIconSize(QSize(24, 24));
    OpenBtn = NewToolButton(this, "OpenBtn", "Open", "Open", "open");
    SaveBtn = NewToolButton(this, "SaveBtn", "Save", "Save", "save");
    View2DBtn = NewToolButton(this, "View2DBtn", "2D", "View 2D", "view2d");
    View3DBtn = NewToolButton(this, "View3DBtn", "3D", "View 3D", "view3d");
    ProfileBtn = NewToolButton(this, "ProfileBtn", "Profile", "View profile", "profile");
    HeightsBtn = NewToolButton(this, "HeightsBtn", "Heights", "Height distribution", "heights");
    HistogramBtn = NewToolButton(this, "HistogramBtn", "Angles", "Angle analysis", "angles");
    StatisticBtn = NewToolButton(this, "StatisticBtn", "Info", "SPM info", "info");
    SetupSurfaceBtn = NewToolButton(this, "SetupSurfaceBtn", "Layout", "View layout", "layout");
    RectBtn = NewToolButton(this, "RectBtn", "Cut", "Cut surface", "cut");
    View2DBtn->setMenu(PopupMenu2DBtn);
    View2DBtn->setPopupMode(QToolButton::MenuButtonPopup);
    for (QToolButton* b : {OpenBtn, SaveBtn, View2DBtn, View3DBtn, ProfileBtn, HeightsBtn, HistogramBtn,
                           StatisticBtn, SetupSurfaceBtn, RectBtn})
        ToolBarFile->addWidget(b);
    connect(OpenBtn, &QToolButton::clicked, this, &TMainForm::OpenClick);
    connect(SaveBtn, &QToolButton::clicked, this, &TMainForm::SaveClick);
    connect(View2DBtn, &QToolButton::clicked, AView2D, &QAction::trigger);
    connect(View3DBtn, &QToolButton::clicked, AView3D, &QAction::trigger);
    connect(ProfileBtn, &QToolButton::clicked, AProfile, &QAction::trigger);
    connect(HeightsBtn, &QToolButton::clicked, AHeightsDistribution, &QAction::trigger);
    connect(HistogramBtn, &QToolButton::clicked, AAngleAnalysis, &QAction::trigger);
    connect(StatisticBtn, &QToolButton::clicked, ASurfaceInfo, &QAction::trigger);
    connect(SetupSurfaceBtn, &QToolButton::clicked, this, &TMainForm::SetupSurfaceBtnClick);
    connect(RectBtn, &QToolButton::clicked, this, &TMainForm::RectBtnClick);
}

void TMainForm::BuildChoosers()
{
    ToolPanel = new QWidget(this);
    ToolPanel->setObjectName("ToolPanel");
    cbZoom2D = new QComboBox(ToolPanel);
    cbZoom2D->setObjectName("cbZoom2D");
    cbZoom2D->addItems({"100%", "200%", "400%", "800%"});
    auto* zoomLayout = new QHBoxLayout(ToolPanel);
    zoomLayout->setContentsMargins(2, 0, 2, 0);
    zoomLayout->addWidget(cbZoom2D);
    connect(cbZoom2D, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (viewMenuStep_)
            viewMenuStep_->ZoomClick(TObjectSPM::TZoomSender::ZoomBox, index);
    });

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    auto* layout = new QHBoxLayout(Panel1);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->addWidget(new QLabel("File:", Panel1));
    cbObjectFile = new QComboBox(Panel1);
    cbObjectFile->setObjectName("cbObjectFile");
    cbObjectFile->setMinimumContentsLength(24);
    layout->addWidget(cbObjectFile);
    sbCloseFile = new QToolButton(Panel1);
    sbCloseFile->setObjectName("sbCloseFile");
    sbCloseFile->setText("Close");
    layout->addWidget(sbCloseFile);
    layout->addWidget(new QLabel("Step:", Panel1));
    cbObjectStep = new QComboBox(Panel1);
    cbObjectStep->setObjectName("cbObjectStep");
    cbObjectStep->setMinimumContentsLength(24);
    layout->addWidget(cbObjectStep);
    sbCloseStep = new QToolButton(Panel1);
    sbCloseStep->setObjectName("sbCloseStep");
    sbCloseStep->setText("Close");
    layout->addWidget(sbCloseStep);
    connect(cbObjectFile, QOverload<int>::of(&QComboBox::activated), this, &TMainForm::cbObjectFileChange);
    connect(sbCloseFile, &QToolButton::clicked, this, &TMainForm::sbCloseFileClick);
    connect(sbCloseStep, &QToolButton::clicked, this, &TMainForm::sbCloseStepClick);
    connect(cbObjectStep, QOverload<int>::of(&QComboBox::activated), this, &TMainForm::cbObjectStepClick);

    auto* bands = new platform::TTiledToolBar("CoolBar", this);
    addToolBar(bands);
    bands->setObjectName("CoolBar");
    bands->setMovable(false);
    bands->addWidget(ToolPanel);
    bands->addWidget(Panel1);

    Panel2 = new QDockWidget(this);
    Panel2->setObjectName("Panel2");
    Panel2->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                        QDockWidget::DockWidgetFloatable);
    addDockWidget(Qt::RightDockWidgetArea, Panel2);
    Panel2->hide();
}

void TMainForm::FormCreate()
{
    ReadVersionInfo();
    OpenDialog.FilterIndex = 4;
    setWindowTitle(QString::fromStdString("Morvane 1.0   build " + BuildNumber));
    EnableDocumentCommands(false);
    CurrentFile = nullptr;
    // The view-layout window, docked at the right edge.
    ViewLayoutForm = new TViewLayoutForm(Panel2);
    Panel2->setWindowTitle("View layout");
    Panel2->setWidget(ViewLayoutForm);
    Panel2->show();
}

void TMainForm::ReadVersionInfo()
{
    const std::string version = platform::ProgramFileVersion();
    if (version.empty()) {
        FileVersion.clear();
        return;
    }
    FileVersion = version;
    const auto dot = version.rfind('.');
    BuildNumber = dot == std::string::npos ? version : version.substr(dot + 1);
}

void TMainForm::EnableDocumentCommands(bool on)
{
    for (QWidget* w : {static_cast<QWidget*>(SaveBtn), static_cast<QWidget*>(View2DBtn),
                       static_cast<QWidget*>(View3DBtn), static_cast<QWidget*>(ProfileBtn),
                       static_cast<QWidget*>(HistogramBtn), static_cast<QWidget*>(StatisticBtn),
                       static_cast<QWidget*>(SetupSurfaceBtn), static_cast<QWidget*>(RectBtn),
                       static_cast<QWidget*>(HeightsBtn)})
        w->setEnabled(on);
    Save->setEnabled(on);
    DataProc->setEnabled(on);
    DataProc->menuAction()->setEnabled(on);
    Process->setEnabled(on);
    Process->menuAction()->setEnabled(on);
    PlugInsMenu->setEnabled(on);
    PlugInsMenu->menuAction()->setEnabled(on);
    ADataLink->setEnabled(on);
    sbCloseFile->setEnabled(on);
    sbCloseStep->setEnabled(on);
    cbZoom2D->setEnabled(on);
}

// ---------------------------------------------------------------------------------
// Documents

std::vector<TObjectFile*> TMainForm::Files() const
{
    std::vector<TObjectFile*> files;
    for (int i = 0; i < cbObjectFile->count(); ++i)
        files.push_back(FileOf(cbObjectFile, i));
    return files;
}

TObjectSPM* TMainForm::CurrentStep() const { return CurrentFile ? CurrentFile->CurrentStep : nullptr; }

void TMainForm::SetCurrentFile(TObjectFile* file)
{
    CurrentFile = file;
    for (int i = 0; i < cbObjectFile->count(); ++i)
        if (FileOf(cbObjectFile, i) == file)
            cbObjectFile->setCurrentIndex(i);
}

void TMainForm::FillStepChooser(TObjectFile* file, const std::vector<std::string>& texts, int selected)
{
    filling_ = true;
    cbObjectStep->clear();
    for (const auto& t : texts)
        cbObjectStep->addItem(QString::fromUtf8(platform::Cp1251ToUtf8(t).c_str()));
    cbObjectStep->setCurrentIndex(selected);
    filling_ = false;
    stepChooserFile_ = file;
}

void TMainForm::AppendStepChooser(const std::string& text)
{
    cbObjectStep->addItem(QString::fromUtf8(platform::Cp1251ToUtf8(text).c_str()));
}

void TMainForm::ClearStepChooser() { cbObjectStep->clear(); }

int TMainForm::StepChooserIndex() const { return cbObjectStep->currentIndex(); }

void TMainForm::cbObjectStepClick()
{
    if (stepChooserFile_ && !filling_)
        stepChooserFile_->StepComboClick();
}

TStepWindow* TMainForm::CreateChannelView(TObjectSPM* step, int channel)
{
    // The 2-D view (app/View2D.h) in a subwindow of the MDI area, shown and active.
    return NewChannelView(step, channel, MdiArea);
}

TStepWindow* TMainForm::CreateStepWindow(TObjectSPM* step, int kind)
{
    switch (kind) {
    case 1:
        return NewView3D(step, MdiArea);  // app/View3D.h
    case 2:
        return NewProfileWindow(step, MdiArea);
    case 3: {
        auto* heights = new THeightsForm(step, MdiArea);
        heights->Show();
        return heights;
    }
    case 4: {
        auto* window = new TAngleAnalysis(step, MdiArea);
        if (!window->Computed()) {  // refused (its message has been shown)
            delete window;
            return nullptr;
        }
        window->Show();
        return window;
    }
    case 5: {
        auto* window = new TInfoSPMForm(step, MdiArea);
        window->Show();
        return window;
    }
    default: return nullptr;
    }
}

TStepWindow* TMainForm::CreateCropTool(TObjectSPM* step) { return NewCropTool(step, this); }

void TMainForm::BuildViewMenu(TObjectSPM* step, const std::vector<std::pair<std::string, int>>& items,
                              int zoomIndex)
{
    PopupMenu2DBtn->clear();
    for (const auto& [text, channel] : items) {
        QAction* item = PopupMenu2DBtn->addAction(QString::fromUtf8(text.c_str()));
        item->setData(channel);
        connect(item, &QAction::triggered, this, [this, channel] {
            if (viewMenuStep_)
                viewMenuStep_->ChannelMenuClick(channel);
        });
    }
    viewMenuStep_ = step;
    ShowZoomIndex(zoomIndex);
}

void TMainForm::ShowZoomIndex(int zoomIndex)
{
    if (zoomIndex < 0 || zoomIndex > 3)
        return;
    QAction* items[] = {N100, N200, N400, N800};
    items[zoomIndex]->setChecked(true);
    cbZoom2D->setCurrentIndex(zoomIndex);
}

void TMainForm::ZoomItemClick()
{
    auto* item = qobject_cast<QAction*>(sender());
    if (item && viewMenuStep_)
        viewMenuStep_->ZoomClick(TObjectSPM::TZoomSender::MenuItem, item->data().toInt());
}

void TMainForm::AttachViewLayout(TObjectSPM* step)
{
    if (ViewLayoutForm)
        ViewLayoutForm->AttachObject(step);
}

void TMainForm::Zoom3DChanged(TObjectSPM* step)
{
    // The distance bar only shows the dragged zoom: its own change would round Zoom3D to
    // its tenths and take the drag's finer steps away.
    if (!ViewLayoutForm || !step || ViewLayoutForm->AttachedStep() != step)
        return;
    const QSignalBlocker quiet(ViewLayoutForm->tbZoom);
    ViewLayoutForm->tbZoom->setValue(int(step->ViewSettings.Zoom3D * 10));
}

void TMainForm::StepDestroyed(TObjectSPM* step)
{
    if (ViewLayoutForm && ViewLayoutForm->AttachedStep() == step)
        ViewLayoutForm->AttachObject(nullptr);
    // Nothing of the main window may stay bound to a step that goes.
    if (viewMenuStep_ == step) {
        viewMenuStep_ = nullptr;
        PopupMenu2DBtn->clear();
    }
}

void TMainForm::PopUpViewMenu(const QPoint& globalPos)
{
    if (PopupMenu2DBtn)
        PopupMenu2DBtn->popup(globalPos);
}

void TMainForm::HideViewLayoutDock()
{
    if (Panel2)
        Panel2->hide();
}

void TMainForm::ViewLayoutGone()
{
    SetupSurfaceBtn->setDown(false);
}

void TMainForm::SetStatisticChecked(bool checked)
{
    StatisticBtn->setChecked(checked);
    StatisticMenu->setChecked(checked);
}

void TMainForm::AddFileToList(TObjectFile* file)
{
    TObjectSPM* step = file->CurrentStep;
    std::string text = FileNameOnly(file->Path);
    if (step && step->Channel0) {
        const std::string comment = step->Channel0->GetComment();
        if (!comment.empty())
            text += " - " + platform::Cp1251ToUtf8(comment);
    }
    cbObjectFile->addItem(QString::fromUtf8(text.c_str()), QVariant::fromValue(static_cast<void*>(file)));
    cbObjectFile->setCurrentIndex(cbObjectFile->count() - 1);
    if (step) {
        step->ShowChannelView(NoChannel);
        step->BuildViewMenu();
    }
}

bool TMainForm::OpenWithFormat(int formatIndex, const std::string& path)
{
    auto file = std::make_unique<TObjectFile>(formatIndex, path);
    if (file->Failed())
        return false;  // its messages have been shown; nothing is added
    TObjectFile* opened = file.release();
    CurrentFile = opened;
    AddFileToList(opened);
    opened->CurrentStep->SurfaceData->Release();
    EnableDocumentCommands(true);
    return true;
}

int OpenDialogFormat(int filterIndex, const std::string& path)
{
    if (filterIndex == 4) {
        const std::string ext = LowerExtension(path);
        return (ext == ".spm" || ext == ".ppm") ? 1 : ext == ".afm" ? 2 : ext == ".bmp" ? 3 : 0;
    }
    return filterIndex >= 1 && filterIndex <= 3 ? filterIndex : 0;
}

void TMainForm::OpenSPMFile(const std::string& path)
{
    const int kind = ReadSPMKind(path);
    if (kind >= 0)
        OpenWithFormat(kind, path);
}

void TMainForm::OpenClick()
{
    OpenDialog.Title = "Open file ...";
    if (!platform::FileDialogs().Run(OpenDialog))
        return;
    const std::string name = OpenDialog.FileName;
    switch (OpenDialogFormat(OpenDialog.FilterIndex, name)) {
    case 1: OpenSPMFile(name); break;
    case 2: OpenWithFormat(2, name); break;
    case 3: ImportBitmap(name); break;
    default: break;  // formats of description files open nothing
    }
}

void TMainForm::ImportBitmap(const std::string& path)
{
    try {
        TFImpBMP dialog(this);
        platform::TBitmap picture;
        if (!picture.LoadFromFile(path))
            throw std::runtime_error("not a bitmap");
        dialog.SetBitmap(&picture);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const TRect32 selection = dialog.GetSelection();
        if (selection.Right - selection.Left <= 0 || selection.Bottom - selection.Top <= 0) {
            platform::ShowError("The selection has no width or no height: nothing to import");
            return;
        }
        auto data = BitmapSurface(picture, selection, dialog.ScaleX, dialog.ScaleY, dialog.ScaleZ, path);
        if (!data)
            throw std::runtime_error("no surface");
        TSurfaceData* surface = data.get();
        auto file = std::make_unique<TObjectFile>(path);
        auto step = std::make_unique<TObjectSPM>(file.get(), std::move(data));
        step->FileName = path;
        file->AppendStep("Load", std::move(step));
        TObjectFile* added = file.release();
        CurrentFile = added;
        AddFileToList(added);
        surface->Release();
        EnableDocumentCommands(true);
    } catch (const std::exception&) {
        platform::ShowMessage("Error!", "Error", platform::MessageIcon::Error);
    }
}

void TMainForm::OpenFileFromRegistry()
{
    OpenSPMFile(platform::ReadRegistryString("SOFTWARE\\SPM\\Viewer", "FileName"));
}

bool TMainForm::ApplicationEvents1Message(int message)
{
    if (message != FileOpenRequestMessage)
        return false;
    // The program comes to the front first; whatever happens then, the message is handled.
    raise();
    activateWindow();
    try {
        OpenFileFromRegistry();
    } catch (const std::exception& e) {
        platform::ShowError(e.what());
    }
    return true;
}

void TMainForm::PostWindowMessage(int message) { platform::PostWindowMessage(this, message); }

void TMainForm::SendWindowMessage(int message) { platform::SendWindowMessage(this, message); }

bool TMainForm::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == platform::WindowMessageEvent::EventType()) {
        auto* m = static_cast<platform::WindowMessageEvent*>(e);
        if (m->Posted && ApplicationEvents1Message(m->Message))
            return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

bool TMainForm::event(QEvent* e)
{
    if (e->type() == platform::WindowMessageEvent::EventType()) {
        const int message = static_cast<platform::WindowMessageEvent*>(e)->Message;
        if (message == WM_USER)
            ReleaseFinishedPlugIn();
        else if (message == FileOpenRequestMessage)
            OpenFileFromRegistry();
        return true;
    }
    return QMainWindow::event(e);
}

void TMainForm::StartFileOpenListener()
{
    listener_ = new TOpenRequestServer(this, [this] { PostWindowMessage(FileOpenRequestMessage); });
    listener_->Listen(QString::fromStdString(FileOpenRequestSocketName()));
}

void TMainForm::SaveClick()
{
    TObjectSPM* step = CurrentStep();
    if (!step)
        return;
    SaveDialog.Filter = "SPM file (*.spm)|*.spm|SPM file 2001 (*.spm)|*.spm";
    std::vector<std::string> extensions{".spm", ".spm"};
    for (int slot = 3; slot < FileFormatCount; ++slot) {
        SaveDialog.Filter += "|" + platform::Cp1251ToUtf8(FileFormats[slot]->FilterText) + "|" +
                             platform::Cp1251ToUtf8(FileFormats[slot]->Extension);
        extensions.push_back(FileFormats[slot]->Extension);
    }

    // The active child window offers its own pictures and reports.
    QMdiSubWindow* active = MdiArea->activeSubWindow();
    const QString kind = active && active->widget() ? active->widget()->metaObject()->className() : QString();
    static const QStringList pictures{"TView2DForm", "TProfileForm", "TView3DForm", "TAngleAnalysis", "THeightsForm"};
    static const QStringList reports{"TInfoSPMForm", "THeightsForm", "TProfileForm", "TAngleAnalysis"};
    if (pictures.contains(kind)) {
        SaveDialog.Filter += "|Bitmap file (*.bmp)|*.bmp";
        extensions.push_back(".bmp");
        SaveDialog.FilterIndex = static_cast<int>(extensions.size());
    }
    if (reports.contains(kind)) {
        SaveDialog.Filter += "|Text file (*.txt)|*.txt";
        extensions.push_back(".txt");
        SaveDialog.FilterIndex = static_cast<int>(extensions.size());
    }
    // The offered name is the file's own with the extension of the entry shown, so that
    // accepting the defaults never writes a picture or a report into the scan itself.
    const int count = static_cast<int>(extensions.size());
    const int shown =
        SaveDialog.FilterIndex >= 1 && SaveDialog.FilterIndex <= count ? SaveDialog.FilterIndex : 1;
    SaveDialog.FileName =
        WithExtension(FileNameOnly(CurrentFile->Path), extensions[std::size_t(shown - 1)]);
    SaveDialog.FilterExtensions.clear();
    for (const std::string& extension : extensions)
        SaveDialog.FilterExtensions.push_back(platform::Cp1251ToUtf8(extension));
    if (!platform::FileDialogs().Run(SaveDialog))
        return;
    std::string name = SaveDialog.FileName;
    const int entry = std::clamp(SaveDialog.FilterIndex, 1, static_cast<int>(extensions.size()));
    const std::string& extension = extensions[static_cast<std::size_t>(entry - 1)];
    if (FileNameOnly(name).find('.') == std::string::npos)
        name += extension;
    if (extension == ".spm") {
        step->SaveToFile(name, entry - 1 != 0);
    } else if (extension == ".bmp" || extension == ".txt") {
        if (auto* window = active ? dynamic_cast<TSavableWindow*>(active->widget()) : nullptr) {
            if (extension == ".bmp")
                window->SavePicture(name);
            else
                window->SaveReport(name);
        }
    }
}

void TMainForm::ADataLinkExecute()
{
    TObjectSPM* step = CurrentStep();
    if (!step || !step->SurfaceData)
        return;
    // The dialog works on the step's channels: the data set is held while it runs.
    TSurfaceData* data = step->SurfaceData.get();
    data->Acquire();
    if (!data->SwappedOut) {
        TLinkDataForm dialog(this, data);
        if (platform::ExecModal(dialog) == QDialog::Accepted) {
            step->ViewSettings.PhaseAvailable = data->Present.Contains(2) && data->Channel(2);
            step->BuildViewMenu();
            step->UpdateAll();
            if (PlugInManager)
                PlugInManager->DataChanged(step);
        }
        dialog.ShowFailures();
    }
    data->Release();
}

void TMainForm::RunLinkDataDialog(TObjectSPM* step)
{
    if (!step || !step->SurfaceData)
        return;
    // After a load the dialog's answer does not matter: Cancel keeps what was loaded.
    TLinkDataForm dialog(this, step->SurfaceData.get());
    platform::ExecModal(dialog);
    dialog.ShowFailures();
}

void TMainForm::OptionsMenuClick()
{
    TOptionsForm dialog(this);
    dialog.exec();
}

void TMainForm::ExitClick() { close(); }

void TMainForm::ACallNoStepFunction()
{
    auto* action = qobject_cast<QAction*>(sender());
    if (TObjectSPM* step = CurrentStep(); step && action)
        step->OpenWindow(action->data().toInt());
}

void TMainForm::SetupSurfaceBtnClick()
{
    if (Panel2->widget())
        Panel2->show();
    if (ViewLayoutForm)
        ViewLayoutForm->show();
}

void TMainForm::NormalizeItemClick()
{
    TObjectSPM* step = CurrentStep();
    if (!step)
        return;
    const int channel = step->CurrentChannel();
    TObjectSPM* added = CurrentFile->AddStep(
        "Normalize " + FieldText(ChannelNames[channel], sizeof ChannelNames[channel]));
    if (!added)
        return;
    if (TSPMData* ch = added->SurfaceData->Channel(channel)) {
        ch->Normalize();
        ch->ComputeStatistics();
    }
    added->ShowChannelView(channel);
    added->SurfaceData->Release();
}

void TMainForm::ArithmeticItemClick()
{
    if (!CurrentStep())
        return;
    TArithmeticForm dialog(this);
    platform::ExecModal(dialog);
}

void TMainForm::RectBtnClick()
{
    if (TObjectSPM* step = CurrentStep())
        step->OpenCropTool();
}

void TMainForm::FlatteningItemClick()
{
    auto* item = qobject_cast<QAction*>(sender());
    TObjectSPM* step = CurrentStep();
    const int tag = item ? item->data().toInt() : -1;
    if (!step || tag < 0 || tag > 5)
        return;
    const int channel = step->CurrentChannel();
    if (!step->SurfaceData->Present.Contains(channel) || !step->SurfaceData->Channel(channel)) {
        step->ShowChannelView(channel);  // says the channel is not loaded; no step is made
        return;
    }
    TObjectFile* file = CurrentFile;
    TObjectSPM* added = file->AddStep(FlattenStepNames[tag] +
                                      FieldText(ChannelNames[channel], sizeof ChannelNames[channel]));
    if (!added)
        return;
    TSPMData* data = added->SurfaceData->Channel(channel);
    if (data && (data->*FlattenMethods[tag])()) {
        added->UpdateAll();
        added->ShowChannelView(channel);
        added->SurfaceData->Release();
        return;
    }
    // Cancelled: the step goes again, and the step chooser shows the file's steps at once.
    file->DeleteStep(added);
    if (TObjectSPM* current = file->CurrentStep)
        current->BuildViewMenu();
}

void TMainForm::Tile1Click() { MdiArea->tileSubWindows(); }

void TMainForm::Cascade1Click() { MdiArea->cascadeSubWindows(); }

void TMainForm::ArrangeAllClick()
{
    // Minimised children line up along the bottom edge.
    int x = 0;
    for (QMdiSubWindow* w : MdiArea->subWindowList())
        if (w->isMinimized()) {
            w->move(x, MdiArea->viewport()->height() - w->height());
            x += w->width();
        }
}

void TMainForm::About1Click()
{
    TAboutForm about(this);
    about.VersionLabel->setText(QString::fromStdString(FileVersion));
    about.exec();
}

void TMainForm::cbObjectFileChange()
{
    if (cbObjectFile->count() == 0)
        return;
    int index = cbObjectFile->currentIndex();
    if (index < 0 || index >= cbObjectFile->count())
        index = 0;
    TObjectFile* file = FileOf(cbObjectFile, index);
    TObjectSPM* step = file->CurrentStep;
    file->Activate(step);
    if (!step)
        return;
    if (step->CurrentView)
        step->CurrentView->Focus();
    else
        step->ShowChannelView(NoChannel);
}

void TMainForm::CloseFile(TObjectFile* file)
{
    for (int i = 0; i < cbObjectFile->count(); ++i)
        if (FileOf(cbObjectFile, i) == file) {
            cbObjectFile->removeItem(i);
            break;
        }
    cbObjectStep->clear();
    if (stepChooserFile_ == file)
        stepChooserFile_ = nullptr;
    if (CurrentFile == file)
        CurrentFile = nullptr;
    if (PlugInManager)
        for (auto& entry : file->Steps)
            PlugInManager->StepClosing(entry.Step.get());
    delete file;
    if (cbObjectFile->count() > 0) {
        cbObjectFile->setCurrentIndex(0);
        cbObjectFileChange();
    } else {
        CurrentFile = nullptr;
        EnableDocumentCommands(false);
        AttachViewLayout(nullptr);
    }
}

void TMainForm::sbCloseFileClick()
{
    const int index = cbObjectFile->currentIndex();
    if (index < 0)
        return;
    CloseFile(FileOf(cbObjectFile, index));
}

void TMainForm::sbCloseStepClick()
{
    if (!CurrentFile)
        return;
    if (CurrentFile->Steps.size() < 2) {
        CloseFile(CurrentFile);
        return;
    }
    const int index = cbObjectStep->currentIndex();
    if (index < 0 || index >= static_cast<int>(CurrentFile->Steps.size()))
        return;
    CloseStep(CurrentFile->Steps[static_cast<std::size_t>(index)].Step.get());
}

void TMainForm::CloseStep(TObjectSPM* step)
{
    TObjectFile* file = step ? step->Owner : nullptr;
    if (!file || file->IndexOf(step) < 0)
        return;
    if (file->Steps.size() < 2) {
        CloseFile(file);
        return;
    }
    if (file == CurrentFile)
        cbObjectStep->removeItem(file->IndexOf(step));
    if (PlugInManager)
        PlugInManager->StepClosing(step);
    file->DeleteStep(step);
    // The menus and choosers follow the step that is current now.
    if (TObjectSPM* current = CurrentStep())
        current->BuildViewMenu();
}

void TMainForm::PlugInItemClick()
{
    auto* item = qobject_cast<QAction*>(sender());
    if (item && PlugInManager)
        PlugInManager->Start(item->data().toInt());
}

void TMainForm::ReleaseFinishedPlugIn()
{
    if (PlugInManager)
        PlugInManager->RemovePending();
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    // Running plug-ins are stopped while every document still exists.
    PlugInManager.reset();
    formClosed_ = true;
    QMainWindow::closeEvent(e);
}
