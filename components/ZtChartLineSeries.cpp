#include "ZtChartLineSeries.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iterator>

#include "components/ZtChart.h"
#include "components/Ztservicefuncs.h"

using namespace platform;

// ---- TZtLineSeries

TZtLineSeries::TZtLineSeries(TZtChartLineSeries* Collection)
    : collection_(Collection), chart_(Collection ? Collection->Chart() : nullptr)
{
    Construct();
    if (chart_ && chart_->Designing()) {
        AddSamplePoints();
        Change(this);
    }
}

TZtLineSeries::TZtLineSeries(TZtLineSeries* Source)
    : collection_(Source ? Source->collection_ : nullptr), chart_(Source ? Source->chart_ : nullptr)
{
    Construct();
    Assign(Source);
}

void TZtLineSeries::Construct()
{
    pen_ = std::make_unique<TPenObject>(TPen{clRed, 1, psSolid, pmCopy});
    shapePen_ = std::make_unique<TPenObject>();
    shapeBrush_ = std::make_unique<TBrushObject>(TBrush{clRed, bsSolid});
    const auto change = [this](const void* sender) { Change(sender); };
    pen_->OnChange = change;
    shapePen_->OnChange = change;
    shapeBrush_->OnChange = change;
    if (collection_) {
        collection_->InsertItem(this);
        OnChange = [c = collection_](const void* sender) { c->Change(sender); };
    }
    Name = "LineSeries" + std::to_string(Index() + 1);
}

TZtLineSeries::~TZtLineSeries()
{
    if (collection_)
        collection_->RemoveItem(this);
}

int TZtLineSeries::Index() const
{
    if (!collection_)
        return -1;
    const auto& items = collection_->items_;
    const auto at = std::find(items.begin(), items.end(), this);
    return at == items.end() ? -1 : static_cast<int>(at - items.begin());
}

void TZtLineSeries::AddSamplePoints()
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    for (int i = 0; i < 20; ++i)
        points_.insert(chart_->SamplePoint());
}

void TZtLineSeries::Change(const void* Sender)
{
    stale_ = true;
    if (autoUpdate_ && OnChange)
        OnChange(Sender);
}

void TZtLineSeries::SetAutoUpdate(bool Value)
{
    if (Value == autoUpdate_)
        return;
    autoUpdate_ = Value;
    if (Value)
        Change(this);
}

void TZtLineSeries::SetTypePoints(TZtTypePoints Value)
{
    if (ChangeField(typePoints_, Value))
        Change(this);
}

void TZtLineSeries::SetTypeDependence(TZtTypeDependence Value)
{
    // The points' layout follows the dependence, so it changes only on a series being set
    // up: one added in the designer, or an empty one before its chart is loaded.
    const bool settingUp = addedAtDesignTime_ || (chart_ && !chart_->IsLoaded() && points_.empty());
    if (settingUp && Value != typeDependence_)
        typeDependence_ = Value;
}

void TZtLineSeries::SetShapeSize(int Value)
{
    if (Value == shapeSize_)
        return;
    shapeSize_ = std::max(Value, 0);
    Change(this);
}

void TZtLineSeries::Assign(const TPersistent* Source)
{
    const auto* source = AssignSource(Source, this, "TZtLineSeries");
    if (!source)
        return;
    TZtImage::TUpdateScope update(chart_);
    autoUpdate_ = source->autoUpdate_;
    typePoints_ = source->typePoints_;
    typeDependence_ = source->typeDependence_;
    shapeSize_ = source->shapeSize_;
    shapeBrush_->Assign(*source->shapeBrush_);
    shapePen_->Assign(*source->shapePen_);
    pen_->Assign(*source->pen_);
}

// ---- Points

void TZtLineSeries::AddXY(double X, double Y)
{
    const TDPoint stored = typeDependence_ == tdXY ? TDPoint{Y, X} : TDPoint{X, Y};
    if (std::isnan(stored.x))
        return; // a key that is not a number has no place in the order
    points_.insert(stored);
    Change(this);
}

void TZtLineSeries::Clear()
{
    points_.clear();
    Change(this);
}

bool TZtLineSeries::Delete(const TDPoint& Key)
{
    const bool removed = points_.erase(Key) > 0;
    Change(this);
    return removed;
}

void TZtLineSeries::Delete(iterator Position)
{
    points_.erase(Position);
    Change(this);
}

void TZtLineSeries::Delete(iterator First, iterator Last)
{
    points_.erase(First, Last);
    Change(this);
}

bool TZtLineSeries::Delete(int Index)
{
    if (Index < 0 || Index >= GetCount())
        return false;
    points_.erase(std::next(points_.begin(), Index));
    Change(this);
    return true;
}

TDPoint TZtLineSeries::GetData(int Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw Exception("Series index out of range");
    return *std::next(points_.begin(), Index);
}

bool TZtLineSeries::GetLowerBound(TDPoint Key, TDPoint& Result) const
{
    iterator at;
    if (!GetLowerBound(Key, at))
        return false;
    Result = *at;
    return true;
}

bool TZtLineSeries::GetLowerBound(TDPoint Key, iterator& Position) const
{
    Position = points_.lower_bound(Key);
    return Position != points_.end();
}

bool TZtLineSeries::GetUpperBound(TDPoint Key, TDPoint& Result) const
{
    iterator at;
    if (!GetUpperBound(Key, at))
        return false;
    Result = *at;
    return true;
}

bool TZtLineSeries::GetUpperBound(TDPoint Key, iterator& Position) const
{
    Position = points_.upper_bound(Key);
    return Position != points_.end();
}

bool TZtLineSeries::Find(TDPoint Key, iterator& Position) const
{
    Position = points_.find(Key);
    return Position != points_.end();
}

bool TZtLineSeries::SearchMinMax(TDPoint& Min, TDPoint& Max)
{
    if (points_.empty())
        return false;
    if (stale_) {
        double low = points_.begin()->y, high = low;
        for (const TDPoint& p : points_) {
            low = std::min(low, p.y);
            high = std::max(high, p.y);
        }
        const double first = points_.begin()->x;
        const double last = points_.rbegin()->x;
        if (typeDependence_ == tdYX) {
            min_ = {first, low};
            max_ = {last, high};
        } else {
            min_ = {low, first};
            max_ = {high, last};
        }
        stale_ = false;
    }
    Min = min_;
    Max = max_;
    return true;
}

// ---- Drawing

TDPoint TZtLineSeries::ChartPoint(const TDPoint& stored) const
{
    return typeDependence_ == tdXY ? TDPoint{stored.y, stored.x} : stored;
}

TPoint TZtLineSeries::PixelOf(const TDPoint& value, const TRect& rect) const
{
    return {TruncPixel(rect.Left + (value.x - chart_->BottomAxis()->Min()) * scaleX_),
            TruncPixel(rect.Bottom - (value.y - chart_->LeftAxis()->Min()) * scaleY_)};
}

void TZtLineSeries::Paint(TCanvas* Canvas, TRect Rect)
{
    if (points_.empty() || !chart_ || !Canvas)
        return;
    const TZtChartAxis* bottom = chart_->BottomAxis();
    const TZtChartAxis* left = chart_->LeftAxis();
    const double spanX = bottom->Max() - bottom->Min();
    const double spanY = left->Max() - left->Min();
    scaleX_ = spanX > 0 ? Rect.Width() / spanX : 1.0;
    scaleY_ = spanY > 0 ? Rect.Height() / spanY : 1.0;
    const TPen pen = pen_->Value();
    const TBrush brush = chart_->Brush()->Value();
    Canvas->Pen = pen;
    Canvas->Brush = brush;
    const bool markers = typePoints_ != tpNone && shapeSize_ > 0;
    if (!markers && !OnDrawPoint && pen.Width <= 1 &&
        (pen.Style == psSolid || pen.Style == psClear)) {
        // Nothing happens between the lines: one polyline of the same segments (a one-pixel
        // solid pen draws each segment on its own, as separate lines would).
        std::vector<TPoint> line;
        line.reserve(points_.size());
        for (const TDPoint& stored : points_) {
            const TPoint p = PixelOf(ChartPoint(stored), Rect);
            if (line.empty() || !(line.back() == p))
                line.push_back(p);
        }
        Canvas->MoveTo(line.front().x, line.front().y);
        Canvas->Polyline(line);
        return;
    }
    const TPoint first = PixelOf(ChartPoint(*points_.begin()), Rect);
    Canvas->MoveTo(first.x, first.y);
    int index = 0;
    for (const TDPoint& stored : points_) {
        const TDPoint value = ChartPoint(stored);
        const TPoint p = PixelOf(value, Rect);
        Canvas->LineTo(p.x, p.y);
        if (markers) {
            Canvas->Pen = shapePen_->Value();
            Canvas->Brush = shapeBrush_->Value();
            DrawShapePoint(Canvas, p.x, p.y);
            Canvas->Pen = pen;
            Canvas->Brush = brush;
            Canvas->MoveTo(p.x, p.y);
        }
        if (OnDrawPoint) {
            OnDrawPoint(this, Canvas, Rect, index, value, p);
            Canvas->Pen = pen;
            Canvas->Brush = brush;
            Canvas->MoveTo(p.x, p.y);
        }
        ++index;
    }
}

void TZtLineSeries::DrawShapePoint(TCanvas* Canvas, int X, int Y)
{
    const int s = shapeSize_;
    int x1 = X - s / 2;
    int y1 = Y - s / 2;
    int x2 = TruncPixel(X + s * 0.5 + 0.5);
    int y2 = TruncPixel(Y + s * 0.5 + 0.5);
    auto line = [Canvas](int ax, int ay, int bx, int by) {
        Canvas->MoveTo(ax, ay);
        Canvas->LineTo(bx, by);
    };
    auto diagonalCross = [&] {
        if (s % 2 == 0) {
            ++x1;
            ++y1;
        }
        line(x1, y1, x2, y2);
        line(x1, y2, x2, y1);
    };
    switch (typePoints_) {
    case tpSquare:
        Canvas->Rectangle(x1, y1, x2, y2);
        break;
    case tpCircle:
        Canvas->Ellipse(x1, y1, x2, y2);
        break;
    case tpTriangle: {
        const TPoint points[] = {{X, y1}, {x1, y2}, {x2, y2}};
        Canvas->Polygon(points);
        break;
    }
    case tpDownTriangle: {
        const TPoint points[] = {{X, y2}, {x1, y1}, {x2, y1}};
        Canvas->Polygon(points);
        break;
    }
    case tpCross:
        line(X, y1, X, y2);
        line(x1, Y, x2, Y);
        break;
    case tpDiagonalCross:
        diagonalCross();
        break;
    case tpStar: {
        const int top = y1; // the cross keeps the marker's top; it takes the adjusted left
        diagonalCross();
        line(X, top, X, y2);
        line(x1, Y, x2, Y);
        break;
    }
    case tpDiamond: {
        if (s % 2 == 1) {
            --x2;
            --y2;
        }
        const TPoint points[] = {{X, y1}, {x2, Y}, {X, y2}, {x1, Y}};
        Canvas->Polygon(points);
        break;
    }
    case tpNone:
        break;
    }
}

// ---- TZtChartLineSeries

TZtChartLineSeries::TZtChartLineSeries(TZtChart* Chart) : chart_(Chart) {}

TZtChartLineSeries::~TZtChartLineSeries()
{
    destroying_ = true;
    Clear();
}

TZtLineSeries* TZtChartLineSeries::Add()
{
    auto* series = new TZtLineSeries(this);
    series->OnChange = [this](const void* sender) { Change(sender); };
    series->addedAtDesignTime_ = chart_ && chart_->Designing();
    return series;
}

TZtLineSeries* TZtChartLineSeries::GetItem(int Index) const
{
    if (Index < 0 || Index >= Count())
        return nullptr;
    return items_[static_cast<std::size_t>(Index)];
}

void TZtChartLineSeries::SetItem(int Index, TZtLineSeries* Value)
{
    if (TZtLineSeries* item = GetItem(Index))
        item->Assign(Value);
}

void TZtChartLineSeries::Delete(int Index)
{
    delete GetItem(Index);
}

void TZtChartLineSeries::Clear()
{
    while (!items_.empty())
        delete items_.back();
}

void TZtChartLineSeries::Change(const void* Sender)
{
    if (OnChange)
        OnChange(Sender);
}

void TZtChartLineSeries::DoPaint(TCanvas* Canvas, TRect Rect)
{
    for (TZtLineSeries* series : items_)
        series->Paint(Canvas, Rect);
}

void TZtChartLineSeries::Notify(TZtLineSeries*, TCollectionNotification Action)
{
    if (Action == cnExtracting && chart_ && chart_->Designing() && !destroying_)
        Change(this);
}

void TZtChartLineSeries::InsertItem(TZtLineSeries* item)
{
    items_.push_back(item);
    Notify(item, cnAdded);
}

void TZtChartLineSeries::RemoveItem(TZtLineSeries* item)
{
    const auto at = std::find(items_.begin(), items_.end(), item);
    if (at == items_.end())
        return;
    items_.erase(at);
    Notify(item, cnExtracting);
}
