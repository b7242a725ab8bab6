#include "model/outline.h"

#include <cmath>

namespace ksr {

namespace {

struct PanelPoint {
    float y;
    float z;
};

using Panel = std::array<PanelPoint, kOutlineVerticesPerBox>;

// Side panels in the box's own frame before tilting, metres; all at x = 0.36.
constexpr float kPanelX = 0.36f;
constexpr Panel kLineBoxPanel{{{0.37f, 0.09f}, {0.37f, -0.09f}, {0.0f, -0.13f}, {0.0f, 0.13f}}};  // ids 0..7
constexpr Panel kKB340Panel{{{0.38f, 0.25f}, {0.38f, -0.25f}, {0.0f, -0.25f}, {0.0f, 0.25f}}};    // id 8
constexpr Panel kKBS450Panel{{{0.68f, 0.25f}, {0.68f, -0.25f}, {0.0f, -0.25f}, {0.0f, 0.25f}}};   // id 9

// Geometry stores only catalogue ids; anything else is drawn as a line box.
const Panel& panelFor(int32_t type) {
    if (type == 8) return kKB340Panel;
    if (type == 9) return kKBS450Panel;
    return kLineBoxPanel;
}

}  // namespace

std::array<Vec3, kOutlineVerticesPerBox> boxOutline(const BoxPlacement& box) {
    const double tilt = box.localAngles[1] * kOutlineDegToRad;
    const double c = std::cos(tilt);
    const double s = std::sin(tilt);
    std::array<Vec3, kOutlineVerticesPerBox> corners{};
    const Panel& panel = panelFor(box.type);
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
