#pragma once
// A position or an angle triple as the host exchanges it: three
// single-precision floats.

#include <array>

namespace ksr {

using Vec3 = std::array<float, 3>;

}  // namespace ksr
