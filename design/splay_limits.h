#pragma once
// What auto-splay may propose for a design and a request.
//
// Rigging: every difference angle is one the design rules keep unchanged
// for its pair of box types (clampDifferenceAngle), box 0 hangs at 0° to the
// grid, and the grid is whole degrees.
//
// Aim: the top box (at the grid elevation) aims no higher than 2° above the
// line from the array's reference point to the highest far seat of any zone
// (the far end seen at the largest elevation), and the search
// looks no further than kGridSpan degrees below that.
//
// Shape, over the splays between neighbouring line boxes (the splay of a
// pair is the negated difference angle, so larger splays curve the array
// further down): splays never shrink from top to bottom, except once by one
// degree; no splay is 0° unless the request allows it; neighbouring splays
// differ by at most the request's step (whole degrees). A pair with a single
// cabinet (types 8 and 9) takes any of its allowed angles from 0° down to
// -10° and is left out of the shape.

#include <array>
#include <cstdint>
#include <vector>

#include "design/auto_splay.h"
#include "design/splay_field.h"

namespace ksr {

inline constexpr double kAimAllowance = 2.0;  // degrees above the line to the highest far seat
inline constexpr int32_t kGridSpan = 10;      // degrees below the highest allowed grid that the search tries
inline constexpr int32_t kLargestSplay = 10;  // degrees, between two line boxes

struct SplayLimits {
    int32_t boxCount = kMinBoxes;
    int32_t gridHigh = 0;  // highest grid elevation the aim rule allows
    int32_t gridLow = 0;   // lowest the search tries
    int32_t smallestSplay = 1;  // 0 when the request allows 0° splays
    int32_t step = 2;           // largest change between neighbouring splays
    // Per box k >= 1 (pair k-1, k): the difference angles allowed, from 0
    // down; and whether the pair is of two line boxes (part of the shape).
    std::array<std::vector<int32_t>, kMaxBoxes> allowed{};
    std::array<bool, kMaxBoxes> linePair{};
    // The angles of the boxes beyond boxCount, which the search leaves as
    // they were (brought into their pair's rule).
    std::array<int32_t, kMaxBoxes> hidden{};
};

// The highest elevation in degrees the top box may aim at (not rounded).
double aimLimit(const SplayRequest& request);

// The limits for a design (types passing the stacking rules) and a request
// (passing checkSplayRequest).
SplayLimits splayLimits(const WorkingDesign& design, const SplayRequest& request);

// True when every angle is allowed for its pair and the grid lies in
// gridLow..gridHigh.
bool isRigged(const SplayAngles& angles, const SplayLimits& limits);

// True when the line-box splays have the shape described above.
bool hasShape(const SplayAngles& angles, const SplayLimits& limits);

// The allowed angle nearest to wanted for box k's pair (ties towards 0°).
int32_t nearestAllowed(const SplayLimits& limits, int32_t k, int32_t wanted);

// Constant curvature: every line-box pair at -splay, the other pairs at the
// allowed angle nearest to it.
SplayAngles constantCurvature(const SplayLimits& limits, int32_t grid, int32_t splay);

// The nearest design of the right shape to angles: splays brought into
// range, made non-decreasing from the top, then held within the step of the
// splay above; the grid into gridLow..gridHigh.
SplayAngles shaped(const SplayAngles& angles, const SplayLimits& limits);

}  // namespace ksr
