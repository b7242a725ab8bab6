#include "design/splay_report.h"

#include <cmath>
#include <cstdio>

#include "model/numeric.h"

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

std::vector<std::string> splaySummaryLines(const SplayResult& result, std::span<const std::string> zoneNames) {
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
    const std::vector<ZoneFigures>& zones = result.proposal.zones;
    for (size_t z = 0; zones.size() > 1 && z < zones.size(); ++z) {
        const std::string name = z < zoneNames.size() ? zoneNames[z] : "Zone " + std::to_string(z + 1);
        lines.push_back(name + formatted(": evenness %.1f dB, %.1f dB %s the target, %.0f %% within 3 dB",
                                         zones[z].summary, std::fabs(zones[z].offset),
                                         zones[z].offset < 0.0 ? "below" : "above", 100.0 * zones[z].shareWithin3dB));
    }
    if (!result.unshaded.level.empty()) {
        std::string gains = formatted("Shading: evenness %.1f dB unshaded, %.1f dB shaded, mean level %+.1f dB; gains",
                                      result.unshaded.figures.summary, result.proposal.figures.summary,
                                      result.proposal.figures.meanLevel1to8k - result.unshaded.figures.meanLevel1to8k);
        for (int32_t k = 0; k < count; ++k) gains += formatted(" %g", proposal.boxes[static_cast<size_t>(k)].gain);
        lines.push_back(gains + " dB");
    }
    for (const std::string& statement : result.unreached) lines.push_back(statement);
    return lines;
}

}  // namespace ksr
