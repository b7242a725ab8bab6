#pragma once
// One array instance: a slot of the module's instance table. The host
// addresses it by id (its slot number, 1..127) and works on it while it is
// the current instance.

#include <array>
#include <cstdint>

#include "model/bands.h"
#include "model/geometry.h"
#include "model/rotation.h"
#include "model/vec3.h"

namespace ksr {

inline constexpr uint32_t kInstanceInUse = 1u << 0;
inline constexpr uint32_t kInstanceDistanceSet = 1u << 1;
// The host has placed the array (CI_SetLspkPosition3fv) since the slot was taken.
inline constexpr uint32_t kInstanceArrayPlaced = 1u << 2;

constexpr std::array<Mat3, kMaxBoxes> unturnedComponents() {
    std::array<Mat3, kMaxBoxes> rotations{};
    rotations.fill(kUnturned);
    return rotations;
}

struct ArrayInstance {
    uint32_t flags = 0;        // 0 while the slot is free
    Vec3 lspkPosition{};       // the array's top rigging point, host metres
    Vec3 lspkAngles{};         // the array's orientation, degrees
    Vec3 seatPosition{};       // the listener, host metres
    Vec3 seatAngles{};         // stored only
    float distance = 0.0f;     // last CI_GetDistance result
    std::array<Vec3, kMaxBoxes> compPosition{};  // component c at index c - 1
    std::array<Vec3, kMaxBoxes> compAngles{};    // degrees
    // R(compAngles) of each component (see model/rotation.h), written with
    // its angles by placeComponent, so that a response query only reads it.
    std::array<Mat3, kMaxBoxes> compRotation = unturnedComponents();
    std::array<float, kBandCount> filterGain{};  // dB, -60..0
    std::array<float, kBandCount> filterPhase{}; // degrees, -180..180
    ArrayGeometry geometry;    // the applied design; written by applyDesign only
};

// The number of components: the stored box count brought into 4..16 and
// stored back so.
int32_t componentCount(ArrayInstance& instance);

}  // namespace ksr
