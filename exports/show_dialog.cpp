// IP_ShowDialog: the modal design dialog on the current instance.

#include "dialog/platform_dialog.h"
#include "exports/boundary.h"
#include "exports/ksr.h"

using namespace ksr;

namespace {
constexpr int32_t kSetupIndex = 1;
}

KSR_API int32_t KSR_CALL IP_ShowDialog(int32_t index) {
    if (index != kSetupIndex) return kInvalid;
    return guarded(kInvalid, [] { return runDesignSession(currentInstance, runPlatformDesignDialog) ? kOk : kInvalid; });
}
