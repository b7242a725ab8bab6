#include "exchange/file_access.h"

#include <atomic>
#include <cctype>
#include <memory>

#include "exchange/temporary_files.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#endif

namespace ksr {
namespace {

// Bytes gathered before one write to the temporary file.
constexpr size_t kWriteBufferSize = size_t{64} << 10;

std::atomic<unsigned> temporarySerial{0};

#if defined(_WIN32)

using FileHandle = HANDLE;
const FileHandle kNoFile = INVALID_HANDLE_VALUE;
constexpr const char* kSeparators = "\\/";

FileHandle handleOf(std::intptr_t stored) { return reinterpret_cast<FileHandle>(stored); }
std::intptr_t stored(FileHandle file) { return reinterpret_cast<std::intptr_t>(file); }

// The system's sentence for the last error, without its full stop.
std::string lastErrorText() {
    const DWORD code = GetLastError();
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == '.' ||
                                message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "Windows error " + std::to_string(code) : message;
}

bool missingFolderError() {
    const DWORD code = GetLastError();
    return code == ERROR_PATH_NOT_FOUND || code == ERROR_FILE_NOT_FOUND;
}

bool createTemporary(const std::string& path, FileHandle& file) {
    file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != kNoFile;
}

bool nameTaken() { return GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS; }

std::string processNumber() { return std::to_string(GetCurrentProcessId()); }

bool writeAll(FileHandle file, const char* bytes, size_t size) {
    while (size > 0) {
        const DWORD chunk = size > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) return false;
        bytes += written;
        size -= written;
    }
    return true;
}

bool syncFile(FileHandle file) { return FlushFileBuffers(file) != 0; }
bool closeFile(FileHandle file) { return CloseHandle(file) != 0; }
void removeFile(const std::string& path) { DeleteFileA(path.c_str()); }

bool moveFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// File attributes stay with the old file; a read-only one is refused before.
bool copyPermissions(const std::string&, FileHandle) { return true; }

std::string resolvedTarget(const std::string& target) { return target; }

// A path into the device namespace ("\\.\COM1", "\\?\GLOBALROOT\...").
bool devicePath(const std::string& path) {
    return path.size() >= 4 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/') &&
           (path[2] == '.' || path[2] == '?') && (path[3] == '\\' || path[3] == '/');
}

std::string fileNameOf(const std::string& path) {
    const size_t separator = path.find_last_of(":\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string refusalOf(const std::string& target) {
    if (devicePath(target)) return "is a device path, not a file";
    if (isWindowsDeviceName(fileNameOf(target))) return "is the name of a Windows device, not a file";
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "is a folder, not a file";
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return "is a device, not a file";
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return "is read-only";
    return {};
}

#else

using FileHandle = int;
constexpr FileHandle kNoFile = -1;
constexpr const char* kSeparators = "/";

FileHandle handleOf(std::intptr_t stored) { return static_cast<FileHandle>(stored); }
std::intptr_t stored(FileHandle file) { return file; }

std::string lastErrorText() { return std::strerror(errno); }
bool missingFolderError() { return errno == ENOENT || errno == ENOTDIR; }

// Created with the mode a new file gets from the process's umask.
bool createTemporary(const std::string& path, FileHandle& file) {
    file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return file != kNoFile;
}

bool nameTaken() { return errno == EEXIST; }

std::string processNumber() { return std::to_string(getpid()); }

bool writeAll(FileHandle file, const char* bytes, size_t size) {
    while (size > 0) {
        const ssize_t written = write(file, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written == 0) errno = ENOSPC;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool syncFile(FileHandle file) { return fsync(file) == 0; }
bool closeFile(FileHandle file) { return close(file) == 0; }
void removeFile(const std::string& path) { unlink(path.c_str()); }
bool moveFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

// The new file keeps the permission bits of the one it replaces.
bool copyPermissions(const std::string& target, FileHandle file) {
    struct stat old {};
    if (stat(target.c_str(), &old) != 0) return true;
    return fchmod(file, old.st_mode & 07777) == 0;
}

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

// The file a symbolic link names, so that the link itself stays a link.
std::string resolvedTarget(const std::string& target) {
    const std::unique_ptr<char, FreeDeleter> resolved(realpath(target.c_str(), nullptr));
    return resolved ? std::string(resolved.get()) : target;
}

bool inGroup(gid_t group) {
    if (getegid() == group) return true;
    gid_t groups[256];
    const int count = getgroups(256, groups);
    for (int i = 0; i < count; ++i) {
        if (groups[i] == group) return true;
    }
    return false;
}

std::string refusalOf(const std::string& target) {
    struct stat status {};
    if (stat(target.c_str(), &status) != 0) {
        if (errno == ENOENT) return {};
        return std::string("cannot be reached: ") + std::strerror(errno);
    }
    if (S_ISDIR(status.st_mode)) return "is a folder, not a file";
    if (S_ISCHR(status.st_mode)) return "is a character device, not a file";
    if (S_ISBLK(status.st_mode)) return "is a block device, not a file";
    if (S_ISFIFO(status.st_mode)) return "is a FIFO (named pipe), not a file";
    if (S_ISSOCK(status.st_mode)) return "is a socket, not a file";
    if (!S_ISREG(status.st_mode)) return "is not a regular file";
    // The system lets the superuser write any file; its bits still say
    // whether the user meant it to be written.
    const uid_t user = geteuid();
    const mode_t bit = user == 0                    ? (S_IWUSR | S_IWGRP | S_IWOTH)
                       : user == status.st_uid      ? S_IWUSR
                       : inGroup(status.st_gid)     ? S_IWGRP
                                                    : S_IWOTH;
    if ((status.st_mode & bit) == 0) return "is read-only (Permission denied)";
    return {};
}

#endif

// The folder holding path; "." for a bare name. A separator that stands for
// a root ("/", "C:\") is kept.
std::string folderOf(const std::string& path) {
    const size_t separator = path.find_last_of(kSeparators);
    if (separator == std::string::npos) return ".";
    if (separator == 0 || path[separator - 1] == ':') return path.substr(0, separator + 1);
    return path.substr(0, separator);
}

std::string joined(const std::string& folder, const std::string& name) {
    const char last = folder.back();
    return (last == '/' || last == '\\') ? folder + name : folder + "/" + name;
}

}  // namespace

bool pathExists(const std::string& path) {
#if defined(_WIN32)
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
#endif
}

bool isWindowsDeviceName(std::string_view fileName) {
    std::string name;
    for (const char ch : fileName) {
        if (ch == '.') break;
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
    if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" || name == "CONOUT$") {
        return true;
    }
    return name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) && name[3] >= '1' &&
           name[3] <= '9';
}

std::string replacementRefusal(const std::string& target) {
    try {
        return refusalOf(resolvedTarget(target));
    } catch (...) {
        return "cannot be checked (out of memory)";
    }
}

FileReplacement::FileReplacement(const std::string& target, const std::string& suffix) : file_(stored(kNoFile)) {
    target_ = resolvedTarget(target);
    if (const std::string refusal = refusalOf(target_); !refusal.empty()) {
        fail(refusal);
        return;
    }
    const std::string folder = folderOf(target_);
    FileHandle file = kNoFile;
    for (int attempt = 0; attempt < 100 && file == kNoFile; ++attempt) {
        const std::string path =
            joined(folder, ".ksr-" + processNumber() + "-" + std::to_string(temporarySerial++) + suffix);
        const SignalsHeld held;
        if (createTemporary(path, file)) {
            temporaryPath_ = path;
            watchTemporaryFile(path.c_str());
        } else if (!nameTaken()) {
            if (missingFolderError()) {
                fail("cannot be written: the folder '" + folder + "' does not exist (" + lastErrorText() + ")");
            } else {
                fail("cannot be written: " + lastErrorText());
            }
            return;
        }
    }
    if (file == kNoFile) {
        fail("cannot be written: no free name for a temporary file in '" + folder + "'");
        return;
    }
    file_ = stored(file);
    if (!copyPermissions(target_, file)) fail("cannot be written: " + lastErrorText());
}

FileReplacement::~FileReplacement() {
    if (handleOf(file_) != kNoFile) closeFile(handleOf(file_));
    if (!temporaryPath_.empty() && !committed_) {
        const SignalsHeld held;
        removeFile(temporaryPath_);
        forgetTemporaryFile(temporaryPath_.c_str());
    }
}

bool FileReplacement::fail(const std::string& problem) {
    if (problem_.empty()) problem_ = problem;
    return false;
}

bool FileReplacement::flushBuffer() {
    const bool written = writeAll(handleOf(file_), buffer_.data(), buffer_.size());
    buffer_.clear();
    return written || fail("cannot be written: " + lastErrorText());
}

bool FileReplacement::append(std::string_view bytes) {
    if (!ok() || handleOf(file_) == kNoFile) return fail("cannot be written: the file is closed");
    if (buffer_.size() + bytes.size() > kWriteBufferSize && !flushBuffer()) return false;
    if (bytes.size() > kWriteBufferSize) {
        return writeAll(handleOf(file_), bytes.data(), bytes.size()) || fail("cannot be written: " + lastErrorText());
    }
    buffer_.append(bytes);
    return true;
}

bool FileReplacement::closeTemporary() {
    if (handleOf(file_) == kNoFile) return ok();
    const bool written = ok() && flushBuffer() && (syncFile(handleOf(file_)) || fail("cannot be written: " + lastErrorText()));
    const bool closed = closeFile(handleOf(file_)) || fail("cannot be written: " + lastErrorText());
    file_ = stored(kNoFile);
    return written && closed;
}

bool FileReplacement::commit() {
    if (!closeTemporary()) return false;
    if (const std::string refusal = refusalOf(target_); !refusal.empty()) return fail(refusal);
    const SignalsHeld held;
    if (!moveFile(temporaryPath_, target_)) return fail("cannot be written: " + lastErrorText());
    committed_ = true;
    forgetTemporaryFile(temporaryPath_.c_str());
    return true;
}

int32_t replaceFile(const std::string& target, const std::function<bool(ByteSink&)>& fill, std::string* reason) {
    try {
        FileReplacement replacement(target);
        const bool written = replacement.ok() && fill(replacement) && replacement.commit();
        if (!written && reason != nullptr) {
            *reason = replacement.ok() ? std::string("cannot be written") : replacement.reason();
        }
        return written ? 0 : -1;
    } catch (...) {
        // Out of memory while the bytes were made: the temporary file is gone
        // with the object that owned it.
        if (reason != nullptr) reason->clear();
        return -1;
    }
}

}  // namespace ksr
