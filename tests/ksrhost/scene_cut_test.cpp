// The audience areas of a scene cut by the vertical plane through an
// array's aim: one zone per stretch of the plane inside an area, floors from
// the area's plane, nothing for an area the plane misses.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "scene_cut.h"

namespace ksrhost {
namespace {

AudienceArea area(std::string name, std::vector<Point3> corners, double earHeight = 1.2) {
    return makeAudienceArea(std::move(name), std::move(corners), earHeight, "test");
}

TEST(SceneCut, AreasAtSeveralHeightsBecomeZonesInTheirOrder) {
    const std::vector<AudienceArea> areas = {
        area("floor", {{-10, -3, 0}, {10, -3, 0}, {10, -28, 0}, {-10, -28, 0}}),
        area("raked rear", {{-10, -28, 0}, {10, -28, 0}, {10, -40, 3}, {-10, -40, 3}}),
        // A balcony 7 m up whose ears sit 1 m above its floor: the zone's
        // floor is raised by 1 - 1.2 so that the receivers stand at 8 m.
        area("balcony", {{-10, -20, 7}, {10, -20, 7}, {10, -35, 7}, {-10, -35, 7}}, 1.0),
        area("side gallery", {{12, -5, 4}, {16, -5, 4}, {16, -30, 4}, {12, -30, 4}}),  // the plane misses it
    };
    const std::vector<CutZone> zones = cutAudience(areas, 0.0, 0.0, 0.0, 1.2);
    ASSERT_EQ(zones.size(), 3u);
    struct Expected {
        const char* name;
        double near, far, floorNear, floorFar;
    };
    const Expected expected[] = {
        {"floor", 3, 28, 0, 0}, {"raked rear", 28, 40, 0, 3}, {"balcony", 20, 35, 6.8, 6.8}};
    for (size_t z = 0; z < 3; ++z) {
        SCOPED_TRACE(expected[z].name);
        EXPECT_EQ(zones[z].name, expected[z].name);
        EXPECT_NEAR(zones[z].zone.near, expected[z].near, 1e-9);
        EXPECT_NEAR(zones[z].zone.far, expected[z].far, 1e-9);
        EXPECT_NEAR(zones[z].zone.floorNear, expected[z].floorNear, 1e-9);
        EXPECT_NEAR(zones[z].zone.floorFar, expected[z].floorFar, 1e-9);
        EXPECT_EQ(zones[z].zone.weight, 0.0);
    }
}

TEST(SceneCut, AnAreaCrossedTwiceGivesTwoZones) {
    // A horseshoe open to the left: the aim along -y passes its upper arm,
    // the gap, then its lower arm.
    const std::vector<AudienceArea> areas = {area(
        "horseshoe",
        {{-10, -5, 0}, {10, -5, 0}, {10, -25, 0}, {-10, -25, 0}, {-10, -20, 0}, {5, -20, 0}, {5, -10, 0}, {-10, -10, 0}})};
    const std::vector<CutZone> zones = cutAudience(areas, 0.0, 0.0, 0.0, 1.2);
    ASSERT_EQ(zones.size(), 2u);
    EXPECT_EQ(zones[0].name, "horseshoe (1)");
    EXPECT_EQ(zones[1].name, "horseshoe (2)");
    EXPECT_NEAR(zones[0].zone.near, 5.0, 1e-9);
    EXPECT_NEAR(zones[0].zone.far, 10.0, 1e-9);
    EXPECT_NEAR(zones[1].zone.near, 20.0, 1e-9);
    EXPECT_NEAR(zones[1].zone.far, 25.0, 1e-9);
}

TEST(SceneCut, TheAimTurnsThePlaneAndSeatsBehindOrUnderTheArrayAreLeftOut) {
    // The left hang of a hall, 7 m left of the centre line, turned 8 degrees
    // in: the plane meets the front edge at y = -3 after 3 / cos 8 metres.
    const AudienceArea floor = area("floor", {{-12, 5, 0}, {12, 5, 0}, {12, -28, 0.0}, {-12, -28, 0}});
    const std::vector<CutZone> turned = cutAudience({floor}, -7.0, 0.0, 8.0, 1.2);
    ASSERT_EQ(turned.size(), 1u);
    const double c = std::cos(8.0 * std::numbers::pi / 180.0);
    // The floor reaches behind the array: the zone starts 1 m out.
    EXPECT_NEAR(turned[0].zone.near, kNearestCutSeat, 1e-9);
    EXPECT_NEAR(turned[0].zone.far, 28.0 / c, 1e-9);
    // Turned 180 degrees the plane runs backwards over 5 m of floor.
    const std::vector<CutZone> back = cutAudience({floor}, 0.0, 0.0, 180.0, 1.2);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_NEAR(back[0].zone.far, 5.0, 1e-9);
    // An area wholly behind the array gives nothing.
    EXPECT_TRUE(cutAudience({area("foyer", {{-5, 2, 0}, {5, 2, 0}, {5, 9, 0}, {-5, 9, 0}})}, 0.0, 0.0, 0.0, 1.2).empty());
}

}  // namespace
}  // namespace ksrhost
