#include "Resonance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kwt {

namespace {

// The integer part of a value, held to the 32-bit range (NaN gives 0).
std::int32_t IntegerPart(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

void Append(std::string& text, const char* format, auto... values)
{
    char line[512];
    const int n = std::snprintf(line, sizeof line, format, values...);
    if (n > 0)
        text.append(line, static_cast<std::size_t>(std::min<int>(n, sizeof line - 1)));
}

} // namespace

TPeak FindPeakPlain(const std::int32_t* sweep, std::int32_t width)
{
    TPeak peak;
    if (!sweep || width <= 0)
        return peak;
    std::int32_t hi = sweep[0];
    std::int32_t lo = sweep[0];
    std::int32_t hiAt = 0;
    std::int32_t loAt = 0;
    for (std::int32_t i = 1; i < width; ++i) {
        const std::int32_t v = sweep[i];
        if (v > hi) {
            hi = v;
            hiAt = i;
        }
        if (v < lo) {
            lo = v;
            loAt = i;
        }
    }
    return {hiAt, loAt, hi, lo};
}

namespace {

// The first index of a value that the sweep holds, in blocks that are compared whole.
std::int32_t FirstIndexOf(const std::int32_t* sweep, std::int32_t width, std::int32_t value)
{
    constexpr std::int32_t kBlock = 64;
    std::int32_t i = 0;
    for (; i + kBlock <= width; i += kBlock) {
        int hit = 0;
        for (std::int32_t j = 0; j < kBlock; ++j)
            hit |= sweep[i + j] == value;
        if (hit)
            break;
    }
    for (; i < width; ++i)
        if (sweep[i] == value)
            return i;
    return -1;
}

// The extremes of a sweep of at least one value and where the maximum stands first: the
// extremes of blocks without branches, then the first block with the maximum searched.
void Extremes(const std::int32_t* sweep, std::int32_t width, std::int32_t& hi, std::int32_t& lo,
              std::int32_t& hiAt)
{
    constexpr std::int32_t kBlock = 64;
    hi = sweep[0];
    lo = sweep[0];
    std::int32_t from = 0; // the first block that holds the maximum so far
    std::int32_t i = 0;
    for (; i + kBlock <= width; i += kBlock) {
        std::int32_t blockHi = sweep[i];
        std::int32_t blockLo = sweep[i];
        for (std::int32_t j = 1; j < kBlock; ++j) {
            blockHi = std::max(blockHi, sweep[i + j]);
            blockLo = std::min(blockLo, sweep[i + j]);
        }
        if (blockHi > hi) {
            hi = blockHi;
            from = i;
        }
        lo = std::min(lo, blockLo);
    }
    for (; i < width; ++i) {
        if (sweep[i] > hi) {
            hi = sweep[i];
            from = i;
        }
        lo = std::min(lo, sweep[i]);
    }
    hiAt = from;
    while (sweep[hiAt] != hi)
        ++hiAt;
}

} // namespace

TPeak FindPeak(const std::int32_t* sweep, std::int32_t width)
{
    TPeak peak;
    if (!sweep || width <= 0)
        return peak;
    std::int32_t hi = 0;
    std::int32_t lo = 0;
    std::int32_t hiAt = 0;
    Extremes(sweep, width, hi, lo, hiAt);
    return {hiAt, FirstIndexOf(sweep, width, lo), hi, lo};
}

double SweepDistance(std::int32_t s, const TSweepSettings& settings)
{
    return s * settings.DistanceStep;
}

double ResonanceKHz(std::int32_t p, const TSweepSettings& settings)
{
    return settings.StartFrequency * 0.001 + p * settings.FreqStepKHz;
}

std::vector<TResonance> AnalyseResonance(const std::int32_t* amplitude, const std::int32_t* phase,
                                         std::int32_t width, std::int32_t rows,
                                         const TSweepSettings& settings)
{
    std::vector<TResonance> results;
    if (!amplitude || width <= 0 || rows <= 0)
        return results;
    results.resize(static_cast<std::size_t>(rows));
    const double stepHz = settings.FreqStepKHz * 1000;
    for (std::int32_t s = 0; s < rows; ++s) {
        const std::int32_t* sweep =
            amplitude + static_cast<std::size_t>(s) * static_cast<std::size_t>(width);
        // The peak as FindPeak finds it; where the minimum stands is not needed.
        std::int32_t hi = 0;
        std::int32_t lo = 0;
        std::int32_t p = 0;
        Extremes(sweep, width, hi, lo, p);
        // The 70 % level above the minimum, in doubles: the extremes may lie 2^32 apart.
        const std::int32_t threshold = IntegerPart((static_cast<double>(hi) - lo) * 0.7 + lo);
        double span = 0;
        for (std::int32_t i = p - 1; i >= 0 && sweep[i] > threshold; --i)
            span += stepHz;
        for (std::int32_t i = p + 1; i < width && sweep[i] > threshold; ++i)
            span += stepHz;
        TResonance& r = results[static_cast<std::size_t>(s)];
        r.Peak = p;
        r.Q = span == 0 ? 0.0f : static_cast<float>((stepHz * p + settings.StartFrequency) / span);
        r.A = static_cast<float>(sweep[p] * settings.AmplitudeScale);
        if (phase)
            r.Ph = static_cast<float>(
                phase[static_cast<std::size_t>(s) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(p)] *
                settings.PhaseScale);
    }
    return results;
}

std::string ResultsTable(const std::vector<TResonance>& results, const TSweepSettings& settings)
{
    const std::string stars = "\n" + std::string(66, '*');
    std::string text = stars;
    Append(text, "\n %12s  %10s  %10s  %10s  %10s", "Distance, nm", "FR, Hz", "Q", "A", "Ph, \xB0");
    text += stars;
    for (std::size_t s = 0; s < results.size(); ++s) {
        const TResonance& r = results[s];
        Append(text, "\n %12d  %10d  %10.1f  %10.1f  %10.1f",
               IntegerPart(SweepDistance(static_cast<std::int32_t>(s), settings)),
               IntegerPart(settings.StartFrequency + r.Peak * settings.FreqStepKHz * 1000),
               static_cast<double>(r.Q), static_cast<double>(r.A), static_cast<double>(r.Ph));
    }
    text += stars;
    return text;
}

} // namespace kwt
