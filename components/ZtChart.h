#pragma once
// A line chart: an axis frame that draws any number of line series in its graph area
// against its bottom (x) and left (y) axes, sets the ranges of those axes from the data
// when asked, and converts between data values and graph pixels.

#include <memory>

#include "components/ZtAxisImage.h"
#include "components/ZtChartLineSeries.h"

class TZtChart : public TZtAxisImage {
    Q_OBJECT
public:
    //! 400 × 250 pixels, repainting on every change once loaded.
    explicit TZtChart(QWidget* owner = nullptr);
    ~TZtChart() override;

    //! The chart's series (owned; always this one collection).
    TZtChartLineSeries* LineSeries() const { return lineSeries_.get(); }

    //! The pixel of a value, by the scales of the last drawing; true when it lies strictly
    //! inside the graph rectangle.
    bool ValueToGraphPoint(TDPoint Value, platform::TPoint& Point) const;
    //! The value of a pixel, by the scales of the last drawing; true when it lies strictly
    //! inside both axes' ranges. Before the first drawing the value is the axes' minima and
    //! the answer false.
    bool GraphPointToValue(platform::TPoint Point, TDPoint& Value) const;

    //! With AutoScale on the left or bottom axis: their ranges become the extremes of every
    //! series that has points (written without change notices).
    void DoAutoScale() override;
    //! Paints the series into the graph area through an off-screen bitmap of its size, so
    //! that they are clipped to it.
    void DrawGraphic(platform::TBitmap* Bitmap) override;
    //! At design time fills every series with sample points.
    void Loaded() override;

    //! A random point across the ranges of the bottom and left axes, from two values of the
    //! C library's generator (for the designer's sample points).
    TDPoint SamplePoint() const;

    //! Pixels per unit of the bottom and the left axis at the last drawing.
    double ScaleX() const { return scaleX_; }
    double ScaleY() const { return scaleY_; }

private:
    std::unique_ptr<platform::TBitmap> offscreen_;
    double scaleX_ = 0;
    double scaleY_ = 0;
    std::unique_ptr<TZtChartLineSeries> lineSeries_;
};
