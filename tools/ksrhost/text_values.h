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

// "x,y,z": three finite numbers that fit a float.
Triple parseTriple(std::string_view text, const std::string& option);

// "from:to" with from < to.
std::pair<double, double> parseRange(std::string_view text, const std::string& option);

// "COLUMNSxROWS", each within low..high.
std::pair<int, int> parseGrid(std::string_view text, const std::string& option, int low, int high);

// "x,y,z:x,y,z": two points.
std::pair<Triple, Triple> parseSegment(std::string_view text, const std::string& option);

// A text of the module (Windows-1252, as "5\xB0 Complex Data") as UTF-8.
std::string windows1252ToUtf8(std::string_view text);

}  // namespace ksrhost
