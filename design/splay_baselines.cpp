#include "design/splay_baselines.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "design/design_rules.h"
#include "model/numeric.h"
#include "model/rotation.h"

namespace ksr {

ScoredAngles bestConstantCurvature(SplayScorer& scorer, const SplayLimits& limits, int32_t gridStep) {
    ScoredAngles best;
    gridStep = std::clamp(gridStep, 1, limits.gridHigh - limits.gridLow + 1);  // no step past the range
    // Grid outside, splay inside: box 0 stays put while the splay changes.
    for (int32_t grid = limits.gridHigh; grid >= limits.gridLow; grid -= gridStep) {
        for (int32_t splay = limits.smallestSplay; splay <= kLargestSplay; ++splay) {
            const SplayAngles angles = constantCurvature(limits, grid, splay);
            const SplayScore score = scorer.tryCandidate(angles);
            scorer.accept();
            if (!best.found || score.summary < best.score.summary) best = {angles, score, true};
            if (scorer.stopped()) return best;
        }
    }
    return best;
}

namespace {

// The host position of box k's acoustic reference point for the angles so
// far (boxes below k do not move it).
Vec3 boxPosition(const WorkingDesign& design, const SplayRequest& request, const SplayAngles& angles, int32_t k) {
    ArrayInstance instance;
    hangDesign(withAngles(design, angles), static_cast<float>(request.trim), instance);
    return instance.compPosition[k];
}

// Elevation of the line from a point to a point of the audience, degrees.
double elevationTowards(const Vec3& from, double distance, double height) {
    return std::atan2(height - from[2], distance + from[1]) * kRadToDeg;
}

// The receivers of every zone as seen from the reference point, the highest
// elevation first, with their weights: the audience as one run of seats from
// the top of the view down, for cutting into shares.
struct SeenSeat {
    double elevation = 0.0;  // degrees
    double distance = 0.0;
    double height = 0.0;
    double weight = 0.0;
};

std::vector<SeenSeat> seatsFromTheTop(const SplayRequest& request) {
    const AudienceLine line = audienceLine(request);
    std::vector<SeenSeat> seats;
    for (size_t r = 0; r < line.position.size(); ++r) {
        const double height = line.position[r][2];
        seats.push_back({std::atan2(height - request.trim, line.distance[r]) * kRadToDeg, line.distance[r], height,
                         line.weight[r]});
    }
    std::stable_sort(seats.begin(), seats.end(),
                     [](const SeenSeat& a, const SeenSeat& b) { return a.elevation > b.elevation; });
    return seats;
}

}  // namespace

SplayAngles equalShare(const WorkingDesign& design, const SplayRequest& request, const SplayLimits& limits) {
    const int32_t n = limits.boxCount;
    const std::vector<SplayZone> zones = splayZones(request);
    // Several zones: the seats in order of elevation, cut by weight.
    const std::vector<SeenSeat> seats = zones.size() > 1 ? seatsFromTheTop(request) : std::vector<SeenSeat>{};
    double totalWeight = 0.0;
    for (const SeenSeat& seat : seats) totalWeight += seat.weight;
    // The middle of share k, counted from the far edge (the top of the view).
    auto aimPoint = [&](int32_t k, double& distance, double& height) {
        const double t = (k + 0.5) / n;
        if (seats.empty()) {
            const SplayZone& zone = zones.front();
            distance = zone.far + t * (zone.near - zone.far);
            height = zone.floorFar + t * (zone.floorNear - zone.floorFar) + request.earHeight;
            return;
        }
        double passed = 0.0;
        const SeenSeat* at = &seats.back();
        for (const SeenSeat& seat : seats) {
            passed += seat.weight;
            if (passed >= t * totalWeight) {
                at = &seat;
                break;
            }
        }
        distance = at->distance;
        height = at->height;
    };

    SplayAngles angles;
    for (int32_t k = 1; k < kMaxBoxes; ++k) angles.difference[k] = k < n ? 0 : limits.hidden[k];
    double distance = 0.0, height = 0.0;
    aimPoint(0, distance, height);
    const Vec3 origin{0.0f, 0.0f, static_cast<float>(request.trim)};
    const double top = std::round(elevationTowards(origin, distance, height));
    angles.grid = std::clamp(truncateToInt32(top), limits.gridLow, limits.gridHigh);

    double elevationAbove = angles.grid;
    for (int32_t k = 1; k < n; ++k) {
        aimPoint(k, distance, height);
        const Vec3 position = boxPosition(design, request, angles, k);
        const double wanted = elevationTowards(position, distance, height) - elevationAbove;
        const float rounded = static_cast<float>(std::round(wanted));
        angles.difference[k] =
            truncateToInt32(clampDifferenceAngle(design.boxes[k].type, design.boxes[k - 1].type, rounded));
        elevationAbove += angles.difference[k];
    }
    return angles;
}

}  // namespace ksr
