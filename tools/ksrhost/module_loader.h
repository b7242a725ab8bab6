#pragma once
// The module as a host loads it. On Linux, libksr.so through dlopen with
// every export resolved by its name (a shared object has no ordinals); on
// Windows, ksr.dll through LoadLibrary with every export resolved by its
// ordinal. Every call goes through a pointer typed from the public header's
// own declaration, so the calling convention (stdcall on Windows) and the
// argument types cannot drift from the contract.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "exports/ksr.h"

namespace ksrhost {

// Every function export of the module, in ordinal order: X(ordinal, name).
// The ordinals are those of exports/ksr.def.
#define KSRHOST_FUNCTION_EXPORTS(X)                                                                 \
    X(100, DLLVersion) X(101, DLLClass) X(102, DLLLock) X(110, DLLGetCaps) X(111, DLLGetComponents) \
    X(120, DLLGetName) X(121, DLLGetManufacturer) X(130, DLLGetSymmetry) X(132, DLLGetValidBands)    \
    X(133, DLLGetDirectivity) X(134, DLLGetSensitivity) X(135, DLLGetMaxPower)                       \
    X(136, DLLGetImpedance) X(140, DLLGetFlag) X(141, DLLSetFlag) X(142, DLLGetDataResolution)       \
    X(143, DLLGetFiles) X(144, DLLInstallFiles) X(145, DLLInitLibrary)                               \
    X(201, RP_GetNumber) X(202, RP_GetID) X(203, RP_GetType) X(204, RP_GetLabel)                     \
    X(205, RP_GetDefault) X(206, RP_GetMinimum) X(207, RP_GetMaximum) X(208, RP_SetValue)            \
    X(301, IP_GetNumber) X(302, IP_GetID) X(303, IP_GetType) X(304, IP_GetLabel)                     \
    X(305, IP_GetDefault) X(306, IP_GetMinimum) X(307, IP_GetMaximum) X(308, IP_SetValue)            \
    X(309, IP_GetValue) X(310, IP_ShowDialog) X(315, IP_GetFilterDef) X(316, IP_GetFilterMin)        \
    X(317, IP_GetFilterMax) X(318, IP_SetFilter)                                                     \
    X(401, CI_GetFreeID) X(402, CI_MakeCurrent) X(403, CI_Release) X(404, CI_SetLspkPosition3fv)     \
    X(405, CI_SetLspkAngles3fv) X(406, CI_SetSeatPosition3fv) X(407, CI_SetSeatAngles3fv)            \
    X(408, CI_GetDistance) X(409, CI_GetPulse) X(410, CI_GetPulses) X(411, CI_GetCompSPL1m)          \
    X(412, CI_GetCompDirectivity) X(413, CI_GetCompPosition3fv) X(414, CI_GetCompAngles3fv)          \
    X(415, CI_GetCompDistance) X(416, CI_GetCompFR) X(417, CI_GetComponents)                         \
    X(500, CS_GetSymmetry) X(501, CS_GetVertexNumber) X(502, CS_GetVertexArray)                      \
    X(503, CS_GetEdgeNumber) X(504, CS_GetEdgeArray)

// The two data exports: the exchange-file template and its length.
inline constexpr int kTemplateOrdinal = 103;
inline constexpr int kTemplateSizeOrdinal = 104;

struct ExportEntry {
    int ordinal;
    const char* name;
};

#define KSRHOST_COUNT_EXPORT(ordinal, name) +1
inline constexpr size_t kFunctionExportCount = 0 KSRHOST_FUNCTION_EXPORTS(KSRHOST_COUNT_EXPORT);
#undef KSRHOST_COUNT_EXPORT

// Every export the loader resolves, functions and data, in ordinal order.
extern const std::array<ExportEntry, kFunctionExportCount + 2> kExportTable;

// Typed pointers to every export; nullptr where the module lacks it.
struct ModuleExports {
#define KSRHOST_EXPORT_FIELD(ordinal, name) decltype(&::name) name = nullptr;
    KSRHOST_FUNCTION_EXPORTS(KSRHOST_EXPORT_FIELD)
#undef KSRHOST_EXPORT_FIELD
    const char* VELT_TEMPLATE = nullptr;
    const int32_t* VELT_TEMPLATE_SIZE = nullptr;
};

// One loaded module, unloaded when the object goes. Loading fails with a
// HostError naming the path; a module that lacks some exports still loads,
// and each command asks for the exports it calls (require).
class LoadedModule {
public:
    // path empty: ksr.dll by the system's search (the program's own folder
    // first) on Windows, libksr.so beside this program on Linux.
    explicit LoadedModule(const std::string& path = {});
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    const ModuleExports& exports() const { return exports_; }
    const std::string& path() const { return path_; }

    // The exports this module does not have, in ordinal order.
    std::vector<ExportEntry> missingExports() const;

    // Throws a HostError naming the first of these exports the module lacks.
    void require(std::initializer_list<const char*> names) const;

private:
    void* handle_ = nullptr;
    std::string path_;
    ModuleExports exports_;
};

// The default module path: libksr.so beside the running program (Linux),
// "ksr.dll" (Windows).
std::string defaultModulePath();

}  // namespace ksrhost
