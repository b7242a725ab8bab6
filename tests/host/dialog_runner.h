#pragma once
// A test's run of the design dialog: the host call on the test thread, the
// user's work on a second one.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <thread>

#include "dialog_driver.h"

namespace dialog_driver {

// Runs show (IP_ShowDialog(1)) on this thread while drive works the open
// design dialog from a second one; drive ends the dialog. Whatever it leaves
// open is closed afterwards and fails the test. Returns show's result.
inline int32_t runWithDialog(const std::function<int32_t()>& show,
                             const std::function<void(const DesignDialog&)>& drive) {
    std::thread driver([&] {
        HWND window = waitForWindow(kDesignCaption);
        if (window == nullptr) {
            ADD_FAILURE() << "the design dialog did not open";
            return;
        }
        drive(DesignDialog(window));
        if (!waitUntilGone(window)) {
            ADD_FAILURE() << "the design dialog is still open";
            for (HWND other : processWindows()) {
                if (other != window) PostMessageA(other, WM_CLOSE, 0, 0);
            }
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        }
    });
    const int32_t result = show();
    driver.join();
    return result;
}

}  // namespace dialog_driver
