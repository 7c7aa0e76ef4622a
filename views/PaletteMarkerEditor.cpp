#include "views/PaletteMarkerEditor.h"

#include <QComboBox>
#include <cstdio>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <vector>

#include "views/View2D.h"
#include "components/ZtImage.h"
#include "data/ObjectSPM.h"
#include "data/Palette.h"
#include "data/Spmdata.h"
#include "data/Surfacedata.h"
#include "platform/core/Dialogs.h"
#include "platform/core/Messages.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Numbers.h"
#include "processing/HeightDistribution.h"
#include "processing/PaletteEdit.h"

namespace {

constexpr int Bins = 50;
const platform::TColor ComponentPens[3] = {platform::clRed, platform::clLime, platform::clBlue};

//! One data-set reference for the length of one operation of the page: a step that no
//! window holds is read back from its swap file for it (and goes there again after).
class THold {
public:
    explicit THold(TObjectSPM* step) : data_(step ? step->SurfaceData.get() : nullptr)
    {
        if (data_)
            data_->Acquire();
    }
    ~THold()
    {
        if (data_)
            data_->Release();
    }
    THold(const THold&) = delete;
    THold& operator=(const THold&) = delete;

private:
    TSurfaceData* data_;
};

TZtImage* NewPicture(QWidget* owner, const char* name, int x, int y, int width, int height)
{
    auto* image = new TZtImage(owner);
    image->setObjectName(name);
    image->setGeometry(x, y, width, height);
    image->Background()->SetSize(width, height);
    image->SetAutoRefresh(true);
    image->Loaded();
    return image;
}

QLineEdit* NewEdit(QWidget* owner, const char* name, const char* hint, int x, int y, int width)
{
    auto* edit = new QLineEdit(owner);
    edit->setObjectName(name);
    edit->setToolTip(hint);
    edit->setGeometry(x, y, width, 21);
    return edit;
}

QLabel* NewLabel(QWidget* owner, const char* text, int x, int y, int width = 40)
{
    auto* label = new QLabel(text, owner);
    label->setGeometry(x, y, width, 16);
    return label;
}

struct TMarker {
    std::int32_t Position = 0, Red = 0, Green = 0, Blue = 0;
    std::int32_t& Component(int c) { return c == 0 ? Red : c == 1 ? Green : Blue; }
};

TMarker MarkerOf(const TSPMData& ch, int index)
{
    TMarker m;
    if (ch.Markers)
        ch.Markers->Get(index, m.Position, m.Red, m.Green, m.Blue);
    return m;
}

void SetMarker(TSPMData& ch, int index, const TMarker& m)
{
    if (ch.Markers)
        ch.Markers->Set(index, m.Position, m.Red, m.Green, m.Blue);
}

QString Fixed(double value)
{
    return QString::fromStdString(platform::FloatToStrF(value, platform::ffFixed, 5, 1));
}

}  // namespace

TPaletteMarkerEditor::TPaletteMarkerEditor(QWidget* owner)
    : QWidget(owner), WorkBitmap(std::make_unique<platform::TBitmap>())
{
    cbModeSurface = new QComboBox(this);
    cbModeSurface->setObjectName("cbModeSurface");
    cbModeSurface->setToolTip("Select palette");
    cbModeSurface->setGeometry(8, 8, 190, 22);
    lbZmax = NewLabel(this, "Zmax", 8, 26, 90);
    lbZmax->setObjectName("lbZmax");
    imMarking = NewPicture(this, "imMarking", 19, 44, 10, 202);
    imPaletteBar = NewPicture(this, "imPaletteBar", 30, 45, 20, 200);
    imMarkers = NewPicture(this, "imMarkers", 50, 45, 10, 200);
    imPalette = NewPicture(this, "imPalette", 70, 45, 128, 200);
    imPalette->setToolTip("Field for changing a palette");
    lbZmin = NewLabel(this, "Zmin", 8, 248, 90);
    lbZmin->setObjectName("lbZmin");
    NewLabel(this, "0", 70, 248, 20);
    NewLabel(this, "255", 178, 248, 24);
    imSample = NewPicture(this, "imSample", 8, 272, 20, 20);
    imSample->setToolTip("The color of current marker");
    NewLabel(this, "R", 36, 274, 10);
    edR = NewEdit(this, "edR", "Red constituent of current marker", 46, 272, 34);
    NewLabel(this, "G", 84, 274, 10);
    edG = NewEdit(this, "edG", "Green constituent of current marker", 94, 272, 34);
    NewLabel(this, "B", 132, 274, 10);
    edB = NewEdit(this, "edB", "Blue constituent of current marker", 142, 272, 34);
    NewLabel(this, "Height:", 8, 302, 44);
    edHeight = NewEdit(this, "edHeight", "Height of current marker", 56, 300, 80);
    btNew = new QPushButton("&New marker", this);
    btNew->setObjectName("btNew");
    btNew->setToolTip("Create new marker");
    btNew->setGeometry(8, 328, 105, 25);
    btDelete = new QPushButton("&Delete marker", this);
    btDelete->setObjectName("btDelete");
    btDelete->setToolTip("Delete current marker");
    btDelete->setGeometry(118, 328, 105, 25);
    BBPaletteCut5p = new QPushButton("Cut 5%", this);
    BBPaletteCut5p->setObjectName("BBPaletteCut5p");
    BBPaletteCut5p->setGeometry(8, 358, 105, 25);
    WorkBitmap->SetSize(imPalette->width(), imPalette->height());
    imMarking->Background()->Canvas()->Brush.Color = platform::clBtnFace;

    connect(cbModeSurface, QOverload<int>::of(&QComboBox::activated), this, [this] { PaletteInit(); });
    imPalette->OnMouseDown = [this](QObject*, platform::TMouseButton b, platform::TShiftState, int x, int y) {
        imPaletteMouseDown(b, x, y);
    };
    imPalette->OnMouseMove = [this](QObject*, platform::TShiftState s, int x, int y) { imPaletteMouseMove(s, x, y); };
    imPalette->OnMouseUp = [this](QObject*, platform::TMouseButton b, platform::TShiftState, int x, int y) {
        imPaletteMouseUp(b, x, y);
    };
    imMarkers->OnMouseDown = [this](QObject*, platform::TMouseButton b, platform::TShiftState, int x, int y) {
        imMarkersMouseDown(b, x, y);
    };
    imMarkers->OnMouseMove = [this](QObject*, platform::TShiftState s, int x, int y) { imMarkersMouseMove(s, x, y); };
    imMarkers->OnMouseUp = [this](QObject*, platform::TMouseButton b, platform::TShiftState, int x, int y) {
        imMarkersMouseUp(b, x, y);
    };
    imSample->OnDblClick = [this](QObject*) { imSampleDblClick(); };
    connect(btNew, &QPushButton::clicked, this, [this] { btNewClick(); });
    connect(btDelete, &QPushButton::clicked, this, [this] { btDeleteClick(); });
    connect(BBPaletteCut5p, &QPushButton::clicked, this, [this] { BBPaletteCut5pClick(); });
    for (QLineEdit* edit : {edR, edG, edB, edHeight})
        edit->installEventFilter(this);
}

TPaletteMarkerEditor::~TPaletteMarkerEditor() = default;

void TPaletteMarkerEditor::SetStep(TObjectSPM* step)
{
    step_ = step;
    CurveDragging = MarkerDragging = false;
}

TSPMData* TPaletteMarkerEditor::Channel() const
{
    if (!step_ || !step_->SurfaceData || PaletteChannel < 0 || PaletteChannel >= ChannelCount)
        return nullptr;
    TSurfaceData* data = step_->SurfaceData.get();
    TSPMData* ch = data->Present.Contains(PaletteChannel) ? data->Channel(PaletteChannel) : nullptr;
    if (!ch || ch->SwappedOut || !ch->Markers || !ch->HasPalette)
        return nullptr;
    return ch;
}

bool TPaletteMarkerEditor::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit && event->type() == QEvent::FocusOut) {
        if (edit == edHeight)
            edHeightExit();
        else
            edRExit(edit);
    } else if (edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            edRKeyDown(key);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Geometry and helpers

double TPaletteMarkerEditor::RowOf(double position) const
{
    const TSPMData* ch = Channel();
    return processing::PaletteRow(position, ch ? ch->ColourCount : 0, imPalette->height());
}

std::int32_t TPaletteMarkerEditor::PositionOf(int y) const
{
    const TSPMData* ch = Channel();
    return processing::PalettePosition(y, ch ? ch->ColourCount : 0, imPalette->height());
}

int TPaletteMarkerEditor::MarkerCount() const
{
    const TSPMData* ch = Channel();
    return ch && ch->Markers ? ch->Markers->GetCount() : 0;
}

void TPaletteMarkerEditor::ClampCurrent()
{
    CurrentMarker = std::clamp(CurrentMarker, 0, std::max(0, MarkerCount() - 1));
}

void TPaletteMarkerEditor::ShowComponents()
{
    TSPMData* ch = Channel();
    if (!ch)
        return;
    const TMarker m = MarkerOf(*ch, CurrentMarker);
    edR->setText(QString::number(m.Red));
    edG->setText(QString::number(m.Green));
    edB->setText(QString::number(m.Blue));
}

void TPaletteMarkerEditor::UpdateAround(int marker)
{
    if (TSPMData* ch = Channel())
        ch->UpdatePaletteRange(marker < 0 ? -1 : marker - 1, marker < 0 ? -1 : marker + 1);
}

void TPaletteMarkerEditor::RedrawViews(bool needCurrentView)
{
    if (!step_)
        return;
    if (!needCurrentView || step_->CurrentView) {
        // The view's picture names palette entries: while it draws this very palette (no
        // shading, no rebuilt palette), new colours need only a new composition.
        auto* view = PaletteChannel >= 0 && PaletteChannel < ChannelCount
                         ? dynamic_cast<TView2DForm*>(step_->Views[std::size_t(PaletteChannel)])
                         : nullptr;
        const TSPMData* ch = Channel();
        if (view && ch && !view->Shading() && view->ChannelData == ch && view->ImagePalette &&
            view->ImagePalette == ch->Palette)
            view->Compose();
        else
            step_->RedrawChannelView(PaletteChannel);
    }
    if (step_->View3D)
        step_->View3D->Repaint();
}

void TPaletteMarkerEditor::PaletteColour(std::int32_t position, std::int32_t& r, std::int32_t& g,
                                         std::int32_t& b) const
{
    r = g = b = 0;
    const TSPMData* ch = Channel();
    if (!ch || !ch->PaletteTable || ch->PaletteTable->palPalEntry.empty())
        return;
    const auto& entries = ch->PaletteTable->palPalEntry;
    const auto& e = entries[std::size_t(std::clamp<std::int64_t>(position, 0, std::int64_t(entries.size()) - 1))];
    r = e.peRed;
    g = e.peGreen;
    b = e.peBlue;
}

// ---------------------------------------------------------------------------------------
// Filling and pictures

void TPaletteMarkerEditor::PaletteInit()
{
    const THold hold(step_);
    const QVariant slot = cbModeSurface->currentData();
    PaletteChannel = slot.isValid() ? slot.toInt() : -1;
    TSPMData* ch = Channel();
    if (!ch)
        return;
    CurrentMarker = 1;
    ClampCurrent();
    ShowComponents();
    imPaletteBar->Background()->SetPalette(ch->Palette);
    BuildHistogram();
    DrawPaletteCurves();
    DrawPaletteBar();
    DrawMarkers();
    lbZmax->setText(Fixed(ch->Header.Max * double(ch->Header.ZScale)));
    lbZmin->setText(Fixed(ch->Header.Min * double(ch->Header.ZScale)));
}

void TPaletteMarkerEditor::BuildHistogram()
{
    TSPMData* ch = Channel();
    if (!ch)
        return;
    BinWidth = (double(ch->Header.Max) - ch->Header.Min) / Bins;
    ch->Lock();
    processing::CountHeights(ch->Data, ch->Data ? ch->SampleCount() : 0, ch->Header.Min, BinWidth, Bins,
                             BinCounts.data());
    ch->Unlock();
    BinCounts[Bins + 1] = *std::max_element(BinCounts.begin(), BinCounts.begin() + Bins);

    platform::TBitmap& picture = *WorkBitmap;
    const int w = picture.Width(), h = picture.Height();
    platform::TCanvas* c = picture.Canvas();
    c->Pen = platform::TPen{platform::clBlack};
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = platform::clWhite;
    c->Rectangle(0, 0, w, h);
    const double largest = BinCounts[Bins + 1];
    if (largest <= 0)
        return;
    std::vector<platform::TPoint> line{{0, h}};
    for (int j = 0; j < Bins; ++j)
        line.push_back({int(BinCounts[std::size_t(j)] * (w / largest)), int(h - j * (double(h) / Bins))});
    c->Polyline(line);
}

void TPaletteMarkerEditor::DrawPaletteCurves()
{
    TSPMData* ch = Channel();
    if (!ch)
        return;
    imPalette->BeginUpdate();
    imPalette->Background()->Canvas()->Draw(0, 0, WorkBitmap.get());
    platform::TCanvas* c = imPalette->Background()->Canvas();
    const int h = imPalette->height();
    const int n = MarkerCount();
    for (int component = 0; component < 3; ++component) {
        c->Pen = platform::TPen{ComponentPens[component]};
        c->Brush.Style = platform::bsClear;
        std::vector<platform::TPoint> points;
        for (int i = 0; i < n; ++i) {
            TMarker m = MarkerOf(*ch, i);
            points.push_back({m.Component(component) / 2, int(RowOf(m.Position))});
        }
        if (points.empty())
            continue;
        c->MoveTo(points.front().x, h);
        c->LineTo(points.front().x, points.front().y);
        c->Polyline(points);
        c->MoveTo(points.back().x, 0);
        c->LineTo(points.back().x, points.back().y);
        for (const platform::TPoint& p : points)
            c->Ellipse(p.x - 3, p.y - 3, p.x + 4, p.y + 4);
    }
    c->Brush.Style = platform::bsSolid;
    imPalette->EndUpdate();
    // The current marker's colour and components.
    const TMarker current = MarkerOf(*ch, CurrentMarker);
    platform::TCanvas* sample = imSample->Background()->Canvas();
    sample->Pen = platform::TPen{platform::clBlack};
    sample->Brush.Style = platform::bsSolid;
    sample->Brush.Color = platform::RGB(current.Red, current.Green, current.Blue);
    sample->Rectangle(0, 0, imSample->width(), imSample->height());
    ShowComponents();
}

void TPaletteMarkerEditor::DrawPaletteBar()
{
    TSPMData* ch = Channel();
    if (!ch)
        return;
    platform::TBitmap* picture = imPaletteBar->Background();
    picture->SetPalette(ch->Palette);
    platform::TCanvas* c = picture->Canvas();
    const int w = picture->Width(), h = picture->Height();
    const double k = double(ch->ColourCount) / h;
    imPaletteBar->BeginUpdate();
    for (int y = 0; y < h; ++y) {
        c->Pen = platform::TPen{platform::PALETTEINDEX(int(y * k))};
        c->MoveTo(0, h - y);
        c->LineTo(w, h - y);
    }
    c->Pen = platform::TPen{platform::clBlack};
    c->Brush.Style = platform::bsClear;
    c->Rectangle(0, 0, w, h);
    c->Brush.Style = platform::bsSolid;
    imPaletteBar->EndUpdate();
}

void TPaletteMarkerEditor::DrawMarkers()
{
    TSPMData* ch = Channel();
    if (!ch)
        return;
    platform::TCanvas* c = imMarkers->Background()->Canvas();
    const int w = imMarkers->width(), h = imMarkers->height();
    const int n = MarkerCount();
    imMarkers->BeginUpdate();
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = platform::clBtnFace;
    c->FillRect({0, 0, w, h});
    c->Pen = platform::TPen{platform::clBlack};
    for (int i = 0; i < n; ++i) {
        const double y = RowOf(MarkerOf(*ch, i).Position);
        const int above = i == 0 ? 5 : i == n - 1 ? 0 : 3;
        const int below = i == 0 ? 0 : i == n - 1 ? 5 : 3;
        const platform::TPoint triangle[] = {{0, int(y)}, {w - 1, int(y - above)}, {w - 1, int(y + below)}};
        c->Brush.Color = i == CurrentMarker ? platform::clRed : platform::clWhite;
        c->Polygon(triangle);
    }
    imMarkers->EndUpdate();
    const TMarker current = MarkerOf(*ch, CurrentMarker);
    edHeight->setText(Fixed((current.Position * ch->RawPerColour + ch->Header.Min) * ch->Header.ZScale));
}

void TPaletteMarkerEditor::DrawRuler()
{
    platform::TBitmap* picture = imMarking->Background();
    platform::TCanvas* c = picture->Canvas();
    const int w = picture->Width(), h = picture->Height();
    imMarking->BeginUpdate();
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = platform::clBtnFace;
    c->FillRect({0, 0, w, h});
    c->Pen = platform::TPen{platform::clBlack};
    c->MoveTo(w - 1, 0);
    c->LineTo(w - 1, h);
    for (int y = 0; y < h; y += 20) {
        c->MoveTo(w - 1, y);
        c->LineTo(w - 6, y);
    }
    imMarking->EndUpdate();
}

// ---------------------------------------------------------------------------------------
// Curve handles

void TPaletteMarkerEditor::imPaletteMouseDown(platform::TMouseButton, int x, int y)
{
    const THold hold(step_);
    TSPMData* ch = Channel();
    DragComponent = -1;
    if (!ch)
        return;
    const platform::TColor pixel = imPalette->Background()->Canvas()->Pixels(x, y);
    int component = -1;
    for (int c = 0; c < 3; ++c)
        if (pixel == ComponentPens[c])
            component = c;
    if (component < 0)
        return;
    DragComponent = component;
    const TPALETTE& list = component == 0 ? ch->Markers->Red : component == 1 ? ch->Markers->Green
                                                                                 : ch->Markers->Blue;
    const std::int32_t q = PositionOf(y);
    std::int32_t position = 0, value = 0;
    auto near = [&](std::int32_t p, std::int32_t v) {
        return std::hypot(x - v / 2.0, y - RowOf(p)) <= 4;
    };
    int grabbed = -1;
    const int above = list.FindAbove(q, position, value);
    if (above >= 0 && near(position, value))
        grabbed = above;
    const int below = list.FindSegment(q, position, value);
    if (below >= 0 && near(position, value))
        grabbed = below;
    if (grabbed >= 0) {
        DragMarker = grabbed;
        CurveDragging = true;
        CurrentMarker = grabbed;
        ShowComponents();
    }
    DrawMarkers();
}

void TPaletteMarkerEditor::imPaletteMouseMove(platform::TShiftState shift, int x, int)
{
    if (!CurveDragging || !shift.Contains(platform::ssLeft) || DragComponent < 0)
        return;
    const THold hold(step_);
    TSPMData* ch = Channel();
    if (!ch || DragMarker >= MarkerCount())
        return;
    x = std::clamp(x, 0, imPalette->width() - 1);
    TMarker m = MarkerOf(*ch, DragMarker);
    m.Component(DragComponent) = 2 * x;
    SetMarker(*ch, DragMarker, m);
    UpdateAround(DragMarker);
    DrawPaletteCurves();
    DrawPaletteBar();
}

void TPaletteMarkerEditor::imPaletteMouseUp(platform::TMouseButton, int, int)
{
    if (CurveDragging) {
        const THold hold(step_);
        RedrawViews(false);
    }
    CurveDragging = false;
}

// ---------------------------------------------------------------------------------------
// Marker triangles

void TPaletteMarkerEditor::imMarkersMouseDown(platform::TMouseButton, int, int y)
{
    const THold hold(step_);
    TSPMData* ch = Channel();
    if (!ch)
        return;
    const std::int32_t q = PositionOf(y);
    const int below = ch->Markers->FindSegment(q);
    const int above = ch->Markers->FindAbove(q);
    if (below >= 0 && std::fabs(RowOf(MarkerOf(*ch, below).Position) - y) < 5) {
        CurrentMarker = below;
    } else if (above >= 0 && std::fabs(RowOf(MarkerOf(*ch, above).Position) - y) < 5) {
        CurrentMarker = above;
    } else {
        // A new marker with the colour the palette already shows there.
        std::int32_t r, g, b;
        PaletteColour(q, r, g, b);
        CurrentMarker = ch->Markers->Add(q, r, g, b);
    }
    DrawMarkers();
    DrawPaletteCurves();
    MarkerDragging = true;
}

void TPaletteMarkerEditor::imMarkersMouseMove(platform::TShiftState shift, int, int y)
{
    if (!MarkerDragging || !shift.Contains(platform::ssLeft))
        return;
    const THold hold(step_);
    TSPMData* ch = Channel();
    if (!ch)
        return;
    ClampCurrent();
    const int n = MarkerCount();
    y = std::clamp(y, 0, imMarkers->height());
    std::int32_t q = PositionOf(y);
    // Markers never pass each other.
    if (CurrentMarker > 0)
        q = std::max(q, MarkerOf(*ch, CurrentMarker - 1).Position);
    if (CurrentMarker < n - 1)
        q = std::min(q, MarkerOf(*ch, CurrentMarker + 1).Position);
    TMarker m = MarkerOf(*ch, CurrentMarker);
    m.Position = q;
    SetMarker(*ch, CurrentMarker, m);
    UpdateAround(CurrentMarker);
    DrawPaletteCurves();
    DrawPaletteBar();
    DrawMarkers();
}

void TPaletteMarkerEditor::imMarkersMouseUp(platform::TMouseButton button, int, int)
{
    const THold hold(step_);
    TSPMData* ch = Channel();
    const int n = MarkerCount();
    // A right click deletes the current marker, never one of the last two.
    if (ch && button == platform::mbRight && MarkerDragging && CurrentMarker > 0 && CurrentMarker < n && n > 2) {
        ch->Markers->Delete(CurrentMarker);
        UpdateAround(CurrentMarker);
        CurrentMarker = 1;
        ClampCurrent();
        DrawPaletteCurves();
        DrawPaletteBar();
        DrawMarkers();
    }
    if (MarkerDragging)
        RedrawViews(false);
    MarkerDragging = false;
}

// ---------------------------------------------------------------------------------------
// Edits and buttons

void TPaletteMarkerEditor::edRExit(QLineEdit* sender)
{
    if (!sender || !sender->isModified())
        return;
    const THold hold(step_);
    TSPMData* ch = Channel();
    if (!ch)
        return;
    auto component = [](QLineEdit* edit, std::int32_t& value) {
        bool ok = false;
        value = edit->text().trimmed().toInt(&ok);
        return ok && value >= 0 && value <= 255;
    };
    std::int32_t r = 0, g = 0, b = 0, own = 0;
    if (!component(sender, own) || !component(edR, r) || !component(edG, g) || !component(edB, b)) {
        ShowValueLimitError(0, 255);
        QTimer::singleShot(0, sender, [sender] { sender->setFocus(); });
        return;
    }
    sender->setModified(false);
    ClampCurrent();
    TMarker m = MarkerOf(*ch, CurrentMarker);
    m.Red = r;
    m.Green = g;
    m.Blue = b;
    SetMarker(*ch, CurrentMarker, m);
    UpdateAround(CurrentMarker);
    DrawPaletteCurves();
    DrawPaletteBar();
    RedrawViews(true);
}

void TPaletteMarkerEditor::edHeightExit()
{
    if (!edHeight->isModified())
        return;
    const THold hold(step_);
    TSPMData* ch = Channel();
    if (!ch)
        return;
    const double zs = ch->Header.ZScale;
    const double lo = ch->Header.Min, hi = ch->Header.Max;
    double h = NAN;
    try {
        h = platform::StrToFloat(edHeight->text().toStdString()) / zs;
    } catch (const platform::EConvertError&) {
    }
    if (!(h >= lo && h <= hi) || !(ch->RawPerColour > 0)) {
        char text[96];
        std::snprintf(text, sizeof text, "Value limit %.1f - %.1f", lo * zs, hi * zs);
        platform::ShowMessage(text, "Error input", platform::MessageIcon::Error);
        QTimer::singleShot(0, edHeight, [this] { edHeight->setFocus(); });
        return;
    }
    edHeight->setModified(false);
    ClampCurrent();
    TMarker m = MarkerOf(*ch, CurrentMarker);
    m.Position = std::int32_t((h - lo) / ch->RawPerColour);
    SetMarker(*ch, CurrentMarker, m);
    UpdateAround(CurrentMarker);
    DrawPaletteCurves();
    DrawPaletteBar();
    DrawMarkers();
    RedrawViews(true);
}

void TPaletteMarkerEditor::edRKeyDown(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        focusNextChild();
}

void TPaletteMarkerEditor::btNewClick()
{
    const THold hold(step_);
    TSPMData* ch = Channel();
    const int n = MarkerCount();
    if (!ch || n < 2)
        return;
    ClampCurrent();
    int a = CurrentMarker, b = a + 1;
    if (a >= n - 1) {
        a = CurrentMarker - 1;
        b = CurrentMarker;
    }
    const std::int32_t q = (MarkerOf(*ch, a).Position + MarkerOf(*ch, b).Position) / 2;
    std::int32_t r, g, bl;
    PaletteColour(q, r, g, bl);
    CurrentMarker = ch->Markers->Add(q, r, g, bl);
    DrawPaletteCurves();
    DrawMarkers();
}

void TPaletteMarkerEditor::btDeleteClick()
{
    const THold hold(step_);
    TSPMData* ch = Channel();
    const int n = MarkerCount();
    if (!ch || CurrentMarker <= 0 || CurrentMarker >= n - 1 || n <= 2)
        return;
    ch->Markers->Delete(CurrentMarker);
    UpdateAround(CurrentMarker);
    ClampCurrent();
    DrawPaletteCurves();
    DrawPaletteBar();
    DrawMarkers();
    RedrawViews(true);
}

void TPaletteMarkerEditor::BBPaletteCut5pClick()
{
    const THold hold(step_);
    TSPMData* ch = Channel();
    const int n = MarkerCount();
    if (!ch || n == 0)
        return;
    std::vector<std::int32_t> positions;
    for (int i = 0; i < n; ++i)
        positions.push_back(MarkerOf(*ch, i).Position);
    const std::vector<std::uint32_t> bins(BinCounts.begin(), BinCounts.begin() + Bins);
    if (!processing::CutMarkers(bins, BinCounts[Bins + 1], BinWidth, ch->RawPerColour, positions))
        return;
    for (int i = 0; i < n; ++i) {
        TMarker m = MarkerOf(*ch, i);
        m.Position = positions[std::size_t(i)];
        SetMarker(*ch, i, m);
    }
    UpdateAround(-1);
    DrawPaletteCurves();
    DrawPaletteBar();
    DrawMarkers();
    RedrawViews(false);
}

void TPaletteMarkerEditor::imSampleDblClick()
{
    const THold hold(step_);
    TSPMData* ch = Channel();
    if (!ch)
        return;
    ClampCurrent();
    const int current = CurrentMarker;
    TMarker m = MarkerOf(*ch, current);
    platform::ColorDialogRequest request{platform::RGB(m.Red, m.Green, m.Blue), true};
    if (platform::ColorDialogs().Run(request)) {
        m.Red = platform::GetRValue(request.Color);
        m.Green = platform::GetGValue(request.Color);
        m.Blue = platform::GetBValue(request.Color);
        SetMarker(*ch, current, m);
        UpdateAround(current);
        RedrawViews(true);
    }
    PaletteInit();
    CurrentMarker = current;
    ClampCurrent();
    DrawPaletteCurves();
    DrawMarkers();
}
