// Audience areas in plan, the seats a plan grid puts in them, and the
// statistics of their levels, on cases small enough to check by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "audience_area.h"
#include "host_error.h"
#include "level_statistics.h"
#include "plan_map.h"

namespace ksrhost {
namespace {

template <class F>
std::string refusal(F&& make) {
    try {
        make();
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}

TEST(LevelStatistics, OneToTenByHand) {
    // 1..10 dB: mean 5.5; population variance 8.25; p10 at rank 0.9 -> 1.9,
    // p90 at rank 8.1 -> 9.1; median 5.5; within 2.5..8.5: 3..8, six of ten.
    const LevelStatistics s = levelStatistics({7, 1, 10, 4, 2, 9, 3, 8, 5, 6});
    EXPECT_EQ(s.count, 10u);
    EXPECT_DOUBLE_EQ(s.mean, 5.5);
    EXPECT_NEAR(s.standardDeviation, std::sqrt(8.25), 1e-12);
    EXPECT_DOUBLE_EQ(s.median, 5.5);
    EXPECT_NEAR(s.p10, 1.9, 1e-12);
    EXPECT_NEAR(s.p90, 9.1, 1e-12);
    EXPECT_NEAR(s.spread, 7.2, 1e-12);
    EXPECT_DOUBLE_EQ(s.withinThreeDb, 0.6);
    EXPECT_EQ(s.minimum, 1.0);
    EXPECT_EQ(s.maximum, 10.0);
}

TEST(LevelStatistics, EvenCoverageAndEdges) {
    const LevelStatistics flat = levelStatistics({90, 90, 90});
    EXPECT_EQ(flat.standardDeviation, 0.0);
    EXPECT_EQ(flat.spread, 0.0);
    EXPECT_EQ(flat.withinThreeDb, 1.0);
    // Exactly 3 dB from the median still counts as even.
    EXPECT_DOUBLE_EQ(levelStatistics({87, 90, 90, 93, 100}).withinThreeDb, 0.8);
    EXPECT_EQ(levelStatistics({}).count, 0u);
    EXPECT_EQ(levelStatistics({80}).p90, 80.0);
}

TEST(AudienceAreas, InsideOnTheEdgeAndOutside) {
    // An L-shaped floor: the notch at x > 2, y > 2 is outside.
    const AudienceArea l = makeAudienceArea("L", {{0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {2, 2, 0}, {2, 4, 0}, {0, 4, 0}},
                                            1.2, "area");
    const struct {
        double x, y;
        bool inside;
    } cases[] = {{1, 1, true}, {3, 1, true}, {1, 3, true}, {3, 3, false}, {0, 0, true}, {4, 1, true},
                 {2, 3, true}, {3, 2, true}, {5, 1, false}, {-0.01, 1, false}, {2.5, 2.5, false}};
    for (const auto& c : cases) EXPECT_EQ(contains(l, c.x, c.y), c.inside) << c.x << "," << c.y;
    EXPECT_DOUBLE_EQ(earLevel(l, 1, 1), 1.2);
}

TEST(AudienceAreas, ARakedFloorIsOnePlane) {
    // Rising 3 m over 12 m towards -y: at y = -34 the floor is 1.5 m up.
    const AudienceArea rake = makeAudienceArea(
        "rear", {{-12, -28, 0}, {12, -28, 0}, {12, -40, 3}, {-12, -40, 3}}, 1.2, "area");
    EXPECT_NEAR(earLevel(rake, 0, -34), 1.5 + 1.2, 1e-12);
    EXPECT_NEAR(earLevel(rake, 5, -40), 3 + 1.2, 1e-12);

    const struct {
        std::vector<Point3> corners;
        double ear;
        const char* message;
    } bad[] = {
        {{{0, 0, 0}, {1, 0, 0}}, 1.2, "area: an audience area needs at least three corners, got 2"},
        {{{0, 0, 0}, {1, 1, 0}, {2, 2, 0}}, 1.2, "area: the corners enclose no area in plan"},
        {{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 1}}, 1.2, "area: corner "},
        {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, -1, "area: ear height -1 m is outside 0..10"},
    };
    for (const auto& b : bad) {
        const std::string message = refusal([&] { makeAudienceArea("x", b.corners, b.ear, "area"); });
        EXPECT_EQ(message.rfind(b.message, 0), 0u) << message;
    }
}

TEST(PlanGrids, NodesOnMultiplesOfTheStep) {
    // 0..2 by 0..1 at 0.5 m: 5 x 3 nodes, every one inside or on the edge.
    const std::vector<AudienceArea> one{rectangleArea("a", 0, 2, 0, 1, 0, 1.2)};
    const PlanGrid grid = planGrid(one, 0.5);
    EXPECT_EQ(grid.firstColumn, 0);
    EXPECT_EQ(grid.firstRow, 0);
    EXPECT_EQ(grid.columns, 5);
    EXPECT_EQ(grid.rows, 3);
    EXPECT_EQ(countPlanSeats(one, grid), 15u);

    // A second area beside it, off the step: its nodes share the first's
    // columns; a triangle holds the nodes on its slanted edge.
    const std::vector<AudienceArea> two{rectangleArea("a", 0, 2, 0, 1, 0, 1.2),
                                        rectangleArea("b", -1.3, -0.2, 0, 1, 0, 1.2)};
    const PlanGrid both = planGrid(two, 0.5);
    EXPECT_EQ(both.firstColumn, -2);
    EXPECT_EQ(both.columns, 7);
    EXPECT_EQ(countPlanSeats(two, both), 15u + 2 * 3);
    const std::vector<AudienceArea> triangle{makeAudienceArea("t", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, 1.2, "t")};
    EXPECT_EQ(countPlanSeats(triangle, planGrid(triangle, 1.0)), 6u);
}

}  // namespace
}  // namespace ksrhost
