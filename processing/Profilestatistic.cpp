#include "processing/Profilestatistic.h"

#include <algorithm>
#include <cmath>

void TProfileStatistic::SetData(const double* data)
{
    Data = data;
}

void TProfileStatistic::Calculate()
{
    if (!Data || Count == 0)
        return;
    handed_ = std::max(Count, 0);
    Count = 2 * (handed_ / 2);
    if (Count < 2) {
        // Nothing to halve: no line, no statistics.
        Rq = Mean = Ra = Intercept = Slope = NormalSlope = Sm = R = S = 0;
        return;
    }
    FitMeanLine();
    Mean = MeanHeight();
    MeanDeviation();
    TenPointHeight();
    CrossingSpacing();
    SpacingRatio();
    PeakSpacing();
}

void TProfileStatistic::FitMeanLine()
{
    const int h = Count / 2;
    double a = 0, b = 0;
    for (int i = 0; i < h; ++i) {
        a += Data[i];
        b += Data[h + i];
    }
    a /= h;
    b /= h;
    Slope = (b - a) / h;
    Intercept = a - (Count / 4) * Slope;
    NormalSlope = Slope != 0 ? -1 / Slope : 0;
}

double TProfileStatistic::MeanHeight() const
{
    double sum = 0;
    for (int i = 0; i < Count; ++i)
        sum += Data[i];
    return sum / Count;
}

void TProfileStatistic::MeanDeviation()
{
    const double norm = std::sqrt(1 + Slope * Slope);
    double sum = 0;
    for (int i = 0; i < Count; ++i)
        sum += std::fabs(Data[i] - LineAt(i)) / norm;
    Ra = sum / Count;
}

namespace {

//! The entries of each run of neighbouring indices, in index order: the first entry of the
//! largest value of every run (a run ends where the next index is more than 1 further on).
std::vector<TProfileStatistic::TDataPair>
RunMaxima(const std::vector<TProfileStatistic::TDataPair>& table)
{
    std::vector<TProfileStatistic::TDataPair> maxima;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const bool starts = i == 0 || table[i].Index - table[i - 1].Index > 1;
        if (starts)
            maxima.push_back(table[i]);
        else if (table[i].Value > maxima.back().Value)
            maxima.back() = table[i];
    }
    return maxima;
}

//! The sum of up to five of the smallest values divided by their number + 1; 0 for none.
double SmallestFiveMean(std::vector<TProfileStatistic::TDataPair> maxima)
{
    std::vector<double> values;
    for (const auto& m : maxima)
        values.push_back(m.Value);
    std::sort(values.begin(), values.end());
    const std::size_t taken = std::min<std::size_t>(5, values.size());
    double sum = 0;
    for (std::size_t i = 0; i < taken; ++i)
        sum += values[i];
    return sum / double(taken + 1);
}

}  // namespace

void TProfileStatistic::TenPointHeight()
{
    const double norm = std::sqrt(1 + Slope * Slope);
    std::vector<TDataPair> peaks, valleys;
    for (int i = 0; i < Count; ++i) {
        const TDataPair entry{i, std::fabs(Data[i] - LineAt(i)) / norm};
        (Data[i] >= LineAt(i) ? peaks : valleys).push_back(entry);
    }
    Rq = SmallestFiveMean(RunMaxima(peaks)) + SmallestFiveMean(RunMaxima(valleys));
}

void TProfileStatistic::CrossingSpacing()
{
    struct TCrossing {
        double X, E;
    };
    std::vector<TCrossing> crossings;
    for (int i = 0; i < Count && i + 1 < handed_; ++i) {
        const double s = Data[i + 1] - Data[i];
        if (!(s > 0) || s == Slope)
            continue;
        const double x = (Data[i] - i * s - Intercept) / (Slope - s);
        const double e = Slope * x + Intercept;
        if (i < x && x < i + 1 && e > Data[i])
            crossings.push_back({x, e});
    }
    double sum = 0;
    for (std::size_t j = 0; j + 1 < crossings.size(); ++j)
        sum += std::hypot((crossings[j].X - crossings[j + 1].X) * Step,
                          crossings[j].E - crossings[j + 1].E);
    Sm = crossings.empty() ? 0 : sum / double(crossings.size());
}

void TProfileStatistic::SpacingRatio()
{
    R = Ra != 0 ? Sm * Sm / Ra : 0;
}

void TProfileStatistic::PeakSpacing()
{
    std::vector<TDataPair> above;
    for (int i = 0; i < Count; ++i)
        if (Data[i] >= LineAt(i))
            above.push_back({i, Data[i]});
    const std::vector<TDataPair> peaks = RunMaxima(above);
    if (peaks.size() < 2) {
        S = 0;
        return;
    }
    double sum = 0;
    for (std::size_t j = 0; j + 1 < peaks.size(); ++j)
        sum += std::hypot(double(peaks[j].Index - peaks[j + 1].Index) * Step,
                          LineAt(peaks[j].Index) - LineAt(peaks[j + 1].Index));
    S = sum / double(peaks.size() - 1);
}

TProfileQuantities ProfileQuantities(TProfileStatistic& statistic, const float* samples, int n,
                                     double offset, double zScale, double lengthPerPoint)
{
    TProfileQuantities q;
    if (n < 2 || !samples)
        return q;
    const double whole = std::trunc(offset);
    std::vector<double> heights(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        heights[std::size_t(i)] = (double(samples[i]) + whole) * zScale;
    statistic.SetData(heights.data());
    statistic.Count = n;
    statistic.Step = lengthPerPoint;
    statistic.Calculate();
    statistic.SetData(nullptr);  // the heights go with this call
    q.Mean = statistic.Mean;
    q.Ra = statistic.Ra;
    q.Rq = statistic.Rq;
    q.Sm = statistic.Sm;
    q.R = statistic.R;
    q.S = statistic.S;

    double cubes = 0, fourths = 0;
    for (int i = 0; i < n; ++i) {
        const double d = (double(samples[i]) + offset) * zScale - q.Mean;
        cubes += d * d * d;
        fourths += d * d * d * d;
    }
    if (q.Rq != 0) {
        q.Rsk = cubes / (n * q.Rq * q.Rq * q.Rq);
        q.Rku = fourths / (n * q.Rq * q.Rq * q.Rq * q.Rq);
    }
    for (int i = 0; i + 1 < n; ++i)
        q.SurfaceLength += std::hypot(lengthPerPoint, (double(samples[i]) - samples[i + 1]) * zScale);
    return q;
}
