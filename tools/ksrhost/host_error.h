#pragma once
// Failures the user can act on, and the exit status each ends the program
// with. The message names the file, field, option or export and says what
// was expected; main prints it after "ksrhost: error: ".
//
// Exit statuses (shown by --help):
//   0  success
//   1  bad input: an option, a field of a design, scene or seats file, a
//      module that cannot be loaded or lacks an export
//   2  a file could not be read or written

#include <stdexcept>
#include <string>

namespace ksrhost {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitBadInput = 1;
inline constexpr int kExitFileAccess = 2;

// Bad input: exit status 1.
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that could not be read or written: exit status 2.
class FileError : public HostError {
public:
    using HostError::HostError;
};

}  // namespace ksrhost
