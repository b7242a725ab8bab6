#pragma once
// The module as a host loads it. On Linux, libksr.so through dlopen with
// every export resolved by its name (a shared object has no ordinals); on
// Windows, ksr.dll through LoadLibrary with every export resolved by its
// ordinal. Every call goes through a pointer typed from the public header's
// own declaration, so the calling convention (stdcall on Windows) and the
// argument types cannot drift from the contract.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exports/export_list.h"
#include "exports/ksr.h"

namespace ksrhost {

using ksr::ExportEntry;

// Every export the loader resolves, functions and data, in ordinal order.
inline constexpr const auto& kExportTable = ksr::kExportList;

// Typed pointers to every export; nullptr where the module lacks it.
struct ModuleExports {
#define KSRHOST_EXPORT_FIELD(ordinal, name) decltype(&::name) name = nullptr;
    KSR_FUNCTION_EXPORTS(KSRHOST_EXPORT_FIELD)
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
    // The address resolved for the export of that name; nullptr when missing.
    const void* resolved(std::string_view name) const;

    void* handle_ = nullptr;
    std::string path_;
    ModuleExports exports_;
};

// The default module path: libksr.so beside the running program (Linux),
// "ksr.dll" (Windows).
std::string defaultModulePath();

}  // namespace ksrhost
