#pragma once
// Code that a caller outside the module runs (an export, a window procedure)
// must not let an exception escape: the caller is C or the system and cannot
// unwind C++ frames. guarded() is the one place that catches.

#include <utility>

namespace ksr {

// body() with every exception turned into failure.
template <class R, class Body>
R guarded(R failure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return failure;
    }
}

}  // namespace ksr
