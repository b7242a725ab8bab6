// ksrhost map as the command runs it: 200 x 100 seats of a vertical section
// and 200 seats of an audience line for a 16-box array, every seat through
// libksr.so's exports (CI_SetSeatPosition3fv, CI_GetCompFR per component)
// and summed A-weighted: band-averaged complex (the default), at the band
// centres alone, and as powers. Drawing the PNG is not part of it.

#include <benchmark/benchmark.h>

#include "coverage_map.h"
#include "host_design.h"
#include "host_session.h"
#include "scene_sound.h"

namespace {

using namespace ksrhost;

void coverageMap(benchmark::State& state, MapQuantity quantity) {
    const LoadedModule module(KSR_MODULE_PATH);
    const std::string path = std::string(KSR_SOURCE_DIR) + "/tools/ksrhost/examples/ksr16_long_throw.json";
    const HostDesign design = parseDesignJson(readTextFile(path, "design file"), path);
    const ArrayPlacement placement{{0.0f, 0.0f, 12.0f}, {0.0f, design.working.gridElevation, 0.0f}};
    applyAir(module, Air{});
    SceneSound sound(module, {SceneArray{"long throw", path, design, placement}});
    if (sound.array(0).componentCount() != 16) state.SkipWithError("the design does not have 16 boxes");
    const SectionGrid grid{0.0, 40.0, 0.0, 16.0, 200, 100};
    const AudienceLine line{{0.0f, -1.0f, 1.2f}, {0.0f, -40.0f, 1.2f}, 200};
    for (auto _ : state) {
        const CoverageMap map = computeCoverage(sound, placement, grid, line, quantity, nullptr);
        benchmark::DoNotOptimize(map.section.data());
    }
    state.counters["seats/s"] = benchmark::Counter(static_cast<double>(grid.columns * grid.rows + line.points),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK_CAPTURE(coverageMap, aWeightedComplex, MapQuantity{0, SumKind::complex})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(coverageMap, aWeightedTone, MapQuantity{0, SumKind::tone})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(coverageMap, aWeightedPower, MapQuantity{0, SumKind::power})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(coverageMap, oneBandComplex, MapQuantity{13, SumKind::complex})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
