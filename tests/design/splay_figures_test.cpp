// The evenness figures on fields small enough to check by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "design/splay_figures.h"

using namespace ksr;

namespace {

// Three receivers at 1, 2 and 4 m; every band falls by 3 dB per doubling
// from `top`, except band 14, which is flat.
LevelTable fallingField(double top) {
    LevelTable levels(3);
    for (size_t r = 0; r < 3; ++r) {
        levels[r].fill(top - 3.0 * static_cast<double>(r));
        levels[r][13] = top;
    }
    return levels;
}

const std::vector<double> kDistance{1.0, 2.0, 4.0};

}  // namespace

TEST(SplayFigures, TargetOffsetsFollowTheSlopePerDoubling) {
    const std::vector<double> target = targetOffsets(std::vector<double>{5.0, 10.0, 20.0, 40.0}, -1.5);
    const std::vector<double> expected{0.0, -1.5, -3.0, -4.5};
    for (size_t r = 0; r < expected.size(); ++r) EXPECT_DOUBLE_EQ(target[r], expected[r]);
}

TEST(SplayFigures, FallingFieldAgainstAFlatTarget) {
    const LevelTable levels = fallingField(100.0);
    const std::vector<double> target = targetOffsets(kDistance, 0.0);
    const FieldFigures figures = fieldFigures(levels, kDistance, target);

    // Levels 100, 97, 94: residuals +3, 0, -3.
    const BandFigures& falling = figures.band[0];
    EXPECT_DOUBLE_EQ(falling.mean, 97.0);
    EXPECT_NEAR(falling.deviation, std::sqrt(6.0), 1e-12);
    // Quantiles between neighbours: 10 % at -2.4, 90 % at +2.4.
    EXPECT_NEAR(falling.spread90to10, 4.8, 1e-12);
    EXPECT_DOUBLE_EQ(falling.range, 6.0);
    EXPECT_NEAR(falling.fittedSlope, -3.0, 1e-12);
    EXPECT_DOUBLE_EQ(falling.shareWithin3dB, 1.0);

    const BandFigures& flat = figures.band[13];
    EXPECT_DOUBLE_EQ(flat.deviation, 0.0);
    EXPECT_DOUBLE_EQ(flat.fittedSlope, 0.0);

    // Bands 11..20: nine falling, one flat.
    EXPECT_NEAR(figures.summary, 0.9 * std::sqrt(6.0), 1e-12);
    EXPECT_NEAR(figures.meanLevel1to8k, 0.9 * 97.0 + 0.1 * 100.0, 1e-12);

    const QuickFigures quick = quickFigures(levels, target);
    EXPECT_NEAR(quick.summary, figures.summary, 1e-12);
    EXPECT_NEAR(quick.meanLevel, figures.meanLevel1to8k, 1e-12);
}

TEST(SplayFigures, AFieldThatFollowsItsTargetSlopeIsPerfectlyEven) {
    const LevelTable levels = fallingField(90.0);
    const std::vector<double> target = targetOffsets(kDistance, -3.0);
    const FieldFigures figures = fieldFigures(levels, kDistance, target);
    EXPECT_NEAR(figures.band[0].deviation, 0.0, 1e-12);
    EXPECT_NEAR(figures.band[0].spread90to10, 0.0, 1e-12);
    // The flat band now rises 3 dB per doubling above its target.
    EXPECT_NEAR(figures.band[13].deviation, std::sqrt(6.0), 1e-12);
    EXPECT_NEAR(figures.summary, 0.1 * std::sqrt(6.0), 1e-12);
    // Level: 90, 87, 84 in the falling bands, whatever the target.
    EXPECT_NEAR(figures.meanLevel1to8k, 0.9 * 87.0 + 0.1 * 90.0, 1e-12);
    // The flat band's residuals are -3, 0, +3: the edges count as within.
    EXPECT_DOUBLE_EQ(figures.band[13].shareWithin3dB, 1.0);
}

TEST(SplayFigures, ShareWithin3dBCountsOnlyReceiversInsideTheWindow) {
    LevelTable levels(4);
    const double values[] = {100.0, 100.0, 100.0, 92.0};  // mean 98: residuals +2, +2, +2, -6
    for (size_t r = 0; r < 4; ++r) levels[r].fill(values[r]);
    const std::vector<double> distance{1.0, 2.0, 3.0, 4.0};
    const FieldFigures figures = fieldFigures(levels, distance, targetOffsets(distance, 0.0));
    EXPECT_DOUBLE_EQ(figures.band[11].shareWithin3dB, 0.75);
    EXPECT_DOUBLE_EQ(figures.band[11].range, 8.0);
}
