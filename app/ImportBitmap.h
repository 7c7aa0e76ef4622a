#pragma once
// The bitmap-import dialog: a region of a BMP picture becomes a one-channel surface.

#include <QDialog>
#include <memory>
#include <string>

#include "data/DocumentHost.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Numbers.h"

class QLabel;
class QPushButton;
class QToolButton;
class QWidget;
class TSurfaceData;
class TZtBufferedImage;
class TZtEdit;
namespace platform {
class TBitmap;
}

//! The selection's rectangle with its corners put in order.
TRect32 NormalizedSelection(platform::TPoint a, platform::TPoint b);
//! The pixel of a width × height picture nearest to `p`: the selection never leaves the
//! picture, wherever the pointer is dragged.
platform::TPoint PointInPicture(platform::TPoint p, int width, int height);
//! Nanometres per pixel for a calibration line of `distance` nm between two pixels;
//! false (nothing to set) for a zero-length line or a scale that is not positive.
bool CalibrationScale(platform::TPoint from, platform::TPoint to, double distance, double& scale);

//! The surface of a picture's selection: channel 0 of right − left by bottom − top points,
//! each value the red component of the pixel (left + column, top + row). Null when the
//! selection has no width or no height or lies outside the picture.
std::unique_ptr<TSurfaceData> BitmapSurface(const platform::TBitmap& picture, const TRect32& selection,
                                            double scaleX, double scaleY, double scaleZ,
                                            const std::string& path);

class TFImpBMP : public QDialog {
    Q_OBJECT
public:
    explicit TFImpBMP(QWidget* owner = nullptr);

    //! Shows a picture (borrowed; it must outlive the dialog).
    void SetBitmap(const platform::TBitmap* picture);
    TRect32 GetSelection() const;
    void Calibrate();

    const platform::TBitmap* Bitmap = nullptr;
    platform::TPoint SelStart{0, 0};
    platform::TPoint SelEnd{0, 0};
    platform::TPoint LineStart{0, 0};
    platform::TPoint LineEnd{0, 0};
    bool Dragging = false;
    double ScaleX = 1;
    double ScaleY = 1;
    double ScaleZ = 1;
    std::int32_t Distance = 1000;

    QWidget* Panel1;
    TZtBufferedImage* ZtImageBitmap;
    QPushButton* BBImport;
    QPushButton* BBCancel;
    QWidget* Panel2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    TZtEdit* zteScaleX;
    TZtEdit* zteScaleY;
    TZtEdit* zteScaleZ;
    QToolButton* sbCalibrate;
    QLabel* Label4;
    TZtEdit* zteDistance;

    void FormCreate();
    void ZtImageBitmapMouseDown(int button, int x, int y);
    void ZtImageBitmapMouseMove(int x, int y);
    void ZtImageBitmapMouseUp(int button);
    void ZtImageBitmapDrawBuffer(platform::TCanvas* canvas);
    void zteScaleXEnterValue();
    void zteScaleYEnterValue();
    void zteScaleZEnterValue();
    void zteDistanceEnterValue();
    void sbCalibrateClick();

private:
    void EnterScale(TZtEdit* edit, double& field);
    void Redraw();
    //! The pointer position as a corner of the selection: inside the picture.
    platform::TPoint SelectionPoint(int x, int y) const;
};
