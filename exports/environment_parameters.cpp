// The four room parameters: the air the module's responses travel through.

#include <array>
#include <cmath>
#include <cstring>

#include "exports/boundary.h"
#include "exports/ksr.h"

using namespace ksr;

namespace {

constexpr int32_t kHostTypeFloat = 8;

struct RoomParameter {
    const char* label;
    float Environment::*value;
    float defaultValue;
    float minimum;
    float maximum;
};

constexpr std::array<RoomParameter, 4> kRoomParameters{{
    {"Speed Of Sound", &Environment::speedOfSound, 343.0f, 100.0f, 1000.0f},
    {"Humidity", &Environment::humidity, 60.0f, 20.0f, 100.0f},
    {"Air Temperature", &Environment::airTemperature, 20.0f, -100.0f, 100.0f},
    {"Air Pressure", &Environment::airPressure, 1013.0f, 100.0f, 2000.0f},
}};

// The parameter of a 1-based index, or nullptr.
const RoomParameter* parameterAt(int32_t index) {
    if (index < 1 || index > static_cast<int32_t>(kRoomParameters.size())) return nullptr;
    return &kRoomParameters[static_cast<size_t>(index - 1)];
}

template <class Field>
int32_t writeField(int32_t index, float* out, Field field) {
    const RoomParameter* parameter = parameterAt(index);
    if (parameter == nullptr || out == nullptr) return kInvalid;
    *out = parameter->*field;
    return kOk;
}

}  // namespace

KSR_API int32_t KSR_CALL RP_GetNumber(void) {
    return exportCall(kInvalid, [&] { return static_cast<int32_t>(kRoomParameters.size()); });
}

KSR_API int32_t KSR_CALL RP_GetID(int32_t index) {
    return exportCall(kInvalid, [&] { return parameterAt(index) != nullptr ? index : kInvalid; });
}

KSR_API int32_t KSR_CALL RP_GetType(int32_t index) {
    return exportCall(kInvalid, [&] {
        return parameterAt(index) != nullptr ? kHostTypeFloat : kInvalid;
    });
}

KSR_API int32_t KSR_CALL RP_GetLabel(int32_t index, char* out) {
    return exportCall(kInvalid, [&] {
        const RoomParameter* parameter = parameterAt(index);
        if (parameter == nullptr || out == nullptr) return kInvalid;
        std::memcpy(out, parameter->label, std::strlen(parameter->label) + 1);
        return kOk;
    });
}

KSR_API int32_t KSR_CALL RP_GetDefault(int32_t index, float* out) {
    return exportCall(kInvalid, [&] {
        return writeField(index, out, &RoomParameter::defaultValue);
    });
}

KSR_API int32_t KSR_CALL RP_GetMinimum(int32_t index, float* out) {
    return exportCall(kInvalid, [&] {
        return writeField(index, out, &RoomParameter::minimum);
    });
}

KSR_API int32_t KSR_CALL RP_GetMaximum(int32_t index, float* out) {
    return exportCall(kInvalid, [&] {
        return writeField(index, out, &RoomParameter::maximum);
    });
}

KSR_API int32_t KSR_CALL RP_SetValue(int32_t index, float* value) {
    return exportCall(kInvalid, [&] {
        const RoomParameter* parameter = parameterAt(index);
        if (parameter == nullptr || value == nullptr) return kInvalid;
        float v = *value;
        if (parameter->maximum < v || std::isnan(v)) v = parameter->maximum;
        if (parameter->minimum > v) v = parameter->minimum;
        *value = v;
        moduleState().environment.*(parameter->value) = v;
        return kOk;
    });
}
