#include "model/placement.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/rotation.h"

namespace ksr {

void placeComponents(ArrayInstance& instance) {
    const int32_t count = componentCount(instance);
    const Mat3 array = rotationFromAngles(instance.lspkAngles);
    const Vec3d origin = widen(instance.lspkPosition);
    for (int32_t j = 0; j < count; ++j) {
        const BoxPlacement& box = instance.geometry.box[j];
        const Vec3d offset = array * widen(box.localPosition);
        placeComponent(instance, j + 1,
                       {static_cast<float>(origin[0] + offset[0]), static_cast<float>(origin[1] + offset[1]),
                        static_cast<float>(origin[2] + offset[2])},
                       anglesFromRotation(array * rotationFromAngles(box.localAngles)));
    }
}

void placeComponent(ArrayInstance& instance, int32_t component, const Vec3& position, const Vec3& angles) {
    if (component < 1 || component > kMaxBoxes) return;
    const size_t j = static_cast<size_t>(component - 1);
    instance.compPosition[j] = position;
    instance.compAngles[j] = angles;
    // From the stored single-precision angles, which the host reads back.
    instance.compRotation[j] = rotationFromAngles(angles);
}

namespace {

double length(const Vec3d& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

Vec3d difference(const Vec3& p, const Vec3& q) {
    return {static_cast<double>(p[0]) - q[0], static_cast<double>(p[1]) - q[1], static_cast<double>(p[2]) - q[2]};
}

}  // namespace

float pointDistance(const Vec3& p, const Vec3& q) { return static_cast<float>(length(difference(p, q))); }

float componentDistance(const ArrayInstance& instance, int32_t component) {
    return pointDistance(instance.compPosition[component - 1], instance.seatPosition);
}

std::optional<SeatDirection> seatDirection(const ArrayInstance& instance, int32_t component) {
    if (component < 1 || component > kMaxBoxes) return std::nullopt;
    const int32_t j = component - 1;
    const Vec3d v = difference(instance.seatPosition, instance.compPosition[j]);
    const double distance = length(v);
    if (!(distance > 0.0) || !std::isfinite(distance)) return std::nullopt;

    const Vec3d u = transposedTimes(instance.compRotation[j], {v[0] / distance, v[1] / distance, v[2] / distance});
    if (!std::isfinite(u[0]) || !std::isfinite(u[1]) || !std::isfinite(u[2])) return std::nullopt;

    const double polar = std::numbers::pi - std::acos(std::clamp(u[1], -1.0, 1.0));
    double azimuth = 0.0;
    if (u[0] != 0.0 || u[2] != 0.0) {
        azimuth = std::atan2(u[2], u[0]);
        if (azimuth < 0.0) azimuth += 2.0 * std::numbers::pi;
    }
    return SeatDirection{polar, azimuth};
}

}  // namespace ksr
