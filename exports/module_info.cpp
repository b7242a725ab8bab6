// What the module is and offers, and the host flags.

#include <algorithm>

#include "data/exchange_template.h"
#include "exports/boundary.h"
#include "exports/ksr.h"
#include "model/bands.h"

using namespace ksr;

// The data exports VELT_TEMPLATE and VELT_TEMPLATE_SIZE are assembled in
// data/velt_template.S; the host's size constant must match them.
static_assert(KSR_TEMPLATE_SIZE == kExchangeTemplateBytes);

namespace {

constexpr int32_t kModuleVersion = 1000030;
constexpr int32_t kModuleClass = 2;
constexpr const char* kModuleName = "KSR Array";
constexpr const char* kManufacturer = "QTO";
constexpr const char* kDataResolution = "5\xB0 Complex Data";  // Windows-1252 degree sign

int32_t storeText(const char** out, const char* text) {
    if (out == nullptr) return kInvalid;
    *out = text;
    return kOk;
}

}  // namespace

KSR_API int32_t KSR_CALL DLLVersion(void) { return exportCall(kInvalid, [&] { return kModuleVersion; }); }

KSR_API int32_t KSR_CALL DLLClass(void) { return exportCall(kInvalid, [&] { return kModuleClass; }); }

KSR_API int32_t KSR_CALL DLLLock(int32_t* out) {
    return exportCall(kInvalid, [&] {
        if (out == nullptr) return kInvalid;
        *out = 0;
        return kOk;
    });
}

KSR_API int32_t KSR_CALL DLLGetCaps(int32_t capability) {
    return exportCall(kInvalid, [&] {
        switch (capability) {
            case 1:
            case 2:
                return kTrue;
            case 3:
            case 5:
                return 1;
            default:
                return 0;
        }
    });
}

KSR_API int32_t KSR_CALL DLLGetName(const char** out) {
    return exportCall(kInvalid, [&] { return storeText(out, kModuleName); });
}

KSR_API int32_t KSR_CALL DLLGetManufacturer(const char** out) {
    return exportCall(kInvalid, [&] { return storeText(out, kManufacturer); });
}

KSR_API int32_t KSR_CALL DLLGetDataResolution(const char** out) {
    return exportCall(kInvalid, [&] { return storeText(out, kDataResolution); });
}

KSR_API int32_t KSR_CALL DLLGetSymmetry(int32_t* out) {
    return exportCall(kInvalid, [&] {
        if (out == nullptr) return kInvalid;
        *out = kTrue;
        return kOk;
    });
}

KSR_API int32_t KSR_CALL DLLGetValidBands(int32_t* out) {
    return exportCall(kInvalid, [&] {
        if (out == nullptr) return kInvalid;
        std::fill_n(out, kBandCount, kTrue);
        return kOk;
    });
}

KSR_API int32_t KSR_CALL DLLGetDirectivity(void*) { return exportCall(kInvalid, [&] { return kInvalid; }); }
KSR_API int32_t KSR_CALL DLLGetSensitivity(void*) { return exportCall(kInvalid, [&] { return kInvalid; }); }
KSR_API int32_t KSR_CALL DLLGetMaxPower(void*) { return exportCall(kInvalid, [&] { return kInvalid; }); }
KSR_API int32_t KSR_CALL DLLGetImpedance(void*) { return exportCall(kInvalid, [&] { return kInvalid; }); }

KSR_API int32_t KSR_CALL DLLGetFlag(int32_t flag, int32_t* out) {
    return exportCall(kInvalid, [&] {
        if (out == nullptr) return kInvalid;
        *out = 0;
        if (flag == 1 && (moduleState().moduleFlags & kFlagNoAirAbsorption) != 0) *out = kTrue;
        if (flag == 2) *out = kTrue;
        return kOk;
    });
}

KSR_API int32_t KSR_CALL DLLSetFlag(int32_t flag, const int32_t* value) {
    return exportCall(kInvalid, [&] {
        if (flag != 1) return kOk;  // other flags: value is not read
        if (value == nullptr) return kInvalid;
        uint32_t& flags = moduleState().moduleFlags;
        flags &= ~kFlagNoAirAbsorption;
        if (*value != 0) flags |= kFlagNoAirAbsorption;
        return kOk;
    });
}
