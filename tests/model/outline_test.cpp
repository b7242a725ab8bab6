#include <gtest/gtest.h>

#include <cmath>

#include "model/geometry.h"
#include "model/outline.h"
#include "model/rotation.h"

using namespace ksr;

namespace {

void expectVecNear(const Vec3& actual, const Vec3& expected, float tolerance) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "coordinate " << i;
}

}  // namespace

TEST(Outline, UntiltedPanelsByBoxType) {
    struct Case {
        int32_t type;
        std::array<Vec3, 4> points;  // before the move to the reference point
    };
    const Case cases[] = {
        {0, {{{0.36f, 0.37f, 0.09f}, {0.36f, 0.37f, -0.09f}, {0.36f, 0.0f, -0.13f}, {0.36f, 0.0f, 0.13f}}}},
        {7, {{{0.36f, 0.37f, 0.09f}, {0.36f, 0.37f, -0.09f}, {0.36f, 0.0f, -0.13f}, {0.36f, 0.0f, 0.13f}}}},
        {8, {{{0.36f, 0.38f, 0.25f}, {0.36f, 0.38f, -0.25f}, {0.36f, 0.0f, -0.25f}, {0.36f, 0.0f, 0.25f}}}},
        {9, {{{0.36f, 0.68f, 0.25f}, {0.36f, 0.68f, -0.25f}, {0.36f, 0.0f, -0.25f}, {0.36f, 0.0f, 0.25f}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        BoxPlacement box;
        box.type = c.type;
        box.localPosition = {0.0f, 0.05423f, -0.38994f};
        const auto corners = boxOutline(box);
        for (int n = 0; n < 4; ++n) {
            const Vec3 expected{c.points[n][0], c.points[n][1] + 0.05423f, c.points[n][2] - 0.38994f};
            expectVecNear(corners[n], expected, 1e-6f);
        }
    }
}

TEST(Outline, DefaultDesignBoxesStackDownTheArray) {
    ArrayGeometry geometry;
    resetDesign(geometry);
    const auto top = boxOutline(geometry.box[0]);
    expectVecNear(top[0], {0.36f, 0.05423f + 0.37f, -0.12994f + 0.09f}, 1e-5f);
    expectVecNear(top[3], {0.36f, 0.05423f, -0.12994f + 0.13f}, 1e-5f);
    // Straight boxes touch: the bottom front corner of one is the top front
    // corner of the next.
    for (int k = 0; k + 1 < 4; ++k) {
        expectVecNear(boxOutline(geometry.box[k])[2], boxOutline(geometry.box[k + 1])[3], 1e-5f);
    }
}

TEST(Outline, TiltedLargeCabinetTurnsAboutX) {
    BoxPlacement box;
    box.type = 9;
    box.localAngles = {0.0f, 90.0f, 0.0f};
    box.localPosition = {0.0f, 0.0f, 0.0f};
    expectVecNear(boxOutline(box)[0], {0.36f, 0.25f, -0.68f}, 1e-6f);
    box.localPosition = {0.0f, 1.0f, -2.0f};
    expectVecNear(boxOutline(box)[0], {0.36f, 1.25f, -2.68f}, 1e-6f);
}

TEST(Outline, PanelFrontStaysSquareToTheBoxAim) {
    ArraySetup setup = defaultSetup();
    setup.boxType = {0, 2, 8, 9, 4, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    setup.boxElevation = {12.0f, 7.0f, 3.0f, -2.0f, -9.0f, -20.0f};
    ArrayGeometry geometry;
    applyDesign(setup, geometry);
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        const auto corners = boxOutline(geometry.box[k]);
        const Vec3d aim = rotationFromAngles(geometry.box[k].localAngles) * Vec3d{0.0, -1.0, 0.0};
        const Vec3d front{0.0, double(corners[3][1]) - corners[2][1], double(corners[3][2]) - corners[2][2]};
        EXPECT_NEAR(front[1] * aim[1] + front[2] * aim[2], 0.0, 1e-6);
        EXPECT_GT(front[2], 0.0);  // point 4 is the upper front corner
        // The back lies behind the front, against the aim.
        const double depth = (double(corners[0][1]) - corners[3][1]) * aim[1] + (double(corners[0][2]) - corners[3][2]) * aim[2];
        EXPECT_LT(depth, 0.0);
    }
}

TEST(Outline, EdgesRingThePanelAndJoinTheMirrorCorners) {
    const std::array<OutlineEdge, 8> first = boxEdges(0);
    const OutlineEdge expected[8] = {{0, 1, -1}, {0, 2, -2}, {0, 3, -3}, {0, 4, -4},
                                     {1, 1, 2},  {1, 2, 3},  {1, 3, 4},  {1, 4, 1}};
    for (int e = 0; e < 8; ++e) {
        EXPECT_EQ(first[e].kind, expected[e].kind) << e;
        EXPECT_EQ(first[e].first, expected[e].first) << e;
        EXPECT_EQ(first[e].second, expected[e].second) << e;
    }
    const std::array<OutlineEdge, 8> second = boxEdges(1);
    EXPECT_EQ(second[0].first, 5);
    EXPECT_EQ(second[0].second, -5);
    EXPECT_EQ(second[7].first, 8);
    EXPECT_EQ(second[7].second, 5);
    const std::array<OutlineEdge, 8> last = boxEdges(15);
    EXPECT_EQ(last[6].first, 63);
    EXPECT_EQ(last[6].second, 64);
}
