#include "module_reset.h"

#include "exports/module_state.h"

namespace ksr {

void resetModuleState() { moduleState() = ModuleState{}; }

}  // namespace ksr
