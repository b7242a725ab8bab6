#pragma once
// The design dialog's working copy of one array design. The design rules,
// the exchange files and the dialog all work on it; it holds no window state.

#include <array>
#include <cstdint>

#include "model/geometry.h"

namespace ksr {

struct DesignBox {
    int32_t type = 0;             // box-type id 0..9
    float gain = 0.0f;            // dB in the dialog's sign: 0 full level, negative attenuates
    float differenceAngle = 0.0f; // degrees relative to the box above (the grid for box 0)
};

struct WorkingDesign {
    std::array<DesignBox, kMaxBoxes> boxes{};  // box 0 at the top; rules treat all 16
    std::array<float, kMaxBoxes> elevations{}; // absolute elevation angle of each box, degrees
    int32_t boxCount = kMinBoxes;              // 4..16: boxes shown and exported
    float gridElevation = 0.0f;                // degrees
    int32_t groundStacked = 0;                 // 1 ground stacked, 0 flown
};

}  // namespace ksr
