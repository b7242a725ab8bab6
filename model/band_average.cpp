#include "model/band_average.h"

#include <cmath>
#include <numbers>

namespace ksr {

double exactBandCentre(int32_t band) { return 62.5 * std::exp2((band + 1) / 3.0); }

std::array<double, kBandAverageTones> bandAverageTones(int32_t band) {
    const double centre = exactBandCentre(band);
    std::array<double, kBandAverageTones> tones{};
    for (int32_t k = 0; k < kBandAverageTones; ++k) tones[k] = centre * std::exp2((k + 0.5) / 24.0 - 1.0 / 6.0);
    return tones;
}

double bandAveragedLevel(std::span<const BandShare> shares, int32_t band) {
    // Share by share, each tone's sum gathered in its own accumulator: the
    // same additions in the same order as tone by tone, with one pow per
    // share instead of one per share and tone.
    std::array<double, kBandAverageTones> omegas{}, real{}, imaginary{};
    const std::array<double, kBandAverageTones> tones = bandAverageTones(band);
    for (int32_t k = 0; k < kBandAverageTones; ++k) omegas[k] = 2.0 * std::numbers::pi * tones[k];
    for (const BandShare& share : shares) {
        const double pressure = std::pow(10.0, share.level / 20.0);
        for (int32_t k = 0; k < kBandAverageTones; ++k) {
            const double angle = share.phase - omegas[k] * share.delay;
            real[k] += pressure * std::cos(angle);
            imaginary[k] += pressure * std::sin(angle);
        }
    }
    double energy = 0.0;
    for (int32_t k = 0; k < kBandAverageTones; ++k) energy += real[k] * real[k] + imaginary[k] * imaginary[k];
    energy /= kBandAverageTones;
    return energy > 0.0 && std::isfinite(energy) ? 10.0 * std::log10(energy) : kSilentLevel;
}

}  // namespace ksr
