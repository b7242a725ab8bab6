#include "design/auto_splay.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "design/design_rules.h"
#include "design/splay_baselines.h"
#include "design/splay_figures.h"
#include "design/splay_limits.h"
#include "design/splay_search.h"
#include "model/catalogue.h"
#include "model/rotation.h"

namespace ksr {

namespace {

// Limits of a request the optimiser takes on: metres and dB per doubling.
constexpr double kLongestDistance = 300.0;
constexpr double kNearest = 1.0;
constexpr double kHighestTrim = 200.0;
constexpr double kLowestFloor = -50.0, kHighestFloor = 100.0;
constexpr double kHighestEar = 5.0;
constexpr double kSteepestSlope = -6.0, kRisingSlope = 3.0;

// The level floor of the search: how far below the best constant-curvature
// array's mean level (1-8 kHz) a proposal may fall before it is penalised.
constexpr double kLevelAllowance = 0.75;  // dB

// The search's work, in boxes computed at every receiver, per box of the
// design: enough for the local searches to settle on every scenario tried.
constexpr double kSearchWorkPerBox = 400.0;

// Statements about the audience: a stretch counts when the level stays this
// far from the target over at least kShortestStretch metres.
constexpr double kStretchDeviation = 6.0;  // dB
constexpr double kShortestStretch = 1.0;   // metres
constexpr double kSlopeTolerance = 1.5;    // dB per doubling
constexpr double kCoverageMargin = 10.0;   // degrees below the bottom box's aim

std::string format(const char* pattern, double a, double b = 0.0, double c = 0.0) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

std::string boxName(const WorkingDesign& design, int32_t k) {
    const BoxTypeEntry* entry = findBoxType(design.boxes[k].type);
    return "box " + std::to_string(k + 1) + " (" + (entry ? entry->name : "unknown type") + ")";
}

std::optional<std::string> checkDesign(const WorkingDesign& design) {
    if (design.boxCount < kMinBoxes || design.boxCount > kMaxBoxes) return "The design must have 4 to 16 boxes.";
    if (design.groundStacked != 0) {
        return "Auto-splay aims flown arrays; this design is ground stacked. Clear Ground Stacked to aim it.";
    }
    bool audible = false;
    for (int32_t k = 0; k < design.boxCount; ++k) {
        const DesignBox& box = design.boxes[k];
        if (!isCatalogueId(box.type)) return "Box " + std::to_string(k + 1) + " has no known box type.";
        if (!std::isfinite(box.gain) || !std::isfinite(box.differenceAngle)) {
            return "Box " + std::to_string(k + 1) + " needs a gain and an angle that are numbers.";
        }
        audible = audible || isLineBox(box.type);
    }
    if (!std::isfinite(design.gridElevation)) return "The grid elevation must be a number.";
    if (!audible) return "The design has no line box; KB340 and KBS450 carry no measured data to aim.";
    LineBoxTrail trail = startTrail(design.boxes[0].type);
    for (int32_t k = 1; k < design.boxCount; ++k) {
        const int32_t above = design.boxes[k - 1].type;
        const int32_t type = design.boxes[k].type;
        if (!canFollow(type, above) || !canFollow(type, referenceType(trail, above, type))) {
            return "The " + boxName(design, k) + " may not hang below the boxes above it; repair the design first.";
        }
        passBox(trail, type);
    }
    return std::nullopt;
}

// Elevation of the line from the reference point to a point of the
// audience, degrees.
double elevationFromTop(const SplayRequest& request, double distance, double floor) {
    return std::atan2(floor + request.earHeight - request.trim, distance) * kRadToDeg;
}

}  // namespace

std::optional<std::string> checkSplayRequest(const WorkingDesign& design, const SplayRequest& request) {
    const std::pair<double, const char*> numbers[] = {
        {request.trim, "rigging height"},  {request.near, "near edge of the audience"},
        {request.far, "far edge of the audience"}, {request.floorNear, "floor height at the near edge"},
        {request.floorFar, "floor height at the far edge"}, {request.earHeight, "ear height"},
        {request.slope, "target slope"},   {request.maxStep, "largest step between splays"}};
    for (const auto& [value, name] : numbers) {
        if (!std::isfinite(value)) return std::string("The ") + name + " must be a number.";
    }
    if (request.near < kNearest || request.near > kLongestDistance) {
        return format("The near edge of the audience must lie %g m to %g m from the array.", kNearest, kLongestDistance);
    }
    if (!(request.far > request.near)) return std::string("The far edge of the audience must lie beyond its near edge.");
    if (request.far > kLongestDistance) return format("The far edge of the audience must lie within %g m.", kLongestDistance);
    if (request.floorNear < kLowestFloor || request.floorNear > kHighestFloor || request.floorFar < kLowestFloor ||
        request.floorFar > kHighestFloor) {
        return format("Floor heights must lie between %g m and %g m.", kLowestFloor, kHighestFloor);
    }
    if (request.earHeight < 0.0 || request.earHeight > kHighestEar) {
        return format("The ear height must lie between 0 m and %g m.", kHighestEar);
    }
    if (request.trim > kHighestTrim) return format("The rigging height must be at most %g m.", kHighestTrim);
    const double highestEar = std::max(request.floorNear, request.floorFar) + request.earHeight;
    if (!(request.trim > highestEar)) {
        return format("The array must hang above the audience: the rigging height %g m is not above the ears at "
                      "%g m.",
                      request.trim, highestEar);
    }
    if (request.slope < kSteepestSlope || request.slope > kRisingSlope) {
        return format("The target slope must lie between %g and %g dB per doubling of distance.", kSteepestSlope,
                      kRisingSlope);
    }
    if (request.maxStep < 0.0 || request.maxStep > kLargestSplay) {
        return format("The largest step between neighbouring splays must lie between 0 and %g degrees.",
                      kLargestSplay);
    }
    return checkDesign(design);
}

std::vector<SplayBoxPose> splayBoxPoses(const WorkingDesign& design, double trim) {
    WorkingDesign placed = design;
    recomputeElevations(placed);
    ArrayInstance instance;
    hangDesign(placed, static_cast<float>(trim), instance);
    const int32_t count = std::clamp(design.boxCount, kMinBoxes, kMaxBoxes);
    std::vector<SplayBoxPose> poses;
    for (int32_t k = 0; k < count; ++k) {
        poses.push_back({-static_cast<double>(instance.compPosition[k][1]), instance.compPosition[k][2],
                         placed.elevations[k]});
    }
    return poses;
}

namespace {

SplayCandidate candidateOf(SplayField& field, const WorkingDesign& design, std::span<const double> target) {
    SplayCandidate candidate;
    candidate.design = design;
    field.levelsOf(design, candidate.level);
    candidate.distance = field.distance();
    candidate.figures = fieldFigures(candidate.level, candidate.distance, target);
    return candidate;
}

// The mean over bands 11..20 of level - target - band mean, per receiver.
std::vector<double> meanResidual(const SplayCandidate& candidate, std::span<const double> target) {
    std::vector<double> residual(candidate.level.size(), 0.0);
    for (int32_t band = kFirstOptimisedBand; band <= kLastOptimisedBand; ++band) {
        double mean = 0.0;
        for (size_t r = 0; r < residual.size(); ++r) mean += candidate.level[r][band - 1] - target[r];
        mean /= static_cast<double>(residual.size());
        for (size_t r = 0; r < residual.size(); ++r) residual[r] += candidate.level[r][band - 1] - target[r] - mean;
    }
    for (double& value : residual) value /= kLastOptimisedBand - kFirstOptimisedBand + 1;
    return residual;
}

// "From 2 m to 6.5 m the level stays more than 6 dB below the target": each
// stretch where the 1-8 kHz residual stays beyond kStretchDeviation.
void addStretches(const SplayCandidate& proposal, std::span<const double> target, std::vector<std::string>& out) {
    const std::vector<double> residual = meanResidual(proposal, target);
    for (const int32_t sign : {-1, +1}) {
        size_t r = 0;
        while (r < residual.size()) {
            if (sign * residual[r] <= kStretchDeviation) {
                ++r;
                continue;
            }
            const size_t first = r;
            while (r < residual.size() && sign * residual[r] > kStretchDeviation) ++r;
            const double from = proposal.distance[first], to = proposal.distance[r - 1];
            if (to - from < kShortestStretch) continue;
            out.push_back(format("From %.1f m to %.1f m the level stays more than %g dB ", from, to, kStretchDeviation) +
                          (sign < 0 ? "below" : "above") + " the target (1-8 kHz).");
        }
    }
}

std::vector<std::string> unreachedStatements(const SplayResult& result, const SplayRequest& request,
                                             const SplayLimits& limits, std::span<const double> target) {
    std::vector<std::string> out;
    const SplayCandidate& proposal = result.proposal;
    addStretches(proposal, target, out);

    // Coverage: the nearest receivers seen from the bottom box, against its aim.
    const std::vector<SplayBoxPose> poses = splayBoxPoses(proposal.design, request.trim);
    const SplayBoxPose& bottom = poses.back();
    const double nearAngle = std::atan2(request.floorNear + request.earHeight - bottom.height,
                                        request.near - bottom.distance) *
                             kRadToDeg;
    if (nearAngle < bottom.elevation - kCoverageMargin) {
        double curving = 0.0;
        for (int32_t k = 1; k < limits.boxCount; ++k) curving += -limits.allowed[k].back();
        out.push_back(format("The near edge lies %.0f degrees below the aim of the bottom box; the audience spans "
                             "%.0f degrees seen from the array, and these boxes curve by at most %.0f degrees.",
                             bottom.elevation - nearAngle,
                             elevationFromTop(request, request.far, request.floorFar) -
                                 elevationFromTop(request, request.near, request.floorNear),
                             curving));
    }

    double slope = 0.0;
    for (int32_t band = kFirstOptimisedBand; band <= kLastOptimisedBand; ++band) {
        slope += proposal.figures.band[band - 1].fittedSlope;
    }
    slope /= kLastOptimisedBand - kFirstOptimisedBand + 1;
    if (std::fabs(slope - request.slope) > kSlopeTolerance) {
        out.push_back(format("The level changes by %.1f dB per doubling of distance (1-8 kHz) against a target of "
                             "%.1f dB.",
                             slope, request.slope));
    }
    const double quieter = result.constantCurvature.figures.meanLevel1to8k - proposal.figures.meanLevel1to8k;
    if (quieter > 1.0) {
        out.push_back(format("The proposal is %.1f dB quieter over the audience (1-8 kHz) than the best "
                             "constant-curvature array.",
                             quieter));
    }
    return out;
}

}  // namespace

SplayResult autoSplay(const WorkingDesign& design, const SplayRequest& request, const SplayProgress& progress) {
    const auto started = std::chrono::steady_clock::now();
    SplayResult result;
    if (const std::optional<std::string> problem = checkSplayRequest(design, request)) {
        WorkingDesign input = design;
        recomputeElevations(input);
        result.input.design = result.proposal.design = result.constantCurvature.design = result.equalShare.design =
            input;
        result.unreached.push_back(*problem);
        return result;
    }

    // Boxes beyond the count may hold types that do not stack; they are not
    // heard, and the rules repair them as the dialog would.
    WorkingDesign working = design;
    enforceStacking(working, ClampAngles::all);
    const SplayLimits limits = splayLimits(working, request);

    SplayField field(working, request, kFirstOptimisedBand, kLastOptimisedBand);
    const std::vector<double> target = targetOffsets(field.distance(), request.slope);
    const double gridCount = limits.gridHigh - limits.gridLow + 1;
    const double splayCount = kLargestSplay - limits.smallestSplay + 1;
    const double searchWork = kSearchWorkPerBox * limits.boxCount;
    SearchMonitor monitor(progress, (gridCount * splayCount + 4.0) * limits.boxCount + searchWork);
    SplayScorer scorer(field, target, monitor);

    const ScoredAngles constant = bestConstantCurvature(scorer, limits);
    const SplayAngles share = equalShare(working, request, limits);
    SplayAngles proposal = constant.angles;
    if (!scorer.stopped()) {
        scorer.setLevelFloor(constant.score.meanLevel - kLevelAllowance);
        const SplayAngles starts[] = {constant.angles, shaped(share, limits)};
        const ScoredAngles searched = searchSplay(scorer, limits, starts, searchWork);
        if (searched.found) proposal = searched.angles;
    }
    result.cancelled = scorer.stopped();
    result.evaluations = scorer.evaluations();

    WorkingDesign input = design;
    recomputeElevations(input);
    const std::pair<SplayCandidate*, WorkingDesign> finals[] = {
        {&result.proposal, withAngles(working, proposal)},
        {&result.input, input},
        {&result.constantCurvature, withAngles(working, constant.angles)},
        {&result.equalShare, withAngles(working, share)},
    };
    if (result.cancelled) {
        // A stop answers at once: the designs as far as the search got, not
        // evaluated over every band (that would take as long again).
        for (const auto& [candidate, finalDesign] : finals) candidate->design = finalDesign;
        result.unreached.push_back("The search was cancelled; the designs are not evaluated.");
    } else {
        // The four designs in every band; the callback still hears between
        // them (a stop asked now changes nothing, the work is nearly done).
        SplayField full(working, request, 1, kBandCount);
        full.setPulse([&monitor] { monitor.advance(1.0); });
        for (const auto& [candidate, finalDesign] : finals) *candidate = candidateOf(full, finalDesign, target);
        result.evaluations += 4;
        result.unreached = unreachedStatements(result, request, limits, target);
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    monitor.finish();
    return result;
}

}  // namespace ksr
