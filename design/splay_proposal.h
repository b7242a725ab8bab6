#pragma once
// Taking an auto-splay proposal into the design the user is editing. The
// proposal goes through the design rules like any edit: it can only carry
// angles the rules allow for the design's own boxes.

#include "design/working_design.h"

namespace ksr {

struct SplayApplication {
    bool applied = false;   // the grid and the angles were written
    bool adjusted = false;  // a value had to be brought onto the rules' grid on the way
};

// Writes the proposal's grid elevation and the difference angles of boxes
// 1..boxCount-1 into design: the grid in whole degrees toward zero, box 0 at
// the grid, each lower angle clamped for its pair of types; the elevations
// follow. With gains, each box's gain too, brought onto the gain grid
// (roundGain); without, the gains stay. Types, count and the ground flag
// stay as they are. Nothing changes (applied false) when the proposal is for
// another count or other types, or its grid is no finite number.
SplayApplication applySplayProposal(WorkingDesign& design, const WorkingDesign& proposal, bool withGains = false);

}  // namespace ksr
