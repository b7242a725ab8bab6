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

std::string partText(Record part, const ExchangeDocument& document, int32_t version) {
    const size_t rowCount = writtenRowCount(document);
    std::string out;
    switch (part) {
    case Record::rigType:
        out.append(" ");
        appendInteger(out, document.rigType);
        out.append("\r\n");
        return out;
    case Record::boxCount:
        out.append(" ");
        appendInteger(out, static_cast<int32_t>(rowCount));
        out.append("\r\n");
        return out;
    case Record::typeRows:
        for (size_t row = 0; row < rowCount; ++row) {
            out.append(" 1,\"").append(exchangeTypeName(document.rows[row].type, version)).append("\"\r\n");
        }
        break;
    case Record::levelRows:
    case Record::angleRows:
        for (size_t row = 0; row < rowCount; ++row) {
            const ExchangeRow& values = document.rows[row];
            out.append(" 1, ");
            appendTenths(out, part == Record::levelRows ? values.level : values.angle);
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
    Record part;
};

std::optional<Splice> spliceOf(const ExchangeDocument& document, Record part) {
    const RecordSpan& span = document.span(part);
    if (!span.from || !span.to || *span.from >= *span.to) return std::nullopt;
    return Splice{*span.from, *span.to, part};
}

// The five parts in text order, when all were found and none overlaps another.
std::optional<std::array<Splice, kRecordCount>> splicesInPlace(const ExchangeDocument& document) {
    if (!document.text) return std::nullopt;
    std::array<Splice, kRecordCount> splices{};
    for (size_t i = 0; i < kRecordCount; ++i) {
        const std::optional<Splice> found = spliceOf(document, static_cast<Record>(i));
        if (!found) return std::nullopt;
        splices[i] = *found;
    }
    std::sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) { return a.from < b.from; });
    for (size_t i = 0; i + 1 < splices.size(); ++i) {
        if (splices[i].to > splices[i + 1].from) return std::nullopt;
    }
    if (splices.back().to > document.text->size()) return std::nullopt;
    return splices;
}

bool emitInPlace(const ExchangeDocument& document, const std::array<Splice, kRecordCount>& splices, int32_t version,
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

// The record text that stands in before a record (a scalar's line up to its
// value, an array's begin record) and after it (an array's end record).
std::string openingText(Record record) {
    const RecordKey& r = kRecordKeys[static_cast<size_t>(record)];
    return r.isArray ? " -2, \"" + std::string(r.key) + "\"\r\n" : " -1, \"" + std::string(r.key) + "\",";
}

std::string closingText(Record record) {
    const RecordKey& r = kRecordKeys[static_cast<size_t>(record)];
    return r.isArray ? " 0, \"" + std::string(r.key) + "\"\r\n" : std::string();
}

// The records in Record order, each stretch between two of them from the
// source or, failing that, fixed text.
bool emitInOrder(const ExchangeDocument& document, int32_t version, ByteSink& out) {
    const size_t textEnd = document.text ? document.text->size() : 0;
    TextPosition stretchStart = size_t{0};
    std::string fixed;
    for (size_t i = 0; i < kRecordCount; ++i) {
        const Record record = static_cast<Record>(i);
        fixed += openingText(record);
        if (!emitStretch(document, stretchStart, document.span(record).from, fixed, out) ||
            !out.append(partText(record, document, version))) {
            return false;
        }
        stretchStart = document.span(record).to;
        fixed = closingText(record);
    }
    return emitStretch(document, stretchStart, textEnd, fixed, out);
}

}  // namespace

const char* exchangeTypeName(int32_t type, int32_t version) {
    if (!isCatalogueId(type)) return "0";
    const ExchangeName& names = exchangeNameTable[static_cast<size_t>(type)];
    return version == kExchangeVersionCurrent ? names.current : names.older;
}

bool emitExchangeText(const ExchangeDocument& document, int32_t version, ByteSink& out) {
    if (const std::optional<std::array<Splice, kRecordCount>> splices = splicesInPlace(document)) {
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
