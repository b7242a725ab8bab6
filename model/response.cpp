#include "model/response.h"

#include <cmath>

#include "model/numeric.h"
#include "model/rotation.h"

namespace ksr {

namespace {

// Grid position of an angle in degrees: 5° steps, nudged up so that a whole
// step lands on its own row rather than just below it.
constexpr double kStepsPerDegree = 0.2;
constexpr double kStepNudge = 0.00001;

constexpr int32_t kSilentCopy = ResponseCache::kCopies - 1;

// The copy a type reads: its own when it has measured data, else the silent one.
int32_t copyOf(int32_t type) { return type >= 0 && type < kModelDataIdCount ? type : kSilentCopy; }

const ResponseData& responseData(ResponseCache& cache, int32_t type) {
    const int32_t index = copyOf(type);
    ResponseData& copy = cache.data[index];
    if (!cache.ready[index]) {
        // The lookups give the silent values for an id without data.
        const int32_t id = index == kSilentCopy ? -1 : index;
        for (int32_t band = 1; band <= kBandCount; ++band) copy.levelAt1m[band - 1] = boxLevelAt1m(id, band);
        for (int32_t p = 0; p < kPolarSteps; ++p) {
            for (int32_t a = 0; a < kAzimuthSteps; ++a) {
                for (int32_t band = 1; band <= kBandCount; ++band) {
                    copy.balloon[p][a][band - 1] = boxBalloonValue(id, band, p, a);
                }
            }
        }
        cache.ready[index] = true;
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

void componentResponse(const ArrayInstance& instance, int32_t component, const Environment& air, bool airAbsorption,
                       ResponseCache& cache, ComponentResponse& out) {
    const BoxPlacement& box = boxOf(instance, component);
    const double distance = componentDistance(instance, component);
    const double spreading = spreadingLoss(distance);
    const BandCoefficients& absorption = cache.absorption.coefficientsFor(air);
    const BalloonCell cell = balloonCell(seatDirection(instance, component));

    const ResponseData& data = responseData(cache, box.type);
    const ResponseData::BandValues& v00 = data.balloon[cell.polar0][cell.azimuth0];
    const ResponseData::BandValues& v01 = data.balloon[cell.polar0][cell.azimuth1];
    const ResponseData::BandValues& v10 = data.balloon[cell.polar1][cell.azimuth0];
    const ResponseData::BandValues& v11 = data.balloon[cell.polar1][cell.azimuth1];
    for (int32_t i = 0; i < kBandCount; ++i) {
        const double attenuation = interpolate(cell, {v00[i], v01[i], v10[i], v11[i]});
        const double airLoss = airAbsorption ? absorption[i] * distance : 0.0;
        const double level = static_cast<double>(data.levelAt1m[i]) - box.gain - airLoss - spreading + instance.filterGain[i] - attenuation;
        out.level[i] = static_cast<float>(level);
        out.phase[i] = static_cast<float>(wrapPhase(instance.filterPhase[i] * kDegToRad));
    }
    out.delay = static_cast<float>(distance / air.speedOfSound);
}

float componentLevelAt1m(const ArrayInstance& instance, int32_t component, int32_t band) {
    const BoxPlacement& box = boxOf(instance, component);
    return boxLevelAt1m(box.type, band) - box.gain + instance.filterGain[band - 1];
}

float componentDirectivity(const ArrayInstance& instance, int32_t component, int32_t band) {
    return boxDirectivityIndex(boxOf(instance, component).type, band);
}

}  // namespace ksr
