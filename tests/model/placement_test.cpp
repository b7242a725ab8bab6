#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>

#include "model/geometry.h"
#include "model/placement.h"
#include "model/rotation.h"

using namespace ksr;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// An instance with the default design whose first box sits at the given
// local placement, placed by the array's position and angles.
ArrayInstance placedInstance(Vec3 lspkPosition, Vec3 lspkAngles, Vec3 localPosition, Vec3 localAngles) {
    ArrayInstance instance;
    resetDesign(instance.geometry);
    instance.geometry.box[0].localPosition = localPosition;
    instance.geometry.box[0].localAngles = localAngles;
    instance.lspkPosition = lspkPosition;
    instance.lspkAngles = lspkAngles;
    placeComponents(instance);
    return instance;
}

void expectVecNear(const Vec3& actual, const Vec3& expected, float tolerance) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "coordinate " << i;
}

Vec3d aimOf(const Vec3& angles) { return rotationFromAngles(angles) * Vec3d{0.0, -1.0, 0.0}; }

}  // namespace

TEST(Rotation, AnglesTurnTheAimAsDocumented) {
    struct Case {
        Vec3 angles;
        Vec3d aim;
    };
    const Case cases[] = {
        {{0, 0, 0}, {0, -1, 0}},    // all zero aims along host -y
        {{90, 0, 0}, {1, 0, 0}},    // the first angle turns -y into +x
        {{0, 90, 0}, {0, 0, 1}},    // the second raises the aim to +z
        {{0, 0, 90}, {0, -1, 0}},   // the third rolls about the aim
        {{0, -30, 0}, {0, -std::cos(kPi / 6), -0.5}},
    };
    for (const Case& c : cases) {
        const Vec3d aim = aimOf(c.angles);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(aim[i], c.aim[i], 1e-12) << c.angles[0] << "," << c.angles[1] << "," << c.angles[2];
    }
    // The roll turns the component's up (+z) towards its -x side.
    const Vec3d up = rotationFromAngles({0, 0, 90}) * Vec3d{0, 0, 1};
    EXPECT_NEAR(up[0], -1.0, 1e-12);
    EXPECT_NEAR(up[2], 0.0, 1e-12);
}

TEST(Rotation, AnglesAreRecoveredFromTheirMatrix) {
    for (float a = -175.0f; a <= 180.0f; a += 35.0f) {
        for (float b = -85.0f; b <= 85.0f; b += 17.0f) {
            for (float c = -170.0f; c <= 180.0f; c += 50.0f) {
                const Vec3 back = anglesFromRotation(rotationFromAngles({a, b, c}));
                expectVecNear(back, {a, b, c}, 1e-3f);
            }
        }
    }
}

TEST(Placement, ComponentsFollowTheArrayPositionAndAngles) {
    struct Case {
        const char* name;
        Vec3 lspkPosition, lspkAngles, localPosition, localAngles;
        Vec3 position, angles;
    };
    const Case cases[] = {
        {"unrotated", {1, 2, 3}, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {1, 3, 3}, {0, 0, 0}},
        {"quarter turn", {1, 2, 3}, {90, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 2, 3}, {90, 0, 0}},
        {"turns about one axis add", {0, 0, 0}, {10, 0, 0}, {0, 0, 0}, {10, 0, 0}, {0, 0, 0}, {20, 0, 0}},
        {"sum wraps past 180", {0, 0, 0}, {170, 0, 0}, {0, 0, 0}, {20, 0, 0}, {0, 0, 0}, {-170, 0, 0}},
        {"rotations do not simply add", {0, 0, 0}, {0, 10, 0}, {0, 0, 0}, {10, 0, 0}, {0, 0, 0},
         {10.151f, 9.847f, -1.754f}},
        {"Y kept inside [-90, 90]", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 100, 0}, {0, 0, 0}, {180, 80, 180}},
        {"raised array lifts a hanging box forward", {0, 0, 0}, {0, 90, 0}, {0, 0, -1}, {0, 0, 0}, {0, -1, 0},
         {0, 90, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ArrayInstance instance = placedInstance(c.lspkPosition, c.lspkAngles, c.localPosition, c.localAngles);
        expectVecNear(instance.compPosition[0], c.position, 1e-5f);
        expectVecNear(instance.compAngles[0], c.angles, 1e-3f);
        // The reported angles describe the same rotation as the product.
        const Mat3 product = rotationFromAngles(c.lspkAngles) * rotationFromAngles(c.localAngles);
        const Mat3 reported = rotationFromAngles(instance.compAngles[0]);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) EXPECT_NEAR(reported[i][j], product[i][j], 1e-5);
        }
    }
}

TEST(Placement, DefaultDesignAtTheOrigin) {
    ArrayInstance instance;
    resetDesign(instance.geometry);
    placeComponents(instance);
    const float z[] = {-0.12994f, -0.38994f, -0.64994f, -0.90994f};
    for (int j = 0; j < 4; ++j) {
        expectVecNear(instance.compPosition[j], {0.0f, 0.05423f, z[j]}, 1e-5f);
        EXPECT_EQ(instance.compAngles[j], (Vec3{0, 0, 0}));
    }
}

TEST(Placement, OnlyTheCountedComponentsArePlaced) {
    ArrayInstance instance;
    resetDesign(instance.geometry);
    instance.geometry.design.boxCount = 20;  // read as 16
    instance.lspkPosition = {0, 0, 10};
    placeComponents(instance);
    EXPECT_EQ(instance.geometry.design.boxCount, 16);
    EXPECT_NEAR(instance.compPosition[15][2], 10.0f - 0.26f * 15 - 0.12994f, 1e-4f);

    instance.geometry.design.boxCount = 5;
    instance.lspkPosition = {0, 0, 0};
    placeComponents(instance);
    EXPECT_NEAR(instance.compPosition[4][2], -0.26f * 4 - 0.12994f, 1e-4f);
    EXPECT_NEAR(instance.compPosition[5][2], 10.0f - 0.26f * 5 - 0.12994f, 1e-4f);  // kept from before
}

// Each component's rotation is that of its stored angles, bit for bit,
// whether it was placed, placed earlier, or never placed at all.
TEST(Placement, EveryComponentKeepsTheRotationOfItsAngles) {
    const auto bitsOf = [](const Mat3& m) {
        std::array<uint64_t, 9> bits{};
        for (int i = 0; i < 9; ++i) bits[i] = std::bit_cast<uint64_t>(m[i / 3][i % 3]);
        return bits;
    };
    ArrayInstance instance;
    for (int32_t j = 0; j < kMaxBoxes; ++j) {
        EXPECT_EQ(bitsOf(instance.compRotation[j]), bitsOf(rotationFromAngles(instance.compAngles[j]))) << j;
    }
    ArraySetup setup = defaultSetup();
    setup.boxCount = 16;
    for (int32_t j = 0; j < kMaxBoxes; ++j) setup.boxElevation[j] = -3.0f * static_cast<float>(j);
    applyDesign(setup, instance.geometry);
    instance.lspkAngles = {30, -5, 2};
    placeComponents(instance);
    instance.geometry.design.boxCount = 6;
    instance.lspkAngles = {-60, 10, 0};
    placeComponents(instance);
    for (int32_t j = 0; j < kMaxBoxes; ++j) {
        EXPECT_EQ(bitsOf(instance.compRotation[j]), bitsOf(rotationFromAngles(instance.compAngles[j]))) << j;
    }
    EXPECT_NE(instance.compAngles[5], instance.compAngles[6]);  // 7 on kept its earlier placement
}

TEST(Placement, NonFiniteArrayValuesStayInTheirComponents) {
    const ArrayInstance instance = placedInstance({kNaN, 0, 0}, {0, kInf, 0}, {0, 1, 0}, {0, 0, 0});
    EXPECT_TRUE(std::isnan(instance.compPosition[0][0]));
    EXPECT_TRUE(std::isnan(instance.compAngles[0][1]));
}

TEST(Placement, PointDistance) {
    EXPECT_FLOAT_EQ(pointDistance({1, 2, 3}, {1, 2, 3}), 0.0f);
    EXPECT_FLOAT_EQ(pointDistance({0, 0, 0}, {3, -4, 12}), 13.0f);
    EXPECT_FLOAT_EQ(pointDistance({-1, -1, -1}, {1, 1, 1}), std::sqrt(12.0f));
    EXPECT_TRUE(std::isnan(pointDistance({kNaN, 0, 0}, {0, 0, 0})));
}

TEST(SeatDirection, InTheComponentFrame) {
    struct Case {
        const char* name;
        Vec3 componentAngles;
        Vec3 seat;  // relative to the component
        double polar, azimuth;  // azimuth below 0: any (on the axis it has no meaning)
    };
    const Case cases[] = {
        {"on the main axis", {0, 0, 0}, {0, -1, 0}, 0.0, 0.0},
        {"straight above", {0, 0, 0}, {0, 0, 1}, kPi / 2, kPi / 2},
        {"to the +x side", {0, 0, 0}, {1, 0, 0}, kPi / 2, 0.0},
        {"to the -x side", {0, 0, 0}, {-1, 0, 0}, kPi / 2, kPi},
        {"straight below", {0, 0, 0}, {0, 0, -2}, kPi / 2, 3 * kPi / 2},
        {"straight behind", {0, 0, 0}, {0, 5, 0}, kPi, 0.0},
        {"30 degrees above the axis", {0, 0, 0}, {0, static_cast<float>(-std::cos(kPi / 6)), 0.5f}, kPi / 6, kPi / 2},
        {"turned component, seat on its axis", {90, 0, 0}, {10, 0, 0}, 0.0, -1.0},
        {"raised component, seat on its axis", {0, 30, 0}, {0, static_cast<float>(-std::cos(kPi / 6)), 0.5f}, 0.0, -1.0},
        {"raised component, seat level", {0, 30, 0}, {0, -1, 0}, kPi / 6, 3 * kPi / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ArrayInstance instance;
        placeComponent(instance, 3, {1, 2, 3}, c.componentAngles);
        instance.seatPosition = {1 + c.seat[0], 2 + c.seat[1], 3 + c.seat[2]};
        const std::optional<SeatDirection> direction = seatDirection(instance, 3);
        ASSERT_TRUE(direction.has_value());
        EXPECT_NEAR(direction->polar, c.polar, 1e-6);
        if (c.azimuth >= 0.0) {
            EXPECT_NEAR(direction->azimuth, c.azimuth, 1e-6);
        }
        EXPECT_GE(direction->azimuth, 0.0);
        EXPECT_LT(direction->azimuth, 2 * kPi);
    }
}

TEST(SeatDirection, NoDirectionWithoutAFiniteSeparation) {
    struct Case {
        const char* name;
        Vec3 compPosition, compAngles, seat;
    };
    const Case cases[] = {
        {"seat on the component", {1, 2, 3}, {0, 0, 0}, {1, 2, 3}},
        {"seat position NaN", {0, 0, 0}, {0, 0, 0}, {kNaN, 0, 0}},
        {"seat at infinity", {0, 0, 0}, {0, 0, 0}, {0, -kInf, 0}},
        {"component angle NaN", {0, 0, 0}, {kNaN, 0, 0}, {0, -1, 0}},
        {"component angle infinite", {0, 0, 0}, {0, 0, -kInf}, {0, -1, 0}},
    };
    for (const Case& c : cases) {
        ArrayInstance instance;
        placeComponent(instance, 1, c.compPosition, c.compAngles);
        instance.seatPosition = c.seat;
        EXPECT_FALSE(seatDirection(instance, 1).has_value()) << c.name;
    }
}
