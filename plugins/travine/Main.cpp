#include "Main.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/Plugins.h"
#include "platform/charts/Chart.h"
#include "platform/gui/Numbers.h"

namespace travine {

using namespace plugindialogs;
using charts::TAxisKind;
using charts::TChart;
using charts::TChartSeries;
using charts::TSeriesKind;

namespace {

const QColor kForward = Qt::red;
const QColor kBackward = Qt::green;

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

TChartSeries& AddLine(TChart& chart, const QString& title, const QColor& color)
{
    TChartSeries& s = chart.AddSeries(TSeriesKind::FastLine, title);
    s.SetColor(color);
    return s;
}

// A crosshair line of an image chart: two points, measured on the top and left axes, drawn
// over the picture so that a move redraws only where the line was and where it goes.
TChartSeries& AddCrossLine(TChart& chart, const QColor& color, int width)
{
    TChartSeries& s = chart.AddSeries(TSeriesKind::FastLine);
    s.SetColor(color);
    s.SetLineWidth(width);
    s.SetShowInLegend(false);
    s.SetOverlay(true);
    s.SetHorizontalAxis(TAxisKind::Top);
    s.SetVerticalAxis(TAxisKind::Left);
    s.AddXY(0, 0);
    s.AddXY(0, 0);
    return s;
}

void SetLine(TChartSeries& s, double x1, double y1, double x2, double y2)
{
    s.SetX(0, x1);
    s.SetY(0, y1);
    s.SetX(1, x2);
    s.SetY(1, y2);
}

QSlider* ExponentBar(QWidget* parent)
{
    auto* bar = new QSlider(Qt::Vertical, parent);
    bar->setRange(100, 200);
    bar->setValue(100);
    bar->setPageStep(5);
    bar->setTickInterval(5);
    bar->setTickPosition(QSlider::TicksBothSides);
    bar->setInvertedAppearance(true); // the smallest exponent at the top
    return bar;
}

} // namespace

QImage ComponentImage(const TDataspm16& component)
{
    const TDataBitmap& b = component.Bitmap();
    if (b.Width <= 0 || b.Height <= 0 || b.Pixels.empty())
        return QImage();
    return QImage(reinterpret_cast<const uchar*>(b.Pixels.data()), b.Width, b.Height, b.Width * 4,
                  QImage::Format_RGB32)
        .copy();
}

// The progress bar followed by long loops, repainted at once (the loops do not yield), and
// only when its percentage changes.
class TFMain::TProgressBar final : public platform::IProgress {
public:
    explicit TProgressBar(QProgressBar& bar) : bar_(bar) {}
    void SetRange(int minimum, int maximum) override
    {
        values_.SetRange(minimum, maximum);
        Show();
    }
    void SetPosition(int position) override
    {
        values_.SetPosition(position);
        Show();
    }
    int Position() const override { return values_.Position; }
    bool StopRequested() override { return false; }

private:
    void Show()
    {
        const int span = values_.Maximum - values_.Minimum;
        const int percent =
            span > 0
                ? static_cast<int>((std::int64_t{values_.Position} - values_.Minimum) * 100 / span)
                : 0;
        if (percent == shown_)
            return;
        shown_ = percent;
        bar_.setValue(percent);
        bar_.repaint();
    }
    QProgressBar& bar_;
    platform::ProgressValues values_;
    int shown_ = -1;
};

TFMain::TFMain(IPlugIn* host, std::int32_t object, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      host_(host), object_(object)
{
    for (TDataspm16* c : {&Data_forward, &Data_backward, &Data_forward_nl, &Data_backward_nl}) {
        c->SetColorTop(clWhite);
        c->Notices = this;
    }
    BuildWindow();
    progress_ = std::make_unique<TProgressBar>(*PBProgress);

    // Both crosshairs start at 0.
    DrawCursorLines();
    DrawFixedCursorLines();
    Data_forward.Activated = true;
    Data_backward.Activated = true;
    TBFS_nChange();
    TBFS_mChange();
    TBSS_nChange();
    TBSS_mChange();
    SGCurrProf->item(0, 0)->setText("current X profiles");
    SGCurrProf->item(1, 0)->setText("current Y profiles");
    SGCurrProf->item(2, 0)->setText("of matrices");
    if (!FImage())
        return;
    BImage();
}

TFMain::~TFMain() = default;

void TFMain::BuildWindow()
{
    setWindowTitle("Nonlinearity");
    setFixedSize(1024, 721);

    PLeftImage = new QWidget(this);
    PRight = new QWidget(this);
    PBottom = new QWidget(this);
    auto* main = new QGridLayout(this);
    main->setContentsMargins(4, 4, 4, 4);
    main->addWidget(PLeftImage, 0, 0);
    main->addWidget(PRight, 0, 1);
    main->addWidget(PBottom, 1, 0, 1, 2);
    main->setColumnStretch(0, 3);
    main->setColumnStretch(1, 2);

    // The images and their profiles.
    const auto imageChart = [this](const char* name, const char* title) {
        auto* chart = new TChart(PLeftImage);
        chart->setObjectName(name);
        chart->SetTitle(title);
        chart->SetLegendVisible(false);
        chart->viewport()->setCursor(Qt::CrossCursor);
        chart->LeftAxis().SetInverted(true);
        chart->TopAxis().SetMinMax(0, 1);
        chart->LeftAxis().SetMinMax(0, 1);
        chart->setContextMenuPolicy(Qt::NoContextMenu);
        return chart;
    };
    ChartLeftI = imageChart("ChartLeftI", "Forward image");
    ChartRightI = imageChart("ChartRightI", "Backward image");
    SeriesFVertLine = &AddCrossLine(*ChartLeftI, Qt::yellow, 1);
    SeriesFHorLine = &AddCrossLine(*ChartLeftI, Qt::yellow, 1);
    SeriesFVertLineFixed = &AddCrossLine(*ChartLeftI, Qt::red, 2);
    SeriesFHorLineFixed = &AddCrossLine(*ChartLeftI, Qt::red, 2);
    SeriesBVertLine = &AddCrossLine(*ChartRightI, Qt::yellow, 1);
    SeriesBHorLine = &AddCrossLine(*ChartRightI, Qt::yellow, 1);
    SeriesBVertLineFixed = &AddCrossLine(*ChartRightI, Qt::red, 2);
    SeriesBHorLineFixed = &AddCrossLine(*ChartRightI, Qt::red, 2);
    L_pos = new QLabel("x:", PLeftImage);
    L_pos->setObjectName("L_pos");

    const auto plainChart = [](QWidget* parent, const char* name, const char* title) {
        auto* chart = new TChart(parent);
        chart->setObjectName(name);
        chart->SetTitle(title);
        return chart;
    };
    ChartFXprof = plainChart(PLeftImage, "ChartFXprof", "X-profile");
    SeriesFXprof = &AddLine(*ChartFXprof, "forward", kForward);
    SeriesBXprof = &AddLine(*ChartFXprof, "backward", kBackward);
    ChartFYprof = plainChart(PLeftImage, "ChartFYprof", "Y-profile");
    SeriesFYprof = &AddLine(*ChartFYprof, "forward", kForward);
    SeriesBYprof = &AddLine(*ChartFYprof, "backward", kBackward);

    auto* left = new QGridLayout(PLeftImage);
    left->setContentsMargins(0, 0, 0, 0);
    left->addWidget(ChartLeftI, 0, 0);
    left->addWidget(ChartRightI, 0, 1);
    left->addWidget(L_pos, 1, 0, 1, 2);
    left->addWidget(ChartFXprof, 2, 0);
    left->addWidget(ChartFYprof, 2, 1);
    left->setRowStretch(0, 3);
    left->setRowStretch(2, 2);

    // The models with their exponents.
    const auto modelBlock = [&](const char* name, const char* title, charts::TChart*& chart,
                                TChartSeries*& f, TChartSeries*& b, QSlider*& nBar, QSlider*& mBar,
                                QLabel*& nLabel, QLabel*& mLabel, QLineEdit*& nBox,
                                QLineEdit*& mBox) {
        chart = plainChart(PRight, name, title);
        f = &AddLine(*chart, "forward", kForward);
        b = &AddLine(*chart, "backward", kBackward);
        nBar = ExponentBar(PRight);
        mBar = ExponentBar(PRight);
        nLabel = new QLabel("  n = ", PRight);
        mLabel = new QLabel("  m = ", PRight);
        QFont bold = font();
        bold.setBold(true);
        nBox = new QLineEdit(PRight);
        mBox = new QLineEdit(PRight);
        for (QWidget* w : std::initializer_list<QWidget*>{nLabel, mLabel, nBox, mBox})
            w->setFont(bold);
        nBox->installEventFilter(this);
        mBox->installEventFilter(this);
        auto* grid = new QGridLayout;
        grid->addWidget(chart, 0, 0, 2, 1);
        grid->addWidget(nBar, 0, 1);
        grid->addWidget(mBar, 0, 2);
        auto* boxes = new QHBoxLayout;
        boxes->addWidget(nLabel);
        boxes->addWidget(nBox);
        boxes->addWidget(mLabel);
        boxes->addWidget(mBox);
        grid->addLayout(boxes, 2, 0, 1, 3);
        return grid;
    };
    auto* right = new QVBoxLayout(PRight);
    right->setContentsMargins(0, 0, 0, 0);
    right->addLayout(modelBlock("ChartFastScan", "Fast Scan", ChartFastScan, SeriesFastScan_f,
                                SeriesFastScan_b, TBFS_n, TBFS_m, STnf, STmf, Enf, Emf),
                     3);
    right->addLayout(modelBlock("ChartSlowScan", "Slow Scan", ChartSlowScan, SeriesSlowScan_f,
                                SeriesSlowScan_b, TBSS_n, TBSS_m, STns, STms, Ens, Ems),
                     3);
    TBFS_n->setObjectName("TBFS_n");
    TBFS_m->setObjectName("TBFS_m");
    TBSS_n->setObjectName("TBSS_n");
    TBSS_m->setObjectName("TBSS_m");
    Enf->setObjectName("Enf");
    Emf->setObjectName("Emf");
    Ens->setObjectName("Ens");
    Ems->setObjectName("Ems");
    BBApply = new QPushButton("Apply nonlinearity", PRight);
    BBApply->setObjectName("BBApply");
    BBApply->setDefault(true);
    BBApply->setAutoDefault(true);
    right->addWidget(BBApply);

    GBCorr = new QGroupBox("Correlations", PRight);
    SGCurrProf = new QTableWidget(3, 2, GBCorr);
    SGCurrProf->setObjectName("SGCurrProf");
    SGCurrProf->horizontalHeader()->hide();
    SGCurrProf->verticalHeader()->hide();
    SGCurrProf->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGCurrProf->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    SGCurrProf->setFixedHeight(3 * SGCurrProf->verticalHeader()->defaultSectionSize() + 4);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            SGCurrProf->setItem(r, c, new QTableWidgetItem);
    ChartCorrX = plainChart(GBCorr, "ChartCorrX", "coefficient correlations of X scan");
    SeriesCorrCoeffX = &AddLine(*ChartCorrX, "", Qt::red);
    SeriesCorrCoeffX->SetShowInLegend(false);
    ChartCorrY = plainChart(GBCorr, "ChartCorrY", "coefficient correlations of Y scan");
    SeriesCorrCoeffY = &AddLine(*ChartCorrY, "", Qt::red);
    SeriesCorrCoeffY->SetShowInLegend(false);
    ChartCorrX->SetLegendVisible(false);
    ChartCorrY->SetLegendVisible(false);
    BBCorrCoeffProf = new QPushButton("Profiles correlation", GBCorr);
    BBCorrCoeffProf->setObjectName("BBCorrCoeffProf");
    BBCorrCoeffProf->setAutoDefault(false);
    auto* corr = new QGridLayout(GBCorr);
    corr->addWidget(SGCurrProf, 0, 0, 1, 2);
    corr->addWidget(ChartCorrX, 1, 0);
    corr->addWidget(ChartCorrY, 1, 1);
    corr->addWidget(BBCorrCoeffProf, 2, 0, 1, 2);
    right->addWidget(GBCorr, 4);

    PBProgress = new QProgressBar(PBottom);
    PBProgress->setObjectName("PBProgress");
    PBProgress->setRange(0, 100);
    PBProgress->setValue(0);
    STStatus = new QLabel("Status", PBottom);
    STStatus->setObjectName("STStatus");
    auto* bottom = new QHBoxLayout(PBottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(PBProgress, 1);
    bottom->addWidget(STStatus, 2);

    PMImages = new QMenu(this);
    Savetospm = PMImages->addAction("Save to *.spm");
    Savetospm->setObjectName("Savetospm");
    Savetobmp1 = PMImages->addAction("Save to *.bmp");
    Savetobmp1->setObjectName("Savetobmp1");

    connect(TBFS_n, &QSlider::valueChanged, this, [this] { TBFS_nChange(); });
    connect(TBFS_m, &QSlider::valueChanged, this, [this] { TBFS_mChange(); });
    connect(TBSS_n, &QSlider::valueChanged, this, [this] { TBSS_nChange(); });
    connect(TBSS_m, &QSlider::valueChanged, this, [this] { TBSS_mChange(); });
    connect(BBApply, &QPushButton::clicked, this, [this] { BBApplyClick(); });
    connect(BBCorrCoeffProf, &QPushButton::clicked, this, [this] { BBCorrCoeffProfClick(); });
    connect(ChartLeftI, &TChart::MouseMove, this,
            [this](Qt::KeyboardModifiers, int x, int y) { ChartLeftIMouseMove(x, y); });
    connect(ChartRightI, &TChart::MouseMove, this,
            [this](Qt::KeyboardModifiers, int x, int y) { ChartRightIMouseMove(x, y); });
    connect(ChartLeftI, &TChart::MouseDown, this,
            [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
                ChartLeftIMouseDown(b, x, y);
            });
    connect(ChartRightI, &TChart::MouseDown, this,
            [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
                ChartRightIMouseDown(b, x, y);
            });
    connect(Savetospm, &QAction::triggered, this, [this] { SavetospmClick(); });
    connect(Savetobmp1, &QAction::triggered, this, [this] { Savetobmp1Click(); });
}

bool TFMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == Enf)
            EnfExit();
        else if (watched == Emf)
            EmfExit();
        else if (watched == Ens)
            EnsExit();
        else if (watched == Ems)
            EmsExit();
    }
    return QDialog::eventFilter(watched, event);
}

void TFMain::Beep()
{
    Dialogs().Beep();
}

void TFMain::Message(const std::string& text, const std::string& caption, bool hand)
{
    ShowMessage(nullptr, text, caption, hand ? TMessageIcon::Error : TMessageIcon::None);
}

// ---------------------------------------------------------------------------------------
// The images

bool TFMain::ImportMatrix(std::int32_t channel, TDataspm16& target)
{
    const std::int32_t w = host_->GetWidth(object_, channel);
    const std::int32_t h = host_->GetHeight(object_, channel);
    const double xStep = host_->GetXStep(object_, channel);
    const double yStep = host_->GetYStep(object_, channel);
    const double zScale = host_->GetZScale(object_, channel);
    const std::int32_t* raw = host_->LockData(object_, channel);
    switch (CheckChannel(raw, w, h)) {
    case TImportCheck::Absent:
        refusal_ = TRefusal::Absent;
        ShowMessage(nullptr, DataAbsent, "");
        return false;
    case TImportCheck::TooWide:
        refusal_ = TRefusal::TooWide;
        ShowMessage(nullptr, RangeTooWide, "");
        return false;
    case TImportCheck::Ok:
        break;
    }
    if (!ImportChannel(raw, w, h, xStep, yStep, zScale, target)) {
        refusal_ = TRefusal::NoMemory;
        Beep();
        Message("Too few free memory for data loading!", "FILE LOAD ERROR", true);
        return false;
    }
    return true;
}

void TFMain::SetUpImageChart(TChart& chart, const TDataspm16& image)
{
    chart.SetBackImage(ComponentImage(image));
    chart.TopAxis().SetMinMax(0, image.mx());
    chart.LeftAxis().SetMinMax(0, image.my());
}

bool TFMain::FImage()
{
    if (!ImportMatrix(0, Data_forward))
        return false;
    Data_forward_nl.Activated = true;
    Data_forward_nl.UnData();
    if (!Data_forward_nl.Copy(Data_forward)) {
        refusal_ = TRefusal::NoMemory;
        return false;
    }
    SetUpImageChart(*ChartLeftI, Data_forward_nl);
    const double mx = Data_forward.mx();
    const double my = Data_forward.my();
    crosshair_.VX1 = crosshair_.VX2 = Data_forward.mx() / 2;
    crosshair_.VY1 = 0;
    crosshair_.VY2 = my;
    crosshair_.HY1 = crosshair_.HY2 = Data_forward.my() / 2;
    crosshair_.HX1 = 0;
    crosshair_.HX2 = mx;
    DrawCursorLines();
    DrawFixedCursorLines();
    DrawModel(true);
    DrawModel(false);
    SetStatus("Status - waiting...");
    return true;
}

bool TFMain::BImage()
{
    if (!ImportMatrix(1, Data_backward))
        return false;
    Data_backward_nl.Activated = true;
    Data_backward_nl.UnData();
    if (!Data_backward_nl.Copy(Data_backward)) {
        refusal_ = TRefusal::NoMemory;
        return false;
    }
    SetUpImageChart(*ChartRightI, Data_backward_nl);
    DrawCursorLines();
    DrawFixedCursorLines();
    DrawModel(true);
    DrawModel(false);
    SetStatus("Status - waiting...");
    return true;
}

void TFMain::WarpImage(const TDataspm16& source, TDataspm16& target, const char* status)
{
    const std::size_t count = static_cast<std::size_t>(source.mx()) * source.my();
    if (!source.HasBlock() || !target.HasBlock() || source.Block().size() < count ||
        target.Block().size() < count || target.mx() != source.mx() || target.my() != source.my())
        return;
    SetStatus(status);
    if (!warp_ || !warp_->Fits(source.mx(), source.my(), exponents_, true))
        warp_.emplace(source.mx(), source.my(), exponents_, true);
    // The gaps are filled in the same pass over the rows as the warp.
    std::uint16_t* values = target.DataLockate();
    warp_->Apply(source.Block().data(), values, nullptr, *progress_);
    target.DataUnLockate();
    SetStatus("Status - waiting...");
    FillGaps(target);
}

void TFMain::WarpForwardImage()
{
    WarpImage(Data_forward, Data_forward_nl, "Status - recalculation forwarding image");
}

void TFMain::WarpBackwardImage()
{
    WarpImage(Data_backward, Data_backward_nl, "Status - recalculation backwarding image");
}

void TFMain::FillGaps(TDataspm16& target)
{
    // The points themselves were filled with the warp; what remains is the image's own.
    SetStatus("Status - fitting image");
    progress_->SetRange(0, target.my());
    if (target.my() > 1)
        progress_->SetPosition(target.my() - 1);
    SetStatus("Status - waiting...");
    // The corrected image's own mean, for its coefficient.
    target.SetMean(target.ValuesMean());
    target.ReCalcBMP();
}

// ---------------------------------------------------------------------------------------
// Models and exponents

void TFMain::DrawModel(bool fast)
{
    TChartSeries& f = fast ? *SeriesFastScan_f : *SeriesSlowScan_f;
    TChartSeries& b = fast ? *SeriesFastScan_b : *SeriesSlowScan_b;
    const int n = fast ? Data_forward_nl.mx() : Data_forward_nl.my();
    const float m = fast ? exponents_.FastM : exponents_.SlowM;
    const float e = fast ? exponents_.FastN : exponents_.SlowN;
    f.Clear();
    b.Clear();
    for (int i = 0; i < n; ++i) {
        f.AddXY(i, std::trunc(ForwardNonlinearity(i, n, m, e)), "", kForward);
        b.AddXY(i, std::trunc(BackwardNonlinearity(i, n, m, e)), "", kBackward);
    }
}

void TFMain::TrackBarChange(QSlider* bar, QLineEdit* box, float& exponent, bool fast)
{
    exponent = static_cast<float>(bar->value() * 0.01);
    box->setText(Text(platform::FloatToStrF(exponent, platform::ffGeneral, 3, 0)));
    if (Data_forward_nl.Activated)
        DrawModel(fast);
}

void TFMain::TBFS_nChange()
{
    TrackBarChange(TBFS_n, Enf, exponents_.FastN, true);
}

void TFMain::TBFS_mChange()
{
    TrackBarChange(TBFS_m, Emf, exponents_.FastM, true);
}

void TFMain::TBSS_nChange()
{
    TrackBarChange(TBSS_n, Ens, exponents_.SlowN, false);
}

void TFMain::TBSS_mChange()
{
    TrackBarChange(TBSS_m, Ems, exponents_.SlowM, false);
}

void TFMain::ExponentExit(QLineEdit* box, QSlider* bar, float& exponent, bool fast)
{
    double value = 0;
    try {
        value = platform::StrToFloat(box->text().toStdString());
    } catch (const platform::EConvertError& e) {
        ShowMessage(this, e.what(), "", TMessageIcon::Error);
        box->setText(Text(platform::FloatToStrF(exponent, platform::ffGeneral, 3, 0)));
        return;
    }
    value = std::clamp(value, 1.0, 2.0);
    exponent = static_cast<float>(value);
    // A hundredth that the binary value falls just short of still counts: 1.15 is 115.
    const QSignalBlocker quiet(bar);
    bar->setValue(static_cast<int>(value * 100 + 1e-6));
    TrackBarChange(bar, box, exponent, fast);
}

void TFMain::EnfExit()
{
    ExponentExit(Enf, TBFS_n, exponents_.FastN, true);
}

void TFMain::EmfExit()
{
    ExponentExit(Emf, TBFS_m, exponents_.FastM, true);
}

void TFMain::EnsExit()
{
    ExponentExit(Ens, TBSS_n, exponents_.SlowN, false);
}

void TFMain::EmsExit()
{
    ExponentExit(Ems, TBSS_m, exponents_.SlowM, false);
}

void TFMain::CommitExponents()
{
    EnfExit();
    EmfExit();
    EnsExit();
    EmsExit();
}

// ---------------------------------------------------------------------------------------
// Apply and the correlations

void TFMain::BBApplyClick()
{
    CommitExponents();
    WarpForwardImage();
    ChartLeftI->SetBackImage(ComponentImage(Data_forward_nl));
    WarpBackwardImage();
    ChartRightI->SetBackImage(ComponentImage(Data_backward_nl));
    Dialogs().Beep();
    ShowProfiles(profileX_, profileY_);
    SetCoefficient(2, MatrixCorrelation());
}

std::optional<double> TFMain::MatrixCorrelation()
{
    SetStatus("Status - searching correlation of matrices");
    const std::optional<double> r =
        travine::MatrixCorrelation(Data_forward_nl, Data_backward_nl, *progress_);
    SetStatus("Status - searching is finished");
    return r;
}

std::optional<double> TFMain::ProfileCorrelation(const TChartSeries& s, const TChartSeries& t) const
{
    const int n = std::min(s.Count(), t.Count());
    std::vector<double> a(static_cast<std::size_t>(n));
    std::vector<double> b(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        a[static_cast<std::size_t>(i)] = s.Y(i);
        b[static_cast<std::size_t>(i)] = t.Y(i);
    }
    return travine::ProfileCorrelation(a.data(), b.data(), a.size());
}

void TFMain::BBCorrCoeffProfClick()
{
    SeriesCorrCoeffY->Clear();
    SeriesCorrCoeffX->Clear();
    SetStatus("Status - searching profiles correlation of matrices");
    const TProfileCoefficients c =
        ProfilesCorrelation(Data_forward_nl, Data_backward_nl, *progress_);
    // A column or row without a coefficient draws no point.
    for (std::size_t x = 0; x < c.Columns.size(); ++x)
        if (c.Columns[x])
            SeriesCorrCoeffX->AddXY(static_cast<double>(x), *c.Columns[x], "", Qt::red);
    for (std::size_t y = 0; y < c.Rows.size(); ++y)
        if (c.Rows[y])
            SeriesCorrCoeffY->AddXY(static_cast<double>(y), *c.Rows[y], "", Qt::red);
    SetStatus("Status - searching is finished");
}

void TFMain::SetCoefficient(int row, std::optional<double> r)
{
    SGCurrProf->item(row, 1)->setText(r ? Text(platform::FloatToStrF(*r, platform::ffGeneral, 7, 0)) : QString("-"));
}

void TFMain::SetStatus(const char* text)
{
    STStatus->setText(text);
    STStatus->repaint();
}

// ---------------------------------------------------------------------------------------
// Crosshairs and profiles

void TFMain::DrawCursorLines()
{
    const TCrosshair& c = crosshair_;
    SetLine(*SeriesFVertLine, c.VX1, c.VY1, c.VX2, c.VY2);
    SetLine(*SeriesFHorLine, c.HX1, c.HY1, c.HX2, c.HY2);
    SetLine(*SeriesBVertLine, c.VX1, c.VY1, c.VX2, c.VY2);
    SetLine(*SeriesBHorLine, c.HX1, c.HY1, c.HX2, c.HY2);
}

void TFMain::DrawFixedCursorLines()
{
    const TCrosshair& c = crosshair_;
    SetLine(*SeriesFVertLineFixed, c.VX1, c.VY1, c.VX2, c.VY2);
    SetLine(*SeriesFHorLineFixed, c.HX1, c.HY1, c.HX2, c.HY2);
    SetLine(*SeriesBVertLineFixed, c.VX1, c.VY1, c.VX2, c.VY2);
    SetLine(*SeriesBHorLineFixed, c.HX1, c.HY1, c.HX2, c.HY2);
    SeriesFXprof->Clear();
    SeriesBXprof->Clear();
    SeriesFYprof->Clear();
    SeriesBYprof->Clear();
}

void TFMain::ShowProfiles(int x, int y)
{
    SeriesFXprof->Clear();
    SeriesBXprof->Clear();
    SeriesFYprof->Clear();
    SeriesBYprof->Clear();
    profileX_ = x;
    profileY_ = y;
    for (int i = 0; i < Data_forward_nl.mx(); ++i) {
        SeriesFXprof->AddXY(i, Data_forward_nl.GetDataPoint(i, y), "", kForward);
        SeriesBXprof->AddXY(i, Data_backward_nl.GetDataPoint(i, y), "", kBackward);
    }
    for (int i = 0; i < Data_forward_nl.my(); ++i) {
        SeriesFYprof->AddXY(i, Data_forward_nl.GetDataPoint(x, i), "", kForward);
        SeriesBYprof->AddXY(i, Data_backward_nl.GetDataPoint(x, i), "", kBackward);
    }
    SetCoefficient(0, ProfileCorrelation(*SeriesFXprof, *SeriesBXprof));
    SetCoefficient(1, ProfileCorrelation(*SeriesFYprof, *SeriesBYprof));
}

void TFMain::MouseMove(TChart& chart, int x, int y)
{
    if (!chart.PlotArea().contains(x, y))
        return;
    const double X = chart.TopAxis().CalcPosPoint(x);
    const double Y = chart.LeftAxis().CalcPosPoint(y);
    crosshair_.VX1 = crosshair_.VX2 = X;
    crosshair_.HY1 = crosshair_.HY2 = Y;
    DrawCursorLines();
    L_pos->setText(charts::TChartAxis::LabelValue(static_cast<int>(Y)) + " " +
                   charts::TChartAxis::LabelValue(static_cast<int>(X)));
}

void TFMain::MouseDown(TChart& chart, Qt::MouseButton button, int x, int y, bool forward)
{
    if (button == Qt::LeftButton) {
        DrawFixedCursorLines();
        const double X = chart.TopAxis().CalcPosPoint(x);
        const double Y = chart.LeftAxis().CalcPosPoint(y);
        // Only a point of the image has profiles.
        if (X >= 0 && Y >= 0 && X < Data_forward_nl.mx() && Y < Data_forward_nl.my())
            ShowProfiles(static_cast<int>(X), static_cast<int>(Y));
        forwardSelected_ = forward;
    } else if (button == Qt::RightButton) {
        forwardSelected_ = forward;
        PMImages->popup(chart.mapToGlobal(QPoint(x, y)));
    }
}

void TFMain::ChartLeftIMouseMove(int x, int y)
{
    MouseMove(*ChartLeftI, x, y);
}

void TFMain::ChartRightIMouseMove(int x, int y)
{
    MouseMove(*ChartRightI, x, y);
}

void TFMain::ChartLeftIMouseDown(Qt::MouseButton button, int x, int y)
{
    MouseDown(*ChartLeftI, button, x, y, true);
}

void TFMain::ChartRightIMouseDown(Qt::MouseButton button, int x, int y)
{
    MouseDown(*ChartRightI, button, x, y, false);
}

// ---------------------------------------------------------------------------------------
// Saving and the write-back

void TFMain::SavetospmClick()
{
    SaveDialog.Title = "save image to *.spm";
    SaveDialog.DefaultExt = "spm";
    SaveDialog.Filter = "spm files (*.spm)|*.spm";
    SaveDialog.FilterIndex = 1;
    if (Dialogs().Save(this, SaveDialog))
        (forwardSelected_ ? Data_forward_nl : Data_backward_nl).SaveData(SaveDialog.FileName);
}

void TFMain::Savetobmp1Click()
{
    SaveDialog.Title = "save image to *.bmp";
    SaveDialog.DefaultExt = "bmp";
    SaveDialog.Filter = "bitmap files (*.bmp)|*.bmp";
    SaveDialog.FilterIndex = 1;
    if (!Dialogs().Save(this, SaveDialog))
        return;
    const QImage image = ComponentImage(forwardSelected_ ? Data_forward_nl : Data_backward_nl);
    if (image.isNull() || !charts::SaveImageAsBmp(image, QString::fromStdString(SaveDialog.FileName))) {
        Beep();
        Message("I can't create the file: " + SaveDialog.FileName + "!\r\n", "", false);
    }
}

bool TFMain::WriteChannel(std::int32_t object, std::int32_t channel, std::int32_t* values,
                          const TDataspm16& image)
{
    if (!values) {
        ShowMessage(this, "Lock data", "Error", TMessageIcon::Error);
        return false;
    }
    const int mx = image.mx();
    const int my = image.my();
    if (host_->GetWidth(object, channel) != mx || host_->GetHeight(object, channel) != my ||
        image.Block().size() < static_cast<std::size_t>(mx) * my) {
        ShowMessage(this,
                    "Error! The corrected image does not fit channel " + std::to_string(channel),
                    "Error", TMessageIcon::Error);
        return false;
    }
    const std::uint16_t* from = image.Block().data();
    std::copy(from, from + static_cast<std::size_t>(mx) * my, values);
    return true;
}

void TFMain::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    if (refusal_ == TRefusal::None) {
        const std::int32_t next = host_->NewStep(object_, "Nonlinearity");
        if (next < 0) {
            ShowMessage(this, NoStepCreated, "Error", TMessageIcon::Error);
        } else {
            // Both channels are locked first, in this order, as the host expects.
            std::int32_t* forward = host_->LockData(next, 0);
            std::int32_t* backward = host_->LockData(next, 1);
            WriteChannel(next, 0, forward, Data_forward_nl);
            WriteChannel(next, 1, backward, Data_backward_nl);
            host_->UpdateAll(next);
            host_->UpdateChannelAndShow(next, 0);
        }
    }
    for (TDataspm16* c : {&Data_forward, &Data_backward, &Data_forward_nl, &Data_backward_nl})
        c->UnData();
}

} // namespace travine
