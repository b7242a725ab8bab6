#include <cmath>
#include <limits>

#include "module_fixture.h"

namespace {

SetupRecord designOf(int32_t boxCount, float firstElevation) {
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = boxCount;
    for (SetupRecordBox& box : record.boxes) box = {0, 0.0f, 0.0f};
    record.boxes[0].boxElevation = firstElevation;
    return record;
}

struct Vec {
    float v[3];
};

Vec componentPosition(int32_t component) {
    Vec out{{NAN, NAN, NAN}};
    EXPECT_EQ(CI_GetCompPosition3fv(component, out.v), 0) << component;
    return out;
}

}  // namespace

using PlacementExports = FreshModule;

TEST_F(PlacementExports, DefaultDesignHangsBelowTheArrayPosition) {
    makeCurrentInstance();
    const float origin[3] = {0, 0, 0};
    ASSERT_EQ(CI_SetLspkPosition3fv(origin), 0);
    ASSERT_EQ(CI_GetComponents(), 4);
    const float z[] = {-0.12994f, -0.38994f, -0.64994f, -0.90994f};
    for (int32_t c = 1; c <= 4; ++c) {
        const Vec position = componentPosition(c);
        EXPECT_NEAR(position.v[0], 0.0f, 1e-6f);
        EXPECT_NEAR(position.v[1], 0.05423f, 1e-5f);
        EXPECT_NEAR(position.v[2], z[c - 1], 1e-5f);
        float angles[3] = {NAN, NAN, NAN};
        ASSERT_EQ(CI_GetCompAngles3fv(c, angles), 0);
        EXPECT_EQ(angles[0], 0.0f);
        EXPECT_EQ(angles[1], 0.0f);
        EXPECT_EQ(angles[2], 0.0f);
    }

    // Turned by -90 degrees about the vertical and moved: the boxes aim along
    // host -x, so their reference points lie 0.05423 m behind, towards +x.
    const float position[3] = {5, 6, 7};
    const float turned[3] = {-90, 0, 0};
    ASSERT_EQ(CI_SetLspkPosition3fv(position), 0);
    ASSERT_EQ(CI_SetLspkAngles3fv(turned), 0);
    const Vec second = componentPosition(2);
    EXPECT_NEAR(second.v[0], 5.0f + 0.05423f, 1e-5f);
    EXPECT_NEAR(second.v[1], 6.0f, 1e-5f);
    EXPECT_NEAR(second.v[2], 7.0f - 0.38994f, 1e-5f);
    float angles[3] = {};
    ASSERT_EQ(CI_GetCompAngles3fv(2, angles), 0);
    EXPECT_NEAR(angles[0], -90.0f, 1e-4f);
}

TEST_F(PlacementExports, DesignChangesReachTheRoomThroughTheArraySetters) {
    makeCurrentInstance();
    const float origin[3] = {0, 0, 0};
    ASSERT_EQ(CI_SetLspkPosition3fv(origin), 0);
    const SetupRecord tilted = designOf(4, 10.0f);
    ASSERT_EQ(IP_SetValue(1, &tilted), 0);
    float angles[3] = {};
    ASSERT_EQ(CI_GetCompAngles3fv(1, angles), 0);
    EXPECT_EQ(angles[1], 0.0f);  // not placed again yet
    ASSERT_EQ(CI_SetLspkAngles3fv(origin), 0);
    ASSERT_EQ(CI_GetCompAngles3fv(1, angles), 0);
    EXPECT_NEAR(angles[1], 10.0f, 1e-4f);
    const Vec first = componentPosition(1);
    EXPECT_NEAR(first.v[1], 0.03084f, 1e-5f);
    EXPECT_NEAR(first.v[2], -0.13738f, 1e-5f);
}

TEST_F(PlacementExports, DistancesToTheSeat) {
    const int32_t id = makeCurrentInstance();
    const float array[3] = {1, 2, 3};
    const float seat[3] = {1, -8, 3};
    ASSERT_EQ(CI_SetLspkPosition3fv(array), 0);
    ASSERT_EQ(CI_SetSeatPosition3fv(seat), 0);
    EXPECT_FLOAT_EQ(CI_GetDistance(), 10.0f);
    const ksr::ArrayInstance& instance = ksr::moduleState().instances[id];
    EXPECT_FLOAT_EQ(instance.distance, 10.0f);
    EXPECT_NE(instance.flags & ksr::kInstanceDistanceSet, 0u);

    // Component 1 hangs 0.12994 m below and 0.05423 m behind the reference.
    EXPECT_NEAR(CI_GetCompDistance(1), std::hypot(10.05423f, 0.12994f), 1e-4f);

    ASSERT_EQ(CI_SetSeatPosition3fv(array), 0);
    EXPECT_EQ(CI_GetDistance(), 0.0f);
    EXPECT_EQ(instance.flags & ksr::kInstanceDistanceSet, 0u);
    EXPECT_NE(instance.flags & ksr::kInstanceInUse, 0u);

    const float angles[3] = {1, 2, 3};
    ASSERT_EQ(CI_SetSeatAngles3fv(angles), 0);
    EXPECT_EQ(instance.seatAngles, (ksr::Vec3{1, 2, 3}));
}

TEST_F(PlacementExports, ComponentNumbersOutsideTheCount) {
    makeCurrentInstance();
    const SetupRecord design = designOf(6, 0.0f);
    ASSERT_EQ(IP_SetValue(1, &design), 0);
    const float origin[3] = {0, 0, 0};
    ASSERT_EQ(CI_SetLspkPosition3fv(origin), 0);
    float out[3] = {7, 7, 7};
    for (int32_t c : {0, 7, 17, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(CI_GetCompDistance(c), -1.0f) << c;
        EXPECT_EQ(CI_GetCompPosition3fv(c, out), -1) << c;
        EXPECT_EQ(CI_GetCompAngles3fv(c, out), -1) << c;
    }
    EXPECT_EQ(out[0], 7.0f);
    EXPECT_EQ(out[2], 7.0f);
    EXPECT_GE(CI_GetCompDistance(6), 0.0f);
}

TEST_F(PlacementExports, NothingCurrentOrNullPointers) {
    const float values[3] = {1, 2, 3};
    float out[3] = {7, 7, 7};
    EXPECT_EQ(CI_SetLspkPosition3fv(values), -1);
    EXPECT_EQ(CI_SetLspkAngles3fv(values), -1);
    EXPECT_EQ(CI_SetSeatPosition3fv(values), -1);
    EXPECT_EQ(CI_SetSeatAngles3fv(values), -1);
    EXPECT_EQ(CI_GetDistance(), -1.0f);
    EXPECT_EQ(CI_GetCompDistance(1), -1.0f);
    EXPECT_EQ(CI_GetCompPosition3fv(1, out), -1);
    EXPECT_EQ(CI_GetCompAngles3fv(1, out), -1);
    EXPECT_EQ(out[1], 7.0f);

    const int32_t id = makeCurrentInstance();
    EXPECT_EQ(CI_SetLspkPosition3fv(nullptr), -1);
    EXPECT_EQ(CI_SetLspkAngles3fv(nullptr), -1);
    EXPECT_EQ(CI_SetSeatPosition3fv(nullptr), -1);
    EXPECT_EQ(CI_SetSeatAngles3fv(nullptr), -1);
    EXPECT_EQ(CI_GetCompPosition3fv(1, nullptr), -1);
    EXPECT_EQ(CI_GetCompAngles3fv(1, nullptr), -1);
    const ksr::ArrayInstance& instance = ksr::moduleState().instances[id];
    EXPECT_EQ(instance.lspkPosition, (ksr::Vec3{0, 0, 0}));
    EXPECT_EQ(instance.compPosition[0], (ksr::Vec3{0, 0, 0}));  // never placed
}

TEST_F(PlacementExports, NonFiniteHostValuesDoNotCrash) {
    makeCurrentInstance();
    const float inf = std::numeric_limits<float>::infinity();
    const float bad[][3] = {{NAN, 0, 0}, {inf, -inf, 0}, {3e38f, -3e38f, 3e38f}};
    for (const auto& values : bad) {
        EXPECT_EQ(CI_SetLspkPosition3fv(values), 0);
        EXPECT_EQ(CI_SetLspkAngles3fv(values), 0);
        EXPECT_EQ(CI_SetSeatPosition3fv(values), 0);
        float out[3];
        EXPECT_EQ(CI_GetCompAngles3fv(4, out), 0);
        (void)CI_GetDistance();
        (void)CI_GetCompDistance(4);
    }
}
