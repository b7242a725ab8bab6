// The component response at the seat, the level at 1 m and the directivity
// index; two pulse queries that the module accepts and ignores.

#include <algorithm>

#include "exports/boundary.h"
#include "exports/ksr.h"
#include "model/response.h"

using namespace ksr;

namespace {

bool isBand(int32_t band) { return band >= 1 && band <= kBandCount; }

// Any of the 16 box positions of the design, whatever the count.
bool isBoxPosition(int32_t component) { return component >= 1 && component <= kMaxBoxes; }

}  // namespace

KSR_API int32_t KSR_CALL CI_GetPulse(int32_t, int32_t, int32_t) { return exportCall(kInvalid, [&] { return kOk; }); }

KSR_API int32_t KSR_CALL CI_GetPulses(int32_t, int32_t) { return exportCall(kInvalid, [&] { return kOk; }); }

KSR_API int32_t KSR_CALL CI_GetCompSPL1m(int32_t component, int32_t band, float* level) {
    return exportCall(kInvalid, [&] {
        if (level == nullptr) return kInvalid;
        return withCurrent(kInvalid, [&](ArrayInstance& instance) {
            if (!isBoxPosition(component) || !isBand(band)) return kInvalid;
            *level = componentLevelAt1m(instance, component, band);
            return kOk;
        });
    });
}

KSR_API int32_t KSR_CALL CI_GetCompDirectivity(int32_t component, int32_t band, float* value) {
    return exportCall(kInvalid, [&] {
        if (value == nullptr) return kInvalid;
        return withCurrent(kInvalid, [&](ArrayInstance& instance) {
            if (!isComponentOf(instance, component) || !isBand(band)) return kInvalid;
            *value = componentDirectivity(instance, component, band);
            return kOk;
        });
    });
}

KSR_API int32_t KSR_CALL CI_GetCompFR(int32_t component, float* level, float* phase, float* delay) {
    return exportCall(kInvalid, [&] {
        if (level == nullptr || phase == nullptr || delay == nullptr) return kInvalid;
        return withCurrent(kInvalid, [&](ArrayInstance& instance) {
            if (!isComponentOf(instance, component)) return kInvalid;
            ModuleState& state = moduleState();
            const bool airAbsorption = (state.moduleFlags & kFlagNoAirAbsorption) == 0;
            ComponentResponse response;
            componentResponse(instance, component, state.environment, airAbsorption, state.responseCache, response);
            std::copy(response.level.begin(), response.level.end(), level);
            std::copy(response.phase.begin(), response.phase.end(), phase);
            *delay = response.delay;
            return kOk;
        });
    });
}
