#include "tools/Profile.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <utility>

#include "views/View2D.h"
#include "data/ObjectSPM.h"
#include "data/Spmdata.h"
#include "data/Surfacedata.h"
#include "platform/core/Dialogs.h"
#include "platform/core/Messages.h"
#include "platform/core/Text.h"
#include "platform/gui/ModalDialogs.h"
#include "platform/gui/Numbers.h"
#include "processing/Profile.h"
#include "processing/ProfileReport.h"
#include "tools/CalibrateLengthForm.h"
#include "tools/Profilestatistic.h"
#include "tools/ToolWidgets.h"
#include "tools/ViewTool.h"

using processing::TSegment;

namespace {

constexpr int ClientWidth0 = 570;
constexpr int ClientHeight0 = 330;
constexpr int PanelHeight = 95;
constexpr int PaneWidth = 150;
constexpr int PaneHeight = 90;

std::string ChannelSlotName(const TSPMData* channel)
{
    if (!channel || channel->Channel < 0 || channel->Channel >= ChannelCount)
        return "";
    return FieldText(ChannelNames[channel->Channel], sizeof ChannelNames[channel->Channel]);
}

std::string ZUnitOf(const TSPMData* channel)
{
    return channel ? FieldText(channel->Header.ZUnit, sizeof channel->Header.ZUnit) : "";
}

std::string XYUnitOf(const TSPMData* channel)
{
    return channel ? FieldText(channel->Header.XYUnit, sizeof channel->Header.XYUnit) : "";
}

double ZScaleOf(const TSPMData* channel)
{
    return channel ? channel->Header.ZScale : 0;
}

//! Puts the pen and brush of a canvas in a known state.
void SetPen(platform::TCanvas* c, platform::TColor colour, platform::TPenMode mode = platform::pmCopy)
{
    c->Pen.Color = colour;
    c->Pen.Mode = mode;
    c->Pen.Width = 1;
    c->Pen.Style = platform::psSolid;
}

void SetFont(platform::TCanvas* c, int points, bool bold, platform::TColor colour)
{
    c->Font.Name = "Arial";
    c->Font.SetSize(points);
    c->Font.Style = bold ? platform::fsBold : 0;
    c->Font.Color = colour;
}

} // namespace

// =====================================================================================
// Window life

TProfileForm::TProfileForm(TObjectSPM* step, int channel, int x1, int y1, int x2, int y2,
                           QMdiArea* area)
    : QWidget(nullptr),
      Grip(this, SegmentDrag,
           {[this] { return View(); },
            // Nothing is drawn once the window is being destroyed.
            [this] { return PaneVisible() && !destroying_; }, [this] { return Segment(); },
            [this] { return std::pair<int, int>(ProfileWidth, ProfileHeight); },
            [this](TViewOverlay& overlay, const processing::TGridMapping& mapping) {
                PaintSegment(overlay, mapping);
            },
            [this](const TSegment& s) {
                SetSegment(s);
                Update();
            },
            [this] { CoordinatesPanel->hide(); }}),
      step_(step)
{
    setObjectName("ProfileForm");
    Channel = static_cast<std::int8_t>(channel);
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    X1 = x1;
    Y1 = y1;
    X2 = x2;
    Y2 = y2;
    CreateComponents();
    ShowCoordinates();
    if (step_) {
        DataSet = step_->SurfaceData.get();
        if (DataSet)
            DataSet->Acquire();
        // Fetched after the acquire: a reload replaces the channel objects.
        GraphChannel[0] = DataSet ? DataSet->Channel(channel) : nullptr;
    }
    Swatch = {TopographyImage, PhaseImage};

    mdi_ = std::make_unique<TMdiChild>(this, area, [this] { FormActivate(); });
    InstallKeyPreview(this, [this](QKeyEvent* e) { return FormKeyDown(e->key(), e->modifiers()); });
    FormCreate();
}

TProfileForm::~TProfileForm()
{
    destroying_ = true;
    LeaveStep();
    Buffer = {};
    TiltedSamples = {};
    Bookmarks = {};
    WorkBitmap.reset();
    mdi_->Release();
}

void TProfileForm::LeaveStep()
{
    HookView(false);
    if (step_) {
        if (step_->ActiveProfile == this)
            step_->ActiveProfile = nullptr;
        auto& list = step_->Profiles;
        list.erase(std::remove(list.begin(), list.end(), static_cast<TStepWindow*>(this)), list.end());
    }
    if (DataSet)
        DataSet->Release();
    DataSet = nullptr;
    step_ = nullptr;
}

void TProfileForm::CreateComponents()
{
    Image = new TZtImage(this);
    Image->setObjectName("Image");
    Image->SetAutoRefresh(true);
    Image->SetEraseBackground(true);
    Image->Loaded();
    Image->OnMouseDown = [this](QObject* s, platform::TMouseButton b, platform::TShiftState sh, int x,
                                int y) { FormMouseDown(s, b, sh, x, y); };
    Image->OnMouseMove = [this](QObject* s, platform::TShiftState sh, int x, int y) {
        FormMouseMove(s, sh, x, y);
    };
    Image->OnMouseUp = [this](QObject* s, platform::TMouseButton b, platform::TShiftState sh, int x,
                              int y) { FormMouseUp(s, b, sh, x, y); };

    // The coordinates pane and its button, at the top right over the picture.
    btCoordinates = new QToolButton(this);
    btCoordinates->setObjectName("btCoordinates");
    btCoordinates->setAutoRaise(true);
    btCoordinates->setText("XY");
    btCoordinates->setIcon(QIcon(QStringLiteral(":/toolbar/coordinates.png")));
    btCoordinates->setToolButtonStyle(Qt::ToolButtonIconOnly);
    btCoordinates->setToolTip("Select coordinates");
    btCoordinates->setFocusPolicy(Qt::NoFocus);
    connect(btCoordinates, &QToolButton::clicked, this, [this] { btCoordinatesClick(); });

    CoordinatesPanel = new QFrame(this);
    CoordinatesPanel->setObjectName("CoordinatesPanel");
    CoordinatesPanel->setFrameShape(QFrame::Panel);
    CoordinatesPanel->setFrameShadow(QFrame::Raised);
    CoordinatesPanel->setAutoFillBackground(true);
    auto label = [this](const char* name, const char* text, int x, int y, bool bold = false) {
        auto* l = new QLabel(QString::fromUtf8(text), CoordinatesPanel);
        l->setObjectName(name);
        l->move(x, y);
        if (bold) {
            QFont f = l->font();
            f.setBold(true);
            l->setFont(f);
        }
        return l;
    };
    Label7 = label("Label7", "Select coordinates:", 5, 3);
    Label1 = label("Label1", "Start:", 8, 22, true);
    Label2 = label("Label2", "End:", 80, 22, true);
    Label3 = label("Label3", "x =", 8, 43);
    Label4 = label("Label4", "y =", 8, 66);
    Label5 = label("Label5", "x =", 80, 43);
    Label6 = label("Label6", "y =", 80, 66);
    auto edit = [this](const char* name, int x, int y, int maxLength) {
        auto* e = new TToolEdit(CoordinatesPanel);
        e->setObjectName(name);
        e->setGeometry(x, y, 42, 20);
        if (maxLength > 0)
            e->setMaxLength(maxLength);
        e->OnKeyDown = [this](QObject* s, int& key, Qt::KeyboardModifiers m) { x1EditKeyDown(s, key, m); };
        e->OnKeyPress = [this](QObject* s, char& key) { x1EditKeyPress(s, key); };
        return e;
    };
    x1Edit = edit("x1Edit", 28, 40, 0);
    y1Edit = edit("y1Edit", 28, 63, 4);
    x2Edit = edit("x2Edit", 100, 40, 4);
    y2Edit = edit("y2Edit", 100, 63, 4);
    x1Edit->OnExit = [this](QObject*) { x1EditExit(); };
    y1Edit->OnExit = [this](QObject*) { y1EditExit(); };
    x2Edit->OnExit = [this](QObject*) { x2EditExit(); };
    y2Edit->OnExit = [this](QObject*) { y2EditExit(); };
    SpeedButton1 = new QToolButton(CoordinatesPanel);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setText("x");
    SpeedButton1->setIcon(QIcon(QStringLiteral(":/toolbar/hidepane.png")));
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    SpeedButton1->setToolTip("Hide pane");
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(PaneWidth - 20, 2, 17, 17);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { btOKClick(); });

    // The bottom strip.
    Panel = new QFrame(this);
    Panel->setObjectName("Panel");
    // A radio button or a check box of the strip.
    auto box = [this]<class Box>(Box*, const char* name, const char* text, int x, int y, int w) {
        auto* b = new Box(QString::fromUtf8(text), Panel);
        b->setObjectName(name);
        b->setGeometry(x, y, w, 20);
        return b;
    };
    const auto radio = [&](auto... a) { return box(static_cast<QRadioButton*>(nullptr), a...); };
    const auto check = [&](auto... a) { return box(static_cast<QCheckBox*>(nullptr), a...); };
    auto chooser = [this](const char* name, int y) {
        auto* c = new QComboBox(Panel);
        c->setObjectName(name);
        c->setGeometry(38, y, 130, 22);
        connect(c, &QComboBox::activated, this, [this, c](int) { cbFirstGraphChange(c); });
        return c;
    };
    auto swatch = [this](const char* name, int y) {
        auto* s = new TZtImage(Panel);
        s->setObjectName(name);
        s->setGeometry(174, y, 36, 15);
        s->Loaded();
        s->OnDblClick = [this](QObject* sender) { PhaseImageDblClick(sender); };
        s->OnMouseUp = [this](QObject* sender, platform::TMouseButton b, platform::TShiftState sh,
                              int x, int y) { PhaseImageMouseUp(sender, b, sh, x, y); };
        return s;
    };
    rbActivate1 = radio("rbActivate1", "1:", 6, 6, 32);
    cbFirstGraph = chooser("cbFirstGraph", 5);
    TopographyImage = swatch("TopographyImage", 9);
    cbShowMidLine1 = check("cbShowMidLine1", "&Show middle line", 216, 6, 122);
    cbNormalize1 = check("cbNormalize1", "&Normalize", 340, 6, 90);
    cbEliminateTilt1 = check("cbEliminateTilt1", "&Eiminate tilt", 432, 6, 130);
    rbActivate2 = radio("rbActivate2", "2:", 6, 33, 32);
    cbSecondGraph = chooser("cbSecondGraph", 32);
    PhaseImage = swatch("PhaseImage", 36);
    cbShowMidLine2 = check("cbShowMidLine2", "&Show middle line", 216, 33, 122);
    cbNormalize2 = check("cbNormalize2", "&Normalize", 340, 33, 90);
    cbEliminateTilt2 = check("cbEliminateTilt2", "&Eiminate tilt", 432, 33, 130);
    rbOneMarker = radio("rbOneMarker", "&One marker", 6, 64, 96);
    rbTwoMarkers = radio("rbTwoMarkers", "T&wo markers", 102, 64, 100);
    CBShowMarkersOn2D = check("CBShowMarkersOn2D", "Show on 2D", 202, 64, 86);
    auto button = [this](const char* name, const char* text, int x, int w) {
        auto* b = new QPushButton(QString::fromUtf8(text), Panel);
        b->setObjectName(name);
        b->setGeometry(x, 62, w, 25);
        return b;
    };
    btBookmark = button("btBookmark", "&Bookmark", 290, 70);
    btInfo = button("btInfo", "&Info", 362, 50);
    btnCalibrate = button("btnCalibrate", "Calculate range", 414, 96);
    btClose = button("btClose", "&Close", 512, 54);
    btBookmark->setDefault(true);

    auto* graphs = new QButtonGroup(this);
    graphs->addButton(rbActivate1);
    graphs->addButton(rbActivate2);
    auto* markers = new QButtonGroup(this);
    markers->addButton(rbOneMarker);
    markers->addButton(rbTwoMarkers);
    rbActivate1->setChecked(true);
    rbActivate1->setEnabled(false);
    rbActivate2->setEnabled(false);
    rbOneMarker->setChecked(true);

    connect(rbActivate1, &QRadioButton::clicked, this, [this] { rbActivate1Click(rbActivate1); });
    connect(rbActivate2, &QRadioButton::clicked, this, [this] { rbActivate1Click(rbActivate2); });
    connect(cbNormalize1, &QCheckBox::clicked, this, [this] { cbNormalize1Click(); });
    connect(cbShowMidLine1, &QCheckBox::clicked, this, [this] { cbNormalize1Click(); });
    connect(cbShowMidLine2, &QCheckBox::clicked, this, [this] { cbNormalize1Click(); });
    connect(cbNormalize2, &QCheckBox::clicked, this, [this] { cbNormalize2Click(); });
    connect(cbEliminateTilt1, &QCheckBox::clicked, this, [this] { cbEliminateTilt1Click(cbEliminateTilt1); });
    connect(cbEliminateTilt2, &QCheckBox::clicked, this, [this] { cbEliminateTilt1Click(cbEliminateTilt2); });
    connect(rbOneMarker, &QRadioButton::clicked, this, [this] { rbTwoMarkersClick(); });
    connect(rbTwoMarkers, &QRadioButton::clicked, this, [this] { rbTwoMarkersClick(); });
    connect(CBShowMarkersOn2D, &QCheckBox::clicked, this, [this] { CBShowMarkersOn2DClick(); });
    connect(btBookmark, &QPushButton::clicked, this, [this] { btBookmarkClick(); });
    connect(btInfo, &QPushButton::clicked, this, [this] { btInfoClick(); });
    connect(btnCalibrate, &QPushButton::clicked, this, [this] { btnCalibrateClick(); });
    connect(btClose, &QPushButton::clicked, this, [this] { btCloseClick(); });
}

void TProfileForm::PlaceComponents()
{
    const int w = width();
    const int h = height();
    Panel->setGeometry(0, std::max(0, h - PanelHeight), w, PanelHeight);
    Image->setGeometry(0, 0, w, std::max(0, h - PanelHeight));
    CoordinatesPanel->setGeometry(w - PaneWidth, 0, PaneWidth, PaneHeight);
    btCoordinates->setGeometry(w - 26, 2, 24, 22);
    CoordinatesPanel->raise();
}

QSize TProfileForm::sizeHint() const
{
    return {ClientWidth0, ClientHeight0};
}

void TProfileForm::FormCreate()
{
    resize(ClientWidth0, ClientHeight0);
    PlaceComponents();
    if (QMdiSubWindow* frame = Frame())
        frame->adjustSize();

    CurrentChannel = GraphChannel[0];
    ProfileWidth = CurrentChannel ? CurrentChannel->Header.Width : 0;
    ProfileHeight = CurrentChannel ? CurrentChannel->Header.Height : 0;
    BufferLength = std::max(ProfileWidth, ProfileHeight) + 1;
    for (auto& b : Buffer)
        b.assign(std::size_t(BufferLength), 0.f);
    // The segment belongs to the window's channel: a stored segment of another grid is
    // brought onto it.
    const TSegment fitted = processing::FitSegment(Segment(), ProfileWidth, ProfileHeight);
    X1 = fitted.X1;
    Y1 = fitted.Y1;
    X2 = fitted.X2;
    Y2 = fitted.Y2;
    ShowCoordinates();

    FillChoosers();
    if (GraphChannel[0])
        for (int i = 0; i < cbFirstGraph->count(); ++i)
            if (cbFirstGraph->itemData(i).toByteArray().toStdString() == GraphChannel[0]->Name) {
                cbFirstGraph->setCurrentIndex(i);
                break;
            }
    cbSecondGraph->setCurrentIndex(0);
    MarginLeft = 40;
    MarginBottom = 20;
    StatusHeight = 20;
    TwoMarkers = false;
    DraggingMarker1 = DraggingMarker2 = DraggingBookmark = false;
    Marker1 = Marker2 = 0;

    WorkBitmap = std::make_unique<platform::TBitmap>();
    Image->Background()->SetSize(Image->width(), Image->height());
    Canvas = Image->Background()->Canvas();
    Bookmarks[0] = std::make_unique<TBookmarks>(0, this, Canvas);
    Bookmarks[1] = std::make_unique<TBookmarks>(1, this, Canvas);
    cbFirstGraphChange(cbFirstGraph);
    SegmentDrag = {};
    DrawSegmentOnView();
}

void TProfileForm::Show()
{
    mdi_->Show();
}

void TProfileForm::Focus()
{
    mdi_->Focus();
}

void TProfileForm::CloseWindow()
{
    mdi_->Close();
}

void TProfileForm::SetCaption(const std::string& caption)
{
    mdi_->SetCaption(caption);
}

void TProfileForm::FormActivate()
{
    if (closed_ || destroying_ || !step_)
        return;
    HookView(true);
    step_->BuildViewMenu();
}

void TProfileForm::FormClose()
{
    btOKClick();
    // A closed window is deleted later, by the event loop or with the workspace, when its
    // step may be gone: it lets go of the step, its view and its data set now.
    LeaveStep();
}

void TProfileForm::closeEvent(QCloseEvent* event)
{
    if (!closed_) {
        closed_ = true;
        FormClose();
        mdi_->FormClosed();
    }
    event->accept();
}

void TProfileForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceComponents();
    FormResize();
}

void TProfileForm::FormResize()
{
    if (!WorkBitmap)
        return;
    platform::TBitmap* background = Image->Background();
    background->SetSize(Image->width(), Image->height());
    platform::TCanvas* c = background->Canvas();
    Image->BeginUpdate();
    SetPen(c, platform::clBlack);
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = platform::clWhite;
    c->Rectangle(0, 0, background->Width(), background->Height());
    Image->EndUpdate();
    Redraw();
}

bool TProfileForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    return mdi_->Key(key, modifiers, Image->Background());
}

void TProfileForm::ShowCoordinates()
{
    x1Edit->SetText(std::to_string(X1));
    y1Edit->SetText(std::to_string(Y1));
    x2Edit->SetText(std::to_string(X2));
    y2Edit->SetText(std::to_string(Y2));
}

void TProfileForm::Update()
{
    ShowCoordinates();
    for (int g = 0; g < 2; ++g) {
        Bookmarks[std::size_t(g)]->ClearAll();
        if (GraphEnabled[std::size_t(g)])
            Sample(g);
    }
    // A graph sampled anew has its tilt again: remove it where the box asks for it.
    for (QCheckBox* box : {cbEliminateTilt1, cbEliminateTilt2}) {
        const int g = box == cbEliminateTilt2 ? 1 : 0;
        if (box->isChecked() && GraphEnabled[std::size_t(g)])
            ApplyTilt(g, true);
    }
    const int last = std::max(PointCount - 1, 0);
    Marker1 = std::clamp(Marker1, 0, last);
    Marker2 = std::clamp(Marker2, 0, last);
    LastMarker = std::clamp(LastMarker, 0, last);
    Redraw();
}

void TProfileForm::FillChoosers()
{
    QSignalBlocker first(cbFirstGraph), second(cbSecondGraph);
    cbFirstGraph->clear();
    cbSecondGraph->clear();
    cbSecondGraph->addItem("None", QByteArray());
    if (!DataSet)
        return;
    for (int c = 0; c < ChannelCount; ++c) {
        const TSPMData* channel = DataSet->Channel(c);
        if (!channel || !DataSet->Present.Contains(c))
            continue;
        const QString text = QString::fromUtf8(platform::Cp1251ToUtf8(channel->Name).c_str());
        const QByteArray name = QByteArray::fromStdString(channel->Name);
        cbFirstGraph->addItem(text, name);
        cbSecondGraph->addItem(text, name);
    }
}

namespace {

//! The channel that a chooser's current item names, null for "None" or an empty chooser.
TSPMData* ChannelNamedBy(const QComboBox* chooser, const TSurfaceData* data, int* slot = nullptr)
{
    const int index = chooser->currentIndex();
    const std::string name =
        index < 0 ? std::string() : chooser->itemData(index).toByteArray().toStdString();
    const int s = (data && !name.empty()) ? data->IndexOfChannel(name) : -1;
    if (slot)
        *slot = s;
    return s < 0 ? nullptr : data->Channel(s);
}

} // namespace

void TProfileForm::RefreshChannels()
{
    if (step_ && step_->SurfaceData.get() != DataSet) {
        TSurfaceData* next = step_->SurfaceData.get();
        if (next)
            next->Acquire();
        if (DataSet)
            DataSet->Release();
        DataSet = next;
    }
    const int first = cbFirstGraph->currentIndex();
    const int second = cbSecondGraph->currentIndex();
    FillChoosers();
    {
        QSignalBlocker b1(cbFirstGraph), b2(cbSecondGraph);
        cbFirstGraph->setCurrentIndex(first >= 0 && first < cbFirstGraph->count() ? first : 0);
        cbSecondGraph->setCurrentIndex(second >= 0 && second < cbSecondGraph->count() ? second : 0);
        if (cbFirstGraph->currentText() == cbSecondGraph->currentText())
            cbSecondGraph->setCurrentIndex(0);
    }
    // A graph whose channel has gone is switched off: no pointer to a freed channel stays.
    GraphChannel[0] = ChannelNamedBy(cbFirstGraph, DataSet);
    GraphEnabled[0] = GraphChannel[0] != nullptr;
    GraphChannel[1] = cbSecondGraph->currentIndex() < 1 ? nullptr : ChannelNamedBy(cbSecondGraph, DataSet);
    GraphEnabled[1] = GraphChannel[1] != nullptr;
    rbActivate1->setEnabled(GraphEnabled[0]);
    rbActivate2->setEnabled(GraphEnabled[1]);
    const int other = 1 - ActiveGraph;
    if (!GraphEnabled[std::size_t(ActiveGraph)] && GraphEnabled[std::size_t(other)]) {
        ActiveGraph = static_cast<std::int16_t>(other);
        (other ? rbActivate2 : rbActivate1)->setChecked(true);
    }

    if (step_) {
        std::string caption = windowTitle().toUtf8().toStdString();
        const auto hash = caption.rfind('#');
        if (hash != std::string::npos) {
            caption = caption.substr(0, hash + 1) + std::to_string(step_->StepNumber);
            SetCaption(caption);
        }
    }
    Update();
}

// =====================================================================================
// Graph controls

void TProfileForm::cbFirstGraphChange(QComboBox* sender)
{
    const int g = sender == cbSecondGraph ? 1 : 0;
    int slot = -1;
    TSPMData* channel = ChannelNamedBy(sender, DataSet, &slot);
    if (slot >= 0 && !(DataSet && DataSet->Present.Contains(slot)))
        return;
    if (cbFirstGraph->currentText() == cbSecondGraph->currentText()) {
        // Both would show one channel: the sender steps to its neighbour.
        const int index = sender->currentIndex();
        const int next = index > 0 ? index - 1 : index + 1;
        if (next < sender->count()) {
            QSignalBlocker block(sender);
            sender->setCurrentIndex(next);
        }
        channel = ChannelNamedBy(sender, DataSet, &slot);
    }
    QRadioButton* own = g ? rbActivate2 : rbActivate1;
    QRadioButton* other = g ? rbActivate1 : rbActivate2;
    QRadioButton* passed = own;
    if (channel) {
        own->setEnabled(true);
        own->setChecked(true);
        GraphChannel[std::size_t(g)] = channel;
        Sample(g);
        // A graph sampled anew has its tilt again.
        if ((g ? cbEliminateTilt2 : cbEliminateTilt1)->isChecked())
            ApplyTilt(g, true);
        GraphEnabled[std::size_t(g)] = true;
    } else {
        other->setChecked(true);
        own->setEnabled(false);
        GraphEnabled[std::size_t(g)] = false;
        passed = other;
    }
    rbActivate1Click(passed);
    Redraw();
}

void TProfileForm::Activate(int g)
{
    Image->BeginUpdate();
    DrawMarker1();
    DrawMarker2();
    ActiveGraph = static_cast<std::int16_t>(g);
    {
        QRadioButton* radio = g ? rbActivate2 : rbActivate1;
        if (!radio->isChecked()) {
            QSignalBlocker block(radio);
            radio->setChecked(true);
        }
    }
    DrawMarker1();
    DrawMarker2();
    DrawStatusLine();
    PaintSwatches();
    Image->EndUpdate();
}

void TProfileForm::rbActivate1Click(QRadioButton* sender)
{
    const int g = sender == rbActivate2 ? 1 : 0;
    if (GraphEnabled[std::size_t(g)])
        Activate(g);
}

void TProfileForm::PhaseImageDblClick(QObject* sender)
{
    const std::size_t g = sender == PhaseImage ? 1 : 0;
    ColorDialog.Color = GraphColor[g];
    if (!platform::ColorDialogs().Run(ColorDialog))
        return;
    GraphColor[g] = ColorDialog.Color & 0xFFFFFF;
    Redraw();
    PaintSwatches();
}

void TProfileForm::PhaseImageMouseUp(QObject* sender, platform::TMouseButton, platform::TShiftState,
                                     int, int)
{
    const int g = sender == PhaseImage ? 1 : 0;
    if (!GraphEnabled[std::size_t(g)])
        return;
    QRadioButton* radio = g ? rbActivate2 : rbActivate1;
    radio->setChecked(true);
    rbActivate1Click(radio);
}

void TProfileForm::cbNormalize1Click()
{
    Redraw();
    Bookmarks[0]->Relabel();
}

void TProfileForm::cbNormalize2Click()
{
    Redraw();
    Bookmarks[1]->Relabel();
}

void TProfileForm::ApplyTilt(int g, bool on)
{
    const std::size_t k = std::size_t(g);
    const int n = std::clamp(PointCount, 0, BufferLength);
    CurrentBuffer = Buffer[k].data();
    if (on) {
        TiltedSamples[k].assign(Buffer[k].begin(), Buffer[k].begin() + n);
        processing::EliminateTilt(Buffer[k].data(), n, Slope[k]);
        SavedSlope[k] = Slope[k];
        Slope[k] = 0;
    } else {
        Slope[k] = SavedSlope[k];
        if (int(TiltedSamples[k].size()) == n) {
            // The samples exactly as they were before the tilt went.
            std::copy(TiltedSamples[k].begin(), TiltedSamples[k].end(), Buffer[k].begin());
        } else {
            for (int i = 0; i < n; ++i)
                Buffer[k][std::size_t(i)] = static_cast<float>(Buffer[k][std::size_t(i)] + i * Slope[k]);
        }
        TiltedSamples[k].clear();
    }
    const processing::TProfileRange range = processing::ProfileRange(Buffer[k].data(), n);
    GraphMin[k] = range.Min;
    GraphMax[k] = range.Max;
}

void TProfileForm::cbEliminateTilt1Click(QCheckBox* sender)
{
    ApplyTilt(sender == cbEliminateTilt2 ? 1 : 0, sender->isChecked());
    Redraw();
}

void TProfileForm::rbTwoMarkersClick()
{
    SetTwoMarkers(rbTwoMarkers->isChecked());
}

void TProfileForm::SetTwoMarkers(bool on)
{
    Image->BeginUpdate();
    DrawMarker2();
    TwoMarkers = on;
    DrawMarker2();
    Image->EndUpdate();
}

void TProfileForm::btBookmarkClick()
{
    TBookmarks& marks = *Bookmarks[std::size_t(ActiveGraph)];
    if (PointCount < 1 || !GraphEnabled[std::size_t(ActiveGraph)])
        return;
    LastMarker = std::clamp(LastMarker, 0, PointCount - 1);
    marks.DrawMark(marks.Add(LastMarker));
}

void TProfileForm::btnCalibrateClick()
{
    const TBookmarks& marks = *Bookmarks[std::size_t(ActiveGraph)];
    if (marks.Count() < 2)
        return;
    std::vector<int> indexes;
    for (int i = 0; i < marks.Count(); ++i)
        indexes.push_back(marks.Items(i)->PointIndex);
    TFCalibrateLength dialog(this);
    dialog.Fraction = processing::MarkSpacingFraction(indexes, PointCount);
    platform::ExecModal(dialog);
}

void TProfileForm::btCloseClick()
{
    // Closing hides the pane, which erases the segment from the view once.
    CloseWindow();
}

// =====================================================================================
// Sampling and drawing

int TProfileForm::GraphHeight() const
{
    return std::max(Image->height() - StatusHeight, 0);
}

int TProfileForm::PixelRowOf(double u) const
{
    return processing::PixelCoordinate(GraphHeight() - MarginBottom - u * ZPixelsPerUnit);
}

void TProfileForm::Sample(int g)
{
    const std::size_t k = std::size_t(g);
    CurrentChannel = GraphChannel[k];
    CurrentBuffer = Buffer[k].data();
    int n = 0;
    if (CurrentChannel && BufferLength > 0) {
        CurrentChannel->Lock();
        const processing::TMatrixView matrix{CurrentChannel->GetData(), CurrentChannel->Header.Width,
                                             CurrentChannel->Header.Height, CurrentChannel->Header.Min};
        n = processing::SampleProfile(matrix, Segment(), CurrentBuffer, BufferLength);
        CurrentChannel->Unlock();
    }
    if (n < 1) {
        // Nothing to read: one zero sample rather than a read past the buffer.
        n = 1;
        if (!Buffer[k].empty())
            Buffer[k][0] = 0;
    }
    PointCount = n;
    const processing::TProfileRange range = processing::ProfileRange(CurrentBuffer, n);
    GraphMin[k] = range.Min;
    GraphMax[k] = range.Max;
    const processing::TProfileLine line = processing::FitProfileLine(CurrentBuffer, n);
    Slope[k] = line.Slope;
    Intercept[k] = line.Intercept;
    TiltedSamples[k].clear();
}

double TProfileForm::GraphValue(int g, int i) const
{
    const std::size_t k = std::size_t(g);
    if (i < 0 || std::size_t(i) >= Buffer[k].size())
        return 0;
    const bool normalised = (g ? cbNormalize2 : cbNormalize1)->isChecked();
    return normalised ? Buffer[k][std::size_t(i)] - GraphMin[k] : Buffer[k][std::size_t(i)];
}

float TProfileForm::GraphSpan(int g) const
{
    const std::size_t k = std::size_t(g);
    const bool normalised = (g ? cbNormalize2 : cbNormalize1)->isChecked();
    const float span = static_cast<float>(normalised ? GraphMax[k] - GraphMin[k] : GraphMax[k]);
    return span == 0 ? 1.f : span;
}

void TProfileForm::Redraw()
{
    if (!WorkBitmap)
        return;
    CurrentChannel = GraphChannel[0] ? GraphChannel[0] : GraphChannel[1];
    const int w = Image->width();
    const int h = GraphHeight();
    WorkBitmap->SetSize(w, h);
    const int n = PointCount;
    PixelsPerPoint = n > 1 ? double(w - 2 * MarginLeft) / (n - 1) : 0;

    platform::TCanvas* c = WorkBitmap->Canvas();
    SetPen(c, platform::clBlack);
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = platform::clWhite;
    c->Rectangle(0, 0, w, h);

    SetPen(c, platform::clGray);
    c->MoveTo(MarginLeft, h - MarginBottom);
    c->LineTo(w - MarginLeft, h - MarginBottom);
    SetFont(c, 8, true, platform::clBlack);
    c->TextOut(w - MarginLeft / 2, h - MarginBottom + 3, "X");

    // The distance axis in micrometres.
    const double xStep = CurrentChannel ? CurrentChannel->Header.XStep : 0;
    const double yStep = CurrentChannel ? CurrentChannel->Header.YStep : 0;
    LengthPerPoint = n > 1 ? std::hypot((double(X2) - X1) * xStep, (double(Y2) - Y1) * yStep) / (n - 1) : 0;
    const double length = (n - 1) * LengthPerPoint * 0.001;
    const double perMicrometre = length > 0 ? (w - 2 * MarginLeft) / length : 0;
    const double tick = processing::ProfileTickStep(length, w - 2 * MarginLeft);
    SetFont(c, 7, false, platform::clBlack);
    if (tick > 0) {
        int drawn = 0;
        for (double v = 0; v < length && drawn < 10000; v += tick, ++drawn) {
            const int x = processing::PixelCoordinate(MarginLeft + v * perMicrometre);
            c->MoveTo(x, h - MarginBottom);
            c->LineTo(x, h - MarginBottom - 5);
            const std::string label = platform::FormatText("%4.1f", v);
            c->TextOut(x - 2 * int(label.size()), h - 16, label);
        }
    }
    for (int g = 0; g < 2; ++g)
        if (GraphEnabled[std::size_t(g)])
            DrawGraph(g);
    PaintPicture();
}

void TProfileForm::DrawGraph(int g)
{
    const std::size_t k = std::size_t(g);
    TSPMData* channel = GraphChannel[k];
    if (!channel || !WorkBitmap)
        return;
    CurrentChannel = channel;
    CurrentBuffer = Buffer[k].data();
    CurrentTop = GraphMax[k];
    const bool normalised = (g ? cbNormalize2 : cbNormalize1)->isChecked();
    if (normalised) {
        Offset[k] = static_cast<float>(-GraphMin[k]);
        Base = GraphMin[k];
    } else {
        Offset[k] = static_cast<float>(channel->Header.Min);
        Base = 0;
    }
    const int w = WorkBitmap->Width();
    const int h = WorkBitmap->Height();
    const int bottom = h - MarginBottom;
    ZPixelsPerUnit = (h - MarginBottom - 40) / double(GraphSpan(g));
    const bool right = g == 1 && GraphEnabled[0] && GraphEnabled[1];
    const int xa = right ? w - MarginLeft : MarginLeft;
    const platform::TColor colour = GraphColor[k];

    platform::TCanvas* c = WorkBitmap->Canvas();
    SetPen(c, colour);
    c->MoveTo(xa, 35);
    c->LineTo(xa, bottom);
    SetFont(c, 8, true, colour);
    const std::string title = "Z, " + ZUnitOf(channel);
    c->TextOut(right ? xa - 10 : xa - 5 - 6 * int(title.size()), MarginBottom / 2, title);

    SetFont(c, 7, false, colour);
    const double zScale = channel->Header.ZScale;
    const auto labels = processing::HeightLabels((Base + Offset[k]) * zScale,
                                                 ((CurrentTop + Base) * 0.5 + Offset[k]) * zScale,
                                                 (GraphMax[k] + Offset[k]) * zScale);
    const double span = GraphSpan(g);
    const int rows[3] = {bottom - 6, PixelRowOf(span * 0.5) - 8, PixelRowOf(span) - 10};
    for (int i = 0; i < 3; ++i) {
        const std::string& text = labels[std::size_t(i)];
        c->TextOut(right ? xa + 5 : xa - 5 - 4 * int(text.size()), rows[i], text);
    }
    for (int i = 0; i <= 10; ++i) {
        const int y = processing::PixelCoordinate(bottom - i * (h - MarginBottom - 40) * 0.1);
        c->MoveTo(xa, y);
        c->LineTo(xa + 5, y);
    }
    if ((g ? cbShowMidLine2 : cbShowMidLine1)->isChecked()) {
        const double at0 = Intercept[k] + (normalised ? Offset[k] : 0);
        c->MoveTo(MarginLeft, PixelRowOf(at0));
        c->LineTo(w - MarginLeft, processing::PixelCoordinate(bottom - PointCount * Slope[k] * ZPixelsPerUnit -
                                                              at0 * ZPixelsPerUnit));
    }
    std::vector<platform::TPoint> points;
    points.reserve(std::size_t(std::max(PointCount, 0)));
    for (int i = 0; i < PointCount; ++i)
        points.push_back({processing::PixelCoordinate(MarginLeft + i * PixelsPerPoint),
                          PixelRowOf(GraphValue(g, i))});
    if (points.size() == 1)
        points.push_back({points[0].x + 1, points[0].y}); // one sample still shows
    c->Polyline(points);
}

void TProfileForm::PaintPicture()
{
    if (!WorkBitmap || !Canvas)
        return;
    Image->BeginUpdate();
    SetPen(Canvas, platform::clBlack);
    Canvas->Draw(0, 0, WorkBitmap.get());
    for (int g = 0; g < 2; ++g)
        if (GraphEnabled[std::size_t(g)])
            Bookmarks[std::size_t(g)]->DrawAll();
    DrawMarker1();
    DrawMarker2();
    DrawStatusLine();
    Image->EndUpdate();
}

void TProfileForm::PaintSwatches()
{
    for (std::size_t g = 0; g < 2; ++g) {
        TZtImage* s = Swatch[g];
        if (!s)
            continue;
        platform::TBitmap* picture = s->Background();
        picture->SetSize(s->width(), s->height());
        platform::TCanvas* c = picture->Canvas();
        SetPen(c, platform::clBlack);
        c->Brush.Style = platform::bsSolid;
        c->Brush.Color = GraphColor[g];
        c->Rectangle(0, 0, picture->Width(), picture->Height());
        s->Display();
    }
}

namespace {

//! The marker as an XOR figure: a circle on the axis and a line up to the graph.
void MarkerFigure(platform::TCanvas* c, platform::TColor colour, int x, int axisY, int valueY)
{
    SetPen(c, colour, platform::pmXor);
    const platform::TBrushStyle brush = c->Brush.Style;
    c->Brush.Style = platform::bsClear;
    c->Ellipse(x - 4, axisY - 4, x + 4, axisY + 4);
    c->MoveTo(x, axisY - 4);
    c->LineTo(x, valueY);
    c->Pen.Mode = platform::pmCopy;
    c->Brush.Style = brush;
}

} // namespace

void TProfileForm::DrawMarker1()
{
    const std::size_t a = std::size_t(ActiveGraph);
    if (!Canvas || !(GraphEnabled[0] || GraphEnabled[1]) || !GraphEnabled[a])
        return;
    const int h = GraphHeight();
    ZPixelsPerUnit = (h - MarginBottom - 40) / double(GraphSpan(ActiveGraph));
    const int x = processing::PixelCoordinate(MarginLeft + Marker1 * PixelsPerPoint);
    MarkerFigure(Canvas, 0xFF00FF, x, h - MarginBottom, PixelRowOf(GraphValue(ActiveGraph, Marker1)));
}

void TProfileForm::DrawMarker2()
{
    const std::size_t a = std::size_t(ActiveGraph);
    if (!Canvas || !TwoMarkers || !(GraphEnabled[0] || GraphEnabled[1]) || !GraphEnabled[a])
        return;
    const int h = GraphHeight();
    ZPixelsPerUnit = (h - MarginBottom - 40) / double(GraphSpan(ActiveGraph));
    const int x = processing::PixelCoordinate(MarginLeft + Marker2 * PixelsPerPoint);
    MarkerFigure(Canvas, 0xFFFF00, x, h - MarginBottom, PixelRowOf(GraphValue(ActiveGraph, Marker2)));
}

std::string TProfileForm::StatusLineText()
{
    const std::size_t a = std::size_t(ActiveGraph);
    const std::size_t o = 1 - a;
    CurrentChannel = GraphChannel[a];
    const auto sampleAt = [&](std::size_t g, int i) -> double {
        return i >= 0 && std::size_t(i) < Buffer[g].size() ? Buffer[g][std::size_t(i)] : 0.0;
    };
    const auto zOf = [&](std::size_t g) {
        const double scale = ZScaleOf(GraphChannel[g]);
        if (TwoMarkers)
            return std::fabs(std::trunc(sampleAt(g, Marker1) - sampleAt(g, Marker2))) * scale;
        return (sampleAt(g, Marker1) + Offset[g]) * scale;
    };
    processing::TProfileStatus s;
    s.Segment = Segment();
    s.AnyGraph = GraphEnabled[0] || GraphEnabled[1];
    s.ChannelName = ChannelSlotName(CurrentChannel);
    s.XYUnit = XYUnitOf(CurrentChannel);
    s.ZUnit = ZUnitOf(CurrentChannel);
    s.X = (TwoMarkers ? std::abs(Marker1 - Marker2) : Marker1) * LengthPerPoint;
    s.Z = zOf(a);
    s.OtherShown = GraphEnabled[o];
    s.OtherZ = zOf(o);
    s.OtherZUnit = ZUnitOf(GraphChannel[o]);
    s.MidLine1 = GraphEnabled[0] && cbShowMidLine1->isChecked();
    s.MidLine1Z = (Intercept[0] + Offset[0]) * ZScaleOf(GraphChannel[0]);
    s.MidLine1Unit = ZUnitOf(GraphChannel[0]);
    s.MidLine2 = GraphEnabled[1] && cbShowMidLine2->isChecked();
    s.MidLine2Z = (Intercept[1] + Offset[1]) * ZScaleOf(GraphChannel[1]);
    s.MidLine2Unit = ZUnitOf(GraphChannel[1]);
    return processing::ProfileStatusText(s);
}

void TProfileForm::DrawStatusLine()
{
    if (!Canvas)
        return;
    const std::string text = StatusLineText();
    const int w = Image->width();
    const int h = Image->height();
    Image->BeginUpdate();
    SetPen(Canvas, platform::clBlack);
    Canvas->Brush.Style = platform::bsSolid;
    Canvas->Brush.Color = platform::clWhite;
    Canvas->Rectangle(0, h - StatusHeight - 1, w, h);
    Canvas->TextOut(3, h - StatusHeight + 3, text);
    Image->EndUpdate();
}

// =====================================================================================
// The mouse on the picture

void TProfileForm::FormMouseDown(QObject*, platform::TMouseButton button, platform::TShiftState,
                                 int x, int y)
{
    for (int g = 0; g < 2; ++g)
        if (Bookmarks[std::size_t(g)]->HitTest(button, x, y)) {
            if (ActiveGraph != g)
                Activate(g);
            DraggingBookmark = true;
            return;
        }
    const double p = PixelsPerPoint > 0 ? std::trunc((x - MarginLeft) / PixelsPerPoint) : 0;
    const double d = y - (GraphHeight() - MarginBottom);
    if ((p - Marker1) * (p - Marker1) + d * d <= 16)
        DraggingMarker1 = true;
    else if (TwoMarkers && (p - Marker2) * (p - Marker2) + d * d <= 16)
        DraggingMarker2 = true;
}

void TProfileForm::MoveMarker(int which, int q)
{
    Image->BeginUpdate();
    const auto draw = which == 1 ? &TProfileForm::DrawMarker1 : &TProfileForm::DrawMarker2;
    (this->*draw)();
    DrawSegmentOnView();
    (which == 1 ? Marker1 : Marker2) = std::clamp(q, 0, std::max(PointCount - 1, 0));
    DrawSegmentOnView();
    (this->*draw)();
    DrawStatusLine();
    Image->EndUpdate();
}

void TProfileForm::FormMouseMove(QObject*, platform::TShiftState shift, int x, int y)
{
    if (DraggingBookmark) {
        Bookmarks[std::size_t(ActiveGraph)]->DragTo(x, y);
        PaintPicture();
        return;
    }
    if (!shift.Contains(platform::ssLeft) || !(DraggingMarker1 || DraggingMarker2))
        return;
    // The nearest point; a half goes down.
    int q = 0;
    if (PixelsPerPoint > 0) {
        const double p = (x - MarginLeft) / PixelsPerPoint;
        q = processing::PixelCoordinate(p) + (p - std::trunc(p) > 0.5 ? 1 : 0);
    }
    if (DraggingMarker1)
        MoveMarker(1, q);
    if (DraggingMarker2)
        MoveMarker(2, q);
}

void TProfileForm::FormMouseUp(QObject*, platform::TMouseButton button, platform::TShiftState, int x,
                               int y)
{
    if (button == platform::mbRight) {
        if (DraggingBookmark) {
            if (Bookmarks[std::size_t(ActiveGraph)]->DeleteAt(x, y))
                PaintPicture();
        } else if (GraphEnabled[std::size_t(1 - ActiveGraph)]) {
            Activate(1 - ActiveGraph);
        }
    }
    if (DraggingMarker1)
        LastMarker = Marker1;
    if (DraggingMarker2)
        LastMarker = Marker2;
    DraggingMarker1 = DraggingMarker2 = DraggingBookmark = false;
}

// =====================================================================================
// The segment on the 2-D view

TView2DForm* TProfileForm::View() const
{
    return ChannelViewOf(step_, Channel);
}

bool TProfileForm::PaneVisible() const
{
    return !CoordinatesPanel->isHidden();
}

void TProfileForm::btCoordinatesClick()
{
    CoordinatesPanel->show();
    if (!View() && step_)
        step_->ShowChannelView(Channel);
    // Whoever holds the view lets it go before this window takes it.
    HookView(true);
    DrawSegmentOnView();
}

void TProfileForm::btOKClick()
{
    DrawSegmentOnView(); // erases the overlay while the pane is still visible
    CoordinatesPanel->hide();
    HookView(false);
    if (step_)
        step_->ProfileSegment = {X1, Y1, X2, Y2};
}

void TProfileForm::CBShowMarkersOn2DClick()
{
    DrawSegmentOnView();
    ShowMarkersOn2D = CBShowMarkersOn2D->isChecked();
    DrawSegmentOnView();
}

void TProfileForm::x1EditKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers)
{
    EnterMovesFocusOn(sender, key);
}

void TProfileForm::x1EditKeyPress(QObject*, char& key)
{
    if (!((key >= '0' && key <= '9') || key == 8 || key == 13 || key == 27))
        key = 0;
}

void TProfileForm::x1EditExit() { CoordinateExit(x1Edit, processing::TEndCoordinate::X1); }
void TProfileForm::y1EditExit() { CoordinateExit(y1Edit, processing::TEndCoordinate::Y1); }
void TProfileForm::x2EditExit() { CoordinateExit(x2Edit, processing::TEndCoordinate::X2); }
void TProfileForm::y2EditExit() { CoordinateExit(y2Edit, processing::TEndCoordinate::Y2); }

void TProfileForm::CoordinateExit(TToolEdit* box, processing::TEndCoordinate which)
{
    const auto v = LeftCoordinate(box, which, Segment(), ProfileWidth, ProfileHeight,
                                  TNotANumber::ConversionError);
    if (!v)
        return;
    using E = processing::TEndCoordinate;
    Grip.Redraw([&] {
        (which == E::X1 ? X1 : which == E::Y1 ? Y1 : which == E::X2 ? X2 : Y2) = *v;
        Update();
    });
}

void TProfileForm::HookView(bool on)
{
    if (on)
        Grip.Take();
    else
        Grip.Release();
}

void TProfileForm::ViewMouseDown(QObject*, platform::TMouseButton, platform::TShiftState, int x, int y)
{
    Grip.MouseDown(x, y);
}

void TProfileForm::SetSegment(const TSegment& s)
{
    X1 = s.X1;
    Y1 = s.Y1;
    X2 = s.X2;
    Y2 = s.Y2;
}

void TProfileForm::ViewMouseMove(QObject*, platform::TShiftState shift, int x, int y)
{
    Grip.MouseMove(shift, x, y);
}

void TProfileForm::ViewMouseUp(QObject*, platform::TMouseButton, platform::TShiftState, int, int)
{
    Grip.MouseUp();
}

void TProfileForm::ViewRepainted(QObject*)
{
    Grip.Repainted();
}

void TProfileForm::ViewToolChanged(QWidget* window)
{
    // Another window took the view: the segment goes from it and the pane hides.
    Grip.ToolChanged(window);
}

void TProfileForm::DrawSegmentOnView()
{
    Grip.Draw();
}

void TProfileForm::PaintSegment(TViewOverlay& overlay, const processing::TGridMapping& mapping)
{
    const processing::TGridPoint p1 = mapping.PixelOf(X1, Y1);
    const processing::TGridPoint p2 = mapping.PixelOf(X2, Y2);
    overlay.Line(p1, p2);
    overlay.Handle(p1);
    overlay.Handle(p2);
    if (!ShowMarkersOn2D)
        return;
    const TSegment sampling = processing::SamplingOrder(Segment());
    const auto square = [&](int marker) {
        const processing::TGridPoint g = processing::MarkerGridPoint(marker, PointCount, sampling);
        const processing::TGridPoint p = mapping.PixelOf(g.Column, g.Row);
        overlay.Canvas()->Rectangle(p.Column - 3, p.Row - 3, p.Column + 3, p.Row + 3);
    };
    if (processing::MarkerSquareShown(Marker1, PointCount))
        square(Marker1);
    if (processing::MarkerSquareShown(Marker2, PointCount) && Marker2 != Marker1)
        square(Marker2);
}

// =====================================================================================

void TProfileForm::SavePicture(const std::string& path)
{
    SaveProfilePicture(this, path);
}

void TProfileForm::SaveReport(const std::string& path)
{
    WriteProfileReport(this, path);
}

void SaveProfilePicture(TProfileForm* window, const std::string& fileName)
{
    if (!window->Image->Background()->SaveToFile(fileName))
        platform::ShowError("Error write file");
}

TStepWindow* NewProfileWindow(TObjectSPM* step, QMdiArea* area)
{
    if (!step || !step->SurfaceData)
        return nullptr;
    const int channel = step->CurrentChannel();
    if (!step->SurfaceData->Channel(channel))
        return nullptr;
    const TRect32 s = step->ProfileSegment;
    auto* window = new TProfileForm(step, channel, s.Left, s.Top, s.Right, s.Bottom, area);
    window->Show();
    return window;
}
