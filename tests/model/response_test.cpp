#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <limits>
#include <numbers>

#include "model/catalogue.h"
#include "model/geometry.h"
#include "model/model_data.h"
#include "model/response.h"
#include "response_reference.h"

using namespace ksr;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kWorkedTolerance = 0.005f;  // dB: the worked values carry two or three decimals
constexpr float kOracleTolerance = 0.001f;  // dB: shipped path against the step-by-step one

// One unrotated component of the given type at the origin, gain 0, filter
// all zero; the seat is placed by each test.
ArrayInstance singleComponent(int32_t type) {
    ArrayInstance instance;
    resetDesign(instance.geometry);
    instance.geometry.box[0].type = type;
    return instance;
}

// One cache for the whole program, as the module keeps one: every test
// also checks that what an earlier one left in it does no harm.
ResponseCache& sharedCache() {
    static const std::unique_ptr<ResponseCache> cache = std::make_unique<ResponseCache>();
    return *cache;
}

ComponentResponse responseOf(const ArrayInstance& instance, bool airAbsorption = false,
                             const Environment& air = Environment{}) {
    ComponentResponse response;
    componentResponse(instance, 1, air, airAbsorption, sharedCache(), response);
    return response;
}

// A seat 10 m from the origin at polar angle theta from the main axis (-y)
// and azimuth phi from +x towards +z, both in degrees.
Vec3 seatAt(double thetaDegrees, double phiDegrees, double distance = 10.0) {
    const double t = thetaDegrees * kPi / 180.0;
    const double f = phiDegrees * kPi / 180.0;
    return {static_cast<float>(distance * std::sin(t) * std::cos(f)), static_cast<float>(-distance * std::cos(t)),
            static_cast<float>(distance * std::sin(t) * std::sin(f))};
}

// On axis at 10 m without air: the level at 1 m less 20 dB.
float onAxisAt10m(int32_t type, int32_t band) { return boxLevelAt1m(type, band) - 20.0f; }

}  // namespace

TEST(ComponentResponse, OnAxisAtTenMetres) {
    ArrayInstance instance = singleComponent(0);
    instance.seatPosition = {0, -10, 0};
    const ComponentResponse r = responseOf(instance);
    for (int32_t band = 1; band <= kBandCount; ++band) {
        const float expected = band <= 12 ? 108.03f : band == 13 ? 112.78f : 117.05f;
        EXPECT_NEAR(r.level[band - 1], expected, 1e-4f) << "band " << band;
        EXPECT_EQ(r.phase[band - 1], 0.0f);
    }
    EXPECT_NEAR(r.delay, 0.029155f, 1e-6f);
}

TEST(ComponentResponse, OnAxisForEveryBoxType) {
    for (int32_t type = 0; type <= 9; ++type) {
        ArrayInstance instance = singleComponent(type);
        instance.seatPosition = {0, -10, 0};
        const ComponentResponse r = responseOf(instance);
        for (int32_t band = 1; band <= kBandCount; ++band) {
            // Types 8 and 9 carry no data: level 0 and a 200 dB balloon.
            const float expected = isLineBox(type) ? onAxisAt10m(type, band) : -220.0f;
            EXPECT_NEAR(r.level[band - 1], expected, 1e-4f) << "type " << type << " band " << band;
        }
    }
}

TEST(ComponentResponse, AirAbsorptionOverTenMetres) {
    ArrayInstance instance = singleComponent(0);
    instance.seatPosition = {0, -10, 0};
    const ComponentResponse r = responseOf(instance, true);
    const std::pair<int32_t, float> expected[] = {
        {1, 108.028f}, {11, 107.982f}, {13, 112.708f}, {14, 116.957f}, {21, 115.683f}};
    for (auto [band, level] : expected) EXPECT_NEAR(r.level[band - 1], level, 0.0015f) << "band " << band;

    // Warmer, drier or thinner air absorbs differently; the response follows.
    Environment dry;
    dry.humidity = 20.0f;
    const ComponentResponse inDryAir = responseOf(instance, true, dry);
    EXPECT_LT(inDryAir.level[20], r.level[20] - 1.0f);
    EXPECT_EQ(responseOf(instance, true).level, r.level);
}

TEST(ComponentResponse, SpreadingCountsATenthOfAMetreAtLeast) {
    struct Case {
        Vec3 seat;
        float band1, delay;
    };
    const Case cases[] = {
        {{0, -0.05f, 0}, 148.03f, 0.000146f},
        {{0, -0.1f, 0}, 148.03f, 0.000292f},
        {{0, -1, 0}, 128.03f, 0.002915f},
        {{0, -100, 0}, 88.03f, 0.2915452f},
    };
    for (const Case& c : cases) {
        ArrayInstance instance = singleComponent(0);
        instance.seatPosition = c.seat;
        const ComponentResponse r = responseOf(instance);
        EXPECT_NEAR(r.level[0], c.band1, 1e-4f) << c.seat[1];
        EXPECT_NEAR(r.delay, c.delay, 1e-6f) << c.seat[1];
    }
}

TEST(ComponentResponse, GainAndFilter) {
    ArrayInstance instance = singleComponent(0);
    instance.seatPosition = {0, -10, 0};
    instance.geometry.box[0].gain = 3.0f;
    instance.filterGain.fill(-6.0f);
    instance.filterPhase.fill(180.0f);
    const ComponentResponse r = responseOf(instance);
    EXPECT_NEAR(r.level[0], 99.03f, 1e-4f);
    for (float phase : r.phase) EXPECT_FLOAT_EQ(phase, static_cast<float>(-kPi));

    // Filter phases in degrees come out as radians in [-pi, pi).
    const std::pair<float, double> phases[] = {{90.0f, kPi / 2}, {-90.0f, -kPi / 2}, {-180.0f, -kPi}, {45.0f, kPi / 4}};
    for (auto [degrees, radians] : phases) {
        instance.filterPhase.fill(degrees);
        EXPECT_NEAR(responseOf(instance).phase[4], radians, 1e-6) << degrees;
    }
}

TEST(ComponentResponse, OffAxis) {
    struct Case {
        const char* name;
        double theta, phi;
        float band21;
    };
    const Case cases[] = {
        {"30 degrees above", 30.0, 90.0, 101.99f},
        {"30 degrees to the +x side", 30.0, 0.0, 116.45f},
        {"2.5 degrees to the side", 2.5, 0.0, 117.06f},
    };
    for (const Case& c : cases) {
        ArrayInstance instance = singleComponent(0);
        instance.seatPosition = seatAt(c.theta, c.phi);
        EXPECT_NEAR(responseOf(instance).level[20], c.band21, kWorkedTolerance) << c.name;
    }

    // Halfway between two polar rows every band takes the mean of both.
    ArrayInstance instance = singleComponent(0);
    instance.seatPosition = seatAt(2.5, 0.0);
    const ComponentResponse r = responseOf(instance);
    for (int32_t band = 1; band <= kBandCount; ++band) {
        const float mean = 0.5f * (boxBalloonValue(0, band, 0, 0) + boxBalloonValue(0, band, 1, 0));
        EXPECT_NEAR(r.level[band - 1], onAxisAt10m(0, band) - mean, 1e-3f) << "band " << band;
    }
}

TEST(ComponentResponse, DirectionIsTakenInTheComponentFrame) {
    ArrayInstance turned = singleComponent(0);
    placeComponent(turned, 1, {0, 0, 0}, {90, 0, 0});  // aims along +x
    turned.seatPosition = {10, 0, 0};
    ArrayInstance straight = singleComponent(0);
    straight.seatPosition = {0, -10, 0};
    const ComponentResponse a = responseOf(turned);
    const ComponentResponse b = responseOf(straight);
    for (int32_t i = 0; i < kBandCount; ++i) EXPECT_NEAR(a.level[i], b.level[i], 1e-4f) << i;

    // Raised by 30 degrees, the component hears a level seat 30 degrees
    // below its axis.
    ArrayInstance raised = singleComponent(0);
    placeComponent(raised, 1, {0, 0, 0}, {0, 30, 0});
    raised.seatPosition = {0, -10, 0};
    ArrayInstance below = singleComponent(0);
    below.seatPosition = seatAt(30.0, 270.0);
    EXPECT_NEAR(responseOf(raised).level[20], responseOf(below).level[20], 1e-3f);
}

TEST(ComponentResponse, NoDirectionCountsAsOnAxis) {
    // The seat on the component: spreading counts 0.1 m, no delay, on axis.
    ArrayInstance onTop = singleComponent(0);
    const ComponentResponse r = responseOf(onTop, true);
    for (int32_t band = 1; band <= kBandCount; ++band) {
        EXPECT_NEAR(r.level[band - 1], boxLevelAt1m(0, band) + 20.0f, 1e-4f) << band;
    }
    EXPECT_EQ(r.delay, 0.0f);

    // Angles that are not finite leave no direction either: on axis, with
    // the distance and its losses as usual.
    for (const Vec3& angles : {Vec3{kInf, 0, 0}, Vec3{0, kNaN, 0}, Vec3{0, 0, -kInf}}) {
        ArrayInstance instance = singleComponent(0);
        placeComponent(instance, 1, {0, 0, 0}, angles);
        instance.seatPosition = {3, -7, 2};
        const ComponentResponse broken = responseOf(instance);
        for (int32_t band = 1; band <= kBandCount; ++band) {
            EXPECT_NEAR(broken.level[band - 1], boxLevelAt1m(0, band) - 20.0f * std::log10(std::sqrt(62.0f)), 1e-4f);
        }
    }

    // A seat that is not finite: levels follow the distance (NaN or -inf),
    // nothing is read outside the data.
    for (const Vec3& seat : {Vec3{kNaN, 0, 0}, Vec3{0, -kInf, 0}, Vec3{3e38f, 3e38f, -3e38f}}) {
        ArrayInstance instance = singleComponent(0);
        instance.seatPosition = seat;
        const ComponentResponse far = responseOf(instance, true);
        EXPECT_FALSE(far.level[0] > 0.0f);
        for (float phase : far.phase) EXPECT_EQ(phase, 0.0f);
    }
}

TEST(BalloonCell, StaysInsideTheGrid) {
    struct Case {
        const char* name;
        std::optional<SeatDirection> direction;
        int32_t polar0, polar1, azimuth0, azimuth1;  // azimuth -1: any, in the grid
    };
    const Case cases[] = {
        {"no direction", std::nullopt, 0, 1, 0, 1},
        {"on axis", SeatDirection{0.0, 0.0}, 0, 1, 0, 1},
        {"straight behind", SeatDirection{kPi, 0.0}, 36, 36, 0, 1},
        {"just below a full turn", SeatDirection{kPi / 2, 2 * kPi - 1e-12}, 18, 19, 0, 1},
        {"355 degrees leans to 0", SeatDirection{kPi / 2, 357.0 * kPi / 180}, 18, 19, 71, 0},
        {"NaN", SeatDirection{std::nan(""), std::nan("")}, 0, 1, 0, 1},
        {"infinite", SeatDirection{HUGE_VAL, -HUGE_VAL}, 36, 36, -1, -1},
        {"huge", SeatDirection{1e300, 1e300}, 36, 36, -1, -1},
        {"negative", SeatDirection{-1.0, -1.0}, 0, 1, 61, 62},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BalloonCell cell = balloonCell(c.direction);
        EXPECT_EQ(cell.polar0, c.polar0);
        EXPECT_EQ(cell.polar1, c.polar1);
        if (c.azimuth0 >= 0) {
            EXPECT_EQ(cell.azimuth0, c.azimuth0);
            EXPECT_EQ(cell.azimuth1, c.azimuth1);
        }
        EXPECT_GE(cell.azimuth0, 0);
        EXPECT_LT(cell.azimuth0, kAzimuthSteps);
        EXPECT_EQ(cell.azimuth1, (cell.azimuth0 + 1) % kAzimuthSteps);
        EXPECT_GE(cell.polarWeight, 0.0);
        EXPECT_LE(cell.polarWeight, 1.0);
        EXPECT_GE(cell.azimuthWeight, 0.0);
        EXPECT_LE(cell.azimuthWeight, 1.0);
    }
    EXPECT_NEAR(balloonCell(SeatDirection{12.5 * kPi / 180, 47.5 * kPi / 180}).polarWeight, 0.5, 1e-4);
    EXPECT_NEAR(balloonCell(SeatDirection{12.5 * kPi / 180, 47.5 * kPi / 180}).azimuthWeight, 0.5, 1e-4);
}

TEST(ComponentResponse, MatchesTheStepByStepEvaluation) {
    // A 16-box array of every line type and the two large cabinets, tilted
    // and hung from a turned grid, heard from seats all around it in three
    // airs: the shipped path keeps its coefficients across calls and must
    // follow each change of air.
    ArrayInstance instance;
    ArraySetup setup = defaultSetup();
    setup.boxCount = 16;
    setup.gridElevation = -4.0f;
    for (int32_t j = 0; j < kMaxBoxes; ++j) {
        setup.boxType[j] = j % 10;
        setup.boxElevation[j] = -4.0f - 1.5f * static_cast<float>(j);
        setup.boxGain[j] = 0.25f * static_cast<float>(j % 5);
    }
    applyDesign(setup, instance.geometry);
    instance.lspkPosition = {2.0f, 3.0f, 12.0f};
    instance.lspkAngles = {25.0f, -4.0f, 1.0f};
    placeComponents(instance);
    for (int32_t i = 0; i < kBandCount; ++i) {
        instance.filterGain[i] = -0.5f * static_cast<float>(i);
        instance.filterPhase[i] = -170.0f + 17.0f * static_cast<float>(i);
    }

    Environment hot;
    hot.airTemperature = 38.0f;
    hot.humidity = 25.0f;
    hot.airPressure = 950.0f;
    Environment cold;
    cold.airTemperature = -15.0f;
    cold.humidity = 90.0f;
    cold.speedOfSound = 320.0f;
    int checked = 0;
    for (const Environment& air : {Environment{}, hot, cold, Environment{}}) {
        for (bool absorption : {true, false}) {
            for (float x = -40.0f; x <= 40.0f; x += 16.0f) {
                for (float y = -60.0f; y <= 20.0f; y += 16.0f) {
                    for (float z = -2.0f; z <= 20.0f; z += 11.0f) {
                        instance.seatPosition = {x, y, z};
                        for (int32_t c = 1; c <= kMaxBoxes; ++c) {
                            ComponentResponse fast;
                            componentResponse(instance, c, air, absorption, sharedCache(), fast);
                            const ComponentResponse reference =
                                ksr_test::referenceResponse(instance, c, air, absorption);
                            for (int32_t i = 0; i < kBandCount; ++i) {
                                ASSERT_NEAR(fast.level[i], reference.level[i], kOracleTolerance)
                                    << "component " << c << " band " << i + 1 << " seat " << x << "," << y << "," << z;
                                ASSERT_NEAR(fast.phase[i], reference.phase[i], 1e-6f);
                            }
                            ASSERT_NEAR(fast.delay, reference.delay, 1e-7f);
                            ++checked;
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(checked, 4 * 2 * 6 * 6 * 3 * 16);
}

TEST(ComponentLevelAndDirectivity, PerBoxPosition) {
    ArrayInstance instance = singleComponent(2);
    instance.geometry.box[0].gain = 1.5f;
    EXPECT_NEAR(componentLevelAt1m(instance, 1, 13), 131.78f, 1e-4f);
    instance.filterGain[12] = -10.0f;
    EXPECT_NEAR(componentLevelAt1m(instance, 1, 13), 121.78f, 1e-4f);
    EXPECT_NEAR(componentLevelAt1m(instance, 1, 1), 126.53f, 1e-4f);

    const std::tuple<int32_t, int32_t, float> directivity[] = {
        {0, 21, 14.38f}, {0, 1, 0.93f}, {3, 14, 12.80f}, {5, 11, 8.70f}, {7, 21, 16.19f}, {8, 21, 0.0f}, {9, 5, 0.0f}};
    for (auto [type, band, index] : directivity) {
        instance.geometry.box[0].type = type;
        EXPECT_FLOAT_EQ(componentDirectivity(instance, 1, band), index) << "type " << type << " band " << band;
    }
}
