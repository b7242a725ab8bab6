// libksr.so loaded as ksrhost loads it. The export list it resolves is
// checked against ksr.def and ksr.h in tests/exports/export_list_test.cpp.

#include "module_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "host_error.h"
#include "module_image.h"

namespace ksrhost {
namespace {

TEST(LoadedModule, ResolvesTheExportsOfLibksr) {
    const LoadedModule module(KSR_MODULE_PATH);
    EXPECT_EQ(module.path(), KSR_MODULE_PATH);
    ASSERT_NE(module.exports().DLLVersion, nullptr);
    EXPECT_EQ(module.exports().DLLVersion(), 1000030);
    const char* name = nullptr;
    EXPECT_EQ(module.exports().DLLGetName(&name), 0);
    EXPECT_STREQ(name, "KSR Array");
    module.require({"DLLVersion", "DLLGetName"});
    EXPECT_THROW(module.require({"DLLNoSuchExport"}), std::logic_error);
    EXPECT_TRUE(module.missingExports().empty());
}

std::string moduleBytes() {
    std::ifstream in(KSR_MODULE_PATH, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The system loader faults on such files; they are refused before it sees
// them, with a message naming the file and what is wrong.
TEST(LoadedModule, ATruncatedOrForeignFileIsRefusedBeforeLoading) {
    const std::string whole = moduleBytes();
    ASSERT_GT(whole.size(), 100000u);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "ksrhost-module-image-test";
    std::filesystem::create_directories(folder);
    const struct {
        const char* name;
        std::string bytes;
        const char* problem;
    } cases[] = {
        {"first_100k.so", whole.substr(0, 100000), "is truncated or damaged"},
        {"headers_only.so", whole.substr(0, 40), "is truncated or damaged: its headers"},
        {"text.so", "not a module at all\n", "is not a shared object (no ELF header)"},
        {"empty.so", "", "is not a shared object (no ELF header)"},
    };
    for (const auto& c : cases) {
        const std::string path = (folder / c.name).string();
        std::ofstream(path, std::ios::binary) << c.bytes;
        try {
            const LoadedModule module(path);
            ADD_FAILURE() << c.name << " loaded";
        } catch (const HostError& e) {
            const std::string message = e.what();
            EXPECT_EQ(e.exitStatus(), kExitBadInput);
            EXPECT_NE(message.find("cannot load the module '" + path + "': the file " + c.problem), std::string::npos)
                << message;
        }
    }
    std::filesystem::remove_all(folder);
    EXPECT_EQ(moduleFileProblem(KSR_MODULE_PATH), std::nullopt);
}

TEST(ModuleImage, EveryCutOfTheModuleIsNamedTruncated) {
    const std::string whole = moduleBytes();
    EXPECT_EQ(imageProblem(whole, nativeImageFormat()), std::nullopt);
    for (size_t size : {size_t{0}, size_t{63}, size_t{64}, size_t{4096}, whole.size() / 2, whole.size() - 1}) {
        EXPECT_NE(imageProblem(whole.substr(0, size), nativeImageFormat()), std::nullopt) << size;
    }
    const std::optional<std::string> asDll = imageProblem(whole, ImageFormat::pe32);
    ASSERT_TRUE(asDll.has_value());
    EXPECT_EQ(*asDll, "is not a Windows DLL (no MZ header)");
}

TEST(ModuleImage, AWindowsDllIsCheckedByItsSectionTable) {
    // A minimal PE32 DLL: MZ, PE header at 64, i386, one section of 16 bytes
    // at 512.
    std::string dll(528, '\0');
    auto put = [&](size_t at, uint32_t value, int size) {
        for (int i = 0; i < size; ++i) dll[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xff);
    };
    dll[0] = 'M';
    dll[1] = 'Z';
    put(0x3c, 64, 4);
    dll.replace(64, 4, std::string("PE\0\0", 4));
    put(68, 0x14c, 2);   // i386
    put(70, 1, 2);       // one section
    put(84, 224, 2);     // optional header size
    put(86, 0x2102, 2);  // a 32-bit DLL
    put(88, 0x10b, 2);   // PE32
    const size_t section = 88 + 224;
    put(section + 16, 16, 4);
    put(section + 20, 512, 4);
    EXPECT_EQ(imageProblem(dll, ImageFormat::pe32), std::nullopt);
    EXPECT_NE(imageProblem(dll.substr(0, 520), ImageFormat::pe32).value_or("").find("truncated"), std::string::npos);
    EXPECT_NE(imageProblem(dll, ImageFormat::pe64).value_or("").find("another processor"), std::string::npos);
    put(86, 0x0102, 2);
    EXPECT_EQ(imageProblem(dll, ImageFormat::pe32), "is a program, not a DLL");
}

TEST(LoadedModule, ALibraryWithoutTheExportsLoadsAndNamesWhatItLacks) {
    const LoadedModule other("libm.so.6");
    const std::vector<ExportEntry> missing = other.missingExports();
    ASSERT_EQ(missing.size(), kExportTable.size());
    for (size_t i = 0; i < missing.size(); ++i) EXPECT_EQ(missing[i].ordinal, kExportTable[i].ordinal);
    try {
        other.require({"CI_GetCompFR"});
        FAIL() << "required export found";
    } catch (const HostError& e) {
        EXPECT_NE(std::string(e.what()).find("lacks the export CI_GetCompFR (ordinal 416)"), std::string::npos)
            << e.what();
    }
}

TEST(LoadedModule, AModuleThatCannotBeLoadedIsNamed) {
    try {
        LoadedModule module("/nonexistent/libksr.so");
        FAIL() << "loaded";
    } catch (const HostError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot load the module '/nonexistent/libksr.so'"), std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace ksrhost
