#include "ChartSeries.h"

#include <algorithm>
#include <cmath>

namespace charts {

namespace {

// The order of a sorted series: ascending X, points whose X is not a number last.
bool XBefore(double a, double b)
{
    return !std::isnan(a) && (std::isnan(b) || a < b);
}

} // namespace

TChartSeries::TChartSeries(TSeriesKind kind, const QString& title) : kind_(kind), title_(title) {}

void TChartSeries::Changed()
{
    if (OnChange)
        OnChange();
}

void TChartSeries::SetTitle(const QString& title)
{
    title_ = title;
    Changed();
}

void TChartSeries::SetShowInLegend(bool show)
{
    showInLegend_ = show;
    Changed();
}

void TChartSeries::SetColor(const QColor& color)
{
    color_ = color;
    Changed();
}

void TChartSeries::SetLineWidth(int width)
{
    lineWidth_ = std::clamp(width, 1, 10);
    Changed();
}

void TChartSeries::SetMarksVisible(bool visible)
{
    marksVisible_ = visible;
    Changed();
}

void TChartSeries::SetPointsVisible(bool visible)
{
    pointsVisible_ = visible;
    Changed();
}

void TChartSeries::SetOverlay(bool overlay)
{
    overlay_ = overlay;
    Changed();
}

void TChartSeries::SetSorted(bool sorted)
{
    sorted_ = sorted;
    if (sorted_)
        std::stable_sort(
            points_.begin(), points_.end(),
            [](const TChartPoint& a, const TChartPoint& b) { return XBefore(a.X, b.X); });
    Changed();
}

void TChartSeries::SetVerticalAxis(TAxisKind axis)
{
    if (axis == TAxisKind::Left || axis == TAxisKind::Right)
        vertical_ = axis;
    Changed();
}

void TChartSeries::SetHorizontalAxis(TAxisKind axis)
{
    if (axis == TAxisKind::Bottom || axis == TAxisKind::Top)
        horizontal_ = axis;
    Changed();
}

int TChartSeries::AddXY(double x, double y, const QString& label, const QColor& color)
{
    auto at = points_.end();
    if (sorted_)
        at = std::upper_bound(
            points_.begin(), points_.end(), x,
            [](double value, const TChartPoint& p) { return XBefore(value, p.X); });
    at = points_.insert(at, TChartPoint{x, y, label, color});
    Changed();
    return static_cast<int>(at - points_.begin());
}

void TChartSeries::Clear()
{
    points_.clear();
    Changed();
}

const TChartPoint& TChartSeries::Point(int index) const
{
    static const TChartPoint none;
    if (index < 0 || index >= Count())
        return none;
    return points_[static_cast<std::size_t>(index)];
}

void TChartSeries::SetX(int index, double x)
{
    if (index < 0 || index >= Count())
        return;
    points_[static_cast<std::size_t>(index)].X = x;
    Changed();
}

void TChartSeries::SetY(int index, double y)
{
    if (index < 0 || index >= Count())
        return;
    points_[static_cast<std::size_t>(index)].Y = y;
    Changed();
}

bool TChartSeries::Range(bool x, double& minimum, double& maximum) const
{
    bool any = false;
    for (const TChartPoint& p : points_) {
        if (!std::isfinite(p.X) || !std::isfinite(p.Y))
            continue;
        const double v = x ? p.X : p.Y;
        if (!any || v < minimum)
            minimum = v;
        if (!any || v > maximum)
            maximum = v;
        any = true;
    }
    return any;
}

bool TChartSeries::XRange(double& minimum, double& maximum) const
{
    return Range(true, minimum, maximum);
}

bool TChartSeries::YRange(double& minimum, double& maximum) const
{
    return Range(false, minimum, maximum);
}

} // namespace charts
