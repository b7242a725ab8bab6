#include "unit_phasors.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace ksrhost {

namespace {

constexpr double kTwoOverPi = 6.36619772367581382433e-01;
// pi/2 in three parts: the first two of 33 significant bits each, so that
// q * part is exact for every quadrant q below 2^20.
constexpr double kHalfPi1 = 1.57079632673412561417e+00;
constexpr double kHalfPi2 = 6.07710050630396597660e-11;
constexpr double kHalfPi3 = 2.02226624871116645580e-21;
// 1.5 * 2^52: a double of at most 2^51 in size added to it rounds to an
// integer, which stands in the low bits of the sum's mantissa.
constexpr double kRoundingShift = 6755399441055744.0;

// fdlibm's kernels: sin r = r + r^3 S(r^2), cos r = 1 - r^2/2 + r^4 C(r^2)
// for |r| <= pi/4.
constexpr double kS1 = -1.66666666666666324348e-01, kS2 = 8.33333333332248946124e-03,
                 kS3 = -1.98412698298579493134e-04, kS4 = 2.75573137070700676789e-06,
                 kS5 = -2.50507602534068634195e-08, kS6 = 1.58969099521155010221e-10;
constexpr double kC1 = 4.16666666666666019037e-02, kC2 = -1.38888888888741095749e-03,
                 kC3 = 2.48015872894767294178e-05, kC4 = -2.75573143513906633035e-07,
                 kC5 = 2.08757232129817482790e-09, kC6 = -1.13596475577881948265e-11;

bool allFast(std::span<const double> angles) {
    bool fast = true;
    // NaN fails the comparison as an infinity does.
    for (const double x : angles) fast &= std::fabs(x) <= kFastAngleLimit;
    return fast;
}

}  // namespace

void unitPhasors(std::span<const double> angles, std::span<double> cosines, std::span<double> sines) {
    const size_t count = angles.size();
    if (!allFast(angles)) {
        for (size_t i = 0; i < count; ++i) {
            cosines[i] = std::cos(angles[i]);
            sines[i] = std::sin(angles[i]);
        }
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const double x = angles[i];
        const double shifted = x * kTwoOverPi + kRoundingShift;
        const double q = shifted - kRoundingShift;
        // The mantissa holds 2^51 + q, so its low two bits are q mod 4 for
        // either sign of q.
        const uint64_t quadrant = std::bit_cast<uint64_t>(shifted);
        const double r = ((x - q * kHalfPi1) - q * kHalfPi2) - q * kHalfPi3;
        const double z = r * r;
        const double s = r + r * z * (kS1 + z * (kS2 + z * (kS3 + z * (kS4 + z * (kS5 + z * kS6)))));
        const double c = 1.0 - 0.5 * z + z * z * (kC1 + z * (kC2 + z * (kC3 + z * (kC4 + z * (kC5 + z * kC6)))));
        // Quadrant 0: (c, s); 1: (-s, c); 2: (-c, -s); 3: (s, -c), as (cos, sin).
        const uint64_t swap = uint64_t{0} - (quadrant & 1);
        const uint64_t sBits = std::bit_cast<uint64_t>(s), cBits = std::bit_cast<uint64_t>(c);
        const uint64_t cosBits = ((cBits & ~swap) | (sBits & swap)) ^ (((quadrant + 1) & 2) << 62);
        const uint64_t sinBits = ((sBits & ~swap) | (cBits & swap)) ^ ((quadrant & 2) << 62);
        cosines[i] = std::bit_cast<double>(cosBits);
        sines[i] = std::bit_cast<double>(sinBits);
    }
}

}  // namespace ksrhost
