#include "host_session.h"

#include <cstring>
#include <sstream>

#include "host_error.h"

namespace ksrhost {

namespace {

void check(int32_t result, const std::string& call) {
    if (result != 0) throw HostError("the module answered " + std::to_string(result) + " to " + call);
}

// "name(argument)" for messages.
std::string callText(const char* name, int32_t argument) {
    std::string text = name;
    text += '(';
    text += std::to_string(argument);
    text += ')';
    return text;
}

}  // namespace

AppliedAir applyAir(const LoadedModule& module, const Air& air) {
    module.require({"RP_SetValue", "RP_GetLabel", "DLLSetFlag"});
    const ModuleExports& x = module.exports();
    AppliedAir applied{air, {}};
    float* values[] = {&applied.air.speedOfSound, &applied.air.humidity, &applied.air.temperature,
                       &applied.air.pressure};
    for (int32_t index = 1; index <= 4; ++index) {
        float& value = *values[index - 1];
        const float requested = value;
        check(x.RP_SetValue(index, &value), callText("RP_SetValue", index));
        if (!(value == requested)) {
            char label[KSR_LABEL_BUFFER_SIZE] = {};
            x.RP_GetLabel(index, label);
            std::ostringstream note;
            note << label << " " << requested << " is outside the module's range; it uses " << value;
            applied.notes.push_back(note.str());
        }
    }
    const int32_t noAbsorption = air.absorption ? 0 : 1;
    check(x.DLLSetFlag(1, &noAbsorption), "DLLSetFlag(1)");
    return applied;
}

HostArray::HostArray(const LoadedModule& module, const SetupRecord& record, const ArrayPlacement& placement)
    : x_(module.exports()) {
    module.require({"CI_GetFreeID", "CI_MakeCurrent", "CI_Release", "IP_GetValue", "IP_SetValue", "IP_GetFilterDef",
                    "IP_SetFilter", "CI_SetLspkPosition3fv", "CI_SetLspkAngles3fv", "CI_SetSeatPosition3fv",
                    "CI_GetComponents", "CI_GetCompFR", "CI_GetCompPosition3fv", "CI_GetCompAngles3fv",
                    "CI_GetCompDistance", "CI_GetDistance"});
    id_ = x_.CI_GetFreeID();
    if (id_ < 1) throw HostError("the module has no free array instance");
    try {
        check(x_.CI_MakeCurrent(id_), callText("CI_MakeCurrent", id_));
        SetupRecord query{};
        check(x_.IP_GetValue(1, &query), "IP_GetValue(1) with version 0");
        recordVersion_ = query.version;
        if (recordVersion_ != KSR_SETUP_V52 && recordVersion_ != KSR_SETUP_V51) {
            throw HostError("the module reports setup record version " + std::to_string(recordVersion_) +
                            "; ksrhost writes versions 51 and 52");
        }
        SetupRecord sent = record;
        sent.version = KSR_SETUP_V52;
        check(x_.IP_SetValue(1, &sent), "IP_SetValue(1)");
        applied_.version = KSR_SETUP_V52;
        check(x_.IP_GetValue(1, &applied_), "IP_GetValue(1)");

        float gain[KSR_BAND_COUNT], phase[KSR_BAND_COUNT];
        check(x_.IP_GetFilterDef(gain, phase), "IP_GetFilterDef");
        check(x_.IP_SetFilter(gain, phase), "IP_SetFilter");
        check(x_.CI_SetLspkPosition3fv(placement.position.data()), "CI_SetLspkPosition3fv");
        check(x_.CI_SetLspkAngles3fv(placement.angles.data()), "CI_SetLspkAngles3fv");
    } catch (...) {
        if (x_.CI_MakeCurrent(id_) == 0) x_.CI_Release();
        throw;
    }
}

HostArray::~HostArray() {
    if (x_.CI_MakeCurrent(id_) == 0) x_.CI_Release();
}

void HostArray::makeCurrent() const { check(x_.CI_MakeCurrent(id_), callText("CI_MakeCurrent", id_)); }

int32_t HostArray::componentCount() const {
    makeCurrent();
    const int32_t count = x_.CI_GetComponents();
    if (count < KSR_MIN_COMPONENTS || count > KSR_MAX_COMPONENTS) {
        throw HostError("the module answered " + std::to_string(count) + " to CI_GetComponents");
    }
    return count;
}

std::span<const ComponentResponse> HostArray::respond(const Triple& seat) {
    makeCurrent();
    check(x_.CI_SetSeatPosition3fv(seat.data()), "CI_SetSeatPosition3fv");
    const int32_t count = componentCount();
    for (int32_t c = 1; c <= count; ++c) {
        ComponentResponse& r = responses_[static_cast<size_t>(c - 1)];
        r.component = c;
        check(x_.CI_GetCompFR(c, r.level.data(), r.phase.data(), &r.delay), callText("CI_GetCompFR", c));
    }
    return {responses_.data(), static_cast<size_t>(count)};
}

Triple HostArray::componentPosition(int32_t c) const {
    makeCurrent();
    Triple out{};
    check(x_.CI_GetCompPosition3fv(c, out.data()), callText("CI_GetCompPosition3fv", c));
    return out;
}

Triple HostArray::componentAngles(int32_t c) const {
    makeCurrent();
    Triple out{};
    check(x_.CI_GetCompAngles3fv(c, out.data()), callText("CI_GetCompAngles3fv", c));
    return out;
}

float HostArray::referenceDistance() const {
    makeCurrent();
    return x_.CI_GetDistance();
}

float HostArray::componentDistance(int32_t c) const {
    makeCurrent();
    const float distance = x_.CI_GetCompDistance(c);
    if (distance < 0.0f) throw HostError("the module answered -1 to " + callText("CI_GetCompDistance", c));
    return distance;
}

}  // namespace ksrhost
