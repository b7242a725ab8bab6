#include "model/response.h"

#include <algorithm>
#include <cmath>

#include "model/air_absorption.h"
#include "model/model_data.h"
#include "model/numeric.h"
#include "model/rotation.h"

namespace ksr {

namespace {

// Grid position of an angle in degrees: 5° steps, nudged up so that a whole
// step lands on its own row rather than just below it.
constexpr double kStepsPerDegree = 0.2;
constexpr double kStepNudge = 0.00001;

// The band coefficients of the process's air, refreshed whenever the air a
// call brings differs from the last one's.
BandAbsorptionCache absorptionCache;

// The data of a type with measurements laid out for the response: its level
// at 1 m per band, and its balloon direction-major, grid point (p, a) holding
// its 21 band values side by side, so that a response reads four runs of 21
// floats instead of 84 values spread over a 219 KiB balloon. A type's copy is
// filled from the data lookups the first time it is heard (static storage,
// nothing allocated; the host calls from one thread).
using BandValues = std::array<float, kBandCount>;

struct ResponseData {
    BandValues levelAt1m;
    std::array<std::array<BandValues, kAzimuthSteps>, kPolarSteps> balloon;
};

struct ResponseDataCopies {
    std::array<bool, kModelDataIdCount> ready{};
    std::array<ResponseData, kModelDataIdCount> data;
};
ResponseDataCopies responseDataCopies;

bool hasMeasuredData(int32_t type) { return type >= 0 && type < kModelDataIdCount; }

// For a type with measured data only.
const ResponseData& responseData(int32_t type) {
    ResponseData& copy = responseDataCopies.data[type];
    if (!responseDataCopies.ready[type]) {
        for (int32_t band = 1; band <= kBandCount; ++band) copy.levelAt1m[band - 1] = boxLevelAt1m(type, band);
        for (int32_t p = 0; p < kPolarSteps; ++p) {
            for (int32_t a = 0; a < kAzimuthSteps; ++a) {
                for (int32_t band = 1; band <= kBandCount; ++band) {
                    copy.balloon[p][a][band - 1] = boxBalloonValue(type, band, p, a);
                }
            }
        }
        responseDataCopies.ready[type] = true;
    }
    return copy;
}

// A weight brought into [0, 1]; NaN gives 0.
double unitWeight(double w) { return w >= 0.0 ? (w <= 1.0 ? w : 1.0) : 0.0; }

const BoxPlacement& boxOf(const ArrayInstance& instance, int32_t component) {
    return instance.geometry.box[component - 1];
}

}  // namespace

BalloonCell balloonCell(const std::optional<SeatDirection>& direction) {
    const double polarDegrees = direction ? direction->polar * kRadToDeg : 0.0;
    const double azimuthDegrees = direction ? direction->azimuth * kRadToDeg : 0.0;
    BalloonCell cell;

    const double polar = polarDegrees * kStepsPerDegree + kStepNudge;
    cell.polar0 = clampIndex(truncateToInt32(polar), int32_t{0}, kPolarSteps - 1);
    cell.polar1 = cell.polar0 == kPolarSteps - 1 ? cell.polar0 : cell.polar0 + 1;
    cell.polarWeight = unitWeight(polar - cell.polar0);

    const double azimuth = azimuthDegrees * kStepsPerDegree + kStepNudge;
    const int32_t step = truncateToInt32(azimuth);
    cell.azimuth0 = ((step % kAzimuthSteps) + kAzimuthSteps) % kAzimuthSteps;
    cell.azimuth1 = (cell.azimuth0 + 1) % kAzimuthSteps;  // 355° leans towards 0°
    cell.azimuthWeight = unitWeight(azimuth - step);
    return cell;
}

double balloonAttenuation(int32_t type, int32_t band, const BalloonCell& cell) {
    const double tp = cell.polarWeight;
    const double ta = cell.azimuthWeight;
    return (1.0 - tp) * (1.0 - ta) * boxBalloonValue(type, band, cell.polar0, cell.azimuth0) +
           (1.0 - tp) * ta * boxBalloonValue(type, band, cell.polar0, cell.azimuth1) +
           tp * (1.0 - ta) * boxBalloonValue(type, band, cell.polar1, cell.azimuth0) +
           tp * ta * boxBalloonValue(type, band, cell.polar1, cell.azimuth1);
}

void componentResponse(const ArrayInstance& instance, int32_t component, const Environment& air, bool airAbsorption,
                       ComponentResponse& out) {
    const BoxPlacement& box = boxOf(instance, component);
    const double distance = componentDistance(instance, component);
    const double spreading = spreadingLoss(distance);
    const BandCoefficients& absorption = absorptionCache.coefficientsFor(air);
    const BalloonCell cell = balloonCell(seatDirection(instance, component));

    std::array<double, kBandCount> levelAt1m;  // both written in full below
    std::array<double, kBandCount> attenuation;
    if (hasMeasuredData(box.type)) {
        const ResponseData& data = responseData(box.type);
        const BandValues& v00 = data.balloon[cell.polar0][cell.azimuth0];
        const BandValues& v01 = data.balloon[cell.polar0][cell.azimuth1];
        const BandValues& v10 = data.balloon[cell.polar1][cell.azimuth0];
        const BandValues& v11 = data.balloon[cell.polar1][cell.azimuth1];
        const double tp = cell.polarWeight;
        const double ta = cell.azimuthWeight;
        const double w00 = (1.0 - tp) * (1.0 - ta), w01 = (1.0 - tp) * ta, w10 = tp * (1.0 - ta), w11 = tp * ta;
        for (int32_t i = 0; i < kBandCount; ++i) {
            levelAt1m[i] = data.levelAt1m[i];
            attenuation[i] = w00 * v00[i] + w01 * v01[i] + w10 * v10[i] + w11 * v11[i];
        }
    } else {
        for (int32_t band = 1; band <= kBandCount; ++band) {
            levelAt1m[band - 1] = boxLevelAt1m(box.type, band);
            attenuation[band - 1] = balloonAttenuation(box.type, band, cell);
        }
    }

    for (int32_t i = 0; i < kBandCount; ++i) {
        const double airLoss = airAbsorption ? absorption[i] * distance : 0.0;
        const double level = levelAt1m[i] - box.gain - airLoss - spreading + instance.filterGain[i] - attenuation[i];
        out.level[i] = static_cast<float>(level);
        out.phase[i] = static_cast<float>(wrapPhase(instance.filterPhase[i] * kDegToRad));
    }
    out.delay = static_cast<float>(distance / air.speedOfSound);
}

void componentResponseReference(const ArrayInstance& instance, int32_t component, const Environment& air,
                                bool airAbsorption, ComponentResponse& out) {
    const int32_t type = boxOf(instance, component).type;
    const float gain = boxOf(instance, component).gain;
    const float distance = componentDistance(instance, component);

    for (int32_t band = 1; band <= kBandCount; ++band) {
        const int32_t i = band - 1;
        out.level[i] = boxLevelAt1m(type, band) - gain;
        out.phase[i] = 0.0f;
        if (airAbsorption) {
            out.level[i] -= static_cast<float>(airAbsorptionLoss(distance, air.airTemperature, air.airPressure * 100.0,
                                                                 air.humidity, bandCentreFrequency(band)));
        }
        out.level[i] -= static_cast<float>(spreadingLoss(distance));
        out.level[i] += instance.filterGain[i];
        out.phase[i] += static_cast<float>(instance.filterPhase[i] * kDegToRad);
    }

    const std::optional<SeatDirection> direction = seatDirection(instance, component);
    const double theta = direction ? direction->polar * kRadToDeg : 0.0;
    const double phi = direction ? direction->azimuth * kRadToDeg : 0.0;
    const double p = theta * 0.2 + 0.00001;
    const int32_t p0 = std::min(truncateToInt32(p), kPolarSteps - 1);
    const double tp = p - p0;
    const int32_t p1 = p0 == kPolarSteps - 1 ? p0 : p0 + 1;
    const double q = phi * 0.2 + 0.00001;
    const int32_t qStep = truncateToInt32(q);
    const int32_t a0 = qStep % kAzimuthSteps;
    const int32_t a1 = (a0 + 1) % kAzimuthSteps;
    const double ta = q - qStep;
    for (int32_t band = 1; band <= kBandCount; ++band) {
        const int32_t i = band - 1;
        const auto v = [&](int32_t polar, int32_t azimuth) { return boxBalloonValue(type, band, polar, azimuth); };
        const double b = (1 - tp) * (1 - ta) * v(p0, a0) + (1 - tp) * ta * v(p0, a1) + tp * (1 - ta) * v(p1, a0) +
                         tp * ta * v(p1, a1);
        out.level[i] -= static_cast<float>(b);
        out.phase[i] = static_cast<float>(wrapPhase(out.phase[i]));
    }
    out.delay = distance / air.speedOfSound;
}

float componentLevelAt1m(const ArrayInstance& instance, int32_t component, int32_t band) {
    const BoxPlacement& box = boxOf(instance, component);
    return boxLevelAt1m(box.type, band) - box.gain + instance.filterGain[band - 1];
}

float componentDirectivity(const ArrayInstance& instance, int32_t component, int32_t band) {
    return boxDirectivityIndex(boxOf(instance, component).type, band);
}

}  // namespace ksr
