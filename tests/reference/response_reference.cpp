#include "response_reference.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>
#include <span>

#include "model/catalogue.h"
#include "model/model_data.h"

namespace ksr_test {

namespace {

using ksr::kBandCount;

constexpr double kPi = std::numbers::pi;
constexpr double kDegree = kPi / 180.0;

using Matrix = std::array<std::array<double, 3>, 3>;
using Vector = std::array<double, 3>;

Matrix product(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) m[i][j] += a[i][k] * b[k][j];
        }
    }
    return m;
}

// The right-handed turns about each axis by t radians.
Matrix aboutZ(double t) { return {{{std::cos(t), -std::sin(t), 0}, {std::sin(t), std::cos(t), 0}, {0, 0, 1}}}; }
Matrix aboutX(double t) { return {{{1, 0, 0}, {0, std::cos(t), -std::sin(t)}, {0, std::sin(t), std::cos(t)}}}; }
Matrix aboutY(double t) { return {{{std::cos(t), 0, std::sin(t)}, {0, 1, 0}, {-std::sin(t), 0, std::cos(t)}}}; }

// R(a, b, c) = Rz(a) · Rx(−b) · Ry(−c), angles in degrees.
Matrix orientation(const ksr::Vec3& angles) {
    return product(product(aboutZ(angles[0] * kDegree), aboutX(-angles[1] * kDegree)), aboutY(-angles[2] * kDegree));
}

// ISO 9613-1, pure-tone attenuation coefficient in dB/m: f in Hz,
// temperature in degrees Celsius, pressure in hPa, relative humidity in %.
double isoAttenuation(double f, double celsius, double hectopascals, double humidity) {
    const double T = celsius + 273.15;
    const double T0 = 293.15;   // reference air temperature, K
    const double T01 = 273.16;  // triple-point isotherm, K
    const double pr = 101.325;  // reference pressure, kPa
    const double pa = hectopascals / 10.0;
    const double C = -6.8346 * std::pow(T01 / T, 1.261) + 4.6151;
    const double psatOverPr = std::pow(10.0, C);
    const double h = humidity * psatOverPr * (pr / pa);  // molar concentration of water vapour, %
    const double frO = (pa / pr) * (24.0 + 4.04e4 * h * (0.02 + h) / (0.391 + h));
    const double frN =
        (pa / pr) * std::pow(T / T0, -0.5) * (9.0 + 280.0 * h * std::exp(-4.170 * (std::pow(T / T0, -1.0 / 3.0) - 1.0)));
    return 8.686 * f * f *
           (1.84e-11 * (pr / pa) * std::sqrt(T / T0) +
            std::pow(T / T0, -2.5) *
                (0.01275 * std::exp(-2239.1 / T) / (frO + f * f / frO) + 0.1068 * std::exp(-3352.0 / T) / (frN + f * f / frN)));
}

// The exact base-2 third-octave centre of band i: 62.5 · 2^((i + 1)/3) Hz.
double centreFrequency(int32_t band) { return 62.5 * std::pow(2.0, (band + 1) / 3.0); }

float blobFloat(std::size_t byteOffset) {
    const std::span<const unsigned char> blob = ksr::modelDataBlob();
    float value;
    std::memcpy(&value, blob.data() + byteOffset, sizeof value);
    return value;
}

// Where a type's records start in the blob: for each id with data in order,
// its own level table (none for an id that the catalogue says reads
// another's), its directivity index, its balloon.
struct DataBlock {
    std::size_t levelTable;
    std::size_t balloon;
};

DataBlock dataBlock(int32_t type) {
    constexpr std::size_t kTableBytes = kBandCount * sizeof(float);
    constexpr std::size_t kBalloonBytes =
        static_cast<std::size_t>(kBandCount) * ksr::kPolarSteps * ksr::kAzimuthSteps * sizeof(float);
    std::array<DataBlock, ksr::kModelDataIdCount> blocks{};
    std::size_t at = 0;
    for (int32_t id = 0; id < ksr::kModelDataIdCount; ++id) {
        const int32_t owner = ksr::boxTypeTable[static_cast<std::size_t>(id)].levelTableOf;
        const bool ownLevels = owner == id;
        blocks[id].levelTable = ownLevels ? at : blocks[owner].levelTable;
        if (ownLevels) at += kTableBytes;
        at += kTableBytes;  // directivity index
        blocks[id].balloon = at;
        at += kBalloonBytes;
    }
    return blocks[type];
}

bool hasData(int32_t type) { return type >= 0 && type < ksr::kModelDataIdCount; }

double levelAt1m(int32_t type, int32_t band) {
    if (!hasData(type)) return ksr::kNoDataLevelAt1m;
    return blobFloat(dataBlock(type).levelTable + (band - 1) * sizeof(float));
}

double balloonValue(int32_t type, int32_t band, int32_t polar, int32_t azimuth) {
    if (!hasData(type)) return ksr::kNoDataBalloonValue;
    const std::size_t element =
        (static_cast<std::size_t>(band - 1) * ksr::kPolarSteps + polar) * ksr::kAzimuthSteps + azimuth;
    return blobFloat(dataBlock(type).balloon + element * sizeof(float));
}

// The balloon attenuation in the direction of the seat, blended bilinearly
// between the four grid points around it (5° steps; the polar angle stops at
// 180°, the azimuth wraps at 360°).
double balloon(int32_t type, int32_t band, double polarDegrees, double azimuthDegrees) {
    const double p = polarDegrees / 5.0;
    const int32_t p0 = std::min(static_cast<int32_t>(std::floor(p)), ksr::kPolarSteps - 1);
    const int32_t p1 = std::min(p0 + 1, ksr::kPolarSteps - 1);
    const double tp = std::min(p - p0, 1.0);
    const double a = azimuthDegrees / 5.0;
    const int32_t a0 = static_cast<int32_t>(std::floor(a)) % ksr::kAzimuthSteps;
    const int32_t a1 = (a0 + 1) % ksr::kAzimuthSteps;
    const double ta = a - std::floor(a);
    return (1 - tp) * (1 - ta) * balloonValue(type, band, p0, a0) + (1 - tp) * ta * balloonValue(type, band, p0, a1) +
           tp * (1 - ta) * balloonValue(type, band, p1, a0) + tp * ta * balloonValue(type, band, p1, a1);
}

}  // namespace

ksr::ComponentResponse referenceResponse(const ksr::ArrayInstance& instance, int32_t component,
                                         const ksr::Environment& air, bool airAbsorption) {
    const int32_t j = component - 1;
    const int32_t type = instance.geometry.box[j].type;
    const ksr::Vec3& at = instance.compPosition[j];
    const Vector toSeat{static_cast<double>(instance.seatPosition[0]) - at[0],
                        static_cast<double>(instance.seatPosition[1]) - at[1],
                        static_cast<double>(instance.seatPosition[2]) - at[2]};
    const double d = std::sqrt(toSeat[0] * toSeat[0] + toSeat[1] * toSeat[1] + toSeat[2] * toSeat[2]);

    // The seat's direction in the component's frame (aim −y, up +z): polar
    // angle from the aim, azimuth from +x towards +z. None (on axis) when the
    // seat is on the component or a value is not finite.
    double polar = 0.0, azimuth = 0.0;
    const Matrix r = orientation(instance.compAngles[j]);
    Vector local{};
    for (int i = 0; i < 3; ++i) local[i] = (r[0][i] * toSeat[0] + r[1][i] * toSeat[1] + r[2][i] * toSeat[2]) / d;
    if (d > 0.0 && std::isfinite(local[0]) && std::isfinite(local[1]) && std::isfinite(local[2])) {
        polar = std::acos(std::fmax(-1.0, std::fmin(1.0, -local[1]))) / kDegree;
        azimuth = std::atan2(local[2], local[0]) / kDegree;
        if (azimuth < 0.0) azimuth += 360.0;
    }

    ksr::ComponentResponse out;
    const double gain = instance.geometry.box[j].gain;
    for (int32_t band = 1; band <= kBandCount; ++band) {
        const int32_t i = band - 1;
        const double airLoss =
            airAbsorption ? isoAttenuation(centreFrequency(band), air.airTemperature, air.airPressure, air.humidity) * d
                          : 0.0;
        const double spreading = 20.0 * std::log10(std::fmax(d, 0.1));
        const double level = levelAt1m(type, band) - gain - airLoss - spreading + instance.filterGain[i] -
                             balloon(type, band, polar, azimuth);
        out.level[i] = static_cast<float>(level);
        double phase = instance.filterPhase[i] * kDegree;
        phase -= 2.0 * kPi * std::floor((phase + kPi) / (2.0 * kPi));
        out.phase[i] = static_cast<float>(phase);
    }
    out.delay = static_cast<float>(d / air.speedOfSound);
    return out;
}

}  // namespace ksr_test
