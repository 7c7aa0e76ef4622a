#pragma once
// The roughness values of one profile graph, as the profile window shows and reports them.
// The labels are the program's own: "Rq" is a mean of run extremes and scales skewness and
// kurtosis; the mean line is drawn through the means of the two halves of the profile.

#include <cstdint>
#include <vector>

//! The statistics of N heights z_0 … z_(N−1) in physical units. One object may serve many
//! profiles: every use sets Data, Count and Step anew and reads the results.
class TProfileStatistic {
public:
    //! One point above the mean line: its index and height.
    struct TDataPair {
        std::int32_t Index = 0;
        double Value = 0;
    };

    //! The heights (not owned; they must outlive Calculate).
    void SetData(const double* data);
    //! Computes every value from the first C = 2 × trunc(Count / 2) heights (Count becomes
    //! C). Nothing happens without data or with Count 0; with fewer than two heights to use
    //! every result is 0.
    void Calculate();

    //! The mean line through the mean A of the first half at index trunc(C / 4) and the
    //! mean B of the second half h = C / 2 points further on.
    void FitMeanLine();
    //! The arithmetic mean of the C heights.
    double MeanHeight() const;
    //! Ra: the mean distance of the points (i, z_i) from the mean line, measured
    //! perpendicular to it.
    void MeanDeviation();
    //! Rq: the mean P of up to five of the smallest run maxima of the distances above the
    //! line (divided by their number + 1), plus the same V below it.
    void TenPointHeight();
    //! Sm: the sum of the distances between neighbouring upward crossings of the mean line
    //! divided by the number of crossings; 0 without crossings.
    void CrossingSpacing();
    //! R = Sm² / Ra; 0 when Ra is 0.
    void SpacingRatio();
    //! S: the mean distance along the mean line between neighbouring peaks (the highest
    //! point of each run on or above the line); 0 with fewer than two peaks.
    void PeakSpacing();

    //! The mean line's height at index i.
    double LineAt(double i) const { return Intercept + Slope * i; }

    double Rq = 0;
    double Mean = 0;
    double Ra = 0;
    const double* Data = nullptr;
    double Intercept = 0;
    double Slope = 0;
    double NormalSlope = 0;
    std::int32_t Count = 0;
    double Sm = 0;
    double Step = 0;  //!< nm between neighbouring points
    double R = 0;
    double S = 0;

private:
    //! The heights handed in before Count was made even.
    std::int32_t handed_ = 0;
};

//! The values of one graph as the profile window shows them.
struct TProfileQuantities {
    double SurfaceLength = 0;  //!< developed length, nm
    double Rku = 0;
    double Rsk = 0;
    double Rq = 0;
    double Ra = 0;
    double Mean = 0;
    double Sm = 0;
    double R = 0;
    double S = 0;
};

//! The values of a graph of n samples (values above the channel's minimum, as floats): the
//! statistics object computes Mean, Ra, Rq, Sm, R and S from the heights
//! (sample + trunc(offset)) × zScale (the offset cut to whole raw counts), with Step =
//! lengthPerPoint; then, with u_i = (sample + offset) × zScale,
//! Rsk = Σ(u_i − Mean)³ / (n Rq³), Rku = Σ(u_i − Mean)⁴ / (n Rq⁴) (0 when Rq is 0) and
//! SurfaceLength = Σ √(lengthPerPoint² + ((s_i − s_(i+1)) zScale)²). A profile of fewer
//! than two samples has no statistics: every value is 0.
TProfileQuantities ProfileQuantities(TProfileStatistic& statistic, const float* samples, int n,
                                     double offset, double zScale, double lengthPerPoint);
