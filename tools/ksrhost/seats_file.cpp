#include "seats_file.h"

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

std::vector<NamedSeat> parseSeatsCsv(std::string_view text, const std::string& source) {
    std::vector<NamedSeat> seats;
    std::vector<std::string> fields;
    size_t lineNumber = 0;
    bool firstLine = true;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark some editors write
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string where = source + ": line " + std::to_string(lineNumber);
        const std::string content = trim(std::string(line));
        if (content.empty() || content.front() == '#') continue;
        if (!splitFields(content, fields)) throw HostError(where + ": a quote is not closed");
        for (std::string& f : fields) f = trim(f);
        const bool header = firstLine && !isNumber(fields[0]);
        firstLine = false;
        if (header) continue;
        if (fields.size() < 3 || fields.size() > 4) {
            throw HostError(where + ": expected x,y,z or x,y,z,name, got '" + content + "'");
        }
        if (seats.size() == kMaxSeatsInFile) throw HostError(source + ": more than 1000000 seats");
        NamedSeat seat;
        seat.position = parsePoint(fields[0] + "," + fields[1] + "," + fields[2], where);
        if (fields.size() == 4) seat.name = fields[3];
        seats.push_back(std::move(seat));
    }
    if (seats.empty()) throw HostError(source + ": no seats (expected lines x,y,z or x,y,z,name)");
    return seats;
}

}  // namespace ksrhost
