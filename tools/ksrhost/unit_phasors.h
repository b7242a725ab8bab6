#pragma once
// The unit phasors cos(x) + j sin(x) of many angles at once, for the sums of
// a map's seats, where the C library's sin and cos cost more than the rest of the
// arithmetic together.
//
// Angles up to kFastAngleLimit in size are reduced by pi/2 in three parts
// (exact for these quadrants) and evaluated by the kernel polynomials of
// fdlibm on [-pi/4, pi/4], without a branch per angle, so that the compiler
// may vectorise the loop; each result lies within 2.3e-16 of std::cos and
// std::sin. A batch holding a larger angle, an infinity or a NaN takes
// std::cos and std::sin for every angle, so such angles give what they give.

#include <span>

namespace ksrhost {

// Radians. Past this, the reduction by pi/2 would lose its exactness.
inline constexpr double kFastAngleLimit = 1.0e6;

// cosines[i] = cos(angles[i]), sines[i] = sin(angles[i]); all three spans of
// one size.
void unitPhasors(std::span<const double> angles, std::span<double> cosines, std::span<double> sines);

}  // namespace ksrhost
