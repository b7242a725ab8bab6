#pragma once
// The temporary files of replacements in progress, so that a program ended
// by a signal can remove them before it goes: the table is written by
// FileReplacement and read by removeTemporaryFiles, which is safe to call
// from a signal handler.

namespace ksr {

// Notes a temporary file; false when the table is full (the file is then
// removed only by its owner). The caller blocks signals around the call.
bool watchTemporaryFile(const char* path);

// Forgets a temporary file that was moved over its target or removed.
void forgetTemporaryFile(const char* path);

// Removes every temporary file noted and not forgotten. Calls only unlink
// (DeleteFileA on Windows): safe in a signal handler, after which the
// program ends.
void removeTemporaryFiles();

// Blocks SIGINT and SIGTERM (POSIX) while alive, so that a temporary file is
// never created or moved without the table knowing it.
class SignalsHeld {
public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    alignas(16) unsigned char saved_[256];  // the mask before (sigset_t)
};

}  // namespace ksr
