// Maps through libksr.so on small grids: the same levels on any number of
// threads, and each within a map's accuracy of the plain sum of the seat's
// responses (one sine and cosine per box and tone).

#include "map_levels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "coverage_map.h"
#include "host_design.h"
#include "plan_map.h"
#include "scene.h"
#include "scene_sound.h"

namespace ksrhost {
namespace {

constexpr double kMapAccuracy = 0.01;  // dB

const LoadedModule& module() {
    static const LoadedModule loaded(KSR_MODULE_PATH);
    return loaded;
}

std::string examplePath(const char* name) { return std::string(KSR_SOURCE_DIR) + "/tools/ksrhost/examples/" + name; }

// Band 1..21 of a seat summed from the formulas.
double plainBand(std::span<const ComponentResponse> seat, int band, SumKind kind) {
    const size_t b = static_cast<size_t>(band - 1);
    const double centre = 62.5 * std::pow(2.0, (band + 1) / 3.0);
    if (kind == SumKind::power) {
        double power = 0.0;
        for (const ComponentResponse& c : seat) power += std::pow(10.0, c.level[b] / 10.0);
        return 10.0 * std::log10(power);
    }
    const int tones = kind == SumKind::tone ? 1 : 8;
    double energy = 0.0;
    for (int k = 0; k < tones; ++k) {
        const double f = kind == SumKind::tone ? centre : centre * std::pow(2.0, (k + 0.5) / 24.0 - 1.0 / 6.0);
        double real = 0.0, imaginary = 0.0;
        for (const ComponentResponse& c : seat) {
            const double magnitude = std::pow(10.0, c.level[b] / 20.0);
            const double angle = c.phase[b] - 2.0 * std::numbers::pi * f * c.delay;
            real += magnitude * std::cos(angle);
            imaginary += magnitude * std::sin(angle);
        }
        energy += real * real + imaginary * imaginary;
    }
    return 10.0 * std::log10(energy / tones);
}

double plainLevel(std::span<const ComponentResponse> seat, const MapQuantity& quantity) {
    if (quantity.band != 0) return plainBand(seat, quantity.band, quantity.sum);
    BandValues levels{};
    for (int band = 1; band <= kBands; ++band) levels[static_cast<size_t>(band - 1)] = plainBand(seat, band, quantity.sum);
    return aWeightedTotal(levels);
}

const MapQuantity kQuantities[] = {{0, SumKind::complex}, {0, SumKind::tone}, {0, SumKind::power},
                                   {13, SumKind::complex}, {1, SumKind::tone}, {21, SumKind::complex}};

TEST(MapLevels, ASectionIsTheSameOnAnyThreadsAndWithinTheMapsAccuracy) {
    const std::string path = examplePath("ksr16_long_throw.json");
    const HostDesign design = parseDesignJson(readTextFile(path, "design file"), path);
    const ArrayPlacement placement{{0.0f, 0.0f, 12.0f}, {0.0f, design.working.gridElevation, 0.0f}};
    applyAir(module(), Air{});
    SceneSound sound(module(), {SceneArray{"long throw", path, design, placement}});
    // 288 + 40 seats: several blocks for each thread.
    const SectionGrid grid{0.5, 60.0, 0.0, 16.0, 24, 12};
    const AudienceLine line{{0.0f, -1.0f, 1.2f}, {0.0f, -60.0f, 1.2f}, 40};
    for (const MapQuantity& quantity : kQuantities) {
        const CoverageMap one = computeCoverage(sound, placement, grid, line, quantity, nullptr, 1);
        ASSERT_EQ(one.section.size(), 288u);
        double largest = 0.0;
        for (const unsigned threads : {2u, 3u}) {
            const CoverageMap more = computeCoverage(sound, placement, grid, line, quantity, nullptr, threads);
            for (size_t i = 0; i < one.section.size(); ++i) {
                ASSERT_EQ(more.section[i].level, one.section[i].level) << describe(quantity) << ", seat " << i;
            }
            for (size_t i = 0; i < one.line.size(); ++i) {
                ASSERT_EQ(more.line[i].level, one.line[i].level) << describe(quantity) << ", line seat " << i;
            }
        }
        for (const SectionSeat& seat : one.section) {
            const double plain = plainLevel(sound.respond(seat.seat), quantity);
            EXPECT_NEAR(seat.level, plain, kMapAccuracy) << describe(quantity) << " at " << seat.distance << ", " << seat.height;
            largest = std::max(largest, std::fabs(seat.level - plain));
        }
        for (const LineSeat& seat : one.line) {
            EXPECT_NEAR(seat.level, plainLevel(sound.respond(seat.seat), quantity), kMapAccuracy) << describe(quantity);
        }
        // The map shows levels within rounding of the plain sums, far finer
        // than its accuracy.
        EXPECT_LT(largest, 1e-6) << describe(quantity);
    }
}

TEST(MapLevels, ThePlanOfTwoArraysIsTheSameOnAnyThreads) {
    const std::string path = examplePath("hall_left_right.json");
    const Scene scene = parseSceneJson(readTextFile(path, "scene file"), path);
    applyAir(module(), scene.air);
    SceneSound sound(module(), scene.arrays);
    const PlanGrid grid = planGrid(scene.areas, 2.0);
    const MapQuantity quantity{0, SumKind::complex};
    const PlanMap one = computePlan(sound, scene.areas, grid, quantity, nullptr, 1);
    const PlanMap two = computePlan(sound, scene.areas, grid, quantity, nullptr, 2);
    ASSERT_GT(one.seats.size(), 200u);
    ASSERT_EQ(two.seats.size(), one.seats.size());
    for (size_t i = 0; i < one.seats.size(); ++i) {
        ASSERT_EQ(two.seats[i].level, one.seats[i].level) << i;
        EXPECT_NEAR(one.seats[i].level, plainLevel(sound.respond(one.seats[i].seat), quantity), kMapAccuracy) << i;
    }
    EXPECT_EQ(two.statistics.mean, one.statistics.mean);
    EXPECT_EQ(two.statistics.p90, one.statistics.p90);
}

}  // namespace
}  // namespace ksrhost
