#pragma once
// The fields of the auto-splay dialog as text, and the request they stand
// for. The dialog shows these texts and hands back what the user typed; all
// reading and checking happens here, so that the window code only moves
// text.

#include <optional>
#include <string>

#include "design/auto_splay.h"
#include "design/working_design.h"

namespace ksr {

// What the fields hold, as typed. Lengths in metres, the slope in dB per
// doubling of distance, the step in degrees.
struct SplayFieldTexts {
    std::string trim;
    std::string near;
    std::string far;
    std::string floorNear;
    std::string floorFar;
    std::string earHeight;
    std::string slope;
    std::string maxStep;
    bool allowZeroSplay = false;
    // The optional second zone ("Balcony or tier"); its texts are read only
    // when it is enabled.
    bool secondZone = false;
    std::string zoneNear;
    std::string zoneFar;
    std::string zoneFloorNear;
    std::string zoneFloorFar;
    bool shadeGains = false;
};

// The names the dialog gives its two zones, as messages and figures use them.
inline constexpr const char* kFirstZoneName = "Audience";
inline constexpr const char* kSecondZoneName = "Balcony or tier";

// The texts a new auto-splay dialog opens with: the request's defaults, the
// rigging height taken from the array's height when the host has placed the
// array at a finite height.
SplayFieldTexts openingSplayFields(std::optional<float> arrayHeight);

// The request the texts stand for, or a message for the user that names
// what is wrong. Each field must hold one finite number and nothing else
// (blanks around it are allowed); the numbers together must then pass
// checkSplayRequest for this design. With the second zone on, the request
// holds two zones (the audience fields first), and a message about one of
// them names it by the dialog's name.
struct SplayFieldReading {
    std::optional<SplayRequest> request;  // set when the texts can be computed
    std::string message;                  // set when they cannot
};
SplayFieldReading readSplayFields(const WorkingDesign& design, const SplayFieldTexts& texts);

// A length, slope or angle as a field shows it: "%g" ("10", "1.2", "-1.5").
std::string splayNumberText(double value);

}  // namespace ksr
