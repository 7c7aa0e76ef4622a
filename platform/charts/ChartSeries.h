#pragma once
// One series of a chart panel (Chart.h): its points with their labels and colours, how it
// is drawn and which axes it is measured on. The series is a plain model; the chart that
// owns it draws it and hears of every change through OnChange.

#include <QColor>
#include <QString>
#include <functional>
#include <vector>

namespace charts {

//! A line series joins its points and may show a symbol at each; a fast line only joins
//! them.
enum class TSeriesKind { Line, FastLine };

//! The four axes of a chart panel.
enum class TAxisKind { Left, Right, Bottom, Top };

//! One point of a series. An invalid Color means the series' own colour.
struct TChartPoint {
    double X = 0;
    double Y = 0;
    QString Label;
    QColor Color;
};

class TChartSeries {
public:
    TChartSeries(TSeriesKind kind, const QString& title);
    TChartSeries(const TChartSeries&) = delete;
    TChartSeries& operator=(const TChartSeries&) = delete;

    TSeriesKind Kind() const { return kind_; }

    //! The series' name in the legend.
    const QString& Title() const { return title_; }
    void SetTitle(const QString& title);
    //! Whether the legend lists the series (it does at creation).
    bool ShowInLegend() const { return showInLegend_; }
    void SetShowInLegend(bool show);

    //! The line's colour (red at creation) and its pen width in pixels (1 to 10; other
    //! widths are brought into that range).
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    int LineWidth() const { return lineWidth_; }
    void SetLineWidth(int width);

    //! Marks: the value of each point written beside it (hidden at creation).
    bool MarksVisible() const { return marksVisible_; }
    void SetMarksVisible(bool visible);
    //! Point symbols at each point; a fast line never has them (hidden at creation).
    bool PointsVisible() const { return kind_ == TSeriesKind::Line && pointsVisible_; }
    void SetPointsVisible(bool visible);
    //! An overlay is drawn above the plot as a plain line of its colour and width, without
    //! legend entry, marks or point symbols, so that a change of its points redraws only
    //! where the line was and where it goes (a crosshair that follows the mouse). Off at
    //! creation.
    bool Overlay() const { return overlay_; }
    void SetOverlay(bool overlay);

    //! A sorted series keeps its points in ascending order of X: AddXY inserts a point
    //! after every point with the same or a smaller X; points whose X is not a number
    //! stay at the end. Unsorted at creation; sorting an unsorted series sorts its points
    //! (equal X values keep their order).
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

    //! The axes the series is measured on: Left or Right, and Bottom or Top (Left and
    //! Bottom at creation). Any other kind is ignored.
    TAxisKind VerticalAxis() const { return vertical_; }
    TAxisKind HorizontalAxis() const { return horizontal_; }
    void SetVerticalAxis(TAxisKind axis);
    void SetHorizontalAxis(TAxisKind axis);

    //! Adds a point; an invalid colour draws it in the series' colour. The answer is the
    //! point's index. Points whose X or Y is not finite are kept but never drawn and never
    //! widen an axis.
    int AddXY(double x, double y, const QString& label = QString(), const QColor& color = QColor());
    //! Removes every point.
    void Clear();
    int Count() const { return static_cast<int>(points_.size()); }
    //! The point of an index 0..Count()-1 (the X, Y of an index outside: 0).
    const TChartPoint& Point(int index) const;
    double X(int index) const { return Point(index).X; }
    double Y(int index) const { return Point(index).Y; }
    //! Changes one coordinate of a point in place (a sorted series is not sorted again);
    //! an index outside 0..Count()-1 changes nothing.
    void SetX(int index, double x);
    void SetY(int index, double y);

    //! The smallest and largest finite X (or Y) of the points; false when no point has
    //! finite coordinates.
    bool XRange(double& minimum, double& maximum) const;
    bool YRange(double& minimum, double& maximum) const;

    //! Called after every change of the points or of how they are drawn.
    std::function<void()> OnChange;

private:
    void Changed();
    bool Range(bool x, double& minimum, double& maximum) const;

    TSeriesKind kind_;
    QString title_;
    bool showInLegend_ = true;
    QColor color_ = Qt::red;
    int lineWidth_ = 1;
    bool marksVisible_ = false;
    bool pointsVisible_ = false;
    bool overlay_ = false;
    bool sorted_ = false;
    TAxisKind vertical_ = TAxisKind::Left;
    TAxisKind horizontal_ = TAxisKind::Bottom;
    std::vector<TChartPoint> points_;
};

} // namespace charts
