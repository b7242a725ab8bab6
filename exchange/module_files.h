#pragma once
// The module's own file and its companion files, with the platform's path
// functions: the real kernel and shell functions on Windows, std::filesystem
// on Linux giving the same results for the same inputs.

#include <cstddef>
#include <optional>
#include <string>

namespace ksr {

// The module's file name: "ksr.dll" (libksr.so on Linux).
extern const char* const kModuleFileName;
// The help document, installed beside the module.
inline constexpr const char* kHelpFileName = "ksr_help.pdf";
// Path buffers, as the host and the shell functions size them.
inline constexpr std::size_t kPathBufferSize = 1024;

// Full path of the loaded module named kModuleFileName; nullopt when no module
// of that name is loaded.
std::optional<std::string> loadedModulePath();

// The help document's path beside the module: the module's directory (with
// its trailing separator) and kHelpFileName. nullopt when the module is not
// found; the empty string when the directory is empty or the path would not
// fit a kPathBufferSize buffer.
std::optional<std::string> helpDocumentPath();

// Removes the last component (and the separator before it); a bare root stays.
// True when something was removed.
bool removeLastComponent(std::string& path);

bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);

// The file-name part of path.
std::string fileNamePart(const std::string& path);

// directory joined with name; nullopt when the join fails (too long).
std::optional<std::string> joinPath(const std::string& directory, const std::string& name);

// Copies from to to, overwriting. The result is the platform's.
bool copyFileOver(const std::string& from, const std::string& to);

}  // namespace ksr
