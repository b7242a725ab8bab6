#include "exchange/module_files.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#include <shlwapi.h>
#else
#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#endif

namespace ksr {

#if defined(_WIN32)

const char* const kModuleFileName = "ksr.dll";

std::optional<std::string> loadedModulePath() {
    HMODULE module = GetModuleHandleA(kModuleFileName);
    if (module == nullptr) return std::nullopt;
    char buffer[kPathBufferSize + 1] = {};
    const DWORD length = GetModuleFileNameA(module, buffer, kPathBufferSize);
    return std::string(buffer, length);
}

bool removeLastComponent(std::string& path) {
    std::string buffer = path;
    buffer.push_back('\0');
    const BOOL removed = PathRemoveFileSpecA(buffer.data());
    path.assign(buffer.c_str());
    return removed != FALSE;
}

bool fileExists(const std::string& path) { return PathFileExistsA(path.c_str()) != FALSE; }

bool isDirectory(const std::string& path) { return PathIsDirectoryA(path.c_str()) != FALSE; }

std::string fileNamePart(const std::string& path) { return PathFindFileNameA(path.c_str()); }

std::optional<std::string> joinPath(const std::string& directory, const std::string& name) {
    char buffer[kPathBufferSize] = {};
    if (PathCombineA(buffer, directory.c_str(), name.c_str()) == nullptr) return std::nullopt;
    return std::string(buffer);
}

bool copyFileOver(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

#else

namespace fs = std::filesystem;

const char* const kModuleFileName = "libksr.so";

std::optional<std::string> loadedModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&loadedModulePath), &info) == 0 || info.dli_fname == nullptr) {
        return std::nullopt;
    }
    std::string path = info.dli_fname;
    if (fs::path(path).filename() != kModuleFileName) return std::nullopt;  // linked into a program
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (!error) path = absolute.string();
    if (path.size() > kPathBufferSize) path.resize(kPathBufferSize);
    return path;
}

bool removeLastComponent(std::string& path) {
    const std::string parent = fs::path(path).parent_path().string();
    const bool removed = parent != path;
    path = parent;
    return removed;
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

bool isDirectory(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

std::string fileNamePart(const std::string& path) { return fs::path(path).filename().string(); }

std::optional<std::string> joinPath(const std::string& directory, const std::string& name) {
    std::string joined = (fs::path(directory) / name).string();
    if (joined.size() >= kPathBufferSize) return std::nullopt;
    return joined;
}

bool copyFileOver(const std::string& from, const std::string& to) {
    std::error_code error;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
}

#endif

std::optional<std::string> helpDocumentPath() {
    const std::optional<std::string> modulePath = loadedModulePath();
    if (!modulePath) return std::nullopt;
    const std::size_t nameLength = std::strlen(kModuleFileName);
    if (modulePath->size() <= nameLength) return std::string();
    const std::size_t directoryLength = modulePath->size() - nameLength;
    if (directoryLength + std::strlen(kHelpFileName) + 1 >= kPathBufferSize) return std::string();
    return modulePath->substr(0, directoryLength) + kHelpFileName;
}

}  // namespace ksr
