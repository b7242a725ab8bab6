// The setup parameter "KSR Setup" (the whole array design as one record) and
// the per-instance 21-band filter.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "exports/boundary.h"
#include "exports/ksr.h"

using namespace ksr;

static_assert(sizeof(SetupRecordBox) == 12);
static_assert(sizeof(SetupRecord) == KSR_SETUP_V52_SIZE);
static_assert(offsetof(SetupRecord, gridElevation) == 8);
static_assert(offsetof(SetupRecord, hostValue) == 12);
static_assert(offsetof(SetupRecord, boxes) == 16);
static_assert(offsetof(SetupRecord, groundStacked) == KSR_SETUP_V51_SIZE);

namespace {

constexpr int32_t kSetupIndex = 1;
constexpr int32_t kSetupId = 4;
constexpr int32_t kSetupTypeCode = 21;
constexpr const char* kSetupLabel = "KSR Setup";

constexpr float kFilterGainDefault = 0.0f, kFilterGainMin = -60.0f, kFilterGainMax = 0.0f;
constexpr float kFilterPhaseDefault = 0.0f, kFilterPhaseMin = -180.0f, kFilterPhaseMax = 180.0f;

ArraySetup setupFromRecord(const SetupRecord& record) {
    ArraySetup setup;
    setup.boxCount = record.boxCount;
    setup.hostValue = record.hostValue;
    setup.gridElevation = record.gridElevation;
    for (int32_t i = 0; i < kMaxBoxes; ++i) {
        setup.boxType[i] = record.boxes[i].boxType;
        setup.boxElevation[i] = record.boxes[i].boxElevation;
        setup.boxGain[i] = record.boxes[i].boxGain;
    }
    setup.groundStacked = record.version == KSR_SETUP_V52 ? record.groundStacked : 0;
    return setup;
}

// Fills everything but version. A version-51 record is 208 bytes long, so
// groundStacked (bytes 208..211) is written only for other versions.
void fillRecord(const ArraySetup& design, SetupRecord& record) {
    record.boxCount = design.boxCount;
    record.gridElevation = design.gridElevation;
    record.hostValue = design.hostValue;
    for (int32_t i = 0; i < kMaxBoxes; ++i) {
        record.boxes[i] = {design.boxType[i], design.boxElevation[i], design.boxGain[i]};
    }
    if (record.version != KSR_SETUP_V51) record.groundStacked = design.groundStacked;
}

int32_t fillFilter(float* gain, float* phase, float gainValue, float phaseValue) {
    if (gain == nullptr || phase == nullptr) return kInvalid;
    std::fill_n(gain, kBandCount, gainValue);
    std::fill_n(phase, kBandCount, phaseValue);
    return kOk;
}

// Above the maximum or NaN: the maximum; below the minimum: the minimum.
float clampFilterValue(float value, float minimum, float maximum) {
    if (maximum < value || std::isnan(value)) value = maximum;
    if (minimum > value) value = minimum;
    return value;
}

}  // namespace

KSR_API int32_t KSR_CALL IP_GetNumber(void) { return exportCall(kInvalid, [&] { return 1; }); }

KSR_API int32_t KSR_CALL IP_GetID(int32_t index) {
    return exportCall(kInvalid, [&] { return index == kSetupIndex ? kSetupId : kInvalid; });
}

KSR_API int32_t KSR_CALL IP_GetType(int32_t index) {
    return exportCall(kInvalid, [&] { return index == kSetupIndex ? kSetupTypeCode : kInvalid; });
}

KSR_API int32_t KSR_CALL IP_GetLabel(int32_t index, char* out) {
    return exportCall(kInvalid, [&] {
        if (index != kSetupIndex || out == nullptr) return kInvalid;
        std::memcpy(out, kSetupLabel, std::strlen(kSetupLabel) + 1);
        return kOk;
    });
}

KSR_API int32_t KSR_CALL IP_GetDefault(int32_t index, void*) {
    return exportCall(kInvalid, [&] { return index == kSetupIndex ? kOk : kInvalid; });
}
KSR_API int32_t KSR_CALL IP_GetMinimum(int32_t index, void*) {
    return exportCall(kInvalid, [&] { return index == kSetupIndex ? kOk : kInvalid; });
}
KSR_API int32_t KSR_CALL IP_GetMaximum(int32_t index, void*) {
    return exportCall(kInvalid, [&] { return index == kSetupIndex ? kOk : kInvalid; });
}

KSR_API int32_t KSR_CALL IP_SetValue(int32_t index, const SetupRecord* record) {
    return exportCall(kInvalid, [&] {
        if (index != kSetupIndex || record == nullptr) return kInvalid;
        return withCurrent(kInvalid, [&](ArrayInstance& instance) {
            if (record->version == KSR_SETUP_V51 || record->version == KSR_SETUP_V52) {
                ArraySetup setup = setupFromRecord(*record);
                applyDesign(setup, instance.geometry);
            } else {
                resetDesign(instance.geometry);
            }
            return kOk;
        });
    });
}

KSR_API int32_t KSR_CALL IP_GetValue(int32_t index, SetupRecord* record) {
    return exportCall(kInvalid, [&] {
        if (index != kSetupIndex || record == nullptr) return kInvalid;
        if (record->version == 0) {
            record->version = KSR_SETUP_V52;
            return kOk;
        }
        return withCurrent(kInvalid, [&](ArrayInstance& instance) {
            fillRecord(instance.geometry.design, *record);
            return kOk;
        });
    });
}

KSR_API int32_t KSR_CALL IP_GetFilterDef(float* gain, float* phase) {
    return exportCall(kInvalid, [&] {
        return fillFilter(gain, phase, kFilterGainDefault, kFilterPhaseDefault);
    });
}

KSR_API int32_t KSR_CALL IP_GetFilterMin(float* gain, float* phase) {
    return exportCall(kInvalid, [&] {
        return fillFilter(gain, phase, kFilterGainMin, kFilterPhaseMin);
    });
}

KSR_API int32_t KSR_CALL IP_GetFilterMax(float* gain, float* phase) {
    return exportCall(kInvalid, [&] {
        return fillFilter(gain, phase, kFilterGainMax, kFilterPhaseMax);
    });
}

KSR_API int32_t KSR_CALL IP_SetFilter(float* gain, float* phase) {
    return exportCall(kInvalid, [&] {
        if (gain == nullptr || phase == nullptr) return kInvalid;
        return withCurrent(kInvalid, [&](ArrayInstance& instance) {
            for (int32_t band = 0; band < kBandCount; ++band) {
                gain[band] = clampFilterValue(gain[band], kFilterGainMin, kFilterGainMax);
                phase[band] = clampFilterValue(phase[band], kFilterPhaseMin, kFilterPhaseMax);
                instance.filterGain[band] = gain[band];
                instance.filterPhase[band] = phase[band];
            }
            return kOk;
        });
    });
}
