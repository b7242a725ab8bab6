#include "module_reset.h"

#include <cstring>
#include <type_traits>

#include "exports/module_state.h"

namespace ksr {

// Every member back to its value after load, in place (the state holds
// megabytes, too much for a temporary on a thread's stack), except the
// response data copies: they hold constant measured data once filled (see
// ResponseCache), and filling them again for every case took more time than
// the cases themselves. The air's absorption is worked out afresh, as after
// load. The binding below names every member: a new member fails to build
// here until it is reset too.
void resetModuleState() {
    ModuleState& state = moduleState();
    auto& [instances, current, moduleFlags, environment, installDirectory, fileEnumerator, responseCache] = state;
    // Most cases use a few slots: a slot whose bytes are those of a fresh
    // one is left alone (a difference in padding only resets it once more).
    static_assert(std::is_trivially_copyable_v<ArrayInstance>, "compared byte for byte");
    static const ArrayInstance fresh{};
    for (ArrayInstance& instance : instances) {
        if (std::memcmp(&instance, &fresh, sizeof fresh) != 0) instance = fresh;
    }
    current = nullptr;
    moduleFlags = 0;
    environment = Environment{};
    installDirectory.reset();
    fileEnumerator = 0;
    responseCache.absorption = BandAbsorptionCache{};
}

}  // namespace ksr
