// A thread interrupted after newer threads have started is still itself.
//
// The dialog tests run a host thread and a driving thread beside threads of
// Wine's own; every one of them reaches its TEB through a segment register.
// Where a descriptor is shared between threads (as qemu's GDT TLS slot is),
// reloading the register after an interruption hands an older thread the
// newest thread's TEB, and with it that thread's identity and server pipes:
// a program then hangs or crashes at random. SuspendThread interrupts a
// running thread exactly so (a signal under Wine), so the fault shows on
// every run here instead of now and then in the dialog tests.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

namespace {

constexpr DWORD kWaitMs = 120000;

// Spins until released, then reports who it is by the TEB and by a
// thread-local value it set itself.
struct OlderThread {
    std::atomic<bool> running{false};
    std::atomic<bool> released{false};
    DWORD idFromTeb = 0;
    int localSeen = 0;
};

thread_local int localMark = 0;

DWORD WINAPI spinThenReport(void* context) {
    auto& older = *static_cast<OlderThread*>(context);
    localMark = 1234;
    older.running = true;
    while (!older.released) {
        // Busy in user code, so that suspending it has to interrupt it.
    }
    older.idFromTeb = GetCurrentThreadId();
    older.localSeen = localMark;
    Sleep(1);  // a server round trip through this thread's own pipes
    return 0;
}

DWORD WINAPI waitForEvent(void* event) { return WaitForSingleObject(static_cast<HANDLE>(event), kWaitMs); }

TEST(WineThreads, AnInterruptedThreadKeepsItsIdentityAfterNewerThreadsStart) {
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        OlderThread older;
        DWORD olderId = 0;
        HANDLE olderThread = CreateThread(nullptr, 0, spinThenReport, &older, 0, &olderId);
        ASSERT_NE(olderThread, nullptr);
        while (!older.running) Sleep(1);

        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE newer[2] = {CreateThread(nullptr, 0, waitForEvent, release, 0, nullptr),
                           CreateThread(nullptr, 0, waitForEvent, release, 0, nullptr)};
        ASSERT_NE(newer[0], nullptr);
        ASSERT_NE(newer[1], nullptr);
        Sleep(50);

        ASSERT_NE(SuspendThread(olderThread), static_cast<DWORD>(-1));
        ASSERT_NE(ResumeThread(olderThread), static_cast<DWORD>(-1));
        older.released = true;

        EXPECT_EQ(WaitForSingleObject(olderThread, kWaitMs), WAIT_OBJECT_0);
        EXPECT_EQ(older.idFromTeb, olderId);
        EXPECT_EQ(older.localSeen, 1234);

        SetEvent(release);
        EXPECT_EQ(WaitForMultipleObjects(2, newer, TRUE, kWaitMs), WAIT_OBJECT_0);
        for (HANDLE handle : {olderThread, newer[0], newer[1], release}) CloseHandle(handle);
    }
}

}  // namespace
