#pragma once
// The sums of one seat over every band at once, for maps and predictions:
// the same sums as band_sums.h gives band by band, with their phasors found
// cheaply.
//
// Every tone of the complex and the tone sums is exp(j(phi_c - omega tau_c))
// = exp(j phi_c) * exp(-j omega tau_c). The first factor is one phasor per
// box and band. The second depends on the box and the tone alone, and the
// tones of band b + 3 lie an octave above those of band b, at twice the
// frequency: its phasors are the squares of band b's. So each box needs the
// sine and cosine of its 21 phases and of its tones in bands 1..3 (24
// tones, or the 3 centres for the tone sum); the six octaves above follow
// by complex squaring. Squaring doubles the phase error with the phase, so
// the relative error stays that of one rounding in the product omega tau,
// as in the direct sum; the levels agree with band_sums.h to far below
// 0.001 dB (the tests bound them at 0.01 dB, the accuracy a map shows).
//
// The power sum is band_sums.h's, band by band, to the last bit.

#include <span>

#include "band_sums.h"

namespace ksrhost {

// The 21 band levels of one seat summed as kind says, dB.
BandValues seatBandLevels(std::span<const ComponentResponse> components, SumKind kind);

// The level of band 1..21 of one seat summed as kind says, dB.
double seatBandLevel(std::span<const ComponentResponse> components, int band, SumKind kind);

// The tone sums of one seat, every band: levels (dB) and the phases of the
// summed pressures (radians), as complexSum() gives them.
struct ToneSums {
    BandValues level{}, phase{};
};
ToneSums seatToneSums(std::span<const ComponentResponse> components);

}  // namespace ksrhost
