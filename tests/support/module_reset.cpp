#include "module_reset.h"

#include <new>

#include "exports/module_state.h"

namespace ksr {

// Made anew in place: the state holds megabytes of response data, too much
// for a temporary on a thread's stack.
void resetModuleState() {
    ModuleState& state = moduleState();
    state.~ModuleState();
    new (&state) ModuleState{};
}

}  // namespace ksr
