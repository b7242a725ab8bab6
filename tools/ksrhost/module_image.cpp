#include "module_image.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace ksrhost {

namespace {

// Larger files are no module of ours; reading them whole would be slow.
constexpr std::uintmax_t kMaxModuleSize = std::uintmax_t{512} << 20;

// Little-endian fields at an offset; 0 past the end (callers check sizes).
std::uint64_t field(std::string_view bytes, std::uint64_t offset, int size) {
    if (offset > bytes.size() || bytes.size() - offset < static_cast<std::uint64_t>(size)) return 0;
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<size_t>(offset) + static_cast<size_t>(i)]);
    }
    return value;
}

// Whether [offset, offset + size) lies inside bytes, without overflow.
bool inside(std::string_view bytes, std::uint64_t offset, std::uint64_t size) {
    return offset <= bytes.size() && size <= bytes.size() - offset;
}

std::string truncated(std::uint64_t reach, size_t size, const char* what) {
    return "is truncated or damaged: its " + std::string(what) + " reach byte " + std::to_string(reach) +
           ", the file has " + std::to_string(size);
}

std::optional<std::string> elfProblem(std::string_view bytes, bool wide) {
    if (bytes.size() < 16 || bytes.substr(0, 4) != std::string_view("\x7f" "ELF", 4)) {
        return "is not a shared object (no ELF header)";
    }
    if (bytes[4] != (wide ? 2 : 1)) return wide ? "is a 32-bit ELF file, not a 64-bit one" : "is a 64-bit ELF file, not a 32-bit one";
    if (bytes[5] != 1) return "is a big-endian ELF file";
    const std::uint64_t header = wide ? 64 : 52;
    if (bytes.size() < header) return truncated(header, bytes.size(), "headers");
    if (field(bytes, 16, 2) != 3) return "is not a shared object (ELF type " + std::to_string(field(bytes, 16, 2)) + ")";
    const std::uint64_t phoff = wide ? field(bytes, 32, 8) : field(bytes, 28, 4);
    const std::uint64_t shoff = wide ? field(bytes, 40, 8) : field(bytes, 32, 4);
    const std::uint64_t phentsize = field(bytes, wide ? 54 : 42, 2), phnum = field(bytes, wide ? 56 : 44, 2);
    const std::uint64_t shentsize = field(bytes, wide ? 58 : 46, 2), shnum = field(bytes, wide ? 60 : 48, 2);
    if (phnum == 0 || phentsize < (wide ? 56u : 32u)) return "is not a shared object (no program headers)";
    if (!inside(bytes, phoff, phentsize * phnum)) return truncated(phoff + phentsize * phnum, bytes.size(), "program headers");
    if (shoff != 0 && !inside(bytes, shoff, shentsize * shnum)) {
        return truncated(shoff + shentsize * shnum, bytes.size(), "section headers");
    }
    for (std::uint64_t i = 0; i < phnum; ++i) {
        const std::uint64_t entry = phoff + i * phentsize;
        if (field(bytes, entry, 4) != 1) continue;  // PT_LOAD
        const std::uint64_t offset = wide ? field(bytes, entry + 8, 8) : field(bytes, entry + 4, 4);
        const std::uint64_t size = wide ? field(bytes, entry + 32, 8) : field(bytes, entry + 16, 4);
        if (!inside(bytes, offset, size)) return truncated(offset + size, bytes.size(), "loadable segments");
    }
    return std::nullopt;
}

std::optional<std::string> peProblem(std::string_view bytes, bool wide) {
    if (bytes.size() < 64 || bytes.substr(0, 2) != "MZ") return "is not a Windows DLL (no MZ header)";
    const std::uint64_t pe = field(bytes, 0x3c, 4);
    if (!inside(bytes, pe, 24) || bytes.substr(static_cast<size_t>(pe), 4) != std::string_view("PE\0\0", 4)) {
        return "is not a Windows DLL (no PE header)";
    }
    const std::uint64_t machine = field(bytes, pe + 4, 2);
    if (machine != (wide ? 0x8664u : 0x14cu)) {
        return std::string("is a DLL for another processor (machine ") + std::to_string(machine) + ")";
    }
    if ((field(bytes, pe + 22, 2) & 0x2000) == 0) return "is a program, not a DLL";
    const std::uint64_t sections = field(bytes, pe + 6, 2), optional = field(bytes, pe + 20, 2);
    const std::uint64_t table = pe + 24 + optional;
    if (!inside(bytes, pe + 24, optional) || field(bytes, pe + 24, 2) != (wide ? 0x20bu : 0x10bu)) {
        return "is not a Windows DLL of this kind (its optional header)";
    }
    if (!inside(bytes, table, sections * 40)) return truncated(table + sections * 40, bytes.size(), "section table");
    for (std::uint64_t i = 0; i < sections; ++i) {
        const std::uint64_t size = field(bytes, table + i * 40 + 16, 4), offset = field(bytes, table + i * 40 + 20, 4);
        if (size != 0 && !inside(bytes, offset, size)) return truncated(offset + size, bytes.size(), "sections");
    }
    return std::nullopt;
}

}  // namespace

ImageFormat nativeImageFormat() {
#if defined(_WIN32)
    return sizeof(void*) == 8 ? ImageFormat::pe64 : ImageFormat::pe32;
#else
    return sizeof(void*) == 8 ? ImageFormat::elf64 : ImageFormat::elf32;
#endif
}

std::optional<std::string> imageProblem(std::string_view bytes, ImageFormat format) {
    switch (format) {
    case ImageFormat::elf64:
        return elfProblem(bytes, true);
    case ImageFormat::elf32:
        return elfProblem(bytes, false);
    case ImageFormat::pe32:
        return peProblem(bytes, false);
    case ImageFormat::pe64:
        return peProblem(bytes, true);
    }
    return std::nullopt;
}

std::optional<std::string> moduleFileProblem(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) return std::nullopt;  // the loader searches, or says it is missing
    if (std::filesystem::is_directory(status)) return "is a folder, not a module";
    if (!std::filesystem::is_regular_file(status)) return "is not a regular file";
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxModuleSize) return "is too large for a module";
    std::ifstream file(path, std::ios::binary);
    if (!file) return "cannot be read";
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return "cannot be read";
    return imageProblem(bytes, nativeImageFormat());
}

}  // namespace ksrhost
