#include "level_statistics.h"

#include <algorithm>
#include <cmath>

namespace ksrhost {

double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0.0;
    const double rank = p / 100.0 * static_cast<double>(sorted.size() - 1);
    const size_t below = static_cast<size_t>(std::floor(rank));
    const size_t above = std::min(below + 1, sorted.size() - 1);
    const double weight = rank - static_cast<double>(below);
    return sorted[below] + (sorted[above] - sorted[below]) * weight;
}

LevelStatistics levelStatistics(std::vector<double> levels) {
    LevelStatistics s;
    if (levels.empty()) return s;
    std::sort(levels.begin(), levels.end());
    const double n = static_cast<double>(levels.size());
    s.count = levels.size();
    s.minimum = levels.front();
    s.maximum = levels.back();
    double sum = 0.0;
    for (const double level : levels) sum += level;
    s.mean = sum / n;
    double squares = 0.0;
    for (const double level : levels) squares += (level - s.mean) * (level - s.mean);
    s.standardDeviation = std::sqrt(squares / n);
    s.median = percentile(levels, 50.0);
    s.p10 = percentile(levels, 10.0);
    s.p90 = percentile(levels, 90.0);
    s.spread = s.p90 - s.p10;
    const auto even = std::count_if(levels.begin(), levels.end(),
                                    [&](double level) { return std::fabs(level - s.median) <= kEvenCoverageDb; });
    s.withinThreeDb = static_cast<double>(even) / n;
    return s;
}

}  // namespace ksrhost
