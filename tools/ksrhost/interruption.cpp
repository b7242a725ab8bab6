#include "interruption.h"

#include <initializer_list>

#include "exchange/temporary_files.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <signal.h>
#endif

namespace ksrhost {

namespace {

#if defined(_WIN32)

// Runs on a thread of its own; files still open cannot be deleted, so only
// temporaries already closed go. The default handler then ends the program.
BOOL WINAPI onConsoleEvent(DWORD) {
    ksr::removeTemporaryFiles();
    return FALSE;
}

#else

void onSignal(int signal) {
    ksr::removeTemporaryFiles();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

#endif

}  // namespace

void removeTemporariesOnInterruption() {
#if defined(_WIN32)
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
#endif
}

}  // namespace ksrhost
