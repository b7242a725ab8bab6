#pragma once
// What the auto-splay dialog shows of a result, apart from the window: the
// level curve over distance and the lines of figures. Levels in dB. (The
// side view comes from splayBoxPoses.)

#include <span>
#include <string>
#include <vector>

#include "design/auto_splay.h"
#include "design/working_design.h"

namespace ksr {

// The level at each receiver averaged over the optimised bands (1 kHz to
// 8 kHz, the mean of their dB values): the curve drawn over distance.
std::vector<double> optimisedBandLevels(const SplayCandidate& candidate);

// The figures in lines of plain text: the evenness (summary) and mean level
// of the current design, the proposal and the best constant-curvature array,
// the proposal's grid and splays; with several zones the proposal's figures
// per zone, named by zoneNames ("Zone 2" for a zone without a name); with
// shading, what it bought and cost, and the gains; then each statement of
// what could not be reached.
std::vector<std::string> splaySummaryLines(const SplayResult& result,
                                           std::span<const std::string> zoneNames = {});

}  // namespace ksr
