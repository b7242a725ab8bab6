#include "module_loader.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "host_error.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#endif

namespace ksrhost {

#define KSRHOST_TABLE_ROW(ordinal, name) ExportEntry{ordinal, #name},
const std::array<ExportEntry, kFunctionExportCount + 2> kExportTable = [] {
    std::array<ExportEntry, kFunctionExportCount + 2> table{{
        KSRHOST_FUNCTION_EXPORTS(KSRHOST_TABLE_ROW)
        ExportEntry{kTemplateOrdinal, "VELT_TEMPLATE"},
        ExportEntry{kTemplateSizeOrdinal, "VELT_TEMPLATE_SIZE"},
    }};
    std::sort(table.begin(), table.end(), [](const ExportEntry& a, const ExportEntry& b) { return a.ordinal < b.ordinal; });
    return table;
}();
#undef KSRHOST_TABLE_ROW

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
    std::string error;
    handle_ = openModule(requested, error);
    if (handle_ == nullptr) throw HostError("cannot load the module '" + requested + "': " + error);
    path_ = loadedPath(handle_, requested);

#define KSRHOST_RESOLVE(ordinal, name) \
    exports_.name = reinterpret_cast<decltype(exports_.name)>(findExport(handle_, ordinal, #name));
    KSRHOST_FUNCTION_EXPORTS(KSRHOST_RESOLVE)
#undef KSRHOST_RESOLVE
    exports_.VELT_TEMPLATE = static_cast<const char*>(findExport(handle_, kTemplateOrdinal, "VELT_TEMPLATE"));
    exports_.VELT_TEMPLATE_SIZE =
        static_cast<const int32_t*>(findExport(handle_, kTemplateSizeOrdinal, "VELT_TEMPLATE_SIZE"));
}

LoadedModule::~LoadedModule() {
    if (handle_ != nullptr) closeModule(handle_);
}

std::vector<ExportEntry> LoadedModule::missingExports() const {
    std::vector<ExportEntry> missing;
#define KSRHOST_CHECK(ordinal, name) \
    if (exports_.name == nullptr) missing.push_back({ordinal, #name});
    KSRHOST_FUNCTION_EXPORTS(KSRHOST_CHECK)
#undef KSRHOST_CHECK
    if (exports_.VELT_TEMPLATE == nullptr) missing.push_back({kTemplateOrdinal, "VELT_TEMPLATE"});
    if (exports_.VELT_TEMPLATE_SIZE == nullptr) missing.push_back({kTemplateSizeOrdinal, "VELT_TEMPLATE_SIZE"});
    std::sort(missing.begin(), missing.end(), [](const ExportEntry& a, const ExportEntry& b) { return a.ordinal < b.ordinal; });
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
