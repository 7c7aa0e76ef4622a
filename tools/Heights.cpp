#include "tools/Heights.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSlider>
#include <cmath>
#include <cstdio>
#include <utility>

#include "components/ZtImage.h"
#include "data/ObjectFile.h"
#include "data/ObjectSPM.h"
#include "data/Surfacedata.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "platform/core/Text.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Numbers.h"

namespace {

// The charts: 200 × 200 each, the histogram at (40, 20), the bearing ratio beside the
// marker's track bar.
constexpr int ChartSize = 200;
constexpr int ChartTop = 20;
constexpr int HistogramLeft = 40;
constexpr int TrackBarWidth = 20;
constexpr int BearingLeft = HistogramLeft + ChartSize + TrackBarWidth + 20;
constexpr int ChartBottom = ChartTop + ChartSize;

int Trunc(double v)
{
    if (!(v > -1e9))
        return -1000000000;
    return v > 1e9 ? 1000000000 : static_cast<int>(v);
}

std::string Percent(double value)
{
    return platform::FormatText("%.2f%%", value);
}


void SetFont(platform::TCanvas* c, bool bold)
{
    c->Font.Name = "Arial";
    c->Font.Height = -11;
    c->Font.Color = platform::clBlack;
    c->Font.Style = bold ? platform::fsBold : 0;
}

//! A text ending `gap` pixels left of x, its middle at y.
void TextLeftOf(platform::TCanvas* c, int x, int y, const std::string& text)
{
    const platform::TSize size = c->TextExtent(text);
    c->TextOut(x - size.cx, y - size.cy / 2, text);
}

//! A text centred on x, its top at y.
void TextCentred(platform::TCanvas* c, int x, int y, const std::string& text)
{
    c->TextOut(x - c->TextWidth(text) / 2, y, text);
}

}  // namespace

// ---------------------------------------------------------------------------------
// Construction

THeightsForm::THeightsForm(TObjectSPM* step, QMdiArea* area)
    // A single border with the system menu and the minimise box only.
    : TAnalysisWindow(step, &TObjectSPM::HeightsWindow, area, TMdiChild::MinimisableFrame)
{
    setObjectName("HeightsForm");
    setWindowTitle("Heights");
    setFixedSize(512, 348);

    Image = new TZtImage(this);
    Image->setObjectName("Image");
    Image->setGeometry(0, 0, 512, 285);
    Image->setFocusPolicy(Qt::NoFocus);
    tbMarker = new QSlider(Qt::Vertical, this);
    tbMarker->setObjectName("tbMarker");
    tbMarker->setGeometry(250, 10, TrackBarWidth, 220);
    tbMarker->setInvertedAppearance(true);  // position 0 at the top
    tbMarker->setInvertedControls(true);
    tbMarker->setSingleStep(1);
    tbMarker->setTickPosition(QSlider::NoTicks);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 285, 512, 63);
    Bevel1 = new QFrame(Panel1);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 0, 512, 2);
    auto label = [this](const char* name, const char* text, int x, int y) {
        auto* l = new QLabel(text, Panel1);
        l->setObjectName(name);
        l->move(x, y);
        return l;
    };
    auto edit = [this](const char* name, int x, int y, int w) {
        auto* e = new QLineEdit(Panel1);
        e->setObjectName(name);
        e->setGeometry(x, y, w, 20);
        e->installEventFilter(this);
        return e;
    };
    auto button = [this](const char* name, const char* text, int x, int y) {
        auto* b = new QPushButton(text, Panel1);
        b->setObjectName(name);
        b->setGeometry(x, y, 76, 24);
        b->installEventFilter(this);
        return b;
    };
    Label3 = label("Label3", "Number of bars (3-100):", 8, 10);
    edNumberHistBars = edit("edNumberHistBars", 140, 8, 40);
    Label4 = label("Label4", "Step:", 188, 10);
    edStepBar = edit("edStepBar", 220, 8, 60);
    Label5 = label("Label5", "Marker position:", 8, 38);
    edPos = edit("edPos", 100, 36, 80);
    btSaveTops = button("btSaveTops", "Save Tops", 296, 8);
    btSaveValleys = button("btSaveValleys", "Save Valleys", 296, 34);
    btClose = button("btClose", "Close", 428, 20);
    tbMarker->installEventFilter(this);
    setTabOrder(edNumberHistBars, edStepBar);
    setTabOrder(edStepBar, edPos);
    setTabOrder(edPos, btSaveTops);
    setTabOrder(btSaveTops, btSaveValleys);
    setTabOrder(btSaveValleys, btClose);
    setTabOrder(btClose, tbMarker);

    connect(tbMarker, &QSlider::valueChanged, this, [this] { tbMarkerChange(); });
    connect(btSaveTops, &QPushButton::clicked, this, &THeightsForm::btSaveTopsClick);
    connect(btSaveValleys, &QPushButton::clicked, this, &THeightsForm::btSaveValleysClick);
    connect(btClose, &QPushButton::clicked, this, &THeightsForm::btCloseClick);

    if (Frame())
        Frame()->adjustSize();
    FormCreate();
}

THeightsForm::~THeightsForm() = default;

void THeightsForm::FormCreate()
{
    if (OwnerStep()) {
        Channel = static_cast<std::uint8_t>(OwnerStep()->CurrentChannel());
        // Fetched after the acquire: a reload replaces the channel objects.
        ChannelData = DataSet() ? DataSet()->Channel(Channel) : nullptr;
    }
    HistogramBitmap = std::make_unique<platform::TBitmap>();
    HistogramBitmap->SetSize(ChartSize, ChartSize);
    BearingBitmap = std::make_unique<platform::TBitmap>();
    BearingBitmap->SetSize(ChartSize, ChartSize);
    FitReadings();
    Image->Background()->SetSize(Image->width(), Image->height());
    Image->SetAutoRefresh(true);
    Image->Loaded();
    ImageCanvas = Image->Background()->Canvas();

    Distribution.Bars = 100;
    Step = double(Range()) / 100;
    edNumberHistBars->setText("100");
    edStepBar->setText(QString::fromStdString(platform::FloatToStrF(Step, platform::ffFixed, 3, 2)));
    edPos->setText("0");
    SetMarkerMaximum(100);
    DrawCharts();
    DrawMarker();
}

void THeightsForm::Detach()
{
    TAnalysisWindow::Detach();
    ChannelData = nullptr;
}

void THeightsForm::closeEvent(QCloseEvent* event)
{
    TAnalysisWindow::closeEvent(event);
    ChannelData = nullptr;
}

// ---------------------------------------------------------------------------------
// Values of the channel

std::int64_t THeightsForm::Range() const { return ChannelData ? ChannelData->GetRange() : 0; }

double THeightsForm::ZScale() const { return ChannelData ? ChannelData->Header.ZScale : 0.0; }

int THeightsForm::MarkerIndex() const { return tbMarker->maximum() - tbMarker->value(); }

QString THeightsForm::MarkerText() const
{
    const double min = ChannelData ? ChannelData->Header.Min : 0;
    return QString::fromStdString(
        platform::FloatToStrF((min + MarkerIndex() * Step) * ZScale(), platform::ffFixed, 5, 1));
}

void THeightsForm::SetMarkerMaximum(int maximum)
{
    tbMarker->setMaximum(maximum);
}

// ---------------------------------------------------------------------------------
// Drawing

void THeightsForm::DrawCharts()
{
    const int n = Distribution.Bars;
    if (ChannelData) {
        ChannelData->Lock();
        const std::int32_t* values = ChannelData->GetData();
        Distribution = processing::ComputeHeightDistribution(
            values, values ? ChannelData->SampleCount() : 0, ChannelData->Header.Min, Step, n);
        ChannelData->Unlock();
    } else {
        Distribution = processing::ComputeHeightDistribution(nullptr, 0, 0, Step, n);
    }
    const auto& d = Distribution;
    BarHeight = double(ChartSize) / d.Bars;
    const double lengthScale = d.MaxCount > 0 ? double(ChartSize) / d.MaxCount : 0;
    const double total = d.Total > 0 ? double(d.Total) : 1;

    platform::TCanvas* hc = HistogramBitmap->Canvas();
    hc->Brush.Style = platform::bsSolid;
    hc->Brush.Color = platform::clWhite;
    hc->FillRect(platform::Rect(0, 0, ChartSize, ChartSize));
    hc->Brush.Color = platform::clTeal;
    for (int i = 0; i < d.Bars; ++i) {
        const int right = Trunc(d.Counts[std::size_t(i)] * lengthScale);
        const int bottom = Trunc(ChartSize - i * BarHeight);
        const int top = Trunc(ChartSize - (i + 1) * BarHeight);
        if (right > 0 && bottom > top)
            hc->FillRect(platform::Rect(0, top, right, bottom));
    }

    platform::TCanvas* bc = BearingBitmap->Canvas();
    bc->Brush.Style = platform::bsSolid;
    bc->Brush.Color = platform::clWhite;
    bc->FillRect(platform::Rect(0, 0, ChartSize, ChartSize));
    std::vector<platform::TPoint> curve{{Trunc(ChartSize * double(d.BearingRatio[0])), ChartSize}};
    for (int i = 0; i < d.Bars; ++i)
        curve.push_back({Trunc(ChartSize * double(d.BearingRatio[std::size_t(i)])),
                         Trunc(ChartSize - i * BarHeight)});
    bc->Pen.Color = platform::clTeal;
    bc->Pen.Width = 2;
    bc->Polyline(curve);
    bc->Pen.Width = 1;

    platform::TCanvas* c = ImageCanvas;
    Image->BeginUpdate();
    c->Pen.Color = platform::clBlack;
    c->Pen.Width = 1;
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = platform::clWhite;
    c->Rectangle(0, 0, Image->Background()->Width(), Image->Background()->Height());
    PutCharts(0);
    // Ticks every 10 pixels from the bottom up, left of the histogram and right of the
    // bearing ratio.
    for (int t = 0; t <= 20; ++t) {
        const int y = ChartBottom - 10 * t;
        c->MoveTo(HistogramLeft - 5, y);
        c->LineTo(HistogramLeft, y);
        c->MoveTo(BearingLeft + ChartSize, y);
        c->LineTo(BearingLeft + ChartSize + 5, y);
    }
    SetFont(c, false);
    c->Brush.Style = platform::bsClear;
    const double s = ZScale();
    const double min = ChannelData ? ChannelData->Header.Min : 0;
    const double max = ChannelData ? ChannelData->Header.Max : 0;
    auto fixed = [](double v) { return platform::FloatToStrF(v, platform::ffFixed, 5, 1); };
    TextLeftOf(c, HistogramLeft - 5, ChartTop, fixed(max * s));
    TextLeftOf(c, HistogramLeft - 5, ChartTop + ChartSize / 2, fixed((max + min) * s * 0.5));
    TextLeftOf(c, HistogramLeft - 5, ChartBottom, fixed(min * s));
    const int below = ChartBottom + 4;
    c->TextOut(HistogramLeft, below, "0%");
    TextCentred(c, HistogramLeft + ChartSize / 2, below, Percent(d.MaxCount * 50.0 / total));
    const std::string full = Percent(d.MaxCount * 100.0 / total);
    c->TextOut(HistogramLeft + ChartSize - c->TextWidth(full), below, full);
    const int right = BearingLeft + ChartSize + 10;
    c->TextOut(right, ChartTop - 6, "1");
    c->TextOut(right, ChartTop + ChartSize / 2 - 6, "0.5");
    c->TextOut(right, ChartBottom - 6, "0");
    c->TextOut(BearingLeft, below, "0%");
    TextCentred(c, BearingLeft + ChartSize / 2, below, "50%");
    c->TextOut(BearingLeft + ChartSize - c->TextWidth("100%"), below, "100%");
    SetFont(c, true);
    const std::string unit = ChannelData ? FieldText(ChannelData->Header.ZUnit, sizeof ChannelData->Header.ZUnit) : "";
    c->TextOut(HistogramLeft, ChartTop - 15 - 2, "Height distribution, " + unit);
    c->TextOut(BearingLeft, ChartTop - 15 - 2, "Bearing ratio:");
    SetFont(c, false);
    c->Brush.Style = platform::bsSolid;
    Image->EndUpdate();
}

void THeightsForm::PutCharts(int taller)
{
    platform::TCanvas* c = ImageCanvas;
    c->Draw(HistogramLeft, ChartTop, HistogramBitmap.get());
    c->Draw(BearingLeft, ChartTop, BearingBitmap.get());
    c->Pen.Color = platform::clBlack;
    c->Brush.Style = platform::bsClear;
    for (int left : {HistogramLeft, BearingLeft})
        c->Rectangle(left - 1, ChartTop - 1, left + ChartSize + 1, ChartBottom + 1 + taller);
    c->Brush.Style = platform::bsSolid;
}

void THeightsForm::DrawMarker()
{
    const int y = Trunc(ChartSize + ChartTop - MarkerIndex() * BarHeight);
    platform::TCanvas* c = ImageCanvas;
    c->Pen.Color = platform::clBlue;
    c->Pen.Width = 1;
    c->MoveTo(HistogramLeft, y);
    c->LineTo(HistogramLeft + ChartSize, y);
    c->MoveTo(BearingLeft, y);
    c->LineTo(BearingLeft + ChartSize, y);
    ShowMarkerInfo();
}

std::string THeightsForm::MarkerLine(const std::string& height, double relative, double share,
                                     double bearing) const
{
    return platform::FormatText(
        "Height: %snm;   Relative height: %.2f;   Height distribution: %.2f%%;   Bearing ratio: %.2f%%",
        height.c_str(), relative, share, bearing);
}

std::string THeightsForm::StatisticsLine() const
{
    return ChannelData ? platform::FormatText("Hmean=%.2f   Ra=%.2f   Rq=%.2f   Rsk=%.2f   Rku=%.2f",
                                              ChannelData->Mean, ChannelData->Ra, ChannelData->Rq,
                                              ChannelData->Rsk, ChannelData->Rku)
                       : "";
}

void THeightsForm::FitReadings()
{
    // The widest readings the marker can give: the longer of the extreme heights' texts and
    // every share at 100 %.
    platform::TCanvas* c = Image->Background()->Canvas();
    SetFont(c, false);
    const double s = ZScale();
    int widest = c->TextWidth(StatisticsLine());
    if (ChannelData)
        for (const double raw : {double(ChannelData->Header.Min), double(ChannelData->Header.Max)}) {
            const std::string height = platform::FloatToStrF(raw * s, platform::ffFixed, 5, 1);
            widest = std::max(widest, c->TextWidth(MarkerLine(height, 1, 100, 100)));
        }
    // The band of the readings ends 5 pixels before the picture's right edge.
    const int needed = HistogramLeft + widest + 5 + 2;
    if (needed <= width())
        return;
    setFixedSize(needed, height());
    Image->setGeometry(0, 0, needed, Image->height());
    Panel1->setGeometry(0, Panel1->y(), needed, Panel1->height());
    Bevel1->setGeometry(0, 0, needed, Bevel1->height());
    if (Frame())
        Frame()->adjustSize();
}

void THeightsForm::ShowMarkerInfo()
{
    const auto& d = Distribution;
    const int k = std::clamp(MarkerIndex(), 0, d.Bars);
    const double total = d.Total > 0 ? double(d.Total) : 1;
    MarkerInfo[0] = MarkerLine(edPos->text().toStdString(), double(k) / d.Bars,
                               d.Counts[std::size_t(k)] * 100.0 / total,
                               double(d.BearingRatio[std::size_t(k)]) * 100);
    MarkerInfo[1] = StatisticsLine();
    platform::TCanvas* c = ImageCanvas;
    Image->BeginUpdate();
    c->Brush.Style = platform::bsSolid;
    c->Brush.Color = platform::clWhite;
    c->FillRect(platform::Rect(5, ChartBottom + 30, Image->Background()->Width() - 5, ChartBottom + 60));
    SetFont(c, false);
    c->TextOut(HistogramLeft, ChartBottom + 30, MarkerInfo[0]);
    c->TextOut(HistogramLeft, ChartBottom + 45, MarkerInfo[1]);
    Image->EndUpdate();
}

// ---------------------------------------------------------------------------------
// Controls

void THeightsForm::tbMarkerChange()
{
    Image->BeginUpdate();
    PutCharts(1);  // the old marker line goes
    edPos->setText(MarkerText());
    DrawMarker();
    Image->EndUpdate();
}

void THeightsForm::Refuse(QLineEdit* box, const std::string& message, const QString& text, bool keepFocus)
{
    platform::ShowMessage(message, "Input error", platform::MessageIcon::Error);
    box->setText(text);
    if (keepFocus)
        box->setFocus();
}

void THeightsForm::edNumberHistBarsExit()
{
    if (!edNumberHistBars->isModified())
        return;
    const QString old = QString::number(Bars());
    int n = 0;
    try {
        n = platform::StrToInt(edNumberHistBars->text().toStdString());
    } catch (const platform::EConvertError&) {
        Refuse(edNumberHistBars, "Value must be integer", old, false);
        return;
    }
    if (n < 3 || n > processing::kMaxHeightBars) {
        Refuse(edNumberHistBars, "Value must be > 2 and <= 100", old, true);
        return;
    }
    Distribution.Bars = n;
    Step = double(Range()) / n;
    SetMarkerMaximum(n);
    edStepBar->setText(QString::fromStdString(platform::FloatToStrF(Step, platform::ffFixed, 3, 2)));
    edPos->setText(MarkerText());  // the marker's bar has another height now
    edNumberHistBars->setModified(false);
    DrawCharts();
    DrawMarker();
}

void THeightsForm::edStepBarExit()
{
    if (!edStepBar->isModified())
        return;
    const QString old = QString::fromStdString(platform::FloatToStrF(Step, platform::ffFixed, 3, 2));
    double d = 0;
    try {
        d = std::trunc(platform::StrToFloat(edStepBar->text().toStdString()));
    } catch (const platform::EConvertError&) {
        Refuse(edStepBar, "Value must be integer", old, false);
        return;
    }
    const double range = double(Range());
    // A flat channel (range 0) refuses every step.
    if (!(range * 0.01 < d && d <= range * (1.0 / 3))) {
        Refuse(edStepBar, platform::FormatText("Value must be > %.1f and <= %.1f", range * 0.01, range / 3), old,
               true);
        return;
    }
    Step = d;
    const int n = std::clamp(int(std::trunc(range / Step)), 1, processing::kMaxHeightBars);
    Distribution.Bars = n;
    SetMarkerMaximum(n);
    edNumberHistBars->setText(QString::number(n));
    edStepBar->setText(QString::fromStdString(platform::FloatToStrF(Step, platform::ffFixed, 3, 2)));
    edPos->setText(MarkerText());
    DrawCharts();
    DrawMarker();
}

void THeightsForm::edPosExit()
{
    if (!edPos->isModified())
        return;
    double v = 0;
    try {
        v = std::trunc(platform::StrToFloat(edPos->text().toStdString()));
    } catch (const platform::EConvertError&) {
        Refuse(edPos, "Value must be float", MarkerText(), false);
        return;
    }
    const double s = ZScale();
    const double min = ChannelData ? ChannelData->Header.Min : 0;
    const double max = ChannelData ? ChannelData->Header.Max : 0;
    if (!(min * s <= v && v <= max * s)) {
        Refuse(edPos, platform::FormatText("Value must be > %.1f 0 and <= %.1f", min * s, max * s), MarkerText(),
               true);
        return;
    }
    // Without a Z scale or a step (a flat channel) no height names a bar: the marker stays.
    if (s != 0 && Step > 0) {
        const double position = std::trunc(Bars() - (v / s - min) / Step);
        settingMarker_ = true;
        tbMarker->setValue(int(std::clamp(position, 0.0, double(Bars()))));
        settingMarker_ = false;
    }
    edPos->setText(MarkerText());
}

void THeightsForm::btSaveTopsClick()
{
    if (tbMarker->value() == 0)
        return;  // the marker at the top: nothing lies above it
    SaveCut(true);
}

void THeightsForm::btSaveValleysClick()
{
    if (tbMarker->value() == tbMarker->maximum())
        return;  // the marker at the bottom
    SaveCut(false);
}

void THeightsForm::SaveCut(bool tops)
{
    if (!OwnerStep() || !OwnerStep()->Owner || !ChannelData)
        return;
    const std::int32_t v = processing::MarkerHeight(MarkerIndex(), Step, ChannelData->Header.Min);
    const std::string name = (tops ? "Save tops (>" : "Save Valleys (<") + std::to_string(v) + ")";
    TObjectSPM* step = OwnerStep();
    step->BuildViewMenu();  // the window's own file and step are the current ones
    TObjectSPM* added = step->Owner->AddStepFrom(name, step);
    if (!added)
        return;
    if (TSPMData* ch = added->SurfaceData->Channel(Channel)) {
        ch->Lock();
        if (std::int32_t* values = ch->GetData()) {
            if (tops)
                processing::RaiseBelow(values, ch->SampleCount(), v);
            else
                processing::LowerAbove(values, ch->SampleCount(), v);
        }
        ch->Unlock();
        ch->ComputeRangeAndStatistics();
        ch->DefaultPalette();
    }
    added->ShowChannelView(Channel);
    added->SurfaceData->Release();
}

void THeightsForm::btCloseClick() { CloseWindow(); }

bool THeightsForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    return ChildKey(key, modifiers, Image->Background());
}

bool THeightsForm::edKeyDown(QLineEdit* box, int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    focusNextChild();  // leaving the box applies it
    return true;
}

bool THeightsForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyDown(key->key(), key->modifiers()))
            return true;
        if (box && edKeyDown(box, key->key()))
            return true;
    } else if (event->type() == QEvent::FocusOut && box) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window coming to the front, or a pop-up menu, does not leave the box.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (box == edNumberHistBars)
                edNumberHistBarsExit();
            else if (box == edStepBar)
                edStepBarExit();
            else if (box == edPos)
                edPosExit();
        }
    }
    return QWidget::eventFilter(watched, event);
}


// ---------------------------------------------------------------------------------
// Saving

void THeightsForm::SavePicture(const std::string& path) { SaveHeightsReport(this, path, 1); }

void THeightsForm::SaveReport(const std::string& path) { SaveHeightsReport(this, path, 2); }

void SaveHeightsReport(THeightsForm* window, const std::string& path, int mode)
{
    if (!window)
        return;
    if (mode == 1) {
        window->Image->Background()->SaveToFile(path);
        return;
    }
    if (mode != 2 || !window->ChannelData)
        return;
    const int channel = window->Channel;
    const std::string text = processing::HeightsReportText(
        platform::Utf8ToCp1251(
            platform::ExtractFileName(ChannelSourceFile(*window->ChannelData, window->DataSet()))),
        FieldText(ChannelNames[channel], sizeof ChannelNames[channel]), window->Distribution,
        window->ChannelData->Header.ZScale);
    platform::AppendToFile(path, text);
}
