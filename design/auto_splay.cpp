#include "design/auto_splay.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "design/design_rules.h"
#include "design/splay_baselines.h"
#include "design/splay_figures.h"
#include "design/splay_limits.h"
#include "design/splay_search.h"
#include "design/splay_shading.h"
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
constexpr double kHeaviestZone = 1e6;  // a zone's weight, at most

// Gain shading: how far below the unshaded proposal's mean level (1-8 kHz,
// all zones) the shaded one may fall, and its share of the planned work.
constexpr double kShadingAllowance = 1.5;  // dB
constexpr double kShadingWorkPerBox = 60.0;
// The shading search scales pressures in double; the model takes gains in
// single precision. Levels of the two agree to this much.
constexpr double kGainRounding = 1e-6;  // dB
// A zone whose mean residual lies further than this from the target of all
// zones is named in the statements.
constexpr double kZoneOffset = 3.0;  // dB

// The level floor of the search: how far below the best constant-curvature
// array's mean level (1-8 kHz) a proposal may fall before it is penalised.
constexpr double kLevelAllowance = 0.75;  // dB

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
    // Numbers each, the grid and the angles may still add up to elevations
    // beyond any number: such a design hangs nowhere and would be judged
    // silent (perfectly even).
    WorkingDesign summed = design;
    recomputeElevations(summed);
    for (int32_t k = 0; k < design.boxCount; ++k) {
        if (!std::isfinite(summed.elevations[k])) {
            return "The elevation of box " + std::to_string(k + 1) +
                   " (the grid elevation plus the angles down to it) is not a number; enter smaller angles.";
        }
    }
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

std::vector<SplayZone> splayZones(const SplayRequest& request) {
    if (!request.zones.empty()) return request.zones;
    return {SplayZone{request.near, request.far, request.floorNear, request.floorFar, 0.0}};
}

namespace {

// "The far edge ..." as it reads for one zone, or "Zone 2: the far edge ..."
// when the request has several.
std::string zoneMessage(const std::string& prefix, std::string message) {
    if (prefix.empty() || message.empty()) return message;
    message[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(message[0])));
    return prefix + message;
}

std::optional<std::string> checkZone(const SplayZone& zone, const std::string& prefix) {
    if (zone.near < kNearest || zone.near > kLongestDistance) {
        return zoneMessage(prefix, format("The near edge of the audience must lie %g m to %g m from the array.",
                                          kNearest, kLongestDistance));
    }
    if (!(zone.far > zone.near)) return zoneMessage(prefix, "The far edge of the audience must lie beyond its near edge.");
    if (zone.far > kLongestDistance) {
        return zoneMessage(prefix, format("The far edge of the audience must lie within %g m.", kLongestDistance));
    }
    if (zone.floorNear < kLowestFloor || zone.floorNear > kHighestFloor || zone.floorFar < kLowestFloor ||
        zone.floorFar > kHighestFloor) {
        return zoneMessage(prefix, format("Floor heights must lie between %g m and %g m.", kLowestFloor, kHighestFloor));
    }
    if (zone.weight < 0.0 || zone.weight > kHeaviestZone) {
        return zoneMessage(prefix, format("The weight must lie between 0 (the zone's length) and %g.", kHeaviestZone));
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> checkSplayRequest(const WorkingDesign& design, const SplayRequest& request) {
    if (request.zones.size() > kMaxSplayZones) {
        return format("A request holds 1 to %g zones.", static_cast<double>(kMaxSplayZones));
    }
    const std::vector<SplayZone> zones = splayZones(request);
    const bool several = zones.size() > 1;
    auto prefixOf = [&](size_t z) { return several ? "Zone " + std::to_string(z + 1) + ": " : std::string(); };
    if (!std::isfinite(request.trim)) return std::string("The rigging height must be a number.");
    for (size_t z = 0; z < zones.size(); ++z) {
        const std::pair<double, const char*> numbers[] = {
            {zones[z].near, "near edge of the audience"},
            {zones[z].far, "far edge of the audience"},
            {zones[z].floorNear, "floor height at the near edge"},
            {zones[z].floorFar, "floor height at the far edge"},
            {zones[z].weight, "weight"}};
        for (const auto& [value, name] : numbers) {
            if (!std::isfinite(value)) return zoneMessage(prefixOf(z), std::string("The ") + name + " must be a number.");
        }
    }
    const std::pair<double, const char*> numbers[] = {{request.earHeight, "ear height"},
                                                      {request.slope, "target slope"},
                                                      {request.maxStep, "largest step between splays"}};
    for (const auto& [value, name] : numbers) {
        if (!std::isfinite(value)) return std::string("The ") + name + " must be a number.";
    }
    double seating = 0.0;
    double highestFloor = kLowestFloor;
    for (size_t z = 0; z < zones.size(); ++z) {
        if (std::optional<std::string> problem = checkZone(zones[z], prefixOf(z))) return problem;
        seating += std::hypot(zones[z].far - zones[z].near, zones[z].floorFar - zones[z].floorNear);
        highestFloor = std::max({highestFloor, zones[z].floorNear, zones[z].floorFar});
    }
    if (seating > kLongestSeating) {
        return format("The zones hold %.0f m of seats together; at most %g m can be computed.", seating,
                      kLongestSeating);
    }
    if (request.earHeight < 0.0 || request.earHeight > kHighestEar) {
        return format("The ear height must lie between 0 m and %g m.", kHighestEar);
    }
    if (request.trim > kHighestTrim) return format("The rigging height must be at most %g m.", kHighestTrim);
    const double highestEar = highestFloor + request.earHeight;
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

SplayCandidate candidateOf(SplayField& field, const WorkingDesign& design, std::span<const double> target,
                           int32_t zoneCount) {
    SplayCandidate candidate;
    candidate.design = design;
    field.levelsOf(design, candidate.level);
    const AudienceLine& line = field.receivers();
    candidate.distance = line.distance;
    candidate.zone = line.zone;
    candidate.figures = fieldFigures(candidate.level, candidate.distance, target, line.weight);
    candidate.zones = zoneFigures(candidate.level, candidate.distance, target, line.weight, line.zone, zoneCount);
    candidate.allZones = allZoneFigures(candidate.level, candidate.distance, target, line.weight);
    return candidate;
}

// The mean over bands 11..20 of level - target - band mean (weighted over
// all receivers), per receiver.
std::vector<double> meanResidual(const SplayCandidate& candidate, std::span<const double> target,
                                 std::span<const double> weight) {
    std::vector<double> residual(candidate.level.size(), 0.0);
    double total = 0.0;
    for (size_t r = 0; r < residual.size(); ++r) total += weight[r];
    for (int32_t band = kFirstOptimisedBand; band <= kLastOptimisedBand; ++band) {
        double mean = 0.0;
        for (size_t r = 0; r < residual.size(); ++r) mean += weight[r] * (candidate.level[r][band - 1] - target[r]);
        mean /= total;
        for (size_t r = 0; r < residual.size(); ++r) residual[r] += candidate.level[r][band - 1] - target[r] - mean;
    }
    for (double& value : residual) value /= kLastOptimisedBand - kFirstOptimisedBand + 1;
    return residual;
}

// "From 2 m to 6.5 m the level stays more than 6 dB below the target": each
// stretch of a zone where the 1-8 kHz residual stays beyond
// kStretchDeviation ("In zone 2, from ..." when there are several).
void addStretches(const SplayCandidate& proposal, std::span<const double> target, std::span<const double> weight,
                  bool several, std::vector<std::string>& out) {
    const std::vector<double> residual = meanResidual(proposal, target, weight);
    for (const int32_t sign : {-1, +1}) {
        size_t r = 0;
        while (r < residual.size()) {
            if (sign * residual[r] <= kStretchDeviation) {
                ++r;
                continue;
            }
            const size_t first = r;
            const int32_t zone = proposal.zone[first];
            while (r < residual.size() && proposal.zone[r] == zone && sign * residual[r] > kStretchDeviation) ++r;
            const double from = proposal.distance[first], to = proposal.distance[r - 1];
            if (to - from < kShortestStretch) continue;
            const std::string where = several ? "In zone " + std::to_string(zone + 1) + ", from" : "From";
            out.push_back(where + format(" %.1f m to %.1f m the level stays more than %g dB ", from, to,
                                         kStretchDeviation) +
                          (sign < 0 ? "below" : "above") + " the target (1-8 kHz).");
        }
    }
}

std::vector<std::string> unreachedStatements(const SplayResult& result, const SplayRequest& request,
                                             const SplayLimits& limits, std::span<const double> target,
                                             std::span<const double> weight) {
    std::vector<std::string> out;
    const SplayCandidate& proposal = result.proposal;
    const std::vector<SplayZone> zones = splayZones(request);
    const bool several = zones.size() > 1;
    addStretches(proposal, target, weight, several, out);

    // Coverage: the near edge seen lowest from the bottom box, against its
    // aim; the audience's span from the highest far seat to the lowest near
    // seat seen from the reference point.
    const std::vector<SplayBoxPose> poses = splayBoxPoses(proposal.design, request.trim);
    const SplayBoxPose& bottom = poses.back();
    double nearAngle = 90.0, highestFar = -90.0, lowestNear = 90.0;
    for (const SplayZone& zone : zones) {
        nearAngle = std::min(nearAngle, std::atan2(zone.floorNear + request.earHeight - bottom.height,
                                                   zone.near - bottom.distance) *
                                            kRadToDeg);
        highestFar = std::max(highestFar, elevationFromTop(request, zone.far, zone.floorFar));
        lowestNear = std::min(lowestNear, elevationFromTop(request, zone.near, zone.floorNear));
    }
    if (nearAngle < bottom.elevation - kCoverageMargin) {
        double curving = 0.0;
        for (int32_t k = 1; k < limits.boxCount; ++k) curving += -limits.allowed[k].back();
        out.push_back(format("The near edge lies %.0f degrees below the aim of the bottom box; the audience spans "
                             "%.0f degrees seen from the array, and these boxes curve by at most %.0f degrees.",
                             bottom.elevation - nearAngle, highestFar - lowestNear, curving));
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
    if (several) {
        for (size_t z = 0; z < proposal.zones.size(); ++z) {
            const double offset = proposal.zones[z].offset;
            if (std::fabs(offset) <= kZoneOffset) continue;
            out.push_back("Zone " + std::to_string(z + 1) + format(" lies %.1f dB ", std::fabs(offset)) +
                          (offset < 0.0 ? "below" : "above") + " the target of all zones on average (1-8 kHz).");
        }
    }
    const double quieter = result.constantCurvature.figures.meanLevel1to8k - proposal.figures.meanLevel1to8k;
    if (quieter > 1.0) {
        out.push_back(format("The proposal is %.1f dB quieter over the audience (1-8 kHz) than the best "
                             "constant-curvature array.",
                             quieter));
    }
    return out;
}

WorkingDesign withGains(const WorkingDesign& design, const std::array<float, kMaxBoxes>& gain) {
    WorkingDesign result = design;
    for (int32_t k = 0; k < kMaxBoxes; ++k) result.boxes[k].gain = gain[k];
    return result;
}

}  // namespace

SplayResult autoSplay(const WorkingDesign& design, const SplayRequest& request, const SplayProgress& progress,
                      const SplayBudget& budget) {
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
    const int32_t zoneCount = static_cast<int32_t>(splayZones(request).size());

    // Boxes beyond the count may hold types that do not stack; they are not
    // heard, and the rules repair them as the dialog would.
    WorkingDesign working = design;
    enforceStacking(working, ClampAngles::all);
    const SplayLimits limits = splayLimits(working, request);

    SplayField field(working, request, kFirstOptimisedBand, kLastOptimisedBand);
    const std::vector<double> target = targetOffsets(field.distance(), request.slope);
    const std::vector<double> weight = field.receivers().weight;
    const int32_t gridStep = std::max(budget.baselineGridStep, 1);
    const double gridCount = (limits.gridHigh - limits.gridLow) / gridStep + 1;
    const double splayCount = kLargestSplay - limits.smallestSplay + 1;
    const double searchWork = std::max(0.0, budget.searchWorkPerBox) * limits.boxCount;  // NaN: none
    const double shadingWork = request.shadeGains ? kShadingWorkPerBox * limits.boxCount : 0.0;
    SearchMonitor monitor(progress, (gridCount * splayCount + 4.0) * limits.boxCount + searchWork + shadingWork);
    SplayScorer scorer(field, target, monitor);

    const ScoredAngles constant = bestConstantCurvature(scorer, limits, gridStep);
    const SplayAngles share = equalShare(working, request, limits);
    SplayAngles proposal = constant.angles;
    SplayScore proposalScore = constant.score;
    if (!scorer.stopped()) {
        scorer.setLevelFloor(constant.score.meanLevel - kLevelAllowance);
        const SplayAngles starts[] = {constant.angles, shaped(share, limits)};
        const ScoredAngles searched = searchSplay(scorer, limits, starts, searchWork);
        if (searched.found) {
            proposal = searched.angles;
            proposalScore = searched.score;
        }
    }
    WorkingDesign proposed = withAngles(working, proposal);
    WorkingDesign unshaded = proposed;
    bool shaded = false;
    if (request.shadeGains && !scorer.stopped()) {
        const ShadedGains gains = shadeGains(field, proposed, target, weight,
                                             proposalScore.meanLevel - kShadingAllowance, monitor,
                                             std::max(budget.shadingTries, 0));
        // Kept only when it is more even; a cancel keeps the gains so far,
        // which obey the same rules.
        if (gains.summary < proposalScore.summary) {
            proposed = withGains(proposed, gains.gain);
            shaded = true;
        }
    }
    result.cancelled = scorer.stopped();
    result.evaluations = scorer.evaluations();

    WorkingDesign input = design;
    recomputeElevations(input);
    const std::pair<SplayCandidate*, WorkingDesign> finals[] = {
        {&result.proposal, proposed},
        {&result.input, input},
        {&result.constantCurvature, withAngles(working, constant.angles)},
        {&result.equalShare, withAngles(working, share)},
    };
    if (result.cancelled) {
        // A stop answers at once: the designs as far as the search got, not
        // evaluated over every band (that would take as long again).
        for (const auto& [candidate, finalDesign] : finals) candidate->design = finalDesign;
        if (request.shadeGains) result.unshaded.design = unshaded;
        result.unreached.push_back("The search was cancelled; the designs are not evaluated.");
    } else {
        // The designs in every band; the callback still hears between them
        // (a stop asked now changes nothing, the work is nearly done). A
        // shaded proposal has gains of its own, so a field of its own.
        SplayField full(working, request, 1, kBandCount);
        full.setPulse([&monitor] { monitor.advance(1.0); });
        for (const auto& [candidate, finalDesign] : finals) {
            if (candidate == &result.proposal && shaded) continue;
            *candidate = candidateOf(full, finalDesign, target, zoneCount);
        }
        result.evaluations += 4;
        if (request.shadeGains) {
            result.unshaded = candidateOf(full, unshaded, target, zoneCount);
            ++result.evaluations;
            if (shaded) {
                SplayField fullShaded(proposed, request, 1, kBandCount);
                fullShaded.setPulse([&monitor] { monitor.advance(1.0); });
                result.proposal = candidateOf(fullShaded, proposed, target, zoneCount);
                // The rules of shading, judged on the full figures: never
                // less even, never more than the allowance quieter.
                const FieldFigures& plain = result.unshaded.figures;
                if (result.proposal.figures.summary > plain.summary ||
                    result.proposal.figures.meanLevel1to8k <
                        plain.meanLevel1to8k - kShadingAllowance - kGainRounding) {
                    result.proposal = result.unshaded;
                }
            } else {
                result.proposal = result.unshaded;
            }
        }
        result.unreached = unreachedStatements(result, request, limits, target, weight);
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    monitor.finish();
    return result;
}

}  // namespace ksr
