#pragma once
// The palette-marker editor, the "Palette" page of the view-layout window: the colour
// markers of one channel of the attached step as red, green and blue curves over a
// sideways histogram of the channel's values, the palette as a bar and the markers as
// triangles. Handles on the curves set a marker's colour, triangles its position; markers
// are typed, added, deleted and stretched onto the populated range ("Cut 5%"). Every change
// re-interpolates the affected part of the palette and redraws the channel's 2-D view and
// the step's 3-D view.

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

#include "platform/gui/Input.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TObjectSPM;
class TSPMData;
class TZtImage;

namespace platform {
class TBitmap;
}

class TPaletteMarkerEditor : public QWidget {
    Q_OBJECT
public:
    explicit TPaletteMarkerEditor(QWidget* owner = nullptr);
    ~TPaletteMarkerEditor() override;

    //! The step whose channels the page edits; null: none.
    void SetStep(TObjectSPM* step);
    //! The channel in slot PaletteChannel of the step's data set, null when there is none
    //! (or its matrix and markers are not at hand: the set is swapped out).
    TSPMData* Channel() const;

    //! Takes the channel that cbModeSurface shows and fills the page.
    void PaletteInit();
    void BuildHistogram();
    void DrawPaletteCurves();
    void DrawPaletteBar();
    void DrawMarkers();
    void DrawRuler();

    // Handlers (positions in pixels of the image).
    void imPaletteMouseDown(platform::TMouseButton button, int x, int y);
    void imPaletteMouseMove(platform::TShiftState shift, int x, int y);
    void imPaletteMouseUp(platform::TMouseButton button, int x, int y);
    void imMarkersMouseDown(platform::TMouseButton button, int x, int y);
    void imMarkersMouseMove(platform::TShiftState shift, int x, int y);
    void imMarkersMouseUp(platform::TMouseButton button, int x, int y);
    //! Leaving edR, edG or edB (`sender`) after the user changed it.
    void edRExit(QLineEdit* sender);
    void edHeightExit();
    //! Enter in one of the four edits moves the focus on, which ends the edit.
    void edRKeyDown(int key);
    void btNewClick();
    void btDeleteClick();
    void BBPaletteCut5pClick();
    void imSampleDblClick();

    // State.
    int DragComponent = -1;  //!< -1 none, 0 red, 1 green, 2 blue
    int DragMarker = 0;
    bool CurveDragging = false;
    bool MarkerDragging = false;
    //! The 50 bins, the counter of the maximum value and the largest of the 50 bins.
    std::array<std::uint32_t, 52> BinCounts{};
    double BinWidth = 0;  //!< raw units per bin
    int CurrentMarker = 1;
    int PaletteChannel = 0;
    std::unique_ptr<platform::TBitmap> WorkBitmap;

    // Components.
    QComboBox* cbModeSurface;
    TZtImage* imPaletteBar;
    TZtImage* imMarkers;
    TZtImage* imPalette;
    TZtImage* imMarking;
    QLabel* lbZmax;
    QLabel* lbZmin;
    TZtImage* imSample;
    QLineEdit* edR;
    QLineEdit* edG;
    QLineEdit* edB;
    QLineEdit* edHeight;
    QPushButton* btNew;
    QPushButton* btDelete;
    QPushButton* BBPaletteCut5p;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    //! The row of palette position p in the pictures.
    double RowOf(double position) const;
    //! The palette position that row y shows.
    std::int32_t PositionOf(int y) const;
    int MarkerCount() const;
    //! CurrentMarker held within the markers.
    void ClampCurrent();
    void ShowComponents();
    //! Re-interpolates around `marker` (its neighbours; -1, -1 for everything).
    void UpdateAround(int marker);
    //! The channel's 2-D view lays out and renders again (only while the step has a current
    //! 2-D view when `needCurrentView`), then the 3-D view repaints.
    void RedrawViews(bool needCurrentView);
    //! The colour of palette entry `position` as (red, green, blue).
    void PaletteColour(std::int32_t position, std::int32_t& r, std::int32_t& g, std::int32_t& b) const;

    TObjectSPM* step_ = nullptr;
};
