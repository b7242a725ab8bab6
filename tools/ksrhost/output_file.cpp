#include "output_file.h"

#include <array>
#include <filesystem>
#include <ostream>

#include "host_error.h"

namespace ksrhost {

namespace {

// Hands the stream's bytes to the replacement in pieces of a fixed size.
class ReplacementBuffer final : public std::streambuf {
public:
    explicit ReplacementBuffer(ksr::FileReplacement& replacement) : replacement_(replacement) {
        setp(bytes_.data(), bytes_.data() + bytes_.size());
    }

protected:
    int_type overflow(int_type ch) override {
        if (!drain()) return traits_type::eof();
        if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
        return ch;
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain() {
        const std::string_view pending(pbase(), static_cast<size_t>(pptr() - pbase()));
        setp(bytes_.data(), bytes_.data() + bytes_.size());
        return pending.empty() || replacement_.append(pending);
    }

    ksr::FileReplacement& replacement_;
    std::array<char, 16384> bytes_{};
};

}  // namespace

void requireFileName(const std::string& path, const std::string& option) {
    if (path.empty()) throw HostError(option + ": expected a file name, got ''");
    const char last = path.back();
    if (last == '/' || last == '\\') throw HostError(option + ": expected a file name, got the folder '" + path + "'");
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        throw FileError("cannot write '" + path + "' (" + option + "): it is a folder, not a file");
    }
}

void requireFolderOf(const std::string& path, const std::string& option) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        throw FileError("cannot write '" + path + "' (" + option + "): the folder '" + folder.string() +
                        "' does not exist (No such file or directory)");
    }
}

void requireDistinctFiles(const std::string& first, const std::string& firstOption, const std::string& second,
                          const std::string& secondOption) {
    if (first.empty() || second.empty() || first == "-" || second == "-") return;
    std::error_code error;
    const std::filesystem::path a = std::filesystem::weakly_canonical(first, error);
    const std::filesystem::path b = error ? std::filesystem::path() : std::filesystem::weakly_canonical(second, error);
    if (first == second || (!error && a == b)) {
        throw HostError(firstOption + " and " + secondOption + " name the same file '" + second +
                        "'; give each its own file");
    }
}

OutputFile::OutputFile(const std::string& path, const std::string& option, std::ostream& standard,
                       const std::string& suffix)
    : path_(path), option_(option), standard_(standard) {
    if (path == "-") return;
    requireFileName(path, option);
    replacement_ = std::make_unique<ksr::FileReplacement>(path, suffix);
    if (!replacement_->ok()) fail();
    buffer_ = std::make_unique<ReplacementBuffer>(*replacement_);
    file_ = std::make_unique<std::ostream>(buffer_.get());
}

OutputFile::~OutputFile() = default;

std::ostream& OutputFile::stream() { return file_ ? *file_ : standard_; }

void OutputFile::fail() const {
    std::string reason = replacement_->ok() ? std::string("a write failed") : replacement_->reason();
    const std::string written = "cannot be written: ";
    reason = reason.rfind(written, 0) == 0 ? reason.substr(written.size()) : "it " + reason;
    throw FileError("cannot write '" + path_ + "' (" + option_ + "): " + reason);
}

const std::string& OutputFile::temporaryPath() {
    finish();
    return replacement_->temporaryPath();
}

void OutputFile::finish() {
    if (!replacement_) {
        if (!standard_.flush()) throw FileError("cannot write the standard output (" + option_ + ")");
        return;
    }
    if (!file_->flush() || !replacement_->closeTemporary()) fail();
}

void OutputFile::commit() {
    finish();
    if (replacement_ && !replacement_->commit()) fail();
}

}  // namespace ksrhost
