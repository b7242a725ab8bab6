#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "module_fixture.h"

namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "ksr-install-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void writeFile(const fs::path& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

using Installation = FreshModule;

TEST_F(Installation, InitLibraryStoresTheDirectoryOfThePath) {
    struct Case {
        const char* path;
        int32_t removed;
        const char* stored;
    };
    const Case cases[] = {
        {"/opt/host/plugins/any.file", 1, "/opt/host/plugins"},
        {"/opt/host/plugins/", 1, "/opt/host/plugins"},
        {"relative.txt", 1, ""},
        {"/", 0, "/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DLLInitLibrary(c.path) != 0, c.removed != 0) << c.path;
        ASSERT_TRUE(ksr::moduleState().installDirectory.has_value());
        EXPECT_EQ(*ksr::moduleState().installDirectory, c.stored) << c.path;
    }
    // An empty or null path keeps what was stored.
    EXPECT_EQ(DLLInitLibrary(""), 0);
    EXPECT_EQ(DLLInitLibrary(nullptr), 0);
    EXPECT_EQ(*ksr::moduleState().installDirectory, "/");
}

TEST_F(Installation, InstallFilesCopiesIntoTheStoredDirectory) {
    TempDir source, target;
    const fs::path file = source.path() / "ksr_help.pdf";
    writeFile(file, "new help");
    writeFile(target.path() / "ksr_help.pdf", "old help");

    // Before DLLInitLibrary nothing is copied.
    EXPECT_EQ(DLLInstallFiles(file.c_str()), 0);
    EXPECT_EQ(readFile(target.path() / "ksr_help.pdf"), "old help");

    ASSERT_NE(DLLInitLibrary((target.path() / "host.exe").c_str()), 0);
    EXPECT_EQ(DLLInstallFiles((source.path() / "missing.pdf").c_str()), 0);
    EXPECT_EQ(DLLInstallFiles(source.path().c_str()), 0);  // a directory
    EXPECT_EQ(DLLInstallFiles(""), 0);
    EXPECT_EQ(DLLInstallFiles(nullptr), 0);
    EXPECT_EQ(readFile(target.path() / "ksr_help.pdf"), "old help");
    EXPECT_FALSE(fs::exists(target.path() / "missing.pdf"));

    EXPECT_EQ(DLLInstallFiles(file.c_str()), 0);
    EXPECT_EQ(readFile(target.path() / "ksr_help.pdf"), "new help");
}

TEST_F(Installation, InstallIntoAMissingDirectoryFailsQuietly) {
    TempDir source;
    const fs::path file = source.path() / "a.pdf";
    writeFile(file, "x");
    ASSERT_NE(DLLInitLibrary((source.path() / "no" / "such" / "dir" / "x").c_str()), 0);
    EXPECT_EQ(DLLInstallFiles(file.c_str()), 0);
    EXPECT_FALSE(fs::exists(source.path() / "no"));
}

TEST_F(Installation, GetFilesIsQuietWhenTheModuleIsNotLoadedByItsName) {
    // Linked into this test program, the core finds no module named libksr.so.
    char out[KSR_FILES_BUFFER_SIZE];
    std::strcpy(out, "unchanged");
    EXPECT_EQ(DLLGetFiles(out), 0);
    EXPECT_STREQ(out, "unchanged");
    EXPECT_EQ(DLLGetFiles(nullptr), -1);
}

TEST(LoadedModule, GetFilesNamesTheHelpDocumentBesideTheModule) {
    void* module = dlopen(KSR_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    using GetFiles = int32_t (*)(char*);
    auto getFiles = reinterpret_cast<GetFiles>(dlsym(module, "DLLGetFiles"));
    ASSERT_NE(getFiles, nullptr);
    const std::string expected = (fs::absolute(KSR_MODULE_PATH).parent_path() / "ksr_help.pdf").string();
    for (int call = 0; call < 2; ++call) {
        char out[KSR_FILES_BUFFER_SIZE] = {};
        EXPECT_EQ(getFiles(out), 0);
        EXPECT_EQ(std::string(out), expected);
    }
    dlclose(module);
}
