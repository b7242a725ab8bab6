#include "design_departures.h"

#include <algorithm>
#include <iostream>
#include <sstream>

#include "design/design_rules.h"
#include "host_error.h"
#include "model/catalogue.h"

namespace ksrhost {

namespace {

std::string number(double value) {
    std::ostringstream text;
    text << tidy(value);
    return text.str();
}

std::string boxField(int box, const char* field) { return "boxes[" + std::to_string(box) + "]." + field; }

class DepartureList {
public:
    // why: what is wrong with the value; ruledText: what the rules make of
    // it, when that is more than the number.
    void add(int box, const char* field, const char* rule, double value, double ruled, const std::string& why,
             const std::string& ruledText = "") {
        const std::string where = box < 0 ? std::string(field) : boxField(box, field);
        departures.push_back(Departure{box, field, rule, tidy(value), tidy(ruled),
                                       where + ": " + why + "; the rules make it " +
                                           (ruledText.empty() ? number(ruled) : ruledText)});
    }

    std::vector<Departure> departures;
};

const char* typeName(int32_t type) {
    return ksr::isCatalogueId(type) ? ksr::boxTypeTable[static_cast<size_t>(type)].name : "box of no known type";
}

const char* presetName(int32_t preset) {
    return preset >= 0 && preset < static_cast<int32_t>(ksr::presetNames.size())
               ? ksr::presetNames[static_cast<size_t>(preset)]
               : "";
}

// The type of the nearest line box at or above index, or kNoBoxAbove.
int32_t lastLineBoxAbove(const ksr::WorkingDesign& design, int32_t index) {
    for (int32_t k = index; k >= 0; --k) {
        const int32_t type = design.boxes[static_cast<size_t>(k)].type;
        if (!ksr::isSingleCabinet(type)) return type;
    }
    return ksr::kNoBoxAbove;
}

void reviewStacking(const ksr::WorkingDesign& given, const ksr::WorkingDesign& stacked, DepartureList& list) {
    for (int32_t i = 1; i < given.boxCount; ++i) {
        const ksr::DesignBox& mine = given.boxes[static_cast<size_t>(i)];
        const ksr::DesignBox& ruled = stacked.boxes[static_cast<size_t>(i)];
        const ksr::DesignBox& above = stacked.boxes[static_cast<size_t>(i - 1)];
        if (mine.type != ruled.type) {
            std::string why = describeBoxType(mine.type) + " may not hang below " + describeBoxType(above.type);
            if (ksr::canFollow(mine.type, above.type)) {
                why += " in a run of single cabinets below " + describeBoxType(lastLineBoxAbove(stacked, i - 1));
            }
            list.add(i, "type", "stacking", mine.type, ruled.type, why, describeBoxType(ruled.type));
        }
        if (mine.differenceAngle != ruled.differenceAngle) {
            list.add(i, "differenceAngle", "splay", mine.differenceAngle, ruled.differenceAngle,
                     number(mine.differenceAngle) + " degrees is not a splay angle a " + typeName(ruled.type) +
                         " may take below a " + typeName(above.type));
        }
    }
}

void reviewPresets(const ksr::WorkingDesign& stacked, const ksr::WorkingDesign& unified, DepartureList& list) {
    for (int32_t i = 0; i < stacked.boxCount; ++i) {
        const int32_t mine = stacked.boxes[static_cast<size_t>(i)].type;
        const int32_t ruled = unified.boxes[static_cast<size_t>(i)].type;
        if (mine == ruled) continue;
        list.add(i, "type", "preset", mine, ruled,
                 describeBoxType(mine) + " differs from the preset of the array's first line box",
                 describeBoxType(ruled));
    }
}

}  // namespace

std::string describeBoxType(int32_t type) {
    if (!ksr::isCatalogueId(type)) return "type " + std::to_string(type);
    const ksr::BoxTypeEntry& entry = ksr::boxTypeTable[static_cast<size_t>(type)];
    std::string text = "type " + std::to_string(type) + " (" + entry.name;
    if (ksr::isLineBox(type)) text += std::string(" ") + presetName(entry.preset);
    return text + ")";
}

DesignReview reviewDesign(const HostDesign& design) {
    const ksr::WorkingDesign& given = design.working;
    DepartureList list;
    DesignReview review{{}, design};
    ksr::WorkingDesign& ruled = review.ruled.working;

    if (design.listedBoxes > given.boxCount) {
        list.add(-1, "boxes", "box count", design.listedBoxes, given.boxCount,
                 std::to_string(design.listedBoxes) + " boxes listed but boxCount is " +
                     std::to_string(given.boxCount),
                 std::to_string(given.boxCount) + " boxes: boxes[" + std::to_string(given.boxCount) +
                     "] to boxes[" + std::to_string(design.listedBoxes - 1) + "] are left out");
    }
    ksr::wholeGrid(ruled);
    if (ruled.gridElevation != given.gridElevation) {
        list.add(-1, "gridElevation", "grid", given.gridElevation, ruled.gridElevation,
                 number(given.gridElevation) + " degrees is not a whole degree");
    }
    ksr::DesignBox& top = ruled.boxes[0];
    if (top.differenceAngle != 0.0f) {
        list.add(0, "differenceAngle", "first box", top.differenceAngle, 0.0,
                 "the first box hangs at the grid elevation (set gridElevation to tilt the array)");
        top.differenceAngle = 0.0f;
    }

    // The dialog's walk over all 16 boxes also fills the slots beyond
    // boxCount with types that may hang below the boxes above them.
    ksr::enforceStacking(ruled, ksr::ClampAngles::all);
    reviewStacking(given, ruled, list);
    const ksr::WorkingDesign stacked = ruled;
    ksr::unifyPresets(ruled);
    reviewPresets(stacked, ruled, list);

    for (int32_t i = 0; i < given.boxCount; ++i) {
        ksr::DesignBox& box = ruled.boxes[static_cast<size_t>(i)];
        const float gain = ksr::roundGain(box.gain);
        if (gain == box.gain) continue;
        const bool inRange = box.gain <= 0.0f && (box.gain >= ksr::kLowestGain || box.gain == ksr::kMutedGain);
        list.add(i, "gain", "gain", box.gain, gain,
                 number(box.gain) + (inRange ? " dB is not on the dialog's 0.5 dB steps"
                                             : " dB is outside the dialog's range 0..-12 dB (or -99, muted)"));
        box.gain = gain;
    }
    ksr::recomputeElevations(ruled);
    review.ruled.listedBoxes = given.boxCount;

    // Box by box from the top, the design as a whole first.
    std::stable_sort(list.departures.begin(), list.departures.end(),
                     [](const Departure& a, const Departure& b) { return a.box < b.box; });
    review.departures = std::move(list.departures);
    return review;
}

void warnDepartures(const DesignReview& review, const std::string& source) {
    for (const Departure& d : review.departures) {
        std::cerr << "ksrhost: warning: " << source << ": " << d.message << "\n";
    }
}

void reportDepartures(const HostDesign& design, const std::string& source, bool strict) {
    const DesignReview review = reviewDesign(design);
    warnDepartures(review, source);
    if (strict && !review.passes()) {
        throw HostError(source + ": " + std::to_string(review.departures.size()) +
                        " departure(s) from the design rules (--strict); see the warnings above, or check the "
                        "design with 'ksrhost design check'");
    }
}

}  // namespace ksrhost
