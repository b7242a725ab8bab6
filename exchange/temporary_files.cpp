#include "exchange/temporary_files.h"

#include <atomic>
#include <cstring>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace ksr {
namespace {

// Replacements in progress at one time; a program writes a few files at once.
constexpr int kSlots = 32;
constexpr size_t kPathSize = 4096;

struct Slot {
    std::atomic<bool> used{false};
    char path[kPathSize];
};

Slot slots[kSlots];

static_assert(std::atomic<bool>::is_always_lock_free, "the table is read in signal handlers");

}  // namespace

bool watchTemporaryFile(const char* path) {
    const size_t length = std::strlen(path);
    if (length >= kPathSize) return false;
    for (Slot& slot : slots) {
        if (slot.used.load()) continue;
        std::memcpy(slot.path, path, length + 1);
        slot.used.store(true);
        return true;
    }
    return false;
}

void forgetTemporaryFile(const char* path) {
    for (Slot& slot : slots) {
        if (slot.used.load() && std::strcmp(slot.path, path) == 0) {
            slot.used.store(false);
            return;
        }
    }
}

void removeTemporaryFiles() {
    for (Slot& slot : slots) {
        if (!slot.used.load()) continue;
#if defined(_WIN32)
        DeleteFileA(slot.path);
#else
        unlink(slot.path);
#endif
        slot.used.store(false);
    }
}

#if defined(_WIN32)

// Windows delivers console interruptions on a thread of their own; the
// handler waits for nothing, so there is nothing to hold.
SignalsHeld::SignalsHeld() : saved_{} {}
SignalsHeld::~SignalsHeld() = default;

#else

SignalsHeld::SignalsHeld() : saved_{} {
    static_assert(sizeof(sigset_t) <= sizeof saved_, "room for the signal mask");
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigaddset(&held, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &held, reinterpret_cast<sigset_t*>(saved_));
}

SignalsHeld::~SignalsHeld() { pthread_sigmask(SIG_SETMASK, reinterpret_cast<sigset_t*>(saved_), nullptr); }

#endif

}  // namespace ksr
