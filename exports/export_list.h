#pragma once
// Every export of the module with its fixed ordinal, in ordinal order: the one
// list that the host tool's loader and the tests are built from. ksr.def binds
// the same names to the same ordinals for the linker; a test reads ksr.def and
// compares it with this list row for row.
//
//   KSR_FUNCTION_EXPORTS(X): X(ordinal, name) for every function of ksr.h
//   KSR_DATA_EXPORTS(X):     X(ordinal, name) for the two data exports

#include <array>
#include <cstddef>
#include <type_traits>

#include "exports/ksr.h"

// clang-format off
#define KSR_FUNCTION_EXPORTS(X)                                                                          \
    X(100, DLLVersion) X(101, DLLClass) X(102, DLLLock)                                                  \
    X(110, DLLGetCaps) X(111, DLLGetComponents) X(120, DLLGetName) X(121, DLLGetManufacturer)            \
    X(130, DLLGetSymmetry) X(132, DLLGetValidBands) X(133, DLLGetDirectivity) X(134, DLLGetSensitivity)  \
    X(135, DLLGetMaxPower) X(136, DLLGetImpedance) X(140, DLLGetFlag) X(141, DLLSetFlag)                 \
    X(142, DLLGetDataResolution) X(143, DLLGetFiles) X(144, DLLInstallFiles) X(145, DLLInitLibrary)      \
    X(201, RP_GetNumber) X(202, RP_GetID) X(203, RP_GetType) X(204, RP_GetLabel)                         \
    X(205, RP_GetDefault) X(206, RP_GetMinimum) X(207, RP_GetMaximum) X(208, RP_SetValue)                \
    X(301, IP_GetNumber) X(302, IP_GetID) X(303, IP_GetType) X(304, IP_GetLabel)                         \
    X(305, IP_GetDefault) X(306, IP_GetMinimum) X(307, IP_GetMaximum) X(308, IP_SetValue)                \
    X(309, IP_GetValue) X(310, IP_ShowDialog) X(315, IP_GetFilterDef) X(316, IP_GetFilterMin)            \
    X(317, IP_GetFilterMax) X(318, IP_SetFilter)                                                         \
    X(401, CI_GetFreeID) X(402, CI_MakeCurrent) X(403, CI_Release) X(404, CI_SetLspkPosition3fv)         \
    X(405, CI_SetLspkAngles3fv) X(406, CI_SetSeatPosition3fv) X(407, CI_SetSeatAngles3fv)                \
    X(408, CI_GetDistance) X(409, CI_GetPulse) X(410, CI_GetPulses) X(411, CI_GetCompSPL1m)              \
    X(412, CI_GetCompDirectivity) X(413, CI_GetCompPosition3fv) X(414, CI_GetCompAngles3fv)              \
    X(415, CI_GetCompDistance) X(416, CI_GetCompFR) X(417, CI_GetComponents)                             \
    X(500, CS_GetSymmetry) X(501, CS_GetVertexNumber) X(502, CS_GetVertexArray)                          \
    X(503, CS_GetEdgeNumber) X(504, CS_GetEdgeArray)

#define KSR_DATA_EXPORTS(X) X(103, VELT_TEMPLATE) X(104, VELT_TEMPLATE_SIZE)
// clang-format on

namespace ksr {

// Each export's ordinal by its name: ordinals::kCI_GetCompFR is 416.
namespace ordinals {
#define KSR_ORDINAL_CONSTANT(ordinal, name) inline constexpr int k##name = ordinal;
KSR_FUNCTION_EXPORTS(KSR_ORDINAL_CONSTANT)
KSR_DATA_EXPORTS(KSR_ORDINAL_CONSTANT)
#undef KSR_ORDINAL_CONSTANT
}  // namespace ordinals

struct ExportEntry {
    int ordinal;
    const char* name;
    bool data;  // a data export (no function to call)
};

#define KSR_EXPORT_COUNT_ONE(ordinal, name) +1
inline constexpr std::size_t kExportCount =
    0 KSR_FUNCTION_EXPORTS(KSR_EXPORT_COUNT_ONE) KSR_DATA_EXPORTS(KSR_EXPORT_COUNT_ONE);
#undef KSR_EXPORT_COUNT_ONE

// Every export, functions and data, in ordinal order.
inline constexpr std::array<ExportEntry, kExportCount> kExportList = [] {
    std::array<ExportEntry, kExportCount> list{{
#define KSR_FUNCTION_ROW(ordinal, name) ExportEntry{ordinal, #name, false},
#define KSR_DATA_ROW(ordinal, name) ExportEntry{ordinal, #name, true},
        KSR_FUNCTION_EXPORTS(KSR_FUNCTION_ROW) KSR_DATA_EXPORTS(KSR_DATA_ROW)
#undef KSR_FUNCTION_ROW
#undef KSR_DATA_ROW
    }};
    // Insertion sort: the data exports go in among the functions.
    for (std::size_t i = 1; i < list.size(); ++i) {
        for (std::size_t j = i; j > 0 && list[j - 1].ordinal > list[j].ordinal; --j) {
            const ExportEntry moved = list[j];
            list[j] = list[j - 1];
            list[j - 1] = moved;
        }
    }
    return list;
}();

// Ordinals are unique, and every entry of the function list names a function
// that ksr.h declares (a name it lacks, or one that is not a function, fails
// here).
static_assert([] {
    for (std::size_t i = 1; i < kExportList.size(); ++i) {
        if (kExportList[i - 1].ordinal >= kExportList[i].ordinal) return false;
    }
    return true;
}());
#define KSR_DECLARED_FUNCTION(ordinal, name) static_assert(std::is_function_v<decltype(::name)>, #name);
KSR_FUNCTION_EXPORTS(KSR_DECLARED_FUNCTION)
#undef KSR_DECLARED_FUNCTION

}  // namespace ksr
