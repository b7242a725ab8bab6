#pragma once
// The coherent sum of an array's boxes over a whole third-octave band.
//
// A complex sum at the band's centre frequency alone shows deep notches
// wherever two boxes arrive half a period apart at that one frequency; a
// listener hears the band, not the tone. So a band level is the energy mean
// of the complex sums at eight tones spread evenly in log frequency across
// the band:
//     f_k = f · 2^((k + 0.5)/24 − 1/6),  k = 0..7,
//     p_k = Σ_c 10^(L_c/20) · exp(j(φ_c − 2π f_k τ_c)),
//     L   = 10 · log10((1/8) Σ_k |p_k|²),
// with f = 62.5 · 2^((band + 1)/3) Hz the band's exact centre, and each box c
// bringing its level L_c (dB), phase φ_c (radians) and delay τ_c (seconds).

#include <array>
#include <cstdint>
#include <span>

namespace ksr {

inline constexpr int32_t kBandAverageTones = 8;

// The level that stands for no sound at all (every pressure zero), dB.
inline constexpr double kSilentLevel = -300.0;

// One box's share of a band at a seat.
struct BandShare {
    double level = 0.0;  // dB
    double phase = 0.0;  // radians
    double delay = 0.0;  // seconds
};

// The exact centre frequency of band 1..21 in double precision, Hz.
double exactBandCentre(int32_t band);

// The eight tones f_k of band 1..21, Hz, lowest first.
std::array<double, kBandAverageTones> bandAverageTones(int32_t band);

// The energy mean of the complex sums over the band's tones, dB; kSilentLevel
// when every share is silent or there is none.
double bandAveragedLevel(std::span<const BandShare> shares, int32_t band);

}  // namespace ksr
