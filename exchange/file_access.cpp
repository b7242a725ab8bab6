#include "exchange/file_access.h"

#include <memory>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#endif

namespace ksr {
namespace {

// Bytes gathered before one write to the temporary file.
constexpr size_t kWriteBufferSize = size_t{64} << 10;

#if defined(_WIN32)

using FileHandle = HANDLE;
const FileHandle kNoFile = INVALID_HANDLE_VALUE;
constexpr const char* kSeparators = "\\/";

bool createTemporary(const std::string& folder, std::string& path, FileHandle& file) {
    char name[MAX_PATH] = {};
    if (GetTempFileNameA(folder.c_str(), "ksr", 0, name) == 0) return false;
    file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == kNoFile) {
        DeleteFileA(name);
        return false;
    }
    path = name;
    return true;
}

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

// File attributes stay with the old file; a read-only target refuses the move.
bool copyPermissions(const std::string&, FileHandle) { return true; }

std::string resolvedTarget(const std::string& target) { return target; }

#else

using FileHandle = int;
constexpr FileHandle kNoFile = -1;
constexpr const char* kSeparators = "/";

// A name no other file in the folder has, created with the mode a new file
// gets from the process's umask.
bool createTemporary(const std::string& folder, std::string& path, FileHandle& file) {
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = folder + "/.ksr-" + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".tmp";
        file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file != kNoFile) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

bool writeAll(FileHandle file, const char* bytes, size_t size) {
    while (size > 0) {
        const ssize_t written = write(file, bytes, size);
        if (written < 0 && errno == EINTR) continue;
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

#endif

// The folder holding path; "." for a bare name. A separator that stands for
// a root ("/", "C:\") is kept.
std::string folderOf(const std::string& path) {
    const size_t separator = path.find_last_of(kSeparators);
    if (separator == std::string::npos) return ".";
    if (separator == 0 || path[separator - 1] == ':') return path.substr(0, separator + 1);
    return path.substr(0, separator);
}

// The new contents on their way to disk. Removed on destruction unless moved
// over the target.
class TemporaryFile final : public ByteSink {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() override {
        if (file_ != kNoFile) closeFile(file_);
        if (!path_.empty() && !moved_) removeFile(path_);
    }

    bool create(const std::string& folder) {
        std::string path;
        FileHandle file = kNoFile;
        if (!createTemporary(folder, path, file)) return false;
        path_ = path;
        file_ = file;
        return true;
    }

    bool copyPermissionsOf(const std::string& target) { return copyPermissions(target, file_); }

    bool append(std::string_view bytes) override {
        if (buffer_.size() + bytes.size() > kWriteBufferSize && !flushBuffer()) return false;
        if (bytes.size() > kWriteBufferSize) return writeAll(file_, bytes.data(), bytes.size());
        buffer_.append(bytes);
        return true;
    }

    // Writes what is buffered, flushes the file to disk and closes it.
    bool finish() {
        const bool written = flushBuffer() && syncFile(file_);
        const bool closed = closeFile(file_);
        file_ = kNoFile;
        return written && closed;
    }

    bool moveOver(const std::string& target) {
        moved_ = moveFile(path_, target);
        return moved_;
    }

private:
    bool flushBuffer() {
        const bool written = writeAll(file_, buffer_.data(), buffer_.size());
        buffer_.clear();
        return written;
    }

    std::string path_;
    FileHandle file_ = kNoFile;
    std::string buffer_;
    bool moved_ = false;
};

}  // namespace

bool pathExists(const std::string& path) {
#if defined(_WIN32)
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
#endif
}

int32_t replaceFile(const std::string& target, const std::function<bool(ByteSink&)>& fill) {
    try {
        const std::string destination = resolvedTarget(target);
        TemporaryFile temporary;
        if (!temporary.create(folderOf(destination)) || !temporary.copyPermissionsOf(destination)) return -1;
        if (!fill(temporary) || !temporary.finish() || !temporary.moveOver(destination)) return -1;
        return 0;
    } catch (...) {
        // Out of memory while the bytes were made: the temporary file is gone
        // with the object that owned it.
        return -1;
    }
}

}  // namespace ksr
