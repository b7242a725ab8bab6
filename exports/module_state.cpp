#include "exports/module_state.h"

namespace ksr {

namespace {
ModuleState state;
}

ModuleState& moduleState() { return state; }

}  // namespace ksr
