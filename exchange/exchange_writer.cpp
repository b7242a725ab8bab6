#include "exchange/exchange_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "model/catalogue.h"

namespace ksr {
namespace {

// The replaced parts, in the order a standard file holds them.
enum class Part { rigType, boxCount, typeRows, levelRows, angleRows };

void appendInteger(std::string& out, int32_t value) {
    std::array<char, 16> digits{};
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    out.append(digits.data(), error == std::errc{} ? end : digits.data());
}

// value with one decimal, rounded to nearest (ties to even on the exact binary
// value, as the C library's "%.1f" does), always with '.' as the point.
void appendTenths(std::string& out, float value) {
    std::array<char, 64> digits{};
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(),
                                            static_cast<double>(value), std::chars_format::fixed, 1);
    if (error == std::errc{}) {
        out.append(digits.data(), end);
    } else {
        out.append("0.0");
    }
}

// Rows written: the count, bounded by the rows the document holds.
size_t writtenRowCount(const ExchangeDocument& document) {
    return std::min(static_cast<size_t>(std::max(document.rowCount, 0)), document.rows.size());
}

// " 1,0" rows up to the row count of the source's Type array.
void appendPadding(std::string& out, const ExchangeDocument& document) {
    const size_t seen = static_cast<size_t>(std::max(document.typeRowsSeen, 0));
    for (size_t row = writtenRowCount(document); row < seen; ++row) out.append(" 1,0\r\n");
}

std::string partText(Part part, const ExchangeDocument& document, int32_t version) {
    const size_t rowCount = writtenRowCount(document);
    std::string out;
    switch (part) {
    case Part::rigType:
        out.append(" ");
        appendInteger(out, document.rigType);
        out.append("\r\n");
        return out;
    case Part::boxCount:
        out.append(" ");
        appendInteger(out, static_cast<int32_t>(rowCount));
        out.append("\r\n");
        return out;
    case Part::typeRows:
        for (size_t row = 0; row < rowCount; ++row) {
            out.append(" 1,\"").append(exchangeTypeName(document.rows[row].type, version)).append("\"\r\n");
        }
        break;
    case Part::levelRows:
    case Part::angleRows:
        for (size_t row = 0; row < rowCount; ++row) {
            const ExchangeRow& values = document.rows[row];
            out.append(" 1, ");
            appendTenths(out, part == Part::levelRows ? values.level : values.angle);
            out.append("\r\n");
        }
        break;
    }
    appendPadding(out, document);
    return out;
}

// A stretch of the source text that a part replaces.
struct Splice {
    size_t from;
    size_t to;
    Part part;
};

std::optional<Splice> spliceOf(TextPosition from, TextPosition to, Part part) {
    if (!from || !to || *from >= *to) return std::nullopt;
    return Splice{*from, *to, part};
}

// The five parts in text order, when all were found and none overlaps another.
std::optional<std::array<Splice, 5>> splicesInPlace(const ExchangeDocument& document) {
    if (!document.text) return std::nullopt;
    const std::array<std::optional<Splice>, 5> found{
        spliceOf(document.rigValuePos, document.afterRigLine, Part::rigType),
        spliceOf(document.countValuePos, document.afterCountLine, Part::boxCount),
        spliceOf(document.typeFirstRow, document.typeEndRecord, Part::typeRows),
        spliceOf(document.levelFirstRow, document.levelEndRecord, Part::levelRows),
        spliceOf(document.angleFirstRow, document.angleEndRecord, Part::angleRows),
    };
    std::array<Splice, 5> splices{};
    for (size_t i = 0; i < found.size(); ++i) {
        if (!found[i]) return std::nullopt;
        splices[i] = *found[i];
    }
    std::sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) { return a.from < b.from; });
    for (size_t i = 0; i + 1 < splices.size(); ++i) {
        if (splices[i].to > splices[i + 1].from) return std::nullopt;
    }
    if (splices.back().to > document.text->size()) return std::nullopt;
    return splices;
}

bool emitInPlace(const ExchangeDocument& document, const std::array<Splice, 5>& splices, int32_t version,
                 ByteSink& out) {
    const std::string_view text = *document.text;
    size_t copied = 0;
    for (const Splice& splice : splices) {
        if (!out.append(text.substr(copied, splice.from - copied))) return false;
        if (!out.append(partText(splice.part, document, version))) return false;
        copied = splice.to;
    }
    return out.append(text.substr(copied));
}

// A stretch of source text between two parts, or the fixed text that stands
// in for it when either end is missing or the ends are out of order.
bool emitStretch(const ExchangeDocument& document, TextPosition from, TextPosition to, std::string_view fixed,
                 ByteSink& out) {
    if (document.text && from && to && *from < *to && *to <= document.text->size()) {
        return out.append(std::string_view(*document.text).substr(*from, *to - *from));
    }
    return out.append(fixed);
}

bool emitInOrder(const ExchangeDocument& document, int32_t version, ByteSink& out) {
    const size_t textEnd = document.text ? document.text->size() : 0;
    return emitStretch(document, size_t{0}, document.rigValuePos, " -1, \"Array.Main.RigType\",", out) &&
           out.append(partText(Part::rigType, document, version)) &&
           emitStretch(document, document.afterRigLine, document.countValuePos, " -1, \"Array.Main.BoxCount\",",
                       out) &&
           out.append(partText(Part::boxCount, document, version)) &&
           emitStretch(document, document.afterCountLine, document.typeFirstRow, " -2, \"Box.Main.Type\"\r\n", out) &&
           out.append(partText(Part::typeRows, document, version)) &&
           emitStretch(document, document.typeEndRecord, document.levelFirstRow,
                       " 0, \"Box.Main.Type\"\r\n -2, \"Box.Main.Level\"\r\n", out) &&
           out.append(partText(Part::levelRows, document, version)) &&
           emitStretch(document, document.levelEndRecord, document.angleFirstRow,
                       " 0, \"Box.Main.Level\"\r\n -2, \"Box.Main.Angle\"\r\n", out) &&
           out.append(partText(Part::angleRows, document, version)) &&
           emitStretch(document, document.angleEndRecord, textEnd, " 0, \"Box.Main.Angle\"\r\n", out);
}

}  // namespace

const char* exchangeTypeName(int32_t type, int32_t version) {
    if (!isCatalogueId(type)) return "0";
    const ExchangeName& names = exchangeNameTable[static_cast<size_t>(type)];
    return version == kExchangeVersionCurrent ? names.current : names.older;
}

bool emitExchangeText(const ExchangeDocument& document, int32_t version, ByteSink& out) {
    if (const std::optional<std::array<Splice, 5>> splices = splicesInPlace(document)) {
        return emitInPlace(document, *splices, version, out);
    }
    return emitInOrder(document, version, out);
}

std::string exchangeText(const ExchangeDocument& document, int32_t version) {
    StringSink sink;
    emitExchangeText(document, version, sink);
    return std::move(sink.text);
}

int32_t writeExchangeFile(const std::string& path, const ExchangeDocument& document, int32_t version) {
    return replaceFile(path, [&](ByteSink& out) { return emitExchangeText(document, version, out); });
}

}  // namespace ksr
