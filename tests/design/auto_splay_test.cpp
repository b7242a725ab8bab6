// Auto-splay as its callers use it: every proposal hangs legally and has an
// engineer's shape over seeded random venues and designs, the same request
// gives the same answer, bad requests are refused in words, infeasible ones
// say what was not reached, the progress callback can stop the search, and a
// smaller budget searches less under the same rules.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "design/auto_splay.h"
#include "design/design_rules.h"

using namespace ksr;

namespace {

constexpr int kRandomVenues = 12;

WorkingDesign uniformDesign(int32_t type, int32_t count) {
    WorkingDesign design;
    design.boxCount = count;
    for (DesignBox& box : design.boxes) box = {type, 0.0f, 0.0f};
    recomputeElevations(design);
    return design;
}

SplayRequest smallHall() {
    SplayRequest request;
    request.trim = 7.0;
    request.near = 3.0;
    request.far = 16.0;
    return request;
}

// A design of count boxes whose types may hang in that order, picked from
// what the rules offer below each box; angles and gains at random.
WorkingDesign randomDesign(std::mt19937& random, int32_t count) {
    WorkingDesign design = uniformDesign(kDefaultBoxType, count);
    std::uniform_int_distribution<int> anyAngle(-12, 6);
    std::uniform_int_distribution<int> gainSteps(0, 6);
    do {
        for (int32_t k = 0; k < kMaxBoxes; ++k) {
            const TypeChoices choices = typeChoices(design, k);
            std::uniform_int_distribution<int> pick(0, choices.count - 1);
            design.boxes[k].type = choices.entries[static_cast<size_t>(pick(random))];
            design.boxes[k].differenceAngle = static_cast<float>(anyAngle(random));
            design.boxes[k].gain = -0.5f * static_cast<float>(gainSteps(random));
        }
    } while (!isLineBox(design.boxes[0].type) && !isLineBox(design.boxes[1].type));
    design.gridElevation = static_cast<float>(anyAngle(random));
    recomputeElevations(design);
    return design;
}

SplayRequest randomRequest(std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    SplayRequest request;
    request.near = 2.0 + 6.0 * unit(random);
    request.far = request.near + 5.0 + 15.0 * unit(random);
    request.floorNear = -1.0 + 2.0 * unit(random);
    request.floorFar = request.floorNear + 6.0 * unit(random);
    request.earHeight = 1.0 + 0.3 * unit(random);
    request.trim = std::max(request.floorNear, request.floorFar) + request.earHeight + 1.0 + 10.0 * unit(random);
    request.slope = -3.0 * unit(random);
    request.allowZeroSplay = unit(random) < 0.3;
    request.maxStep = std::floor(4.0 * unit(random));
    return request;
}

double aimLimitOf(const SplayRequest& request) {
    return std::atan2(request.floorFar + request.earHeight - request.trim, request.far) * 180.0 / 3.14159265358979323846 + 2.0;
}

// The rigging, aim and shape rules, written out from what a system engineer
// is promised. Splays are negated difference angles between two line boxes.
void expectLegalAndShaped(const WorkingDesign& given, const SplayRequest& request, const WorkingDesign& proposal) {
    WorkingDesign checked = proposal;
    const StackingCheck check = checkStacking(checked);
    EXPECT_TRUE(check.passes);
    EXPECT_TRUE(check.anglesUnchanged);
    EXPECT_EQ(proposal.gridElevation, std::trunc(proposal.gridElevation));
    EXPECT_LE(proposal.gridElevation, aimLimitOf(request) + 1e-9);
    EXPECT_EQ(proposal.boxes[0].differenceAngle, 0.0f);
    EXPECT_EQ(proposal.boxCount, given.boxCount);

    std::vector<int> splays;
    for (int32_t k = 1; k < proposal.boxCount; ++k) {
        EXPECT_EQ(proposal.boxes[k].type, given.boxes[k].type) << "box " << k;
        EXPECT_EQ(proposal.boxes[k].gain, given.boxes[k].gain) << "box " << k;
        if (isLineBox(proposal.boxes[k].type) && isLineBox(proposal.boxes[k - 1].type)) {
            splays.push_back(static_cast<int>(-proposal.boxes[k].differenceAngle));
        }
    }
    int reversals = 0;
    for (size_t i = 0; i < splays.size(); ++i) {
        EXPECT_LE(splays[i], 10);
        if (!request.allowZeroSplay) {
            EXPECT_GE(splays[i], 1) << "splay " << i;
        }
        if (i == 0) continue;
        EXPECT_LE(std::abs(splays[i] - splays[i - 1]), static_cast<int>(request.maxStep)) << "splay " << i;
        if (splays[i] < splays[i - 1]) {
            ++reversals;
            EXPECT_EQ(splays[i - 1] - splays[i], 1) << "splay " << i;
        }
    }
    EXPECT_LE(reversals, 1);
    float elevation = proposal.gridElevation;
    for (int32_t k = 0; k < kMaxBoxes; ++k) {
        elevation += proposal.boxes[k].differenceAngle;
        EXPECT_EQ(proposal.elevations[k], elevation) << "box " << k;
    }
}

bool mentions(const std::vector<std::string>& statements, const std::string& words) {
    for (const std::string& s : statements) {
        if (s.find(words) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

TEST(AutoSplay, ProposalsOverRandomVenuesAreLegalShapedAndNoWorseThanConstantCurvature) {
    std::mt19937 random(20261210);
    for (int venue = 0; venue < kRandomVenues; ++venue) {
        std::uniform_int_distribution<int> count(4, 7);
        const WorkingDesign design = randomDesign(random, count(random));
        const SplayRequest request = randomRequest(random);
        SCOPED_TRACE("venue " + std::to_string(venue));
        ASSERT_EQ(checkSplayRequest(design, request), std::nullopt);
        const SplayResult result = autoSplay(design, request);
        ASSERT_FALSE(result.cancelled);
        expectLegalAndShaped(design, request, result.proposal.design);
        // The constant-curvature baseline is legal too, and the search starts
        // from it.
        WorkingDesign constant = result.constantCurvature.design;
        EXPECT_TRUE(checkStacking(constant).anglesUnchanged);
        EXPECT_LE(result.proposal.figures.summary, result.constantCurvature.figures.summary + 1e-9);
        EXPECT_GT(result.evaluations, 0);
        EXPECT_EQ(result.proposal.level.size(), result.proposal.distance.size());
    }
}

TEST(AutoSplay, SameInputSameOutput) {
    std::mt19937 random(7);
    const WorkingDesign design = randomDesign(random, 6);
    const SplayRequest request = randomRequest(random);
    const SplayResult first = autoSplay(design, request);
    const SplayResult second = autoSplay(design, request);
    EXPECT_EQ(first.evaluations, second.evaluations);
    EXPECT_EQ(first.proposal.design.gridElevation, second.proposal.design.gridElevation);
    for (int32_t k = 0; k < kMaxBoxes; ++k) {
        EXPECT_EQ(first.proposal.design.boxes[k].differenceAngle, second.proposal.design.boxes[k].differenceAngle);
    }
    EXPECT_EQ(first.proposal.level, second.proposal.level);
    EXPECT_EQ(first.unreached, second.unreached);
}

TEST(AutoSplay, AnEvenFieldBeatsConstantCurvatureOnALongFlatFloor) {
    SplayRequest request;
    request.trim = 10.0;
    request.near = 5.0;
    request.far = 40.0;
    const SplayResult result = autoSplay(uniformDesign(4, 8), request);
    expectLegalAndShaped(uniformDesign(4, 8), request, result.proposal.design);
    EXPECT_LT(result.proposal.figures.summary, 0.9 * result.constantCurvature.figures.summary);
    EXPECT_GT(result.proposal.figures.meanLevel1to8k, result.constantCurvature.figures.meanLevel1to8k - 1.0);
    // Splays grow towards the bottom, where the near seats are.
    EXPECT_GT(-result.proposal.design.boxes[7].differenceAngle, -result.proposal.design.boxes[1].differenceAngle);
}

TEST(AutoSplay, BadRequestsAreRefusedInWords) {
    const WorkingDesign good = uniformDesign(4, 8);
    WorkingDesign stacked = good;
    stacked.groundStacked = 1;
    WorkingDesign misfit = good;
    misfit.boxes[3].type = 0;  // KSR516 may not hang below KSR51 V
    WorkingDesign silent = good;
    for (DesignBox& box : silent.boxes) box.type = 8;
    WorkingDesign nanGain = good;
    nanGain.boxes[2].gain = NAN;
    // Every value a number, but the elevations they add up to are not.
    WorkingDesign overflowing = good;
    overflowing.gridElevation = FLT_MAX;
    overflowing.boxes[2].differenceAngle = FLT_MAX;
    const double nan = std::nan("");
    struct Case {
        const char* name;
        WorkingDesign design;
        SplayRequest request;
        const char* words;
    };
    auto with = [](auto change) {
        SplayRequest request = smallHall();
        change(request);
        return request;
    };
    const Case cases[] = {
        {"far before near", good, with([](SplayRequest& r) { r.far = r.near; }), "beyond its near edge"},
        {"NaN trim", good, with([&](SplayRequest& r) { r.trim = nan; }), "rigging height must be a number"},
        {"infinite far", good, with([](SplayRequest& r) { r.far = INFINITY; }), "far edge"},
        {"NaN slope", good, with([&](SplayRequest& r) { r.slope = nan; }), "target slope"},
        {"trim below the ears", good, with([](SplayRequest& r) { r.trim = 1.0; }), "above the audience"},
        {"trim below a balcony", good, with([](SplayRequest& r) { r.floorFar = 6.5; }), "above the audience"},
        {"near at the array", good, with([](SplayRequest& r) { r.near = 0.0; }), "near edge"},
        {"far beyond reach", good, with([](SplayRequest& r) { r.far = 1e9; }), "far edge"},
        {"negative ear height", good, with([](SplayRequest& r) { r.earHeight = -1.0; }), "ear height"},
        {"step beyond the rigging", good, with([](SplayRequest& r) { r.maxStep = 11.0; }), "largest step"},
        {"rising slope", good, with([](SplayRequest& r) { r.slope = 10.0; }), "target slope"},
        {"ground stacked", stacked, smallHall(), "ground stacked"},
        {"types that do not stack", misfit, smallHall(), "box 4 (KSR516)"},
        {"no line box", silent, smallHall(), "no line box"},
        {"NaN gain", nanGain, smallHall(), "Box 3"},
        {"elevations beyond any number", overflowing, smallHall(), "elevation of box 3"},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> problem = checkSplayRequest(c.design, c.request);
        ASSERT_TRUE(problem.has_value()) << c.name;
        EXPECT_NE(problem->find(c.words), std::string::npos) << c.name << ": " << *problem;
        // autoSplay answers the same words and leaves the design as it was.
        const SplayResult result = autoSplay(c.design, c.request);
        EXPECT_EQ(result.unreached, std::vector<std::string>{*problem}) << c.name;
        EXPECT_EQ(result.evaluations, 0) << c.name;
        EXPECT_EQ(result.proposal.design.boxes[3].type, c.design.boxes[3].type) << c.name;
    }
    EXPECT_EQ(checkSplayRequest(good, smallHall()), std::nullopt);
}

TEST(AutoSplay, AnAudienceTooSteepForFourBoxesGetsTheBestLegalDesignAndSaysWhatIsMissing) {
    SplayRequest request;
    request.trim = 20.0;
    request.near = 1.5;
    request.far = 30.0;
    const WorkingDesign design = uniformDesign(2, 4);
    const SplayResult result = autoSplay(design, request);
    expectLegalAndShaped(design, request, result.proposal.design);
    ASSERT_FALSE(result.unreached.empty());
    EXPECT_TRUE(mentions(result.unreached, "below the aim of the bottom box")) << result.unreached.front();
    EXPECT_TRUE(mentions(result.unreached, "curve by at most 30 degrees"));
}

TEST(AutoSplay, ProgressReportsFractionsInOrderAndFalseStopsTheSearch) {
    const WorkingDesign design = uniformDesign(4, 8);
    SplayRequest request;  // long enough that the search outlasts a progress interval
    request.trim = 10.0;
    request.near = 5.0;
    request.far = 40.0;
    std::vector<double> fractions;
    const SplayResult whole = autoSplay(design, request, [&](double fraction) {
        fractions.push_back(fraction);
        return true;
    });
    EXPECT_FALSE(whole.cancelled);
    ASSERT_FALSE(fractions.empty());
    EXPECT_EQ(fractions.back(), 1.0);
    for (size_t i = 1; i < fractions.size(); ++i) EXPECT_GE(fractions[i], fractions[i - 1]);

    int calls = 0;
    const SplayResult stopped = autoSplay(design, request, [&](double) {
        ++calls;
        return false;
    });
    if (calls > 1) {  // the first call came before the search ended, and asked it to stop
        EXPECT_TRUE(stopped.cancelled);
        EXPECT_LT(stopped.evaluations, whole.evaluations);
        EXPECT_TRUE(mentions(stopped.unreached, "cancelled"));
        EXPECT_TRUE(stopped.proposal.level.empty());  // nothing more is computed once stopped
    }
    expectLegalAndShaped(design, request, stopped.proposal.design);
}

TEST(AutoSplay, BoxPosesHangFromTheRiggingPointAndAimAtTheirElevations) {
    // Four line boxes hung straight from a grid of -10 degrees at 10 m: the
    // chain runs straight down the turned array's axis, each box 0.26 m
    // further, so tilting the aim down swings the lower boxes back, away
    // from the audience; every box aims 10 degrees down.
    WorkingDesign design = uniformDesign(4, 4);
    design.gridElevation = -10.0f;
    recomputeElevations(design);
    const std::vector<SplayBoxPose> poses = splayBoxPoses(design, 10.0);
    ASSERT_EQ(poses.size(), 4u);
    const double turn = -10.0 * 3.14159265358979323846 / 180.0;
    for (size_t k = 0; k < poses.size(); ++k) {
        // The untilted box point: 0.05423 m behind the aim, 0.12994 m + 0.26 m per box below.
        const double back = 0.05423, down = 0.12994 + 0.26 * static_cast<double>(k);
        // Turned by the grid about x: local (y, z) = (back, -down) goes to
        // (cos t · back - sin t · down, -sin t · back - cos t · down).
        const double distance = -(std::cos(turn) * back - std::sin(turn) * down);
        const double height = 10.0 - std::sin(turn) * back - std::cos(turn) * down;
        EXPECT_NEAR(poses[k].distance, distance, 1e-4) << k;
        EXPECT_NEAR(poses[k].height, height, 1e-4) << k;
        EXPECT_DOUBLE_EQ(poses[k].elevation, -10.0) << k;
    }
}

TEST(AutoSplay, TheInputIsEvaluatedAsHandedIn) {
    WorkingDesign design = uniformDesign(4, 6);
    design.gridElevation = -7.5f;  // not a whole degree, and steeper than the aim rule allows
    design.boxes[3].differenceAngle = -4.0f;
    recomputeElevations(design);
    const SplayResult result = autoSplay(design, smallHall());
    EXPECT_EQ(result.input.design.gridElevation, -7.5f);
    EXPECT_EQ(result.input.design.boxes[3].differenceAngle, -4.0f);
    EXPECT_EQ(result.input.design.elevations[5], -11.5f);
    EXPECT_GT(result.input.figures.summary, 0.0);
    EXPECT_NE(result.input.figures.summary, result.proposal.figures.summary);
}

namespace {

// A floor with a balcony over its rear, as the venue of a small theatre.
SplayRequest floorAndBalcony() {
    SplayRequest request;
    request.trim = 10.0;
    request.zones = {{4.0, 20.0, 0.0, 0.0, 0.0}, {12.0, 24.0, 5.0, 6.0, 0.0}};
    return request;
}

double highestFarSeatLimit(const SplayRequest& request) {
    double limit = -90.0;
    for (const SplayZone& zone : request.zones) {
        limit = std::max(limit, std::atan2(zone.floorFar + request.earHeight - request.trim, zone.far) * 180.0 /
                                        3.14159265358979323846 +
                                    2.0);
    }
    return limit;
}

}  // namespace

TEST(AutoSplayZones, ASingleZoneGivesTheSameResultAsTheOneLineForm) {
    const WorkingDesign design = uniformDesign(4, 6);
    SplayRequest lineForm = smallHall();
    lineForm.floorFar = 1.0;
    lineForm.slope = -1.5;
    SplayRequest zoneForm = lineForm;
    zoneForm.near = 99.0;  // not read once zones are given
    zoneForm.zones = {{lineForm.near, lineForm.far, lineForm.floorNear, lineForm.floorFar, 0.0}};
    const SplayResult a = autoSplay(design, lineForm), b = autoSplay(design, zoneForm);
    EXPECT_EQ(a.evaluations, b.evaluations);
    EXPECT_EQ(a.proposal.design.gridElevation, b.proposal.design.gridElevation);
    for (int32_t k = 0; k < kMaxBoxes; ++k) {
        EXPECT_EQ(a.proposal.design.boxes[k].differenceAngle, b.proposal.design.boxes[k].differenceAngle);
    }
    EXPECT_EQ(a.proposal.level, b.proposal.level);
    EXPECT_EQ(a.proposal.figures.summary, b.proposal.figures.summary);
    EXPECT_EQ(a.unreached, b.unreached);
    // One zone: its figures are those of all zones.
    ASSERT_EQ(a.proposal.zones.size(), 1u);
    EXPECT_NEAR(a.proposal.zones[0].summary, a.proposal.figures.summary, 1e-9);
    EXPECT_NEAR(a.proposal.zones[0].offset, 0.0, 1e-9);
    EXPECT_TRUE(a.unshaded.level.empty());
}

TEST(AutoSplayZones, FloorAndBalconyGetOneLegalProposalWithFiguresPerZone) {
    const WorkingDesign design = uniformDesign(4, 8);
    const SplayRequest request = floorAndBalcony();
    const SplayResult result = autoSplay(design, request);
    ASSERT_FALSE(result.cancelled);
    // Legal and shaped, aimed no higher than 2 degrees over the balcony's last row.
    SplayRequest lastRow = request;
    lastRow.far = 24.0;
    lastRow.floorFar = 6.0;
    expectLegalAndShaped(design, lastRow, result.proposal.design);
    EXPECT_LE(result.proposal.design.gridElevation, highestFarSeatLimit(request) + 1e-9);
    SplayRequest floorOnly = request;
    floorOnly.zones.resize(1);
    floorOnly.far = 20.0;
    floorOnly.floorFar = 0.0;
    EXPECT_GT(result.proposal.design.gridElevation, aimLimitOf(floorOnly));  // higher than the floor alone allows
    ASSERT_EQ(result.proposal.zones.size(), 2u);
    // The floor's 33 receivers come first, then the balcony's 26 (12.04 m along).
    ASSERT_EQ(result.proposal.zone.size(), 59u);
    EXPECT_EQ(result.proposal.zone[32], 0);
    EXPECT_EQ(result.proposal.zone[33], 1);
    EXPECT_DOUBLE_EQ(result.proposal.distance[33], 12.0);
    for (const ZoneFigures& zone : result.proposal.zones) {
        EXPECT_GT(zone.summary, 0.0);
        EXPECT_GT(zone.shareWithin3dB, 0.0);
        EXPECT_LE(zone.shareWithin3dB, 1.0);
    }
    // The zones' offsets balance about the target of all zones, by weight
    // (16 m of floor, 12.04 m of balcony).
    const double floor = 16.0, balcony = std::hypot(12.0, 1.0);
    EXPECT_NEAR(floor * result.proposal.zones[0].offset + balcony * result.proposal.zones[1].offset, 0.0, 1e-6);
    EXPECT_NEAR(result.proposal.allZones.summary, result.proposal.figures.summary, 1e-9);
    EXPECT_LE(result.proposal.figures.summary, result.constantCurvature.figures.summary + 1e-9);
}

TEST(AutoSplayZones, BadZonesAreRefusedNamingTheZone) {
    const WorkingDesign good = uniformDesign(4, 8);
    auto with = [](auto change) {
        SplayRequest request = floorAndBalcony();
        change(request);
        return request;
    };
    struct Case {
        const char* name;
        SplayRequest request;
        const char* words;
    };
    const Case cases[] = {
        {"nine zones", with([](SplayRequest& r) { r.zones.resize(9, r.zones[0]); }), "1 to 8 zones"},
        {"balcony far before near", with([](SplayRequest& r) { r.zones[1].far = 10.0; }),
         "Zone 2: the far edge of the audience must lie beyond its near edge"},
        {"NaN floor", with([](SplayRequest& r) { r.zones[0].floorFar = NAN; }),
         "Zone 1: the floor height at the far edge must be a number"},
        {"infinite weight", with([](SplayRequest& r) { r.zones[1].weight = INFINITY; }), "Zone 2: the weight"},
        {"negative weight", with([](SplayRequest& r) { r.zones[1].weight = -1.0; }), "Zone 2: the weight must lie"},
        {"trim below the balcony's ears", with([](SplayRequest& r) { r.zones[1].floorFar = 9.0; }),
         "above the audience"},
        {"too many seats", with([](SplayRequest& r) { r.zones = std::vector<SplayZone>(3, {1, 250, 0, 0, 0}); }),
         "at most 600 m"},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> problem = checkSplayRequest(good, c.request);
        ASSERT_TRUE(problem.has_value()) << c.name;
        EXPECT_NE(problem->find(c.words), std::string::npos) << c.name << ": " << *problem;
    }
    // Eight zones, and a single zone given as a list, are fine.
    EXPECT_EQ(checkSplayRequest(good, with([](SplayRequest& r) { r.zones.resize(8, r.zones[0]); })), std::nullopt);
    EXPECT_EQ(checkSplayRequest(good, with([](SplayRequest& r) { r.zones.resize(1); })), std::nullopt);
}

TEST(AutoSplayShading, ShadedGainsKeepTheAnglesAndTheRulesOnLevelAndEvenness) {
    WorkingDesign design = uniformDesign(4, 10);
    design.boxes[2].gain = -1.0f;
    SplayRequest request = floorAndBalcony();
    const SplayResult plain = autoSplay(design, request);
    request.shadeGains = true;
    const SplayResult shaded = autoSplay(design, request);
    ASSERT_FALSE(shaded.cancelled);
    // The unshaded proposal is the proposal without shading, gains as handed in.
    EXPECT_EQ(shaded.unshaded.level, plain.proposal.level);
    EXPECT_EQ(shaded.unshaded.design.boxes[2].gain, -1.0f);
    EXPECT_EQ(shaded.proposal.design.gridElevation, plain.proposal.design.gridElevation);
    bool changed = false;
    for (int32_t k = 0; k < design.boxCount; ++k) {
        const float gain = shaded.proposal.design.boxes[k].gain;
        EXPECT_EQ(shaded.proposal.design.boxes[k].differenceAngle, plain.proposal.design.boxes[k].differenceAngle);
        EXPECT_EQ(gain, roundGain(gain)) << k;
        EXPECT_GE(gain, kLowestGain) << k;
        changed = changed || gain != design.boxes[k].gain;
    }
    EXPECT_TRUE(changed);
    EXPECT_LT(shaded.proposal.figures.summary, shaded.unshaded.figures.summary);
    EXPECT_GE(shaded.proposal.figures.meanLevel1to8k, shaded.unshaded.figures.meanLevel1to8k - 1.5);
    // Without shading the gains stay as they are.
    for (int32_t k = 0; k < kMaxBoxes; ++k) EXPECT_EQ(plain.proposal.design.boxes[k].gain, design.boxes[k].gain);
}

TEST(AutoSplayBudget, ASmallBudgetSearchesLessUnderTheSameRules) {
    std::mt19937 random(20261211);
    const SplayBudget small{.searchWorkPerBox = 4.0, .shadingTries = 24, .baselineGridStep = 5};
    // Nonsense budgets search as little as they can, and still answer.
    const SplayBudget nonsense[] = {{.searchWorkPerBox = std::nan(""), .shadingTries = -3, .baselineGridStep = 0},
                                    {.searchWorkPerBox = -1.0, .shadingTries = 0, .baselineGridStep = INT32_MIN},
                                    {.searchWorkPerBox = 0.0, .shadingTries = INT32_MAX, .baselineGridStep = INT32_MAX}};
    for (int venue = 0; venue < 3; ++venue) {
        const WorkingDesign design = randomDesign(random, 5);
        SplayRequest request = randomRequest(random);
        SCOPED_TRACE("venue " + std::to_string(venue));
        const SplayResult full = autoSplay(design, request);
        const SplayResult quick = autoSplay(design, request, {}, small);
        ASSERT_FALSE(quick.cancelled);
        expectLegalAndShaped(design, request, quick.proposal.design);
        EXPECT_LT(quick.evaluations, full.evaluations / 2);
        EXPECT_LE(quick.proposal.figures.summary, quick.constantCurvature.figures.summary + 1e-9);
        // The baseline tries every fifth grid from the highest the aim allows.
        const int highest = static_cast<int>(std::floor(aimLimitOf(request) + 1e-9));
        EXPECT_EQ((highest - static_cast<int>(quick.constantCurvature.design.gridElevation)) % 5, 0);
        EXPECT_EQ(quick.proposal.level.size(), full.proposal.level.size());
        for (const SplayBudget& budget : nonsense) {
            const SplayResult answered = autoSplay(design, request, {}, budget);
            expectLegalAndShaped(design, request, answered.proposal.design);
            EXPECT_TRUE(std::isfinite(answered.proposal.figures.summary));
        }

        // Shading on the small budget keeps its rules: gains on the grid,
        // never less even, never more than 1.5 dB quieter.
        request.shadeGains = true;
        const SplayResult shaded = autoSplay(design, request, {}, small);
        for (int32_t k = 0; k < design.boxCount; ++k) {
            EXPECT_EQ(shaded.proposal.design.boxes[k].gain, roundGain(shaded.proposal.design.boxes[k].gain)) << k;
        }
        EXPECT_LE(shaded.proposal.figures.summary, shaded.unshaded.figures.summary + 1e-9);
        EXPECT_GE(shaded.proposal.figures.meanLevel1to8k, shaded.unshaded.figures.meanLevel1to8k - 1.5 - 1e-6);
    }
}
