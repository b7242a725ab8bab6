#include "design/splay_proposal.h"

#include <cmath>

#include "design/design_rules.h"
#include "model/numeric.h"

namespace ksr {

namespace {

bool sameBoxes(const WorkingDesign& design, const WorkingDesign& proposal) {
    if (design.boxCount != proposal.boxCount) return false;
    const int32_t count = clampIndex(design.boxCount, kMinBoxes, kMaxBoxes);
    for (int32_t k = 0; k < count; ++k) {
        if (design.boxes[static_cast<size_t>(k)].type != proposal.boxes[static_cast<size_t>(k)].type) return false;
    }
    return true;
}

}  // namespace

SplayApplication applySplayProposal(WorkingDesign& design, const WorkingDesign& proposal, bool withGains) {
    SplayApplication result;
    if (!sameBoxes(design, proposal) || !std::isfinite(proposal.gridElevation)) return result;
    const int32_t count = clampIndex(design.boxCount, kMinBoxes, kMaxBoxes);

    design.gridElevation = proposal.gridElevation;
    wholeGrid(design);
    result.adjusted = design.gridElevation != proposal.gridElevation;
    for (int32_t k = 0; k < count; ++k) {
        DesignBox& box = design.boxes[static_cast<size_t>(k)];
        const int32_t above = k == 0 ? kNoBoxAbove : design.boxes[static_cast<size_t>(k - 1)].type;
        const float wanted = proposal.boxes[static_cast<size_t>(k)].differenceAngle;
        box.differenceAngle = clampDifferenceAngle(box.type, above, wanted);
        if (box.differenceAngle != wanted) result.adjusted = true;
        if (withGains) {
            const float gain = proposal.boxes[static_cast<size_t>(k)].gain;
            box.gain = roundGain(gain);
            if (box.gain != gain) result.adjusted = true;
        }
    }
    recomputeElevations(design);
    result.applied = true;
    return result;
}

}  // namespace ksr
