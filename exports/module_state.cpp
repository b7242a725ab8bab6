#include "exports/module_state.h"

namespace ksr {

namespace {
ModuleState state;
}

ModuleState& moduleState() { return state; }

void resetModuleState() { state = ModuleState{}; }

}  // namespace ksr
