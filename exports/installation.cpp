// Installing the module's companion file, the help document.

#include <cstring>

#include "exchange/module_files.h"
#include "exports/boundary.h"
#include "exports/ksr.h"

using namespace ksr;

namespace {
constexpr int32_t kCompanionFileCount = 1;
}

KSR_API int32_t KSR_CALL DLLInitLibrary(const char* path) {
    if (path == nullptr || path[0] == '\0') return 0;
    return guarded<int32_t>(0, [&] {
        std::string directory = path;
        const bool removed = removeLastComponent(directory);
        moduleState().installDirectory = std::move(directory);
        return removed ? 1 : 0;
    });
}

KSR_API int32_t KSR_CALL DLLGetFiles(char* out) {
    if (out == nullptr) return kInvalid;
    return guarded<int32_t>(kOk, [&] {
        ModuleState& state = moduleState();
        if (state.fileEnumerator == 0) {
            if (const std::optional<std::string> help = helpDocumentPath()) {
                std::memcpy(out, help->c_str(), help->size() + 1);
            }
        }
        state.fileEnumerator = (state.fileEnumerator + 1) % kCompanionFileCount;
        return kOk;
    });
}

KSR_API int32_t KSR_CALL DLLInstallFiles(const char* path) {
    if (path == nullptr || path[0] == '\0') return kOk;
    return guarded<int32_t>(kOk, [&] {
        const std::optional<std::string>& directory = moduleState().installDirectory;
        const std::string source = path;
        if (!directory || !fileExists(source) || isDirectory(source)) return kOk;
        if (const std::optional<std::string> target = joinPath(*directory, fileNamePart(source))) {
            copyFileOver(source, *target);
        }
        return kOk;
    });
}
