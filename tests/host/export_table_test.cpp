// The DLL's export and import tables, read from the loaded image: every
// export of exports/export_list.h at its ordinal and by its name, nothing else.

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>

#include "host_module.h"

namespace {

const IMAGE_NT_HEADERS32* ntHeaders(HMODULE module) {
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
}

template <class T>
const T* atRva(HMODULE module, DWORD rva) {
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + rva);
}

// ordinal -> name of every named export.
std::map<int, std::string> namedExports(HMODULE module) {
    const IMAGE_DATA_DIRECTORY& dir = ntHeaders(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto exports = atRva<IMAGE_EXPORT_DIRECTORY>(module, dir.VirtualAddress);
    auto names = atRva<DWORD>(module, exports->AddressOfNames);
    auto ordinals = atRva<WORD>(module, exports->AddressOfNameOrdinals);
    std::map<int, std::string> result;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        result[static_cast<int>(exports->Base + ordinals[i])] = atRva<char>(module, names[i]);
    }
    return result;
}

// Every ordinal with an address.
std::set<int> exportedOrdinals(HMODULE module) {
    const IMAGE_DATA_DIRECTORY& dir = ntHeaders(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto exports = atRva<IMAGE_EXPORT_DIRECTORY>(module, dir.VirtualAddress);
    auto functions = atRva<DWORD>(module, exports->AddressOfFunctions);
    std::set<int> result;
    for (DWORD i = 0; i < exports->NumberOfFunctions; ++i) {
        if (functions[i] != 0) result.insert(static_cast<int>(exports->Base + i));
    }
    return result;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

}  // namespace

TEST(ExportTable, ModuleLoads) { ASSERT_NE(hostModule().handle(), nullptr) << "LoadLibrary(ksr.dll) failed"; }

TEST(ExportTable, IsAPe32I386Dll) {
    const IMAGE_NT_HEADERS32* nt = ntHeaders(hostModule().handle());
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_NE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL, 0);
}

TEST(ExportTable, EveryExportAtItsOrdinalAndByItsUndecoratedName) {
    HMODULE module = hostModule().handle();
    for (const ksr::ExportEntry& e : ksr::kExportList) {
        FARPROC byOrdinal = GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(e.ordinal)));
        FARPROC byName = GetProcAddress(module, e.name);
        EXPECT_NE(byOrdinal, nullptr) << e.name;
        EXPECT_EQ(byOrdinal, byName) << e.name << " @" << e.ordinal;
    }
}

TEST(ExportTable, NothingExtraAndNothingDecorated) {
    HMODULE module = hostModule().handle();
    std::map<int, std::string> expected;
    for (const ksr::ExportEntry& e : ksr::kExportList) expected[e.ordinal] = e.name;
    EXPECT_EQ(namedExports(module), expected);
    std::set<int> ordinals;
    for (const auto& [ordinal, name] : expected) ordinals.insert(ordinal);
    EXPECT_EQ(exportedOrdinals(module), ordinals);
    for (const auto& [ordinal, name] : namedExports(module)) {
        EXPECT_EQ(name.find('@'), std::string::npos) << name;
        EXPECT_NE(name[0], '_') << name;
    }
}

TEST(ExportTable, ImportsOnlyWindowsSystemDlls) {
    const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",  "comctl32.dll",
                                          "comdlg32.dll", "shell32.dll",  "shlwapi.dll", "advapi32.dll",
                                          "msvcrt.dll",   "ole32.dll",    "oleaut32.dll"};
    HMODULE module = hostModule().handle();
    const IMAGE_DATA_DIRECTORY& dir = ntHeaders(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    int count = 0;
    for (auto imports = atRva<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress); imports->Name != 0; ++imports) {
        const std::string name = lower(atRva<char>(module, imports->Name));
        EXPECT_TRUE(system.count(name)) << "imports " << name;
        ++count;
    }
    EXPECT_GT(count, 0);
}

TEST(ExportTable, VersionResource) {
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(hostModule().handle(), path, MAX_PATH), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000003u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000003u);
    auto text = [&](const char* key) {
        char* value = nullptr;
        UINT valueLength = 0;
        const std::string query = std::string("\\StringFileInfo\\040904E4\\") + key;
        if (!VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &valueLength)) return std::string();
        return std::string(value);
    };
    EXPECT_EQ(text("FileDescription"), "KSR Array Library");
    EXPECT_EQ(text("ProductName"), "KSR Array Library");
    EXPECT_EQ(text("OriginalFilename"), "ksr.dll");
    EXPECT_EQ(text("FileVersion"), "1.0.0.3");
}
