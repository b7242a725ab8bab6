// A seat's sums over every band against the plain evaluation of their
// formulas: one pow per box and band, one sine and cosine per box and tone.

#include "seat_sums.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

namespace ksrhost {
namespace {

// What a map may differ from the plain sums by, dB.
constexpr double kMapAccuracy = 0.01;
// What the seat sums differ by on these fixtures in fact: rounding.
constexpr double kRounding = 1e-9;

using Seat = std::vector<ComponentResponse>;

struct Pressure {
    double real = 0.0, imaginary = 0.0;
};

// Sum over the boxes of 10^(L/20) exp(j (phi - 2 pi f tau)) in band b.
Pressure plainPressure(const Seat& seat, size_t b, double frequency) {
    Pressure p;
    for (const ComponentResponse& c : seat) {
        const double magnitude = std::pow(10.0, c.level[b] / 20.0);
        const double angle = c.phase[b] - 2.0 * std::numbers::pi * frequency * c.delay;
        p.real += magnitude * std::cos(angle);
        p.imaginary += magnitude * std::sin(angle);
    }
    return p;
}

double centre(int band) { return 62.5 * std::pow(2.0, (band + 1) / 3.0); }

// The energy mean over f * 2^((k + 0.5)/24 - 1/6), k = 0..7.
double plainAverage(const Seat& seat, int band) {
    double energy = 0.0;
    for (int k = 0; k < 8; ++k) {
        const Pressure p = plainPressure(seat, static_cast<size_t>(band - 1), centre(band) * std::pow(2.0, (k + 0.5) / 24.0 - 1.0 / 6.0));
        energy += p.real * p.real + p.imaginary * p.imaginary;
    }
    energy /= 8.0;
    return energy > 0.0 && std::isfinite(energy) ? 10.0 * std::log10(energy) : kSilenceDb;
}

Pressure plainTone(const Seat& seat, int band) { return plainPressure(seat, static_cast<size_t>(band - 1), centre(band)); }

double levelOf(const Pressure& p) {
    const double squared = p.real * p.real + p.imaginary * p.imaginary;
    return squared > 0.0 ? 10.0 * std::log10(squared) : kSilenceDb;
}

// boxes random boxes at 60..110 dB, any phase, delays up to maxDelay.
Seat randomSeat(std::mt19937& random, size_t boxes, double maxDelay) {
    std::uniform_real_distribution<float> level(60.0f, 110.0f), phase(-3.1416f, 3.1416f);
    std::uniform_real_distribution<double> delay(0.0, maxDelay);
    Seat seat(boxes);
    for (size_t c = 0; c < boxes; ++c) {
        seat[c].component = static_cast<int32_t>(c + 1);
        for (size_t b = 0; b < static_cast<size_t>(kBands); ++b) {
            seat[c].level[b] = level(random);
            seat[c].phase[b] = phase(random);
        }
        seat[c].delay = static_cast<float>(delay(random));
    }
    return seat;
}

// A line of equal boxes 0.35 m apart, heard from a seat below the line at
// distance metres: the delays of a real array, closely spaced.
Seat lineSeat(size_t boxes, double distance) {
    Seat seat(boxes);
    for (size_t c = 0; c < boxes; ++c) {
        seat[c].level.fill(100.0f - static_cast<float>(c));
        seat[c].phase.fill(0.25f * static_cast<float>(c));
        seat[c].delay = static_cast<float>(std::hypot(distance, 0.35 * static_cast<double>(c)) / 343.0);
    }
    return seat;
}

TEST(SeatSums, EveryBandAndSumAgreesWithThePlainFormulas) {
    std::mt19937 random(19);
    struct Case {
        const char* what;
        Seat seat;
    };
    const std::vector<Case> cases{
        {"one box", randomSeat(random, 1, 0.1)},
        {"16 boxes within 30 m", randomSeat(random, 16, 0.09)},
        {"three arrays of 16 within 100 m", randomSeat(random, 48, 0.3)},
        {"16 boxes 3 km away", randomSeat(random, 16, 9.0)},
        {"a line of 16 near", lineSeat(16, 2.0)},
        {"a line of 16 at 40 m", lineSeat(16, 40.0)},
    };
    for (const Case& c : cases) {
        const BandValues complex = seatBandLevels(c.seat, SumKind::complex);
        const BandValues tone = seatBandLevels(c.seat, SumKind::tone);
        const BandValues power = seatBandLevels(c.seat, SumKind::power);
        const ToneSums toneSums = seatToneSums(c.seat);
        for (int band = 1; band <= kBands; ++band) {
            const size_t b = static_cast<size_t>(band - 1);
            const Pressure p = plainTone(c.seat, band);
            EXPECT_NEAR(complex[b], plainAverage(c.seat, band), kRounding) << c.what << ", band " << band;
            EXPECT_NEAR(tone[b], levelOf(p), kRounding) << c.what << ", band " << band;
            EXPECT_EQ(toneSums.level[b], tone[b]) << c.what << ", band " << band;
            EXPECT_NEAR(toneSums.phase[b], std::atan2(p.imaginary, p.real), kRounding) << c.what << ", band " << band;
            EXPECT_EQ(power[b], powerSum(c.seat, band)) << c.what << ", band " << band;
            for (const SumKind kind : {SumKind::complex, SumKind::tone, SumKind::power}) {
                const BandValues& all = kind == SumKind::complex ? complex : kind == SumKind::tone ? tone : power;
                EXPECT_NEAR(seatBandLevel(c.seat, band, kind), all[b], kRounding) << c.what << ", band " << band;
            }
        }
    }
}

TEST(SeatSums, NearANotchTheyStayWithinTheMapsAccuracy) {
    // Two equal boxes half a period apart at each band's centre: the tone
    // sums cancel to rounding, the band averages keep what the band's edges
    // bring. The tone levels are then noise far below the boxes' 90 dB.
    for (int band = 1; band <= kBands; ++band) {
        Seat seat(2);
        for (ComponentResponse& c : seat) {
            c.level.fill(90.0f);
            c.phase.fill(0.0f);
        }
        seat[1].delay = static_cast<float>(0.5 / centre(band));
        const size_t b = static_cast<size_t>(band - 1);
        EXPECT_NEAR(seatBandLevels(seat, SumKind::complex)[b], plainAverage(seat, band), kMapAccuracy) << band;
        EXPECT_LT(seatBandLevels(seat, SumKind::tone)[b], 90.0 - 60.0) << band;
    }
}

TEST(SeatSums, SilenceAndValuesNoModuleGives) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Seat none;
    Seat lost = lineSeat(4, 10.0);
    lost[2].delay = nan;
    Seat far = lineSeat(4, 10.0);
    far[0].delay = 1.0e5f;  // beyond the fast phasors' angles: the library's sine and cosine
    for (int band = 1; band <= kBands; ++band) {
        const size_t b = static_cast<size_t>(band - 1);
        EXPECT_EQ(seatBandLevels(none, SumKind::complex)[b], kSilenceDb);
        EXPECT_EQ(seatBandLevels(none, SumKind::tone)[b], kSilenceDb);
        EXPECT_EQ(seatBandLevels(none, SumKind::power)[b], kSilenceDb);
        EXPECT_EQ(seatToneSums(none).phase[b], 0.0);
        // A delay that is no number leaves no level, as the plain sums do.
        EXPECT_EQ(seatBandLevels(lost, SumKind::complex)[b], plainAverage(lost, band)) << band;
        EXPECT_EQ(seatBandLevels(lost, SumKind::complex)[b], kSilenceDb) << band;
        EXPECT_EQ(seatBandLevels(lost, SumKind::tone)[b], levelOf(plainTone(lost, band))) << band;
        EXPECT_NEAR(seatBandLevels(far, SumKind::complex)[b], plainAverage(far, band), kMapAccuracy) << band;
        EXPECT_NEAR(seatBandLevel(far, band, SumKind::complex), plainAverage(far, band), kMapAccuracy) << band;
    }
}

}  // namespace
}  // namespace ksrhost
