#include "tools/AngleAnalysisImpl.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "components/ZtImage.h"
#include "data/ObjectSPM.h"
#include "data/Spmdata.h"
#include "data/Surfacedata.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "platform/core/Text.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Clipboard.h"
#include "platform/gui/Numbers.h"
#include "tools/ToolWidgets.h"

namespace {

constexpr double Pi = 3.141592653589793;

double Degrees(double radians)
{
    return radians * 180 * (1 / Pi);
}

std::string Rule53()
{
    return "\n" + std::string(53, '*');
}

//! A height as the level labels show it: fixed, one decimal, four significant digits.
QString LevelText(double value)
{
    return QString::fromStdString(platform::FloatToStrF(value, platform::ffFixed, 4, 1));
}

//! Fills the 4-connected region around (x, y) inside the rectangle (left, top)–(right,
//! bottom) (exclusive) up to the pixels of `border`, with `fill` (RGB colours).
void FloodFill(platform::TBitmap* picture, int x, int y, int left, int top, int right, int bottom,
               platform::TColor border, platform::TColor fill)
{
    if (picture->Empty() || picture->Image().depth() != 32)
        return;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, picture->Width());
    bottom = std::min(bottom, picture->Height());
    auto pixelOf = [](platform::TColor c) {
        return std::uint32_t(platform::GetRValue(c)) << 16 | std::uint32_t(platform::GetGValue(c)) << 8 |
               std::uint32_t(platform::GetBValue(c));
    };
    const std::uint32_t stop = pixelOf(border), paint = pixelOf(fill);
    platform::TCanvas* c = picture->Canvas();
    c->Lock();
    auto at = [&](int px, int py) -> std::uint32_t& {
        return reinterpret_cast<std::uint32_t*>(picture->ScanLine(py))[px];
    };
    std::vector<std::pair<int, int>> todo{{x, y}};
    while (!todo.empty()) {
        const auto [px, py] = todo.back();
        todo.pop_back();
        if (px < left || px >= right || py < top || py >= bottom)
            continue;
        std::uint32_t& p = at(px, py);
        const std::uint32_t rgb = p & 0xFFFFFFu;
        if (rgb == stop || rgb == paint)
            continue;
        p = 0xFF000000u | paint;
        todo.push_back({px + 1, py});
        todo.push_back({px - 1, py});
        todo.push_back({px, py + 1});
        todo.push_back({px, py - 1});
    }
    c->Unlock();
}

}  // namespace

std::string AngleReport(const processing::TAngleCounts& counts, double area)
{
    const int bars = int(counts.Tilt.size());
    const int sectors = int(counts.Orientation.size());
    const double bw = bars > 0 ? Pi / (2.0 * bars) : 0.0;
    const double sw = sectors > 0 ? 2 * Pi / sectors : 0.0;
    auto percent = [area](std::uint32_t counter) { return area != 0 ? counter * 100.0 / area : 0.0; };
    std::string r = Rule53() + "\n  Fi(Oz)    %" + Rule53();
    for (int i = 0; i < bars; ++i)
        r += platform::FormatText("\n %6.2f  %6.2f", Degrees(i * bw), percent(counts.Tilt[std::size_t(i)]));
    r += Rule53() + "\n  Alfa(Oxy)    %" + Rule53();
    for (int i = 0; i < sectors; ++i)
        r += platform::FormatText("\n %8.2f  %8.2f", Degrees(i * sw), percent(counts.Orientation[std::size_t(i)]));
    r += Rule53() + Rule53() + "\n\n\n\n\n";
    return r;
}

TAngleAnalysis::TAngleAnalysis(TObjectSPM* step, QMdiArea* area)
    : TAnalysisWindow(step, &TObjectSPM::AngleWindow, area)
{
    setObjectName("AngleAnalysis");
    setWindowTitle("Angle analysis");
    VisibleAngle = Pi / 2;
    BarWidth = Pi / (2.0 * Bars);
    SectorWidth = 2 * Pi / Sectors;

    auto* layout = new QVBoxLayout(this);
    Label6 = new QLabel("Angle analysis for height diapasone", this);
    Label6->setObjectName("Label6");
    layout->addWidget(Label6);
    auto* middle = new QHBoxLayout;
    ImageAngle = new TZtImage(this);
    ImageAngle->setObjectName("ImageAngle");
    ImageAngle->setMinimumSize(50, 50);
    ImageAngle->Loaded();
    ImageAngle->installEventFilter(this);
    middle->addWidget(ImageAngle, 1);
    PanelLevel = new QWidget(this);
    PanelLevel->setObjectName("PanelLevel");
    auto* level = new QVBoxLayout(PanelLevel);
    lbMax = new QLabel(PanelLevel);
    lbMax->setObjectName("lbMax");
    tbLevel = new QSlider(Qt::Vertical, PanelLevel);
    tbLevel->setObjectName("tbLevel");
    tbLevel->setInvertedAppearance(true);  // the minimum at the top
    tbLevel->setTickPosition(QSlider::TicksBothSides);
    lbMin = new QLabel(PanelLevel);
    lbMin->setObjectName("lbMin");
    level->addWidget(lbMax);
    level->addWidget(tbLevel, 1);
    level->addWidget(lbMin);
    middle->addWidget(PanelLevel);
    layout->addLayout(middle, 1);

    auto* bottom = new QHBoxLayout;
    PanelTrackBar = new QWidget(this);
    PanelTrackBar->setObjectName("PanelTrackBar");
    auto* track = new QHBoxLayout(PanelTrackBar);
    TrackBar = new QSlider(Qt::Horizontal, PanelTrackBar);
    TrackBar->setObjectName("TrackBar");
    TrackBar->setRange(5, 90);
    TrackBar->setValue(5);
    TrackBar->setSingleStep(5);
    TrackBar->setPageStep(15);
    TrackBar->setTickInterval(5);
    TrackBar->setTickPosition(QSlider::TicksBelow);
    Label5 = new QLabel("- Number of visible degrees", PanelTrackBar);
    Label5->setObjectName("Label5");
    track->addWidget(TrackBar, 1);
    track->addWidget(Label5);
    bottom->addWidget(PanelTrackBar, 1);
    PanelAngle = new QWidget(this);
    PanelAngle->setObjectName("PanelAngle");
    auto* counts = new QHBoxLayout(PanelAngle);
    Label3 = new QLabel("Number of bars (4-500):", PanelAngle);
    edCountBars = new QLineEdit(PanelAngle);
    edCountBars->setObjectName("edCountBars");
    Label4 = new QLabel("Number of sectors (8-360):", PanelAngle);
    edCountSectors = new QLineEdit(PanelAngle);
    edCountSectors->setObjectName("edCountSectors");
    for (QLineEdit* box : {edCountBars, edCountSectors}) {
        box->setMaximumWidth(48);
        box->installEventFilter(this);
    }
    counts->addWidget(Label3);
    counts->addWidget(edCountBars);
    counts->addWidget(Label4);
    counts->addWidget(edCountSectors);
    bottom->addWidget(PanelAngle);
    layout->addLayout(bottom);
    auto* results = new QHBoxLayout;
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    results->addWidget(Label1, 1);
    results->addWidget(Label2, 1);
    layout->addLayout(results);
    resize(519, 340);
    if (Frame())
        Frame()->adjustSize();
    // The window sees every key first: Ctrl+C copies the picture even from a count box.
    InstallKeyPreview(this, [this](QKeyEvent* e) { return FormKeyDown(e->key(), e->modifiers()); });

    connect(TrackBar, &QSlider::valueChanged, this, [this] { TrackBarChange(); });
    connect(tbLevel, &QSlider::valueChanged, this, [this] { tbLevelChange(); });

    // The channel of the step's current view, and its grid.
    const int channel = OwnerStep() ? OwnerStep()->CurrentChannel() : 0;
    ChannelData = DataSet() ? DataSet()->Channel(channel) : nullptr;
    if (!ChannelData || ChannelData->SwappedOut) {
        refused_ = true;
        return;
    }
    const TChannelHeader& h = ChannelData->Header;
    Width = h.Width;
    Height = h.Height;
    Region = processing::WholeRegion(Width, Height);
    DX = h.XStep;
    DY = h.YStep;
    ZS = h.ZScale;
    if (!processing::AngleGridUsable({DX, DY, ZS})) {
        refused_ = true;
        platform::ShowMessage("Angle analysis needs a channel with non-zero X and Y steps", "Error",
                              platform::MessageIcon::Error);
        return;
    }
    edCountBars->setText("400");
    edCountSectors->setText("16");
    // At its maximum the level bar stands for level 0: the first computation.
    SetSliderQuietly(tbLevel, tbLevel->maximum());
    tbLevelChange();
}

TAngleAnalysis::~TAngleAnalysis() = default;

void TAngleAnalysis::SetSliderQuietly(QSlider* slider, int value)
{
    const QSignalBlocker block(slider);
    slider->setValue(value);
}

std::int32_t TAngleAnalysis::HeightAt(int row, int column) const
{
    return Matrix ? Matrix[std::ptrdiff_t(row) * Width + column] : 0;
}

void TAngleAnalysis::FindRange()
{
    if (Matrix && processing::FindAngleRange(Matrix, Width, Height, Region, Minimum, Maximum))
        RangePending = false;
}

void TAngleAnalysis::Compute()
{
    if (refused_ || !DataSet() || !ChannelData || ChannelData->SwappedOut)
        return;
    ChannelData->Lock();
    Matrix = ChannelData->Data;
    if (!Matrix) {
        ChannelData->Unlock();
        return;
    }
    if (RangePending)
        FindRange();
    BarWidth = Pi / (2.0 * Bars);
    SectorWidth = 2 * Pi / Sectors;

    // The level bar spans the heights; its moves made here are not the user's.
    const bool atMaximum = tbLevel->value() == tbLevel->maximum();
    {
        const QSignalBlocker block(tbLevel);
        tbLevel->setRange(Minimum, std::max(Minimum, Maximum - 1));
        const int frequency = std::max(1, int((std::int64_t(Maximum) - Minimum) / 10));
        tbLevel->setTickInterval(frequency);
        tbLevel->setSingleStep(frequency);
        tbLevel->setPageStep(2 * frequency);
    }
    lbMax->setText(LevelText(Maximum * ZS));
    lbMin->setText(LevelText(Minimum * ZS));
    Label6->setText("Angle analysis for height diapasone from " + LevelText(Minimum * ZS + Level) +
                    " to " + lbMax->text());
    if (atMaximum)
        SetSliderQuietly(tbLevel, tbLevel->maximum());
    if ((double(Maximum) - Minimum) * ZS < Level) {
        Level = (double(Maximum) - Minimum) * ZS;
        SetSliderQuietly(tbLevel, tbLevel->minimum());
    }
    if (Level < 0) {
        Level = 0;
        SetSliderQuietly(tbLevel, tbLevel->maximum());
    }

    // The normals once, binned as they are made; every later computation bins the kept
    // angles.
    const processing::TAngleBinning binning{Minimum, Level, Bars, Sectors};
    if (field_.Empty()) {
        processing::TAngleCounts first;
        if (!field_.Compute(Matrix, Width, Height, Region, {DX, DY, ZS}, binning, first)) {
            ChannelData->Unlock();
            Matrix = nullptr;
            return;
        }
        Counts = std::move(first);
    } else {
        field_.Bin(Matrix, binning, Counts);
    }
    computed_ = true;
    MostFrequentBar = processing::MostFrequent(Counts.Tilt);
    MostFrequentSector = processing::MostFrequent(Counts.Orientation);
    DrawTiltChart();
    DrawOrientationChart();

    const double bw = Degrees(BarWidth), sw = Degrees(SectorWidth);
    Label1->setText(QString::fromStdString(
        platform::FormatText("Middle : %4.2f\u00B0\u00B1%4.2f\u00B0\nMost frequent : %4.2f\u00B0\u00B1%4.2f\u00B0",
                         processing::MeanTiltDegrees(Counts.Tilt), bw, (MostFrequentBar + 0.5) * bw, bw / 2)));
    Label2->setText(QString::fromStdString(
        platform::FormatText("Most frequent : %4.2f\u00B0\u00B1%4.2f\u00B0", MostFrequentSector * sw, sw / 2)));
    ChannelData->Unlock();
    Matrix = nullptr;
}

void TAngleAnalysis::FitVisibleDegrees()
{
    Compute();
    if (!computed_)
        return;
    SetVisibleDegrees(std::int16_t(std::min(processing::FitVisibleDegrees(Counts.Tilt), 90)));
}

void TAngleAnalysis::SetVisibleDegrees(std::int16_t degrees)
{
    if (degrees <= 4 || degrees > 90)
        return;
    TrackBar->setValue(95 - degrees);
    VisibleAngle = degrees * (1.0 / 180) * Pi;
}

void TAngleAnalysis::TrackBarChange()
{
    VisibleAngle = (95 - TrackBar->value()) * Pi * (1.0 / 180);
    DrawTiltChart();
}

void TAngleAnalysis::tbLevelChange()
{
    Level = (double(tbLevel->maximum()) - tbLevel->value()) * ZS;
    FitVisibleDegrees();
}

void TAngleAnalysis::ShowValueLimit(int low, int high)
{
    ShowValueLimitError(low, high);
}

bool TAngleAnalysis::ReadCount(QLineEdit* box, int low, int high, std::uint16_t& value)
{
    if (!box->isModified())
        return false;
    bool ok = false;
    const int typed = box->text().trimmed().toInt(&ok);
    if (ok && typed >= low && typed <= high) {
        box->setModified(false);
        value = std::uint16_t(typed);
        return true;
    }
    ShowValueLimit(low, high);
    box->setText(QString::number(value));
    QTimer::singleShot(0, box, [box] { box->setFocus(); });
    return false;
}

void TAngleAnalysis::edCountBarsExit()
{
    if (ReadCount(edCountBars, 4, 500, Bars))
        Compute();
}

void TAngleAnalysis::edCountSectorsExit()
{
    if (ReadCount(edCountSectors, 8, 360, Sectors))
        Compute();
}

void TAngleAnalysis::edCountBarsKeyDown(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        edCountBarsExit();
        edCountSectors->setFocus();
    }
}

void TAngleAnalysis::edCountSectorsKeyDown(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        edCountSectorsExit();
        edCountBars->setFocus();
    }
}

bool TAngleAnalysis::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ImageAngle && event->type() == QEvent::Resize)
        FormResize();
    if (watched == edCountBars || watched == edCountSectors) {
        const bool bars = watched == edCountBars;
        if (event->type() == QEvent::FocusOut)
            bars ? edCountBarsExit() : edCountSectorsExit();
        else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                bars ? edCountBarsKeyDown(key) : edCountSectorsKeyDown(key);
                return true;
            }
        }
    }
    return TAnalysisWindow::eventFilter(watched, event);
}

int TAngleAnalysis::ChartHeight() const
{
    return ImageAngle->height() - MarginTop - MarginBottom;
}

int TAngleAnalysis::TiltWidth() const
{
    return ImageAngle->width() - MarginLeft - MarginRight - MarginGap - ChartHeight();
}

platform::TCanvas* TAngleAnalysis::ChartCanvas(int& height, int& width) const
{
    platform::TBitmap* picture = ImageAngle->Background();
    height = ChartHeight();
    width = TiltWidth();
    return computed_ && !picture->Empty() && height > 0 && width > 0 ? picture->Canvas() : nullptr;
}

void TAngleAnalysis::FormResize()
{
    if (resizing_)
        return;
    ImageAngle->Background()->SetSize(ImageAngle->width(), ImageAngle->height());
    const int h = ChartHeight(), w = TiltWidth();
    if (h < 50 || w < 50) {
        // Too small for the charts: the window grows, and the resize draws them.
        resizing_ = true;
        QWidget* frame = Frame() ? static_cast<QWidget*>(Frame()) : this;
        frame->resize(frame->width() + std::max(0, 50 - w), frame->height() + std::max(0, 50 - h));
        resizing_ = false;
        if (ChartHeight() < 50 || TiltWidth() < 50)
            return;
        ImageAngle->Background()->SetSize(ImageAngle->width(), ImageAngle->height());
    }
    DrawTiltChart();
    DrawOrientationChart();
}

void TAngleAnalysis::DrawTiltLabels()
{
    platform::TCanvas* c = ImageAngle->Background()->Canvas();
    const int h = ChartHeight(), w = TiltWidth();
    const int x0 = MarginLeft, y0 = MarginTop, roseX = MarginLeft + w + MarginGap;
    c->Brush.Style = platform::bsClear;
    c->Font.Name = "Arial";
    c->Font.SetSize(8);
    c->Font.Style = 0;
    c->Font.Color = platform::clBlack;
    const double degrees = Degrees(VisibleAngle);
    const std::string right = platform::FloatToStr(degrees) + "\xB0";
    const std::string half = platform::FloatToStr(degrees / 2) + "\xB0";
    c->TextOut(x0, y0 + h + 2, "0\xB0");
    c->TextOut(x0 + w / 2 - c->TextWidth(half) / 2, y0 + h + 2, half);
    c->TextOut(x0 + w - c->TextWidth(right), y0 + h + 2, right);
    c->TextOut(roseX - c->TextWidth("180\xB0") - 2, y0 + h / 2 - c->TextHeight("180\xB0") / 2, "180\xB0");
    c->Font.Color = TitleColour;
    c->Font.Style = platform::fsBold;
    c->TextOut(MarginLeft, 5 - c->TextHeight("Tilt") / 2, "Tilt");
    c->Font.Style = 0;
    c->Brush.Style = platform::bsSolid;
}

void TAngleAnalysis::DrawTiltChart()
{
    int h = 0, w = 0;
    platform::TCanvas* c = ChartCanvas(h, w);
    if (!c || Counts.Tilt.empty())
        return;
    platform::TBitmap* picture = c->Bitmap();
    const int x0 = MarginLeft, y0 = MarginTop;
    ImageAngle->BeginUpdate();
    // The area left of the rose in the form's colour, then the chart.
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = platform::clBtnFace;
    c->FillRect({0, 0, MarginLeft + w + MarginGap, picture->Height()});
    c->Pen = platform::TPen{FrameColour};
    c->Brush.Color = BackgroundColour;
    c->Rectangle(x0, y0, x0 + w, y0 + h);
    if (Grid) {
        c->Pen.Color = GridColour;
        for (const int x : {w / 4, w / 2, 3 * w / 4}) {
            c->MoveTo(x0 + x, y0 + 1);
            c->LineTo(x0 + x, y0 + h - 1);
        }
    }
    MostFrequentBar = processing::MostFrequent(Counts.Tilt);
    const double largest = Counts.Tilt[std::size_t(MostFrequentBar)];
    const double visibleBars = VisibleAngle / BarWidth;
    const double barsPerPixel = visibleBars / w;
    c->Pen.Color = BarColour;
    c->Brush.Color = BarColour;
    for (int p = 0; p < visibleBars && p < int(Counts.Tilt.size()); ++p) {
        // A bar narrower than a pixel still shows, one pixel wide.
        const int left = int(p / barsPerPixel), right = std::max(left + 1, int((p + 1) / barsPerPixel));
        const int top = int((largest - Counts.Tilt[std::size_t(p)] + 1) / (largest / h));
        if (top < h && left < w)
            c->Rectangle(x0 + left, y0 + top, x0 + std::min(right, w), y0 + h);
    }
    DrawTiltLabels();
    ImageAngle->EndUpdate();
}

void TAngleAnalysis::DrawOrientationChart()
{
    int h = 0, w = 0;
    platform::TCanvas* c = ChartCanvas(h, w);
    if (!c || Counts.Orientation.empty())
        return;
    platform::TBitmap* picture = c->Bitmap();
    const int x0 = MarginLeft + w + MarginGap, y0 = MarginTop, mid = h / 2;
    ImageAngle->BeginUpdate();
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = RoseColour;
    c->FillRect({x0, y0, x0 + h, y0 + h});
    MostFrequentSector = processing::MostFrequent(Counts.Orientation);
    const double scale = Counts.Orientation[std::size_t(MostFrequentSector)] * 2.0 / h;
    std::vector<platform::TPoint> points;
    for (std::size_t k = 0; k < Counts.Orientation.size(); ++k) {
        const double r = Counts.Orientation[k] / scale, a = double(k) * SectorWidth;
        points.push_back({x0 + mid + int(std::cos(a) * r), y0 + mid - int(std::sin(a) * r)});
    }
    points.push_back(points.front());
    c->Pen = platform::TPen{RoseOutlineColour, 2};
    c->Polyline(points);
    // Outside the rose white, from the four corners up to the outline.
    for (const auto& [x, y] : {std::pair{x0, y0}, {x0 + h - 1, y0}, {x0, y0 + h - 1}, {x0 + h - 1, y0 + h - 1}})
        FloodFill(picture, x, y, x0, y0, x0 + h, y0 + h, RoseOutlineColour, BackgroundColour);
    c->Pen = platform::TPen{GridColour, 1};
    if (Grid) {
        c->MoveTo(x0 + mid, y0);
        c->LineTo(x0 + mid, y0 + h);
        c->MoveTo(x0, y0 + mid);
        c->LineTo(x0 + h, y0 + mid);
        c->MoveTo(x0, y0);
        c->LineTo(x0 + h, y0 + h);
        c->MoveTo(x0 + h - 1, y0);
        c->LineTo(x0 - 1, y0 + h);
        c->Brush.Style = platform::bsClear;
        c->Ellipse(x0, y0, x0 + h, y0 + h);
    }
    c->Pen = platform::TPen{FrameColour, 1};
    c->Brush.Style = platform::bsClear;
    c->Rectangle(x0, y0, x0 + h, y0 + h);
    // Labels around the rose, and the title.
    c->Brush.Color = platform::clBtnFace;
    c->Brush.Style = platform::bsSolid;
    c->FillRect({x0, 0, picture->Width(), y0});
    c->FillRect({x0 + h, y0, picture->Width(), picture->Height()});
    c->FillRect({x0, y0 + h, x0 + h, picture->Height()});
    c->Brush.Style = platform::bsClear;
    c->Font.Name = "Arial";
    c->Font.SetSize(8);
    c->Font.Style = 0;
    c->Font.Color = platform::clBlack;
    const int th = c->TextHeight("0\xB0");
    c->TextOut(x0 + h + 2, y0 + mid - th / 2, "0\xB0");
    c->TextOut(x0 + mid - c->TextWidth("90\xB0") / 2, y0 - th, "90\xB0");
    c->TextOut(x0 + mid - c->TextWidth("270\xB0") / 2, y0 + h + 1, "270\xB0");
    c->Font.Color = TitleColour;
    c->Font.Style = platform::fsBold;
    c->TextOut(x0, 5 - th / 2, "Orientation");
    c->Font.Style = 0;
    c->Brush.Style = platform::bsSolid;
    DrawTiltLabels();
    ImageAngle->EndUpdate();
}

bool TAngleAnalysis::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (key != Qt::Key_C || !(modifiers & Qt::ControlModifier))
        return false;
    platform::CopyToClipboard(*ImageAngle->Background());
    return true;
}

void TAngleAnalysis::SavePicture(const std::string& path)
{
    SaveAnglePicture(this, path);
}

void TAngleAnalysis::SaveReport(const std::string& path)
{
    WriteAngleReport(this, path);
}

int SaveAnglePicture(TAngleAnalysis* window, const std::string& path)
{
    if (window)
        window->ImageAngle->Background()->SaveToFile(path);
    return 1;
}

bool WriteAngleReport(TAngleAnalysis* window, const std::string& path)
{
    if (!window)
        return false;
    const processing::TAngleRegion& r = window->Region;
    const double area = double(r.X2 - r.X1) * double(r.Y2 - r.Y1);
    return platform::AppendToFile(path, AngleReport(window->Counts, area));
}
