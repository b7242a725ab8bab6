#include "design/splay_shading.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "design/design_rules.h"
#include "design/splay_figures.h"
#include "model/catalogue.h"

namespace ksr {

namespace {

// Gain steps on the grid: 0 is 0 dB, kLowestStep is -12 dB.
constexpr int32_t kLowestStep = static_cast<int32_t>(-kLowestGain / kGainStep + 0.5f);
// A design must beat the current one by this much to count as more even.
constexpr double kImprovement = 1e-9;
// The search's share of the progress, per design tried: a sum over the
// receivers costs a small fraction of one box computed at every receiver.
constexpr double kWorkPerTry = 0.05;

double amplitudeOf(double decibels) { return std::pow(10.0, decibels / 20.0); }

}  // namespace

ShadedGains shadeGains(SplayField& field, const WorkingDesign& design, std::span<const double> target,
                       std::span<const double> weight, double levelFloor, SearchMonitor& monitor,
                       int32_t mostTries) {
    const int32_t n = field.boxCount();
    ShadedGains result;
    for (int32_t k = 0; k < kMaxBoxes; ++k) result.gain[k] = design.boxes[k].gain;

    std::vector<SplayField::Pressures> box;
    field.boxPressuresOf(design, box);

    // Which boxes the search moves, and where they start (grid steps).
    std::array<bool, kMaxBoxes> free{};
    std::array<int32_t, kMaxBoxes> step{};
    for (int32_t k = 0; k < n; ++k) {
        const float rounded = roundGain(design.boxes[k].gain);
        free[k] = isLineBox(design.boxes[k].type) && rounded >= kLowestGain;
        if (free[k]) step[k] = static_cast<int32_t>(std::lround(-rounded / kGainStep));
    }
    // The factor that takes box k from the gain its pressures carry to
    // `steps` down the grid.
    auto factor = [&](int32_t k, int32_t steps) {
        return amplitudeOf(-kGainStep * steps - static_cast<double>(design.boxes[k].gain));
    };

    const size_t size = box.empty() ? 0 : box.front().size();
    SplayField::Pressures sum(size), trial(size);
    for (int32_t k = 0; k < n; ++k) {
        const double f = free[k] ? factor(k, step[k]) : 1.0;
        for (size_t i = 0; i < size; ++i) sum[i] += f * box[static_cast<size_t>(k)][i];
    }
    LevelTable levels;
    auto rate = [&](const SplayField::Pressures& pressures) {
        field.levelsOfSum(pressures, levels);
        return quickFigures(levels, target, weight);
    };
    QuickFigures current = rate(sum);

    // The moves, cheapest to judge first: box k alone, then boxes k to the
    // bottom together, from the bottom box up.
    struct Range {
        int32_t first, last;
    };
    std::vector<Range> ranges;
    for (int32_t k = n - 1; k >= 0; --k) {
        ranges.push_back({k, k});
        if (k < n - 1) ranges.push_back({k, n - 1});
    }

    int32_t tries = 0;
    bool improved = true;
    while (improved && tries < mostTries && !monitor.stopped()) {
        improved = false;
        for (const Range& range : ranges) {
            for (const int32_t direction : {+1, -1}) {
                std::array<int32_t, kMaxBoxes> moved = step;
                trial = sum;
                bool any = false;
                for (int32_t j = range.first; j <= range.last; ++j) {
                    const int32_t to = step[j] + direction;
                    if (!free[j] || to < 0 || to > kLowestStep) continue;
                    moved[j] = to;
                    any = true;
                    const double change = factor(j, to) - factor(j, step[j]);
                    const SplayField::Pressures& p = box[static_cast<size_t>(j)];
                    for (size_t i = 0; i < size; ++i) trial[i] += change * p[i];
                }
                if (!any) continue;
                const QuickFigures tried = rate(trial);
                ++tries;
                monitor.advance(kWorkPerTry);
                if (tried.meanLevel >= levelFloor && tried.summary < current.summary - kImprovement) {
                    std::swap(sum, trial);
                    step = moved;
                    current = tried;
                    improved = true;
                    break;
                }
            }
            if (improved || monitor.stopped() || tries >= mostTries) break;
        }
    }
    for (int32_t k = 0; k < n; ++k) {
        if (free[k]) result.gain[k] = step[k] == 0 ? 0.0f : -kGainStep * static_cast<float>(step[k]);
    }
    result.summary = current.summary;
    result.meanLevel = current.meanLevel;
    return result;
}

}  // namespace ksr
