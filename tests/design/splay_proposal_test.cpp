#include "design/splay_proposal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "design/design_rules.h"

namespace {

// Eight KSR51 V boxes (type 4) at 0 degrees on a grid of +2, with gains.
ksr::WorkingDesign hangingStraight() {
    ksr::WorkingDesign design;
    design.boxCount = 8;
    design.gridElevation = 2.0f;
    for (size_t k = 0; k < design.boxes.size(); ++k) {
        design.boxes[k].type = 4;
        design.boxes[k].gain = -0.5f * static_cast<float>(k);
        design.boxes[k].differenceAngle = 0.0f;
    }
    ksr::recomputeElevations(design);
    return design;
}

ksr::WorkingDesign proposalFor(const ksr::WorkingDesign& design, float grid, std::initializer_list<float> angles) {
    ksr::WorkingDesign proposal = design;
    proposal.gridElevation = grid;
    size_t k = 0;
    for (float angle : angles) proposal.boxes[k++].differenceAngle = angle;
    ksr::recomputeElevations(proposal);
    return proposal;
}

}  // namespace

TEST(SplayProposal, WritesTheGridAndAnglesAndTheElevationsFollow) {
    ksr::WorkingDesign design = hangingStraight();
    const ksr::WorkingDesign before = design;
    const ksr::SplayApplication result =
        ksr::applySplayProposal(design, proposalFor(design, -3.0f, {0, -1, -1, -2, -3, -4, -6, -8}));
    EXPECT_TRUE(result.applied);
    EXPECT_FALSE(result.adjusted);
    EXPECT_EQ(design.gridElevation, -3.0f);
    const float elevations[8] = {-3, -4, -5, -7, -10, -14, -20, -28};
    for (size_t k = 0; k < 8; ++k) {
        EXPECT_EQ(design.elevations[k], elevations[k]) << k;
        EXPECT_EQ(design.boxes[k].type, before.boxes[k].type) << k;
        EXPECT_EQ(design.boxes[k].gain, before.boxes[k].gain) << k;
    }
    // Boxes beyond the count keep their angles and hang on below.
    EXPECT_EQ(design.boxes[8].differenceAngle, 0.0f);
    EXPECT_EQ(design.elevations[15], -28.0f);
    EXPECT_EQ(design.boxCount, 8);
    EXPECT_EQ(design.groundStacked, before.groundStacked);
}

TEST(SplayProposal, ValuesOffTheRulesAreBroughtOntoThemAndReported) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        float grid;
        float box0, box1, box2;
        float wantGrid;
        float want0, want1, want2;
    };
    const Case cases[] = {
        {"fractional grid", -3.7f, 0, -1, -2, -3, 0, -1, -2},
        {"box 0 off the grid", -3, -2, -1, -2, -3, 0, -1, -2},
        {"angles beyond the pair's range", -3, 0, -12, 3, -3, 0, -10, 0},
        {"fractional and NaN angles", -3, 0, -2.5f, nan, -3, 0, -2, 0},
    };
    for (const Case& c : cases) {
        ksr::WorkingDesign design = hangingStraight();
        const ksr::SplayApplication result =
            ksr::applySplayProposal(design, proposalFor(design, c.grid, {c.box0, c.box1, c.box2}));
        EXPECT_TRUE(result.applied) << c.what;
        EXPECT_TRUE(result.adjusted) << c.what;
        EXPECT_EQ(design.gridElevation, c.wantGrid) << c.what;
        EXPECT_EQ(design.boxes[0].differenceAngle, c.want0) << c.what;
        EXPECT_EQ(design.boxes[1].differenceAngle, c.want1) << c.what;
        EXPECT_EQ(design.boxes[2].differenceAngle, c.want2) << c.what;
        EXPECT_EQ(design.elevations[2], c.wantGrid + c.want1 + c.want2) << c.what;
    }
}

TEST(SplayProposal, AProposalForOtherBoxesOrWithoutAGridChangesNothing) {
    const ksr::WorkingDesign original = hangingStraight();
    ksr::WorkingDesign otherType = proposalFor(original, -3, {0, -2});
    otherType.boxes[5].type = 6;
    ksr::WorkingDesign otherCount = proposalFor(original, -3, {0, -2});
    otherCount.boxCount = 9;
    const ksr::WorkingDesign noGrid = proposalFor(original, std::numeric_limits<float>::infinity(), {0, -2});
    for (const ksr::WorkingDesign& proposal : {otherType, otherCount, noGrid}) {
        ksr::WorkingDesign design = original;
        EXPECT_FALSE(ksr::applySplayProposal(design, proposal).applied);
        EXPECT_EQ(design.gridElevation, original.gridElevation);
        EXPECT_EQ(design.boxes[1].differenceAngle, 0.0f);
        EXPECT_EQ(design.elevations, original.elevations);
    }
}

TEST(SplayProposal, GainsAreWrittenOnlyWhenAskedAndOnTheGainGrid) {
    ksr::WorkingDesign design = hangingStraight();
    ksr::WorkingDesign proposal = proposalFor(design, -3.0f, {0, -1, -1, -2, -3, -4, -6, -8});
    const float shaded[8] = {0.0f, -0.5f, -1.0f, -2.5f, -3.0f, -12.0f, -1.3f, std::nanf("")};
    for (size_t k = 0; k < 8; ++k) proposal.boxes[k].gain = shaded[k];

    ksr::WorkingDesign unshaded = design;
    EXPECT_TRUE(ksr::applySplayProposal(unshaded, proposal).applied);
    for (size_t k = 0; k < 8; ++k) EXPECT_EQ(unshaded.boxes[k].gain, design.boxes[k].gain) << k;

    const ksr::SplayApplication result = ksr::applySplayProposal(design, proposal, true);
    EXPECT_TRUE(result.applied);
    EXPECT_TRUE(result.adjusted);  // -1.3 and NaN had to be brought onto the grid
    const float expected[8] = {0.0f, -0.5f, -1.0f, -2.5f, -3.0f, -12.0f, -1.5f, 0.0f};
    for (size_t k = 0; k < 8; ++k) EXPECT_EQ(design.boxes[k].gain, expected[k]) << k;
    EXPECT_EQ(design.elevations[7], -28.0f);
}
