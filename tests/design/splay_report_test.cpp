#include "design/splay_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "design/design_rules.h"

namespace {

ksr::WorkingDesign curvedArray(float grid, float splay) {
    ksr::WorkingDesign design;
    design.boxCount = 6;
    design.gridElevation = grid;
    for (size_t k = 0; k < design.boxes.size(); ++k) {
        design.boxes[k].type = 4;
        design.boxes[k].differenceAngle = k == 0 ? 0.0f : splay;
    }
    ksr::recomputeElevations(design);
    return design;
}

ksr::SplayCandidate candidate(double summary, double mean) {
    ksr::SplayCandidate c;
    c.figures.summary = summary;
    c.figures.meanLevel1to8k = mean;
    return c;
}

}  // namespace

TEST(SplayReport, TheCurveAveragesTheOptimisedBandsOfEachReceiver) {
    ksr::SplayCandidate c;
    std::array<double, ksr::kBandCount> levels{};
    for (int32_t band = 1; band <= ksr::kBandCount; ++band) levels[static_cast<size_t>(band - 1)] = band;
    c.level = {levels, levels};
    c.level[1][ksr::kFirstOptimisedBand - 1] += 10.0;  // one optimised band 10 dB up: the mean rises 1 dB
    c.level[1][0] += 50.0;                             // bands outside 1..8 kHz do not count
    const std::vector<double> curve = ksr::optimisedBandLevels(c);
    ASSERT_EQ(curve.size(), 2u);
    EXPECT_DOUBLE_EQ(curve[0], 15.5);  // the mean of 11..20
    EXPECT_DOUBLE_EQ(curve[1], 16.5);
}

TEST(SplayReport, TheSummaryGivesTheFiguresTheSplaysAndWhatWasNotReached) {
    ksr::SplayResult result;
    result.input = candidate(4.24, 91.0);
    result.proposal = candidate(1.5, 92.34);
    result.proposal.design = curvedArray(-3, -2);
    result.proposal.design.boxes[5].differenceAngle = -5;
    result.constantCurvature = candidate(2.0, 92.0);
    result.unreached = {"The last receivers lie above the top box's aim."};
    const std::vector<std::string> lines = ksr::splaySummaryLines(result);
    ASSERT_EQ(lines.size(), 4u);
    for (const char* figure : {"current 4.2 dB", "proposal 1.5 dB", "constant curvature 2.0 dB"})
        EXPECT_NE(lines[0].find(figure), std::string::npos) << lines[0];
    for (const char* figure : {"current 91.0 dB", "proposal 92.3 dB", "constant curvature 92.0 dB"})
        EXPECT_NE(lines[1].find(figure), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], "Proposal: grid -3 deg, splays -2 -2 -2 -2 -5 deg");
    EXPECT_EQ(lines[3], result.unreached[0]);
}

TEST(SplayReport, SeveralZonesAndShadingGetLinesOfTheirOwn) {
    ksr::SplayResult result;
    result.input = candidate(4.0, 91.0);
    result.proposal = candidate(1.6, 92.0);
    result.proposal.design = curvedArray(-3, -2);
    result.proposal.design.boxes[5].gain = -1.5f;
    result.constantCurvature = candidate(2.0, 92.0);
    result.proposal.zones.resize(2);
    result.proposal.zones[0] = {1.4, 0.62, -1.0, 4.0, 0.9, 93.0};
    result.proposal.zones[1] = {1.9, -1.04, 0.0, 5.0, 0.755, 90.0};
    result.unshaded = candidate(1.8, 92.7);
    result.unshaded.level.resize(3);  // evaluated: shading was asked for
    const std::vector<std::string> names{"Audience", "Balcony or tier"};
    const std::vector<std::string> lines = ksr::splaySummaryLines(result, names);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], "Audience: evenness 1.4 dB, 0.6 dB above the target, 90 % within 3 dB");
    EXPECT_EQ(lines[4], "Balcony or tier: evenness 1.9 dB, 1.0 dB below the target, 76 % within 3 dB");
    EXPECT_EQ(lines[5], "Shading: evenness 1.8 dB unshaded, 1.6 dB shaded, mean level -0.7 dB; gains 0 0 0 0 0 -1.5 dB");
    // Without names the zones are numbered; a single zone gets no line.
    EXPECT_EQ(ksr::splaySummaryLines(result)[4].rfind("Zone 2: evenness", 0), 0u);
    result.proposal.zones.resize(1);
    result.unshaded = {};
    EXPECT_EQ(ksr::splaySummaryLines(result).size(), 3u);
}
