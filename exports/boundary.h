#pragma once
// Helpers for the export shims. An export checks its pointers, finds the
// current instance, calls one core function and converts the result; nothing
// thrown inside ever reaches the host.

#include <cstdint>
#include <utility>

#include "exports/module_state.h"

namespace ksr {

inline constexpr int32_t kOk = 0;
inline constexpr int32_t kInvalid = -1;
inline constexpr float kInvalidFloat = -1.0f;
inline constexpr int32_t kTrue = -1;
inline constexpr int32_t kFalse = 0;

// body() with every exception turned into failure.
template <class R, class Body>
R guarded(R failure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return failure;
    }
}

// body(current instance), or failure when no instance is current.
template <class R, class Body>
R withCurrent(R failure, Body&& body) noexcept {
    return guarded(failure, [&]() -> R {
        ArrayInstance* instance = currentInstance();
        return instance != nullptr ? body(*instance) : failure;
    });
}

}  // namespace ksr
