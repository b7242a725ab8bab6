// CI_GetCompFR as the module ships it, against a direct evaluation that
// follows the algorithm step by step with ISO 9613-1 evaluated for every
// band in every call. A host maps a venue by calling CI_GetCompFR once per
// component and seat (100,000 seats of a 16-box array: 1.6 million calls).
//
// Before timing, one pass over the whole seat grid checks that the two agree
// within 0.001 dB and that the shipped path allocates nothing. After the
// runs, the ratio of the two throughputs is printed.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "allocation_count.h"
#include "exports/ksr.h"
#include "exports/module_state.h"
#include "model/response.h"
#include "module_reset.h"

namespace {

constexpr int32_t kBoxes = 16;
constexpr double kTolerance = 0.001;  // dB

using Bands = std::array<float, KSR_BAND_COUNT>;

// A hall 60 m wide and 80 m deep in front of a flown 16-box array, seats on
// a 0.5 m grid with a rising floor: 120 x 160 = 19,200 seats.
std::vector<std::array<float, 3>> venueSeats() {
    std::vector<std::array<float, 3>> seats;
    for (int32_t row = 0; row < 160; ++row) {
        for (int32_t column = 0; column < 120; ++column) {
            const float depth = 2.0f + 0.5f * static_cast<float>(row);
            seats.push_back({-30.0f + 0.5f * static_cast<float>(column), -depth, 1.2f + 0.08f * depth});
        }
    }
    return seats;
}

// The module as a host sets it up: default air, one current instance with a
// curved 16-box array of mixed types hung 12 m up and aimed down the hall.
void setUpModule() {
    ksr::resetModuleState();
    const int32_t id = CI_GetFreeID();
    CI_MakeCurrent(id);
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = kBoxes;
    record.gridElevation = -2.0f;
    for (int32_t j = 0; j < kBoxes; ++j) {
        record.boxes[j] = {j % 8, -2.0f - 0.75f * static_cast<float>(j * j) / 4.0f, 0.0f};
    }
    IP_SetValue(1, &record);
    Bands gain{}, phase{};
    for (int32_t i = 0; i < KSR_BAND_COUNT; ++i) {
        gain[i] = -0.25f * static_cast<float>(i);
        phase[i] = 10.0f * static_cast<float>(i) - 100.0f;
    }
    IP_SetFilter(gain.data(), phase.data());
    const float position[3] = {0.0f, 0.0f, 12.0f};
    const float angles[3] = {0.0f, 0.0f, 0.0f};
    CI_SetLspkPosition3fv(position);
    CI_SetLspkAngles3fv(angles);
}

const std::vector<std::array<float, 3>>& seats() {
    static const std::vector<std::array<float, 3>> all = venueSeats();
    return all;
}

// Once over every seat and component: the largest level difference between
// the two paths and the allocations the shipped one made.
void checkAgreement() {
    setUpModule();
    double largest = 0.0;
    long long allocated = 0;
    for (const auto& seat : seats()) {
        CI_SetSeatPosition3fv(seat.data());
        for (int32_t c = 1; c <= kBoxes; ++c) {
            Bands level{}, phase{};
            float delay = 0.0f;
            const long long before = allocationCount();
            CI_GetCompFR(c, level.data(), phase.data(), &delay);
            allocated += allocationCount() - before;
            ksr::ComponentResponse direct;
            ksr::componentResponseReference(*ksr::moduleState().current, c, ksr::moduleState().environment, true,
                                            direct);
            for (int32_t i = 0; i < KSR_BAND_COUNT; ++i) {
                largest = std::max(largest, std::abs(static_cast<double>(level[i]) - direct.level[i]));
            }
        }
    }
    std::printf("agreement over %zu seats x %d components: largest difference %.6f dB (limit %.3f), "
                "%lld allocations in the shipped path\n",
                seats().size(), kBoxes, largest, kTolerance, allocated);
    if (!(largest <= kTolerance) || allocated != 0) {
        std::printf("FAILED: the shipped path disagrees or allocates\n");
        std::exit(1);
    }
}

void BM_ShippedGetCompFR(benchmark::State& state) {
    setUpModule();
    const auto& all = seats();
    size_t next = 0;
    Bands level{}, phase{};
    float delay = 0.0f;
    for (auto _ : state) {
        CI_SetSeatPosition3fv(all[next].data());
        next = next + 1 == all.size() ? 0 : next + 1;
        for (int32_t c = 1; c <= kBoxes; ++c) {
            benchmark::DoNotOptimize(CI_GetCompFR(c, level.data(), phase.data(), &delay));
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * kBoxes);
}
BENCHMARK(BM_ShippedGetCompFR);

void BM_DirectEvaluation(benchmark::State& state) {
    setUpModule();
    const auto& all = seats();
    size_t next = 0;
    ksr::ComponentResponse response;
    for (auto _ : state) {
        CI_SetSeatPosition3fv(all[next].data());
        next = next + 1 == all.size() ? 0 : next + 1;
        const ksr::ArrayInstance& instance = *ksr::moduleState().current;
        for (int32_t c = 1; c <= kBoxes; ++c) {
            ksr::componentResponseReference(instance, c, ksr::moduleState().environment, true, response);
            benchmark::DoNotOptimize(response);
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * kBoxes);
}
BENCHMARK(BM_DirectEvaluation);

// The console report, remembering each benchmark's calls per second.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto items = run.counters.find("items_per_second");
            if (items != run.counters.end() && run.run_type == Run::RT_Iteration) {
                callsPerSecond[run.benchmark_name()] = items->second.value;
            }
        }
    }
    std::map<std::string, double> callsPerSecond;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    checkAgreement();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto shipped = reporter.callsPerSecond.find("BM_ShippedGetCompFR");
    const auto direct = reporter.callsPerSecond.find("BM_DirectEvaluation");
    if (shipped != reporter.callsPerSecond.end() && direct != reporter.callsPerSecond.end()) {
        std::printf("CI_GetCompFR: %.3g calls/s shipped, %.3g calls/s direct: %.1f times faster "
                    "(target at least 10); 1.6 million calls take %.2f s\n",
                    shipped->second, direct->second, shipped->second / direct->second, 1.6e6 / shipped->second);
    }
    benchmark::Shutdown();
    return 0;
}
