#include "model/band_average.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace ksr {
namespace {

TEST(BandAverage, TonesSpreadEvenlyInLogFrequencyAroundTheExactCentre) {
    for (int32_t band : {1, 11, 21}) {
        const auto tones = bandAverageTones(band);
        double logSum = 0.0;
        for (int32_t k = 0; k < kBandAverageTones; ++k) {
            logSum += std::log2(tones[k]);
            if (k > 0) {
                EXPECT_NEAR(tones[k] / tones[k - 1], std::exp2(1.0 / 24.0), 1e-12) << band;
            }
        }
        EXPECT_NEAR(std::exp2(logSum / kBandAverageTones), exactBandCentre(band), 1e-9) << band;
        // The tones fill the band: its edges lie a 48th of an octave beyond the outer tones.
        EXPECT_NEAR(tones.front() / exactBandCentre(band), std::exp2(-1.0 / 6.0 + 1.0 / 48.0), 1e-12);
    }
    EXPECT_DOUBLE_EQ(exactBandCentre(11), 1000.0);
}

TEST(BandAverage, HandCheckedSums) {
    const double halfPeriodAt1k = 0.5e-3;
    struct Case {
        const char* what;
        std::vector<BandShare> shares;
        double expected;
    };
    // Two equal boxes half a period apart at the centre: a tone-only sum would
    // cancel; the band keeps (1/8) Σ |1 + e^{-jπ f_k/f}|² = (1/8) Σ (2 + 2 cos(π f_k/f)).
    double notchEnergy = 0.0;
    for (int32_t k = 0; k < kBandAverageTones; ++k)
        notchEnergy += 2.0 + 2.0 * std::cos(std::numbers::pi * std::exp2((k + 0.5) / 24.0 - 1.0 / 6.0));
    const std::vector<Case> cases{
        {"nothing", {}, kSilentLevel},
        {"one box, any delay", {{94.0, 1.0, 0.0371}}, 94.0},
        {"two boxes in phase", {{90.0, 0.3, 0.01}, {90.0, 0.3, 0.01}}, 90.0 + 20.0 * std::log10(2.0)},
        {"two boxes in antiphase at every tone", {{90.0, 0.0, 0.0}, {90.0, std::numbers::pi, 0.0}}, kSilentLevel},
        {"half a period apart", {{0.0, 0.0, 0.0}, {0.0, 0.0, halfPeriodAt1k}}, 10.0 * std::log10(notchEnergy / 8.0)},
    };
    for (const Case& c : cases) {
        const double level = bandAveragedLevel(c.shares, 11);
        if (c.expected == kSilentLevel) {
            EXPECT_LT(level, -200.0) << c.what;
        } else {
            EXPECT_NEAR(level, c.expected, 1e-9) << c.what;
        }
    }
    // The half-period case is a dip of about 14 dB, not the bottomless notch of a single tone.
    EXPECT_NEAR(bandAveragedLevel(cases[4].shares, 11), -13.65, 0.01);
}

}  // namespace
}  // namespace ksr
