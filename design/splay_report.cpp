#include "design/splay_report.h"

#include <cstdio>

#include "model/geometry.h"
#include "model/instance.h"
#include "model/numeric.h"
#include "model/placement.h"

namespace ksr {

namespace {

template <class... Args>
std::string formatted(const char* format, Args... args) {
    char buffer[160];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    if (length < 0) return std::string();
    return std::string(buffer, static_cast<size_t>(length) < sizeof buffer ? static_cast<size_t>(length)
                                                                           : sizeof buffer - 1);
}

}  // namespace

std::vector<SideViewBox> sideView(const WorkingDesign& design, double trim) {
    const int32_t count = clampIndex(design.boxCount, kMinBoxes, kMaxBoxes);
    ArrayInstance array;
    ArraySetup setup;
    setup.boxCount = count;
    setup.gridElevation = design.gridElevation;
    for (int32_t k = 0; k < kMaxBoxes; ++k) {
        setup.boxType[static_cast<size_t>(k)] = design.boxes[static_cast<size_t>(k)].type;
        setup.boxElevation[static_cast<size_t>(k)] = design.elevations[static_cast<size_t>(k)];
    }
    applyDesign(setup, array.geometry);
    array.lspkPosition = {0.0f, 0.0f, static_cast<float>(trim)};
    array.lspkAngles = {0.0f, design.gridElevation, 0.0f};
    placeComponents(array);

    std::vector<SideViewBox> boxes;
    for (int32_t k = 0; k < count; ++k) {
        const Vec3& position = array.compPosition[static_cast<size_t>(k)];
        const BoxPlacement& placed = array.geometry.box[static_cast<size_t>(k)];
        boxes.push_back({-static_cast<double>(position[1]), static_cast<double>(position[2]),
                         static_cast<double>(design.gridElevation) + placed.localAngles[1]});
    }
    return boxes;
}

std::vector<double> optimisedBandLevels(const SplayCandidate& candidate) {
    std::vector<double> levels;
    levels.reserve(candidate.level.size());
    constexpr int32_t bands = kLastOptimisedBand - kFirstOptimisedBand + 1;
    for (const auto& receiver : candidate.level) {
        double sum = 0.0;
        for (int32_t band = kFirstOptimisedBand; band <= kLastOptimisedBand; ++band)
            sum += receiver[static_cast<size_t>(band - 1)];
        levels.push_back(sum / bands);
    }
    return levels;
}

std::vector<std::string> splaySummaryLines(const SplayResult& result) {
    std::vector<std::string> lines;
    lines.push_back(formatted("Evenness 1-8 kHz (deviation, lower is better): current %.1f dB, proposal %.1f dB, "
                              "constant curvature %.1f dB",
                              result.input.figures.summary, result.proposal.figures.summary,
                              result.constantCurvature.figures.summary));
    lines.push_back(formatted("Mean level 1-8 kHz: current %.1f dB, proposal %.1f dB, constant curvature %.1f dB",
                              result.input.figures.meanLevel1to8k, result.proposal.figures.meanLevel1to8k,
                              result.constantCurvature.figures.meanLevel1to8k));
    const WorkingDesign& proposal = result.proposal.design;
    std::string splays = formatted("Proposal: grid %d deg, splays", truncateToInt32(proposal.gridElevation));
    const int32_t count = clampIndex(proposal.boxCount, kMinBoxes, kMaxBoxes);
    for (int32_t k = 1; k < count; ++k)
        splays += formatted(" %d", truncateToInt32(proposal.boxes[static_cast<size_t>(k)].differenceAngle));
    lines.push_back(splays + " deg");
    for (const std::string& statement : result.unreached) lines.push_back(statement);
    return lines;
}

}  // namespace ksr
