#pragma once
// The response of one component (box) of an array at the seat: per band the
// sound pressure level (dB) and phase (radians), and the travel time.
//
// Per band i:
//   level = levelAt1m(type, i) − gain − air(d, f(i)) − 20·log10(max(d, 0.1 m))
//           + filterGain(i) − balloon(type, i, θ, φ)
//   phase = filterPhase(i) in radians, wrapped into [−π, π)
// with d the component's distance to the seat and (θ, φ) the seat's direction
// in the component frame, interpolated bilinearly on the 5° balloon grid. The
// phase carries no propagation term; the delay d / speedOfSound does.

#include <array>
#include <cstdint>
#include <optional>

#include "model/air_absorption.h"
#include "model/bands.h"
#include "model/environment.h"
#include "model/instance.h"
#include "model/model_data.h"
#include "model/placement.h"

namespace ksr {

struct ComponentResponse {
    std::array<float, kBandCount> level{};  // dB SPL at the seat, band 1 first
    std::array<float, kBandCount> phase{};  // radians in [−π, π)
    float delay = 0.0f;                     // seconds
};

// Where a direction falls on the balloon grid: the two polar rows and two
// azimuth columns around it and the weights towards the second of each.
// Always inside the grid (polar 0..36, azimuth 0..71, weights 0..1). No
// direction (the seat on the component, or values that are not finite)
// counts as on axis.
struct BalloonCell {
    int32_t polar0 = 0, polar1 = 1;
    int32_t azimuth0 = 0, azimuth1 = 1;
    double polarWeight = 0.0;    // towards polar1
    double azimuthWeight = 0.0;  // towards azimuth1
};
BalloonCell balloonCell(const std::optional<SeatDirection>& direction);

// The balloon values (dB) of one band at the four grid points of a cell.
struct BalloonCorners {
    float polar0Azimuth0, polar0Azimuth1, polar1Azimuth0, polar1Azimuth1;
};

// The bilinear blend of the corners with the cell's weights, dB.
inline double interpolate(const BalloonCell& cell, const BalloonCorners& corners) {
    const double tp = cell.polarWeight;
    const double ta = cell.azimuthWeight;
    return (1.0 - tp) * (1.0 - ta) * corners.polar0Azimuth0 + (1.0 - tp) * ta * corners.polar0Azimuth1 +
           tp * (1.0 - ta) * corners.polar1Azimuth0 + tp * ta * corners.polar1Azimuth1;
}

// The data of a type laid out for the response: its level at 1 m per band,
// and its balloon direction-major, grid point (p, a) holding its 21 band
// values side by side, so that a response reads four runs of 21 floats
// instead of 84 values spread over a 219 KiB balloon.
struct ResponseData {
    using BandValues = std::array<float, kBandCount>;
    BandValues levelAt1m;
    std::array<std::array<BandValues, kAzimuthSteps>, kPolarSteps> balloon;
};

// What the response keeps between calls. The module state owns one and
// hands it to every call; nothing is allocated.
//   absorption: the band coefficients of the last call's air, worked out
//     afresh by a call whose air differs.
//   data: a copy per type with measured data and one shared by every type
//     without (silent: level kNoDataLevelAt1m, balloon kNoDataBalloonValue),
//     filled the first time a response of the type is asked and then kept:
//     the data are constant.
struct ResponseCache {
    static constexpr int32_t kCopies = kModelDataIdCount + 1;  // the last: no data
    BandAbsorptionCache absorption;
    std::array<bool, kCopies> ready{};
    std::array<ResponseData, kCopies> data;
};

// The response of component c (1..16; callers check it against the count) in
// the given air; airAbsorption false leaves the air's loss out. Does no
// allocation and evaluates no power or exponential per call once the cache
// holds the air and the type.
void componentResponse(const ArrayInstance& instance, int32_t component, const Environment& air, bool airAbsorption,
                       ResponseCache& cache, ComponentResponse& out);

// The on-axis level at 1 m of component c (1..16) in a band (1..21), with its
// box gain and the instance's filter gain, dB.
float componentLevelAt1m(const ArrayInstance& instance, int32_t component, int32_t band);

// The directivity index of component c's box type (1..16) in a band (1..21), dB.
float componentDirectivity(const ArrayInstance& instance, int32_t component, int32_t band);

}  // namespace ksr
