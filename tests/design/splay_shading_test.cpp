// Gain shading on the field of a fixed design: gains stay on the grid, the
// level floor holds, and shading only ever makes the field more even.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "design/design_rules.h"
#include "design/splay_figures.h"
#include "design/splay_shading.h"

using namespace ksr;

namespace {

// The model hands gains over in single precision; shading scales the
// pressures in double: they agree to well within a millionth of a decibel.
constexpr double kSameLevel = 1e-6;  // dB

// Eight KSR51 V hung with a progressive curve over a floor and a balcony;
// box 3 muted and box 5 at an off-grid gain.
WorkingDesign curvedDesign() {
    WorkingDesign design;
    design.boxCount = 8;
    const float splays[] = {0, 1, 1, 2, 3, 4, 6, 8};
    for (int32_t k = 0; k < kMaxBoxes; ++k) design.boxes[k] = {4, 0.0f, k < 8 ? -splays[k] : 0.0f};
    design.boxes[3].gain = kMutedGain;
    design.boxes[5].gain = -1.3f;
    design.gridElevation = -6.0f;
    recomputeElevations(design);
    return design;
}

SplayRequest venue() {
    SplayRequest request;
    request.trim = 10.0;
    request.zones = {{4.0, 20.0, 0.0, 0.0, 0.0}, {12.0, 24.0, 5.0, 6.0, 0.0}};
    return request;
}

}  // namespace

TEST(SplayShading, GainsLandOnTheGridAboveTheLevelFloorAndNeverLessEven) {
    const WorkingDesign design = curvedDesign();
    const SplayRequest request = venue();
    SplayField field(design, request, kFirstOptimisedBand, kLastOptimisedBand);
    const std::vector<double> target = targetOffsets(field.distance(), 0.0);
    const std::vector<double> weight = field.receivers().weight;
    LevelTable levels;
    field.levelsOf(design, levels);
    const QuickFigures start = quickFigures(levels, target, weight);

    // Allowances from none to ample: the floor always holds, and a wider one
    // never gives a less even field.
    double previous = start.summary;
    const SplayProgress silent;  // the monitor keeps a reference to it
    for (const double allowance : {0.0, 0.5, 1.5, 6.0}) {
        SCOPED_TRACE(allowance);
        SearchMonitor monitor(silent, 1.0);
        const ShadedGains shaded = shadeGains(field, design, target, weight, start.meanLevel - allowance, monitor);
        EXPECT_GE(shaded.meanLevel, start.meanLevel - allowance - 1e-9);
        EXPECT_LE(shaded.summary, previous + 1e-9);
        previous = shaded.summary;
        for (int32_t k = 0; k < design.boxCount; ++k) {
            if (k == 3) {
                EXPECT_EQ(shaded.gain[k], kMutedGain);  // muted stays muted
                continue;
            }
            EXPECT_LE(shaded.gain[k], 0.0f) << k;
            EXPECT_GE(shaded.gain[k], kLowestGain) << k;
            EXPECT_EQ(shaded.gain[k] / kGainStep, std::round(shaded.gain[k] / kGainStep)) << k;
        }
        // What it reports is what the gains give, computed afresh.
        WorkingDesign applied = design;
        for (int32_t k = 0; k < kMaxBoxes; ++k) applied.boxes[k].gain = shaded.gain[k];
        SplayField fresh(applied, request, kFirstOptimisedBand, kLastOptimisedBand);
        fresh.levelsOf(applied, levels);
        const QuickFigures check = quickFigures(levels, target, weight);
        EXPECT_NEAR(check.summary, shaded.summary, kSameLevel);
        EXPECT_NEAR(check.meanLevel, shaded.meanLevel, kSameLevel);
    }
    EXPECT_LT(previous, start.summary);  // an ample allowance buys evenness here
}

TEST(SplayShading, AStopAnswersTheGainsSoFar) {
    const WorkingDesign design = curvedDesign();
    SplayField field(design, venue(), kFirstOptimisedBand, kLastOptimisedBand);
    const std::vector<double> target = targetOffsets(field.distance(), 0.0);
    int calls = 0;
    const SplayProgress stop = [&](double) { return ++calls < 0; };
    SearchMonitor monitor(stop, 1.0);
    while (monitor.advance(1.0)) {
    }
    const ShadedGains shaded = shadeGains(field, design, target, field.receivers().weight, -1e300, monitor);
    // Nothing tried: the start, the gains brought onto the grid.
    EXPECT_EQ(shaded.gain[0], 0.0f);
    EXPECT_EQ(shaded.gain[5], -1.5f);
}
