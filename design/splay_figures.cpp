#include "design/splay_figures.h"

#include <algorithm>
#include <cmath>

namespace ksr {

namespace {

constexpr double kWithin = 3.0;  // dB either side of the target

struct Spread {
    double mean = 0.0;       // of level - target
    double deviation = 0.0;  // standard deviation of level - target
};

Spread spreadOf(const LevelTable& levels, std::span<const double> target, size_t band) {
    const size_t n = levels.size();
    Spread spread;
    if (n == 0) return spread;
    double sum = 0.0;
    for (size_t r = 0; r < n; ++r) sum += levels[r][band] - target[r];
    spread.mean = sum / static_cast<double>(n);
    double squares = 0.0;
    for (size_t r = 0; r < n; ++r) {
        const double residual = levels[r][band] - target[r] - spread.mean;
        squares += residual * residual;
    }
    spread.deviation = std::sqrt(squares / static_cast<double>(n));
    return spread;
}

// The q-quantile (0..1) of sorted values, interpolated between neighbours.
double quantile(const std::vector<double>& sorted, double q) {
    if (sorted.empty()) return 0.0;
    const double position = q * static_cast<double>(sorted.size() - 1);
    const size_t below = static_cast<size_t>(position);
    const size_t above = std::min(below + 1, sorted.size() - 1);
    const double t = position - static_cast<double>(below);
    return sorted[below] + t * (sorted[above] - sorted[below]);
}

}  // namespace

std::vector<double> targetOffsets(std::span<const double> distance, double slope) {
    std::vector<double> target(distance.size(), 0.0);
    if (distance.empty()) return target;
    for (size_t r = 0; r < distance.size(); ++r) target[r] = slope * std::log2(distance[r] / distance.front());
    return target;
}

QuickFigures quickFigures(const LevelTable& levels, std::span<const double> target) {
    QuickFigures figures;
    for (int32_t band = kFirstOptimisedBand; band <= kLastOptimisedBand; ++band) {
        const Spread spread = spreadOf(levels, target, static_cast<size_t>(band - 1));
        figures.summary += spread.deviation;
        // The mean level is the mean of level - target plus the target's
        // mean, added below.
        figures.meanLevel += spread.mean;
    }
    double targetMean = 0.0;
    for (const double t : target) targetMean += t;
    if (!target.empty()) targetMean /= static_cast<double>(target.size());
    constexpr double bands = kLastOptimisedBand - kFirstOptimisedBand + 1;
    figures.summary /= bands;
    figures.meanLevel = figures.meanLevel / bands + targetMean;
    return figures;
}

FieldFigures fieldFigures(const LevelTable& levels, std::span<const double> distance, std::span<const double> target) {
    FieldFigures figures;
    const size_t n = levels.size();
    if (n == 0) return figures;

    // Least-squares slope against log2 of the distance, dB per doubling.
    std::vector<double> x(n);
    double xMean = 0.0;
    for (size_t r = 0; r < n; ++r) xMean += x[r] = std::log2(distance[r]);
    xMean /= static_cast<double>(n);
    double xVariance = 0.0;
    for (size_t r = 0; r < n; ++r) xVariance += (x[r] - xMean) * (x[r] - xMean);

    std::vector<double> residual(n);
    for (size_t b = 0; b < static_cast<size_t>(kBandCount); ++b) {
        BandFigures& band = figures.band[b];
        const Spread spread = spreadOf(levels, target, b);
        band.deviation = spread.deviation;

        double levelSum = 0.0, low = levels[0][b], high = levels[0][b], covariance = 0.0;
        int32_t within = 0;
        for (size_t r = 0; r < n; ++r) {
            const double level = levels[r][b];
            levelSum += level;
            low = std::min(low, level);
            high = std::max(high, level);
            residual[r] = level - target[r] - spread.mean;
            if (std::fabs(residual[r]) <= kWithin) ++within;
        }
        band.mean = levelSum / static_cast<double>(n);
        for (size_t r = 0; r < n; ++r) covariance += (x[r] - xMean) * (levels[r][b] - band.mean);
        band.range = high - low;
        band.fittedSlope = xVariance > 0.0 ? covariance / xVariance : 0.0;
        band.shareWithin3dB = static_cast<double>(within) / static_cast<double>(n);
        std::sort(residual.begin(), residual.end());
        band.spread90to10 = quantile(residual, 0.9) - quantile(residual, 0.1);
    }
    for (int32_t band = kFirstOptimisedBand; band <= kLastOptimisedBand; ++band) {
        figures.summary += figures.band[band - 1].deviation;
        figures.meanLevel1to8k += figures.band[band - 1].mean;
    }
    constexpr double bands = kLastOptimisedBand - kFirstOptimisedBand + 1;
    figures.summary /= bands;
    figures.meanLevel1to8k /= bands;
    return figures;
}

}  // namespace ksr
