#pragma once
// Travine's window: the corrected forward and backward images with their crosshairs, the
// X and Y profiles of both at the fixed crosshair, the fast-scan and slow-scan models with
// their exponents, Apply, the correlations, saving an image, and the write-back of both
// corrected images into a new step when the window closes. The numerics it runs are in
// Nonlinearity.h; the images are held in four TDataspm16.

#include <QDialog>
#include <QImage>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Progress.h"
#include "platform/plugin/PlugInDialogs.h"
#include "plugins/travine/Dataspm16.h"
#include "plugins/travine/Nonlinearity.h"
#include "plugins/travine/Warp.h"

class IPlugIn;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;
class QTableWidget;

namespace charts {
class TChart;
class TChartSeries;
} // namespace charts

namespace travine {

//! Why a window cannot be shown: the message was shown, nothing is written back.
enum class TRefusal { None, Absent, TooWide, NoMemory };

//! The texts of the refusals.
inline constexpr const char* DataAbsent = "Error! Data is abs\xD0\xB5nt"; // a Cyrillic "е"
inline constexpr const char* RangeTooWide = "Error! The range of the data exceeds 65535";
inline constexpr const char* NoStepCreated = "Error! The step \"Nonlinearity\" cannot be created";

//! The picture of a component as an image (a copy).
QImage ComponentImage(const TDataspm16& component);

class TFMain : public QDialog, private IDataspmNotices {
    Q_OBJECT
public:
    //! Imports channels 0 and 1 of the object (in this order: GetWidth, GetHeight,
    //! GetXStep, GetYStep, GetZScale, LockData of each) and sets the window up; a channel
    //! that cannot be taken in leaves Refusal() set after its message.
    TFMain(IPlugIn* host, std::int32_t object, QWidget* parent);
    ~TFMain() override;

    TRefusal Refusal() const { return refusal_; }

    // Panels.
    QWidget* PLeftImage;
    QWidget* PRight;
    QWidget* PBottom;
    // The images.
    charts::TChart* ChartLeftI;
    charts::TChart* ChartRightI;
    QLabel* L_pos;
    charts::TChartSeries* SeriesFVertLine;
    charts::TChartSeries* SeriesFHorLine;
    charts::TChartSeries* SeriesFVertLineFixed;
    charts::TChartSeries* SeriesFHorLineFixed;
    charts::TChartSeries* SeriesBVertLine;
    charts::TChartSeries* SeriesBHorLine;
    charts::TChartSeries* SeriesBVertLineFixed;
    charts::TChartSeries* SeriesBHorLineFixed;
    // The profiles.
    charts::TChart* ChartFXprof;
    charts::TChartSeries* SeriesFXprof;
    charts::TChartSeries* SeriesBXprof;
    charts::TChart* ChartFYprof;
    charts::TChartSeries* SeriesFYprof;
    charts::TChartSeries* SeriesBYprof;
    // The models.
    charts::TChart* ChartFastScan;
    charts::TChartSeries* SeriesFastScan_f;
    charts::TChartSeries* SeriesFastScan_b;
    QSlider* TBFS_n;
    QSlider* TBFS_m;
    QLabel* STnf;
    QLabel* STmf;
    QLineEdit* Enf;
    QLineEdit* Emf;
    charts::TChart* ChartSlowScan;
    charts::TChartSeries* SeriesSlowScan_f;
    charts::TChartSeries* SeriesSlowScan_b;
    QSlider* TBSS_n;
    QSlider* TBSS_m;
    QLabel* STns;
    QLabel* STms;
    QLineEdit* Ens;
    QLineEdit* Ems;
    QPushButton* BBApply;
    // The correlations.
    QGroupBox* GBCorr;
    QTableWidget* SGCurrProf;
    charts::TChart* ChartCorrX;
    charts::TChartSeries* SeriesCorrCoeffX;
    charts::TChart* ChartCorrY;
    charts::TChartSeries* SeriesCorrCoeffY;
    QPushButton* BBCorrCoeffProf;
    QProgressBar* PBProgress;
    QLabel* STStatus;
    QMenu* PMImages;
    QAction* Savetospm;
    QAction* Savetobmp1;
    plugindialogs::TSaveRequest SaveDialog;

    // The images: as imported, and corrected.
    TDataspm16 Data_forward;
    TDataspm16 Data_backward;
    TDataspm16 Data_forward_nl;
    TDataspm16 Data_backward_nl;

    //! The exponents now.
    const TExponents& Exponents() const { return exponents_; }
    //! Where the profiles were last taken.
    int ProfileX() const { return profileX_; }
    int ProfileY() const { return profileY_; }
    //! True while the forward image is the selected one (the one the save commands write).
    bool ForwardSelected() const { return forwardSelected_; }

    // Events.
    void TBFS_nChange();
    void TBFS_mChange();
    void TBSS_nChange();
    void TBSS_mChange();
    void EnfExit();
    void EmfExit();
    void EnsExit();
    void EmsExit();
    void BBApplyClick();
    void BBCorrCoeffProfClick();
    //! Mouse events of the image charts, in pixels of the chart.
    void ChartLeftIMouseMove(int x, int y);
    void ChartRightIMouseMove(int x, int y);
    void ChartLeftIMouseDown(Qt::MouseButton button, int x, int y);
    void ChartRightIMouseDown(Qt::MouseButton button, int x, int y);
    void SavetospmClick();
    void Savetobmp1Click();
    //! The write-back when the window closes: a new step "Nonlinearity" of the object gets
    //! both corrected images in its channels 0 and 1, and is shown; the images are then
    //! released. Once only; nothing after a refusal.
    void FormClose();

    //! Places the moving crosshair of both images.
    void DrawCursorLines();
    //! The fixed crosshair of both images takes the moving one's place; the profiles are
    //! cleared.
    void DrawFixedCursorLines();
    //! The X profiles at row y and the Y profiles at column x of both corrected images, with
    //! their coefficients.
    void ShowProfiles(int x, int y);

private:
    struct TCrosshair {
        double VX1 = 0, VY1 = 0, VX2 = 0, VY2 = 0; // the vertical line's ends
        double HX1 = 0, HY1 = 0, HX2 = 0, HY2 = 0; // the horizontal line's ends
    };
    class TProgressBar;

    void BuildWindow();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // IDataspmNotices: the components' messages, without owner window.
    void Beep() override;
    void Message(const std::string& text, const std::string& caption, bool hand) override;

    bool ImportMatrix(std::int32_t channel, TDataspm16& target);
    bool FImage();
    bool BImage();
    void SetUpImageChart(charts::TChart& chart, const TDataspm16& image);
    void WarpForwardImage();
    void WarpBackwardImage();
    void WarpImage(const TDataspm16& source, TDataspm16& target, const char* status);
    void FillGaps(TDataspm16& target);
    std::optional<double> ProfileCorrelation(const charts::TChartSeries& s,
                                             const charts::TChartSeries& t) const;
    std::optional<double> MatrixCorrelation();
    void TrackBarChange(QSlider* bar, QLineEdit* box, float& exponent, bool fast);
    void ExponentExit(QLineEdit* box, QSlider* bar, float& exponent, bool fast);
    void CommitExponents();
    void DrawModel(bool fast);
    void MouseMove(charts::TChart& chart, int x, int y);
    void MouseDown(charts::TChart& chart, Qt::MouseButton button, int x, int y, bool forward);
    void SetStatus(const char* text);
    void SetCoefficient(int row, std::optional<double> r);
    //! The image's values into the locked matrix of the channel (its size checked first).
    bool WriteChannel(std::int32_t object, std::int32_t channel, std::int32_t* values,
                      const TDataspm16& image);

    IPlugIn* host_;
    std::int32_t object_;
    TRefusal refusal_ = TRefusal::None;
    bool closed_ = false;
    TCrosshair crosshair_;
    TExponents exponents_;
    int profileX_ = 0;
    int profileY_ = 0;
    bool forwardSelected_ = false;
    std::unique_ptr<platform::IProgress> progress_;
    // The tables of the last warp, kept while the size and the exponents stay.
    std::optional<TWarp> warp_;
};

} // namespace travine
