#pragma once
// Kwt's numerics, without Qt: every row of a matrix is one frequency sweep of the probe,
// taken at one tip-sample distance; for each sweep the resonance peak, its width at 70 %
// of the peak's height above the sweep's minimum, the quality factor, the amplitude and the
// phase at the peak, and the results table as text.

#include <cstdint>
#include <string>
#include <vector>

namespace kwt {

//! The extremes of one sweep: indexes of the first maximum and the first minimum (-1 for a
//! sweep of no values) and their values.
struct TPeak {
    std::int32_t MaxIndex = -1;
    std::int32_t MinIndex = -1;
    std::int32_t Max = 0;
    std::int32_t Min = 0;
};

//! The first maximum and the first minimum of the `width` values of a sweep.
TPeak FindPeak(const std::int32_t* sweep, std::int32_t width);
//! FindPeak in one pass that keeps the extremes with their indexes, as it is stated (the
//! plain twin of FindPeak, which finds the extremes first and then their first indexes).
TPeak FindPeakPlain(const std::int32_t* sweep, std::int32_t width);

//! What an analysis needs besides the matrices.
struct TSweepSettings {
    double FreqStepKHz = 0;          //!< kHz between the points of a sweep (the X step x 0.001)
    double DistanceStep = 0;         //!< nm between sweeps (the Y step)
    double AmplitudeScale = 0;       //!< Z scale of the amplitude channel
    double PhaseScale = 0;           //!< Z scale of the phase channel
    std::int32_t StartFrequency = 0; //!< Hz at point 0 of every sweep
};

//! The result of one sweep.
struct TResonance {
    std::int32_t Peak = -1; //!< index of the peak
    float Q = 0;            //!< quality factor; 0 when the peak has no width
    float A = 0;            //!< amplitude at the peak
    float Ph = 0;           //!< phase at the peak; 0 without a phase channel
};

//! Analyses `rows` sweeps of `width` values each (row-major); `phase`, when not null, is a
//! matrix of the same size. Nothing (no results) when a matrix is missing or a size is not
//! positive.
std::vector<TResonance> AnalyseResonance(const std::int32_t* amplitude, const std::int32_t* phase,
                                         std::int32_t width, std::int32_t rows,
                                         const TSweepSettings& settings);

//! The distance of sweep s in nm.
double SweepDistance(std::int32_t s, const TSweepSettings& settings);
//! The resonance frequency of a peak at index p, in kHz.
double ResonanceKHz(std::int32_t p, const TSweepSettings& settings);

//! The results table: a line of 66 asterisks, the column titles, asterisks, one line per
//! sweep (distance and frequency in whole nm and Hz, Q, A and Ph with one decimal) and the
//! asterisks again; each line begins with "\n" and the text does not end with a line break.
//! The degree sign is the single byte 0xB0.
std::string ResultsTable(const std::vector<TResonance>& results, const TSweepSettings& settings);

} // namespace kwt
