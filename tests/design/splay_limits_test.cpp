// What auto-splay may propose: the aim limit, the angles each pair of box
// types allows, and the shape of the splays, on cases worked out by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "design/design_rules.h"
#include "design/splay_limits.h"

using namespace ksr;

namespace {

WorkingDesign designOf(const std::vector<int32_t>& types) {
    WorkingDesign design;
    design.boxCount = static_cast<int32_t>(types.size());
    for (size_t k = 0; k < design.boxes.size(); ++k) design.boxes[k] = {k < types.size() ? types[k] : types.back(), 0, 0};
    recomputeElevations(design);
    return design;
}

// Angles with the given splays (negated difference angles) from box 1 down.
SplayAngles withSplays(int32_t grid, const std::vector<int32_t>& splays) {
    SplayAngles angles;
    angles.grid = grid;
    for (size_t k = 0; k < splays.size(); ++k) angles.difference[k + 1] = -splays[k];
    return angles;
}

}  // namespace

TEST(SplayLimits, TheTopBoxAimsAtMostTwoDegreesAboveTheLastEar) {
    SplayRequest request;
    request.trim = 10.0;
    request.far = 40.0;
    request.floorFar = 0.0;
    // atan(-8.8 / 40) = -12.41 degrees; 2 above is -10.41, so -11 is the highest whole grid.
    EXPECT_NEAR(aimLimit(request), -10.407, 1e-3);
    const SplayLimits limits = splayLimits(designOf({4, 4, 4, 4}), request);
    EXPECT_EQ(limits.gridHigh, -11);
    EXPECT_EQ(limits.gridLow, -11 - kGridSpan);
    // A balcony above the array's height turns the limit upward.
    request.floorFar = 12.0;
    EXPECT_EQ(splayLimits(designOf({4, 4, 4, 4}), request).gridHigh, 6);  // atan(3.2 / 40) + 2 = 6.57
}

TEST(SplayLimits, WithSeveralZonesTheHighestFarSeatSetsTheAim) {
    SplayRequest request;
    request.trim = 12.0;
    // The floor's far seat lies at atan(-10.8 / 30) = -19.80 degrees, the
    // balcony's at atan(-2.8 / 35) = -4.57: the balcony sets the limit,
    // whichever zone comes first.
    request.zones = {{5, 30, 0, 0, 0}, {18, 35, 7, 8, 0}};
    EXPECT_NEAR(aimLimit(request), -2.574, 1e-3);
    EXPECT_EQ(splayLimits(designOf({4, 4, 4, 4}), request).gridHigh, -3);
    std::swap(request.zones[0], request.zones[1]);
    EXPECT_NEAR(aimLimit(request), -2.574, 1e-3);
    // A near tier seen higher than a far floor: the tier's far seat, not the
    // farthest one, sets it (atan(-1.8 / 12) + 2 = -6.53).
    request.zones = {{4, 40, 0, 0, 0}, {6, 12, 3, 9, 0}};
    EXPECT_EQ(splayLimits(designOf({4, 4, 4, 4}), request).gridHigh, -7);
}

TEST(SplayLimits, EachPairTakesTheAnglesItsRuleKeepsFromZeroDown) {
    SplayRequest request;
    const SplayLimits limits = splayLimits(designOf({4, 6, 8, 4, 9, 4}), request);
    const std::vector<int32_t> lineBelowLine{-1, -2, -3, -4, -5, -6, -7, -8, -9, -10};
    EXPECT_EQ(limits.allowed[1], lineBelowLine);  // no 0 unless allowed
    EXPECT_EQ(limits.allowed[2], (std::vector<int32_t>{0, -2, -4}));  // an 8 below a line box
    EXPECT_EQ(limits.allowed[3], (std::vector<int32_t>{0, -1, -2, -3, -4, -5}));  // a line box below an 8
    EXPECT_EQ(limits.allowed[4], std::vector<int32_t>{0});  // a 9 below a line box: 0..5, none below 0
    EXPECT_EQ(limits.allowed[5], (std::vector<int32_t>{0, -1, -2, -3, -4, -5}));
    EXPECT_TRUE(limits.linePair[1]);
    for (int32_t k = 2; k <= 5; ++k) EXPECT_FALSE(limits.linePair[k]) << k;

    request.allowZeroSplay = true;
    EXPECT_EQ(splayLimits(designOf({4, 6, 8, 4, 9, 4}), request).allowed[1].front(), 0);
}

TEST(SplayLimits, ShapeGrowsDownwardWithOneSmallReversalAtMost) {
    SplayRequest request;
    request.maxStep = 2.0;
    const SplayLimits limits = splayLimits(designOf({4, 4, 4, 4, 4, 4}), request);
    struct Case {
        std::vector<int32_t> splays;
        bool shaped;
    };
    const Case cases[] = {
        {{1, 1, 2, 4, 6}, true},
        {{1, 2, 1, 3, 5}, true},     // one reversal by one degree
        {{2, 1, 2, 1, 2}, false},    // two reversals
        {{1, 3, 1, 2, 3}, false},    // a reversal by two degrees
        {{1, 1, 1, 4, 5}, false},    // a step of three
        {{0, 1, 2, 3, 4}, false},    // 0 degrees not allowed
        {{1, 2, 4, 6, 8}, true},
        {{8, 9, 10, 10, 10}, true},
        {{9, 10, 11, 11, 11}, false},  // beyond the largest splay
    };
    for (const Case& c : cases) {
        const SplayAngles angles = withSplays(limits.gridHigh, c.splays);
        EXPECT_EQ(hasShape(angles, limits), c.shaped) << ::testing::PrintToString(c.splays);
    }
    request.allowZeroSplay = true;
    EXPECT_TRUE(hasShape(withSplays(0, {0, 0, 1, 2, 3}), splayLimits(designOf({4, 4, 4, 4, 4, 4}), request)));
}

TEST(SplayLimits, ShapingAnyAnglesGivesARiggedAndShapedDesign) {
    std::mt19937 random(13);
    std::uniform_int_distribution<int> angle(-14, 3);
    std::uniform_int_distribution<int> step(0, 4);
    for (int round = 0; round < 200; ++round) {
        SplayRequest request;
        request.maxStep = step(random);
        request.allowZeroSplay = round % 3 == 0;
        const SplayLimits limits = splayLimits(designOf({6, 6, 6, 4, 4, 8, 4, 4, 4, 4}), request);
        SplayAngles angles;
        angles.grid = angle(random) * 3;
        for (int32_t k = 1; k < kMaxBoxes; ++k) angles.difference[k] = angle(random);
        const SplayAngles result = shaped(angles, limits);
        EXPECT_TRUE(isRigged(result, limits)) << round;
        EXPECT_TRUE(hasShape(result, limits)) << round;
        // The rules keep every angle as it is.
        WorkingDesign design = designOf({6, 6, 6, 4, 4, 8, 4, 4, 4, 4});
        for (int32_t k = 0; k < kMaxBoxes; ++k) design.boxes[k].differenceAngle = static_cast<float>(result.difference[k]);
        EXPECT_TRUE(checkStacking(design).anglesUnchanged) << round;
    }
}

TEST(SplayLimits, AnglesAtTheEndsOfTheIntegersAreShapedAndJudgedWithoutOverflow) {
    const SplayLimits limits = splayLimits(designOf({6, 6, 8, 4, 4}), SplayRequest{});
    for (const int32_t extreme : {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
        SplayAngles angles;
        angles.grid = extreme;
        angles.difference.fill(extreme);
        const SplayAngles result = shaped(angles, limits);
        EXPECT_TRUE(isRigged(result, limits)) << extreme;
        EXPECT_TRUE(hasShape(result, limits)) << extreme;
        EXPECT_FALSE(hasShape(angles, limits)) << extreme;
        // The 8 below a line box hangs at 0, -2 or -4 in a proposal.
        EXPECT_EQ(nearestAllowed(limits, 2, extreme), extreme < 0 ? -4 : 0) << extreme;
    }
}
