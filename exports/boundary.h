#pragma once
// Helpers for the export shims. An export checks its pointers, finds the
// current instance, calls one core function and converts the result; nothing
// thrown inside ever reaches the host.

#include <cstdint>

#include "exports/module_state.h"
#include "model/guarded.h"

namespace ksr {

inline constexpr int32_t kOk = 0;
inline constexpr int32_t kInvalid = -1;
inline constexpr float kInvalidFloat = -1.0f;
inline constexpr int32_t kTrue = -1;
inline constexpr int32_t kFalse = 0;

// body(current instance), or failure when no instance is current.
template <class R, class Body>
R withCurrent(R failure, Body&& body) noexcept {
    return guarded(failure, [&]() -> R {
        ArrayInstance* instance = currentInstance();
        return instance != nullptr ? body(*instance) : failure;
    });
}

}  // namespace ksr
