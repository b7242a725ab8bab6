#pragma once
// Array geometry: a design (how many boxes, which types, their elevation
// angles and gains) turned into the shape of the hanging array.
//
// Local frame of an array: origin at the top rigging point of the first box,
// the array hangs down the local y-z plane (x = 0), z is up, so boxes lie at
// negative z. A box's aim is its local -y axis; a positive elevation relative
// to the grid tilts the aim upward.

#include <array>
#include <cstdint>

#include "model/catalogue.h"
#include "model/vec3.h"

namespace ksr {

inline constexpr int32_t kMaxBoxes = 16;
inline constexpr int32_t kMinBoxes = 4;

// A box count brought into kMinBoxes..kMaxBoxes: the one bound for every
// count a host, a file, a dialog or a design hands in.
constexpr int32_t clampBoxCount(int32_t count) {
    return count < kMinBoxes ? kMinBoxes : (count > kMaxBoxes ? kMaxBoxes : count);
}

// Degrees to radians as the rigging chain computes it (a rounded constant,
// not pi/180).
inline constexpr float kRiggingDegToRad = 0.017452778f;

// A design as applied to an instance.
struct ArraySetup {
    int32_t boxCount = kMinBoxes;  // meant to be 4..16; stored as received
    int32_t hostValue = 1;         // kept for the host, never interpreted
    float gridElevation = 0.0f;    // degrees
    std::array<int32_t, kMaxBoxes> boxType{};
    std::array<float, kMaxBoxes> boxElevation{};  // absolute, degrees
    std::array<float, kMaxBoxes> boxGain{};       // dB, subtracted from the level
    int32_t groundStacked = 0;                    // 1 ground stacked, 0 flown
};

// One box of the applied design, in the array's local frame.
struct BoxPlacement {
    int32_t type = 0;      // normalised: always a catalogue id
    Vec3 localPosition{};  // metres; x is always 0
    Vec3 localAngles{};    // degrees: (0, elevation relative to the grid, 0)
    float gain = 0.0f;     // dB
};

// What an instance holds: the applied design (types normalised) and a
// placement for each of the 16 box positions, whatever boxCount says.
struct ArrayGeometry {
    ArraySetup design;
    std::array<BoxPlacement, kMaxBoxes> box{};
};

// The default design: four boxes of type 5 hung straight, gains 0, host
// value 1, flown.
ArraySetup defaultSetup();

// Normalises the box types of setup (written back into it), then lays out
// all 16 boxes into geometry.
void applyDesign(ArraySetup& setup, ArrayGeometry& geometry);

// Applies the default design.
void resetDesign(ArrayGeometry& geometry);

}  // namespace ksr
