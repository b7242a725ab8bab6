#pragma once
// The design dialog as the platform shows it: the modal dialog on Windows. A
// build without a window system cannot open it and answers nullopt, which the
// session treats like Cancel.

#include <optional>

#include "design/dialog_session.h"

namespace ksr {

std::optional<DialogValues> runPlatformDesignDialog(const DialogValues& opened);

}  // namespace ksr
