#pragma once
// Conversions of outside numbers (host arguments, file values, typed text)
// that may be NaN, infinite or huge. Every truncation to an integer goes
// through here: it saturates, and NaN becomes 0.

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace ksr {

// x truncated toward zero, saturated into int32; NaN gives 0.
inline int32_t truncateToInt32(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}

// x truncated toward zero to a whole number, kept as a float. NaN and the
// infinities pass through unchanged (they are not integers to truncate).
inline float truncateWhole(float x) { return std::trunc(x); }

// An integer index brought into [lo, hi].
template <class T>
    requires std::is_integral_v<T>
constexpr T clampIndex(T v, T lo, T hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace ksr
