#include "design/splay_figures.h"

#include <algorithm>
#include <cmath>

namespace ksr {

namespace {

constexpr double kWithin = 3.0;  // dB either side of the target
constexpr double kOptimisedBands = kLastOptimisedBand - kFirstOptimisedBand + 1;

// Receiver r's weight: 1 when none are given.
double weightOf(std::span<const double> weight, size_t r) { return weight.empty() ? 1.0 : weight[r]; }

double weightSum(std::span<const double> weight, size_t n) {
    if (weight.empty()) return static_cast<double>(n);
    double sum = 0.0;
    for (size_t r = 0; r < n; ++r) sum += weight[r];
    return sum;
}

struct Spread {
    double mean = 0.0;       // of level - target
    double deviation = 0.0;  // standard deviation of level - target
};

// Weighted by weight (every receiver 1 when empty). With weights of exactly
// 1 the sums are those of the plain mean and deviation, bit for bit.
Spread spreadOf(const LevelTable& levels, std::span<const double> target, std::span<const double> weight,
                double totalWeight, size_t band) {
    const size_t n = levels.size();
    Spread spread;
    if (n == 0 || !(totalWeight > 0.0)) return spread;
    double sum = 0.0;
    for (size_t r = 0; r < n; ++r) sum += weightOf(weight, r) * (levels[r][band] - target[r]);
    spread.mean = sum / totalWeight;
    double squares = 0.0;
    for (size_t r = 0; r < n; ++r) {
        const double residual = levels[r][band] - target[r] - spread.mean;
        squares += weightOf(weight, r) * (residual * residual);
    }
    spread.deviation = std::sqrt(squares / totalWeight);
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

// The weighted least-squares slope of the receivers in `members` against
// log2 of the distance, dB per doubling (0 when all stand at one distance).
double fittedSlope(const LevelTable& levels, std::span<const double> distance, std::span<const double> weight,
                   const std::vector<size_t>& members, size_t band) {
    double total = 0.0, xMean = 0.0, yMean = 0.0;
    for (const size_t r : members) {
        total += weightOf(weight, r);
        xMean += weightOf(weight, r) * std::log2(distance[r]);
        yMean += weightOf(weight, r) * levels[r][band];
    }
    if (!(total > 0.0)) return 0.0;
    xMean /= total;
    yMean /= total;
    double variance = 0.0, covariance = 0.0;
    for (const size_t r : members) {
        const double dx = std::log2(distance[r]) - xMean;
        variance += weightOf(weight, r) * (dx * dx);
        covariance += weightOf(weight, r) * (dx * (levels[r][band] - yMean));
    }
    return variance > 0.0 ? covariance / variance : 0.0;
}

// The figures of the receivers in `members`, against the band means of all
// receivers (reference, per band).
ZoneFigures figuresOf(const LevelTable& levels, std::span<const double> distance, std::span<const double> target,
                      std::span<const double> weight, const std::vector<size_t>& members,
                      const std::array<double, kBandCount>& reference) {
    ZoneFigures figures;
    if (members.empty()) return figures;
    std::vector<double> residual;
    for (int32_t band = kFirstOptimisedBand; band <= kLastOptimisedBand; ++band) {
        const size_t b = static_cast<size_t>(band - 1);
        double total = 0.0, mean = 0.0, level = 0.0, inside = 0.0;
        residual.clear();
        for (const size_t r : members) {
            const double w = weightOf(weight, r);
            total += w;
            residual.push_back(levels[r][b] - target[r] - reference[b]);
            mean += w * residual.back();
            level += w * levels[r][b];
            if (std::fabs(residual.back()) <= kWithin) inside += w;
        }
        mean /= total;
        double squares = 0.0;
        for (size_t i = 0; i < members.size(); ++i) {
            squares += weightOf(weight, members[i]) * ((residual[i] - mean) * (residual[i] - mean));
        }
        figures.summary += std::sqrt(squares / total);
        figures.offset += mean;
        figures.meanLevel1to8k += level / total;
        figures.shareWithin3dB += inside / total;
        figures.fittedSlope += fittedSlope(levels, distance, weight, members, b);
        std::sort(residual.begin(), residual.end());
        figures.spread90to10 += quantile(residual, 0.9) - quantile(residual, 0.1);
    }
    for (double* value : {&figures.summary, &figures.offset, &figures.meanLevel1to8k, &figures.shareWithin3dB,
                          &figures.fittedSlope, &figures.spread90to10}) {
        *value /= kOptimisedBands;
    }
    return figures;
}

// Per band, the weighted mean of level - target over every receiver.
std::array<double, kBandCount> bandReference(const LevelTable& levels, std::span<const double> target,
                                             std::span<const double> weight) {
    std::array<double, kBandCount> reference{};
    const double total = weightSum(weight, levels.size());
    for (size_t b = 0; b < static_cast<size_t>(kBandCount); ++b) {
        reference[b] = spreadOf(levels, target, weight, total, b).mean;
    }
    return reference;
}

}  // namespace

std::vector<double> targetOffsets(std::span<const double> distance, double slope) {
    std::vector<double> target(distance.size(), 0.0);
    if (distance.empty()) return target;
    const double nearest = *std::min_element(distance.begin(), distance.end());
    for (size_t r = 0; r < distance.size(); ++r) target[r] = slope * std::log2(distance[r] / nearest);
    return target;
}

QuickFigures quickFigures(const LevelTable& levels, std::span<const double> target, std::span<const double> weight) {
    QuickFigures figures;
    const double total = weightSum(weight, levels.size());
    for (int32_t band = kFirstOptimisedBand; band <= kLastOptimisedBand; ++band) {
        const Spread spread = spreadOf(levels, target, weight, total, static_cast<size_t>(band - 1));
        figures.summary += spread.deviation;
        // The mean level is the mean of level - target plus the target's
        // mean, added below.
        figures.meanLevel += spread.mean;
    }
    double targetMean = 0.0;
    for (size_t r = 0; r < target.size(); ++r) targetMean += weightOf(weight, r) * target[r];
    if (!target.empty() && total > 0.0) targetMean /= total;
    figures.summary /= kOptimisedBands;
    figures.meanLevel = figures.meanLevel / kOptimisedBands + targetMean;
    return figures;
}

FieldFigures fieldFigures(const LevelTable& levels, std::span<const double> distance, std::span<const double> target,
                          std::span<const double> weight) {
    FieldFigures figures;
    const size_t n = levels.size();
    if (n == 0) return figures;
    const double total = weightSum(weight, n);

    // Least-squares slope against log2 of the distance, dB per doubling.
    std::vector<double> x(n);
    double xMean = 0.0;
    for (size_t r = 0; r < n; ++r) xMean += weightOf(weight, r) * (x[r] = std::log2(distance[r]));
    xMean /= total;
    double xVariance = 0.0;
    for (size_t r = 0; r < n; ++r) xVariance += weightOf(weight, r) * ((x[r] - xMean) * (x[r] - xMean));

    std::vector<double> residual(n);
    for (size_t b = 0; b < static_cast<size_t>(kBandCount); ++b) {
        BandFigures& band = figures.band[b];
        const Spread spread = spreadOf(levels, target, weight, total, b);
        band.deviation = spread.deviation;

        double levelSum = 0.0, low = levels[0][b], high = levels[0][b], covariance = 0.0, within = 0.0;
        for (size_t r = 0; r < n; ++r) {
            const double level = levels[r][b];
            levelSum += weightOf(weight, r) * level;
            low = std::min(low, level);
            high = std::max(high, level);
            residual[r] = level - target[r] - spread.mean;
            if (std::fabs(residual[r]) <= kWithin) within += weightOf(weight, r);
        }
        band.mean = levelSum / total;
        for (size_t r = 0; r < n; ++r) covariance += weightOf(weight, r) * ((x[r] - xMean) * (levels[r][b] - band.mean));
        band.range = high - low;
        band.fittedSlope = xVariance > 0.0 ? covariance / xVariance : 0.0;
        band.shareWithin3dB = within / total;
        std::sort(residual.begin(), residual.end());
        band.spread90to10 = quantile(residual, 0.9) - quantile(residual, 0.1);
    }
    for (int32_t band = kFirstOptimisedBand; band <= kLastOptimisedBand; ++band) {
        figures.summary += figures.band[band - 1].deviation;
        figures.meanLevel1to8k += figures.band[band - 1].mean;
    }
    figures.summary /= kOptimisedBands;
    figures.meanLevel1to8k /= kOptimisedBands;
    return figures;
}

std::vector<ZoneFigures> zoneFigures(const LevelTable& levels, std::span<const double> distance,
                                     std::span<const double> target, std::span<const double> weight,
                                     std::span<const int32_t> zone, int32_t zoneCount) {
    const std::array<double, kBandCount> reference = bandReference(levels, target, weight);
    std::vector<std::vector<size_t>> members(static_cast<size_t>(std::max(zoneCount, 0)));
    for (size_t r = 0; r < levels.size() && r < zone.size(); ++r) {
        if (zone[r] >= 0 && zone[r] < zoneCount) members[static_cast<size_t>(zone[r])].push_back(r);
    }
    std::vector<ZoneFigures> figures;
    for (const std::vector<size_t>& list : members) {
        figures.push_back(figuresOf(levels, distance, target, weight, list, reference));
    }
    return figures;
}

ZoneFigures allZoneFigures(const LevelTable& levels, std::span<const double> distance,
                           std::span<const double> target, std::span<const double> weight) {
    std::vector<size_t> all(levels.size());
    for (size_t r = 0; r < all.size(); ++r) all[r] = r;
    return figuresOf(levels, distance, target, weight, all, bandReference(levels, target, weight));
}

}  // namespace ksr
