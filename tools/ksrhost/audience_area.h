#pragma once
// An audience area in plan: a polygon of floor corners (host metres, z the
// floor's height there) and the ear height above that floor. A raked area
// has corners at different heights; they must lie on one plane, which gives
// the floor's height everywhere inside.

#include <array>
#include <string>
#include <vector>

namespace ksrhost {

using Point3 = std::array<double, 3>;

struct AudienceArea {
    std::string name;
    std::vector<Point3> corners;  // at least three, in order around the area
    double earHeight = 1.2;       // metres above the floor
    // The floor: z = slopeX * x + slopeY * y + offset.
    double slopeX = 0.0, slopeY = 0.0, offset = 0.0;
};

// Corners of one plane, within this many metres.
inline constexpr double kFloorPlaneTolerance = 0.01;

// The area with its floor plane. Throws HostError, with where naming the
// area in the message, for fewer than three corners, corners that enclose
// no area in plan, corners off one plane, or an ear height outside 0..10 m.
AudienceArea makeAudienceArea(std::string name, std::vector<Point3> corners, double earHeight,
                              const std::string& where);

// A rectangle x0..x1 by y0..y1 on a flat floor at height z.
AudienceArea rectangleArea(std::string name, double x0, double x1, double y0, double y1, double z, double earHeight);

// Whether (x, y) lies inside the polygon or on its edge.
bool contains(const AudienceArea& area, double x, double y);

// Ear height (host z) at (x, y): the floor plane plus the ear height.
double earLevel(const AudienceArea& area, double x, double y);

}  // namespace ksrhost
