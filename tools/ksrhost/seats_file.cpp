#include "seats_file.h"

#include <sstream>

#include "host_error.h"
#include "text_values.h"

namespace ksrhost {

namespace {

// The fields of one line, split at commas outside double quotes; quotes
// are removed and "" inside them stands for one quote.
bool splitFields(std::string_view line, std::vector<std::string>& fields) {
    fields.assign(1, std::string());
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (ch == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (ch == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += ch;
        }
    }
    return !quoted;
}

std::string trim(std::string text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool isNumber(const std::string& text) {
    try {
        parseNumber(text, "");
        return true;
    } catch (const HostError&) {
        return false;
    }
}

}  // namespace

bool SeatsReader::next(NamedSeat& seat) {
    while (std::getline(in_, line_)) {
        ++lineNumber_;
        std::string_view line = line_;
        // A byte-order mark some editors write.
        if (lineNumber_ == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string content = trim(std::string(line));
        if (content.empty() || content.front() == '#') continue;
        const std::string where = source_ + ": line " + std::to_string(lineNumber_);
        if (!splitFields(content, fields_)) throw HostError(where + ": a quote is not closed");
        for (std::string& f : fields_) f = trim(f);
        const bool header = firstLine_ && !isNumber(fields_[0]);
        firstLine_ = false;
        if (header) continue;
        if (fields_.size() < 3 || fields_.size() > 4) {
            throw HostError(where + ": expected x,y,z or x,y,z,name, got '" + content + "'");
        }
        if (count_ == kMaxSeatsInFile) throw HostError(source_ + ": more than 1000000 seats");
        seat.position = parsePoint(fields_[0] + "," + fields_[1] + "," + fields_[2], where);
        seat.name = fields_.size() == 4 ? fields_[3] : std::string();
        ++count_;
        return true;
    }
    if (in_.bad()) throw FileError("cannot read " + source_ + ": a read failed at line " + std::to_string(lineNumber_ + 1));
    if (count_ == 0) throw HostError(source_ + ": no seats (expected lines x,y,z or x,y,z,name)");
    return false;
}

std::vector<NamedSeat> parseSeatsCsv(std::string_view text, const std::string& source) {
    std::istringstream in{std::string(text)};
    SeatsReader reader(in, source);
    std::vector<NamedSeat> seats;
    NamedSeat seat;
    while (reader.next(seat)) seats.push_back(seat);
    return seats;
}

}  // namespace ksrhost
