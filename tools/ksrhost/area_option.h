#pragma once
// The --area option of map --plane: a rectangle on a flat floor typed as
// "X0:X1,Y0:Y1" or "X0:X1,Y0:Y1,Z" (host metres; Z the floor height, 0 when
// left out).

#include <string>

#include "audience_area.h"

namespace ksrhost {

// The rectangle that text describes, named "area <number>", with ears
// earHeight above its floor. Throws HostError naming --area and the text for
// anything else, a range that is not from < to, or a coordinate beyond
// kMaxCoordinate.
AudienceArea parseAreaOption(const std::string& text, size_t number, double earHeight);

}  // namespace ksrhost
