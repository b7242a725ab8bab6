#include "design/splay_limits.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "design/design_rules.h"
#include "model/numeric.h"
#include "model/rotation.h"

namespace ksr {

double aimLimit(const SplayRequest& request) {
    double highest = -90.0;
    for (const SplayZone& zone : splayZones(request)) {
        const double rise = zone.floorFar + request.earHeight - request.trim;
        highest = std::max(highest, std::atan2(rise, zone.far) * kRadToDeg);
    }
    return highest + kAimAllowance;
}

SplayLimits splayLimits(const WorkingDesign& design, const SplayRequest& request) {
    SplayLimits limits;
    limits.boxCount = std::clamp(design.boxCount, kMinBoxes, kMaxBoxes);
    // A hair of tolerance so that a limit of exactly n degrees allows n.
    limits.gridHigh = truncateToInt32(std::floor(aimLimit(request) + 1e-9));
    limits.gridHigh = std::clamp(limits.gridHigh, -90, 90);
    limits.gridLow = std::max(limits.gridHigh - kGridSpan, -90);
    limits.smallestSplay = request.allowZeroSplay ? 0 : 1;
    limits.step = std::clamp(truncateToInt32(std::floor(request.maxStep + 1e-9)), 0, kLargestSplay);
    for (int32_t k = 1; k < kMaxBoxes; ++k) {
        const int32_t type = design.boxes[k].type;
        const int32_t above = design.boxes[k - 1].type;
        limits.linePair[k] = isLineBox(type) && isLineBox(above);
        for (int32_t angle = 0; angle >= -kLargestSplay; --angle) {
            const float a = static_cast<float>(angle);
            if (clampDifferenceAngle(type, above, a) != a) continue;
            if (limits.linePair[k] && -angle < limits.smallestSplay) continue;
            limits.allowed[k].push_back(angle);
        }
        // 0° fits every pair, so a pair outside the shape always has an
        // angle; a line pair always has -1..-10.
        limits.hidden[k] = truncateToInt32(clampDifferenceAngle(type, above, design.boxes[k].differenceAngle));
    }
    return limits;
}

bool isRigged(const SplayAngles& angles, const SplayLimits& limits) {
    if (angles.grid < limits.gridLow || angles.grid > limits.gridHigh) return false;
    if (angles.difference[0] != 0) return false;
    for (int32_t k = 1; k < kMaxBoxes; ++k) {
        if (k >= limits.boxCount) {
            if (angles.difference[k] != limits.hidden[k]) return false;
            continue;
        }
        const std::vector<int32_t>& allowed = limits.allowed[k];
        if (std::find(allowed.begin(), allowed.end(), angles.difference[k]) == allowed.end()) return false;
    }
    return true;
}

bool hasShape(const SplayAngles& angles, const SplayLimits& limits) {
    int32_t previous = -1;  // no line pair seen yet
    int32_t reversals = 0;
    for (int32_t k = 1; k < limits.boxCount; ++k) {
        if (!limits.linePair[k]) continue;
        const int64_t wide = -static_cast<int64_t>(angles.difference[k]);  // -INT32_MIN does not fit
        if (wide < limits.smallestSplay || wide > kLargestSplay) return false;
        const int32_t splay = static_cast<int32_t>(wide);
        if (previous >= 0) {
            if (std::abs(splay - previous) > limits.step) return false;
            if (splay < previous) {
                if (previous - splay > 1 || ++reversals > 1) return false;
            }
        }
        previous = splay;
    }
    return true;
}

int32_t nearestAllowed(const SplayLimits& limits, int32_t k, int32_t wanted) {
    const std::vector<int32_t>& allowed = limits.allowed[k];
    int32_t best = allowed.empty() ? 0 : allowed.front();
    // Distances in 64 bits: wanted may be any int32.
    const auto distance = [wanted](int32_t angle) { return std::llabs(static_cast<int64_t>(angle) - wanted); };
    for (const int32_t angle : allowed) {  // from 0 down, so ties keep the one nearer 0
        if (distance(angle) < distance(best)) best = angle;
    }
    return best;
}

SplayAngles constantCurvature(const SplayLimits& limits, int32_t grid, int32_t splay) {
    SplayAngles angles;
    angles.grid = grid;
    for (int32_t k = 1; k < kMaxBoxes; ++k) {
        angles.difference[k] = k < limits.boxCount ? nearestAllowed(limits, k, -splay) : limits.hidden[k];
    }
    return angles;
}

SplayAngles shaped(const SplayAngles& angles, const SplayLimits& limits) {
    SplayAngles result = angles;
    result.grid = std::clamp(angles.grid, limits.gridLow, limits.gridHigh);
    result.difference[0] = 0;
    int32_t previous = -1;
    for (int32_t k = 1; k < kMaxBoxes; ++k) {
        if (k >= limits.boxCount) {
            result.difference[k] = limits.hidden[k];
            continue;
        }
        if (!limits.linePair[k]) {
            result.difference[k] = nearestAllowed(limits, k, angles.difference[k]);
            continue;
        }
        int32_t splay = static_cast<int32_t>(std::clamp<int64_t>(-static_cast<int64_t>(angles.difference[k]),
                                                                  limits.smallestSplay, kLargestSplay));
        if (previous >= 0) splay = std::clamp(splay, previous, previous + limits.step);
        result.difference[k] = -splay;
        previous = splay;
    }
    return result;
}

}  // namespace ksr
