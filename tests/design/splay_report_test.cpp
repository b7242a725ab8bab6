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
