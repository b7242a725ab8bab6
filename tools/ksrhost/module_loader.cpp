#include "module_loader.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "host_error.h"
#include "module_image.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#endif

namespace ksrhost {

namespace {

#if defined(_WIN32)

void* openModule(const std::string& path, std::string& error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) error = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(module);
}

void closeModule(void* handle) { FreeLibrary(reinterpret_cast<HMODULE>(handle)); }

// By ordinal: the host's way. The name is for messages only.
void* findExport(void* handle, int ordinal, const char*) {
    FARPROC proc = GetProcAddress(reinterpret_cast<HMODULE>(handle),
                                  reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(ordinal)));
    return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(proc));
}

std::string loadedPath(void* handle, const std::string& requested) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(reinterpret_cast<HMODULE>(handle), path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : requested;
}

#else

void* openModule(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = dlerror();
        error = text != nullptr ? text : "dlopen failed";
    }
    return handle;
}

void closeModule(void* handle) { dlclose(handle); }

// By name: a shared object has no ordinals.
void* findExport(void* handle, int, const char* name) { return dlsym(handle, name); }

std::string loadedPath(void*, const std::string& requested) { return requested; }

#endif

}  // namespace

std::string defaultModulePath() {
#if defined(_WIN32)
    return "ksr.dll";
#else
    char self[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "./libksr.so";
    std::string path(self, static_cast<size_t>(length));
    return path.substr(0, path.find_last_of('/') + 1) + "libksr.so";
#endif
}

LoadedModule::LoadedModule(const std::string& path) {
    const std::string requested = path.empty() ? defaultModulePath() : path;
    if (const std::optional<std::string> problem = moduleFileProblem(requested)) {
        throw HostError("cannot load the module '" + requested + "': the file " + *problem);
    }
    std::string error;
    handle_ = openModule(requested, error);
    if (handle_ == nullptr) throw HostError("cannot load the module '" + requested + "': " + error);
    path_ = loadedPath(handle_, requested);

#define KSRHOST_RESOLVE(ordinal, name) \
    exports_.name = reinterpret_cast<decltype(exports_.name)>(findExport(handle_, ordinal, #name));
    KSR_FUNCTION_EXPORTS(KSRHOST_RESOLVE)
#undef KSRHOST_RESOLVE
#define KSRHOST_RESOLVE_DATA(ordinal, name) \
    exports_.name = static_cast<decltype(exports_.name)>(findExport(handle_, ordinal, #name));
    KSR_DATA_EXPORTS(KSRHOST_RESOLVE_DATA)
#undef KSRHOST_RESOLVE_DATA
}

const void* LoadedModule::resolved(std::string_view name) const {
#define KSRHOST_RESOLVED(ordinal, export_name) \
    if (name == #export_name) return reinterpret_cast<const void*>(exports_.export_name);
    KSR_FUNCTION_EXPORTS(KSRHOST_RESOLVED)
    KSR_DATA_EXPORTS(KSRHOST_RESOLVED)
#undef KSRHOST_RESOLVED
    return nullptr;
}

LoadedModule::~LoadedModule() {
    if (handle_ != nullptr) closeModule(handle_);
}

std::vector<ExportEntry> LoadedModule::missingExports() const {
    std::vector<ExportEntry> missing;
    for (const ExportEntry& entry : kExportTable) {
        if (resolved(entry.name) == nullptr) missing.push_back(entry);
    }
    return missing;
}

void LoadedModule::require(std::initializer_list<const char*> names) const {
    const std::vector<ExportEntry> missing = missingExports();
    for (const char* name : names) {
        const bool known = std::any_of(kExportTable.begin(), kExportTable.end(),
                                       [&](const ExportEntry& entry) { return std::string_view(entry.name) == name; });
        if (!known) throw std::logic_error(std::string("not an export of the module: ") + name);
        for (const ExportEntry& entry : missing) {
            if (std::string_view(entry.name) == name) {
                throw HostError("the module '" + path_ + "' lacks the export " + entry.name + " (ordinal " +
                                std::to_string(entry.ordinal) + ")");
            }
        }
    }
}

}  // namespace ksrhost
