#pragma once
// The component response worked out the long way, straight from the
// formulas: the response formula of model/response.h, ISO 9613-1 for the air,
// the rotation convention of model/rotation.h and the balloon grid and data
// layout of model/model_data.h. It shares no helper with the shipped path
// (it reads the measured data from the raw blob), so the tests and the
// benchmark measure that path against it: a fault in the path's helpers
// shows as a difference here.

#include <cstdint>

#include "model/environment.h"
#include "model/instance.h"
#include "model/response.h"

namespace ksr_test {

// Component c (1..16) of the instance at its seat; airAbsorption false
// leaves the air's loss out. Levels agree with the shipped path within
// 0.001 dB (the path nudges grid positions by 1e-5 of a step), phases within
// 1e-6 rad, the delay within 1e-7 s.
ksr::ComponentResponse referenceResponse(const ksr::ArrayInstance& instance, int32_t component,
                                         const ksr::Environment& air, bool airAbsorption);

}  // namespace ksr_test
