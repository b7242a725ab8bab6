// Placement of the array and the seat, and the per-component placement
// queries.

#include "exports/boundary.h"
#include "exports/ksr.h"
#include "model/placement.h"

using namespace ksr;

namespace {

Vec3 vectorAt(const float* values) { return {values[0], values[1], values[2]}; }

void copyOut(const Vec3& value, float* out) {
    out[0] = value[0];
    out[1] = value[1];
    out[2] = value[2];
}

// Stores one host vector into the current instance; the array's own
// position and angles also place the components again; marks are instance
// flags the store sets.
int32_t storeVector(const float* values, Vec3 ArrayInstance::*field, bool placesComponents, uint32_t marks = 0) {
    if (values == nullptr) return kInvalid;
    return withCurrent(kInvalid, [&](ArrayInstance& instance) {
        instance.*field = vectorAt(values);
        instance.flags |= marks;
        if (placesComponents) placeComponents(instance);
        return kOk;
    });
}

int32_t copyComponentVector(int32_t component, float* out, std::array<Vec3, kMaxBoxes> ArrayInstance::*field) {
    if (out == nullptr) return kInvalid;
    return withCurrent(kInvalid, [&](ArrayInstance& instance) {
        if (!isComponentOf(instance, component)) return kInvalid;
        copyOut((instance.*field)[component - 1], out);
        return kOk;
    });
}

}  // namespace

KSR_API int32_t KSR_CALL CI_SetLspkPosition3fv(const float* position) {
    return exportCall(kInvalid, [&] {
        return storeVector(position, &ArrayInstance::lspkPosition, true, kInstanceArrayPlaced);
    });
}

KSR_API int32_t KSR_CALL CI_SetLspkAngles3fv(const float* angles) {
    return exportCall(kInvalid, [&] {
        return storeVector(angles, &ArrayInstance::lspkAngles, true);
    });
}

KSR_API int32_t KSR_CALL CI_SetSeatPosition3fv(const float* position) {
    return exportCall(kInvalid, [&] {
        return storeVector(position, &ArrayInstance::seatPosition, false);
    });
}

KSR_API int32_t KSR_CALL CI_SetSeatAngles3fv(const float* angles) {
    return exportCall(kInvalid, [&] {
        return storeVector(angles, &ArrayInstance::seatAngles, false);
    });
}

KSR_API float KSR_CALL CI_GetDistance(void) {
    return exportCall(kInvalidFloat, [&] {
        return withCurrent(kInvalidFloat, [](ArrayInstance& instance) {
            const float distance = pointDistance(instance.lspkPosition, instance.seatPosition);
            instance.distance = distance;
            if (distance != 0.0f) {
                instance.flags |= kInstanceDistanceSet;
            } else {
                instance.flags &= ~kInstanceDistanceSet;
            }
            return distance;
        });
    });
}

KSR_API float KSR_CALL CI_GetCompDistance(int32_t component) {
    return exportCall(kInvalidFloat, [&] {
        return withCurrent(kInvalidFloat, [&](ArrayInstance& instance) {
            return isComponentOf(instance, component) ? componentDistance(instance, component) : kInvalidFloat;
        });
    });
}

KSR_API int32_t KSR_CALL CI_GetCompPosition3fv(int32_t component, float* out) {
    return exportCall(kInvalid, [&] {
        return copyComponentVector(component, out, &ArrayInstance::compPosition);
    });
}

KSR_API int32_t KSR_CALL CI_GetCompAngles3fv(int32_t component, float* out) {
    return exportCall(kInvalid, [&] {
        return copyComponentVector(component, out, &ArrayInstance::compAngles);
    });
}
