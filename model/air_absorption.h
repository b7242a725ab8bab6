#pragma once
// Band and air-absorption mathematics: the exact centre frequency of each
// third-octave band, the absorption of sound by air (ISO 9613-1, pure-tone
// attenuation), the spreading loss with distance and the wrapping of phases.
//
// Units: metres, degrees Celsius, pascals inside the formula (hPa at the
// interface), percent relative humidity, Hz, dB, radians. Computations are in
// double precision; callers store single-precision results.

#include <array>
#include <cstdint>

#include "model/bands.h"
#include "model/environment.h"

namespace ksr {

// f(i) = 62.5 · 2^((i + 1)/3) Hz in single precision: 99.21 Hz for band 1,
// 1000 Hz for band 11, 10079.37 Hz for band 21. These exact base-2
// frequencies, not the nominal ones, enter the absorption.
float bandCentreFrequency(int32_t band);

// The ISO 9613-1 attenuation coefficient of air, dB per metre, for a pure
// tone of frequency f (Hz) at temperature T (degrees Celsius), pressure p (Pa)
// and relative humidity hr (percent).
double airAbsorptionCoefficient(double temperature, double pressure, double humidity, double frequency);

// The attenuation over a distance d (metres), dB: coefficient · d.
double airAbsorptionLoss(double distance, double temperature, double pressure, double humidity, double frequency);

// 20 · log10(d) with any distance below 0.1 m counted as 0.1 m: never below
// −20 dB.
double spreadingLoss(double distance);

// x brought into [−π, π); +π becomes −π.
double wrapPhase(double x);

using BandCoefficients = std::array<double, kBandCount>;

// The 21 band coefficients (dB per metre, band 1 first) for an air as the
// host sets it (pressure in hPa).
BandCoefficients bandAbsorptionCoefficients(const Environment& air);

// The band coefficients remembered with the air they were computed for. The
// coefficients depend on the band and the air alone, and the air changes
// rarely, so each query compares the three air values (bit for bit) with the
// remembered ones and recomputes only when one differs: no caller has to
// announce a change of air.
class BandAbsorptionCache {
public:
    const BandCoefficients& coefficientsFor(const Environment& air);

private:
    bool valid_ = false;
    std::array<float, 3> air_{};  // temperature, pressure, humidity
    BandCoefficients coefficients_{};
};

}  // namespace ksr
