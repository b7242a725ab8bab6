// The auto-splay field against the band-averaged sum written out from its
// definition: each box's share from componentResponse on an instance hung by
// applyDesign and placeComponents, summed by bandAveragedLevel. The field's
// precomputed phasors and its incremental updates must give the same levels.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "design/design_rules.h"
#include "design/splay_field.h"
#include "model/band_average.h"
#include "model/placement.h"
#include "model/response.h"

using namespace ksr;

namespace {

constexpr double kSameLevel = 1e-6;  // dB

SplayRequest hall() {
    SplayRequest request;
    request.trim = 8.0;
    request.near = 3.0;
    request.far = 14.2;  // not a whole number of spacings: the last gap is shorter
    request.floorNear = 0.0;
    request.floorFar = 1.5;
    return request;
}

WorkingDesign mixedDesign() {
    WorkingDesign design;
    design.boxCount = 6;
    const int32_t types[] = {4, 6, 6, 8, 4, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5};
    const float angles[] = {0, -1, -2, 0, -3, -5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const float gains[] = {0, -1.5f, 0, 0, -3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int32_t k = 0; k < kMaxBoxes; ++k) design.boxes[k] = {types[k], gains[k], angles[k]};
    design.gridElevation = -6.0f;
    recomputeElevations(design);
    return design;
}

// The levels of a design at the request's receivers, from the definitions.
std::vector<std::array<double, kBandCount>> referenceLevels(const WorkingDesign& design, const SplayRequest& request,
                                                            const std::vector<Vec3>& receivers) {
    ArraySetup setup;
    setup.boxCount = design.boxCount;
    setup.gridElevation = design.gridElevation;
    float elevation = design.gridElevation;
    for (int32_t k = 0; k < kMaxBoxes; ++k) {
        elevation += design.boxes[k].differenceAngle;
        setup.boxType[k] = design.boxes[k].type;
        setup.boxElevation[k] = elevation;
        setup.boxGain[k] = -design.boxes[k].gain;
    }
    ArrayInstance instance;
    instance.flags = kInstanceInUse;
    applyDesign(setup, instance.geometry);
    instance.lspkPosition = {0.0f, 0.0f, static_cast<float>(request.trim)};
    instance.lspkAngles = {0.0f, design.gridElevation, 0.0f};
    placeComponents(instance);
    const Environment air{343.0f, 50.0f, 20.0f, 1013.25f};

    const auto cache = std::make_unique<ResponseCache>();  // some 2 MB: not on the stack
    std::vector<std::array<double, kBandCount>> levels;
    for (const Vec3& seat : receivers) {
        instance.seatPosition = seat;
        std::vector<ComponentResponse> responses(static_cast<size_t>(design.boxCount));
        for (int32_t c = 1; c <= design.boxCount; ++c) componentResponse(instance, c, air, true, *cache, responses[c - 1]);
        std::array<double, kBandCount> row{};
        for (int32_t band = 1; band <= kBandCount; ++band) {
            std::vector<BandShare> shares;
            for (const ComponentResponse& r : responses) shares.push_back({r.level[band - 1], r.phase[band - 1], r.delay});
            row[band - 1] = bandAveragedLevel(shares, band);
        }
        levels.push_back(row);
    }
    return levels;
}

void expectSameLevels(const LevelTable& levels, const std::vector<std::array<double, kBandCount>>& expected,
                      int32_t firstBand, int32_t lastBand) {
    ASSERT_EQ(levels.size(), expected.size());
    for (size_t r = 0; r < levels.size(); ++r) {
        for (int32_t band = firstBand; band <= lastBand; ++band) {
            EXPECT_NEAR(levels[r][band - 1], expected[r][band - 1], kSameLevel) << "receiver " << r << " band " << band;
        }
    }
}

SplayAngles anglesOf(const WorkingDesign& design) {
    SplayAngles angles;
    angles.grid = static_cast<int32_t>(design.gridElevation);
    for (int32_t k = 0; k < kMaxBoxes; ++k) angles.difference[k] = static_cast<int32_t>(design.boxes[k].differenceAngle);
    return angles;
}

}  // namespace

TEST(AudienceLine, ReceiversAtMostHalfAMetreApartFromEdgeToEdge) {
    const SplayRequest request = hall();
    const AudienceLine line = audienceLine(request);
    ASSERT_GE(line.position.size(), 2u);
    EXPECT_FLOAT_EQ(line.position.front()[1], -3.0f);
    EXPECT_FLOAT_EQ(line.position.front()[2], 1.2f);
    EXPECT_FLOAT_EQ(line.position.back()[1], -14.2f);
    EXPECT_FLOAT_EQ(line.position.back()[2], 2.7f);
    // 11.2 m across and 1.5 m up: 11.3 m along the line, 23 gaps.
    EXPECT_EQ(line.position.size(), 24u);
    for (size_t r = 1; r < line.position.size(); ++r) {
        const double dy = line.position[r][1] - line.position[r - 1][1];
        const double dz = line.position[r][2] - line.position[r - 1][2];
        EXPECT_LE(std::hypot(dy, dz), kReceiverSpacing + 1e-6);
        EXPECT_NEAR(line.distance[r], -line.position[r][1], 1e-5);
    }
}

TEST(AudienceLine, ZonesRunOneAfterTheOtherAndEveryMetreOfSeatsWeighsTheSame) {
    // A floor with a balcony over its rear (overlapping in distance), a floor
    // that meets a raked tier, and a balcony weighted three times its length.
    struct Case {
        const char* name;
        std::vector<SplayZone> zones;
        std::vector<size_t> receivers;      // per zone
        std::vector<double> zoneWeight;     // per zone, before scaling
    };
    const Case cases[] = {
        {"floor + balcony", {{5, 30, 0, 0, 0}, {18, 35, 7, 8, 0}}, {51, 36}, {25.0, std::hypot(17.0, 1.0)}},
        {"floor + tier", {{4, 20, 0, 0, 0}, {20, 32, 0, 5, 0}}, {33, 27}, {16.0, 13.0}},
        {"weighted balcony", {{5, 30, 0, 0, 0}, {18, 35, 7, 8, 51.0}}, {51, 36}, {25.0, 51.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SplayRequest request;
        request.trim = 12.0;
        request.zones = c.zones;
        const AudienceLine line = audienceLine(request);
        ASSERT_EQ(line.position.size(), c.receivers[0] + c.receivers[1]);
        ASSERT_EQ(line.weight.size(), line.position.size());
        ASSERT_EQ(line.zone.size(), line.position.size());
        double total = 0.0;
        std::vector<double> perZone(2, 0.0);
        for (size_t r = 0; r < line.position.size(); ++r) {
            const size_t z = r < c.receivers[0] ? 0 : 1;
            EXPECT_EQ(line.zone[r], static_cast<int32_t>(z)) << r;
            total += line.weight[r];
            perZone[z] += line.weight[r];
        }
        // Each zone runs from its near edge to its far edge at ear height.
        const size_t first = c.receivers[0], last = line.position.size() - 1;
        EXPECT_FLOAT_EQ(line.position[first - 1][1], static_cast<float>(-c.zones[0].far));
        EXPECT_FLOAT_EQ(line.position[first][1], static_cast<float>(-c.zones[1].near));
        EXPECT_FLOAT_EQ(line.position[first][2], static_cast<float>(c.zones[1].floorNear + 1.2));
        EXPECT_FLOAT_EQ(line.position[last][2], static_cast<float>(c.zones[1].floorFar + 1.2));
        // The weights add up to the receiver count and split as the zones weigh.
        EXPECT_NEAR(total, static_cast<double>(line.position.size()), 1e-9);
        EXPECT_NEAR(perZone[1] / perZone[0], c.zoneWeight[1] / c.zoneWeight[0], 1e-9);
    }
}

TEST(AudienceLine, TheOneZoneFormAndASingleZoneGiveTheSameReceiversAllWeighingOne) {
    SplayRequest lineForm = hall();
    SplayRequest zoneForm;
    zoneForm.trim = lineForm.trim;
    zoneForm.zones = {{3.0, 14.2, 0.0, 1.5, 0.0}};
    const AudienceLine a = audienceLine(lineForm), b = audienceLine(zoneForm);
    EXPECT_EQ(a.position, b.position);
    EXPECT_EQ(a.distance, b.distance);
    for (const double w : a.weight) EXPECT_EQ(w, 1.0);
}

TEST(SplayField, AllBandsMatchTheBandAveragedSumOfTheComponentResponses) {
    const SplayRequest request = hall();
    const WorkingDesign design = mixedDesign();
    SplayField field(design, request, 1, kBandCount);
    LevelTable levels;
    field.levelsOf(design, levels);
    expectSameLevels(levels, referenceLevels(design, request, audienceLine(request).position), 1, kBandCount);
}

TEST(SplayField, IncrementalCandidatesMatchTheirOwnFullSums) {
    const SplayRequest request = hall();
    const WorkingDesign design = mixedDesign();
    const std::vector<Vec3> receivers = audienceLine(request).position;
    SplayField field(design, request, kFirstOptimisedBand, kLastOptimisedBand);
    LevelTable levels;
    field.setCurrent(anglesOf(design), levels);
    expectSameLevels(levels, referenceLevels(design, request, receivers), kFirstOptimisedBand, kLastOptimisedBand);

    // A change low in the array recomputes only the boxes from there; a grid
    // change recomputes all. Accepted and rejected candidates alternate, so
    // the kept sums must follow exactly what was accepted.
    struct Step {
        int32_t grid;
        int32_t box;
        int32_t angle;
        bool accept;
        int32_t recomputed;
    };
    const Step steps[] = {
        {-6, 4, -6, false, 2},  // box 4 and 5
        {-6, 5, -7, true, 1},
        {-6, 1, -2, true, 5},
        {-5, 1, -2, false, 6},
        {-6, 2, -4, true, 4},
    };
    SplayAngles current = anglesOf(design);
    for (const Step& step : steps) {
        SplayAngles candidate = current;
        candidate.grid = step.grid;
        candidate.difference[step.box] = step.angle;
        EXPECT_EQ(field.tryCandidate(candidate, levels), step.recomputed);
        expectSameLevels(levels, referenceLevels(withAngles(design, candidate), request, receivers),
                         kFirstOptimisedBand, kLastOptimisedBand);
        if (step.accept) {
            field.acceptCandidate();
            current = candidate;
        }
    }
    // What is current now is exactly what was accepted.
    SplayAngles same = current;
    EXPECT_EQ(field.tryCandidate(same, levels), 0);
    expectSameLevels(levels, referenceLevels(withAngles(design, current), request, receivers), kFirstOptimisedBand,
                     kLastOptimisedBand);
}
