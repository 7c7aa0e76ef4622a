#include "DimentionForm.h"

#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

#include "platform/charts/Chart.h"
#include "plugins/quindle/Unit2.h"

// The plug-in's pictures are compiled into it; registering them is a plain function of the
// global namespace.
static void InitQuindleResources()
{
    Q_INIT_RESOURCE(quindle);
}

namespace quindle {

TForm1::TForm1(QWidget* owner) : QDialog(owner)
{
    Build();
}

TForm1::TForm1(TParentWindow parent) : QDialog(parent.Handle)
{
    Build();
}

void TForm1::Build()
{
    InitQuindleResources();
    setObjectName("Form1");
    setWindowTitle("Multifractal dimension");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(576, 367);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 0, 576, 320);
    Graphic = new charts::TChart(Panel1);
    Graphic->setObjectName("Graphic");
    Graphic->setGeometry(0, 0, 576, 320);
    Graphic->SetColor(Qt::white);
    Graphic->SetBackColor(Qt::white);
    Graphic->SetTitle("");
    Graphic->BottomAxis().SetTitle(QString::fromUtf8("Cross-section area Log S, µm^2 "));
    Graphic->LeftAxis().SetTitle(QString::fromUtf8("Cluster perimeter Log L, µm"));
    Series1 = &Graphic->AddSeries(charts::TSeriesKind::FastLine, "Series1");
    Series1->SetColor(Qt::red);
    Series1->SetShowInLegend(false);
    Series1->SetSorted(true);
    Series2 = &Graphic->AddSeries(charts::TSeriesKind::Line, "Ideal line");
    Series2->SetColor(Qt::blue);
    Series2->SetPointsVisible(false);

    LDim = new QLabel(Graphic);
    LDim->setObjectName("LDim");
    LDim->move(101, 25);
    LDim->setAutoFillBackground(true);
    QPalette palette = LDim->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    LDim->setPalette(palette);

    Opt = new QMenu(this);
    Opt->setObjectName("Opt");
    Graphicoptions1 = Opt->addAction("&Plot options");
    Graphicoptions1->setObjectName("Graphicoptions1");
    connect(Graphicoptions1, &QAction::triggered, this, &TForm1::Graphicoptions1Click);
    Graphic->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Graphic, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { Opt->popup(Graphic->mapToGlobal(at)); });

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(4, 322, 568, 4);

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setText("&Save");
    SpeedButton1->setIcon(QIcon(QPixmap(":/quindle/save.png")));
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton1->setToolTip("Save information into file");
    QFont normal = SpeedButton1->font();
    normal.setBold(false);
    SpeedButton1->setFont(normal);
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setGeometry(8, 332, 90, 28);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);

    BitBtn1 = new QPushButton("&Close", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(478, 332, 90, 28);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(mrAbort); });

    Save.Filter = "Bitmap|*.bmp|Text file|*.txt";
    Save.FilterIndex = 2;
}

void TForm1::ShowResult(const TPlot& plot, float d)
{
    Series1->Clear();
    Series2->Clear();
    for (const TPlotPoint& p : plot.Points)
        Series1->AddXY(p.X, p.Y, "", Qt::red);
    for (const TPlotPoint& p : plot.IdealLine)
        Series2->AddXY(p.X, p.Y, "", Series2->Color());
    LDim->setText(QString::fromStdString(DimensionCaption(d)));
    LDim->adjustSize();
}

void TForm1::SpeedButton1Click()
{
    if (!Dialogs().Save(this, Save))
        return;
    if (Save.FilterIndex == 1)
        Graphic->SaveToBitmapFile(QString::fromStdString(WithDefaultExtension(Save.FileName, ".bmp")));
    else if (Save.FilterIndex == 2)
        AppendReport(WithDefaultExtension(Save.FileName, ".txt"), Report);
}

void TForm1::Graphicoptions1Click()
{
    TGraphicOptions options(*this);
    const QRect frame = frameGeometry();
    options.move(frame.left() + frame.width(), frame.top() + frame.height() / 10);
    Dialogs().Exec(options);
}

}  // namespace quindle
