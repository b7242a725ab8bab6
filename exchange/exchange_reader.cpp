#include "exchange/exchange_reader.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include "data/exchange_template.h"
#include "model/catalogue.h"

namespace ksr {
namespace {


constexpr bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// One line of the text, as offsets. Any run of CR and LF is one line end, so
// blank lines vanish; line ends at the very start of the text belong to the
// first line as leading white space.
struct Line {
    size_t start = 0;  // first byte
    size_t end = 0;    // first byte of the line end, or the end of the text
    size_t next = 0;   // first byte after the line end: where the next line starts
};

Line lineAt(std::string_view text, size_t start) {
    Line line{start, start, start};
    if (start == 0) {
        while (line.end < text.size() && isLineEnd(text[line.end])) ++line.end;
    }
    while (line.end < text.size() && !isLineEnd(text[line.end])) ++line.end;
    line.next = line.end;
    while (line.next < text.size() && isLineEnd(text[line.next])) ++line.next;
    return line;
}


// White space as the standard formatted-input conversions skip it.
constexpr bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view skipSpace(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    return s;
}

// The decimal integer at the start of s: leading white space skipped, an
// optional sign, the longest run of digits; whatever follows is ignored.
// Saturates into int32. nullopt when no digit can be taken.
std::optional<int32_t> readInteger(std::string_view s) {
    s = skipSpace(s);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || !isDigit(s.front())) return std::nullopt;
    constexpr int64_t kBeyondInt32 = int64_t{1} << 31;
    int64_t magnitude = 0;
    for (; !s.empty() && isDigit(s.front()); s.remove_prefix(1)) {
        magnitude = std::min(magnitude * 10 + (s.front() - '0'), kBeyondInt32);
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// The decimal number at the start of s, read like the integer above: white
// space, an optional '+' or '-', the longest valid prefix ("11", "-4", ".5",
// "1e3"). Independent of the process locale. "nan", "inf" and values beyond
// the float range are unreadable, so no NaN or infinity reaches a design.
std::optional<float> readNumber(std::string_view s) {
    s = skipSpace(s);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && s.front() == '-') return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (error != std::errc{} || !std::isfinite(value) || std::fabs(value) > FLT_MAX) return std::nullopt;
    return static_cast<float>(value);
}

// The text after the line's last comma.
std::string_view afterLastComma(std::string_view line) {
    const size_t comma = line.rfind(',');
    return comma == std::string_view::npos ? std::string_view{} : line.substr(comma + 1);
}

// The text between the line's first and second double quote, when there are
// two and they enclose at least one character.
std::optional<std::string_view> quotedName(std::string_view line) {
    const size_t open = line.find('"');
    if (open == std::string_view::npos) return std::nullopt;
    const size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos || close == open + 1) return std::nullopt;
    return line.substr(open + 1, close - open - 1);
}


enum class LineKind { none, row, beginOrScalar, end };

// A record line holds a comma and starts, after white space, with an integer
// kind: above 0 a row, below 0 an array begin or a scalar, 0 an array end.
// Begin, scalar and end records need something after their comma. A row
// whose comma ends the line is still a row (with an unreadable value), so
// the rows after it stay on their own boxes.
LineKind classify(std::string_view line) {
    const size_t comma = line.find(',');
    if (comma == std::string_view::npos) return LineKind::none;
    const std::optional<int32_t> kind = readInteger(line);
    if (!kind) return LineKind::none;
    if (*kind > 0) return LineKind::row;
    if (comma + 1 == line.size()) return LineKind::none;
    return *kind < 0 ? LineKind::beginOrScalar : LineKind::end;
}

// What the parser is inside of.
enum class Section { idle, count, type, level, angle, rig };

// Searched as substrings anywhere in a begin or scalar line, in this order;
// the first found names the record.
constexpr std::array<std::pair<std::string_view, Section>, 5> kRecordKeys{{
    {kBoxCountKey, Section::count},
    {kTypeArrayKey, Section::type},
    {kLevelArrayKey, Section::level},
    {kAngleArrayKey, Section::angle},
    {kRigTypeKey, Section::rig},
}};

std::optional<Section> sectionForKey(std::string_view line) {
    for (const auto& [key, section] : kRecordKeys) {
        if (line.find(key) != std::string_view::npos) return section;
    }
    return std::nullopt;
}


struct ParseState {
    Section section = Section::idle;
    size_t rowIndex = 0;  // the row the next row line of the open array fills
};

void closeArray(ExchangeDocument& document, ParseState& state, size_t lineStart) {
    TextPosition* end = nullptr;
    if (state.section == Section::type) end = &document.typeEndRecord;
    if (state.section == Section::level) end = &document.levelEndRecord;
    if (state.section == Section::angle) end = &document.angleEndRecord;
    if (end != nullptr && !end->has_value()) *end = lineStart;
    state = ParseState{};
}

void takeCount(ExchangeDocument& document, std::string_view content, const Line& line) {
    if (document.rowCount != 0) return;
    document.countValuePos = line.start + content.rfind(',') + 1;
    document.afterCountLine = line.next;
    const std::optional<int32_t> count = readInteger(afterLastComma(content));
    if (count && *count >= 0 && *count <= kMaxExchangeRows) {
        document.rowCount = *count;
        document.rows.assign(static_cast<size_t>(*count), ExchangeRow{});
    }
}

void takeRigType(ExchangeDocument& document, std::string_view content, const Line& line) {
    document.rigValuePos = line.start + content.rfind(',') + 1;
    document.afterRigLine = line.next;
    if (const std::optional<int32_t> rig = readInteger(afterLastComma(content))) document.rigType = *rig;
}

void takeTypeRow(ExchangeDocument& document, ParseState& state, std::string_view content, const Line& line) {
    if (!document.typeFirstRow) document.typeFirstRow = line.start;
    if (document.typeRowsSeen < std::numeric_limits<int32_t>::max()) ++document.typeRowsSeen;
    if (state.rowIndex >= document.rows.size()) return;
    if (const std::optional<std::string_view> name = quotedName(content)) {
        document.rows[state.rowIndex].type = boxTypeForExchangeName(*name).value_or(kNoBoxType);
    }
    ++state.rowIndex;
}

// A Level or Angle row: the number after the last comma into the row's field.
void takeNumberRow(ExchangeDocument& document, ParseState& state, TextPosition& firstRow,
                   float ExchangeRow::*field, std::string_view content, const Line& line) {
    if (!firstRow) firstRow = line.start;
    if (state.rowIndex >= document.rows.size()) return;
    if (const std::optional<float> value = readNumber(afterLastComma(content))) {
        document.rows[state.rowIndex].*field = *value;
    }
    ++state.rowIndex;
}

void takeLine(ExchangeDocument& document, ParseState& state, std::string_view text, const Line& line) {
    const std::string_view content = text.substr(line.start, line.end - line.start);
    const LineKind kind = classify(content);
    if (kind == LineKind::none) return;
    if (kind == LineKind::end) {
        closeArray(document, state, line.start);
        return;
    }
    if (kind == LineKind::beginOrScalar) {
        state.rowIndex = 0;
        if (const std::optional<Section> section = sectionForKey(content)) state.section = *section;
    }
    switch (state.section) {
    case Section::count:
        takeCount(document, content, line);
        state.section = Section::idle;
        break;
    case Section::rig:
        takeRigType(document, content, line);
        state.section = Section::idle;
        break;
    case Section::type:
        if (kind == LineKind::row) takeTypeRow(document, state, content, line);
        break;
    case Section::level:
        if (kind == LineKind::row) {
            takeNumberRow(document, state, document.levelFirstRow, &ExchangeRow::level, content, line);
        }
        break;
    case Section::angle:
        if (kind == LineKind::row) {
            takeNumberRow(document, state, document.angleFirstRow, &ExchangeRow::angle, content, line);
        }
        break;
    case Section::idle:
        break;
    }
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

LoadedText loadExchangeText(const std::string& path) {
    LoadedText result;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return result;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return result;
    const long length = std::ftell(file.get());
    if (length < 0) return result;
    const auto size = static_cast<unsigned long>(length);
    if (size < kMinExchangeFileSize) {
        result.status = LoadStatus::tooShort;
        return result;
    }
    if (size > kMaxExchangeFileSize || std::fseek(file.get(), 0, SEEK_SET) != 0) return result;
    try {
        result.text.resize(size);
    } catch (const std::bad_alloc&) {
        return result;
    }
    if (std::fread(result.text.data(), 1, size, file.get()) != size) {
        result.text = std::string();
        return result;
    }
    result.status = LoadStatus::loaded;
    return result;
}

std::string loadExchangeTemplate() { return std::string(exchangeTemplateText()); }

ExchangeDocument parseExchangeText(std::string_view text) {
    ExchangeDocument document;
    document.text.emplace(text);
    ParseState state;
    for (size_t start = 0; start < text.size();) {
        const Line line = lineAt(text, start);
        takeLine(document, state, text, line);
        start = line.next;
    }
    return document;
}

std::optional<ExchangeDocument> parseExchangeFile(const std::string& path) {
    const LoadedText loaded = loadExchangeText(path);
    if (loaded.status != LoadStatus::loaded) return std::nullopt;
    return parseExchangeText(loaded.text);
}

}  // namespace ksr
