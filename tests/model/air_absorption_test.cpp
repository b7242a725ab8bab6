#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "model/air_absorption.h"

using namespace ksr;

namespace {

constexpr double kPi = std::numbers::pi;

// The module's default air: 20 degrees Celsius, 60 %, 1013 hPa.
constexpr double kDefaultTemperature = 20.0;
constexpr double kDefaultPressure = 101300.0;  // Pa
constexpr double kDefaultHumidity = 60.0;

}  // namespace

TEST(BandCentreFrequency, ExactBaseTwoThirdOctaves) {
    const double expected[kBandCount] = {99.21,   125.00,  157.49,  198.43,  250.00,  314.98,  396.85,
                                         500.00,  629.96,  793.70,  1000.00, 1259.92, 1587.40, 2000.00,
                                         2519.84, 3174.80, 4000.00, 5039.69, 6349.60, 8000.00, 10079.37};
    for (int32_t band = 1; band <= kBandCount; ++band) {
        EXPECT_NEAR(bandCentreFrequency(band), expected[band - 1], 0.006) << "band " << band;
    }
}

TEST(AirAbsorption, CoefficientAtTheStandardsReferenceAir) {
    // 20 degrees Celsius, 50 %, 101.325 kPa: dB per km.
    EXPECT_NEAR(airAbsorptionCoefficient(20.0, 101325.0, 50.0, 1000.0) * 1000.0, 4.66, 0.005);
    EXPECT_NEAR(airAbsorptionCoefficient(20.0, 101325.0, 50.0, 4000.0) * 1000.0, 29.7, 0.05);
}

TEST(AirAbsorption, LossOverOneHundredMetresOfDefaultAir) {
    struct Case {
        int32_t band;
        double loss;  // dB
    };
    const Case cases[] = {{1, 0.025}, {8, 0.278}, {11, 0.480}, {14, 0.928}, {17, 2.564}, {21, 13.669}};
    for (const Case& c : cases) {
        EXPECT_NEAR(airAbsorptionLoss(100.0, kDefaultTemperature, kDefaultPressure, kDefaultHumidity,
                                      bandCentreFrequency(c.band)),
                    c.loss, 0.0005)
            << "band " << c.band;
    }
}

TEST(AirAbsorption, LossGrowsWithDistanceFromNothing) {
    for (int32_t band = 1; band <= kBandCount; ++band) {
        const double f = bandCentreFrequency(band);
        EXPECT_EQ(airAbsorptionLoss(0.0, kDefaultTemperature, kDefaultPressure, kDefaultHumidity, f), 0.0);
        const double at10 = airAbsorptionLoss(10.0, kDefaultTemperature, kDefaultPressure, kDefaultHumidity, f);
        EXPECT_GT(at10, 0.0);
        EXPECT_NEAR(airAbsorptionLoss(30.0, kDefaultTemperature, kDefaultPressure, kDefaultHumidity, f), 3.0 * at10,
                    1e-12);
    }
}

TEST(AirAbsorption, TheCacheFollowsTheAir) {
    BandAbsorptionCache cache;
    const Environment defaults;
    EXPECT_EQ(cache.coefficientsFor(defaults), bandAbsorptionCoefficients(defaults));

    // Each of the three air values on its own changes the coefficients.
    Environment warm = defaults;
    warm.airTemperature = 35.0f;
    Environment dry = defaults;
    dry.humidity = 20.0f;
    Environment thin = defaults;
    thin.airPressure = 700.0f;
    for (const Environment& air : {warm, dry, thin, defaults}) {
        const BandCoefficients expected = bandAbsorptionCoefficients(air);
        EXPECT_EQ(cache.coefficientsFor(air), expected);
        EXPECT_DOUBLE_EQ(expected[20], airAbsorptionCoefficient(air.airTemperature, air.airPressure * 100.0,
                                                                air.humidity, bandCentreFrequency(21)));
    }
    EXPECT_NE(bandAbsorptionCoefficients(warm), bandAbsorptionCoefficients(defaults));
    EXPECT_NE(bandAbsorptionCoefficients(dry), bandAbsorptionCoefficients(defaults));
    EXPECT_NE(bandAbsorptionCoefficients(thin), bandAbsorptionCoefficients(defaults));

    // The speed of sound plays no part in absorption.
    Environment fast = defaults;
    fast.speedOfSound = 900.0f;
    EXPECT_EQ(bandAbsorptionCoefficients(fast), bandAbsorptionCoefficients(defaults));
}

TEST(SpreadingLoss, TwentyLogDistanceFromATenthOfAMetre) {
    struct Case {
        double distance, loss;
    };
    const Case cases[] = {{0.0, -20.0}, {0.05, -20.0}, {0.1, -20.0}, {1.0, 0.0},
                          {2.0, 6.0206}, {10.0, 20.0}, {1000.0, 60.0}, {-5.0, -20.0}};
    for (const Case& c : cases) EXPECT_NEAR(spreadingLoss(c.distance), c.loss, 1e-4) << c.distance;
}

TEST(WrapPhase, IntoOneTurnFromMinusPi) {
    struct Case {
        double x, wrapped;
    };
    const Case cases[] = {{0.0, 0.0},         {3 * kPi / 2, -kPi / 2}, {kPi, -kPi},      {-kPi, -kPi},
                          {kPi / 2, kPi / 2}, {-3 * kPi / 2, kPi / 2}, {5 * kPi / 2, kPi / 2}, {4 * kPi + 0.25, 0.25}};
    for (const Case& c : cases) EXPECT_NEAR(wrapPhase(c.x), c.wrapped, 1e-12) << c.x;

    for (double x = -20.0; x <= 20.0; x += 0.37) {
        const double w = wrapPhase(x);
        EXPECT_GE(w, -kPi);
        EXPECT_LT(w, kPi);
        const double turns = (x - w) / (2 * kPi);
        EXPECT_NEAR(turns, std::round(turns), 1e-9) << x;
    }
}
