#include "tools/InfoSPM.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdarg>
#include <cstdio>

#include "data/ObjectSPM.h"
#include "data/Spmdata.h"
#include "data/Surfacedata.h"
#include "platform/core/Files.h"
#include "platform/core/Text.h"
#include "processing/Areas.h"
#include "views/ViewHost.h"

namespace {

using platform::FormatText;


const std::string Rule61 = "\n" + std::string(61, '*');

QLabel* ValueLabel(QWidget* owner, const char* name)
{
    auto* label = new QLabel(owner);
    label->setObjectName(name);
    return label;
}

//! The full area of the channel (locked while it is read).
double FullAreaOf(TSPMData& ch)
{
    const TChannelHeader& h = ch.Header;
    ch.Lock();
    const double full =
        ch.Data ? processing::FullArea(ch.Data, h.Width, h.Height, h.XStep, h.YStep, h.ZScale) : 0.0;
    ch.Unlock();
    return full;
}

}  // namespace

TInfoTexts InfoTexts(TSPMData& ch, const std::string& sourceFile)
{
    TInfoTexts t;
    const TChannelHeader& h = ch.Header;
    const std::string xy = FieldText(h.XYUnit, sizeof h.XYUnit);
    const std::string z = FieldText(h.ZUnit, sizeof h.ZUnit);
    const int w = h.Width, ht = h.Height;
    t.FileName = sourceFile;
    t.Note = ch.GetComment();
    t.SurfaceAreaX = FormatText("%.2f %s", double(w - 1) * h.XStep, xy.c_str());
    t.SurfaceAreaY = FormatText("%.2f %s", double(ht - 1) * h.YStep, xy.c_str());
    t.MinHeight = FormatText("%.2f %s", double(h.Min) * h.ZScale, z.c_str());
    t.MaxHeight = FormatText("%.2f %s", double(h.Max) * h.ZScale, z.c_str());
    t.AverageValue = FormatText("%.3f %s", ch.Mean, z.c_str());
    t.AverHeightDev = FormatText("%.3f %s", ch.Ra, z.c_str());
    t.StandDev = FormatText("%.3f %s", ch.Rq, z.c_str());
    t.Asymmetry = FormatText("%.3f", ch.Rsk);
    t.Kurtosis = FormatText("%.3f", ch.Rku);
    t.MatrixSize = std::to_string(w) + " x " + std::to_string(ht) + " points";
    t.MatrixMemory = FormatText("%.3f Kb", double(w) * ht * 2 * 0.001);
    t.MatrixStepX = FormatText("%.2f %s", double(h.XStep), xy.c_str());
    t.MatrixStepY = FormatText("%.2f %s", double(h.YStep), xy.c_str());
    const double nominal = processing::NominalArea(w, ht, h.XStep, h.YStep);
    const double full = FullAreaOf(ch);
    t.NominalSquare = FormatText("%.3f sq.%s", nominal, xy.c_str());
    t.FullSquare = FormatText("%.3f sq.%s", full, xy.c_str());
    t.Ratio = FormatText("%f", processing::AreaRatio(nominal, full));
    return t;
}

std::string InfoReport(const TInfoTexts& t, const std::string& channelFile)
{
    std::string r = "\n Information  -  " + platform::ExtractFileName(channelFile) + Rule61;
    r += "\n-------> F I L E <--------";
    r += "\nFileName: " + t.FileName;
    r += "\nNote: " + t.Note;
    r += "\n-----> S U R F A C E <-----";
    r += "\nScanning area:";
    r += "\n    - to X-derection: " + t.SurfaceAreaX;
    r += "\n    - to Y-derection: " + t.SurfaceAreaY;
    r += "\nMin height: " + t.MinHeight;
    r += "\nMax height: " + t.MaxHeight;
    r += "\nAverage value: " + t.AverageValue;
    r += "\nRa: " + t.AverHeightDev;
    r += "\nRq: " + t.StandDev;
    r += "\nRsk: " + t.Asymmetry;
    r += "\nRku: " + t.Kurtosis;
    r += "\n------> M A T R I X <------";
    r += "\nSize: " + t.MatrixSize;
    r += "\nMemory: " + t.MatrixMemory;
    r += "\nStep between measured points:";
    r += "\n    - to X-derection: " + t.MatrixStepX;
    r += "\n    - to Y-derection: " + t.MatrixStepY;
    r += "\n------> S Q U A R E <------";
    r += "\nNominal square: " + t.NominalSquare;
    r += "\nFull square: " + t.FullSquare;
    r += "\nRatio Nominal / Full: " + t.Ratio;
    r += Rule61;
    return r;
}

TInfoSPMForm::TInfoSPMForm(TObjectSPM* step, QMdiArea* area)
    : TAnalysisWindow(step, &TObjectSPM::InfoWindow, area,
                      // A single border with the system menu only.
                      Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName("InfoSPMForm");
    setWindowTitle("Surface Info");
    auto* layout = new QVBoxLayout(this);
    struct Row {
        const char* caption;
        QLabel** label;
        const char* name;
    };
    auto group = [&](const char* name, const char* caption, std::initializer_list<Row> rows) {
        auto* box = new QGroupBox(caption, this);
        box->setObjectName(name);
        auto* grid = new QGridLayout(box);
        int line = 0;
        for (const Row& row : rows) {
            if (row.caption) {
                auto* caption = new QLabel(row.caption, box);
                // The caption of Rq has a name of its own.
                if (row.label == &lbStandDev)
                    caption->setObjectName("lbStandartDev");
                grid->addWidget(caption, line, 0);
            }
            if (row.label) {
                *row.label = ValueLabel(box, row.name);
                grid->addWidget(*row.label, line, 1);
            }
            ++line;
        }
        layout->addWidget(box);
    };
    group("GroupBoxFile", " File ",
          {{"FileName :  ", &lbFileName, "lbFileName"}, {"Note:", &lbNote, "lbNote"}});
    lbNote->setWordWrap(true);
    group("GroupBoxSurface", " Surface ",
          {{"Scanning area :", nullptr, nullptr},
           {"- to X-direction :", &lbSurfaceAreaX, "lbSurfaceAreaX"},
           {"- to Y-direction :", &lbSurfaceAreaY, "lbSurfaceAreaY"},
           {"Min height :", &lbMinHeight, "lbMinHeight"},
           {"Max height :", &lbMaxHeight, "lbMaxHeight"},
           {"Average value :", &lbAverageValue, "lbAverageValue"},
           {"Ra :", &lbAverHeightDev, "lbAverHeightDev"},
           {"Rq :", &lbStandDev, "lbStandDev"},
           {"Rsk :", &lbAsymmetry, "lbAsymmetry"},
           {"Rku :", &lbKurtosis, "lbKurtosis"}});
    group("GroupBoxMatrix", " Matrix ",
          {{nullptr, &lbMatrixSize, "lbMatrixSize"},
           {"Memory :", &lbMatrixMemory, "lbMatrixMemory"},
           {"Step between measured points :", nullptr, nullptr},
           {"- to X-direction :", &lbMatrixStepX, "lbMatrixStepX"},
           {"- to Y-direction :", &lbMatrixStepY, "lbMatrixStepY"}});
    lbMatrixSize->hide();
    group("GroupBox1", " Square ",
          {{"Nominal Square :", &lbNominalSquare, "lbNominalSquare"},
           {"Full square :", &lbFullSquare, "lbFullSquare"},
           {"Ratio Nominal / Full :", &lbRatio, "lbRatio"}});
    ButtonOK = new QPushButton("&OK", this);
    ButtonOK->setObjectName("ButtonOK");
    ButtonOK->setDefault(true);
    layout->addWidget(ButtonOK, 0, Qt::AlignRight);
    connect(ButtonOK, &QPushButton::clicked, this, &TInfoSPMForm::ButtonOKClick);
    resize(492, 385);
    FormCreate();
}

TInfoSPMForm::~TInfoSPMForm()
{
    // The command's button and menu item show the window closed again.
    if (IViewHost* host = ViewHost())
        host->SetStatisticChecked(false);
}

void TInfoSPMForm::FormCreate()
{
    MdiChild().FitFrame();
    MdiChild().MoveTo(0, 0);  // the top-left corner of the workspace
    ChannelIndex = OwnerStep() ? OwnerStep()->CurrentChannel() : 0;
    ChannelData = DataSet() ? DataSet()->Channel(ChannelIndex) : nullptr;
    FillInfo();
}

void TInfoSPMForm::FillInfo()
{
    if (!ChannelData || ChannelData->SwappedOut)
        return;
    Texts = InfoTexts(*ChannelData, DataSet() ? DataSet()->SourceFile : std::string());
    const std::pair<QLabel*, const std::string*> labels[] = {
        {lbFileName, &Texts.FileName},       {lbNote, &Texts.Note},
        {lbSurfaceAreaX, &Texts.SurfaceAreaX}, {lbSurfaceAreaY, &Texts.SurfaceAreaY},
        {lbMinHeight, &Texts.MinHeight},     {lbMaxHeight, &Texts.MaxHeight},
        {lbAverageValue, &Texts.AverageValue}, {lbAverHeightDev, &Texts.AverHeightDev},
        {lbStandDev, &Texts.StandDev},       {lbAsymmetry, &Texts.Asymmetry},
        {lbKurtosis, &Texts.Kurtosis},       {lbMatrixSize, &Texts.MatrixSize},
        {lbMatrixMemory, &Texts.MatrixMemory}, {lbMatrixStepX, &Texts.MatrixStepX},
        {lbMatrixStepY, &Texts.MatrixStepY}, {lbNominalSquare, &Texts.NominalSquare},
        {lbFullSquare, &Texts.FullSquare},   {lbRatio, &Texts.Ratio}};
    for (const auto& [label, text] : labels)
        label->setText(QString::fromUtf8(platform::Cp1251ToUtf8(*text).c_str()));
}

double TInfoSPMForm::FullSquare()
{
    return DataSet() && ChannelData && !ChannelData->SwappedOut ? FullAreaOf(*ChannelData) : 0.0;
}

bool TInfoSPMForm::FormKeyDown(int key, Qt::KeyboardModifiers)
{
    if (key != Qt::Key_Escape)
        return false;
    CloseWindow();
    return true;
}

void TInfoSPMForm::SaveReport(const std::string& path) { WriteInfoReport(this, path); }

void WriteInfoReport(TInfoSPMForm* window, const std::string& path)
{
    if (!window)
        return;
    const std::string source = window->ChannelData
                                   ? ChannelSourceFile(*window->ChannelData, window->DataSet())
                                   : std::string();
    platform::AppendToFile(path, InfoReport(window->Texts, source));
}
