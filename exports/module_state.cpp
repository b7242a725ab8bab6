#include "exports/module_state.h"

#include <new>

namespace ksr {

namespace {
ModuleState state;
}

ModuleState& moduleState() { return state; }

// Made anew in place: the state holds megabytes of response data, too much
// for a temporary on a thread's stack.
void resetModuleState() {
    state.~ModuleState();
    new (&state) ModuleState{};
}

}  // namespace ksr
