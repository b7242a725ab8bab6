// Replacing a file so that a failure leaves the old one as it was. Runs
// natively and, for the Windows replacement, under Wine.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "exchange/file_access.h"
#include "exchange/temporary_files.h"
#include "refusing_sink.h"
#include "scratch_folder.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
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

// Every refused target keeps its contents and kind, no temporary file stays,
// and the reason names what the target is.
void expectRefused(const ScratchFolder& folder, const std::string& path, const std::string& reasonPart,
                   const std::set<std::string>& entries) {
    EXPECT_NE(ksr::replacementRefusal(path).find(reasonPart), std::string::npos)
        << path << ": " << ksr::replacementRefusal(path);
    std::string reason;
    EXPECT_EQ(ksr::replaceFile(path, writing("new"), &reason), -1) << path;
    EXPECT_NE(reason.find(reasonPart), std::string::npos) << path << ": " << reason;
    EXPECT_EQ(folder.entries(), entries) << path;
}

TEST(ReplaceFile, RefusesAFolderAndNamesTheReason) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.path() / "folder");
    expectRefused(folder, folder.file("folder"), "is a folder", {"folder"});
    std::string reason;
    EXPECT_EQ(ksr::replaceFile(folder.file("missing/a.velt"), writing("x"), &reason), -1);
    EXPECT_NE(reason.find("does not exist"), std::string::npos) << reason;
    EXPECT_TRUE(ksr::replacementRefusal(folder.file("new.velt")).empty());
}

TEST(FileReplacement, LeavesTheTargetUntilCommittedAndRemovesItsTemporary) {
    ScratchFolder folder;
    const std::string path = folder.file("map.png");
    writeBytes(path, "old picture");
    {
        ksr::FileReplacement replacement(path, ".png");
        ASSERT_TRUE(replacement.ok()) << replacement.reason();
        EXPECT_EQ(replacement.temporaryPath().substr(replacement.temporaryPath().size() - 4), ".png");
        EXPECT_TRUE(replacement.append("new picture"));
        EXPECT_TRUE(replacement.closeTemporary());
        EXPECT_EQ(readBytes(replacement.temporaryPath()), "new picture");
        EXPECT_EQ(readBytes(path), "old picture");
        EXPECT_EQ(folder.entries().size(), 2u);
    }
    EXPECT_EQ(readBytes(path), "old picture");
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"map.png"}));

    ksr::FileReplacement replacement(path);
    ASSERT_TRUE(replacement.append("committed"));
    ASSERT_TRUE(replacement.commit()) << replacement.reason();
    EXPECT_EQ(readBytes(path), "committed");
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"map.png"}));
}

TEST(FileReplacement, AnInterruptedProgramLeavesNoTemporary) {
    ScratchFolder folder;
    writeBytes(folder.path() / "a.csv", "previous a");
    ksr::FileReplacement first(folder.file("a.csv"));
    ksr::FileReplacement second(folder.file("b.csv"));
    ASSERT_TRUE(first.append("half of a") && second.append("half of b"));
    ASSERT_TRUE(first.closeTemporary() && second.closeTemporary());
    EXPECT_EQ(folder.entries().size(), 3u);
    ksr::removeTemporaryFiles();
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"a.csv"}));
    EXPECT_EQ(readBytes(folder.path() / "a.csv"), "previous a");
}

TEST(WindowsDeviceName, ReservedWhateverTheCaseOrExtension) {
    const struct {
        const char* name;
        bool device;
    } cases[] = {
        {"NUL", true},        {"nul", true},      {"NUL.velt", true}, {"con.txt", true},  {"Prn", true},
        {"AUX.tar.gz", true}, {"COM1", true},     {"com9.log", true}, {"LPT1", true},     {"lpt9.velt", true},
        {"NUL .velt", true},  {"nul.", true},     {"CONOUT$", true},  {"COM0", false},    {"COM10", false},
        {"LPT", false},       {"null", false},    {"CONSOLE", false}, {"nul_map.csv", false}, {"a.nul", false},
        {"", false},          {"auxiliary", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ksr::isWindowsDeviceName(c.name), c.device) << c.name;
}

#if defined(_WIN32)
TEST(ReplaceFile, RefusesWindowsDevicesAndReadOnlyFiles) {
    ScratchFolder folder;
    for (const char* name : {"NUL", "con.velt", "aux", "COM1", "lpt9.log", "PRN.txt"}) {
        expectRefused(folder, folder.file(name), "Windows device", {});
    }
    expectRefused(folder, "\\\\.\\NUL", "device path", {});
    const std::string readOnly = folder.file("kept.velt");
    writeBytes(readOnly, "the user's own");
    ASSERT_NE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY), 0);
    expectRefused(folder, readOnly, "read-only", {"kept.velt"});
    EXPECT_EQ(readBytes(readOnly), "the user's own");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}
#else
TEST(ReplaceFile, RefusesFifosSocketsAndFilesItsModeForbids) {
    ScratchFolder folder;
    const std::string fifo = folder.file("pipe.velt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    expectRefused(folder, fifo, "FIFO", {"pipe.velt"});

    const std::string socketPath = folder.file("socket.velt");
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    expectRefused(folder, socketPath, "socket", {"pipe.velt", "socket.velt"});
    close(listener);

    // Read-only to everyone, in a folder anyone may write: the superuser too
    // is refused, as the bits say.
    const std::string readOnly = folder.file("kept.velt");
    writeBytes(readOnly, "the user's own");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    expectRefused(folder, readOnly, "read-only", {"pipe.velt", "socket.velt", "kept.velt"});
    EXPECT_EQ(readBytes(readOnly), "the user's own");
    std::filesystem::create_symlink(readOnly, folder.path() / "link.velt");
    expectRefused(folder, folder.file("link.velt"), "read-only", {"pipe.velt", "socket.velt", "kept.velt", "link.velt"});
    ASSERT_EQ(chmod(readOnly.c_str(), 0644), 0);
    EXPECT_TRUE(ksr::replacementRefusal(readOnly).empty());
}
#endif

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
