// ksrhost driving libksr.so as a host: the air, one array instance and its
// seats, and the coverage map built from them.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "coverage_map.h"
#include "design/design_rules.h"
#include "host_design.h"
#include "host_session.h"
#include "scene_sound.h"

namespace ksrhost {
namespace {

const LoadedModule& module() {
    static const LoadedModule loaded(KSR_MODULE_PATH);
    return loaded;
}

// A flown line of boxes of one type, each turned further down by step
// degrees from the grid.
HostDesign splayedDesign(int32_t boxCount, int32_t type, float step) {
    HostDesign design = defaultHostDesign();
    design.working.boxCount = boxCount;
    for (size_t i = 0; i < 16; ++i) design.working.boxes[i] = {type, 0.0f, i == 0 ? 0.0f : step};
    ksr::recomputeElevations(design.working);
    return design;
}

SetupRecord splayed(int32_t boxCount, int32_t type, float step) {
    return toSetupRecord(splayedDesign(boxCount, type, step));
}

SceneArray sceneArray(const HostDesign& design, const ArrayPlacement& placement) {
    return SceneArray{"array", "test", design, placement};
}

TEST(HostAir, ValuesTheModuleClampsComeBackWithANote) {
    Air air;
    air.temperature = 150.0f;
    air.humidity = 55.0f;
    const AppliedAir applied = applyAir(module(), air);
    EXPECT_EQ(applied.air.temperature, 100.0f);
    EXPECT_EQ(applied.air.humidity, 55.0f);
    ASSERT_EQ(applied.notes.size(), 1u);
    EXPECT_NE(applied.notes[0].find("Air Temperature 150"), std::string::npos) << applied.notes[0];
    EXPECT_NE(applied.notes[0].find("uses 100"), std::string::npos) << applied.notes[0];
    EXPECT_TRUE(applyAir(module(), Air{}).notes.empty());
}

TEST(HostArrayInstance, AppliesTheDesignAndReleasesItsInstance) {
    const ModuleExports& x = module().exports();
    SetupRecord record = splayed(6, 4, -2.0f);
    record.boxes[0].boxType = 42;  // not a box type: the module normalises it
    int32_t id = 0;
    {
        HostArray array(module(), record, ArrayPlacement{});
        EXPECT_EQ(array.recordVersion(), 52);
        EXPECT_EQ(array.componentCount(), 6);
        EXPECT_EQ(array.appliedRecord().boxes[0].boxType, 5);
        EXPECT_EQ(array.appliedRecord().boxes[1].boxType, 4);
        // Component 1 of an unturned array hangs below the rigging point.
        const Triple top = array.componentPosition(1);
        EXPECT_NEAR(top[1], 0.05423f, 1e-4f);
        EXPECT_NEAR(top[2], 10.0f - 0.12994f, 1e-4f);
        id = x.CI_GetFreeID();
        ASSERT_GT(id, 0);
        ASSERT_EQ(x.CI_MakeCurrent(id), 0);
        ASSERT_EQ(x.CI_Release(), 0);
    }
    // The array's own instance was released: its id is free again and comes
    // first.
    const int32_t next = x.CI_GetFreeID();
    EXPECT_LT(next, id);
    ASSERT_EQ(x.CI_MakeCurrent(next), 0);
    EXPECT_EQ(x.CI_Release(), 0);
}

TEST(HostArrayInstance, RespondsForEveryComponentAndFallsOffWithDistance) {
    HostArray array(module(), splayed(8, 6, 0.0f), ArrayPlacement{{0.0f, 0.0f, 10.0f}, {0.0f, 0.0f, 0.0f}});
    const auto near = array.respond({0.0f, -10.0f, 9.0f});
    ASSERT_EQ(near.size(), 8u);
    for (size_t c = 0; c < near.size(); ++c) EXPECT_EQ(near[c].component, static_cast<int32_t>(c + 1));
    const double nearLevel = powerSum(near, 11);
    const float nearDelay = near[0].delay;
    EXPECT_NEAR(array.componentDistance(1), std::hypot(10.05423, 9.87006 - 9.0), 1e-3);
    const auto far = array.respond({0.0f, -40.0f, 9.0f});
    EXPECT_LT(powerSum(far, 11), nearLevel - 9.0);  // beyond 12 dB of spreading, less the line's gain
    EXPECT_GT(far[0].delay, nearDelay * 3.5f);
}

TEST(CoverageMap, SeatsLieInTheSectionAlongTheAim) {
    const ArrayPlacement placement{{2.0f, 3.0f, 8.0f}, {90.0f, 0.0f, 0.0f}};  // aims along +x
    SceneSound sound(module(), {sceneArray(splayedDesign(4, 4, -10.0f), placement)});
    const SectionGrid grid{1.0, 21.0, 0.0, 10.0, 3, 2};
    const AudienceLine line{{3.0f, 3.0f, 1.2f}, {23.0f, 3.0f, 1.2f}, 5};
    const CoverageMap map = computeCoverage(sound, placement, grid, line, MapQuantity{}, nullptr);

    EXPECT_NEAR(map.direction[0], 1.0f, 1e-6f);
    EXPECT_NEAR(map.direction[1], 0.0f, 1e-6f);
    ASSERT_EQ(map.section.size(), 6u);
    const double distances[] = {1.0, 11.0, 21.0};
    for (size_t i = 0; i < 6; ++i) {
        const SectionSeat& s = map.section[i];
        EXPECT_EQ(s.distance, distances[i % 3]) << i;
        EXPECT_EQ(s.height, i < 3 ? 0.0 : 10.0) << i;
        EXPECT_FLOAT_EQ(s.seat[0], 2.0f + static_cast<float>(s.distance)) << i;
        EXPECT_FLOAT_EQ(s.seat[1], 3.0f) << i;
        EXPECT_TRUE(std::isfinite(s.level)) << i;
    }
    ASSERT_EQ(map.line.size(), 5u);
    EXPECT_DOUBLE_EQ(map.line[4].along, 20.0);
    EXPECT_FLOAT_EQ(map.line[2].seat[0], 13.0f);
    EXPECT_NEAR(map.line[2].alongAim, 11.0, 1e-5);

    // Each box aims 10 degrees further down than the one above it.
    ASSERT_EQ(map.boxes.size(), 4u);
    for (size_t k = 0; k < 4; ++k) {
        const double angle = -10.0 * k * std::numbers::pi / 180.0;
        EXPECT_NEAR(map.boxes[k].aimDistance, std::cos(angle), 1e-3) << k;
        EXPECT_NEAR(map.boxes[k].aimHeight, std::sin(angle), 1e-3) << k;
        EXPECT_LT(map.boxes[k].height, 8.0) << k;
    }
}

TEST(CoverageMap, TheQuantityPicksTheSum) {
    HostArray array(module(), splayed(12, 4, -1.0f), ArrayPlacement{});
    const auto seat = array.respond({0.0f, -15.0f, 2.0f});
    const double power13 = seatLevel(seat, {13, SumKind::power});
    const double complex13 = seatLevel(seat, {13, SumKind::complex});
    const double tone13 = seatLevel(seat, {13, SumKind::tone});
    // A map finds its phasors otherwise than the per-band sums, within
    // rounding; its power sum is the same to the last bit.
    constexpr double kRounding = 1e-9;  // dB
    EXPECT_EQ(power13, powerSum(seat, 13));
    EXPECT_NEAR(complex13, bandAveragedSum(seat, 13), kRounding);
    EXPECT_NEAR(tone13, complexSum(seat, 13).level, kRounding);
    // Twelve coherent boxes cannot exceed the power sum by more than 10 log10(12).
    EXPECT_LE(complex13, power13 + 10.0 * std::log10(12.0) + 1e-9);
    BandValues bands{};
    for (int band = 1; band <= kBands; ++band) bands[static_cast<size_t>(band - 1)] = bandAveragedSum(seat, band);
    EXPECT_NEAR(seatLevel(seat, {0, SumKind::complex}), aWeightedTotal(bands), kRounding);
    EXPECT_EQ(describe({0, SumKind::complex}), "A-weighted, complex sum");
    EXPECT_EQ(describe({13, SumKind::power}), "band 13 (1.6 kHz), power sum");
}

// Two arrays of one scene are two instances: each keeps its own design and
// placement while the other answers, and their components add up.
TEST(SceneSoundArrays, SeveralArraysAnswerTogether) {
    const ArrayPlacement left{{-5.0f, 0.0f, 8.0f}, {0.0f, 0.0f, 0.0f}};
    const ArrayPlacement right{{5.0f, 0.0f, 8.0f}, {0.0f, 0.0f, 0.0f}};
    SceneSound sound(module(), {sceneArray(splayedDesign(4, 4, -2.0f), left),
                                sceneArray(splayedDesign(6, 6, -1.0f), right)});
    ASSERT_EQ(sound.arrayCount(), 2u);
    const Triple seat{-5.0f, -12.0f, 1.2f};
    const std::vector<ComponentResponse> both(sound.respond(seat).begin(), sound.respond(seat).end());
    ASSERT_EQ(both.size(), 10u);
    EXPECT_EQ(sound.arrayOf(3), 0u);
    EXPECT_EQ(sound.arrayOf(4), 1u);
    EXPECT_EQ(both[4].component, 1);
    EXPECT_NEAR(sound.array(0).componentPosition(1)[0], -5.0f, 1e-5f);
    EXPECT_NEAR(sound.array(1).componentPosition(1)[0], 5.0f, 1e-5f);
    EXPECT_NEAR(sound.array(0).referenceDistance(), std::hypot(12.0, 6.8), 1e-4);

    // Each array alone gives the same answer as within the scene.
    HostArray alone(module(), splayed(6, 6, -1.0f), right);
    const auto single = alone.respond(seat);
    for (size_t c = 0; c < single.size(); ++c) {
        EXPECT_EQ(single[c].level, both[4 + c].level) << c;
        EXPECT_EQ(single[c].delay, both[4 + c].delay) << c;
    }
}

// Two identical arrays at one place: their pressures add in phase (+6 dB),
// their powers double (+3 dB), in every band and for every sum.
TEST(SceneSoundArrays, TwoIdenticalArraysInOnePlace) {
    const ArrayPlacement place{{0.0f, 0.0f, 8.0f}, {0.0f, -3.0f, 0.0f}};
    const HostDesign design = splayedDesign(8, 4, -2.0f);
    SceneSound one(module(), {sceneArray(design, place)});
    SceneSound two(module(), {sceneArray(design, place), sceneArray(design, place)});
    const Triple seat{3.0f, -20.0f, 1.2f};
    const std::vector<ComponentResponse> single(one.respond(seat).begin(), one.respond(seat).end());
    const std::span<const ComponentResponse> pair = two.respond(seat);
    for (const int band : {1, 8, 13, 21}) {
        EXPECT_NEAR(bandSum(pair, band, SumKind::complex), bandSum(single, band, SumKind::complex) + 20.0 * std::log10(2.0), 1e-6) << band;
        EXPECT_NEAR(bandSum(pair, band, SumKind::tone), bandSum(single, band, SumKind::tone) + 20.0 * std::log10(2.0), 1e-6) << band;
        EXPECT_NEAR(bandSum(pair, band, SumKind::power), bandSum(single, band, SumKind::power) + 10.0 * std::log10(2.0), 1e-6) << band;
    }
}

}  // namespace
}  // namespace ksrhost
