// The instance table: creating, selecting and releasing array instances.

#include "exports/boundary.h"
#include "exports/ksr.h"

using namespace ksr;

KSR_API int32_t KSR_CALL CI_GetFreeID(void) {
    ModuleState& state = moduleState();
    for (int32_t id = 1; id < kInstanceSlots; ++id) {
        ArrayInstance& slot = state.instances[id];
        if (slot.flags != 0) continue;
        slot.flags = kInstanceInUse;
        resetDesign(slot.geometry);
        return id;
    }
    return kInvalid;
}

KSR_API int32_t KSR_CALL CI_MakeCurrent(int32_t id) {
    ModuleState& state = moduleState();
    if (id <= 0 || id >= kInstanceSlots || state.instances[id].flags == 0) return kInvalid;
    state.current = &state.instances[id];
    return kOk;
}

KSR_API int32_t KSR_CALL CI_Release(void) {
    ModuleState& state = moduleState();
    ArrayInstance* instance = state.current;
    if (instance == nullptr) return kInvalid;
    instance->flags = 0;
    instance->lspkPosition = {};
    instance->lspkAngles = {};
    instance->seatPosition = {};
    instance->seatAngles = {};
    instance->distance = 0.0f;
    state.current = nullptr;
    return kOk;
}

KSR_API int32_t KSR_CALL CI_GetComponents(void) {
    return withCurrent(kInvalid, [](ArrayInstance& instance) { return componentCount(instance); });
}

KSR_API int32_t KSR_CALL DLLGetComponents(void) { return CI_GetComponents(); }
