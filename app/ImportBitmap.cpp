#include "ImportBitmap.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "components/ZtBufferedImage.h"
#include "components/ZtEdit.h"
#include "data/Surfacedata.h"
#include "platform/core/Messages.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Colors.h"
#include "platform/gui/Numbers.h"

TRect32 NormalizedSelection(platform::TPoint a, platform::TPoint b)
{
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

platform::TPoint PointInPicture(platform::TPoint p, int width, int height)
{
    return {std::clamp(p.x, 0, std::max(width - 1, 0)), std::clamp(p.y, 0, std::max(height - 1, 0))};
}

bool CalibrationScale(platform::TPoint from, platform::TPoint to, double distance, double& scale)
{
    const double dx = std::abs(double(to.x) - from.x);
    const double dy = std::abs(double(to.y) - from.y);
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0)
        return false;
    const double s = distance / length;
    if (!(s > 0))
        return false;
    scale = s;
    return true;
}

std::unique_ptr<TSurfaceData> BitmapSurface(const platform::TBitmap& picture, const TRect32& selection,
                                            double scaleX, double scaleY, double scaleZ,
                                            const std::string& path)
{
    const int width = selection.Right - selection.Left;
    const int height = selection.Bottom - selection.Top;
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 || selection.Left < 0 ||
        selection.Top < 0 || selection.Left + width > picture.Width() ||
        selection.Top + height > picture.Height())
        return nullptr;
    auto channel = std::make_unique<TSPMData>(width, height, 0);
    if (!channel->Block)
        return nullptr;
    channel->Header.XStep = static_cast<float>(scaleX);
    channel->Header.YStep = static_cast<float>(scaleY);
    channel->Header.ZScale = static_cast<float>(scaleZ);
    const QImage& image = picture.Image();
    channel->Lock();
    std::int32_t* values = channel->GetData();
    for (int j = 0; j < height; ++j)
        for (int k = 0; k < width; ++k)
            values[std::size_t(j) * width + k] = qRed(image.pixel(selection.Left + k, selection.Top + j));
    channel->ComputeRange();
    channel->DefaultPalette();
    channel->SourceFile = path;
    channel->Unlock();

    auto data = std::make_unique<TSurfaceData>(path);
    data->Channels[0] = std::move(channel);
    data->ChannelList.push_back({"Topography", {path, 0, 3}});
    data->Available.Include(0);
    data->Present.Include(0);
    data->Header.Width = static_cast<std::uint16_t>(width);
    data->Header.Height = static_cast<std::uint16_t>(height);
    return data;
}

TFImpBMP::TFImpBMP(QWidget* owner) : QDialog(owner)
{
    setObjectName("FImpBMP");
    setWindowTitle("Import bitmap file");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    ZtImageBitmap = new TZtBufferedImage(Panel1);
    ZtImageBitmap->setObjectName("ZtImageBitmap");
    ZtImageBitmap->setCursor(Qt::CrossCursor);
    ZtImageBitmap->SetBackDrawMode(bdmSimple);
    auto* imageLayout = new QVBoxLayout(Panel1);
    imageLayout->setContentsMargins(1, 1, 1, 1);
    imageLayout->addWidget(ZtImageBitmap);

    Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    Panel2->setFixedWidth(150);
    Label1 = new QLabel("Scale on X direction:", Panel2);
    Label2 = new QLabel("Scale on Y direction:", Panel2);
    Label3 = new QLabel("Scale on Z direction:", Panel2);
    zteScaleX = new TZtEdit(Panel2);
    zteScaleY = new TZtEdit(Panel2);
    zteScaleZ = new TZtEdit(Panel2);
    zteScaleX->setObjectName("zteScaleX");
    zteScaleY->setObjectName("zteScaleY");
    zteScaleZ->setObjectName("zteScaleZ");
    auto* group = new QGroupBox(Panel2);
    sbCalibrate = new QToolButton(group);
    sbCalibrate->setObjectName("sbCalibrate");
    sbCalibrate->setText("Calibrate");
    sbCalibrate->setCheckable(true);
    Label4 = new QLabel("Distance (nm):", group);
    zteDistance = new TZtEdit(group);
    zteDistance->setObjectName("zteDistance");
    for (TZtEdit* e : {zteScaleX, zteScaleY, zteScaleZ}) {
        e->SetTypeValue(tvFloat);
        e->SetDefaultValue("1");
    }
    zteDistance->SetTypeValue(tvDecimal);
    zteDistance->SetDefaultValue("1000");
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(sbCalibrate);
    groupLayout->addWidget(Label4);
    groupLayout->addWidget(zteDistance);
    auto* right = new QVBoxLayout(Panel2);
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(zteScaleX),
                       static_cast<QWidget*>(Label2), static_cast<QWidget*>(zteScaleY),
                       static_cast<QWidget*>(Label3), static_cast<QWidget*>(zteScaleZ),
                       static_cast<QWidget*>(group)})
        right->addWidget(w);
    right->addStretch();

    BBImport = new QPushButton("&Import", this);
    BBImport->setObjectName("BBImport");
    BBImport->setEnabled(false);
    BBCancel = new QPushButton("Cancel", this);
    BBCancel->setObjectName("BBCancel");
    connect(BBImport, &QPushButton::clicked, this, &QDialog::accept);
    connect(BBCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BBImport);
    buttons->addWidget(BBCancel);
    auto* top = new QHBoxLayout;
    top->addWidget(Panel1, 1);
    top->addWidget(Panel2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    ZtImageBitmap->OnMouseDown = [this](QObject*, platform::TMouseButton b, platform::TShiftState, int x, int y) {
        ZtImageBitmapMouseDown(b == platform::mbLeft ? 0 : 1, x, y);
    };
    ZtImageBitmap->OnMouseMove = [this](QObject*, platform::TShiftState, int x, int y) { ZtImageBitmapMouseMove(x, y); };
    ZtImageBitmap->OnMouseUp = [this](QObject*, platform::TMouseButton b, platform::TShiftState, int, int) {
        ZtImageBitmapMouseUp(b == platform::mbLeft ? 0 : 1);
    };
    ZtImageBitmap->OnDrawBuffer = [this](QObject*, platform::TCanvas* canvas) { ZtImageBitmapDrawBuffer(canvas); };
    zteScaleX->OnEnterValue = [this](QObject*) { zteScaleXEnterValue(); };
    zteScaleY->OnEnterValue = [this](QObject*) { zteScaleYEnterValue(); };
    zteScaleZ->OnEnterValue = [this](QObject*) { zteScaleZEnterValue(); };
    zteDistance->OnEnterValue = [this](QObject*) { zteDistanceEnterValue(); };
    connect(sbCalibrate, &QToolButton::clicked, this, &TFImpBMP::sbCalibrateClick);
    ZtImageBitmap->Loaded();
    FormCreate();
}

void TFImpBMP::FormCreate()
{
    for (TZtEdit* e : {zteScaleX, zteScaleY, zteScaleZ, zteDistance})
        e->SetText(e->DefaultValue());
    Distance = 1000;
    ScaleX = ScaleY = ScaleZ = 1;
}

void TFImpBMP::SetBitmap(const platform::TBitmap* picture)
{
    if (picture == Bitmap)
        return;
    Bitmap = picture;
    BBImport->setEnabled(picture != nullptr);
    if (!picture)
        return;
    ZtImageBitmap->SetBackground(picture);
    ZtImageBitmap->setMinimumSize(picture->Width(), picture->Height());
    resize(picture->Width() + Panel2->width() + 4, picture->Height() + BBCancel->sizeHint().height() + 15);
    SelStart = {0, 0};
    SelEnd = {picture->Width() - 1, picture->Height() - 1};
    Redraw();
}

TRect32 TFImpBMP::GetSelection() const { return NormalizedSelection(SelStart, SelEnd); }

void TFImpBMP::Redraw() { ZtImageBitmap->update(); }

platform::TPoint TFImpBMP::SelectionPoint(int x, int y) const
{
    return Bitmap ? PointInPicture({x, y}, Bitmap->Width(), Bitmap->Height()) : platform::TPoint{x, y};
}

void TFImpBMP::ZtImageBitmapMouseDown(int button, int x, int y)
{
    if (button != 0)
        return;
    if (sbCalibrate->isChecked())
        LineStart = LineEnd = {x, y};
    else
        SelStart = SelEnd = SelectionPoint(x, y);
    Redraw();
    Dragging = true;
}

void TFImpBMP::ZtImageBitmapMouseMove(int x, int y)
{
    if (!Dragging)
        return;
    if (sbCalibrate->isChecked()) {
        LineEnd = {x, y};
        Calibrate();
    } else {
        SelEnd = SelectionPoint(x, y);
    }
    Redraw();
}

void TFImpBMP::ZtImageBitmapMouseUp(int button)
{
    if (button == 0)
        Dragging = false;
}

void TFImpBMP::ZtImageBitmapDrawBuffer(platform::TCanvas* canvas)
{
    canvas->Pen.Color = platform::clRed;
    canvas->Pen.Mode = platform::pmCopy;
    const platform::TPoint corners[] = {SelStart, {SelEnd.x, SelStart.y}, SelEnd, {SelStart.x, SelEnd.y}, SelStart};
    canvas->Polyline(corners);
    if (sbCalibrate->isChecked()) {
        canvas->Pen.Color = platform::clYellow;
        canvas->MoveTo(LineStart.x, LineStart.y);
        canvas->LineTo(LineEnd.x, LineEnd.y);
    }
}

void TFImpBMP::sbCalibrateClick()
{
    Redraw();
    if (sbCalibrate->isChecked())
        Calibrate();
}

void TFImpBMP::Calibrate()
{
    double scale;
    if (!CalibrationScale(LineStart, LineEnd, Distance, scale))
        return;
    ScaleX = ScaleY = scale;
    zteScaleX->SetText(QString::fromStdString(platform::FloatToStr(scale)));
    zteScaleY->SetText(QString::fromStdString(platform::FloatToStr(scale)));
}

void TFImpBMP::EnterScale(TZtEdit* edit, double& field)
{
    try {
        field = platform::StrToFloat(edit->Text().toStdString());
    } catch (const std::exception&) {
        platform::ShowMessage("Value error!", "Error", platform::MessageIcon::Error);
        edit->SetText(QString::fromStdString(platform::FloatToStr(field)));
        edit->selectAll();
    }
}

void TFImpBMP::zteScaleXEnterValue() { EnterScale(zteScaleX, ScaleX); }
void TFImpBMP::zteScaleYEnterValue() { EnterScale(zteScaleY, ScaleY); }
void TFImpBMP::zteScaleZEnterValue() { EnterScale(zteScaleZ, ScaleZ); }

void TFImpBMP::zteDistanceEnterValue()
{
    try {
        Distance = platform::StrToInt(zteDistance->Text().toStdString());
    } catch (const std::exception&) {
        platform::ShowMessage("Value error!", "Error", platform::MessageIcon::Error);
        zteDistance->SetText(QString::number(Distance));
        zteDistance->selectAll();
        return;
    }
    if (sbCalibrate->isChecked())
        Calibrate();
}
