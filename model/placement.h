#pragma once
// Placement of an array and its listener in host coordinates (metres, z up;
// angles in degrees at the interface): the components' host positions and
// angles, distances, and the direction from a component to the seat in the
// component's own frame (see model/rotation.h for the frame).

#include <cstdint>
#include <optional>

#include "model/instance.h"
#include "model/vec3.h"

namespace ksr {

// Recomputes compPosition, compAngles and compRotation of components
// 1..componentCount from the array's position and angles and the design's
// local placements. Components above the count keep their previous values.
// Run by the two array setters only: a design change reaches the host
// placement through them.
void placeComponents(ArrayInstance& instance);

// Sets the host position and angles of component c (1..16) and works out
// the rotation of those angles: the one writer of compPosition, compAngles
// and compRotation.
void placeComponent(ArrayInstance& instance, int32_t component, const Vec3& position, const Vec3& angles);

// True for a component number the queries answer for: 1..componentCount
// (which brings the stored count into 4..16).
inline bool isComponentOf(ArrayInstance& instance, int32_t component) {
    return component >= 1 && component <= componentCount(instance);
}

// Euclidean distance of two points, metres.
float pointDistance(const Vec3& p, const Vec3& q);

// Distance from component c (1-based, 1..16) to the seat, metres.
float componentDistance(const ArrayInstance& instance, int32_t component);

// Direction of the seat seen from a component, in the component's frame.
struct SeatDirection {
    double polar;    // θ, radians: 0 on the main axis (local −y), π straight behind
    double azimuth;  // φ, radians in [0, 2π): 0 along local +x, π/2 up (+z)
};

// The seat's direction from component c (1-based, 1..16). Empty when there is
// no direction: the seat lies on the component, or a position or angle is not
// finite. Reads the instance only.
std::optional<SeatDirection> seatDirection(const ArrayInstance& instance, int32_t component);

}  // namespace ksr
