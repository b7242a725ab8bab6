#pragma once
// The audience of a scene as auto-splay sees it: the audience areas cut by
// the vertical plane through an array's aim. Each stretch of the plane
// inside an area is a zone of seats; an area the plane crosses twice (a
// horseshoe) gives two, an area it misses gives none.
//
// Distances run along the plane from the array's plumb line, forward along
// the aim's horizontal direction (turn t: (sin t, -cos t) in plan, as the
// placement convention of scene.h has it); seats behind the array and
// within kNearestCutSeat of the plumb line are left out. A zone's floor
// heights come from its area's floor plane, raised by the area's ear height
// less the request's, so that the receivers stand at the area's ears.

#include <string>
#include <vector>

#include "audience_area.h"
#include "design/auto_splay.h"

namespace ksrhost {

inline constexpr double kNearestCutSeat = 1.0;  // metres from the plumb line

struct CutZone {
    std::string name;  // the area's name; "name (1)", "name (2)" for the stretches of an area crossed twice
    ksr::SplayZone zone;
};

// The zones in the order of the areas, each area's stretches near first.
// x, y: the array's reference point in plan; turn: its turn about the
// vertical, degrees; earHeight: the request's, metres.
std::vector<CutZone> cutAudience(const std::vector<AudienceArea>& areas, double x, double y, double turn,
                                 double earHeight);

}  // namespace ksrhost
