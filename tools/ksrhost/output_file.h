#pragma once
// A file a command writes, opened before the work starts so that a bad path
// fails at once, with a message naming the option and the file.

#include <fstream>
#include <iosfwd>
#include <string>

namespace ksrhost {

class OutputFile {
public:
    // Opens path for writing; "-" is the standard stream given. Throws
    // HostError for an empty name or a folder, FileError when the file
    // cannot be created (its folder missing or not writable).
    OutputFile(const std::string& path, const std::string& option, std::ostream& standard);

    std::ostream& stream() { return file_.is_open() ? file_ : standard_; }
    const std::string& path() const { return path_; }

    // Flushes; throws FileError when the data did not reach the file.
    void finish();

private:
    std::string path_, option_;
    std::ofstream file_;
    std::ostream& standard_;
};

// Refuses a name for an output file (or a prefix of names) that is empty or
// names a folder: HostError naming the option.
void requireFileName(const std::string& path, const std::string& option);

// Fails with FileError, naming the file and the option, unless path's folder
// exists: for files another program writes.
void requireFolderOf(const std::string& path, const std::string& option);

}  // namespace ksrhost
