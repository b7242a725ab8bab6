#pragma once
// A design's departures from the design dialog's rules: every value the
// dialog would change if it opened the design, with what it would make of
// it. design check prints them; predict and map warn about them (or refuse
// the design with --strict), since the module itself takes a design as given.

#include <string>
#include <vector>

#include "host_design.h"

namespace ksrhost {

struct Departure {
    int box = -1;        // index into the design's boxes; -1 for the design as a whole
    std::string field;   // the JSON field: "type", "differenceAngle", "gain", "gridElevation", "boxes"
    std::string rule;    // "stacking", "splay", "first box", "preset", "gain", "grid", "box count"
    double value = 0.0;  // the design's value
    double ruled = 0.0;  // what the rules make of it
    std::string message; // one sentence for the user, naming the field as boxes[i].field
};

struct DesignReview {
    std::vector<Departure> departures;  // the design as a whole first, then box by box from the top
    HostDesign ruled;                   // the design as the dialog keeps it

    bool passes() const { return departures.empty(); }
};

// Opens the design as the dialog does: the slots beyond boxCount are filled
// by the dialog's own repair walk (they take a type that may hang below the
// boxes above them), box 0 hangs at the grid elevation, every box that may
// not hang below the box above it takes the type the stacking rules give,
// every splay angle is brought into its pair's range and step, the array
// takes the preset of its first line box, gains land on the 0.5 dB grid
// (0..-12 dB, or -99 muted) and the grid elevation on a whole degree. Only
// the first boxCount boxes are compared; boxes listed beyond boxCount are
// one departure of the design as a whole.
DesignReview reviewDesign(const HostDesign& design);

// Writes one warning per departure to the error stream, each starting with
// source (the design file).
void warnDepartures(const DesignReview& review, const std::string& source);

// warnDepartures for the design's review. With strict, throws a HostError (bad input)
// after the warnings when there is any departure.
void reportDepartures(const HostDesign& design, const std::string& source, bool strict);

// "type 2 (KSR527 Standard)": the id with the name the dialog shows.
std::string describeBoxType(int32_t type);

}  // namespace ksrhost
