#include "processing/Areas.h"

#include <cmath>
#include <cstddef>

namespace processing {

double NominalArea(int width, int height, double xStep, double yStep)
{
    if (width < 2 || height < 2)
        return 0.0;
    return double(width - 1) * double(height - 1) * xStep * yStep;
}

double HeronArea(double a, double b, double c)
{
    const double u = (a + b + c) / 2;
    const double radicand = u * (u - a) * (u - b) * (u - c);
    return radicand > 0 ? std::sqrt(radicand) : 0.0;
}

double FullArea(const std::int32_t* values, int width, int height, double xStep, double yStep,
                double zScale)
{
    if (!values || width < 2 || height < 2)
        return 0.0;
    const double dx2 = xStep * xStep, dy2 = yStep * yStep;
    double sum = 0;
    for (int i = 0; i + 1 < height; ++i) {
        const std::int32_t* upper = values + std::ptrdiff_t(i) * width;
        const std::int32_t* lower = upper + width;
        for (int j = 0; j + 1 < width; ++j) {
            const double z00 = upper[j] * zScale, z01 = upper[j + 1] * zScale;
            const double z10 = lower[j] * zScale, z11 = lower[j + 1] * zScale;
            const double a = std::sqrt((z10 - z00) * (z10 - z00) + dy2);
            const double b = std::sqrt((z11 - z10) * (z11 - z10) + dx2);
            const double t = std::sqrt((z11 - z00) * (z11 - z00) + dx2 + dy2);
            const double p = std::sqrt((z01 - z00) * (z01 - z00) + dx2);
            const double q = std::sqrt((z11 - z01) * (z11 - z01) + dy2);
            sum += HeronArea(a, b, t);
            sum += HeronArea(t, p, q);
        }
    }
    return sum;
}

double AreaRatio(double nominal, double full)
{
    return full != 0 ? nominal / full : 0.0;
}

}  // namespace processing
