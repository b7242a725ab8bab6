#pragma once
// The 21 third-octave bands of nominal 100 Hz to 10 kHz. Every per-band
// array of the module is in this order, band 1 first.

#include <cstdint>

namespace ksr {

inline constexpr int32_t kBandCount = 21;

}  // namespace ksr
