#include "seat_sums.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "model/band_average.h"
#include "unit_phasors.h"

namespace ksrhost {

namespace {

constexpr size_t kBandCount = kBands;
constexpr size_t kBandsPerOctave = 3;
constexpr size_t kOctaveCount = kBandCount / kBandsPerOctave;
constexpr size_t kTones = ksr::kBandAverageTones;
static_assert(kOctaveCount * kBandsPerOctave == kBandCount, "the bands fill whole octaves");

// The working arrays of one seat, kept by each thread from seat to seat so
// that a map allocates them once. Indices run box by box: [c * width + i].
struct Scratch {
    std::vector<double> angles, cosines, sines;
    std::vector<double> pressureReal, pressureImaginary;  // 10^(L/20) exp(j phi), per box and band
    std::vector<double> turnReal, turnImaginary;          // exp(-j omega tau), per box and tone of one octave

    void resize(size_t size) {
        if (angles.size() < size) {
            angles.resize(size);
            cosines.resize(size);
            sines.resize(size);
        }
    }
};

Scratch& scratch() {
    thread_local Scratch s;
    return s;
}

double pressureOf(double level) { return std::exp(level * (std::numbers::ln10 / 20.0)); }

// Angular frequencies of the tones in bands 1..3, band by band, rad/s:
// tonesPerBand = 8 for the band averages, 1 for the centres alone.
std::vector<double> firstOctaveOmegas(size_t tonesPerBand) {
    std::vector<double> omegas;
    for (int band = 1; band <= static_cast<int>(kBandsPerOctave); ++band) {
        if (tonesPerBand == 1) {
            omegas.push_back(2.0 * std::numbers::pi * bandCentreFrequency(band));
        } else {
            for (const double tone : ksr::bandAverageTones(band)) omegas.push_back(2.0 * std::numbers::pi * tone);
        }
    }
    return omegas;
}

const std::vector<double>& averageOmegas() {
    static const std::vector<double> omegas = firstOctaveOmegas(kTones);
    return omegas;
}

const std::vector<double>& centreOmegas() {
    static const std::vector<double> omegas = firstOctaveOmegas(1);
    return omegas;
}

// Fills s.pressure* with each box's pressure phasor in every band.
void pressurePhasors(std::span<const ComponentResponse> components, Scratch& s) {
    const size_t size = components.size() * kBandCount;
    s.resize(size);
    s.pressureReal.resize(size);
    s.pressureImaginary.resize(size);
    for (size_t c = 0; c < components.size(); ++c) {
        for (size_t b = 0; b < kBandCount; ++b) s.angles[c * kBandCount + b] = components[c].phase[b];
    }
    unitPhasors({s.angles.data(), size}, {s.cosines.data(), size}, {s.sines.data(), size});
    for (size_t c = 0; c < components.size(); ++c) {
        for (size_t b = 0; b < kBandCount; ++b) {
            const size_t i = c * kBandCount + b;
            const double magnitude = pressureOf(components[c].level[b]);
            s.pressureReal[i] = magnitude * s.cosines[i];
            s.pressureImaginary[i] = magnitude * s.sines[i];
        }
    }
}

// Fills s.turn* with exp(-j omega tau) of each box at each of omegas.
void delayPhasors(std::span<const ComponentResponse> components, const std::vector<double>& omegas, Scratch& s) {
    const size_t width = omegas.size(), size = components.size() * width;
    s.resize(size);
    for (size_t c = 0; c < components.size(); ++c) {
        const double delay = components[c].delay;
        for (size_t t = 0; t < width; ++t) s.angles[c * width + t] = -(omegas[t] * delay);
    }
    s.turnReal.resize(size);
    s.turnImaginary.resize(size);
    unitPhasors({s.angles.data(), size}, s.turnReal, s.turnImaginary);
}

// Each delay phasor squared: the same tones an octave higher.
void nextOctave(Scratch& s) {
    const size_t size = s.turnReal.size();
    double* re = s.turnReal.data();
    double* im = s.turnImaginary.data();
    for (size_t i = 0; i < size; ++i) {
        const double a = re[i], b = im[i];
        re[i] = a * a - b * b;
        im[i] = 2.0 * a * b;
    }
}

// The pressures of one band at its tones: sum over boxes of
// pressure(c, band) * turn(c, first + k), k < tones.
template <size_t kCount>
void bandPressures(const Scratch& s, size_t boxes, size_t band, size_t width, size_t first,
                   std::array<double, kCount>& real, std::array<double, kCount>& imaginary) {
    real.fill(0.0);
    imaginary.fill(0.0);
    for (size_t c = 0; c < boxes; ++c) {
        const double pr = s.pressureReal[c * kBandCount + band], pi = s.pressureImaginary[c * kBandCount + band];
        const double* tr = s.turnReal.data() + c * width + first;
        const double* ti = s.turnImaginary.data() + c * width + first;
        for (size_t k = 0; k < kCount; ++k) {
            real[k] += pr * tr[k] - pi * ti[k];
            imaginary[k] += pr * ti[k] + pi * tr[k];
        }
    }
}

// The energy mean of a band's tone pressures as a level, dB: the rule of
// ksr::bandAveragedLevel, silence for no energy or a non-finite one.
double averageLevel(const std::array<double, kTones>& real, const std::array<double, kTones>& imaginary) {
    double energy = 0.0;
    for (size_t k = 0; k < kTones; ++k) energy += real[k] * real[k] + imaginary[k] * imaginary[k];
    energy /= static_cast<double>(kTones);
    return energy > 0.0 && std::isfinite(energy) ? 10.0 * std::log10(energy) : kSilenceDb;
}

BandValues averagedLevels(std::span<const ComponentResponse> components) {
    Scratch& s = scratch();
    pressurePhasors(components, s);
    delayPhasors(components, averageOmegas(), s);
    const size_t width = kBandsPerOctave * kTones;
    BandValues levels{};
    std::array<double, kTones> real{}, imaginary{};
    for (size_t octave = 0; octave < kOctaveCount; ++octave) {
        if (octave > 0) nextOctave(s);
        for (size_t j = 0; j < kBandsPerOctave; ++j) {
            const size_t band = octave * kBandsPerOctave + j;
            bandPressures(s, components.size(), band, width, j * kTones, real, imaginary);
            levels[band] = averageLevel(real, imaginary);
        }
    }
    return levels;
}

// One band's average straight from the angles phi - omega tau: one band
// needs no other octave.
double averagedLevel(std::span<const ComponentResponse> components, int band) {
    Scratch& s = scratch();
    const size_t b = static_cast<size_t>(band - 1), size = components.size() * kTones;
    const std::array<double, kTones> tones = ksr::bandAverageTones(band);
    s.resize(size);
    for (size_t c = 0; c < components.size(); ++c) {
        const double phase = components[c].phase[b], delay = components[c].delay;
        for (size_t k = 0; k < kTones; ++k) {
            s.angles[c * kTones + k] = phase - 2.0 * std::numbers::pi * tones[k] * delay;
        }
    }
    unitPhasors({s.angles.data(), size}, {s.cosines.data(), size}, {s.sines.data(), size});
    std::array<double, kTones> real{}, imaginary{};
    for (size_t c = 0; c < components.size(); ++c) {
        const double magnitude = pressureOf(components[c].level[b]);
        for (size_t k = 0; k < kTones; ++k) {
            real[k] += magnitude * s.cosines[c * kTones + k];
            imaginary[k] += magnitude * s.sines[c * kTones + k];
        }
    }
    return averageLevel(real, imaginary);
}

}  // namespace

ToneSums seatToneSums(std::span<const ComponentResponse> components) {
    Scratch& s = scratch();
    pressurePhasors(components, s);
    delayPhasors(components, centreOmegas(), s);
    ToneSums sums;
    std::array<double, 1> real{}, imaginary{};
    for (size_t octave = 0; octave < kOctaveCount; ++octave) {
        if (octave > 0) nextOctave(s);
        for (size_t j = 0; j < kBandsPerOctave; ++j) {
            const size_t band = octave * kBandsPerOctave + j;
            bandPressures(s, components.size(), band, kBandsPerOctave, j, real, imaginary);
            const double squared = real[0] * real[0] + imaginary[0] * imaginary[0];
            sums.level[band] = squared > 0.0 ? 10.0 * std::log10(squared) : kSilenceDb;
            sums.phase[band] = squared > 0.0 ? std::atan2(imaginary[0], real[0]) : 0.0;
        }
    }
    return sums;
}

BandValues seatBandLevels(std::span<const ComponentResponse> components, SumKind kind) {
    switch (kind) {
        case SumKind::complex: return averagedLevels(components);
        case SumKind::tone: return seatToneSums(components).level;
        case SumKind::power: break;
    }
    BandValues levels{};
    for (int band = 1; band <= kBands; ++band) levels[static_cast<size_t>(band - 1)] = powerSum(components, band);
    return levels;
}

double seatBandLevel(std::span<const ComponentResponse> components, int band, SumKind kind) {
    switch (kind) {
        case SumKind::complex: return averagedLevel(components, band);
        case SumKind::tone: return seatToneSums(components).level[static_cast<size_t>(band - 1)];
        case SumKind::power: break;
    }
    return powerSum(components, band);
}

}  // namespace ksrhost
