#pragma once
// A file a command writes. It is checked and reserved before the work starts,
// so that a bad path fails at once with a message naming the option, the file
// and the reason; the bytes go to a temporary file beside it, which replaces
// the file only when commit() is called after everything succeeded. A failed
// or interrupted run leaves the previous file byte for byte as it was.

#include <iosfwd>
#include <memory>
#include <streambuf>
#include <string>

#include "exchange/file_access.h"

namespace ksrhost {

class OutputFile {
public:
    // Reserves path for writing; "-" is the standard stream given. suffix ends
    // the temporary file's name (".png" for a picture another program draws).
    // Throws HostError for an empty name, FileError (naming the reason) for a
    // folder, device, FIFO, socket, read-only file or a missing folder.
    OutputFile(const std::string& path, const std::string& option, std::ostream& standard,
               const std::string& suffix = ".tmp");
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::ostream& stream();
    const std::string& path() const { return path_; }

    // The temporary file, closed, for a program that writes the bytes itself.
    const std::string& temporaryPath();

    // Writes out what is buffered and closes the temporary file; throws
    // FileError when the bytes did not reach it. The target is still
    // untouched.
    void finish();
    // finish(), then moves the new file over the target; throws FileError.
    void commit();

private:
    [[noreturn]] void fail() const;

    std::string path_, option_;
    std::ostream& standard_;
    std::unique_ptr<ksr::FileReplacement> replacement_;
    std::unique_ptr<std::streambuf> buffer_;
    std::unique_ptr<std::ostream> file_;
};

// Refuses a name for an output file (or a prefix of names) that is empty
// (HostError) or names a folder (FileError), naming the option.
void requireFileName(const std::string& path, const std::string& option);

// Fails with FileError, naming the file and the option, unless path's folder
// exists: for files another program writes.
void requireFolderOf(const std::string& path, const std::string& option);

// Refuses (HostError) two options that name the same file, which would
// overwrite each other.
void requireDistinctFiles(const std::string& first, const std::string& firstOption, const std::string& second,
                          const std::string& secondOption);

}  // namespace ksrhost
