#pragma once
// The cabinet outline the host draws: per box one side panel (four vertices
// in the plane x = 0.36 of the array's local frame, metres) and eight edges,
// four around the panel and four joining each corner n to its mirror −n on
// the opposite panel (x = −0.36), which is not listed itself.

#include <array>
#include <cstdint>
#include <numbers>

#include "model/geometry.h"
#include "model/vec3.h"

namespace ksr {

inline constexpr int32_t kOutlineVerticesPerBox = 4;
inline constexpr int32_t kOutlineEdgesPerBox = 8;

// Degrees to radians for the outline: single-precision π times
// single-precision 1/180, multiplied in extended precision.
inline constexpr double kOutlineDegToRad =
    static_cast<double>(static_cast<long double>(std::numbers::pi_v<float>) * static_cast<long double>(1.0f / 180.0f));
static_assert(kOutlineDegToRad == 0.017453293428246197);

// The four panel corners of a box, in the array's local frame: the box's
// outline points turned about x by its tilt (a positive tilt lowers the back,
// so the box aims up) and moved to its reference point. The box aims along
// −y with its front at y = 0, so the corners are, in order: back top, back
// bottom, front bottom, front top.
std::array<Vec3, kOutlineVerticesPerBox> boxOutline(const BoxPlacement& box);

struct OutlineEdge {
    int32_t kind;    // 0: corner n to its mirror −n; 1: panel edge
    int32_t first;   // 1-based vertex index
    int32_t second;  // 1-based; −n in kind-0 edges
};

// The eight edges of box k (0-based) over vertices 4k + 1 .. 4k + 4. They
// depend on the box's position in the array only.
std::array<OutlineEdge, kOutlineEdgesPerBox> boxEdges(int32_t box);

}  // namespace ksr
