// The sine and cosine of a map's sums against the C library's.

#include "unit_phasors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

namespace ksrhost {
namespace {

// Two units in the last place of a value near 1.
constexpr double kAgreement = 4.5e-16;

struct Phasors {
    std::vector<double> cosines, sines;
};

Phasors phasorsOf(const std::vector<double>& angles) {
    Phasors p{std::vector<double>(angles.size()), std::vector<double>(angles.size())};
    unitPhasors(angles, p.cosines, p.sines);
    return p;
}

TEST(UnitPhasors, AgreeWithTheLibraryOverEveryRange) {
    std::mt19937_64 random(19);
    const double pi = std::numbers::pi;
    // Quadrant edges, where the reduction picks its quadrant by rounding,
    // and the signs of zero.
    std::vector<double> angles{0.0, -0.0, pi / 4, -pi / 4, pi / 2, -pi / 2, 3 * pi / 4, pi, -pi, 2 * pi,
                               1e5 * pi / 2, kFastAngleLimit, -kFastAngleLimit};
    for (const double range : {1.0, 10.0, 1e3, 1e5, kFastAngleLimit}) {
        std::uniform_real_distribution<double> angle(-range, range);
        for (int i = 0; i < 20000; ++i) angles.push_back(angle(random));
    }
    const Phasors p = phasorsOf(angles);
    for (size_t i = 0; i < angles.size(); ++i) {
        ASSERT_NEAR(p.cosines[i], std::cos(angles[i]), kAgreement) << angles[i];
        ASSERT_NEAR(p.sines[i], std::sin(angles[i]), kAgreement) << angles[i];
    }
    EXPECT_EQ(p.cosines[0], 1.0);
    EXPECT_EQ(p.sines[0], 0.0);
}

TEST(UnitPhasors, ABatchWithAnAngleBeyondTheLimitTakesTheLibrary) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        double odd;
    };
    for (const Case& c : {Case{"large", 3.0e9}, Case{"infinite", infinity}, Case{"NaN", nan}}) {
        const std::vector<double> angles{0.5, c.odd, -2.0};
        const Phasors p = phasorsOf(angles);
        for (size_t i = 0; i < angles.size(); ++i) {
            const double cosine = std::cos(angles[i]), sine = std::sin(angles[i]);
            if (std::isnan(cosine)) {
                EXPECT_TRUE(std::isnan(p.cosines[i]) && std::isnan(p.sines[i])) << c.what;
            } else {
                EXPECT_EQ(p.cosines[i], cosine) << c.what << " " << i;
                EXPECT_EQ(p.sines[i], sine) << c.what << " " << i;
            }
        }
    }
}

}  // namespace
}  // namespace ksrhost
