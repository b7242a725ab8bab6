// How ksrhost combines the components at a seat and folds the bands.

#include "band_sums.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace ksrhost {
namespace {

constexpr double kTolerance = 1e-9;

// A component with the same level in every band, phase 0 unless given.
ComponentResponse flat(float level, float delay = 0.0f, float phase = 0.0f) {
    ComponentResponse r;
    r.level.fill(level);
    r.phase.fill(phase);
    r.delay = delay;
    return r;
}

TEST(BandFrequencies, ExactCentresAndNominalNames) {
    struct Case {
        int band;
        double exact, nominal;
    };
    for (const Case& c : {Case{1, 99.21, 100}, Case{2, 125.00, 125}, Case{11, 1000.00, 1000}, Case{13, 1587.40, 1600},
                          Case{21, 10079.37, 10000}}) {
        EXPECT_NEAR(bandCentreFrequency(c.band), c.exact, 0.005) << "band " << c.band;
        EXPECT_EQ(nominalCentreFrequency(c.band), c.nominal) << "band " << c.band;
    }
}

TEST(AWeighting, FollowsTheAnalogueNetworkAtTheExactCentres) {
    // The network of IEC 61672-1 (poles at 20.6, 107.7, 737.9 and 12194 Hz,
    // 0 dB at 1 kHz) at the exact base-10 centre of each band; the standard's
    // table rounds these to 0.1 dB.
    for (int band = 1; band <= kBands; ++band) {
        const double f2 = std::pow(1000.0 * std::pow(10.0, (band - 11) / 10.0), 2.0);
        const double ra = 12194.0 * 12194.0 * f2 * f2 /
                          ((f2 + 20.6 * 20.6) * std::sqrt((f2 + 107.7 * 107.7) * (f2 + 737.9 * 737.9)) *
                           (f2 + 12194.0 * 12194.0));
        EXPECT_NEAR(aWeighting(band), 20.0 * std::log10(ra) + 2.0, 0.05) << "band " << band;
    }
}

TEST(PowerSum, AddsUncorrelatedPowers) {
    const std::vector<ComponentResponse> one{flat(90.0f)};
    const std::vector<ComponentResponse> two{flat(90.0f), flat(90.0f)};
    const std::vector<ComponentResponse> ten{flat(100.0f), flat(90.0f)};
    EXPECT_NEAR(powerSum(one, 5), 90.0, 1e-6);
    EXPECT_NEAR(powerSum(two, 5), 90.0 + 10.0 * std::log10(2.0), 1e-6);
    EXPECT_NEAR(powerSum(ten, 5), 10.0 * std::log10(1e10 + 1e9), 1e-6);
    // Delays and phases do not matter to a power sum.
    const std::vector<ComponentResponse> shifted{flat(90.0f, 0.0123f, 2.0f), flat(90.0f)};
    EXPECT_NEAR(powerSum(shifted, 5), powerSum(two, 5), kTolerance);
}

TEST(PowerSum, NoComponentIsSilence) { EXPECT_EQ(powerSum({}, 1), kSilenceDb); }

TEST(ComplexSum, InPhaseAddsPressures) {
    const std::vector<ComponentResponse> two{flat(90.0f), flat(90.0f)};
    const ComplexSum sum = complexSum(two, 11);
    EXPECT_NEAR(sum.level, 90.0 + 20.0 * std::log10(2.0), 1e-6);
    EXPECT_NEAR(sum.phase, 0.0, 1e-12);
}

TEST(ComplexSum, HalfAPeriodOfDelayCancels) {
    for (const int band : {1, 11, 21}) {
        const float halfPeriod = static_cast<float>(0.5 / bandCentreFrequency(band));
        const std::vector<ComponentResponse> pair{flat(90.0f), flat(90.0f, halfPeriod)};
        EXPECT_LT(complexSum(pair, band).level, 90.0 - 60.0) << "band " << band;
        // A whole period of delay is back in phase.
        const std::vector<ComponentResponse> period{flat(90.0f), flat(90.0f, 2.0f * halfPeriod)};
        EXPECT_NEAR(complexSum(period, band).level, 90.0 + 20.0 * std::log10(2.0), 1e-3) << "band " << band;
    }
}

TEST(ComplexSum, PhaseOfTheComponentsCountsAndShowsInTheSum) {
    const float pi = std::numbers::pi_v<float>;
    const std::vector<ComponentResponse> opposite{flat(90.0f), flat(90.0f, 0.0f, -pi)};
    EXPECT_LT(complexSum(opposite, 3).level, 90.0 - 60.0);
    const std::vector<ComponentResponse> quarter{flat(90.0f, 0.0f, pi / 2)};
    EXPECT_NEAR(complexSum(quarter, 3).phase, pi / 2, 1e-6);
    // A delay turns the phase back by 2 pi f tau.
    const float tau = static_cast<float>(0.125 / bandCentreFrequency(3));
    EXPECT_NEAR(complexSum(std::vector<ComponentResponse>{flat(80.0f, tau)}, 3).phase, -pi / 4, 1e-5);
}

TEST(ComplexSum, NeverAboveTheCoherentLimitNorBelowSilence) {
    std::vector<ComponentResponse> array;
    for (int c = 0; c < 16; ++c) array.push_back(flat(80.0f + c, 0.001f * c, 0.1f * c));
    const double coherentLimit = 20.0 * std::log10([&] {
        double sum = 0.0;
        for (const ComponentResponse& r : array) sum += std::pow(10.0, r.level[0] / 20.0);
        return sum;
    }());
    for (int band = 1; band <= kBands; ++band) {
        const double level = complexSum(array, band).level;
        EXPECT_LE(level, coherentLimit + 1e-9);
        EXPECT_GT(level, kSilenceDb);
    }
    EXPECT_EQ(complexSum({}, 1).level, kSilenceDb);
}

TEST(AWeightedTotal, OneBandAloneCarriesItsWeight) {
    for (const int band : {1, 11, 16, 21}) {
        BandValues levels;
        levels.fill(kSilenceDb);
        levels[static_cast<size_t>(band - 1)] = 94.0;
        EXPECT_NEAR(aWeightedTotal(levels), 94.0 + aWeighting(band), 1e-9) << "band " << band;
    }
}

}  // namespace
}  // namespace ksrhost
