#include "area_option.h"

#include <cmath>
#include <vector>

#include "host_error.h"
#include "text_values.h"

namespace ksrhost {

AudienceArea parseAreaOption(const std::string& text, size_t number, double earHeight) {
    const std::string expected = "a rectangle X0:X1,Y0:Y1 or X0:X1,Y0:Y1,Z in metres";
    std::vector<std::string> parts;
    std::string rest = text;
    for (size_t comma; (comma = rest.find(',')) != std::string::npos; rest.erase(0, comma + 1)) {
        parts.push_back(rest.substr(0, comma));
    }
    parts.push_back(rest);
    if (parts.size() < 2 || parts.size() > 3) throw HostError("--area: expected " + expected + ", got '" + text + "'");
    const auto [x0, x1] = parseRange(parts[0], "--area");
    const auto [y0, y1] = parseRange(parts[1], "--area");
    double z = 0.0;
    if (parts.size() == 3) {
        z = parseNumber(parts[2], "--area");
        if (std::fabs(z) > kMaxCoordinate) throw HostError("--area: the floor height '" + parts[2] + "' is outside -10000..10000");
    }
    return rectangleArea("area " + std::to_string(number), x0, x1, y0, y1, z, earHeight);
}

}  // namespace ksrhost
