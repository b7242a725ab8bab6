#pragma once
// Orientation of arrays, boxes and components.
//
// An angle triple (a, b, c) in degrees stands for the rotation
//
//     R(a, b, c) = Rz(a) · Rx(−b) · Ry(−c)
//
// that maps vectors of a local frame into the frame above it: a point p of an
// array's local frame lies at position + R(angles) · p one frame up. With the
// right-handed elementary rotations Rz(t) (x towards y), Rx(t) (y towards z)
// and Ry(t) (z towards x), written out with ca = cos a, sa = sin a and so on:
//
//     | ca·cc − sa·sb·sc   −sa·cb   −ca·sc − sa·sb·cc |
//     | sa·cc + ca·sb·sc    ca·cb   −sa·sc + ca·sb·cc |
//     |      cb·sc           −sb          cb·cc       |
//
// A component aims along its local −y axis, local +z is its up and local x
// points sideways. The host's z axis points up. The first angle turns the aim
// about the vertical (90° turns −y into +x), the second raises it (90° turns
// −y into +z), the third rolls the component about its aim. All angles zero
// aim along host −y.
//
// Matrices are kept in double precision; stored positions and angles are
// single-precision floats.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "model/vec3.h"

namespace ksr {

inline constexpr double kDegToRad = std::numbers::pi / 180.0;
inline constexpr double kRadToDeg = 180.0 / std::numbers::pi;

using Vec3d = std::array<double, 3>;

// Row-major: m[row][column].
using Mat3 = std::array<Vec3d, 3>;

// R(a, b, c) of an angle triple in degrees.
inline Mat3 rotationFromAngles(const Vec3& degrees) {
    const double a = degrees[0] * kDegToRad;
    const double b = degrees[1] * kDegToRad;
    const double c = degrees[2] * kDegToRad;
    const double ca = std::cos(a), sa = std::sin(a);
    const double cb = std::cos(b), sb = std::sin(b);
    const double cc = std::cos(c), sc = std::sin(c);
    return {{
        {ca * cc - sa * sb * sc, -sa * cb, -ca * sc - sa * sb * cc},
        {sa * cc + ca * sb * sc, ca * cb, -sa * sc + ca * sb * cc},
        {cb * sc, -sb, cb * cc},
    }};
}

inline Mat3 operator*(const Mat3& a, const Mat3& b) {
    Mat3 m{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
    }
    return m;
}

// m · v.
inline Vec3d operator*(const Mat3& m, const Vec3d& v) {
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2], m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

// mᵀ · v: for a rotation, a vector of the frame above expressed in the local
// frame.
inline Vec3d transposedTimes(const Mat3& m, const Vec3d& v) {
    return {m[0][0] * v[0] + m[1][0] * v[1] + m[2][0] * v[2], m[0][1] * v[0] + m[1][1] * v[1] + m[2][1] * v[2],
            m[0][2] * v[0] + m[1][2] * v[1] + m[2][2] * v[2]};
}

// R(0, 0, 0) exactly as rotationFromAngles works it out, signed zeros
// included: the rotation of a component that was never placed.
inline constexpr Mat3 kUnturned{{{1.0, -0.0, -0.0}, {0.0, 1.0, 0.0}, {0.0, -0.0, 1.0}}};

inline Vec3d widen(const Vec3& v) { return {v[0], v[1], v[2]}; }

// The angle triple (X, Y, Z) in degrees with R(X, Y, Z) = m, for a rotation m.
// Y = asin(−m32) lies in [−90°, 90°]; X and Z lie in [−180°, 180°]. Where
// cos Y is exactly zero (the gimbal lock), Z is 0 and X takes the whole turn
// about the vertical. NaN entries give NaN angles.
inline Vec3 anglesFromRotation(const Mat3& m) {
    auto clampedAsin = [](double s) { return std::asin(std::clamp(s, -1.0, 1.0)); };
    auto intoHalfTurn = [](double degrees) {
        if (degrees > 180.0) return degrees - 360.0;
        if (degrees < -180.0) return degrees + 360.0;
        return degrees;
    };
    const double yRadians = clampedAsin(-m[2][1]);
    const double y = yRadians * kRadToDeg;
    const double k = std::cos(yRadians);
    double x = 0.0;
    double z = 0.0;
    if (k != 0.0) {
        x = clampedAsin(-m[0][1] / k) * kRadToDeg;
        if (m[1][1] < 0.0) x = 180.0 - x;
        z = clampedAsin(m[2][0] / k) * kRadToDeg;
        if (m[2][2] < 0.0) z = 180.0 - z;
    } else {
        x = clampedAsin(m[1][0]) * kRadToDeg;
        if (m[0][0] < 0.0) x = 180.0 - x;
    }
    return {static_cast<float>(intoHalfTurn(x)), static_cast<float>(y), static_cast<float>(intoHalfTurn(z))};
}

}  // namespace ksr
