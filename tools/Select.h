#pragma once
// The crop tool: a small window on top of the main window with which the user chooses a
// rectangle of grid points on a step's 2-D view, by dragging its corners or drawing a new
// one on the view or by typing the corners, and cuts it out into a new step with "&OK".
// While it is open it borrows the view (tools/ViewGrip.h) and draws the rectangle there.

#include <QWidget>
#include <cstdint>

#include "data/DocumentHost.h"
#include "platform/gui/Input.h"
#include "processing/GridSelection.h"
#include "tools/ViewGrip.h"

class QFrame;
class QLabel;
class QPushButton;
class TObjectSPM;
class TToolEdit;
class TView2DForm;

class TSelectForm : public QWidget, public TStepWindow {
    Q_OBJECT
public:
    //! The tool of the step in `mode` with the rectangle (x1, y1)–(x2, y2) (corners in any
    //! order, both included), at the screen point (left, top), for a grid of widthLimit ×
    //! heightLimit points. It takes the step's current 2-D view from whoever holds it and
    //! draws the rectangle there.
    TSelectForm(TObjectSPM* step, int mode, int x1, int y1, int x2, int y2, int left, int top,
                int widthLimit, int heightLimit, QWidget* owner = nullptr);
    //! Releases the view's hooks if it still holds them; the step forgets the tool.
    ~TSelectForm() override;

    // TStepWindow.
    void Focus() override;
    void CloseWindow() override { close(); }
    int ToolMode() const override { return Mode; }

    // Handlers.
    void FormActivate();
    //! The step cuts the rectangle into a new step; the tool closes.
    void btOKClick();
    void btCancelClick();
    //! Esc closes the tool. True when the key was used.
    bool FormKeyDown(int key);
    void EditKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void x1EditExit();
    void y1EditExit();
    void x2EditExit();
    void y2EditExit();
    //! Releases the view, erases the rectangle and leaves the step's crop-tool slot.
    void FormClose();
    //! The boxes show the corners.
    void SetRect(const processing::TSegment& corners);
    //! The rectangle and its corner handles on the view, in inverting mode (drawing it twice
    //! erases it).
    void DrawRectOnView();
    void ViewMouseDown(QObject* sender, platform::TMouseButton button, platform::TShiftState shift,
                       int x, int y);
    void ViewMouseMove(QObject* sender, platform::TShiftState shift, int x, int y);
    void ViewMouseUp(QObject* sender, platform::TMouseButton button, platform::TShiftState shift,
                     int x, int y);
    void ViewRepainted(QObject* sender);
    //! Another window takes the view (or the view goes): the tool lets it go and cancels.
    void ViewToolChanged(QWidget* window);

    processing::TSegment Corners() const { return {X1, Y1, X2, Y2}; }

    // Components.
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    TToolEdit* x1Edit;
    TToolEdit* y1Edit;
    TToolEdit* x2Edit;
    TToolEdit* y2Edit;
    QFrame* Bevel1;
    QPushButton* btOK;
    QPushButton* btCancel;

    // Fields.
    std::int32_t X1 = 0;
    std::int32_t Y1 = 0;
    std::int32_t X2 = 0;
    std::int32_t Y2 = 0;
    //! The drag on the view: GrabStart, GrabEnd, NewPair (a new rectangle) and the anchor.
    processing::TEndsDrag RectangleDrag;
    //! The rectangle's hold on the view: its hooks, its drag and its repaints.
    TViewGrip Grip;
    std::int32_t LimitWidth = 0;
    std::int32_t LimitHeight = 0;
    //! 0 while open, 1 after "&OK", 2 after a cancel.
    std::int32_t Result = 0;
    //! The view the tool draws on (not owned); null once it is let go.
    TView2DForm* View = nullptr;
    std::int32_t Mode = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CoordinateExit(TToolEdit* box, processing::TEndCoordinate which);
    //! The rectangle and its corner handles through the overlay.
    void PaintRect(TViewOverlay& overlay, const processing::TGridMapping& mapping);

    TObjectSPM* step_ = nullptr;
    bool closed_ = false;
};

//! Creates the crop tool of the step in mode 2 on its current view, from its selection,
//! just right of the view and level with its top, for the size of its channel 0; shown.
//! Null when the step has no channel 0.
TStepWindow* NewCropTool(TObjectSPM* step, QWidget* owner);
