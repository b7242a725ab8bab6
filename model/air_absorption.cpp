#include "model/air_absorption.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace ksr {

float bandCentreFrequency(int32_t band) {
    const float exponent = (static_cast<float>(band) + 1.0f) * (1.0f / 3.0f);
    return 62.5f * std::pow(2.0f, exponent);
}

double airAbsorptionCoefficient(double temperature, double pressure, double humidity, double frequency) {
    constexpr double kReferencePressure = 101325.0;  // Pa
    constexpr double kReferenceTemperature = 293.15; // K
    constexpr double kTriplePoint = 273.16;          // K

    const double kelvin = temperature + 273.15;
    const double relativePressure = pressure / kReferencePressure;

    // Molar concentration of water vapour, percent, from the saturation
    // vapour pressure.
    const double saturation = std::pow(10.0, 4.6151 - 6.8346 * std::pow(kTriplePoint / kelvin, 1.261));
    const double h = humidity * saturation / relativePressure;

    // Relaxation frequencies of oxygen and nitrogen, Hz. The exponent is the
    // standard's eight-digit −0.33333333, not exactly −1/3.
    const double t = kelvin / kReferenceTemperature;
    const double oxygen = relativePressure * (24.0 + 4.04e4 * h * (0.02 + h) / (0.391 + h));
    const double nitrogen =
        relativePressure * std::pow(t, -0.5) * (9.0 + 280.0 * h * std::exp(-4.17 * (std::pow(t, -0.33333333) - 1.0)));

    const double f2 = frequency * frequency;
    const double classical = 1.84e-11 / relativePressure * std::pow(t, 0.5);
    const double relaxation = std::pow(t, -2.5) * (0.01275 * std::exp(-2239.1 / kelvin) / (oxygen + f2 / oxygen) +
                                                   0.1068 * std::exp(-3352.0 / kelvin) / (nitrogen + f2 / nitrogen));
    return 8.686 * f2 * (classical + relaxation);
}

double airAbsorptionLoss(double distance, double temperature, double pressure, double humidity, double frequency) {
    return airAbsorptionCoefficient(temperature, pressure, humidity, frequency) * distance;
}

double spreadingLoss(double distance) {
    constexpr double kNearest = 0.1;  // metres
    return 20.0 * std::log10(distance < kNearest ? kNearest : distance);
}

double wrapPhase(double x) {
    constexpr double kTurn = 2.0 * std::numbers::pi;
    if (x >= -std::numbers::pi && x < std::numbers::pi) return x;  // already inside: most filter phases
    const double w = x / kTurn;
    return (w - std::floor(w + 0.5)) * kTurn;
}

BandCoefficients bandAbsorptionCoefficients(const Environment& air) {
    BandCoefficients coefficients{};
    for (int32_t band = 1; band <= kBandCount; ++band) {
        coefficients[band - 1] = airAbsorptionCoefficient(air.airTemperature, air.airPressure * 100.0, air.humidity,
                                                          bandCentreFrequency(band));
    }
    return coefficients;
}

const BandCoefficients& BandAbsorptionCache::coefficientsFor(const Environment& air) {
    const std::array<float, 3> key{air.airTemperature, air.airPressure, air.humidity};
    const auto bits = [](const std::array<float, 3>& values) {
        return std::array<uint32_t, 3>{std::bit_cast<uint32_t>(values[0]), std::bit_cast<uint32_t>(values[1]),
                                       std::bit_cast<uint32_t>(values[2])};
    };
    if (!valid_ || bits(key) != bits(air_)) {
        coefficients_ = bandAbsorptionCoefficients(air);
        air_ = key;
        valid_ = true;
    }
    return coefficients_;
}

}  // namespace ksr
