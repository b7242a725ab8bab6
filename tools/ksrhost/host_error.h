#pragma once
// Failures the user can act on, and the exit status each ends the program
// with. The message names the file, field, option or export and says what
// was expected; main prints it after "ksrhost: error: ".
//
// Exit statuses (shown by --help):
//   0  success
//   1  bad input: an option, a field of a design, scene or seats file, a
//      design that breaks the rules under --strict, a module that cannot be
//      loaded or lacks an export
//   2  a file could not be read or written, or may not be changed; memory
//      ran out

#include <stdexcept>
#include <string>

namespace ksrhost {

// The program's exit statuses; nothing else is returned.
enum class ExitStatus : int {
    success = 0,
    badInput = 1,
    fileAccess = 2,
};

inline constexpr int kExitSuccess = static_cast<int>(ExitStatus::success);
inline constexpr int kExitBadInput = static_cast<int>(ExitStatus::badInput);
inline constexpr int kExitFileAccess = static_cast<int>(ExitStatus::fileAccess);

// Bad input (exit status 1) unless told otherwise.
class HostError : public std::runtime_error {
public:
    explicit HostError(const std::string& message, ExitStatus status = ExitStatus::badInput)
        : std::runtime_error(message), status_(status) {}

    int exitStatus() const { return static_cast<int>(status_); }

private:
    ExitStatus status_;
};

// A file that could not be read or written: exit status 2.
class FileError : public HostError {
public:
    explicit FileError(const std::string& message) : HostError(message, ExitStatus::fileAccess) {}
};

}  // namespace ksrhost
