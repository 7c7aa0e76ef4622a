#include "views/ViewLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "views/PaletteMarkerEditor.h"
#include "views/View2D.h"
#include "views/ViewHost.h"
#include "components/ZtImage.h"
#include "data/ObjectSPM.h"
#include "data/Surfacedata.h"
#include "platform/core/Dialogs.h"
#include "platform/core/Text.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/TiledPaint.h"

TViewLayoutForm* ViewLayoutForm = nullptr;

namespace {

constexpr double Pi = 3.141592653589793;

QSlider* NewBar(QWidget* owner, const char* name, int min, int max, int position, int page, int ticks)
{
    auto* bar = new QSlider(Qt::Horizontal, owner);
    bar->setObjectName(name);
    bar->setRange(min, max);
    bar->setValue(position);
    bar->setPageStep(page);
    bar->setTickInterval(ticks);
    bar->setTickPosition(QSlider::TicksBelow);
    return bar;
}

TZtImage* NewPicture(QWidget* owner, const char* name, int width, int height)
{
    auto* image = new TZtImage(owner);
    image->setObjectName(name);
    image->setFixedSize(width, height);
    image->Background()->SetSize(width, height);
    image->SetAutoRefresh(true);
    image->Loaded();
    return image;
}

QCheckBox* NewCheck(QWidget* owner, const char* name, const char* caption)
{
    auto* box = new QCheckBox(QString::fromUtf8(caption), owner);
    box->setObjectName(name);
    return box;
}

QComboBox* NewChooser(QWidget* owner, const char* name, const QStringList& items)
{
    auto* box = new QComboBox(owner);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

//! An empty page of `tabs` with its tab.
QWidget* NewPage(QTabWidget* tabs, const char* name, const char* caption)
{
    auto* page = new QWidget(tabs);
    page->setObjectName(name);
    tabs->addTab(page, caption);
    return page;
}

double Radians(double degrees)
{
    return degrees * 3.141592653589793 * 0.005555555555555556;
}

void Swatch(TZtImage* image, platform::TColor colour)
{
    platform::TCanvas* c = image->Background()->Canvas();
    c->Pen = platform::TPen{platform::clBlack};
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = colour;
    c->Rectangle(0, 0, image->Background()->Width(), image->Background()->Height());
}

//! The point of a dial: a blue circle of radius 4 filled black, after a red line to it.
void DialHand(platform::TCanvas* c, int fromX, int fromY, int x, int y)
{
    c->Pen = platform::TPen{platform::clRed};
    c->MoveTo(fromX, fromY);
    c->LineTo(x, y);
    c->Pen = platform::TPen{platform::clBlue};
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = platform::clBlack;
    c->Ellipse(x - 4, y - 4, x + 4, y + 4);
}

}  // namespace

TViewLayoutForm::TViewLayoutForm(QWidget* owner) : QWidget(owner)
{
    setObjectName("ViewLayoutForm");
    setWindowTitle("View layout");
    setMinimumSize(237, 389);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl = new platform::TTiledTabWidget(this);
    PageControl->setObjectName("PageControl");
    layout->addWidget(PageControl);
    BuildGeneralPage();
    // The pages behind the first are filled when a step is first attached: until then the
    // page control is disabled and none of them can be shown.
    TS3D = NewPage(PageControl, "TS3D", "3D View");
    tsPalette = new TPaletteMarkerEditor(PageControl);
    tsPalette->setObjectName("tsPalette");
    PageControl->addTab(tsPalette, "Palette");
    tsColors = NewPage(PageControl, "tsColors", "Colors");
    tsShow = NewPage(PageControl, "tsShow", "Show");
    PageControl->setEnabled(false);
    // FormCreate: the pictures at the size of their images, the swatches and dials drawn.
    DrawPolarDial();
    DrawTiltDial();
    DrawRuler();
}

TViewLayoutForm::~TViewLayoutForm()
{
    if (IViewHost* host = ViewHost())
        host->ViewLayoutGone();
    if (ViewLayoutForm == this)
        ViewLayoutForm = nullptr;
}

void TViewLayoutForm::BuildGeneralPage()
{
    tsGeneral = new QWidget(PageControl);
    tsGeneral->setObjectName("tsGeneral");
    auto* page = new QVBoxLayout(tsGeneral);
    auto* group = new platform::TTiledGroupBox(" Light ", tsGeneral);
    group->setObjectName("GroupBoxLight");
    auto* grid = new QGridLayout(group);
    cbLight = NewCheck(group, "cbLight", "Enable &light");
    cbAutoApply = NewCheck(group, "cbAutoApply", "&Apply automatically");
    cbAutoApply->setChecked(true);
    btApply = new QPushButton("&Apply", group);
    btApply->setObjectName("btApply");
    grid->addWidget(cbLight, 0, 0);
    grid->addWidget(cbAutoApply, 1, 0);
    grid->addWidget(btApply, 1, 1);
    grid->addWidget(new QLabel("Polar angle:", group), 2, 0);
    grid->addWidget(new QLabel("Tilt angle:", group), 2, 1);
    ImageFi = NewPicture(group, "ImageFi", 100, 100);
    ImageAlfa = NewPicture(group, "ImageAlfa", 100, 100);
    grid->addWidget(ImageFi, 3, 0);
    grid->addWidget(ImageAlfa, 3, 1);
    tbAngleFi = NewBar(group, "tbAngleFi", 0, 360, 0, 45, 45);
    tbAngleAlfa = NewBar(group, "tbAngleAlfa", 0, 90, 0, 30, 10);
    grid->addWidget(tbAngleFi, 4, 0);
    grid->addWidget(tbAngleAlfa, 4, 1);
    auto ends = [group](const char* low, const char* high) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(low, group));
        row->addStretch();
        row->addWidget(new QLabel(high, group));
        return row;
    };
    grid->addLayout(ends("0", "360"), 5, 0);
    grid->addLayout(ends("0", "90"), 5, 1);
    eAngleFi = new QLineEdit("000", group);
    eAngleFi->setObjectName("eAngleFi");
    eAngleFi->setMaxLength(3);
    eAngleAlfa = new QLineEdit("00", group);
    eAngleAlfa->setObjectName("eAngleAlfa");
    eAngleAlfa->setMaxLength(2);
    grid->addWidget(eAngleFi, 6, 0);
    grid->addWidget(eAngleAlfa, 6, 1);
    page->addWidget(group);
    page->addStretch();
    PageControl->addTab(tsGeneral, "General");

    connect(cbLight, &QCheckBox::toggled, this, [this] { cbLightClick(); });
    connect(btApply, &QPushButton::clicked, this, [this] { btApplyClick(); });
    connect(tbAngleFi, &QSlider::valueChanged, this, [this] { tbAngleFiChange(); });
    connect(tbAngleAlfa, &QSlider::valueChanged, this, [this] { tbAngleAlfaChange(); });
    eAngleFi->installEventFilter(this);
    eAngleAlfa->installEventFilter(this);
}

void TViewLayoutForm::BuildLaterPages()
{
    if (laterPagesBuilt_)
        return;
    laterPagesBuilt_ = true;
    Build3DPage();
    BuildColorsPage();
    BuildShowPage();
}

void TViewLayoutForm::Build3DPage()
{
    auto* page = new QVBoxLayout(TS3D);
    auto* scale = new platform::TTiledGroupBox(" Scale ", TS3D);
    scale->setObjectName("GroupBoxView3D");
    auto* grid = new QGridLayout(scale);
    tbScaleXY = NewBar(scale, "tbScaleXY", 10, 100, 10, 20, 10);
    tbScaleZ = NewBar(scale, "tbScaleZ", 1, 100, 1, 10, 10);
    tbZoom = NewBar(scale, "tbZoom", 2, 30, 10, 5, 5);
    grid->addWidget(new QLabel("Scale XY", scale), 0, 0);
    grid->addWidget(tbScaleXY, 0, 1);
    grid->addWidget(new QLabel("Scale Z", scale), 1, 0);
    grid->addWidget(tbScaleZ, 1, 1);
    grid->addWidget(new QLabel("Distance", scale), 2, 0);
    grid->addWidget(tbZoom, 2, 1);
    page->addWidget(scale);
    auto* skin = new platform::TTiledGroupBox(" Skin ", TS3D);
    skin->setObjectName("GBSkin");
    auto* row = new QHBoxLayout(skin);
    CBSkins = new QComboBox(skin);
    CBSkins->setObjectName("CBSkins");
    row->addWidget(CBSkins, 1);
    row->addWidget(new QLabel("over topography", skin));
    page->addWidget(skin);
    cbEnablePhase = NewCheck(TS3D, "cbEnablePhase", "Apply &phase to 3D");
    cbEnablePhase->setVisible(false);
    page->addWidget(cbEnablePhase);
    page->addStretch();

    connect(tbScaleXY, &QSlider::valueChanged, this, [this] { tbScaleXYChange(); });
    connect(tbScaleZ, &QSlider::valueChanged, this, [this] { tbScaleZChange(); });
    connect(tbZoom, &QSlider::valueChanged, this, [this] { tbZoomChange(); });
    connect(CBSkins, QOverload<int>::of(&QComboBox::activated), this, [this] { CBSkinsChange(); });
}

void TViewLayoutForm::BuildColorsPage()
{
    auto* page = new QVBoxLayout(tsColors);
    auto* group = new platform::TTiledGroupBox(" Color ", tsColors);
    group->setObjectName("GroupBoxBkColor");
    auto* grid = new QGridLayout(group);
    struct Row {
        const char* caption;
        TZtImage** swatch;
        const char* swatchName;
        QPushButton** button;
        const char* buttonName;
        const char* buttonCaption;
        void (TViewLayoutForm::*handler)();
    };
    const Row rows[] = {
        {"2D background:", &bkImage2D, "bkImage2D", &btColor2D, "btColor2D", "Change", &TViewLayoutForm::btColor2DClick},
        {"3D background:", &bkImage3D, "bkImage3D", &btColor3D, "btColor3D", "Change", &TViewLayoutForm::btColor3DClick},
        {"Grid:", &ImageGrid, "ImageGrid", &btColorGrid, "btColorGrid", "Change", &TViewLayoutForm::btColorGridClick},
        {"Lateral face:", &ImageLateralFace, "ImageLateralFace", &btColorLateralFace, "btColorLateralFace",
         "Change", &TViewLayoutForm::btColorLateralFaceClick},
        {"Axis:", &ImageAxis, "ImageAxis", &btColorAxis, "btColorAxis", "Change", &TViewLayoutForm::btColorAxisClick},
        {"Info text:", &ImageInfoText, "ImageInfoText", &btFontInfoText, "btFontInfoText", "Change &Font",
         &TViewLayoutForm::btFontInfoTextClick},
    };
    int line = 0;
    for (const Row& row : rows) {
        grid->addWidget(new QLabel(row.caption, group), line, 0);
        *row.swatch = NewPicture(group, row.swatchName, 30, 15);
        grid->addWidget(*row.swatch, line, 1);
        *row.button = new QPushButton(row.buttonCaption, group);
        (*row.button)->setObjectName(row.buttonName);
        grid->addWidget(*row.button, line, 2);
        const auto handler = row.handler;
        connect(*row.button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        (*row.swatch)->OnDblClick = [this, handler](QObject*) { (this->*handler)(); };
        ++line;
    }
    page->addWidget(group);
    page->addStretch();
}

void TViewLayoutForm::BuildShowPage()
{
    auto* page = new QVBoxLayout(tsShow);
    auto* group = new platform::TTiledGroupBox(" Draw 3D ", tsShow);
    group->setObjectName("GroupBoxDraw3D");
    auto* grid = new QGridLayout(group);
    const QStringList types{"Points", "Lines on X", "Lines on Y", "Grid", "Color grid", "Polygon"};
    QStringList steps;
    for (int i = 1; i <= 10; ++i)
        steps << QString::number(i);
    cbTypeDrawState = NewChooser(group, "cbTypeDrawState", types);
    cbStepState = NewChooser(group, "cbStepState", steps);
    cbTypeDrawMove = NewChooser(group, "cbTypeDrawMove", types);
    cbStepMove = NewChooser(group, "cbStepMove", steps);
    grid->addWidget(new QLabel("State:", group), 0, 0);
    grid->addWidget(new QLabel("type draw -", group), 1, 0);
    grid->addWidget(cbTypeDrawState, 1, 1);
    grid->addWidget(new QLabel("step -", group), 2, 0);
    grid->addWidget(cbStepState, 2, 1);
    grid->addWidget(new QLabel("Move:", group), 3, 0);
    grid->addWidget(new QLabel("type draw -", group), 4, 0);
    grid->addWidget(cbTypeDrawMove, 4, 1);
    grid->addWidget(new QLabel("step -", group), 5, 0);
    grid->addWidget(cbStepMove, 5, 1);
    cbDrawLateralFace = NewCheck(group, "cbDrawLateralFace", "Draw lateral face");
    cbDrawAxis = NewCheck(group, "cbDrawAxis", "Draw axis");
    cbDrawInside = NewCheck(group, "cbDrawInside", "Draw inside");
    cbDrawInfoText = NewCheck(group, "cbDrawInfoText", "Draw info text");
    cbScrollBar = NewCheck(group, "cbScrollBar", "Scroll bar");
    int line = 6;
    for (QCheckBox* box : {cbDrawLateralFace, cbDrawAxis, cbDrawInside, cbDrawInfoText, cbScrollBar})
        grid->addWidget(box, line++, 0, 1, 2);
    page->addWidget(group);
    page->addStretch();

    auto activated = QOverload<int>::of(&QComboBox::activated);
    connect(cbTypeDrawState, activated, this, [this] { cbTypeDrawStateChange(); });
    connect(cbTypeDrawMove, activated, this, [this] { cbTypeDrawMoveChange(); });
    connect(cbStepState, activated, this, [this] { cbStepStateChange(); });
    connect(cbStepMove, activated, this, [this] { cbStepMoveChange(); });
    for (QCheckBox* box : {cbDrawLateralFace, cbDrawAxis, cbDrawInside, cbDrawInfoText})
        connect(box, &QCheckBox::toggled, this, [this, box] { cbDrawFlagClick(box); });
    connect(cbScrollBar, &QCheckBox::toggled, this, [this] { cbScrollBarClick(); });
}

// ---------------------------------------------------------------------------------------
// Attaching and filling

void TViewLayoutForm::AttachObject(TObjectSPM* step)
{
    step_ = step;
    PageControl->setEnabled(step != nullptr);
    if (!step) {
        Settings = nullptr;
        tsPalette->SetStep(nullptr);
        return;
    }
    BuildLaterPages();
    Settings = &step->ViewSettings;
    tsPalette->SetStep(step);

    // The channel choosers: the present channels by display name, in slot order.
    QComboBox* modeSurface = tsPalette->cbModeSurface;
    modeSurface->clear();
    CBSkins->clear();
    if (TSurfaceData* data = step->SurfaceData.get())
        for (int c = 0; c < ChannelCount; ++c)
            if (TSPMData* ch = data->Present.Contains(c) ? data->Channel(c) : nullptr) {
                const QString name = QString::fromUtf8(platform::Cp1251ToUtf8(ch->Name).c_str());
                modeSurface->addItem(name, c);
                CBSkins->addItem(name, c);
            }
    const int current = modeSurface->findData(step->CurrentChannel());
    modeSurface->setCurrentIndex(current >= 0 ? current : 0);
    const int skin = CBSkins->findData(Settings->SkinChannel);
    CBSkins->setCurrentIndex(skin >= 0 ? skin : 0);

    // The handlers that filling sets off only write the settings; what they would have
    // shown the 3-D view is handed to it once at the end.
    const float zoom = Settings->Zoom3D;
    const double scaleXY = Settings->ScaleXY, scaleZ = Settings->ScaleZ;
    filling_ = true;
    FillLightPage();
    PaletteInit();
    FillShowPage();
    FillColorPage();
    FillScalePage();
    DrawRuler();
    filling_ = false;
    if (step_ && step_->View3D &&
        (zoom != Settings->Zoom3D || scaleXY != Settings->ScaleXY || scaleZ != Settings->ScaleZ))
        step_->View3D->ApplySettings();
}

void TViewLayoutForm::FillLightPage()
{
    if (!Settings)
        return;
    cbLight->setChecked(Settings->LightOn);
    tbAngleFi->setValue(Settings->AngleFi);
    tbAngleAlfa->setValue(Settings->AngleAlfa);
    tbZoom->setValue(int(Settings->Zoom3D * 10));
    eAngleFi->setText(QString::number(Settings->AngleFi));
    eAngleAlfa->setText(QString::number(Settings->AngleAlfa));
    DrawPolarDial();
    DrawTiltDial();
}

void TViewLayoutForm::FillShowPage()
{
    if (!Settings)
        return;
    cbTypeDrawState->setCurrentIndex(Settings->TypeDrawState);
    cbTypeDrawMove->setCurrentIndex(Settings->TypeDrawMove);
    cbStepState->setCurrentIndex(Settings->StepState - 1);
    cbStepMove->setCurrentIndex(Settings->StepMove - 1);
    cbDrawLateralFace->setChecked(Settings->DrawLateralFace);
    cbDrawInside->setChecked(Settings->DrawInside);
    cbDrawAxis->setChecked(Settings->DrawAxis);
    cbDrawInfoText->setChecked(Settings->DrawInfoText);
    cbScrollBar->setChecked(Settings->ShowScrollBars);
}

void TViewLayoutForm::FillColorPage()
{
    DrawSwatches();
}

void TViewLayoutForm::FillScalePage()
{
    if (!Settings)
        return;
    cbEnablePhase->setChecked(Settings->ApplyPhase);
    cbEnablePhase->setEnabled(Settings->PhaseAvailable);
    // Without a base (a channel one point wide) the bar cannot show the scale: it stays.
    if (const double base = ScaleZBase(); base > 0)
        tbScaleZ->setValue(ScaleZPosition(Settings->ScaleZ, base));
    tbScaleXY->setValue(int(Settings->ScaleXY * 10));
}

void TViewLayoutForm::DrawSwatches()
{
    if (!Settings)
        return;
    Swatch(bkImage3D, Settings->Color3D);
    Swatch(bkImage2D, Settings->Color2D);
    Swatch(ImageGrid, Settings->ColorGrid);
    Swatch(ImageLateralFace, Settings->ColorLateralFace);
    Swatch(ImageAxis, Settings->ColorAxis);
    Swatch(ImageInfoText, Settings->InfoTextFont ? Settings->InfoTextFont->Color : platform::clBlack);
}

void TViewLayoutForm::DrawPolarDial()
{
    platform::TBitmap* picture = ImageFi->Background();
    platform::TCanvas* c = picture->Canvas();
    const int s = picture->Width(), m = s / 2;
    const double alfa = Radians(Settings ? Settings->AngleAlfa : 0);
    const double fi = Radians(Settings ? Settings->AngleFi : 0);
    ImageFi->BeginUpdate();
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = platform::clBtnFace;
    c->FillRect({0, 0, s, s});
    c->Pen = platform::TPen{platform::RGB(128, 128, 128)};
    c->MoveTo(m, 0);
    c->LineTo(m, s);
    c->MoveTo(0, m);
    c->LineTo(s, m);
    c->MoveTo(0, 0);
    c->LineTo(s, s);
    c->MoveTo(s - 1, 0);
    c->LineTo(-1, s);
    c->Brush.Style = platform::bsClear;
    c->Ellipse(0, 0, s, s);
    c->Pen = platform::TPen{platform::clBlack};
    c->Rectangle(0, 0, s, s);
    const int x = m + int(std::cos(fi) * (std::cos(alfa) * m));
    const int y = m - int(std::sin(fi) * (std::cos(alfa) * m));
    DialHand(c, m, m, x, y);
    ImageFi->EndUpdate();
}

void TViewLayoutForm::DrawTiltDial()
{
    platform::TBitmap* picture = ImageAlfa->Background();
    platform::TCanvas* c = picture->Canvas();
    const int s = picture->Width();
    const double alfa = Radians(Settings ? Settings->AngleAlfa : 0);
    ImageAlfa->BeginUpdate();
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = platform::clBtnFace;
    c->FillRect({0, 0, s, s});
    // The quarter of the circle of radius S around the lower left corner that the picture
    // holds.
    c->Pen = platform::TPen{platform::RGB(128, 128, 128)};
    c->Brush.Style = platform::bsClear;
    c->Ellipse(-s, 0, s, 2 * s);
    c->Pen = platform::TPen{platform::clBlack};
    c->Rectangle(0, 0, s, s);
    DialHand(c, 0, s, int(std::cos(alfa) * s), s - int(std::sin(alfa) * s));
    ImageAlfa->EndUpdate();
}

void TViewLayoutForm::PaletteInit()
{
    tsPalette->PaletteInit();
}

void TViewLayoutForm::DrawRuler()
{
    tsPalette->DrawRuler();
}

double TViewLayoutForm::ScaleZOf(int position, double base) const
{
    const double steps = tbScaleZ->maximum() - tbScaleZ->minimum() - 1;
    return position * 2 / steps * base;
}

int TViewLayoutForm::ScaleZPosition(double scale, double base) const
{
    // trunc(98 × scale / base × 0.5), taken exactly: rounding may put the quotient of a
    // position's own scale just below that position, and the bar would step down each time
    // it is filled. The position is the last one whose scale does not exceed the value.
    int position = int(98 * scale / base * 0.5);
    if (ScaleZOf(position + 1, base) <= scale)
        ++position;
    else if (ScaleZOf(position, base) > scale)
        --position;
    return position;
}

double TViewLayoutForm::ScaleZBase() const
{
    // The header's size and range: also there while the data set is in its swap file.
    const int slot = tsPalette->PaletteChannel;
    TSurfaceData* data = step_ ? step_->SurfaceData.get() : nullptr;
    const TSPMData* ch = data && data->Present.Contains(slot) ? data->Channel(slot) : nullptr;
    if (!ch)
        return 0.0;
    const int half = std::min(ch->Header.Width / 2, ch->Header.Height / 2);
    std::int64_t range = std::int64_t(ch->Header.Max) - ch->Header.Min;
    if (range == 0)
        range = 1;
    return double(half) / double(range);
}

// ---------------------------------------------------------------------------------------
// Applying

void TViewLayoutForm::Apply()
{
    if (!step_)
        return;
    for (TStepWindow* view : step_->Views) {
        if (!view)
            continue;
        if (auto* view2D = dynamic_cast<TView2DForm*>(view)) {
            view2D->RenderImage();
            view2D->Compose();
        } else {
            view->Refresh();
        }
    }
    if (step_ && step_->View3D)
        step_->View3D->ApplySettings();
}

void TViewLayoutForm::Repaint3D()
{
    if (step_ && step_->View3D)
        step_->View3D->Repaint();
}

void TViewLayoutForm::Compose2DViews()
{
    for (TStepWindow* view : step_->Views)
        if (auto* view2D = dynamic_cast<TView2DForm*>(view)) {
            view2D->BackgroundColor = Settings->Color2D;
            view2D->Compose();
        } else if (view) {
            view->Refresh();
        }
}

bool TViewLayoutForm::Active() const
{
    return Settings && step_ && isVisible();
}

// ---------------------------------------------------------------------------------------
// Handlers

void TViewLayoutForm::FormClose()
{
    hide();
    if (IViewHost* host = ViewHost())
        host->HideViewLayoutDock();
}

void TViewLayoutForm::FormKeyDown(int key)
{
    if (key == Qt::Key_Escape)
        FormClose();
}

void TViewLayoutForm::keyPressEvent(QKeyEvent* event)
{
    FormKeyDown(event->key());
    event->accept();
}

bool TViewLayoutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == eAngleFi)
            eAngleFiExit();
        else if (watched == eAngleAlfa)
            eAngleAlfaExit();
    }
    return QWidget::eventFilter(watched, event);
}

void TViewLayoutForm::cbLightClick()
{
    if (!Active())
        return;
    Settings->LightOn = cbLight->isChecked();
    if (Filling())
        return;
    Apply();
    PaletteInit();
}

void TViewLayoutForm::tbAngleFiChange()
{
    if (!Active() || tbAngleFi->value() == Settings->AngleFi)
        return;
    Settings->AngleFi = tbAngleFi->value();
    eAngleFi->setText(QString::number(Settings->AngleFi));
    DrawPolarDial();
    if (cbAutoApply->isChecked() && !Filling()) {
        eAngleFi->repaint();
        if (Settings->LightOn)
            Apply();
    }
}

void TViewLayoutForm::tbAngleAlfaChange()
{
    if (!Active() || tbAngleAlfa->value() == Settings->AngleAlfa)
        return;
    Settings->AngleAlfa = tbAngleAlfa->value();
    eAngleAlfa->setText(QString::number(Settings->AngleAlfa));
    DrawTiltDial();
    DrawPolarDial();
    if (cbAutoApply->isChecked() && !Filling()) {
        eAngleAlfa->repaint();
        if (Settings->LightOn)
            Apply();
    }
}

void TViewLayoutForm::AngleExit(QLineEdit* edit, QSlider* bar, int high, int stored)
{
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (ok && value >= 0 && value <= high) {
        bar->setValue(value);
        return;
    }
    ShowValueLimitError(0, high);
    edit->setText(QString::number(stored));
    QTimer::singleShot(0, edit, [edit] { edit->setFocus(); });
}

void TViewLayoutForm::eAngleFiExit()
{
    if (Active())
        AngleExit(eAngleFi, tbAngleFi, 360, Settings->AngleFi);
}

void TViewLayoutForm::eAngleAlfaExit()
{
    if (Active())
        AngleExit(eAngleAlfa, tbAngleAlfa, 90, Settings->AngleAlfa);
}

void TViewLayoutForm::tbZoomChange()
{
    if (!Active())
        return;
    Settings->Zoom3D = float(tbZoom->value() * 0.1);
    if (!Filling() && step_->View3D)
        step_->View3D->ApplySettings();
}

void TViewLayoutForm::tbScaleXYChange()
{
    if (!Active())
        return;
    Settings->ScaleXY = tbScaleXY->value() * 0.1;
    if (!Filling() && step_->View3D)
        step_->View3D->ApplySettings();
}

void TViewLayoutForm::tbScaleZChange()
{
    if (!Active())
        return;
    Settings->ScaleZ = ScaleZOf(tbScaleZ->value(), ScaleZBase());
    if (!Filling() && step_->View3D)
        step_->View3D->ApplySettings();
}

void TViewLayoutForm::CBSkinsChange()
{
    if (!Active())
        return;
    const QVariant slot = CBSkins->currentData();
    Settings->SkinChannel = slot.isValid() ? slot.toInt() : -1;
    if (step_->View3D)
        step_->View3D->ApplySettings();
}

bool TViewLayoutForm::ChooseColor(std::uint32_t& colour)
{
    platform::ColorDialogRequest request{colour, true};
    if (!platform::ColorDialogs().Run(request))
        return false;
    colour = request.Color;
    return true;
}

void TViewLayoutForm::btColor2DClick()
{
    if (!Settings || !ChooseColor(Settings->Color2D))
        return;
    DrawSwatches();
    Compose2DViews();
}

void TViewLayoutForm::btColor3DClick()
{
    if (!Settings || !ChooseColor(Settings->Color3D))
        return;
    DrawSwatches();
    Repaint3D();
}

void TViewLayoutForm::btColorGridClick()
{
    if (!Settings || !ChooseColor(Settings->ColorGrid))
        return;
    DrawSwatches();
    Repaint3D();
}

void TViewLayoutForm::btColorLateralFaceClick()
{
    if (!Settings || !ChooseColor(Settings->ColorLateralFace))
        return;
    DrawSwatches();
    if (Settings->DrawLateralFace)
        Repaint3D();
}

void TViewLayoutForm::btColorAxisClick()
{
    if (!Settings || !ChooseColor(Settings->ColorAxis))
        return;
    DrawSwatches();
    if (Settings->DrawAxis)
        Repaint3D();
}

void TViewLayoutForm::btFontInfoTextClick()
{
    if (!Settings)
        return;
    if (!Settings->InfoTextFont)
        Settings->InfoTextFont = std::make_shared<TFont>();
    TFont& font = *Settings->InfoTextFont;
    platform::FontDialogRequest request{platform::Cp1251ToUtf8(font.Name), font.Size, font.Color,
                                        font.Bold, font.Italic, false, false};
    if (!platform::ColorDialogs().RunFont(request))
        return;
    // The font object itself changes: the steps that share it change with this one.
    font.Name = platform::Utf8ToCp1251(request.Name);
    font.Size = request.Size;
    font.Color = request.Color;
    font.Bold = request.Bold;
    font.Italic = request.Italic;
    DrawSwatches();
    if (Settings->DrawInfoText)
        Repaint3D();
}

void TViewLayoutForm::cbTypeDrawStateChange()
{
    if (!Active())
        return;
    Settings->TypeDrawState = cbTypeDrawState->currentIndex();
    if (Settings->TypeDrawState < cbTypeDrawMove->currentIndex())
        cbTypeDrawMove->setCurrentIndex(Settings->TypeDrawState);
    Settings->TypeDrawMove = cbTypeDrawMove->currentIndex();
    if (step_->View3D) {
        step_->View3D->SetDrawType(Settings->TypeDrawState);
        step_->View3D->Repaint();
    }
}

void TViewLayoutForm::cbTypeDrawMoveChange()
{
    if (!Active())
        return;
    Settings->TypeDrawMove = cbTypeDrawMove->currentIndex();
    Repaint3D();
}

void TViewLayoutForm::cbStepStateChange()
{
    if (!Active())
        return;
    Settings->StepState = std::int16_t(cbStepState->currentIndex() + 1);
    if (step_->View3D) {
        step_->View3D->SetDrawStep(Settings->StepState);
        step_->View3D->Repaint();
    }
}

void TViewLayoutForm::cbStepMoveChange()
{
    if (!Active())
        return;
    Settings->StepMove = std::int16_t(cbStepMove->currentIndex() + 1);
    Repaint3D();
}

void TViewLayoutForm::cbDrawFlagClick(QCheckBox* box)
{
    if (!Active())
        return;
    bool* flag = box == cbDrawLateralFace ? &Settings->DrawLateralFace
                 : box == cbDrawAxis      ? &Settings->DrawAxis
                 : box == cbDrawInside    ? &Settings->DrawInside
                                          : &Settings->DrawInfoText;
    *flag = box->isChecked();
    if (!Filling())
        Repaint3D();
}

void TViewLayoutForm::cbScrollBarClick()
{
    if (!Active())
        return;
    Settings->ShowScrollBars = cbScrollBar->isChecked();
    if (!Filling() && step_->View3D)
        step_->View3D->ShowScrollBars(Settings->ShowScrollBars);
}
