// Kwt's numerics on synthetic sweeps whose peaks, widths and quality factors are worked
// out by hand, and the exact bytes of the results table.

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "plugins/kwt/Resonance.h"

using namespace kwt;

namespace {

std::string Spaces(int n)
{
    return std::string(static_cast<std::size_t>(n), ' ');
}

TSweepSettings Settings(std::int32_t start = 10000)
{
    TSweepSettings s;
    s.FreqStepKHz = 50 * 0.001; // 50 Hz per point
    s.DistanceStep = 2.5;
    s.AmplitudeScale = 0.5;
    s.PhaseScale = 0.1;
    s.StartFrequency = start;
    return s;
}

} // namespace

TEST(Resonance, FindPeakTakesTheFirstExtremes)
{
    const std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    struct Case {
        const char* What;
        std::vector<std::int32_t> Sweep;
        TPeak Peak;
    } cases[] = {
        {"one peak", {1, 5, 9, 4, 0}, {2, 4, 9, 0}},
        {"equal maxima and minima", {3, 9, 1, 9, 1}, {1, 2, 9, 1}},
        {"peak at the start", {9, 5, 1}, {0, 2, 9, 1}},
        {"peak at the end", {1, 5, 9}, {2, 0, 9, 1}},
        {"flat", {4, 4, 4}, {0, 0, 4, 4}},
        {"negative", {-7, -3, -12, -3}, {1, 2, -3, -12}},
        {"extremes", {0, lowest, 7}, {2, 1, 7, lowest}},
    };
    for (const Case& k : cases) {
        for (const TPeak& p :
             {FindPeak(k.Sweep.data(), static_cast<std::int32_t>(k.Sweep.size())),
              FindPeakPlain(k.Sweep.data(), static_cast<std::int32_t>(k.Sweep.size()))}) {
            EXPECT_EQ(p.MaxIndex, k.Peak.MaxIndex) << k.What;
            EXPECT_EQ(p.MinIndex, k.Peak.MinIndex) << k.What;
            EXPECT_EQ(p.Max, k.Peak.Max) << k.What;
            EXPECT_EQ(p.Min, k.Peak.Min) << k.What;
        }
    }
    const std::int32_t one = 1;
    EXPECT_EQ(FindPeak(&one, 0).MaxIndex, -1);
    EXPECT_EQ(FindPeak(nullptr, 5).MinIndex, -1);
    EXPECT_EQ(FindPeakPlain(&one, 0).MaxIndex, -1);
}

TEST(Resonance, FindPeakAgreesWithItsPlainTwin)
{
    // Sweeps of every length around the blocks' size, with few distinct values (many ties).
    std::mt19937 rng(3);
    for (int width = 1; width < 300; width += 7)
        for (int spread : {3, 1000}) {
            std::vector<std::int32_t> sweep(static_cast<std::size_t>(width));
            for (auto& v : sweep)
                v = static_cast<std::int32_t>(rng() % static_cast<unsigned>(spread)) - spread / 2;
            const TPeak fast = FindPeak(sweep.data(), width);
            const TPeak plain = FindPeakPlain(sweep.data(), width);
            ASSERT_EQ(fast.MaxIndex, plain.MaxIndex) << width;
            ASSERT_EQ(fast.MinIndex, plain.MinIndex) << width;
            ASSERT_EQ(fast.Max, plain.Max) << width;
            ASSERT_EQ(fast.Min, plain.Min) << width;
        }
}

TEST(Resonance, WidthAndQualityOfSweeps)
{
    // 50 Hz per point, start 10000 Hz. The width counts the points beside the peak above
    // the 70 % level (the integer part of 0.7 (max - min) + min), 50 Hz each; Q is the
    // peak's frequency over the width.
    struct Case {
        const char* What;
        std::vector<std::int32_t> Sweep;
        std::int32_t Peak;
        float Q;
    } cases[] = {
        // Level 70: 90 and 80 to the left, 75 and 71 to the right (70 is not above it).
        {"two points each side", {0, 80, 90, 100, 75, 71, 70, 0}, 3, (150.0f + 10000) / 200},
        {"no neighbour above the level", {0, 10, 50, 100, 60, 20, 0}, 3, 0},
        // The first of the equal maxima; its twins to the right count.
        {"plateau", {5, 100, 100, 100, 5}, 1, (50.0f + 10000) / 100},
        {"peak at the end", {0, 10, 100, 90}, 2, (100.0f + 10000) / 50},
        {"peak at the start", {100, 90, 95, 0}, 0, 10000.0f / 100},
        // Level: the integer part of -37.000000000000007 is -37, toward zero; -37 is not
        // above it.
        {"negative values", {-100, -37, -10, -100}, 2, 0},
        // The extremes 2^32 - 1 apart: no overflow.
        {"full range",
         {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()},
         1,
         0},
        {"one point", {42}, 0, 0},
    };
    for (const Case& k : cases) {
        const auto w = static_cast<std::int32_t>(k.Sweep.size());
        const auto r = AnalyseResonance(k.Sweep.data(), nullptr, w, 1, Settings());
        ASSERT_EQ(r.size(), 1u) << k.What;
        EXPECT_EQ(r[0].Peak, k.Peak) << k.What;
        EXPECT_FLOAT_EQ(r[0].Q, k.Q) << k.What;
        EXPECT_EQ(r[0].A, static_cast<float>(k.Sweep[static_cast<std::size_t>(k.Peak)] * 0.5))
            << k.What;
        EXPECT_EQ(r[0].Ph, 0.0f) << k.What;
    }
}

TEST(Resonance, PhaseFrequencyAndDistanceOfEverySweep)
{
    // Three sweeps of 40 points with their peaks at 20, 5 and 39.
    const int w = 40;
    std::vector<std::int32_t> amplitude(3 * w, 10);
    std::vector<std::int32_t> phase(3 * w, 0);
    const int peaks[3] = {20, 5, 39};
    for (int s = 0; s < 3; ++s) {
        amplitude[std::size_t(s * w + peaks[s])] = 1000 + s;
        phase[std::size_t(s * w + peaks[s])] = -300 + s;
    }
    const TSweepSettings settings = Settings();
    const auto withPhase = AnalyseResonance(amplitude.data(), phase.data(), w, 3, settings);
    const auto without = AnalyseResonance(amplitude.data(), nullptr, w, 3, settings);
    ASSERT_EQ(withPhase.size(), 3u);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(withPhase[std::size_t(s)].Peak, peaks[s]);
        EXPECT_EQ(withPhase[std::size_t(s)].A, static_cast<float>((1000 + s) * 0.5));
        EXPECT_EQ(withPhase[std::size_t(s)].Ph, static_cast<float>((-300 + s) * 0.1));
        EXPECT_EQ(without[std::size_t(s)].Ph, 0.0f);
        EXPECT_EQ(without[std::size_t(s)].Q, withPhase[std::size_t(s)].Q);
        EXPECT_EQ(SweepDistance(s, settings), s * 2.5);
    }
    // A start of 10000 Hz, 50 Hz per point and the peak at 20: 11 kHz in the chart and
    // 11000 in the table.
    EXPECT_DOUBLE_EQ(ResonanceKHz(20, settings), 11.0);
    const std::string table = ResultsTable(withPhase, settings);
    EXPECT_NE(table.find("\n" + Spaces(12) + "0" + Spaces(7) + "11000"), std::string::npos)
        << table;

    // Nothing to analyse.
    EXPECT_TRUE(AnalyseResonance(amplitude.data(), nullptr, 0, 3, settings).empty());
    EXPECT_TRUE(AnalyseResonance(nullptr, nullptr, w, 3, settings).empty());
    EXPECT_TRUE(AnalyseResonance(amplitude.data(), nullptr, w, 0, settings).empty());
}

TEST(Resonance, TableBytes)
{
    // Two sweeps of 8 points, start 10001 Hz, 2.5 nm apart; the phase at the peaks 12.3
    // and -4.5.
    const std::vector<std::int32_t> amplitude = {0, 80,  90,  100, 75, 71, 70, 0,
                                                 5, 100, 100, 100, 5,  0,  0,  0};
    std::vector<std::int32_t> phase(16, 0);
    phase[3] = 123;
    phase[9] = -45;
    const TSweepSettings settings = Settings(10001);
    const auto results = AnalyseResonance(amplitude.data(), phase.data(), 8, 2, settings);
    const std::string stars = "\n" + std::string(66, '*');
    const std::string expected = stars +                                                       //
                                 "\n Distance, nm" + Spaces(6) + "FR, Hz" + Spaces(11) + "Q" + //
                                 Spaces(11) + "A" + Spaces(7) + "Ph, \xB0" + stars +           //
                                 "\n" + Spaces(12) + "0" + Spaces(7) + "10151" + Spaces(8) +
                                 "50.8" + Spaces(8) + "50.0" + Spaces(8) + "12.3" + //
                                 "\n" + Spaces(12) + "2" + Spaces(7) + "10051" + Spaces(7) +
                                 "100.5" + Spaces(8) + "50.0" + Spaces(8) + "-4.5" + stars;
    EXPECT_EQ(ResultsTable(results, settings), expected);
    // Without sweeps: the frame alone.
    EXPECT_EQ(ResultsTable({}, settings), stars + "\n Distance, nm" + Spaces(6) + "FR, Hz" +
                                              Spaces(11) + "Q" + Spaces(11) + "A" + Spaces(7) +
                                              "Ph, \xB0" + stars + stars);
}
