#pragma once
// A module file checked before the system loader sees it: the loader maps a
// file's segments as its headers describe them, and a truncated file makes it
// fault outside any handler. Only the file's own bytes are read.

#include <optional>
#include <string>
#include <string_view>

namespace ksrhost {

// The kind of module this build loads.
enum class ImageFormat {
    elf64,  // a 64-bit ELF shared object (Linux x86-64 and ARM64)
    elf32,  // a 32-bit ELF shared object
    pe32,   // a 32-bit Windows DLL (PE32, i386)
    pe64,   // a 64-bit Windows DLL (PE32+, x86-64)
};

// The format of the running program.
ImageFormat nativeImageFormat();

// What is wrong with bytes as a module of the given format, a phrase ("is not
// a shared object (no ELF header)", "is truncated: ..."); nullopt when its
// headers, segments and sections all lie inside the bytes.
std::optional<std::string> imageProblem(std::string_view bytes, ImageFormat format);

// The same for the file at path, read whole; nullopt also for a bare name the
// system searches for (no such file in the working folder).
std::optional<std::string> moduleFileProblem(const std::string& path);

}  // namespace ksrhost
