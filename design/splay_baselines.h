#pragma once
// The two designs auto-splay measures its proposal against.
//
// Constant curvature: one splay for every pair of line boxes and a whole-
// degree grid, the best one found by trying every splay the request allows
// with every grid in the search's range: what a user builds by hand.
//
// Equal share: the audience line cut into as many equal shares as there are
// boxes, each box aimed from where it hangs at the middle of its share, top
// box at the far share (several zones: their seats in order of elevation
// seen from the reference point, cut into shares of equal weight), each angle rounded to the nearest one the design
// rules allow for its pair (0° included) before the next box is hung. Fast,
// blind to the acoustics.

#include "design/splay_limits.h"
#include "design/splay_scorer.h"

namespace ksr {

struct ScoredAngles {
    SplayAngles angles;
    SplayScore score;
    bool found = false;  // false when the work was stopped before any design was scored
};

// Ranked by the summary alone. Tries the grids from gridHigh down to gridLow
// gridStep degrees apart (1: every grid). Stops early when the scorer's
// monitor says so and answers the best design scored until then.
ScoredAngles bestConstantCurvature(SplayScorer& scorer, const SplayLimits& limits, int32_t gridStep = 1);

SplayAngles equalShare(const WorkingDesign& design, const SplayRequest& request, const SplayLimits& limits);

}  // namespace ksr
