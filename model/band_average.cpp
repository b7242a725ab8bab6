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
    double energy = 0.0;
    for (const double tone : bandAverageTones(band)) {
        const double omega = 2.0 * std::numbers::pi * tone;
        double real = 0.0, imaginary = 0.0;
        for (const BandShare& share : shares) {
            const double pressure = std::pow(10.0, share.level / 20.0);
            const double angle = share.phase - omega * share.delay;
            real += pressure * std::cos(angle);
            imaginary += pressure * std::sin(angle);
        }
        energy += real * real + imaginary * imaginary;
    }
    energy /= kBandAverageTones;
    return energy > 0.0 && std::isfinite(energy) ? 10.0 * std::log10(energy) : kSilentLevel;
}

}  // namespace ksr
