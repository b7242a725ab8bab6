#pragma once
// Seats from a CSV file for predict: one seat a line, "x,y,z" in host
// metres with an optional fourth field naming it ("12.5,-20,1.2,Row K 14").
// Blank lines and lines starting with '#' are skipped; a first line whose
// first field is not a number is a header. A name may be quoted ("Row K, 14").

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "host_session.h"

namespace ksrhost {

struct NamedSeat {
    std::string name;  // empty when the file gives none
    Triple position{};
};

// Seats in one file at most.
inline constexpr size_t kMaxSeatsInFile = 1000000;

// Reads the seats of a file one at a time, so that a file of any size takes
// the memory of one line. source names the file in messages, which give the
// line number.
class SeatsReader {
public:
    SeatsReader(std::istream& in, std::string source) : in_(in), source_(std::move(source)) {}

    // The next seat; false at the end of the file. Throws HostError for a
    // bad line or a file without any seat, FileError when reading fails.
    bool next(NamedSeat& seat);

    size_t count() const { return count_; }

private:
    std::istream& in_;
    std::string source_;
    std::string line_;
    std::vector<std::string> fields_;
    size_t lineNumber_ = 0, count_ = 0;
    bool firstLine_ = true;
};

// Parses a seats file's text. source names it in messages, which give the
// line number. Throws HostError; a file without any seat is an error.
std::vector<NamedSeat> parseSeatsCsv(std::string_view text, const std::string& source);

}  // namespace ksrhost
