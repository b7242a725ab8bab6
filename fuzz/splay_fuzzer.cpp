// Fuzz target: auto-splay requests. The bytes give a design (most often one
// the dialog could hold, sometimes any values) and a venue with its options
// (most often within the ranges a user types, sometimes any number): one
// audience line or up to eight zones (more are refused), with or without
// gain shading.
//
// A request the check refuses must say why, and autoSplay must hand the
// input design back unevaluated with that sentence. A request it accepts
// goes through the optimiser's pieces with a small budget: the limits of the
// design, the baselines, the shaping of any angles, and the search from a
// start of its own, over a short audience line in the optimised bands. The
// proposal must be rigged and shaped (every angle allowed for its pair, the
// stacking rules passed with nothing to clamp, a whole grid within the aim
// limit), and its levels and figures must be numbers. One small request in
// sixteen also goes through the whole optimiser on a small budget, whose
// result must hold what the product's does: every candidate's figures, the
// rules of shading, and a proposal the dialog takes in unchanged.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "design/auto_splay.h"
#include "design/design_rules.h"
#include "design/splay_baselines.h"
#include "design/splay_field.h"
#include "design/splay_figures.h"
#include "design/splay_limits.h"
#include "design/splay_scorer.h"
#include "design/splay_fields.h"
#include "design/splay_proposal.h"
#include "design/splay_report.h"
#include "design/splay_search.h"
#include "fuzz_support.h"
#include "model/catalogue.h"

namespace {

using ksr::fuzz::FuzzInput;

// Boxes computed at every receiver that the search may spend: a few moves.
constexpr double kWorkBudget = 12.0;
// The whole optimiser's budget: every step of a run and every figure of its
// result, a few moves of each search, and a baseline over every fifth grid.
constexpr ksr::SplayBudget kWholeRunBudget{.searchWorkPerBox = 4.0, .shadingTries = 24, .baselineGridStep = 5};
// Receivers of the longest audience the search runs over.
constexpr size_t kMostReceivers = 40;

ksr::WorkingDesign designOf(FuzzInput& input) {
    ksr::WorkingDesign design;
    const uint8_t mode = input.byte();
    if ((mode & 7) != 0) {
        // A design the dialog could hold: types repaired by the rules.
        design.boxCount = ksr::kMinBoxes + input.byte() % (ksr::kMaxBoxes - ksr::kMinBoxes + 1);
        design.gridElevation = static_cast<float>(static_cast<int8_t>(input.byte()) % 20);
        design.groundStacked = (mode & 0x80) != 0 ? 1 : 0;
        for (ksr::DesignBox& box : design.boxes) {
            box.type = input.byte() % ksr::kBoxTypeCount;
            box.differenceAngle = -static_cast<float>(input.byte() % 11);
            box.gain = -static_cast<float>(input.byte() % 4);
        }
        ksr::enforceStacking(design, ksr::ClampAngles::all);
    } else {
        design.boxCount = input.integer();
        design.gridElevation = input.real();
        design.groundStacked = input.integer();
        for (ksr::DesignBox& box : design.boxes) {
            box.type = input.integer();
            box.differenceAngle = input.real();
            box.gain = input.real();
        }
    }
    ksr::recomputeElevations(design);
    return design;
}

#pragma push_macro("near")
#pragma push_macro("far")
#undef near
#undef far
// A zone within a user's ranges, short enough to keep the receivers few.
ksr::SplayZone zoneOf(FuzzInput& input) {
    ksr::SplayZone zone;
    zone.near = 1.0 + input.byte() % 40;
    zone.far = zone.near + 0.5 * (1 + input.byte() % 8);
    zone.floorNear = 0.25 * static_cast<int8_t>(input.byte()) / 16;
    zone.floorFar = zone.floorNear + 0.25 * (input.byte() % 16);
    zone.weight = input.byte() % 4;
    return zone;
}

ksr::SplayZone wildZone(FuzzInput& input) {
    ksr::SplayZone zone;
    for (double* field : {&zone.near, &zone.far, &zone.floorNear, &zone.floorFar, &zone.weight}) {
        if ((input.byte() & 1) != 0) *field = input.real();
    }
    return zone;
}

// A venue: distances up to a short audience line (at most a dozen
// receivers) or a few short zones, or any numbers.
ksr::SplayRequest requestOf(FuzzInput& input) {
    ksr::SplayRequest request;
    const uint8_t mode = input.byte();
    if ((mode & 7) != 0) {
        request.near = 1.0 + input.byte() % 40;
        request.far = request.near + 0.5 * (1 + input.byte() % 12);
        request.floorNear = 0.25 * static_cast<int8_t>(input.byte()) / 16;
        request.floorFar = request.floorNear + 0.25 * (input.byte() % 16);
        request.earHeight = 0.1 * (input.byte() % 30);
        request.trim = request.floorFar + request.earHeight + 0.5 * (1 + input.byte() % 60);
        request.slope = -0.5 * (input.byte() % 7);
        request.maxStep = input.byte() % 6;
        request.allowZeroSplay = (mode & 0x80) != 0;
        if ((mode & 0x40) != 0) {
            const int zones = 1 + input.byte() % 3;
            for (int i = 0; i < zones; ++i) request.zones.push_back(zoneOf(input));
            request.trim = std::max(request.trim, request.zones.back().floorFar + request.earHeight + 0.5);
        }
    } else {
        double* fields[] = {&request.trim,      &request.near,      &request.far,   &request.floorNear,
                            &request.floorFar,  &request.earHeight, &request.slope, &request.maxStep};
        for (double* field : fields) {
            *field = (input.byte() & 1) != 0 ? static_cast<double>(input.real()) : *field;
        }
        request.allowZeroSplay = (input.byte() & 1) != 0;
        const int zones = input.byte() % 12;  // beyond kMaxSplayZones is refused
        for (int i = 0; i < zones; ++i) request.zones.push_back(wildZone(input));
    }
    request.shadeGains = (input.byte() & 1) != 0;
    return request;
}
#pragma pop_macro("far")
#pragma pop_macro("near")

bool finiteLevels(const ksr::LevelTable& levels, int32_t first, int32_t last) {
    for (const auto& receiver : levels) {
        for (int32_t band = first; band <= last; ++band) {
            if (!std::isfinite(receiver[static_cast<size_t>(band - 1)])) return false;
        }
    }
    return true;
}

// What every design the search hands out holds.
void checkLegal(const ksr::WorkingDesign& working, const ksr::SplayAngles& angles, const ksr::SplayLimits& limits,
                double aimLimit) {
    FUZZ_CHECK(ksr::isRigged(angles, limits));
    FUZZ_CHECK(angles.grid >= limits.gridLow && angles.grid <= limits.gridHigh);
    FUZZ_CHECK(angles.grid <= aimLimit + 1e-9);
    ksr::WorkingDesign design = ksr::withAngles(working, angles);
    FUZZ_CHECK(design.gridElevation == std::trunc(design.gridElevation));
    const ksr::StackingCheck check = ksr::checkStacking(design);
    FUZZ_CHECK(check.passes && check.anglesUnchanged);
    for (int32_t k = 1; k < limits.boxCount; ++k) {
        const std::vector<int32_t>& allowed = limits.allowed[static_cast<size_t>(k)];
        FUZZ_CHECK(std::find(allowed.begin(), allowed.end(), angles.difference[static_cast<size_t>(k)]) !=
                   allowed.end());
    }
}

void refused(const ksr::WorkingDesign& design, const ksr::SplayRequest& request, const std::string& why) {
    FUZZ_CHECK(!why.empty());
    const ksr::SplayResult result = ksr::autoSplay(design, request);
    FUZZ_CHECK(result.unreached.size() == 1 && result.unreached.front() == why);
    FUZZ_CHECK(result.evaluations == 0 && !result.cancelled);
    FUZZ_CHECK(result.proposal.figures.band[0].mean == 0.0 && result.proposal.level.empty());
    for (int32_t k = 0; k < ksr::kMaxBoxes; ++k) {
        const size_t i = static_cast<size_t>(k);
        FUZZ_CHECK(ksr::fuzz::sameBits(result.proposal.design.boxes[i].differenceAngle, design.boxes[i].differenceAngle));
        FUZZ_CHECK(result.proposal.design.boxes[i].type == design.boxes[i].type);
    }
}

// The whole optimiser, for the small requests: a short line, few boxes.
void wholeRun(const ksr::WorkingDesign& design, const ksr::SplayRequest& request) {
    const ksr::SplayResult result = ksr::autoSplay(design, request, {}, kWholeRunBudget);
    FUZZ_CHECK(!result.cancelled && result.evaluations > 0);
    for (const ksr::SplayCandidate* candidate :
         {&result.proposal, &result.input, &result.constantCurvature, &result.equalShare}) {
        FUZZ_CHECK(!candidate->level.empty() && candidate->level.size() == candidate->distance.size());
        FUZZ_CHECK(finiteLevels(candidate->level, 1, ksr::kBandCount));
        FUZZ_CHECK(std::isfinite(candidate->figures.summary) && std::isfinite(candidate->figures.meanLevel1to8k));
        for (const ksr::BandFigures& band : candidate->figures.band) {
            FUZZ_CHECK(std::isfinite(band.mean) && std::isfinite(band.deviation) && std::isfinite(band.spread90to10) &&
                       std::isfinite(band.range) && std::isfinite(band.fittedSlope));
            FUZZ_CHECK(band.shareWithin3dB >= 0.0 && band.shareWithin3dB <= 1.0);
        }
        for (double level : ksr::optimisedBandLevels(*candidate)) FUZZ_CHECK(std::isfinite(level));
    }
    FUZZ_CHECK(result.proposal.zones.size() == ksr::splayZones(request).size());
    for (const ksr::ZoneFigures& zone : result.proposal.zones) {
        FUZZ_CHECK(std::isfinite(zone.summary) && std::isfinite(zone.offset) && std::isfinite(zone.meanLevel1to8k));
        FUZZ_CHECK(zone.shareWithin3dB >= 0.0 && zone.shareWithin3dB <= 1.0);
    }
    if (request.shadeGains) {
        // Shaded gains lie on the gain grid, and shading never makes the
        // proposal less even nor more than the allowance quieter.
        FUZZ_CHECK(!result.unshaded.level.empty());
        for (int32_t k = 0; k < design.boxCount; ++k) {
            const float gain = result.proposal.design.boxes[static_cast<size_t>(k)].gain;
            const float before = result.unshaded.design.boxes[static_cast<size_t>(k)].gain;
            if (!ksr::fuzz::sameBits(gain, before)) {
                FUZZ_CHECK(gain <= 0.0f && gain >= -12.0f && gain * 2.0f == std::trunc(gain * 2.0f));
            }
        }
        FUZZ_CHECK(result.proposal.figures.summary <= result.unshaded.figures.summary + 1e-9);
        FUZZ_CHECK(result.proposal.figures.meanLevel1to8k >= result.unshaded.figures.meanLevel1to8k - 1.5 - 1e-6);
    } else {
        FUZZ_CHECK(result.unshaded.level.empty());
    }
    for (const std::string& line : ksr::splaySummaryLines(result)) FUZZ_CHECK(!line.empty());
    for (const std::string& statement : result.unreached) FUZZ_CHECK(!statement.empty());

    // The proposal is legal for the design's own boxes: taking it in changes
    // no value on the way.
    ksr::WorkingDesign proposal = result.proposal.design;
    const ksr::StackingCheck check = ksr::checkStacking(proposal);
    FUZZ_CHECK(check.passes && check.anglesUnchanged);
    FUZZ_CHECK(proposal.gridElevation == std::trunc(proposal.gridElevation));
    ksr::WorkingDesign edited = design;
    const ksr::SplayApplication application = ksr::applySplayProposal(edited, result.proposal.design);
    bool sameBoxes = true;
    ksr::WorkingDesign working = design;
    ksr::enforceStacking(working, ksr::ClampAngles::all);
    for (int32_t k = 0; k < design.boxCount; ++k) {
        sameBoxes = sameBoxes && working.boxes[static_cast<size_t>(k)].type == design.boxes[static_cast<size_t>(k)].type;
    }
    if (sameBoxes) FUZZ_CHECK(application.applied && !application.adjusted);
}

// The request typed into the auto-splay dialog's fields: a request comes
// only with every number a number and the whole passing the check, else a
// message.
void typedFields(FuzzInput& input, const ksr::WorkingDesign& design) {
    ksr::SplayFieldTexts texts = ksr::openingSplayFields(
        (input.byte() & 1) != 0 ? std::optional<float>(input.real()) : std::nullopt);
    std::string* fields[] = {&texts.trim,     &texts.near,      &texts.far,   &texts.floorNear,
                             &texts.floorFar, &texts.earHeight, &texts.slope, &texts.maxStep};
    const uint8_t typed = input.byte();
    for (size_t i = 0; i < std::size(fields); ++i) {
        if ((typed >> i) & 1u) *fields[i] = input.text(24);
    }
    texts.allowZeroSplay = (input.byte() & 1) != 0;
    const uint8_t zone = input.byte();
    texts.secondZone = (zone & 1) != 0;
    std::string* zoneFields[] = {&texts.zoneNear, &texts.zoneFar, &texts.zoneFloorNear, &texts.zoneFloorFar};
    for (size_t i = 0; i < std::size(zoneFields); ++i) {
        if ((zone >> (i + 1)) & 1u) *zoneFields[i] = input.text(24);
    }
    texts.shadeGains = (zone & 0x20) != 0;
    const ksr::SplayFieldReading reading = ksr::readSplayFields(design, texts);
    FUZZ_CHECK(reading.request.has_value() != !reading.message.empty());
    if (reading.request) {
        FUZZ_CHECK(!ksr::checkSplayRequest(design, *reading.request));
        FUZZ_CHECK(reading.request->zones.size() == (texts.secondZone ? 2u : 0u));
        FUZZ_CHECK(reading.request->shadeGains == texts.shadeGains);
    }
    FUZZ_CHECK(!ksr::splayNumberText(input.real()).empty());
}

void accepted(FuzzInput& input, const ksr::WorkingDesign& design, const ksr::SplayRequest& request) {
    ksr::WorkingDesign working = design;
    ksr::enforceStacking(working, ksr::ClampAngles::all);
    const ksr::SplayLimits limits = ksr::splayLimits(working, request);
    const double aimLimit = ksr::aimLimit(request);
    FUZZ_CHECK(std::isfinite(aimLimit));
    FUZZ_CHECK(limits.boxCount == design.boxCount);
    FUZZ_CHECK(limits.gridLow <= limits.gridHigh && limits.gridHigh <= aimLimit + 1e-9);
    for (int32_t k = 1; k < limits.boxCount; ++k) {
        const size_t i = static_cast<size_t>(k);
        FUZZ_CHECK(!limits.allowed[i].empty());
        for (int32_t angle : limits.allowed[i]) {
            const float a = static_cast<float>(angle);
            FUZZ_CHECK(ksr::clampDifferenceAngle(working.boxes[i].type, working.boxes[i - 1].type, a) == a);
        }
    }

    // The baselines and the shaping of any angles stay within the rules.
    const int32_t span = limits.gridHigh - limits.gridLow + 1;
    const int32_t grid = limits.gridLow + static_cast<int32_t>(input.byte()) % span;
    const int32_t splay = limits.smallestSplay + input.byte() % (ksr::kLargestSplay - limits.smallestSplay + 1);
    FUZZ_CHECK(ksr::isRigged(ksr::constantCurvature(limits, grid, splay), limits));
    const ksr::SplayAngles share = ksr::equalShare(working, request, limits);
    ksr::SplayAngles wild;
    wild.grid = input.integer();
    for (int32_t& angle : wild.difference) angle = input.integer();
    wild.difference[0] = 0;
    for (const ksr::SplayAngles& angles : {ksr::shaped(wild, limits), ksr::shaped(share, limits)}) {
        checkLegal(working, angles, limits, aimLimit);
        FUZZ_CHECK(ksr::hasShape(angles, limits));
    }
    for (const ksr::SplayBoxPose& pose : ksr::splayBoxPoses(working, request.trim)) {
        FUZZ_CHECK(std::isfinite(pose.distance) && std::isfinite(pose.height) && std::isfinite(pose.elevation));
    }

    // The search with a small budget, from a shaped start, over one or two
    // of the optimised bands (the others read as silent): the same code at a
    // fifth of the work. Only over the audiences of a few dozen receivers: a
    // field's work and memory grow with its receivers, and the hundreds of a
    // long audience (a request of any numbers may seat 600 m) would take
    // the target's time and say nothing the short ones do not.
    if (ksr::audienceLine(request).position.size() > kMostReceivers) return;
    const int32_t firstBand = ksr::kFirstOptimisedBand + input.byte() % (ksr::kLastOptimisedBand - ksr::kFirstOptimisedBand + 1);
    const int32_t lastBand = std::min(ksr::kLastOptimisedBand, firstBand + input.byte() % 2);
    ksr::SplayField field(working, request, firstBand, lastBand);
    FUZZ_CHECK(field.receiverCount() >= 2);
    const std::vector<double> target = ksr::targetOffsets(field.distance(), request.slope);
    const ksr::SplayProgress noProgress;
    ksr::SearchMonitor monitor(noProgress, kWorkBudget);
    ksr::SplayScorer scorer(field, target, monitor);
    const ksr::SplayAngles starts[] = {ksr::shaped(wild, limits)};
    const ksr::ScoredAngles searched = ksr::searchSplay(scorer, limits, starts, kWorkBudget);
    FUZZ_CHECK(searched.found);
    FUZZ_CHECK(std::isfinite(searched.score.value) && std::isfinite(searched.score.summary));
    checkLegal(working, searched.angles, limits, aimLimit);
    FUZZ_CHECK(ksr::hasShape(searched.angles, limits));

    ksr::LevelTable levels;
    field.levelsOf(ksr::withAngles(working, searched.angles), levels);
    FUZZ_CHECK(static_cast<int32_t>(levels.size()) == field.receiverCount());
    FUZZ_CHECK(finiteLevels(levels, firstBand, lastBand));
    const ksr::QuickFigures quick = ksr::quickFigures(levels, target);
    FUZZ_CHECK(std::isfinite(quick.summary) && std::isfinite(quick.meanLevel));

    // The whole optimiser, one input in sixteen. The bits must be set: an
    // input that has run out reads zeros, and would otherwise ask for it.
    if ((input.byte() & 15) == 15 && design.boxCount <= 6 && field.receiverCount() <= 5) wholeRun(design, request);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const ksr::WorkingDesign design = designOf(input);
    const ksr::SplayRequest request = requestOf(input);
    typedFields(input, design);
    const std::optional<std::string> problem = ksr::checkSplayRequest(design, request);
    if (problem) {
        refused(design, request, *problem);
    } else {
        accepted(input, design, request);
    }
    return 0;
}
