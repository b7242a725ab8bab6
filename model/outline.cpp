#include "model/outline.h"

#include <cmath>
#include <tuple>

#include "model/catalogue.h"

namespace ksr {

namespace {

// Every side panel lies in the plane x = 0.36 of the array's local frame.
constexpr float kPanelX = 0.36f;

static_assert(std::tuple_size_v<OutlinePanel> == kOutlineVerticesPerBox);

}  // namespace

std::array<Vec3, kOutlineVerticesPerBox> boxOutline(const BoxPlacement& box) {
    const double tilt = box.localAngles[1] * kOutlineDegToRad;
    const double c = std::cos(tilt);
    const double s = std::sin(tilt);
    std::array<Vec3, kOutlineVerticesPerBox> corners{};
    const OutlinePanel& panel = outlinePanelFor(box.type);
    for (int32_t n = 0; n < kOutlineVerticesPerBox; ++n) {
        const double y = panel[n].y;
        const double z = panel[n].z;
        const double turnedY = y * c + z * s;
        const double turnedZ = z * c - y * s;
        corners[n] = {kPanelX + box.localPosition[0], static_cast<float>(turnedY + box.localPosition[1]),
                      static_cast<float>(turnedZ + box.localPosition[2])};
    }
    return corners;
}

std::array<OutlineEdge, kOutlineEdgesPerBox> boxEdges(int32_t box) {
    const int32_t v = kOutlineVerticesPerBox * box;
    return {{
        {0, v + 1, -(v + 1)},
        {0, v + 2, -(v + 2)},
        {0, v + 3, -(v + 3)},
        {0, v + 4, -(v + 4)},
        {1, v + 1, v + 2},
        {1, v + 2, v + 3},
        {1, v + 3, v + 4},
        {1, v + 4, v + 1},
    }};
}

}  // namespace ksr
