#pragma once
// What the auto-splay dialog shows of a result, apart from the window: the
// side view of a design over the audience, the level curve over distance
// and the lines of figures. Lengths in metres, angles in degrees, levels in
// dB.

#include <string>
#include <vector>

#include "design/auto_splay.h"
#include "design/working_design.h"

namespace ksr {

// One box seen from the side: its acoustic reference point and its aim.
struct SideViewBox {
    double distance = 0.0;   // horizontal, towards the audience (the host's -y)
    double height = 0.0;     // above the floor datum (the host's z)
    double elevation = 0.0;  // of the aim, degrees, up positive
};

// The first boxCount boxes of design hung from (0, 0, trim), the array
// tilted by its grid elevation, as the host places it.
std::vector<SideViewBox> sideView(const WorkingDesign& design, double trim);

// The level at each receiver averaged over the optimised bands (1 kHz to
// 8 kHz, the mean of their dB values): the curve drawn over distance.
std::vector<double> optimisedBandLevels(const SplayCandidate& candidate);

// The figures in lines of plain text: the evenness (summary) and mean level
// of the current design, the proposal and the best constant-curvature array,
// the proposal's grid and splays, then each statement of what could not be
// reached.
std::vector<std::string> splaySummaryLines(const SplayResult& result);

}  // namespace ksr
