#include "KWTAnalysis.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Plugins.h"
#include "components/ZtEdit.h"
#include "platform/charts/Chart.h"
#include "platform/core/Files.h"
#include "platform/gui/Numbers.h"

namespace kwt {

using namespace plugindialogs;
using charts::TAxisKind;
using charts::TChart;
using charts::TChartSeries;
using charts::TSeriesKind;

namespace {

TChartSeries& AddSeries(TChart& chart, const char* title, const QColor& color, TAxisKind vertical)
{
    TChartSeries& s = chart.AddSeries(TSeriesKind::Line, title);
    s.SetColor(color);
    s.SetVerticalAxis(vertical);
    return s;
}

TChart* NewChart(QWidget* parent, const char* name, const char* left, const char* right)
{
    auto* chart = new TChart(parent);
    chart->setObjectName(name);
    chart->BottomAxis().SetTitle("Distance, nm");
    chart->LeftAxis().SetTitle(left);
    chart->RightAxis().SetTitle(right);
    chart->RightAxis().SetGridVisible(false);
    return chart;
}

void ShowWriteError(QWidget* owner)
{
    ShowMessage(owner, "Error write file", "Error", TMessageIcon::Error);
}

} // namespace

TFKWTAnalysis::TFKWTAnalysis(IPlugIn* host, std::int32_t channel, QWidget* parent)
    : QWidget(parent), host_(host), channel_(channel)
{
    rows_ = host_->GetHeight(object_, channel_);
    settings_.FreqStepKHz = host_->GetXStep(object_, channel_) * 0.001;
    settings_.DistanceStep = host_->GetYStep(object_, channel_);
    settings_.AmplitudeScale = host_->GetZScale(object_, channel_);
    phase_ = host_->IsChannelLoaded(object_, 4);
    if (phase_)
        settings_.PhaseScale = host_->GetZScale(object_, 4);
    settings_.StartFrequency = 0;
    BuildWindow();
    AnalyseResonance();
}

void TFKWTAnalysis::BuildWindow()
{
    setWindowTitle("Dynamic force spectroscopy analysis");
    resize(544, 427);
    setMinimumSize(400, 230);

    Chart = NewChart(this, "Chart", "Frequency resonance (FR), kHz", "Quality (Q)");
    Series1 = &AddSeries(*Chart, "FR", Qt::red, TAxisKind::Left);
    Series2 = &AddSeries(*Chart, "Q", Qt::green, TAxisKind::Right);
    Chart1 = NewChart(this, "Chart1", "Amplitude (A)", "Phase (Ph), \u00B0");
    LineSeries1 = &AddSeries(*Chart1, "A", Qt::red, TAxisKind::Left);
    LineSeries2 = &AddSeries(*Chart1, "Ph", Qt::green, TAxisKind::Right);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    Bevel1 = new QFrame(Panel1);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Label1 = new QLabel("Start frequency, Hz", Panel1);
    EDStartFreq = new TZtEdit(Panel1, TZtEditRules::KwtPlugIn);
    EDStartFreq->setObjectName("EDStartFreq");
    EDStartFreq->SetTypeValue(tvDecimal);
    EDStartFreq->SetText("0");
    EDStartFreq->OnEnterValue = [this](QObject*) { EDStartFreqEnterValue(); };
    BBSaveToText = new QPushButton("Save to text file", Panel1);
    BBSaveToText->setObjectName("BBSaveToText");
    BBSaveToBitmap = new QPushButton("Save to bitmap file", Panel1);
    BBSaveToBitmap->setObjectName("BBSaveToBitmap");
    connect(BBSaveToText, &QPushButton::clicked, this, [this] { BBSaveToTextClick(); });
    connect(BBSaveToBitmap, &QPushButton::clicked, this, [this] { BBSaveToBitmapClick(); });

    auto* panel = new QVBoxLayout(Panel1);
    panel->addWidget(Label1);
    panel->addWidget(EDStartFreq);
    panel->addWidget(Bevel1);
    panel->addWidget(BBSaveToText);
    panel->addWidget(BBSaveToBitmap);
    panel->addStretch(1);
    Panel1->setFixedWidth(150);

    auto* charts = new QVBoxLayout;
    charts->addWidget(Chart);
    charts->addWidget(Chart1);
    auto* main = new QHBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->addLayout(charts, 1);
    main->addWidget(Panel1);

    SaveDialogBMP.DefaultExt = "bmp";
    SaveDialogBMP.Filter = "Windows bitmap file (*.bmp)|*.bmp";
    SaveDialogBMP.OverwritePrompt = true;
    SaveDialogTXT.DefaultExt = "txt";
    SaveDialogTXT.Filter = "Text file (*.txt)|*.txt";
    SaveDialogTXT.OverwritePrompt = true;
}

void TFKWTAnalysis::AnalyseResonance()
{
    const std::int32_t width = host_->GetWidth(object_, channel_);
    const std::int32_t* amplitude = host_->LockData(object_, channel_);
    const std::int32_t* phase = phase_ ? host_->LockData(object_, 4) : nullptr;
    // The sweeps as they are now (a data link may have changed them since the last
    // analysis); the phase only where it has the amplitude's size.
    rows_ = host_->GetHeight(object_, channel_);
    if (phase && (host_->GetWidth(object_, 4) != width || host_->GetHeight(object_, 4) != rows_))
        phase = nullptr;
    Series1->Clear();
    Series2->Clear();
    LineSeries1->Clear();
    LineSeries2->Clear();
    results_ = kwt::AnalyseResonance(amplitude, phase, width, rows_, settings_);
    for (std::size_t s = 0; s < results_.size(); ++s) {
        const TResonance& r = results_[s];
        const double d = SweepDistance(static_cast<std::int32_t>(s), settings_);
        Series1->AddXY(d, ResonanceKHz(r.Peak, settings_), "", Series1->Color());
        Series2->AddXY(d, r.Q, "", Series2->Color());
        LineSeries1->AddXY(d, r.A, "", LineSeries1->Color());
        if (phase)
            LineSeries2->AddXY(d, r.Ph, "", LineSeries2->Color());
    }
}

void TFKWTAnalysis::EDStartFreqEnterValue()
{
    try {
        settings_.StartFrequency = EDStartFreq->GetValueInt();
    } catch (const platform::EConvertError& e) {
        ShowMessage(this, e.what(), "", TMessageIcon::Error);
        EDStartFreq->SetText(QString::number(settings_.StartFrequency));
        return;
    }
    AnalyseResonance();
}

void TFKWTAnalysis::BBSaveToTextClick()
{
    if (!Dialogs().Save(this, SaveDialogTXT))
        return;
    const std::string table = ResultsTable(results_, settings_);
    platform::File file;
    if (!file.Open(SaveDialogTXT.FileName, platform::File::Mode::CreateReplace) ||
        !file.Write(table.data(), static_cast<std::int64_t>(table.size())) || !file.Close())
        ShowWriteError(this);
}

void TFKWTAnalysis::BBSaveToBitmapClick()
{
    SaveDialogBMP.Title = "Save 1th diagram...";
    if (Dialogs().Save(this, SaveDialogBMP) &&
        !Chart->SaveToBitmapFile(QString::fromStdString(SaveDialogBMP.FileName)))
        ShowWriteError(this);
    SaveDialogBMP.Title = "Save 2th diagram...";
    if (Dialogs().Save(this, SaveDialogBMP) &&
        !Chart1->SaveToBitmapFile(QString::fromStdString(SaveDialogBMP.FileName)))
        ShowWriteError(this);
}

} // namespace kwt
