#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "model/response.h"
#include "module_fixture.h"
#include "response_reference.h"

namespace {

using Bands = std::array<float, KSR_BAND_COUNT>;

// A current instance holding boxCount boxes of one type, placed with its
// reference point at the origin.
void makeArray(int32_t boxCount, int32_t type, float gain = 0.0f) {
    const int32_t id = CI_GetFreeID();
    ASSERT_GT(id, 0);
    ASSERT_EQ(CI_MakeCurrent(id), 0);
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = boxCount;
    for (SetupRecordBox& box : record.boxes) box = {type, 0.0f, gain};
    ASSERT_EQ(IP_SetValue(1, &record), 0);
    const float origin[3] = {0, 0, 0};
    ASSERT_EQ(CI_SetLspkPosition3fv(origin), 0);
}

// The seat 10 m in front of component c, on its axis.
void seatInFrontOf(int32_t component) {
    float position[3];
    ASSERT_EQ(CI_GetCompPosition3fv(component, position), 0);
    position[1] -= 10.0f;
    ASSERT_EQ(CI_SetSeatPosition3fv(position), 0);
}

void setNoAirAbsorption(bool on) {
    const int32_t value = on ? 1 : 0;
    ASSERT_EQ(DLLSetFlag(1, &value), 0);
}

struct Response {
    Bands level, phase;
    float delay;
};

Response frequencyResponse(int32_t component) {
    Response r{};
    EXPECT_EQ(CI_GetCompFR(component, r.level.data(), r.phase.data(), &r.delay), 0) << component;
    return r;
}

}  // namespace

using ResponseExports = FreshModule;

TEST_F(ResponseExports, OnAxisWithAndWithoutAirAbsorption) {
    makeArray(4, 0);
    seatInFrontOf(3);
    setNoAirAbsorption(true);
    const Response dry = frequencyResponse(3);
    EXPECT_NEAR(dry.level[0], 108.03f, 1e-4f);
    EXPECT_NEAR(dry.level[12], 112.78f, 1e-4f);
    EXPECT_NEAR(dry.level[20], 117.05f, 1e-4f);
    for (float phase : dry.phase) EXPECT_EQ(phase, 0.0f);
    EXPECT_NEAR(dry.delay, 0.029155f, 1e-6f);

    setNoAirAbsorption(false);
    const Response wet = frequencyResponse(3);
    EXPECT_NEAR(wet.level[0], 108.028f, 0.0015f);
    EXPECT_NEAR(wet.level[10], 107.982f, 0.0015f);
    EXPECT_NEAR(wet.level[20], 115.683f, 0.0015f);
    EXPECT_EQ(wet.delay, dry.delay);
}

TEST_F(ResponseExports, FollowsTheAirTheHostSets) {
    makeArray(4, 6);
    seatInFrontOf(1);
    ksr::ArrayInstance& instance = *ksr::moduleState().current;
    const Response before = frequencyResponse(1);

    float humidity = 20.0f, temperature = 35.0f, pressure = 900.0f, speed = 50.0f;
    ASSERT_EQ(RP_SetValue(2, &humidity), 0);
    ASSERT_EQ(RP_SetValue(3, &temperature), 0);
    ASSERT_EQ(RP_SetValue(4, &pressure), 0);
    ASSERT_EQ(RP_SetValue(1, &speed), 0);  // clamped to 100 m/s
    const Response after = frequencyResponse(1);
    EXPECT_GT(std::abs(after.level[20] - before.level[20]), 0.5f);
    EXPECT_NEAR(after.delay, 0.1f, 1e-5f);

    const ksr::ComponentResponse reference =
        ksr_test::referenceResponse(instance, 1, ksr::moduleState().environment, true);
    for (int i = 0; i < KSR_BAND_COUNT; ++i) EXPECT_NEAR(after.level[i], reference.level[i], 0.001f) << i;
}

TEST_F(ResponseExports, ComponentNumbersAndArguments) {
    makeArray(5, 0);
    Response untouched{};
    untouched.level.fill(7.0f);
    untouched.phase.fill(7.0f);
    untouched.delay = 7.0f;
    for (int32_t c : {0, 6, 16, -1, INT32_MIN, INT32_MAX}) {
        Response r = untouched;
        EXPECT_EQ(CI_GetCompFR(c, r.level.data(), r.phase.data(), &r.delay), -1) << c;
        EXPECT_EQ(r.level, untouched.level);
        EXPECT_EQ(r.phase, untouched.phase);
        EXPECT_EQ(r.delay, 7.0f);
    }
    Response r = untouched;
    EXPECT_EQ(CI_GetCompFR(5, nullptr, r.phase.data(), &r.delay), -1);
    EXPECT_EQ(CI_GetCompFR(5, r.level.data(), nullptr, &r.delay), -1);
    EXPECT_EQ(CI_GetCompFR(5, r.level.data(), r.phase.data(), nullptr), -1);
    EXPECT_EQ(r.level, untouched.level);
    EXPECT_EQ(CI_GetCompFR(5, r.level.data(), r.phase.data(), &r.delay), 0);
}

TEST_F(ResponseExports, LevelAtOneMetreAnswersForAllSixteenPositions) {
    makeArray(4, 2, 1.5f);
    float level = -7.0f;
    EXPECT_EQ(CI_GetCompSPL1m(1, 13, &level), 0);
    EXPECT_NEAR(level, 131.78f, 1e-4f);
    EXPECT_EQ(CI_GetCompSPL1m(16, 13, &level), 0);  // beyond the count of 4
    EXPECT_NEAR(level, 131.78f, 1e-4f);

    Bands gain{}, phase{};
    gain.fill(-6.0f);
    ASSERT_EQ(IP_SetFilter(gain.data(), phase.data()), 0);
    EXPECT_EQ(CI_GetCompSPL1m(2, 1, &level), 0);
    EXPECT_NEAR(level, 128.03f - 1.5f - 6.0f, 1e-4f);

    level = -7.0f;
    for (auto [c, band] : {std::pair{0, 1}, {1, 22}, {1, 0}, {17, 1}, {-3, 5}, {4, INT32_MIN}}) {
        EXPECT_EQ(CI_GetCompSPL1m(c, band, &level), -1) << c << " " << band;
    }
    EXPECT_EQ(level, -7.0f);
    EXPECT_EQ(CI_GetCompSPL1m(1, 1, nullptr), -1);
}

TEST_F(ResponseExports, DirectivityIndex) {
    makeArray(4, 0);
    float value = -7.0f;
    EXPECT_EQ(CI_GetCompDirectivity(1, 21, &value), 0);
    EXPECT_FLOAT_EQ(value, 14.38f);

    value = -7.0f;
    for (auto [c, band] : {std::pair{1, 0}, {1, 22}, {1, -1}, {1, INT32_MAX}, {0, 21}, {5, 21}}) {
        EXPECT_EQ(CI_GetCompDirectivity(c, band, &value), -1) << c << " " << band;
    }
    EXPECT_EQ(value, -7.0f);
    EXPECT_EQ(CI_GetCompDirectivity(1, 21, nullptr), -1);

    ASSERT_EQ(CI_Release(), 0);
    makeArray(4, 9);
    EXPECT_EQ(CI_GetCompDirectivity(4, 21, &value), 0);
    EXPECT_EQ(value, 0.0f);
}

TEST_F(ResponseExports, NothingCurrent) {
    Response r{};
    r.delay = 7.0f;
    float value = 7.0f;
    EXPECT_EQ(CI_GetCompFR(1, r.level.data(), r.phase.data(), &r.delay), -1);
    EXPECT_EQ(CI_GetCompSPL1m(1, 1, &value), -1);
    EXPECT_EQ(CI_GetCompDirectivity(1, 1, &value), -1);
    EXPECT_EQ(r.delay, 7.0f);
    EXPECT_EQ(value, 7.0f);
    // The pulse queries accept anything and do nothing.
    EXPECT_EQ(CI_GetPulse(0, -1, 99), 0);
    EXPECT_EQ(CI_GetPulses(INT32_MIN, INT32_MAX), 0);
}

TEST_F(ResponseExports, NonFiniteHostValuesNeverLeaveTheTables) {
    makeArray(16, 0);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[][3] = {{nan, nan, nan}, {inf, -inf, inf}, {3e38f, -3e38f, 3e38f}, {0, 0, 0}};
    for (const auto& angles : values) {
        for (const auto& seat : values) {
            ASSERT_EQ(CI_SetLspkAngles3fv(angles), 0);
            ASSERT_EQ(CI_SetSeatPosition3fv(seat), 0);
            for (int32_t c = 1; c <= 16; ++c) {
                Response r{};
                ASSERT_EQ(CI_GetCompFR(c, r.level.data(), r.phase.data(), &r.delay), 0);
                for (float phase : r.phase) EXPECT_EQ(phase, 0.0f);
            }
        }
    }
}
