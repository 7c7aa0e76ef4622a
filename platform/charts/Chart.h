#pragma once
// The chart panel the plug-ins draw with: a flat chart on Qt Charts with four titled axes
// (left, right, bottom, top), grids, a legend and line series (ChartSeries.h), an optional
// title, a background picture stretched inside the axes, mouse positions as axis values,
// and saving as a BMP file.
//
// Series and axes are plain objects owned by the chart. Changes to them are gathered and
// drawn once the event loop runs again (or at once by Refresh()), so that adding many
// points one by one costs one redraw. Every query that depends on the drawing (the plot
// area, pixel and value conversions, automatic ranges, saving) brings the chart up to date
// first.
//
// The library links Qt only: each plug-in links it statically and exports none of it.

#include <QChartView>
#include <QColor>
#include <QImage>
#include <QLineF>
#include <QPixmap>
#include <QRegion>
#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "platform/charts/ChartSeries.h"

class QGraphicsPixmapItem;
class QValueAxis;
class QLineSeries;

namespace charts {

//! Writes the image as a BMP file; false when it cannot be encoded or the path is no regular
//! file that can be written (a FIFO or a device is refused at once).
bool SaveImageAsBmp(const QImage& image, const QString& path);

class TChart;

//! One axis of a chart panel. An axis is drawn while it is visible (it is at creation) and
//! in use: a series is measured on it, or, for the left and bottom axes, the chart has no
//! series at all.
class TChartAxis {
public:
    TAxisKind Kind() const { return kind_; }
    bool Horizontal() const { return kind_ == TAxisKind::Bottom || kind_ == TAxisKind::Top; }

    //! The title written along the axis (empty at creation: none).
    QString Title() const;
    void SetTitle(const QString& title);
    //! The grid lines drawn from the axis' ticks across the plot (shown at creation).
    bool GridVisible() const;
    void SetGridVisible(bool visible);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    //! A reversed axis runs from its maximum to its minimum (a left axis pointing down).
    bool Inverted() const;
    void SetInverted(bool inverted);

    //! Automatic scaling (on at creation): the range spans the finite values of the series
    //! measured on the axis; 0..1 without any, and v - 1 .. v + 1 when they are all v.
    bool Automatic() const { return automatic_; }
    void SetAutomatic(bool automatic);
    //! Sets the range and ends automatic scaling. A maximum below the minimum is taken as
    //! the minimum; values that are not finite are refused.
    void SetMinMax(double minimum, double maximum);
    double Minimum() const;
    double Maximum() const;

    //! The axis value at a pixel of the chart (x for a horizontal axis, y for a vertical
    //! one), on the straight line through the plot area's edges; it may lie outside the
    //! range.
    double CalcPosPoint(int pixel) const;
    //! The pixel of the chart at which a value lies along the axis (rounded).
    int CalcPosValue(double value) const;
    //! The text of a value as the axis labels it: thousands grouped with ',', '.' and at
    //! most three decimals without trailing zeros ("1,234.5", "-0.125", "7").
    static QString LabelValue(double value);

private:
    friend class TChart;
    TChartAxis(TChart& chart, TAxisKind kind);

    // The axis drawn as a line of pixels: where it starts and how long it is, the values at
    // its ends, and whether the values run against the pixels.
    struct TLine {
        double From = 0;
        double Length = 0;
        double Minimum = 0;
        double Span = 0;
        bool Flipped = false;
    };
    TLine Line() const;
    //! The axis drawn over an area of pixels (of the chart or of its view).
    TLine LineOver(const QRectF& area) const;
    //! Where a value lies along the line, unrounded.
    static double Position(const TLine& line, double value);

    TChart& chart_;
    TAxisKind kind_;
    QValueAxis* axis_; // owned by the chart once added to it
    bool visible_ = true;
    bool automatic_ = true;
    double minimum_ = 0;
    double maximum_ = 1;
};

class TChart : public QChartView {
    Q_OBJECT
public:
    explicit TChart(QWidget* parent = nullptr);
    ~TChart() override;

    TChartAxis& Axis(TAxisKind kind) { return *axes_[static_cast<std::size_t>(kind)]; }
    TChartAxis& LeftAxis() { return Axis(TAxisKind::Left); }
    TChartAxis& RightAxis() { return Axis(TAxisKind::Right); }
    TChartAxis& BottomAxis() { return Axis(TAxisKind::Bottom); }
    TChartAxis& TopAxis() { return Axis(TAxisKind::Top); }

    //! Adds a series (red, width 1, unsorted, on the left and bottom axes); the chart owns
    //! it and draws it in the order of adding.
    TChartSeries& AddSeries(TSeriesKind kind, const QString& title = QString());
    int SeriesCount() const { return static_cast<int>(series_.size()); }
    TChartSeries& Series(int index) { return series_.at(static_cast<std::size_t>(index))->Model; }

    //! The title above the plot (empty at creation: none).
    QString Title() const;
    void SetTitle(const QString& title);
    //! The legend at the right (shown at creation); it lists the series that ask for it.
    bool LegendVisible() const;
    void SetLegendVisible(bool visible);
    //! The panel's colour around the plot (white at creation).
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    //! The colour inside the axes (white at creation); a background picture covers it.
    QColor BackColor() const { return backColor_; }
    void SetBackColor(const QColor& color);
    //! A picture stretched over the plot area inside the axes; a null image removes it.
    void SetBackImage(const QImage& image);
    const QImage& BackImage() const { return backImage_; }

    //! The plot area inside the axes, in pixels of the chart.
    QRect PlotArea();
    //! Writes the chart as it is drawn at its current size into a BMP file (24 bits per
    //! pixel); false when it cannot be drawn or written.
    bool SaveToBitmapFile(const QString& path);
    //! Draws every pending change now: series points and styles, axes and their ranges.
    void Refresh();

signals:
    //! The mouse moved over the chart to pixel (x, y).
    void MouseMove(Qt::KeyboardModifiers modifiers, int x, int y);
    //! A mouse button went down at pixel (x, y).
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class TChartAxis;
    struct TSeriesEntry {
        TSeriesEntry(TSeriesKind kind, const QString& title) : Model(kind, title) {}
        TChartSeries Model;
        QLineSeries* Drawn = nullptr;     // owned by the chart once added to it
        std::vector<QLineF> OverlayLines; // an overlay's line in pixels of the chart's view
        QRectF OverlayBounds;             // where that line is drawn
        bool Dirty = true;
    };

    void Changed();
    void SyncSeries(TSeriesEntry& entry);
    //! An overlay's line from its points in the plot area as it is now; what it leaves and
    //! what it covers is drawn again.
    void SyncOverlay(TSeriesEntry& entry);
    bool HasOverlays() const;
    void SyncAxes();
    bool AxisInUse(TAxisKind kind) const;
    void AutomaticRange(TChartAxis& axis);
    //! Brings the chart's layout up to date (the plot area follows its axes and size).
    void Settle();
    void PlotAreaChanged(const QRectF& area);
    QRectF PlotAreaF();

    std::array<std::unique_ptr<TChartAxis>, 4> axes_;
    std::vector<std::unique_ptr<TSeriesEntry>> series_;
    QColor color_ = Qt::white;
    QColor backColor_ = Qt::white;
    QImage backImage_;
    QImage scaledBackImage_;
    // The background picture scaled to the plot area, kept as a pixmap between the plot
    // area's colour and the grid: a redraw copies it without scaling or conversion.
    QGraphicsPixmapItem* backItem_ = nullptr; // owned by the chart
    // With overlays, the rest of the chart is drawn into this picture once for every
    // change of it, and a redraw copies it and draws the overlays over it.
    QImage kept_;
    bool keptValid_ = false;
    // What the overlays asked to redraw since the last redraw: a redraw of anything more
    // means that the rest of the chart changed (or was uncovered), and the kept picture
    // is drawn again.
    QRegion overlayRegion_;
    bool dirty_ = false;
    bool refreshQueued_ = false;
    bool refreshing_ = false;
};

} // namespace charts
