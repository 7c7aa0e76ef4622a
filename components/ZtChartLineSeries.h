#pragma once
// A line series of a chart: points in an ordered set keyed by the independent variable,
// drawn as a polyline with optional markers against the chart's bottom (x) and left (y)
// axes; and the collection of a chart's series.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "components/Ztc.h"
#include "platform/core/Persistent.h"
#include "platform/gui/GraphicsObjects.h"

class TZtChart;
class TZtChartLineSeries;

//! The points of one series: unique keys in ascending order.
using TZtLineSeriesData = std::set<TDPoint>;

//! The marker drawn at every point.
enum TZtTypePoints : std::uint8_t {
    tpNone = 0,
    tpSquare = 1,
    tpCircle = 2,
    tpTriangle = 3,
    tpDownTriangle = 4,
    tpCross = 5,
    tpDiagonalCross = 6,
    tpStar = 7,
    tpDiamond = 8
};

//! tdYX: y depends on x, points keyed by x; tdXY: x depends on y, points keyed by y (and
//! stored with their coordinates exchanged).
enum TZtTypeDependence : std::uint8_t { tdYX = 0, tdXY = 1 };

class TZtLineSeries : public platform::TPersistent {
public:
    using iterator = TZtLineSeriesData::const_iterator;
    //! Called for every point while painting: the series, the canvas, the rectangle given to
    //! Paint, the point's index in key order, its value (x, y) and its pixel.
    using TDrawPointEvent =
        std::function<void(TZtLineSeries* Sender, platform::TCanvas* Canvas, platform::TRect Rect,
                           int Index, TDPoint Value, platform::TPoint Point)>;

    //! A new series at the end of Collection (which owns it); at design time it gets 20
    //! random sample points.
    explicit TZtLineSeries(TZtChartLineSeries* Collection);
    //! A new series in Source's collection with Source's settings (not its points).
    explicit TZtLineSeries(TZtLineSeries* Source);
    //! Leaves the collection.
    ~TZtLineSeries() override;
    TZtLineSeries(const TZtLineSeries&) = delete;
    TZtLineSeries& operator=(const TZtLineSeries&) = delete;

    TZtChartLineSeries* Collection() const { return collection_; }
    TZtChart* Chart() const { return chart_; }
    //! The position in the collection.
    int Index() const;

    //! Changes are passed on to the chart (which repaints); switching it on passes one on.
    bool AutoUpdate() const { return autoUpdate_; }
    void SetAutoUpdate(bool Value);
    //! The line pen (red at start).
    platform::TPenObject* Pen() const { return pen_.get(); }
    void SetPen(const platform::TPenObject* Value) { platform::CopyInto(*pen_, Value); }
    TZtTypePoints TypePoints() const { return typePoints_; }
    void SetTypePoints(TZtTypePoints Value);
    TZtTypeDependence TypeDependence() const { return typeDependence_; }
    //! Takes effect only on a series added while its chart was at design time or not yet
    //! loaded (set up in code before Loaded, as a form does); otherwise ignored.
    void SetTypeDependence(TZtTypeDependence Value);
    platform::TPenObject* ShapePen() const { return shapePen_.get(); }
    void SetShapePen(const platform::TPenObject* Value) { platform::CopyInto(*shapePen_, Value); }
    platform::TBrushObject* ShapeBrush() const { return shapeBrush_.get(); }
    void SetShapeBrush(const platform::TBrushObject* Value)
    {
        platform::CopyInto(*shapeBrush_, Value);
    }
    //! Marker size in pixels, never negative.
    int ShapeSize() const { return shapeSize_; }
    void SetShapeSize(int Value);
    //! "LineSeries" and the position + 1 at creation; the display name.
    std::string Name;
    std::string GetDisplayName() const { return Name; }

    platform::TChangeEvent OnChange;
    TDrawPointEvent OnDrawPoint;

    //! Adds the point (X, Y) (exchanged for tdXY); a point with the same key stays as it
    //! was; a key that is not a number is dropped.
    void AddXY(double X, double Y);
    void Clear();
    int GetCount() const { return static_cast<int>(points_.size()); }
    //! Removes the point whose key equals Key.x; whether there was one.
    bool Delete(const TDPoint& Key);
    void Delete(iterator Position);
    //! Removes First up to, not including, Last.
    void Delete(iterator First, iterator Last);
    //! Removes the Index-th point in key order; false (nothing removed) outside the points.
    bool Delete(int Index);
    //! The Index-th stored point in key order; raises "Series index out of range" outside.
    TDPoint GetData(int Index) const;
    //! The first stored point whose key is not less than Key.x; false when there is none.
    bool GetLowerBound(TDPoint Key, TDPoint& Result) const;
    bool GetLowerBound(TDPoint Key, iterator& Position) const;
    //! The first stored point whose key is greater than Key.x.
    bool GetUpperBound(TDPoint Key, TDPoint& Result) const;
    bool GetUpperBound(TDPoint Key, iterator& Position) const;
    //! The point whose key equals Key.x.
    bool Find(TDPoint Key, iterator& Position) const;
    //! The smallest and largest x and y of the points in chart orientation (cached between
    //! changes); false for an empty series.
    bool SearchMinMax(TDPoint& Min, TDPoint& Max);
    //! The stored points in key order.
    iterator begin() const { return points_.begin(); }
    iterator end() const { return points_.end(); }

    //! Draws the series into Rect: the bottom axis's Min at Rect.Left, its Max at Rect.Right,
    //! the left axis's Min at Rect.Bottom and its Max at Rect.Top.
    virtual void Paint(platform::TCanvas* Canvas, platform::TRect Rect);
    //! One marker centred on (X, Y) with the canvas's pen and brush.
    virtual void DrawShapePoint(platform::TCanvas* Canvas, int X, int Y);
    //! Marks the extremes stale, then passes the change on when AutoUpdate is set.
    virtual void Change(const void* Sender);
    //! Copies AutoUpdate, TypePoints, TypeDependence, ShapeSize, the marker brush and pen and
    //! the line pen (not the name, points or events) inside the chart's update bracket.
    void Assign(const platform::TPersistent* Source) override;

    //! Pixels per x and per y unit of the last Paint.
    double ScaleX() const { return scaleX_; }
    double ScaleY() const { return scaleY_; }

private:
    friend class TZtChartLineSeries;
    void Construct();
    //! Inserts random points across the axes' ranges straight into the set.
    void AddSamplePoints();
    //! The pixel of a point in chart orientation within Rect (scales kx, ky).
    platform::TPoint PixelOf(const TDPoint& value, const platform::TRect& rect) const;
    //! The point in chart orientation of a stored point.
    TDPoint ChartPoint(const TDPoint& stored) const;

    TZtChartLineSeries* collection_;
    TZtChart* chart_;
    bool autoUpdate_ = true;
    std::unique_ptr<platform::TPenObject> pen_;
    TZtTypePoints typePoints_ = tpNone;
    TZtTypeDependence typeDependence_ = tdYX;
    std::unique_ptr<platform::TPenObject> shapePen_;
    std::unique_ptr<platform::TBrushObject> shapeBrush_;
    int shapeSize_ = 5;
    TDPoint min_, max_;
    bool addedAtDesignTime_ = false;
    bool stale_ = false;
    double scaleX_ = 0;
    double scaleY_ = 0;
    TZtLineSeriesData points_;
};

//! The series of a chart, which owns them; a series reports its changes to the collection,
//! the collection to the chart.
class TZtChartLineSeries {
public:
    //! What happened to an item: added, taken out of the collection, deleted.
    enum TCollectionNotification { cnAdded = 0, cnExtracting = 1, cnDeleting = 2 };

    explicit TZtChartLineSeries(TZtChart* Chart);
    virtual ~TZtChartLineSeries();
    TZtChartLineSeries(const TZtChartLineSeries&) = delete;
    TZtChartLineSeries& operator=(const TZtChartLineSeries&) = delete;

    TZtChart* Chart() const { return chart_; }
    //! A new series at the end (its constructor runs), reporting to this collection.
    TZtLineSeries* Add();
    int Count() const { return static_cast<int>(items_.size()); }
    //! The series at Index; null outside the collection.
    TZtLineSeries* GetItem(int Index) const;
    //! The series at Index copies Value.
    void SetItem(int Index, TZtLineSeries* Value);
    //! Deletes the series at Index (nothing outside the collection).
    void Delete(int Index);
    //! Deletes every series.
    void Clear();

    //! Calls OnChange with the Sender received.
    virtual void Change(const void* Sender);
    //! Paints every series into Rect in collection order.
    virtual void DoPaint(platform::TCanvas* Canvas, platform::TRect Rect);
    //! An item was added or taken out: taking one out at design time (not while the
    //! collection goes with its chart) is a change.
    virtual void Notify(TZtLineSeries* Item, TCollectionNotification Action);

    //! Set by the chart to its Change.
    platform::TChangeEvent OnChange;

private:
    friend class TZtLineSeries;
    void InsertItem(TZtLineSeries* item);
    void RemoveItem(TZtLineSeries* item);

    TZtChart* chart_;
    std::vector<TZtLineSeries*> items_; // owned
    bool destroying_ = false;
};
