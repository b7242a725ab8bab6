#pragma once
// The auto-splay search: a first-improvement local search over whole-degree
// grids and difference angles, from several starting designs, that only ever
// steps onto designs the rigging, aim and shape rules allow
// (design/splay_limits.h).
//
// Its moves, cheapest first (a move below box k recomputes boxes k and
// below only): one splay a degree up or down; the splays from box k to the
// bottom together; one degree handed between two neighbouring splays; the
// splays from the top to box k together; the grid alone; the grid with the
// first splay, which turns the top box alone. A start is searched until no
// move helps or its share of the work is spent.

#include <cstdint>
#include <span>

#include "design/splay_baselines.h"

namespace ksr {

// The best design reached from starts (each rigged and shaped), spending at
// most workBudget boxes computed at every receiver. Stops early when the
// scorer's monitor says so.
ScoredAngles searchSplay(SplayScorer& scorer, const SplayLimits& limits, std::span<const SplayAngles> starts,
                         double workBudget);

}  // namespace ksr
