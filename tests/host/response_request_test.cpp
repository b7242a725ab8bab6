// A host's whole request, steps 1 to 9 without the dialog, through ksr.dll's
// exports by ordinal: the air, an instance and its design, the filter, the
// placement of array and seat, every component's response and the outline.

#include <array>
#include <cmath>
#include <vector>

#include "host_module.h"

namespace {

using namespace ksr::ordinals;

const HostModule& m() { return hostModule(); }

using Vec = std::array<float, 3>;
using Bands = std::array<float, KSR_BAND_COUNT>;

Vec componentPosition(int32_t c) {
    Vec out{};
    EXPECT_EQ(m().call<int32_t>(kCI_GetCompPosition3fv, c, out.data()), 0) << c;
    return out;
}

void setFlagOne(int32_t value) { EXPECT_EQ(m().call<int32_t>(kDLLSetFlag, int32_t{1}, &value), 0); }

struct Response {
    Bands level{}, phase{};
    float delay = 0.0f;
};

Response responseOf(int32_t c) {
    Response r;
    EXPECT_EQ(m().call<int32_t>(kCI_GetCompFR, c, r.level.data(), r.phase.data(), &r.delay), 0) << c;
    return r;
}

}  // namespace

TEST(ResponseRequest, WholeRequestWithoutTheDialog) {
    // (1) What the module is.
    const char* name = nullptr;
    ASSERT_EQ(m().call<int32_t>(kDLLGetName, &name), 0);
    EXPECT_STREQ(name, "KSR Array");
    EXPECT_EQ(m().call<int32_t>(kDLLGetCaps, int32_t{1}), -1);
    std::array<int32_t, KSR_BAND_COUNT> valid{};
    EXPECT_EQ(m().call<int32_t>(kDLLGetValidBands, valid.data()), 0);
    for (int32_t v : valid) EXPECT_EQ(v, -1);

    // (2) The air: 343 m/s, 60 %, 20 degrees Celsius, 1013 hPa.
    const float air[] = {343.0f, 60.0f, 20.0f, 1013.0f};
    for (int32_t index = 1; index <= 4; ++index) {
        float value = air[index - 1];
        EXPECT_EQ(m().call<int32_t>(kRP_SetValue, index, &value), 0);
    }

    // (3) A new instance holding the default design, made current.
    const int32_t id = m().call<int32_t>(kCI_GetFreeID);
    ASSERT_GE(id, 1);
    ASSERT_EQ(m().call<int32_t>(kCI_MakeCurrent, id), 0);
    ASSERT_EQ(m().call<int32_t>(kCI_GetComponents), 4);

    // The default design placed at the origin: four boxes of type 5 straight
    // down.
    const Vec origin{0, 0, 0};
    ASSERT_EQ(m().call<int32_t>(kCI_SetLspkPosition3fv, origin.data()), 0);
    const float defaultZ[] = {-0.12994f, -0.38994f, -0.64994f, -0.90994f};
    for (int32_t c = 1; c <= 4; ++c) {
        const Vec p = componentPosition(c);
        EXPECT_NEAR(p[0], 0.0f, 1e-6f);
        EXPECT_NEAR(p[1], 0.05423f, 1e-5f);
        EXPECT_NEAR(p[2], defaultZ[c - 1], 1e-5f);
    }

    // (4) The record version, then an eight-box KSR516 design in a curve.
    SetupRecord record{};
    ASSERT_EQ(m().call<int32_t>(kIP_GetValue, int32_t{1}, &record), 0);
    ASSERT_EQ(record.version, 52);
    record.boxCount = 8;
    record.gridElevation = 0.0f;
    record.hostValue = 1;
    for (int i = 0; i < KSR_MAX_COMPONENTS; ++i) record.boxes[i] = {0, -2.0f * static_cast<float>(i), 0.0f};
    record.boxes[7].boxGain = 3.0f;
    record.groundStacked = 0;
    ASSERT_EQ(m().call<int32_t>(kIP_SetValue, int32_t{1}, &record), 0);
    ASSERT_EQ(m().call<int32_t>(kCI_GetComponents), 8);

    // (5) A flat filter.
    Bands gain{}, phase{};
    ASSERT_EQ(m().call<int32_t>(kIP_SetFilter, gain.data(), phase.data()), 0);

    // (6) The array 10 m up, facing host -y.
    const Vec flown{0, 0, 10};
    ASSERT_EQ(m().call<int32_t>(kCI_SetLspkPosition3fv, flown.data()), 0);
    ASSERT_EQ(m().call<int32_t>(kCI_SetLspkAngles3fv, origin.data()), 0);
    Vec angles{};
    ASSERT_EQ(m().call<int32_t>(kCI_GetCompAngles3fv, int32_t{5}, angles.data()), 0);
    EXPECT_NEAR(angles[1], -8.0f, 1e-4f);  // box 5 aims 8 degrees down

    // (7) The seat 10 m in front of component 1, on its axis.
    const Vec first = componentPosition(1);
    const Vec seat{first[0], first[1] - 10.0f, first[2]};
    ASSERT_EQ(m().call<int32_t>(kCI_SetSeatPosition3fv, seat.data()), 0);
    ASSERT_EQ(m().call<int32_t>(kCI_SetSeatAngles3fv, origin.data()), 0);
    const float toArray = m().call<float>(kCI_GetDistance);
    EXPECT_NEAR(toArray, std::hypot(10.0f - 0.05423f, 0.12994f), 1e-4f);

    // (8) Every component's response. Component 1 hears the seat on axis at
    // 10 m: the level at 1 m less 20 dB and the air's loss.
    setFlagOne(0);
    const Response onAxis = responseOf(1);
    EXPECT_NEAR(onAxis.level[0], 108.028f, 0.0015f);
    EXPECT_NEAR(onAxis.level[10], 107.982f, 0.0015f);
    EXPECT_NEAR(onAxis.level[12], 112.708f, 0.0015f);
    EXPECT_NEAR(onAxis.level[13], 116.957f, 0.0015f);
    EXPECT_NEAR(onAxis.level[20], 115.683f, 0.0015f);
    for (float p : onAxis.phase) EXPECT_EQ(p, 0.0f);
    EXPECT_NEAR(onAxis.delay, 0.029155f, 1e-6f);

    setFlagOne(1);
    const Response noAir = responseOf(1);
    EXPECT_NEAR(noAir.level[0], 108.03f, 1e-4f);
    EXPECT_NEAR(noAir.level[12], 112.78f, 1e-4f);
    EXPECT_NEAR(noAir.level[20], 117.05f, 1e-4f);
    setFlagOne(0);

    const int32_t count = m().call<int32_t>(kCI_GetComponents);
    for (int32_t c = 1; c <= count; ++c) {
        const Response r = responseOf(c);
        const float distance = m().call<float>(kCI_GetCompDistance, c);
        EXPECT_NEAR(r.delay, distance / 343.0f, 1e-6f) << c;
        for (int32_t i = 0; i < KSR_BAND_COUNT; ++i) EXPECT_TRUE(std::isfinite(r.level[i])) << c << " band " << i + 1;
    }
    // The lowest box aims 14 degrees down, away from a seat level with the
    // top one; at 10 kHz it is heard well below component 1.
    EXPECT_LT(responseOf(8).level[20], onAxis.level[20] - 10.0f);

    float level = 0.0f;
    EXPECT_EQ(m().call<int32_t>(kCI_GetCompSPL1m, int32_t{8}, int32_t{1}, &level), 0);
    EXPECT_NEAR(level, 128.03f - 3.0f, 1e-4f);
    EXPECT_EQ(m().call<int32_t>(kCI_GetCompDirectivity, int32_t{1}, int32_t{21}, &level), 0);
    EXPECT_FLOAT_EQ(level, 14.38f);
    EXPECT_EQ(m().call<int32_t>(kCI_GetCompDirectivity, int32_t{1}, int32_t{22}, &level), -1);
    EXPECT_EQ(m().call<int32_t>(kCI_GetCompFR, int32_t{9}, gain.data(), phase.data(), &level), -1);
    EXPECT_EQ(m().call<int32_t>(kCI_GetPulse, int32_t{1}, int32_t{2}, int32_t{3}), 0);
    EXPECT_EQ(m().call<int32_t>(kCI_GetPulses, int32_t{1}, int32_t{2}), 0);

    // (9) The outline to draw, then the release.
    int32_t symmetric = 0, other = 5;
    EXPECT_EQ(m().call<int32_t>(kCS_GetSymmetry, &symmetric, &other), 0);
    EXPECT_EQ(symmetric, -1);
    EXPECT_EQ(other, 0);
    int32_t vertexCount = 0, edgeCount = 0;
    ASSERT_EQ(m().call<int32_t>(kCS_GetVertexNumber, &vertexCount), 0);
    ASSERT_EQ(m().call<int32_t>(kCS_GetEdgeNumber, &edgeCount), 0);
    ASSERT_EQ(vertexCount, 32);
    ASSERT_EQ(edgeCount, 64);
    std::vector<CaseVertex> vertices(vertexCount, CaseVertex{0, 0, 0, 0, 0x1234});
    std::vector<CaseEdge> edges(edgeCount, CaseEdge{9, 9, 9, 0x1234});
    ASSERT_EQ(m().call<int32_t>(kCS_GetVertexArray, vertices.data()), 0);
    ASSERT_EQ(m().call<int32_t>(kCS_GetEdgeArray, edges.data()), 0);
    EXPECT_EQ(vertices[0].one, 1);
    EXPECT_FLOAT_EQ(vertices[0].x, 0.36f);
    EXPECT_NEAR(vertices[3].y, 0.05423f, 1e-5f);  // front top of box 1, array-local
    EXPECT_NEAR(vertices[3].z, -0.12994f + 0.13f, 1e-5f);
    EXPECT_EQ(vertices[31].hostWord, 0x1234);
    EXPECT_EQ(edges[63].kind, 1);
    EXPECT_EQ(edges[63].first, 32);
    EXPECT_EQ(edges[63].second, 29);
    EXPECT_EQ(edges[56].second, -29);
    EXPECT_EQ(edges[0].hostWord, 0x1234);

    EXPECT_EQ(m().call<int32_t>(kCI_Release), 0);
    EXPECT_EQ(m().call<int32_t>(kCI_Release), -1);
    EXPECT_EQ(m().call<float>(kCI_GetDistance), -1.0f);
}
