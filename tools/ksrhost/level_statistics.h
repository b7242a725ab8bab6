#pragma once
// How evenly levels cover an audience: the figures a coverage report gives
// for the seats of an area, all in dB of the levels themselves (the mean of
// the dB values, not of the powers).

#include <cstddef>
#include <vector>

namespace ksrhost {

// Seats within this many dB of the median count as evenly covered.
inline constexpr double kEvenCoverageDb = 3.0;

struct LevelStatistics {
    size_t count = 0;
    double minimum = 0.0, maximum = 0.0;
    double mean = 0.0;
    double standardDeviation = 0.0;  // of the population: sqrt(mean of squared deviations)
    double median = 0.0;
    double p10 = 0.0, p90 = 0.0;     // percentiles, interpolated between neighbouring seats
    double spread = 0.0;             // p90 - p10
    double withinThreeDb = 0.0;      // share (0..1) of seats within +-3 dB of the median
};

// The statistics of levels; all zero for none.
LevelStatistics levelStatistics(std::vector<double> levels);

// The p-th percentile (0..100) of sorted values: linear between the two
// nearest ranks, rank = p / 100 * (count - 1).
double percentile(const std::vector<double>& sorted, double p);

}  // namespace ksrhost
