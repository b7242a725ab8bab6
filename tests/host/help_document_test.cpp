// The help document as a host finds it: the build renders ksr_help.pdf beside
// ksr.dll, DLLGetFiles names it there and DLLInstallFiles copies it into the
// host's directory unchanged.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "host_module.h"

namespace {

using namespace ksr::ordinals;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string moduleDirectory() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(hostModule().handle(), path, MAX_PATH);
    const std::string full(path, length);
    return full.substr(0, full.find_last_of('\\') + 1);
}

std::string namedHelpDocument() {
    char files[KSR_FILES_BUFFER_SIZE] = {};
    EXPECT_EQ(hostModule().call<int32_t>(kDLLGetFiles, files), 0);
    return files;
}

TEST(HelpDocument, ShipsBesideTheModuleAsAPdf) {
    ASSERT_NE(hostModule().handle(), nullptr);
    const std::string path = namedHelpDocument();
    EXPECT_EQ(path, moduleDirectory() + "ksr_help.pdf");

    const std::string pdf = readFile(path);
    ASSERT_GT(pdf.size(), 10000u) << path;
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_NE(pdf.find("%%EOF", pdf.size() - 32), std::string::npos) << "truncated document";
}

TEST(HelpDocument, InstallCopiesItByteForByte) {
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string target = std::string(temp) + "ksr-help-install-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    const std::string installed = target + "\\ksr_help.pdf";

    EXPECT_NE(hostModule().call<int32_t>(kDLLInitLibrary, (target + "\\ksr.dll").c_str()), 0);
    const std::string source = namedHelpDocument();
    EXPECT_EQ(hostModule().call<int32_t>(kDLLInstallFiles, source.c_str()), 0);

    const std::string original = readFile(source);
    ASSERT_FALSE(original.empty());
    EXPECT_EQ(readFile(installed), original);

    DeleteFileA(installed.c_str());
    RemoveDirectoryA(target.c_str());
}

}  // namespace
