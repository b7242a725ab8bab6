#pragma once
// Everything the module keeps between calls. One copy per loaded module,
// created when it is loaded; the host calls from one thread at a time, so
// nothing here is locked.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "model/environment.h"
#include "model/instance.h"

namespace ksr {

inline constexpr int32_t kInstanceSlots = 128;  // slot 0 is never handed out

// Host flag 1 (bit 0): component responses leave out air absorption.
inline constexpr uint32_t kFlagNoAirAbsorption = 1u << 0;

struct ModuleState {
    std::array<ArrayInstance, kInstanceSlots> instances{};
    ArrayInstance* current = nullptr;
    uint32_t moduleFlags = 0;
    Environment environment{};
    std::optional<std::string> installDirectory;  // set by DLLInitLibrary
    int32_t fileEnumerator = 0;
};

// The process-wide state.
ModuleState& moduleState();

// The current instance, or nullptr.
inline ArrayInstance* currentInstance() { return moduleState().current; }

}  // namespace ksr
