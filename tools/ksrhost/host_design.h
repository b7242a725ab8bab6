#pragma once
// A design as ksrhost reads and writes it: a JSON file in the shape of the
// dialog's working design,
//
//   {"boxCount": 12, "gridElevation": -2, "groundStacked": 0, "hostValue": 1,
//    "boxes": [{"type": 4, "differenceAngle": 0, "gain": 0, "elevation": -2}, ...]}
//
// Gains are in the dialog's sign (0 full level, negative attenuates; the
// setup record carries the negation). Each box gives its angle as the
// difference to the box above (the grid for box 0), as the absolute
// elevation, or both when they agree. Boxes not listed (up to 16) are the
// default design's: type 5, angle 0, gain 0.

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "design/working_design.h"
#include "exports/ksr.h"

namespace ksrhost {

struct HostDesign {
    ksr::WorkingDesign working;  // elevations follow the difference angles (recomputeElevations)
    int32_t hostValue = 1;
};

// The default design of a new instance: four boxes of type 5, all 16 boxes
// type 5 with angle 0 and gain 0, grid 0, flown, host value 1.
HostDesign defaultHostDesign();

// Parses a JSON design. source names the text in messages (a file name).
// Throws HostError naming the source and the field for anything that is not
// a valid design.
HostDesign parseDesignJson(std::string_view text, const std::string& source);

// Reads a design file: JSON, or a .velt exchange file imported as the design
// dialog's Import does it (starting from the default design). Throws
// HostError naming the file.
HostDesign readDesignFile(const std::string& path);

// The design as JSON: boxCount, gridElevation, groundStacked, hostValue and
// the first listedBoxes boxes (type, differenceAngle, gain, elevation).
nlohmann::ordered_json designToJson(const HostDesign& design, int listedBoxes);

// The setup record (version 52) a host hands to IP_SetValue for the design.
SetupRecord toSetupRecord(const HostDesign& design);

// The whole content of a file; throws HostError naming the file.
std::string readTextFile(const std::string& path, const char* what);

// A float as a short decimal for output: rounded to a millionth, so that
// single-precision values print as they were typed (-3.3, not -3.2999999).
double tidy(double value);

// tidy(value) as a JSON number; a whole number as an integer (-2, not -2.0).
nlohmann::ordered_json jsonNumber(double value);

}  // namespace ksrhost
