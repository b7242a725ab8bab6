#pragma once
// A failure the user can act on: a file that cannot be read, a field or an
// option with a bad value, a module that cannot be loaded or lacks an export.
// The message names the file, field or export; the program prints it and
// ends with a non-zero status.

#include <stdexcept>
#include <string>

namespace ksrhost {

class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace ksrhost
