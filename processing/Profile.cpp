#include "processing/Profile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "processing/RawValue.h"
#include "processing/View2DMath.h"

namespace processing {

TSegment SamplingOrder(const TSegment& s)
{
    if (s.X1 > s.X2)
        return {s.X2, s.Y2, s.X1, s.Y1};
    return s;
}

std::int64_t ProfilePointCount(const TSegment& s)
{
    const std::int64_t dx = std::llabs(std::int64_t(s.X2) - s.X1);
    const std::int64_t dy = std::llabs(std::int64_t(s.Y2) - s.Y1);
    return std::max(dx, dy) + 1;
}

TSegment FitSegment(const TSegment& s, int width, int height)
{
    if (width < 1 || height < 1)
        return {};
    const auto col = [&](std::int32_t c) { return std::clamp(c, 0, width - 1); };
    const auto row = [&](std::int32_t r) { return std::clamp(r, 0, height - 1); };
    TSegment fitted{col(s.X1), row(s.Y1), col(s.X2), row(s.Y2)};
    if (fitted.X1 == fitted.X2 && fitted.Y1 == fitted.Y2 && (width > 1 || height > 1))
        fitted = {0, 0, width - 1, height - 1};
    return fitted;
}

namespace {

//! Reads values above Min with every index limited to the matrix.
class TClampedReader {
public:
    explicit TClampedReader(const TMatrixView& m) : m_(m) {}
    long double operator()(std::int64_t row, std::int64_t col) const
    {
        if (!m_.Values)
            return 0;
        const std::int64_t r = std::clamp<std::int64_t>(row, 0, m_.Height - 1);
        const std::int64_t c = std::clamp<std::int64_t>(col, 0, m_.Width - 1);
        return static_cast<long double>(std::int64_t(m_.Values[r * m_.Width + c]) - m_.Min);
    }
    //! The neighbour index after i along an axis of `size` points: i itself at the edge.
    static std::int64_t Next(std::int64_t i, std::int64_t size)
    {
        return (i + 1 >= size || i + 1 < 0) ? i : i + 1;
    }

private:
    const TMatrixView& m_;
};

} // namespace

int SampleProfile(const TMatrixView& matrix, const TSegment& segment, float* samples,
                  int capacity)
{
    if (matrix.Width < 1 || matrix.Height < 1 || !samples)
        return 0;
    const std::int64_t n = ProfilePointCount(segment);
    if (n > capacity)
        return 0;
    const TSegment s = SamplingOrder(segment);
    const TClampedReader v(matrix);
    const std::int64_t dx = std::int64_t(s.X2) - s.X1;  // never negative
    const std::int64_t dy = std::llabs(std::int64_t(s.Y2) - s.Y1);
    if (dx >= dy) {
        // One sample per column; the row moves by dy / dx per column, up or down.
        const long double step = dx > 0 ? static_cast<long double>(std::int64_t(s.Y2) - s.Y1) / dx : 0;
        for (std::int64_t i = 0; i < dx; ++i) {
            const std::int64_t c = s.X1 + i;
            const long double y = s.Y1 + i * step;
            const std::int64_t r = static_cast<std::int64_t>(y);
            const long double f = y - r;
            const long double here = v(r, c);
            samples[i] = static_cast<float>((v(TClampedReader::Next(r, matrix.Height), c) - here) * f + here);
        }
    } else {
        // One sample per row, from the start's row towards the end's.
        const std::int64_t direction = s.Y2 > s.Y1 ? 1 : -1;
        for (std::int64_t i = 0; i < dy; ++i) {
            const std::int64_t r = s.Y1 + direction * i;
            const long double x = static_cast<long double>(i) * dx / dy + s.X1;
            const std::int64_t c = static_cast<std::int64_t>(x);
            const long double f = x - c;
            const long double here = v(r, c);
            samples[i] = static_cast<float>((v(r, TClampedReader::Next(c, matrix.Width)) - here) * f + here);
        }
    }
    samples[n - 1] = static_cast<float>(v(s.Y2, s.X2));
    return static_cast<int>(n);
}

TProfileLine FitProfileLine(const float* samples, int n)
{
    if (n < 1 || !samples)
        return {};
    long double sum = 0, weighted = 0;
    for (int i = 0; i < n; ++i) {
        sum += samples[i];
        weighted += static_cast<long double>(i + 1) * samples[i];
    }
    const long double count = n;
    const long double mean = sum / count;
    if (n == 1)
        return {0, static_cast<double>(mean)};
    const long double h = (count + 1) / 2;
    const long double slope = (weighted / count - h * mean) / ((count * count - 1) / 12);
    return {static_cast<double>(slope), static_cast<double>(mean - h * slope)};
}

TProfileRange ProfileRange(const float* samples, int n)
{
    if (n < 1 || !samples)
        return {};
    const auto [lo, hi] = std::minmax_element(samples, samples + n);
    return {*lo, *hi};
}

void EliminateTilt(float* samples, int n, double slope)
{
    for (int i = 0; i < n; ++i)
        samples[i] = static_cast<float>(samples[i] - i * slope);
}

double ProfileTickStep(double length, double pixels)
{
    // In half micrometres the growth is the axes' label step: whole steps that stop at the
    // first one reaching half the length or lying more than 20 pixels apart.
    return 0.5 * AxisLabelStep(2 * length, pixels);
}

std::array<std::string, 3> HeightLabels(double bottom, double middle, double top)
{
    const double values[3] = {bottom, middle, top};
    const double m = std::max({std::fabs(bottom), std::fabs(middle), std::fabs(top)});
    std::array<std::string, 3> labels;
    for (int i = 0; i < 3; ++i) {
        char text[64];
        const double v = values[i];
        if (m > 1000)
            std::snprintf(text, sizeof text, "%d", ToRawValue(std::trunc(v / 100) * 100));
        else if (m > 100)
            std::snprintf(text, sizeof text, "%d", ToRawValue(std::trunc(v / 10) * 10));
        else if (m > 10)
            std::snprintf(text, sizeof text, "%d", ToRawValue(v));
        else
            std::snprintf(text, sizeof text, "%4.1f", v);
        labels[std::size_t(i)] = text;
    }
    return labels;
}

int PixelCoordinate(double position)
{
    if (std::isnan(position))
        return 0;
    return static_cast<int>(std::clamp(std::trunc(position), -32768.0, 32767.0));
}

TGridPoint MarkerGridPoint(int marker, int n, const TSegment& sampling)
{
    if (n < 2)
        return {sampling.X1, sampling.Y1};
    const double span = n - 1;
    const double column = marker * (double(sampling.X2) - sampling.X1) / span + sampling.X1;
    const double row = marker * (double(sampling.Y2) - sampling.Y1) / span + sampling.Y1;
    return {ToRawValue(column), ToRawValue(row)};
}

bool MarkerSquareShown(int marker, int n)
{
    return 1 < marker && marker < n - 2;
}

TBoxOffset MoveBoxInside(TBoxOffset offset, int dx, int dy, int pinX, int pinY, int boxWidth,
                         int boxHeight, int width, int height)
{
    std::int64_t x = std::int64_t(offset.X) + dx;
    std::int64_t y = std::int64_t(offset.Y) + dy;
    if (pinX + x + boxWidth > width)
        x = std::int64_t(width) - pinX - boxWidth;
    if (pinX + x < 0)
        x = -std::int64_t(pinX);
    if (pinY + y > height)
        y = std::int64_t(height) - pinY;
    if (pinY + y - boxHeight < 0)
        y = std::int64_t(boxHeight) - pinY;
    return {static_cast<int>(x), static_cast<int>(y)};
}

double MarkSpacingFraction(std::vector<int> indexes, int n)
{
    if (indexes.size() < 2 || n < 1)
        return 0;
    const auto [first, last] = std::minmax_element(indexes.begin(), indexes.end());
    return double(*last - *first) / double(indexes.size() - 1) / n;
}

}  // namespace processing
