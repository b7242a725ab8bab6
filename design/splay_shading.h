#pragma once
// Gain shading for auto-splay: with the angles chosen, each box's gain on the
// gain grid (0 to -12 dB in kGainStep steps) so that the field follows the
// target more evenly, mostly by taking down the boxes that cover close rows.
//
// A gain changes a box's pressure by a real factor only, so the shading
// computes each box's pressures once and then tries gains on sums alone: a
// first-improvement local search over one box's gain a step up or down, and
// the gains from box k to the bottom together. A design it moves to must
// keep its mean level (1-8 kHz, all zones, weighted) at or above the level
// floor, and must be more even than the one it leaves.

#include <array>
#include <span>

#include "design/auto_splay.h"
#include "design/splay_field.h"
#include "design/splay_scorer.h"

namespace ksr {

// The shaded gains of design (its angles as they will hang), and what they
// give. Muted boxes and boxes without a measured line stay as they are.
struct ShadedGains {
    std::array<float, kMaxBoxes> gain{};  // per box, the design's sign (0 to -12 dB)
    double summary = 0.0;                 // as quickFigures gives it
    double meanLevel = 0.0;
};

// Starts from the design's gains brought onto the grid; stops after
// mostTries designs tried, or early when the monitor says so (the best gains
// so far). field must have the design's box types and gains; target and
// weight are per receiver of the field.
ShadedGains shadeGains(SplayField& field, const WorkingDesign& design, std::span<const double> target,
                       std::span<const double> weight, double levelFloor, SearchMonitor& monitor,
                       int32_t mostTries = SplayBudget{}.shadingTries);

}  // namespace ksr
