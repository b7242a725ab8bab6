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

#include "model/bands.h"
#include "model/environment.h"
#include "model/instance.h"
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

// The balloon attenuation of a box type in a band (1..21) at a grid cell, dB.
double balloonAttenuation(int32_t type, int32_t band, const BalloonCell& cell);

// The response of component c (1..16; callers check it against the count) in
// the given air; airAbsorption false leaves the air's loss out. Does no
// allocation and evaluates no power or exponential per call: the band
// absorption coefficients are kept for the air until it changes.
void componentResponse(const ArrayInstance& instance, int32_t component, const Environment& air, bool airAbsorption,
                       ComponentResponse& out);

// The same response computed the long way, step by step and band by band,
// with ISO 9613-1 evaluated afresh for every band: the yardstick that the
// shipped path is measured and tested against.
void componentResponseReference(const ArrayInstance& instance, int32_t component, const Environment& air,
                                bool airAbsorption, ComponentResponse& out);

// The on-axis level at 1 m of component c (1..16) in a band (1..21), with its
// box gain and the instance's filter gain, dB.
float componentLevelAt1m(const ArrayInstance& instance, int32_t component, int32_t band);

// The directivity index of component c's box type (1..16) in a band (1..21), dB.
float componentDirectivity(const ArrayInstance& instance, int32_t component, int32_t band);

}  // namespace ksr
