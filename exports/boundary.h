#pragma once
// The rule of the export boundary, for every export:
//
//     KSR_API int32_t KSR_CALL CI_Example(int32_t component, float* out) {
//         return exportCall(kInvalid, [&] {
//             if (out == nullptr) return kInvalid;
//             return withCurrent(kInvalid, [&](ArrayInstance& instance) { ... });
//         });
//     }
//
// The whole body runs inside exportCall, which names the value the host
// receives when anything inside throws (kInvalid, or kInvalidFloat for a
// float result, unless the export's contract in ksr.h says otherwise). No
// exception ever crosses into the host: it is C, or another compiler's C++,
// and cannot unwind our frames. Inside, the export checks its pointers, finds
// the current instance, calls one core function and converts the result.
// tests/exports/boundary_test.cpp holds every export of this folder to it.

#include <cstdint>
#include <utility>

#include "exports/module_state.h"
#include "model/guarded.h"

namespace ksr {

inline constexpr int32_t kOk = 0;
inline constexpr int32_t kInvalid = -1;
inline constexpr float kInvalidFloat = -1.0f;
inline constexpr int32_t kTrue = -1;
inline constexpr int32_t kFalse = 0;

// The body of an export: body(), or failure when it throws.
template <class R, class Body>
R exportCall(R failure, Body&& body) noexcept {
    return guarded(failure, std::forward<Body>(body));
}

// body(current instance), or failure when no instance is current. Used
// inside exportCall, which keeps the exceptions.
template <class R, class Body>
R withCurrent(R failure, Body&& body) {
    ArrayInstance* instance = currentInstance();
    return instance != nullptr ? body(*instance) : failure;
}

}  // namespace ksr
