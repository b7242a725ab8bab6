// The export surface as a host could drive it: each input decodes into a
// sequence of export calls with arbitrary ids, indices, component numbers,
// bands, counts and float bit patterns. Every answer is checked against what
// the interface allows, and every output buffer is framed by guard bytes so
// that a write outside the allowed bytes shows. A small model of the instance
// table, the host flag and each instance's design predicts the exact answer
// where the interface fixes it.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "exports/ksr.h"
#include "fuzz_support.h"
#include "model/numeric.h"
#include "module_reset.h"

using ksr::fuzz::FuzzInput;
using ksr::fuzz::GuardedBuffer;
using ksr::fuzz::sameBits;

namespace {

constexpr int32_t kMaxCallsPerInput = 512;

// The design an instance must give back through IP_GetValue: the last
// record applied to it (angles, gains, grid and host value as received,
// catalogue types as they were), or the default design. The count may come
// back as stored or brought into 4..16, since reading it clamps it.
struct ExpectedDesign {
    SetupRecord record{};
    std::array<bool, KSR_MAX_COMPONENTS> typeKept{};  // false: an id outside the catalogue, replaced

    static ExpectedDesign defaults() {
        ExpectedDesign design;
        design.record.boxCount = 4;
        design.record.hostValue = 1;
        for (SetupRecordBox& box : design.record.boxes) box.boxType = 5;
        design.typeKept.fill(true);
        return design;
    }
};

// What the instance table and the flag word must look like after the calls
// so far.
struct HostModel {
    std::array<bool, KSR_MAX_INSTANCES + 1> inUse{};
    std::array<ExpectedDesign, KSR_MAX_INSTANCES + 1> designs{};
    int32_t current = 0;  // 0: none
    bool noAirAbsorption = false;

    int32_t lowestFreeId() const {
        for (int32_t id = 1; id <= KSR_MAX_INSTANCES; ++id) {
            if (!inUse[static_cast<size_t>(id)]) return id;
        }
        return -1;
    }
};

struct RoomParameterLimits {
    const char* label;
    float defaultValue, minimum, maximum;
};

constexpr std::array<RoomParameterLimits, 4> kRoomParameters{{
    {"Speed Of Sound", 343.0f, 100.0f, 1000.0f},
    {"Humidity", 60.0f, 20.0f, 100.0f},
    {"Air Temperature", 20.0f, -100.0f, 100.0f},
    {"Air Pressure", 1013.0f, 100.0f, 2000.0f},
}};

bool isRoomIndex(int32_t index) {
    return index >= 1 && index <= 4;
}

// A label call: valid index -> 0 and exactly the label with its NUL, every
// later byte of the host's 16-byte buffer untouched; otherwise -1 and
// nothing written.
void checkLabel(int32_t result, GuardedBuffer<char>& out, const char* expected) {
    FUZZ_CHECK(out.guardsIntact());
    if (expected == nullptr) {
        FUZZ_CHECK(result == -1);
        FUZZ_CHECK(out.untouched());
        return;
    }
    FUZZ_CHECK(result == 0);
    const size_t length = std::strlen(expected);
    FUZZ_CHECK(std::memcmp(out.data(), expected, length + 1) == 0);
    FUZZ_CHECK(out.untouchedFrom(length + 1));
}

void callInformation(FuzzInput& in) {
    FUZZ_CHECK(DLLVersion() == 1000030);
    FUZZ_CHECK(DLLClass() == 2);

    const int32_t capability = in.integer();
    const int32_t caps = DLLGetCaps(capability);
    const int32_t expectedCaps = (capability == 1 || capability == 2)   ? -1
                                 : (capability == 3 || capability == 5) ? 1
                                                                        : 0;
    FUZZ_CHECK(caps == expectedCaps);

    GuardedBuffer<int32_t> word(1);
    FUZZ_CHECK(DLLLock(word.data()) == 0 && word[0] == 0 && word.guardsIntact());
    GuardedBuffer<int32_t> symmetry(1);
    FUZZ_CHECK(DLLGetSymmetry(symmetry.data()) == 0 && symmetry[0] == -1 && symmetry.guardsIntact());

    GuardedBuffer<int32_t> bands(KSR_BAND_COUNT);
    FUZZ_CHECK(DLLGetValidBands(bands.data()) == 0);
    for (size_t i = 0; i < KSR_BAND_COUNT; ++i) FUZZ_CHECK(bands[i] == -1);
    FUZZ_CHECK(bands.guardsIntact());

    const char* text = nullptr;
    FUZZ_CHECK(DLLGetName(&text) == 0 && std::strcmp(text, "KSR Array") == 0);
    FUZZ_CHECK(DLLGetManufacturer(&text) == 0 && std::strcmp(text, "QTO") == 0);
    FUZZ_CHECK(DLLGetDataResolution(&text) == 0 && std::strcmp(text, "5\xB0 Complex Data") == 0);

    GuardedBuffer<int32_t> untouched(1);
    FUZZ_CHECK(DLLGetDirectivity(untouched.data()) == -1);
    FUZZ_CHECK(DLLGetSensitivity(untouched.data()) == -1);
    FUZZ_CHECK(DLLGetMaxPower(untouched.data()) == -1);
    FUZZ_CHECK(DLLGetImpedance(untouched.data()) == -1);
    FUZZ_CHECK(untouched.untouched() && untouched.guardsIntact());
}

void callFlags(FuzzInput& in, HostModel& model) {
    const int32_t flag = in.integer();
    if (in.byte() % 2 == 0) {
        int32_t value = in.integer();
        FUZZ_CHECK(DLLSetFlag(flag, &value) == 0);
        if (flag == 1) model.noAirAbsorption = value != 0;
    } else {
        GuardedBuffer<int32_t> out(1);
        FUZZ_CHECK(DLLGetFlag(flag, out.data()) == 0);
        const int32_t expected = flag == 2 ? -1 : (flag == 1 && model.noAirAbsorption) ? -1 : 0;
        FUZZ_CHECK(out[0] == expected);
        FUZZ_CHECK(out.guardsIntact());
    }
}

void callFiles(FuzzInput& in) {
    switch (in.byte() % 3) {
        case 0: {
            GuardedBuffer<char> out(KSR_FILES_BUFFER_SIZE);
            FUZZ_CHECK(DLLGetFiles(out.data()) == 0);
            FUZZ_CHECK(out.guardsIntact());
            // Either untouched (module file not found) or a terminated path.
            if (!out.untouched()) FUZZ_CHECK(std::memchr(out.data(), '\0', KSR_FILES_BUFFER_SIZE) != nullptr);
            break;
        }
        case 1: {
            const std::string path = in.text(300);
            const int32_t removed = DLLInitLibrary(path.c_str());
            if (path.empty()) FUZZ_CHECK(removed == 0);
            break;
        }
        default:
            // Only paths that name nothing: the fuzzer must not copy files.
            FUZZ_CHECK(DLLInstallFiles("") == 0);
            FUZZ_CHECK(DLLInstallFiles("/nonexistent/ksr-fuzz/missing.pdf") == 0);
            break;
    }
}

void callRoomParameters(FuzzInput& in) {
    const int32_t index = in.integer();
    const RoomParameterLimits* limits = isRoomIndex(index) ? &kRoomParameters[static_cast<size_t>(index - 1)] : nullptr;
    FUZZ_CHECK(RP_GetNumber() == 4);
    switch (in.byte() % 4) {
        case 0:
            FUZZ_CHECK(RP_GetID(index) == (limits ? index : -1));
            FUZZ_CHECK(RP_GetType(index) == (limits ? 8 : -1));
            break;
        case 1: {
            GuardedBuffer<char> label(KSR_LABEL_BUFFER_SIZE);
            checkLabel(RP_GetLabel(index, label.data()), label, limits ? limits->label : nullptr);
            break;
        }
        case 2: {
            GuardedBuffer<float> out(1);
            const float expected[] = {limits ? limits->defaultValue : 0, limits ? limits->minimum : 0,
                                      limits ? limits->maximum : 0};
            int32_t(KSR_CALL* const getters[])(int32_t, float*) = {RP_GetDefault, RP_GetMinimum, RP_GetMaximum};
            const size_t which = in.byte() % 3;
            const int32_t result = getters[which](index, out.data());
            FUZZ_CHECK(out.guardsIntact());
            if (limits) {
                FUZZ_CHECK(result == 0 && out[0] == expected[which]);
            } else {
                FUZZ_CHECK(result == -1 && out.untouched());
            }
            break;
        }
        default: {
            GuardedBuffer<float> value(1);
            const float given = in.real();
            value[0] = given;
            const int32_t result = RP_SetValue(index, value.data());
            FUZZ_CHECK(value.guardsIntact());
            if (!limits) {
                FUZZ_CHECK(result == -1 && sameBits(value[0], given));
                break;
            }
            FUZZ_CHECK(result == 0);
            const float stored = value[0];
            FUZZ_CHECK(!std::isnan(stored) && stored >= limits->minimum && stored <= limits->maximum);
            if (given >= limits->minimum && given <= limits->maximum) FUZZ_CHECK(sameBits(stored, given));
            break;
        }
    }
}

void fillRecord(FuzzInput& in, SetupRecord& record) {
    record.boxCount = in.integer();
    record.gridElevation = in.real();
    record.hostValue = in.integer();
    for (SetupRecordBox& box : record.boxes) {
        box.boxType = in.byte() < 200 ? static_cast<int32_t>(in.byte() % 12) - 1 : in.integer();
        box.boxElevation = in.real();
        box.boxGain = in.real();
    }
    record.groundStacked = in.integer();
}

int32_t recordVersion(FuzzInput& in) {
    switch (in.byte() % 5) {
        case 0:
            return KSR_SETUP_V51;
        case 1:
        case 2:
            return KSR_SETUP_V52;
        case 3:
            return 0;
        default:
            return in.integer();
    }
}

// The host's buffer for a record of that version: 208 bytes for version 51,
// 212 for any other.
size_t recordBytes(int32_t version) {
    return version == KSR_SETUP_V51 ? KSR_SETUP_V51_SIZE : KSR_SETUP_V52_SIZE;
}

void callSetValue(FuzzInput& in, HostModel& model) {
    const int32_t index = in.byte() < 220 ? 1 : in.integer();
    SetupRecord full{};
    full.version = recordVersion(in);
    fillRecord(in, full);
    GuardedBuffer<unsigned char> record(recordBytes(full.version));
    std::memcpy(record.data(), &full, record.payloadSize());
    const int32_t result = IP_SetValue(index, reinterpret_cast<const SetupRecord*>(record.data()));
    FUZZ_CHECK(result == ((index == 1 && model.current != 0) ? 0 : -1));
    FUZZ_CHECK(std::memcmp(record.data(), &full, record.payloadSize()) == 0);
    FUZZ_CHECK(record.guardsIntact());
    if (result != 0) return;

    ExpectedDesign& expected = model.designs[static_cast<size_t>(model.current)];
    if (full.version != KSR_SETUP_V51 && full.version != KSR_SETUP_V52) {
        expected = ExpectedDesign::defaults();
        return;
    }
    expected.record = full;
    if (full.version == KSR_SETUP_V51) expected.record.groundStacked = 0;
    for (size_t i = 0; i < KSR_MAX_COMPONENTS; ++i) {
        expected.typeKept[i] = full.boxes[i].boxType >= 0 && full.boxes[i].boxType <= 9;
    }
}

// The design dialog, which cannot open in this build and so acts as if
// cancelled: the design is applied again with the count brought into 4..16
// and each gain truncated toward zero to whole decibels (saturating, NaN 0).
void callShowDialog(FuzzInput& in, HostModel& model) {
    const int32_t index = in.byte() < 200 ? 1 : in.integer();
    const int32_t result = IP_ShowDialog(index);
    FUZZ_CHECK(result == ((index == 1 && model.current != 0) ? 0 : -1));
    if (result != 0) return;
    SetupRecord& applied = model.designs[static_cast<size_t>(model.current)].record;
    applied.boxCount = std::clamp(applied.boxCount, KSR_MIN_COMPONENTS, KSR_MAX_COMPONENTS);
    for (SetupRecordBox& box : applied.boxes) {
        box.boxGain = -static_cast<float>(ksr::truncateToInt32(-static_cast<double>(box.boxGain)));
    }
}

// A record read back against the design last applied.
void checkReadBack(const SetupRecord& filled, const ExpectedDesign& expected, int32_t version) {
    const SetupRecord& applied = expected.record;
    const int32_t clamped = std::clamp(applied.boxCount, KSR_MIN_COMPONENTS, KSR_MAX_COMPONENTS);
    FUZZ_CHECK(filled.boxCount == applied.boxCount || filled.boxCount == clamped);
    FUZZ_CHECK(sameBits(filled.gridElevation, applied.gridElevation));
    FUZZ_CHECK(filled.hostValue == applied.hostValue);
    for (size_t i = 0; i < KSR_MAX_COMPONENTS; ++i) {
        const SetupRecordBox& box = filled.boxes[i];
        FUZZ_CHECK(box.boxType >= 0 && box.boxType <= 9);
        if (expected.typeKept[i]) FUZZ_CHECK(box.boxType == applied.boxes[i].boxType);
        FUZZ_CHECK(sameBits(box.boxElevation, applied.boxes[i].boxElevation));
        FUZZ_CHECK(sameBits(box.boxGain, applied.boxes[i].boxGain));
    }
    if (version != KSR_SETUP_V51) FUZZ_CHECK(filled.groundStacked == applied.groundStacked);
}

void callGetValue(FuzzInput& in, const HostModel& model) {
    const int32_t index = in.byte() < 220 ? 1 : in.integer();
    const int32_t version = recordVersion(in);
    GuardedBuffer<unsigned char> record(recordBytes(version));
    std::memcpy(record.data(), &version, sizeof version);
    const int32_t result = IP_GetValue(index, reinterpret_cast<SetupRecord*>(record.data()));
    FUZZ_CHECK(record.guardsIntact());
    int32_t versionAfter;
    std::memcpy(&versionAfter, record.data(), sizeof versionAfter);
    if (index != 1) {
        FUZZ_CHECK(result == -1 && versionAfter == version && record.untouchedFrom(4));
        return;
    }
    if (version == 0) {
        FUZZ_CHECK(result == 0 && versionAfter == KSR_SETUP_V52 && record.untouchedFrom(4));
        return;
    }
    if (model.current == 0) {
        FUZZ_CHECK(result == -1 && versionAfter == version && record.untouchedFrom(4));
        return;
    }
    FUZZ_CHECK(result == 0 && versionAfter == version);
    SetupRecord filled{};
    std::memcpy(&filled, record.data(), record.payloadSize());
    checkReadBack(filled, model.designs[static_cast<size_t>(model.current)], version);
}

void callFilter(FuzzInput& in, const HostModel& model) {
    GuardedBuffer<float> gain(KSR_BAND_COUNT), phase(KSR_BAND_COUNT);
    switch (in.byte() % 4) {
        case 0:
        case 1:
        case 2: {
            int32_t(KSR_CALL* const getters[])(float*, float*) = {IP_GetFilterDef, IP_GetFilterMin, IP_GetFilterMax};
            const float gains[] = {0.0f, -60.0f, 0.0f};
            const float phases[] = {0.0f, -180.0f, 180.0f};
            const size_t which = in.byte() % 3;
            FUZZ_CHECK(getters[which](gain.data(), phase.data()) == 0);
            for (size_t i = 0; i < KSR_BAND_COUNT; ++i) {
                FUZZ_CHECK(gain[i] == gains[which] && phase[i] == phases[which]);
            }
            break;
        }
        default: {
            std::array<float, KSR_BAND_COUNT> givenGain{}, givenPhase{};
            for (size_t i = 0; i < KSR_BAND_COUNT; ++i) {
                gain[i] = givenGain[i] = in.real();
                phase[i] = givenPhase[i] = in.real();
            }
            const int32_t result = IP_SetFilter(gain.data(), phase.data());
            if (model.current == 0) {
                FUZZ_CHECK(result == -1);
                for (size_t i = 0; i < KSR_BAND_COUNT; ++i) {
                    FUZZ_CHECK(sameBits(gain[i], givenGain[i]) && sameBits(phase[i], givenPhase[i]));
                }
                break;
            }
            FUZZ_CHECK(result == 0);
            for (size_t i = 0; i < KSR_BAND_COUNT; ++i) {
                FUZZ_CHECK(gain[i] >= -60.0f && gain[i] <= 0.0f);
                FUZZ_CHECK(phase[i] >= -180.0f && phase[i] <= 180.0f);
                if (givenGain[i] >= -60.0f && givenGain[i] <= 0.0f) FUZZ_CHECK(sameBits(gain[i], givenGain[i]));
                if (givenPhase[i] >= -180.0f && givenPhase[i] <= 180.0f) {
                    FUZZ_CHECK(sameBits(phase[i], givenPhase[i]));
                }
            }
            break;
        }
    }
    FUZZ_CHECK(gain.guardsIntact() && phase.guardsIntact());
}

void callSetupDescription(FuzzInput& in) {
    const int32_t index = in.integer();
    const bool valid = index == 1;
    FUZZ_CHECK(IP_GetNumber() == 1);
    FUZZ_CHECK(IP_GetID(index) == (valid ? 4 : -1));
    FUZZ_CHECK(IP_GetType(index) == (valid ? 21 : -1));
    GuardedBuffer<char> label(KSR_LABEL_BUFFER_SIZE);
    checkLabel(IP_GetLabel(index, label.data()), label, valid ? "KSR Setup" : nullptr);
    GuardedBuffer<unsigned char> untouched(KSR_SETUP_V52_SIZE);
    FUZZ_CHECK(IP_GetDefault(index, untouched.data()) == (valid ? 0 : -1));
    FUZZ_CHECK(IP_GetMinimum(index, untouched.data()) == (valid ? 0 : -1));
    FUZZ_CHECK(IP_GetMaximum(index, untouched.data()) == (valid ? 0 : -1));
    FUZZ_CHECK(untouched.untouched() && untouched.guardsIntact());
}

void callInstances(FuzzInput& in, HostModel& model) {
    switch (in.byte() % 4) {
        case 0: {
            const int32_t expected = model.lowestFreeId();
            FUZZ_CHECK(CI_GetFreeID() == expected);
            if (expected > 0) {
                model.inUse[static_cast<size_t>(expected)] = true;
                model.designs[static_cast<size_t>(expected)] = ExpectedDesign::defaults();
            }
            break;
        }
        case 1: {
            // Mostly ids that may be in use, sometimes anything.
            const int32_t id = in.byte() < 200 ? static_cast<int32_t>(in.byte() % 130) - 1 : in.integer();
            const bool valid = id >= 1 && id <= KSR_MAX_INSTANCES && model.inUse[static_cast<size_t>(id)];
            FUZZ_CHECK(CI_MakeCurrent(id) == (valid ? 0 : -1));
            if (valid) model.current = id;
            break;
        }
        case 2:
            FUZZ_CHECK(CI_Release() == (model.current != 0 ? 0 : -1));
            if (model.current != 0) model.inUse[static_cast<size_t>(model.current)] = false;
            model.current = 0;
            break;
        default: {
            const int32_t count = in.byte() % 2 == 0 ? CI_GetComponents() : DLLGetComponents();
            if (model.current == 0) {
                FUZZ_CHECK(count == -1);
            } else {
                FUZZ_CHECK(count >= KSR_MIN_COMPONENTS && count <= KSR_MAX_COMPONENTS);
            }
            break;
        }
    }
}

// A component number: mostly around 1..16, sometimes anything.
int32_t componentNumber(FuzzInput& in) {
    return in.byte() < 200 ? static_cast<int32_t>(in.byte() % 20) - 1 : in.integer();
}

// The current instance's component count, or 0 when none is current.
int32_t componentsNow(const HostModel& model) {
    const int32_t count = CI_GetComponents();
    if (model.current == 0) {
        FUZZ_CHECK(count == -1);
        return 0;
    }
    FUZZ_CHECK(count >= KSR_MIN_COMPONENTS && count <= KSR_MAX_COMPONENTS);
    return count;
}

bool isComponent(int32_t component, int32_t count) {
    return component >= 1 && component <= count;
}

// A distance is never negative (NaN and infinity follow from such input).
bool isDistance(float d) {
    return !(d < 0.0f);
}

bool within(float value, float low, float high) {
    return std::isnan(value) || (value >= low && value <= high);
}

void callPlacement(FuzzInput& in, const HostModel& model) {
    const int32_t count = componentsNow(model);
    const int32_t expected = model.current != 0 ? 0 : -1;
    switch (in.byte() % 7) {
        case 0:
        case 1: {
            GuardedBuffer<float> vector(3);
            for (size_t i = 0; i < 3; ++i) vector[i] = in.real();
            const std::array<float, 3> given{vector[0], vector[1], vector[2]};
            int32_t(KSR_CALL* const setters[])(const float*) = {CI_SetLspkPosition3fv, CI_SetLspkAngles3fv,
                                                                CI_SetSeatPosition3fv, CI_SetSeatAngles3fv};
            FUZZ_CHECK(setters[in.byte() % 4](vector.data()) == expected);
            for (size_t i = 0; i < 3; ++i) FUZZ_CHECK(sameBits(vector[i], given[i]));
            FUZZ_CHECK(vector.guardsIntact());
            break;
        }
        case 2: {
            const float distance = CI_GetDistance();
            FUZZ_CHECK(model.current != 0 ? isDistance(distance) : distance == -1.0f);
            break;
        }
        case 3: {
            const int32_t component = componentNumber(in);
            const float distance = CI_GetCompDistance(component);
            FUZZ_CHECK(isComponent(component, count) ? isDistance(distance) : distance == -1.0f);
            break;
        }
        default: {
            const int32_t component = componentNumber(in);
            const bool angles = in.byte() % 2 == 0;
            GuardedBuffer<float> out(3);
            const int32_t result =
                angles ? CI_GetCompAngles3fv(component, out.data()) : CI_GetCompPosition3fv(component, out.data());
            FUZZ_CHECK(out.guardsIntact());
            if (!isComponent(component, count)) {
                FUZZ_CHECK(result == -1 && out.untouched());
                break;
            }
            FUZZ_CHECK(result == 0);
            if (angles) {
                FUZZ_CHECK(within(out[0], -180.0f, 180.0f));
                FUZZ_CHECK(within(out[1], -90.0f, 90.0f));
                FUZZ_CHECK(within(out[2], -180.0f, 180.0f));
            }
            break;
        }
    }
}

int32_t band(FuzzInput& in) {
    return in.byte() < 200 ? static_cast<int32_t>(in.byte() % 24) - 1 : in.integer();
}

bool isBand(int32_t value) {
    return value >= 1 && value <= KSR_BAND_COUNT;
}

// Phases are the filter's, in radians, wrapped into one turn; a float of pi
// may round up from the double just below it.
bool isPhase(float value) {
    constexpr float kPi = 3.14159265358979f;
    return value >= -kPi && value <= kPi;
}

void callResponse(FuzzInput& in, const HostModel& model) {
    const int32_t count = componentsNow(model);
    const int32_t component = componentNumber(in);
    switch (in.byte() % 4) {
        case 0: {
            GuardedBuffer<float> level(KSR_BAND_COUNT), phase(KSR_BAND_COUNT), delay(1);
            const int32_t result = CI_GetCompFR(component, level.data(), phase.data(), delay.data());
            FUZZ_CHECK(level.guardsIntact() && phase.guardsIntact() && delay.guardsIntact());
            if (!isComponent(component, count)) {
                FUZZ_CHECK(result == -1 && level.untouched() && phase.untouched() && delay.untouched());
                break;
            }
            FUZZ_CHECK(result == 0);
            for (size_t i = 0; i < KSR_BAND_COUNT; ++i) FUZZ_CHECK(isPhase(phase[i]));
            FUZZ_CHECK(isDistance(delay[0]));
            FUZZ_CHECK(level.untouchedFrom(KSR_BAND_COUNT * sizeof(float)));
            break;
        }
        case 1:
        case 2: {
            const int32_t b = band(in);
            const bool directivity = in.byte() % 2 == 0;
            GuardedBuffer<float> out(1);
            const int32_t result = directivity ? CI_GetCompDirectivity(component, b, out.data())
                                               : CI_GetCompSPL1m(component, b, out.data());
            FUZZ_CHECK(out.guardsIntact());
            // The level at 1 m answers for any of the 16 box positions.
            const bool valid = model.current != 0 && isBand(b) &&
                               (directivity ? isComponent(component, count) : isComponent(component, 16));
            if (!valid) {
                FUZZ_CHECK(result == -1 && out.untouched());
                break;
            }
            FUZZ_CHECK(result == 0);
            if (directivity) FUZZ_CHECK(std::isfinite(out[0]) && out[0] >= 0.0f);
            break;
        }
        default:
            FUZZ_CHECK(CI_GetPulse(in.integer(), in.integer(), in.integer()) == 0);
            FUZZ_CHECK(CI_GetPulses(in.integer(), in.integer()) == 0);
            break;
    }
}

// The host's word after each outline record is never written.
constexpr uint32_t kFillWord = 0xA5A5A5A5u;

void callOutline(FuzzInput& in, const HostModel& model) {
    const int32_t count = componentsNow(model);
    GuardedBuffer<int32_t> number(1);
    switch (in.byte() % 3) {
        case 0: {
            GuardedBuffer<int32_t> other(1);
            FUZZ_CHECK(CS_GetSymmetry(number.data(), other.data()) == 0);
            FUZZ_CHECK(number[0] == -1 && other[0] == 0 && other.guardsIntact());
            break;
        }
        case 1: {
            const int32_t result = CS_GetVertexNumber(number.data());
            if (model.current == 0) {
                FUZZ_CHECK(result == -1 && number.untouched());
                GuardedBuffer<CaseVertex> vertices(KSR_MAX_COMPONENTS * KSR_VERTICES_PER_BOX);
                FUZZ_CHECK(CS_GetVertexArray(vertices.data()) == -1 && vertices.untouched());
                break;
            }
            FUZZ_CHECK(result == 0 && number[0] == count * KSR_VERTICES_PER_BOX);
            GuardedBuffer<CaseVertex> vertices(static_cast<size_t>(number[0]));
            FUZZ_CHECK(CS_GetVertexArray(vertices.data()) == 0);
            FUZZ_CHECK(vertices.guardsIntact());
            for (size_t i = 0; i < static_cast<size_t>(number[0]); ++i) {
                FUZZ_CHECK(vertices[i].one == 1 && static_cast<uint32_t>(vertices[i].hostWord) == kFillWord);
            }
            break;
        }
        default: {
            const int32_t result = CS_GetEdgeNumber(number.data());
            if (model.current == 0) {
                FUZZ_CHECK(result == -1 && number.untouched());
                GuardedBuffer<CaseEdge> edges(KSR_MAX_COMPONENTS * KSR_EDGES_PER_BOX);
                FUZZ_CHECK(CS_GetEdgeArray(edges.data()) == -1 && edges.untouched());
                break;
            }
            FUZZ_CHECK(result == 0 && number[0] == count * KSR_EDGES_PER_BOX);
            GuardedBuffer<CaseEdge> edges(static_cast<size_t>(number[0]));
            FUZZ_CHECK(CS_GetEdgeArray(edges.data()) == 0);
            FUZZ_CHECK(edges.guardsIntact());
            const int32_t vertexCount = count * KSR_VERTICES_PER_BOX;
            for (size_t i = 0; i < static_cast<size_t>(number[0]); ++i) {
                const CaseEdge& edge = edges[i];
                FUZZ_CHECK(edge.kind == 0 || edge.kind == 1);
                FUZZ_CHECK(edge.first >= 1 && edge.first <= vertexCount);
                FUZZ_CHECK(edge.kind == 0 ? edge.second == -edge.first
                                          : edge.second >= 1 && edge.second <= vertexCount);
                FUZZ_CHECK(static_cast<uint32_t>(edge.hostWord) == kFillWord);
            }
            break;
        }
    }
    FUZZ_CHECK(number.guardsIntact());
}

// Every export that takes a pointer answers -1 to a null one.
void callWithNullPointers(FuzzInput& in) {
    const int32_t index = in.integer();
    FUZZ_CHECK(DLLLock(nullptr) == -1);
    FUZZ_CHECK(DLLGetName(nullptr) == -1);
    FUZZ_CHECK(DLLGetManufacturer(nullptr) == -1);
    FUZZ_CHECK(DLLGetDataResolution(nullptr) == -1);
    FUZZ_CHECK(DLLGetSymmetry(nullptr) == -1);
    FUZZ_CHECK(DLLGetValidBands(nullptr) == -1);
    FUZZ_CHECK(DLLGetFlag(index, nullptr) == -1);
    FUZZ_CHECK(DLLSetFlag(1, nullptr) == -1);
    FUZZ_CHECK(DLLGetFiles(nullptr) == -1);
    FUZZ_CHECK(DLLInitLibrary(nullptr) == 0);
    FUZZ_CHECK(DLLInstallFiles(nullptr) == 0);
    FUZZ_CHECK(RP_GetLabel(index, nullptr) == -1);
    FUZZ_CHECK(RP_GetDefault(index, nullptr) == -1);
    FUZZ_CHECK(RP_GetMinimum(index, nullptr) == -1);
    FUZZ_CHECK(RP_GetMaximum(index, nullptr) == -1);
    FUZZ_CHECK(RP_SetValue(index, nullptr) == -1);
    FUZZ_CHECK(IP_GetLabel(index, nullptr) == -1);
    FUZZ_CHECK(IP_SetValue(index, nullptr) == -1);
    FUZZ_CHECK(IP_GetValue(index, nullptr) == -1);
    float band[KSR_BAND_COUNT] = {};
    FUZZ_CHECK(IP_GetFilterDef(nullptr, band) == -1 && IP_GetFilterDef(band, nullptr) == -1);
    FUZZ_CHECK(IP_GetFilterMin(nullptr, band) == -1 && IP_GetFilterMin(band, nullptr) == -1);
    FUZZ_CHECK(IP_GetFilterMax(nullptr, band) == -1 && IP_GetFilterMax(band, nullptr) == -1);
    FUZZ_CHECK(IP_SetFilter(nullptr, band) == -1 && IP_SetFilter(band, nullptr) == -1);
    FUZZ_CHECK(CI_SetLspkPosition3fv(nullptr) == -1);
    FUZZ_CHECK(CI_SetLspkAngles3fv(nullptr) == -1);
    FUZZ_CHECK(CI_SetSeatPosition3fv(nullptr) == -1);
    FUZZ_CHECK(CI_SetSeatAngles3fv(nullptr) == -1);
    FUZZ_CHECK(CI_GetCompPosition3fv(index, nullptr) == -1);
    FUZZ_CHECK(CI_GetCompAngles3fv(index, nullptr) == -1);
    int32_t word = 0;
    FUZZ_CHECK(CS_GetSymmetry(nullptr, &word) == -1 && CS_GetSymmetry(&word, nullptr) == -1);
    FUZZ_CHECK(CS_GetVertexNumber(nullptr) == -1 && CS_GetVertexArray(nullptr) == -1);
    FUZZ_CHECK(CS_GetEdgeNumber(nullptr) == -1 && CS_GetEdgeArray(nullptr) == -1);
    float one = 0.0f;
    FUZZ_CHECK(CI_GetCompFR(1, nullptr, band, &one) == -1 && CI_GetCompFR(1, band, nullptr, &one) == -1 &&
               CI_GetCompFR(1, band, band, nullptr) == -1);
    FUZZ_CHECK(CI_GetCompSPL1m(1, 1, nullptr) == -1 && CI_GetCompDirectivity(1, 1, nullptr) == -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ksr::resetModuleState();
    FuzzInput in(data, size);
    HostModel model;
    for (int32_t call = 0; call < kMaxCallsPerInput && !in.done(); ++call) {
        switch (in.byte() % 19) {
            case 0:
                callInformation(in);
                break;
            case 1:
                callFlags(in, model);
                break;
            case 2:
                callFiles(in);
                break;
            case 3:
                callRoomParameters(in);
                break;
            case 4:
                callSetupDescription(in);
                break;
            case 5:
                callSetValue(in, model);
                break;
            case 6:
                callGetValue(in, model);
                break;
            case 7:
                callFilter(in, model);
                break;
            case 8:
            case 9:
            case 10:
                callInstances(in, model);
                break;
            case 11:
                callWithNullPointers(in);
                break;
            case 12:
            case 13:
                callPlacement(in, model);
                break;
            case 14:
                callOutline(in, model);
                break;
            case 15:
            case 16:
            case 17:
                callResponse(in, model);
                break;
            default:
                callShowDialog(in, model);
                break;
        }
    }
    ksr::resetModuleState();
    return 0;
}
