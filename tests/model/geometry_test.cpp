#include <gtest/gtest.h>

#include <cstdint>

#include "model/geometry.h"

using namespace ksr;

namespace {

constexpr float kTol = 1e-5f;

ArrayGeometry laidOut(ArraySetup setup) {
    ArrayGeometry geometry;
    applyDesign(setup, geometry);
    return geometry;
}

}  // namespace

TEST(Geometry, DefaultDesignHangsFourBoxesStraightDown) {
    ArrayGeometry geometry;
    resetDesign(geometry);
    EXPECT_EQ(geometry.design.boxCount, 4);
    EXPECT_EQ(geometry.design.hostValue, 1);
    const float expectedZ[] = {-0.12994f, -0.38994f, -0.64994f, -0.90994f};
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(geometry.box[j].type, 5);
        EXPECT_EQ(geometry.box[j].localPosition[0], 0.0f);
        EXPECT_NEAR(geometry.box[j].localPosition[1], 0.05423f, kTol);
        EXPECT_NEAR(geometry.box[j].localPosition[2], expectedZ[j], kTol);
        EXPECT_EQ(geometry.box[j].localAngles, (Vec3{0.0f, 0.0f, 0.0f}));
    }
    // Boxes past the count are laid out too.
    EXPECT_NEAR(geometry.box[15].localPosition[2], -0.26f * 15 - 0.12994f, 1e-4f);
}

TEST(Geometry, FirstBoxTiltedUpTenDegrees) {
    ArraySetup setup = defaultSetup();
    setup.boxType.fill(0);
    setup.boxElevation.fill(10.0f);
    const ArrayGeometry geometry = laidOut(setup);
    EXPECT_NEAR(geometry.box[0].localPosition[1], 0.03084f, kTol);
    EXPECT_NEAR(geometry.box[0].localPosition[2], -0.13738f, kTol);
    EXPECT_FLOAT_EQ(geometry.box[0].localAngles[1], 10.0f);
    // The next box hangs from the point L further down the tilted axis:
    // its reference point sits at the same offset from it as box 0's.
    const float dy = geometry.box[1].localPosition[1] - geometry.box[0].localPosition[1];
    const float dz = geometry.box[1].localPosition[2] - geometry.box[0].localPosition[2];
    EXPECT_NEAR(dy, -0.04515f, kTol);
    EXPECT_NEAR(dz, -0.25605f, kTol);
}

TEST(Geometry, UniformTiltTurnsTheWholeLine) {
    for (float e : {-7.0f, 3.0f, 25.0f}) {
        ArraySetup setup = defaultSetup();
        setup.gridElevation = 2.0f;
        setup.boxElevation.fill(2.0f + e);
        const ArrayGeometry geometry = laidOut(setup);
        for (int j = 0; j < kMaxBoxes; ++j) EXPECT_NEAR(geometry.box[j].localAngles[1], e, 1e-4f);
        // Reference points lie on one line turned by e: constant step.
        for (int j = 1; j + 1 < kMaxBoxes; ++j) {
            EXPECT_NEAR(geometry.box[j + 1].localPosition[1] - geometry.box[j].localPosition[1],
                        geometry.box[1].localPosition[1] - geometry.box[0].localPosition[1], 1e-4f);
            EXPECT_NEAR(geometry.box[j + 1].localPosition[2] - geometry.box[j].localPosition[2],
                        geometry.box[1].localPosition[2] - geometry.box[0].localPosition[2], 1e-4f);
        }
    }
}

TEST(Geometry, UnknownTypesTakeTheTypeAboveAndAreWrittenBack) {
    ArraySetup setup = defaultSetup();
    setup.boxType = {42, 0, 2, 2, -3, 7, 1000, 8, 9, 10, 0, 0, 0, 0, 0, 0};
    ArrayGeometry geometry;
    applyDesign(setup, geometry);
    const int32_t expected[] = {5, 0, 2, 2, 2, 7, 7, 8, 9, 9, 0, 0, 0, 0, 0, 0};
    for (int j = 0; j < kMaxBoxes; ++j) {
        EXPECT_EQ(geometry.box[j].type, expected[j]) << j;
        EXPECT_EQ(geometry.design.boxType[j], expected[j]) << j;
        EXPECT_EQ(setup.boxType[j], expected[j]) << j;
    }
}

TEST(Geometry, LargeCabinetsUseTheLongChain) {
    ArraySetup setup = defaultSetup();
    setup.boxType = {8, 8, 0, 0};
    const ArrayGeometry geometry = laidOut(setup);
    // Box 2 hangs from z = -1.0; its reference point is 0.12994 lower.
    EXPECT_NEAR(geometry.box[2].localPosition[2], -1.12994f, kTol);
    EXPECT_NEAR(geometry.box[0].localPosition[1], 0.06469f, kTol);
    EXPECT_NEAR(geometry.box[0].localPosition[2], -0.24148f, kTol);
}

TEST(Geometry, CountAnglesAndGainsAreStoredAsReceived) {
    ArraySetup setup = defaultSetup();
    setup.boxCount = 40;
    setup.hostValue = -7;
    setup.groundStacked = 1;
    setup.boxGain[3] = 2.5f;
    const ArrayGeometry geometry = laidOut(setup);
    EXPECT_EQ(geometry.design.boxCount, 40);
    EXPECT_EQ(geometry.design.hostValue, -7);
    EXPECT_EQ(geometry.design.groundStacked, 1);
    EXPECT_EQ(geometry.box[3].gain, 2.5f);
    EXPECT_EQ(geometry.design.boxGain[3], 2.5f);
}

TEST(Geometry, BoxCountsAreBroughtIntoFourToSixteen) {
    struct Case {
        int32_t given, kept;
    };
    for (const Case c : {Case{INT32_MIN, 4}, {-1, 4}, {0, 4}, {3, 4}, {4, 4}, {9, 9}, {16, 16}, {17, 16},
                         {INT32_MAX, 16}}) {
        EXPECT_EQ(clampBoxCount(c.given), c.kept) << c.given;
    }
}
