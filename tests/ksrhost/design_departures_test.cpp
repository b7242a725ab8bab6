// A design's departures from the design dialog's rules, and the design as
// the dialog keeps it.

#include "design_departures.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "design/design_rules.h"
#include "host_design.h"

namespace ksrhost {
namespace {

// (box, field, rule, value, ruled) of each departure.
using Found = std::tuple<int, std::string, std::string, double, double>;

std::vector<Found> found(const DesignReview& review) {
    std::vector<Found> list;
    for (const Departure& d : review.departures) list.emplace_back(d.box, d.field, d.rule, d.value, d.ruled);
    return list;
}

// A design of boxes given as "{type, angle, gain}" texts.
HostDesign designOf(const std::string& head, const std::vector<std::string>& boxes) {
    std::string text = "{" + head + (head.empty() ? "" : ", ") + "\"boxes\": [";
    for (size_t i = 0; i < boxes.size(); ++i) {
        text += (i ? ", " : "") + std::string("{\"type\": ") + boxes[i] + "}";
    }
    return parseDesignJson(text + "]}", "design.json");
}

TEST(DesignDepartures, EachRuleIsNamedWithWhatTheRulesMakeOfTheValue) {
    const std::vector<std::string> fourFlown{"4, \"differenceAngle\": 0, \"gain\": -12",
                                             "4, \"differenceAngle\": -2, \"gain\": -0.5",
                                             "8, \"differenceAngle\": 4, \"gain\": 0",
                                             "6, \"differenceAngle\": -5, \"gain\": -99"};
    const struct {
        const char* name;
        HostDesign design;
        std::vector<Found> expected;
    } cases[] = {
        {"splays of -45 and +30 below a line box",
         designOf("", {"4, \"differenceAngle\": 0", "4, \"differenceAngle\": -45", "6, \"differenceAngle\": 30",
                       "6, \"differenceAngle\": -10"}),
         {{1, "differenceAngle", "splay", -45, -10}, {2, "differenceAngle", "splay", 30, 0}}},
        {"gains off the dialog's range and steps",
         designOf("", {"4, \"differenceAngle\": 0, \"gain\": 6", "4, \"differenceAngle\": 0, \"gain\": -15",
                       "4, \"differenceAngle\": 0, \"gain\": -2.46", "4, \"differenceAngle\": 0, \"gain\": -99"}),
         {{0, "gain", "gain", 6, 0}, {1, "gain", "gain", -15, -99}, {2, "gain", "gain", -2.46, -2.5}}},
        {"boxCount 8 with 12 boxes listed",
         designOf("\"boxCount\": 8", std::vector<std::string>(12, "4, \"differenceAngle\": 0")),
         {{-1, "boxes", "box count", 12, 8}}},
        {"a KSR527 below a KB340 below a KSR516",
         designOf("", {"0, \"differenceAngle\": 0", "8, \"differenceAngle\": 0", "2, \"differenceAngle\": -2",
                       "2, \"differenceAngle\": -2"}),
         {{2, "type", "stacking", 2, 0}, {3, "type", "stacking", 2, 0}}},
        {"mixed presets, a tilted first box and a half-degree grid",
         designOf("\"gridElevation\": -2.5", {"4, \"differenceAngle\": 3", "5, \"differenceAngle\": -1",
                                              "8, \"differenceAngle\": 2", "7, \"differenceAngle\": -1"}),
         {{-1, "gridElevation", "grid", -2.5, -2}, {0, "differenceAngle", "first box", 3, 0},
          {1, "type", "preset", 5, 4}, {3, "type", "preset", 7, 6}}},
        {"a design that keeps every rule", designOf("\"gridElevation\": -3", fourFlown), {}},
    };
    for (const auto& c : cases) {
        const DesignReview review = reviewDesign(c.design);
        EXPECT_EQ(found(review), c.expected) << c.name;
        EXPECT_EQ(review.passes(), c.expected.empty()) << c.name;
        for (const Departure& d : review.departures) {
            const std::string where = d.box < 0 ? d.field : "boxes[" + std::to_string(d.box) + "]." + d.field;
            EXPECT_EQ(d.message.rfind(where + ": ", 0), 0u) << c.name << ": " << d.message;
        }
        // The design the rules make keeps them.
        EXPECT_TRUE(reviewDesign(review.ruled).passes()) << c.name;
        EXPECT_EQ(review.ruled.working.boxCount, c.design.working.boxCount) << c.name;
    }
}

TEST(DesignDepartures, UnusedSlotsFollowTheBoxesAboveThem) {
    // Six KSR516 boxes: the default type 5 of the slots below them may not
    // hang below a KSR516, so the dialog's walk makes them KSR516 too.
    std::vector<std::string> boxes(6, "0, \"differenceAngle\": -1");
    boxes[0] = "0, \"differenceAngle\": 0";
    const HostDesign six = designOf("", boxes);
    const DesignReview review = reviewDesign(six);
    EXPECT_TRUE(review.passes());
    for (size_t i = 6; i < review.ruled.working.boxes.size(); ++i) {
        EXPECT_TRUE(ksr::canFollow(review.ruled.working.boxes[i].type, 0)) << i;
    }
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(review.ruled.working.boxes[i].type, 0) << i;
        EXPECT_EQ(review.ruled.working.elevations[i], -static_cast<float>(i)) << i;
    }
}

}  // namespace
}  // namespace ksrhost
