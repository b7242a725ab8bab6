// Replacing a file so that a failure leaves the old one as it was. Runs
// natively and, for the Windows replacement, under Wine.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "exchange/file_access.h"
#include "refusing_sink.h"
#include "scratch_folder.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

using exchange_test::readBytes;
using exchange_test::ScratchFolder;
using exchange_test::writeBytes;

// Bytes large enough that part of them reaches the disk before the end.
std::string manyBytes() {
    std::string bytes;
    for (int i = 0; bytes.size() < 300000; ++i) bytes += " 1, " + std::to_string(i) + "\r\n";
    return bytes;
}

// A fill that hands the bytes over in two pieces.
auto writing(const std::string& bytes) {
    return [bytes](ksr::ByteSink& out) {
        const size_t split = std::min<size_t>(10, bytes.size());
        return out.append(bytes.substr(0, split)) && out.append(bytes.substr(split));
    };
}

TEST(ReplaceFile, WritesANewFileAndReplacesAnOldOne) {
    ScratchFolder folder;
    const std::string path = folder.file("a.velt");
    ASSERT_EQ(ksr::replaceFile(path, writing(manyBytes())), 0);
    EXPECT_EQ(readBytes(path), manyBytes());
    ASSERT_EQ(ksr::replaceFile(path, writing("short\r\n")), 0);
    EXPECT_EQ(readBytes(path), "short\r\n");
    ASSERT_EQ(ksr::replaceFile(path, writing("")), 0);
    EXPECT_EQ(readBytes(path), "");
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"a.velt"}));
}

TEST(ReplaceFile, AFailureMidwayLeavesTheOldFileAndNoTemporary) {
    ScratchFolder folder;
    const std::string path = folder.file("project.velt");
    writeBytes(path, "the user's project\r\n");
    const std::string bytes = manyBytes();
    for (size_t taken : {size_t{0}, size_t{5000}, size_t{200000}, bytes.size() - 1}) {
        const int32_t result = ksr::replaceFile(path, [&](ksr::ByteSink& out) {
            exchange_test::RefusingSink failing(out, taken);
            return failing.append(bytes);
        });
        EXPECT_EQ(result, -1) << taken;
        EXPECT_EQ(readBytes(path), "the user's project\r\n") << taken;
        EXPECT_EQ(folder.entries(), (std::set<std::string>{"project.velt"})) << taken;
    }
}

TEST(ReplaceFile, FailsWhereTheFileCannotBe) {
    ScratchFolder folder;
    EXPECT_EQ(ksr::replaceFile(folder.file("missing/a.velt"), writing("x")), -1);
    EXPECT_TRUE(folder.entries().empty());

    std::filesystem::create_directory(folder.path() / "folder");
    writeBytes(folder.path() / "folder" / "inside", "kept");
    EXPECT_EQ(ksr::replaceFile(folder.file("folder"), writing("x")), -1);
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "folder"));
    EXPECT_EQ(readBytes(folder.path() / "folder" / "inside"), "kept");
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"folder"}));
}

TEST(ReplaceFile, ABareNameIsInTheWorkingFolder) {
    ScratchFolder folder;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const int32_t result = ksr::replaceFile("bare.velt", writing("bare\r\n"));
    std::filesystem::current_path(previous);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readBytes(folder.path() / "bare.velt"), "bare\r\n");
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"bare.velt"}));
}

TEST(PathExists, ForFilesAndFoldersOnly) {
    ScratchFolder folder;
    writeBytes(folder.path() / "file", "x");
    EXPECT_TRUE(ksr::pathExists(folder.file("file")));
    EXPECT_TRUE(ksr::pathExists(folder.path().string()));
    EXPECT_FALSE(ksr::pathExists(folder.file("missing")));
}

#if !defined(_WIN32)
TEST(ReplaceFile, KeepsThePermissionBitsOfTheOldFile) {
    ScratchFolder folder;
    const std::string path = folder.file("shared.velt");
    writeBytes(path, "old");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(ksr::replaceFile(path, writing("new")), 0);
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST(ReplaceFile, WritesThroughASymbolicLink) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.path() / "real");
    writeBytes(folder.path() / "real" / "project.velt", "old");
    std::filesystem::create_symlink(folder.path() / "real" / "project.velt", folder.path() / "link.velt");
    ASSERT_EQ(ksr::replaceFile(folder.file("link.velt"), writing("new")), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "link.velt"));
    EXPECT_EQ(readBytes(folder.path() / "real" / "project.velt"), "new");
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"real", "link.velt"}));
}
#endif

}  // namespace
