#include "design/splay_report.h"

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
