#pragma once
// Combining the components of an array at one seat, band by band, and
// folding the 21 bands into one A-weighted figure.
//
// Power sum: the components add as uncorrelated sources,
//     L = 10 log10(sum 10^(L_c / 10)).
// Tone sum: the components add as coherent pressures, each with its own
// level, phase and travel time, at the band's exact centre frequency f:
//     p = sum 10^(L_c / 20) exp(j (phi_c - 2 pi f tau_c)),  L = 20 log10 |p|.
// Complex sum (the default of predict and map): the energy mean of the tone
// sums at eight tones across the band (model/band_average.h), so that a band
// shows the coverage a listener hears rather than the notches of one tone.
// A-weighted broadband: the standard A-weighting at each band's nominal
// centre added to the band level, then a power sum over the bands.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "exports/ksr.h"

namespace ksrhost {

inline constexpr int kBands = KSR_BAND_COUNT;

// A level that stands for no sound at all (a zero pressure sum), dB.
inline constexpr double kSilenceDb = -300.0;

using BandValues = std::array<double, kBands>;

// One component's answer at one seat, as CI_GetCompFR gives it.
struct ComponentResponse {
    int32_t component = 0;                  // 1-based
    std::array<float, kBands> level{};      // dB
    std::array<float, kBands> phase{};      // radians
    float delay = 0.0f;                     // seconds
};

// Exact centre frequency of band 1..21: 62.5 * 2^((band + 1) / 3) Hz.
double bandCentreFrequency(int band);

// Nominal centre frequency of band 1..21: 100, 125, 160 ... 10000 Hz.
double nominalCentreFrequency(int band);

// A-weighting of band 1..21 as IEC 61672-1 tables it at the nominal centre
// frequency, dB.
double aWeighting(int band);

// Power sum of one band (1..21) over the components.
double powerSum(std::span<const ComponentResponse> components, int band);

struct ComplexSum {
    double level = kSilenceDb;  // dB
    double phase = 0.0;         // radians, the argument of the summed pressure
};

// Tone sum of one band (1..21) over the components, at its centre frequency.
ComplexSum complexSum(std::span<const ComponentResponse> components, int band);

// Band-averaged complex sum of one band (1..21) over the components, dB.
double bandAveragedSum(std::span<const ComponentResponse> components, int band);

// How the components of one seat are summed per band.
enum class SumKind {
    complex,  // band-averaged complex sum
    tone,     // complex sum at the band's centre frequency alone
    power,    // power sum
};

// "complex", "tone", "power"; the option values of --sum.
const char* sumName(SumKind kind);

// The level of one band (1..21) summed as kind says, dB.
double bandSum(std::span<const ComponentResponse> components, int band, SumKind kind);

// The seven true octaves 125 Hz .. 8 kHz, each the power sum of its three
// third-octave bands (100, 125, 160 Hz make the 125 Hz octave), dB.
inline constexpr int kOctaves = kBands / 3;
using OctaveValues = std::array<double, kOctaves>;
OctaveValues octaveLevels(const BandValues& bands);

// Nominal centre of octave 0..6: 125, 250 ... 8000 Hz.
double octaveCentreFrequency(int octave);

// A frequency as people write it: "125 Hz", "1 kHz", "1.6 kHz".
std::string frequencyText(double hertz);

// The A-weighted broadband level of 21 band levels, dB(A).
double aWeightedTotal(const BandValues& levels);

}  // namespace ksrhost
