#include "output_file.h"

#include <filesystem>

#include "host_error.h"

namespace ksrhost {

void requireFileName(const std::string& path, const std::string& option) {
    if (path.empty()) throw HostError(option + ": expected a file name, got ''");
    std::error_code error;
    const char last = path.back();
    if (last == '/' || last == '\\' || std::filesystem::is_directory(path, error)) {
        throw HostError(option + ": expected a file name, got the folder '" + path + "'");
    }
}

void requireFolderOf(const std::string& path, const std::string& option) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        throw FileError("cannot write '" + path + "' (" + option + "): the folder '" + folder.string() +
                        "' does not exist");
    }
}

OutputFile::OutputFile(const std::string& path, const std::string& option, std::ostream& standard)
    : path_(path), option_(option), standard_(standard) {
    if (path == "-") return;
    requireFileName(path, option);
    requireFolderOf(path, option);
    file_.open(path, std::ios::binary);
    if (!file_) throw FileError("cannot write '" + path + "' (" + option + ")");
}

void OutputFile::finish() {
    if (!stream().flush()) throw FileError("cannot write '" + path_ + "' (" + option_ + ")");
}

}  // namespace ksrhost
