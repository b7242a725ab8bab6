#pragma once
// Values typed on the command line ("x,y,z", "from:to", "200x100") and text
// the module hands out. Every number must be finite; a bad value gives a
// HostError that names the option.

#include <string>
#include <string_view>
#include <utility>

#include "host_session.h"

namespace ksrhost {

// A finite decimal number.
double parseNumber(std::string_view text, const std::string& option);

// Host positions lie within this many metres of the origin on each axis: a
// venue, not a planet. Beyond it the model's levels are meaningless.
inline constexpr double kMaxCoordinate = 10000.0;
// Angles lie within this many degrees.
inline constexpr double kMaxAngle = 360.0;

// "x,y,z": three finite numbers that fit a float.
Triple parseTriple(std::string_view text, const std::string& option);

// "x,y,z": a host position, metres, each within kMaxCoordinate.
Triple parsePoint(std::string_view text, const std::string& option);

// "a,b,c": array angles, degrees, each within kMaxAngle.
Triple parseAngles(std::string_view text, const std::string& option);

// "from:to" with from < to, both within kMaxCoordinate (metres).
std::pair<double, double> parseRange(std::string_view text, const std::string& option);

// "COLUMNSxROWS", each within low..high.
std::pair<int, int> parseGrid(std::string_view text, const std::string& option, int low, int high);

// "x,y,z:x,y,z": two points within kMaxCoordinate.
std::pair<Triple, Triple> parseSegment(std::string_view text, const std::string& option);

// A number for CSV and text output: rounded to places decimals, shortest
// form, no "-0" ("1.2", not "1.20000005").
std::string decimal(double value, int places);

// A single-precision value in its shortest form that reads back as the
// same float ("1.2" for 1.2f).
std::string shortest(float value);

// A text of the module (Windows-1252, as "5\xB0 Complex Data") as UTF-8.
std::string windows1252ToUtf8(std::string_view text);

}  // namespace ksrhost
