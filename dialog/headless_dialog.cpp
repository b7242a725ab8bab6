// The design dialog where there is no window system (the Linux build): it
// cannot open, and the session treats that like Cancel.

#include "dialog/platform_dialog.h"

namespace ksr {

std::optional<DialogValues> runPlatformDesignDialog(const DialogValues&) {
    return std::nullopt;
}

}  // namespace ksr
