#pragma once
// Runs the registered benchmarks and prints each figure as a ratio to a baseline
// measured in the same run.

#include <string>
#include <utility>
#include <vector>

namespace benchsupport {

struct Ratio {
    std::string Measured;  //!< benchmark name
    std::string Baseline;  //!< benchmark name of its baseline
    double Limit;          //!< the ratio the figure should stay within (printed only); 0: none
};

//! Repetitions of every benchmark, of which each figure is the median.
constexpr int kRepetitions = 5;

//! Prints the machine's load average and the number of workers, runs every registered
//! benchmark kRepetitions times (unless --benchmark_repetitions says otherwise), then prints
//! "name / baseline = ratio (limit L)" of the medians. With `interleave` the repetitions of
//! all benchmarks run in a random order (unless --benchmark_enable_random_interleaving says
//! otherwise), so that a figure and its baseline see the same drift of a shared machine.
int RunAndReport(int argc, char** argv, const std::vector<Ratio>& ratios, bool interleave = false);

//! Current resident set size and peak (high-water mark) in bytes, from /proc.
long long ResidentBytes();
long long PeakResidentBytes();
//! Resets the peak to the current resident size; false when the kernel refuses.
bool ResetPeak();

//! A folder for big scratch files (MORVANE_BENCH_DIR, else the system's temporary folder).
std::string ScratchFolder();

}  // namespace benchsupport
