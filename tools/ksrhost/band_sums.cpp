#include "band_sums.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <sstream>
#include <vector>

#include "model/band_average.h"

namespace ksrhost {

namespace {

constexpr std::array<double, kBands> kNominalFrequencies{100,  125,  160,  200,  250,  315,  400,
                                                         500,  630,  800,  1000, 1250, 1600, 2000,
                                                         2500, 3150, 4000, 5000, 6300, 8000, 10000};

size_t bandIndex(int band) { return static_cast<size_t>(band - 1); }

// 10^(level / 10), the power of a level, and 10^(level / 20), its pressure;
// as exponentials, which cost less than pow in the map's inner loop.
double powerOf(double level) { return std::exp(level * (std::numbers::ln10 / 10.0)); }
double pressureOf(double level) { return std::exp(level * (std::numbers::ln10 / 20.0)); }

// 10 log10 of a power (or of a squared pressure); silence for zero.
double toLevel(double power) { return power > 0.0 ? 10.0 * std::log10(power) : kSilenceDb; }

// A-weighting of each band as the standard tables it at the band's nominal
// centre frequency (IEC 61672-1), dB.
constexpr BandValues kAWeighting{-19.1, -16.1, -13.4, -10.9, -8.6, -6.6, -4.8, -3.2, -1.9, -0.8, 0.0,
                                 0.6,   1.0,   1.2,   1.3,   1.2,  1.0,  0.5,  -0.1, -1.1, -2.5};

}  // namespace

double bandCentreFrequency(int band) { return 62.5 * std::exp2((band + 1) / 3.0); }

double nominalCentreFrequency(int band) { return kNominalFrequencies[bandIndex(band)]; }

double aWeighting(int band) { return kAWeighting[bandIndex(band)]; }

double powerSum(std::span<const ComponentResponse> components, int band) {
    const size_t i = bandIndex(band);
    double power = 0.0;
    for (const ComponentResponse& c : components) power += powerOf(c.level[i]);
    return toLevel(power);
}

ComplexSum complexSum(std::span<const ComponentResponse> components, int band) {
    const size_t i = bandIndex(band);
    const double omega = 2.0 * std::numbers::pi * bandCentreFrequency(band);
    double real = 0.0, imaginary = 0.0;
    for (const ComponentResponse& c : components) {
        const double magnitude = pressureOf(c.level[i]);
        const double angle = c.phase[i] - omega * c.delay;
        real += magnitude * std::cos(angle);
        imaginary += magnitude * std::sin(angle);
    }
    const std::complex<double> pressure(real, imaginary);
    const double squared = std::norm(pressure);
    return {toLevel(squared), squared > 0.0 ? std::arg(pressure) : 0.0};
}

double bandAveragedSum(std::span<const ComponentResponse> components, int band) {
    // Arrays of a scene rarely hold more than this many boxes together; more
    // take the heap.
    constexpr size_t kOnStack = 64;
    std::array<ksr::BandShare, kOnStack> local;
    std::vector<ksr::BandShare> large;
    std::span<ksr::BandShare> shares(local.data(), std::min(components.size(), kOnStack));
    if (components.size() > kOnStack) {
        large.resize(components.size());
        shares = large;
    }
    const size_t i = bandIndex(band);
    for (size_t c = 0; c < components.size(); ++c) {
        shares[c] = {components[c].level[i], components[c].phase[i], components[c].delay};
    }
    return ksr::bandAveragedLevel(shares, band);
}

const char* sumName(SumKind kind) {
    switch (kind) {
        case SumKind::complex: return "complex";
        case SumKind::tone: return "tone";
        case SumKind::power: return "power";
    }
    return "complex";
}

double bandSum(std::span<const ComponentResponse> components, int band, SumKind kind) {
    switch (kind) {
        case SumKind::complex: return bandAveragedSum(components, band);
        case SumKind::tone: return complexSum(components, band).level;
        case SumKind::power: return powerSum(components, band);
    }
    return kSilenceDb;
}

OctaveValues octaveLevels(const BandValues& bands) {
    OctaveValues octaves{};
    for (size_t o = 0; o < octaves.size(); ++o) {
        double power = 0.0;
        for (size_t k = 0; k < 3; ++k) power += powerOf(bands[3 * o + k]);
        octaves[o] = toLevel(power);
    }
    return octaves;
}

double octaveCentreFrequency(int octave) { return 125.0 * std::exp2(octave); }

std::string frequencyText(double hertz) {
    std::ostringstream text;
    if (hertz >= 1000.0) {
        text << hertz / 1000.0 << " kHz";
    } else {
        text << hertz << " Hz";
    }
    return text.str();
}

double aWeightedTotal(const BandValues& levels) {
    double power = 0.0;
    for (size_t i = 0; i < levels.size(); ++i) power += powerOf(levels[i] + kAWeighting[i]);
    return toLevel(power);
}

}  // namespace ksrhost
