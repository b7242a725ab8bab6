#pragma once
// A test's run of the design dialog: the host call on the test thread, the
// user's work on a second one.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

#include "dialog_driver.h"

namespace dialog_driver {

// A dialog run that has not ended after this long has stopped answering (a
// window procedure blocked for good, say): the program then ends with a
// message naming the test instead of hanging until the test's time limit.
inline constexpr std::chrono::minutes kDialogRunLimit{10};

// Watches one dialog run from a thread of its own.
class HangWatch {
public:
    HangWatch()
        : watcher_([this] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (ended_.wait_for(lock, kDialogRunLimit, [this] { return done_; })) return;
              const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
              std::fprintf(stderr, "\nFAILED: the design dialog stopped answering in %s.%s: no end after %d minutes\n",
                           test ? test->test_suite_name() : "?", test ? test->name() : "?",
                           static_cast<int>(kDialogRunLimit.count()));
              std::fflush(stderr);
              std::fflush(stdout);
              TerminateProcess(GetCurrentProcess(), 3);
          }) {}
    ~HangWatch() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        ended_.notify_one();
        watcher_.join();
    }
    HangWatch(const HangWatch&) = delete;
    HangWatch& operator=(const HangWatch&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread watcher_;
};

// Runs show (IP_ShowDialog(1)) on this thread while drive works the open
// design dialog from a second one; drive ends the dialog. Whatever it leaves
// open is closed afterwards and fails the test. Returns show's result.
inline int32_t runWithDialog(const std::function<int32_t()>& show,
                             const std::function<void(const DesignDialog&)>& drive) {
    const HangWatch watch;
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
