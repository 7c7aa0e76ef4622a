#pragma once
// The view-layout window: a small window docked at the right edge of the main window that
// shows and edits the view settings of the current step (the light of the 2-D shading and
// of the 3-D view, the 3-D view's scales, distance and skin, the colours, the draw types
// and steps), with the palette-marker editor as one of its pages. Every change writes the
// step's settings at once and updates the step's 2-D views or its 3-D view.
//
// The 3-D view is reached through TStepWindow (ApplySettings, Repaint, SetDrawType,
// SetDrawStep, ShowScrollBars); the 3-D view sets the distance bar tbZoom of the single
// window ViewLayoutForm when its mouse zoom changes Zoom3D.

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;
class TObjectSPM;
class TPaletteMarkerEditor;
class TZtImage;
struct TViewSettings;

class TViewLayoutForm : public QWidget {
    Q_OBJECT
public:
    //! The window, its page control disabled until a step is attached.
    explicit TViewLayoutForm(QWidget* owner = nullptr);
    ~TViewLayoutForm() override;

    //! Shows the settings of `step` on every page (null: none; the pages are disabled).
    void AttachObject(TObjectSPM* step);
    //! The attached step, null when none.
    TObjectSPM* AttachedStep() const { return step_; }
    //! The attached step's settings (not owned); null while no step is attached.
    TViewSettings* Settings = nullptr;

    void FillLightPage();
    void FillShowPage();
    void FillColorPage();
    void FillScalePage();
    void DrawSwatches();
    void DrawPolarDial();
    void DrawTiltDial();
    //! Fills the palette page for the channel its chooser shows.
    void PaletteInit();
    void DrawRuler();

    //! The 2-D views of the step render and compose again, then the 3-D view takes the
    //! settings.
    void Apply();
    //! The step's 3-D view paints again, when there is one.
    void Repaint3D();
    //! The Z scale of one tbScaleZ unit × 49: the smaller half side of the palette page's
    //! channel over its range (1 for a range of 0); 0 without a channel.
    double ScaleZBase() const;
    //! The Z scale that tbScaleZ's `position` stands for over `base`: position × 2 / 98 × base.
    double ScaleZOf(int position, double base) const;
    //! The tbScaleZ position that shows `scale` over `base` (> 0): the truncated quotient, so
    //! that every position gives back its own scale's position.
    int ScaleZPosition(double scale, double base) const;

    // Handlers.
    void FormClose();
    void FormKeyDown(int key);
    void cbLightClick();
    void btApplyClick() { Apply(); }
    void tbAngleFiChange();
    void tbAngleAlfaChange();
    void eAngleFiExit();
    void eAngleAlfaExit();
    void tbZoomChange();
    void tbScaleXYChange();
    void tbScaleZChange();
    void CBSkinsChange();
    void btColor2DClick();
    void btColor3DClick();
    void btColorGridClick();
    void btColorLateralFaceClick();
    void btColorAxisClick();
    void btFontInfoTextClick();
    void cbTypeDrawStateChange();
    void cbTypeDrawMoveChange();
    void cbStepStateChange();
    void cbStepMoveChange();
    void cbDrawFlagClick(QCheckBox* box);
    void cbScrollBarClick();
    void cbAutoApplyClick() {}

    // Components. The controls of the 3D View, Colors and Show pages are null until a step
    // is first attached.
    QTabWidget* PageControl;
    QWidget* tsGeneral;
    QCheckBox* cbLight;
    QCheckBox* cbAutoApply;
    QPushButton* btApply;
    TZtImage* ImageFi;
    TZtImage* ImageAlfa;
    QSlider* tbAngleFi;
    QSlider* tbAngleAlfa;
    QLineEdit* eAngleFi;
    QLineEdit* eAngleAlfa;
    QWidget* TS3D = nullptr;
    QSlider* tbScaleXY = nullptr;
    QSlider* tbScaleZ = nullptr;
    QSlider* tbZoom = nullptr;
    QComboBox* CBSkins = nullptr;
    QCheckBox* cbEnablePhase = nullptr;
    TPaletteMarkerEditor* tsPalette;
    QWidget* tsColors = nullptr;
    TZtImage* bkImage2D = nullptr;
    TZtImage* bkImage3D = nullptr;
    TZtImage* ImageGrid = nullptr;
    TZtImage* ImageLateralFace = nullptr;
    TZtImage* ImageAxis = nullptr;
    TZtImage* ImageInfoText = nullptr;
    QPushButton* btColor2D = nullptr;
    QPushButton* btColor3D = nullptr;
    QPushButton* btColorGrid = nullptr;
    QPushButton* btColorLateralFace = nullptr;
    QPushButton* btColorAxis = nullptr;
    QPushButton* btFontInfoText = nullptr;
    QWidget* tsShow = nullptr;
    QComboBox* cbTypeDrawState = nullptr;
    QComboBox* cbStepState = nullptr;
    QComboBox* cbTypeDrawMove = nullptr;
    QComboBox* cbStepMove = nullptr;
    QCheckBox* cbDrawLateralFace = nullptr;
    QCheckBox* cbDrawAxis = nullptr;
    QCheckBox* cbDrawInside = nullptr;
    QCheckBox* cbDrawInfoText = nullptr;
    QCheckBox* cbScrollBar = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildGeneralPage();
    void Build3DPage();
    void BuildColorsPage();
    void BuildShowPage();
    //! Fills the 3D View, Colors and Show pages, once.
    void BuildLaterPages();
    //! Handlers act only while the window is visible and a step is attached.
    bool Active() const;
    //! While the pages are filled, the handlers that filling sets off write the settings
    //! but update no view: the filling itself does what is needed once it is done.
    bool Filling() const { return filling_; }
    //! Runs the colour dialog on `colour`; true (and `colour` changed) when confirmed.
    bool ChooseColor(std::uint32_t& colour);
    //! Reads an angle edit: an integer within 0..high goes to its bar; anything else is
    //! refused with the limits and the stored angle comes back into the edit.
    void AngleExit(QLineEdit* edit, QSlider* bar, int high, int stored);
    void Compose2DViews();

    TObjectSPM* step_ = nullptr;
    bool filling_ = false;
    bool laterPagesBuilt_ = false;
};

//! The single view-layout window, created by the main window; null before and after.
extern TViewLayoutForm* ViewLayoutForm;
