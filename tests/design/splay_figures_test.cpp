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
    // Zones need not start nearest: the nearest receiver is the reference.
    const std::vector<double> balconyFirst = targetOffsets(std::vector<double>{10.0, 20.0, 5.0}, -1.5);
    EXPECT_DOUBLE_EQ(balconyFirst[0], -1.5);
    EXPECT_DOUBLE_EQ(balconyFirst[2], 0.0);
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

namespace {

// Two zones of two receivers, every band alike, against a flat target:
// zone 1 at 1 and 2 m with 100 and 98 dB, zone 2 at 2 and 4 m with 92 and
// 94 dB.
struct TwoZones {
    LevelTable levels{4};
    std::vector<double> distance{1.0, 2.0, 2.0, 4.0};
    std::vector<int32_t> zone{0, 0, 1, 1};
    TwoZones() {
        const double values[] = {100.0, 98.0, 92.0, 94.0};
        for (size_t r = 0; r < 4; ++r) levels[r].fill(values[r]);
    }
};

}  // namespace

TEST(SplayFigures, EachZoneIsJudgedAgainstTheTargetOfAllZones) {
    const TwoZones field;
    const std::vector<double> target = targetOffsets(field.distance, 0.0);
    const std::vector<double> weight(4, 1.0);
    const std::vector<ZoneFigures> zones = zoneFigures(field.levels, field.distance, target, weight, field.zone, 2);
    ASSERT_EQ(zones.size(), 2u);
    // The mean over all is 96: residuals +4, +2 | -4, -2.
    struct Expected {
        double summary, offset, fittedSlope, spread, share, level;
    };
    const Expected expected[] = {{1.0, 3.0, -2.0, 1.6, 0.5, 99.0}, {1.0, -3.0, 2.0, 1.6, 0.5, 93.0}};
    for (size_t z = 0; z < 2; ++z) {
        SCOPED_TRACE(z);
        EXPECT_NEAR(zones[z].summary, expected[z].summary, 1e-12);
        EXPECT_NEAR(zones[z].offset, expected[z].offset, 1e-12);
        EXPECT_NEAR(zones[z].fittedSlope, expected[z].fittedSlope, 1e-12);
        EXPECT_NEAR(zones[z].spread90to10, expected[z].spread, 1e-12);  // 2.2 to 3.8 between neighbours
        EXPECT_NEAR(zones[z].shareWithin3dB, expected[z].share, 1e-12);
        EXPECT_NEAR(zones[z].meanLevel1to8k, expected[z].level, 1e-12);
    }
    const ZoneFigures all = allZoneFigures(field.levels, field.distance, target, weight);
    EXPECT_NEAR(all.summary, std::sqrt(10.0), 1e-12);
    EXPECT_NEAR(all.offset, 0.0, 1e-12);
    EXPECT_NEAR(all.fittedSlope, -3.0, 1e-12);  // x 0, 1, 1, 2 against 100, 98, 92, 94
    EXPECT_NEAR(all.shareWithin3dB, 0.5, 1e-12);
    EXPECT_NEAR(all.meanLevel1to8k, 96.0, 1e-12);
    EXPECT_NEAR(fieldFigures(field.levels, field.distance, target, weight).summary, std::sqrt(10.0), 1e-12);
    // A zone index out of range is left out rather than read past the table.
    const std::vector<int32_t> stray{0, 0, 1, 7};
    EXPECT_NEAR(zoneFigures(field.levels, field.distance, target, weight, stray, 2)[1].meanLevel1to8k, 92.0, 1e-12);
}

TEST(SplayFigures, WeightsCountAReceiverAsManyTimesOver) {
    // The second zone weighs 3 per receiver: the same as each of its
    // receivers standing there three times.
    const TwoZones field;
    const std::vector<double> target = targetOffsets(field.distance, 0.0);
    const std::vector<double> weight{1.0, 1.0, 3.0, 3.0};
    // Mean 94.5: residuals 5.5, 3.5, -2.5, -0.5; squares weighted 62 over 8.
    const QuickFigures quick = quickFigures(field.levels, target, weight);
    EXPECT_NEAR(quick.summary, std::sqrt(7.75), 1e-12);
    EXPECT_NEAR(quick.meanLevel, 94.5, 1e-12);
    const FieldFigures figures = fieldFigures(field.levels, field.distance, target, weight);
    EXPECT_NEAR(figures.summary, std::sqrt(7.75), 1e-12);
    EXPECT_NEAR(figures.meanLevel1to8k, 94.5, 1e-12);
    EXPECT_NEAR(figures.band[11].shareWithin3dB, 6.0 / 8.0, 1e-12);  // the second zone's receivers
    const std::vector<ZoneFigures> zones = zoneFigures(field.levels, field.distance, target, weight, field.zone, 2);
    EXPECT_NEAR(zones[0].offset, 4.5, 1e-12);
    EXPECT_NEAR(zones[1].offset, -1.5, 1e-12);
}
