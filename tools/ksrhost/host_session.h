#pragma once
// Driving the module as a host does, through its exports only: the air
// (process-wide), then one array instance with its design, filter and
// placement, then seats and the components' responses at each.
//
// Calling order: RP_SetValue and DLLSetFlag for the air; CI_GetFreeID,
// CI_MakeCurrent, IP_GetValue (version query), IP_SetValue, IP_SetFilter,
// CI_SetLspkPosition3fv, CI_SetLspkAngles3fv; per seat
// CI_SetSeatPosition3fv, CI_GetComponents and CI_GetCompFR for each
// component; CI_Release at the end.

#include <array>
#include <span>
#include <string>
#include <vector>

#include "band_sums.h"
#include "module_loader.h"

namespace ksrhost {

using Triple = std::array<float, 3>;

// The air in the room and whether responses include its absorption.
struct Air {
    float speedOfSound = 343.0f;  // m/s
    float humidity = 60.0f;       // percent
    float temperature = 20.0f;    // degrees Celsius
    float pressure = 1013.0f;     // hPa
    bool absorption = true;       // false: host flag 1 set
};

// Hands the air to the module. The module clamps each value into its range;
// the values it stored come back, with one note per value it changed.
struct AppliedAir {
    Air air;
    std::vector<std::string> notes;
};
AppliedAir applyAir(const LoadedModule& module, const Air& air);

// Where the array hangs: its top rigging point (metres) and its orientation
// (degrees; the first angle turns the aim about the vertical, the second
// raises it, the third rolls it).
struct ArrayPlacement {
    Triple position{0.0f, 0.0f, 10.0f};
    Triple angles{0.0f, 0.0f, 0.0f};
};

// One array instance of the module, released when it goes. Every per-array
// export works on the current instance, so each call below first makes this
// instance current: several arrays live side by side.
class HostArray {
public:
    HostArray(const LoadedModule& module, const SetupRecord& record, const ArrayPlacement& placement);
    ~HostArray();
    HostArray(const HostArray&) = delete;
    HostArray& operator=(const HostArray&) = delete;

    // The record version the module reported and the design it applied (box
    // types normalised).
    int32_t recordVersion() const { return recordVersion_; }
    const SetupRecord& appliedRecord() const { return applied_; }

    // CI_GetComponents.
    int32_t componentCount() const;

    // Every component's response at the seat; valid until the next call.
    std::span<const ComponentResponse> respond(const Triple& seat);

    // Host position (metres) and angles (degrees) of component 1..count.
    Triple componentPosition(int32_t component) const;
    Triple componentAngles(int32_t component) const;
    // Distance from the array's reference point to the seat of the last
    // respond() (CI_GetDistance).
    float referenceDistance() const;
    // Distance from component 1..count to the seat of the last respond().
    float componentDistance(int32_t component) const;

private:
    void makeCurrent() const;

    const ModuleExports& x_;
    int32_t id_ = -1;
    int32_t recordVersion_ = 0;
    SetupRecord applied_{};
    std::array<ComponentResponse, KSR_MAX_COMPONENTS> responses_{};
};

}  // namespace ksrhost
