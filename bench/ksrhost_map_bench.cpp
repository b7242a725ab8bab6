// ksrhost map as the command runs it, every seat through libksr.so's exports
// (CI_SetSeatPosition3fv, CI_GetCompFR per component) and summed A-weighted:
// band-averaged complex (the default), at the band centres alone, and as
// powers. Two maps: a 200 x 100 vertical section plus a 200-seat audience
// line for the 16-box long-throw design, and the plan of the example hall
// (two 12-box arrays, two audience areas) at a 0.5 m step. Each on one
// thread and on two (the last part of a benchmark's name); the module's
// calls stay on the first. Times and seats/s are wall-clock. Drawing and
// writing the files are not part of it.

#include <benchmark/benchmark.h>

#include "coverage_map.h"
#include "host_design.h"
#include "host_session.h"
#include "plan_map.h"
#include "scene.h"
#include "scene_sound.h"

namespace {

using namespace ksrhost;

unsigned threads(const benchmark::State& state) { return static_cast<unsigned>(state.range(0)); }

std::string examplePath(const char* name) { return std::string(KSR_SOURCE_DIR) + "/tools/ksrhost/examples/" + name; }

void sectionMap(benchmark::State& state, MapQuantity quantity) {
    const LoadedModule module(KSR_MODULE_PATH);
    const std::string path = examplePath("ksr16_long_throw.json");
    const HostDesign design = parseDesignJson(readTextFile(path, "design file"), path);
    const ArrayPlacement placement{{0.0f, 0.0f, 12.0f}, {0.0f, design.working.gridElevation, 0.0f}};
    applyAir(module, Air{});
    SceneSound sound(module, {SceneArray{"long throw", path, design, placement}});
    if (sound.array(0).componentCount() != 16) state.SkipWithError("the design does not have 16 boxes");
    const SectionGrid grid{0.0, 40.0, 0.0, 16.0, 200, 100};
    const AudienceLine line{{0.0f, -1.0f, 1.2f}, {0.0f, -40.0f, 1.2f}, 200};
    for (auto _ : state) {
        const CoverageMap map = computeCoverage(sound, placement, grid, line, quantity, nullptr, threads(state));
        benchmark::DoNotOptimize(map.section.data());
    }
    state.counters["seats/s"] = benchmark::Counter(static_cast<double>(grid.columns * grid.rows + line.points),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void hallPlan(benchmark::State& state, MapQuantity quantity) {
    const LoadedModule module(KSR_MODULE_PATH);
    const std::string path = examplePath("hall_left_right.json");
    const Scene scene = parseSceneJson(readTextFile(path, "scene file"), path);
    applyAir(module, scene.air);
    SceneSound sound(module, scene.arrays);
    const PlanGrid grid = planGrid(scene.areas, 0.5);
    const size_t seats = countPlanSeats(scene.areas, grid);
    for (auto _ : state) {
        const PlanMap map = computePlan(sound, scene.areas, grid, quantity, nullptr, threads(state));
        benchmark::DoNotOptimize(map.seats.data());
    }
    state.counters["seats/s"] =
        benchmark::Counter(static_cast<double>(seats), benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK_CAPTURE(sectionMap, aWeightedComplex, MapQuantity{0, SumKind::complex})->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sectionMap, aWeightedTone, MapQuantity{0, SumKind::tone})->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sectionMap, aWeightedPower, MapQuantity{0, SumKind::power})->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sectionMap, oneBandComplex, MapQuantity{13, SumKind::complex})->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hallPlan, aWeightedComplex, MapQuantity{0, SumKind::complex})->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hallPlan, aWeightedTone, MapQuantity{0, SumKind::tone})->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hallPlan, aWeightedPower, MapQuantity{0, SumKind::power})->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
