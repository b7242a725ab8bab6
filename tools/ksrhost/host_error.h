#pragma once
// A failure the user can act on: a file that cannot be read, a field or an
// option with a bad value, a module that cannot be loaded or lacks an export.
// The message names the file, field or export; the program prints it and
// ends with the failure's exit status.

#include <stdexcept>
#include <string>

namespace ksrhost {

// The program's exit statuses; nothing else is returned.
enum class ExitStatus : int {
    success = 0,
    badInput = 1,    // a value, field, option or design the program refuses
    fileAccess = 2,  // a file that could not be read or written, or that may not be changed
};

class HostError : public std::runtime_error {
public:
    explicit HostError(const std::string& message, ExitStatus status = ExitStatus::badInput)
        : std::runtime_error(message), status_(status) {}

    int exitStatus() const { return static_cast<int>(status_); }

private:
    ExitStatus status_;
};

}  // namespace ksrhost
