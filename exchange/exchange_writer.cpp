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

// A stretch of the source text that a part replaces, with the record it
// belongs to and whether that record is an array.
struct Splice {
    TextPosition from;
    TextPosition to;
    Record part;
    bool isArray;
};

// The five stretches in the order a standard file holds them.
std::array<Splice, kRecordCount> splicesOf(const ExchangeDocument& document) {
    std::array<Splice, kRecordCount> splices{};
    for (size_t i = 0; i < kRecordCount; ++i) {
        const Record record = static_cast<Record>(i);
        splices[i] = {document.span(record).from, document.span(record).to, record, kRecordKeys[i].isArray};
    }
    return splices;
}

// What is wrong with one stretch on its own, in a text of textSize bytes.
std::optional<RecordFault> spliceFault(const Splice& splice, size_t textSize) {
    using Kind = RecordFault::Kind;
    const bool rows = splice.from && *splice.from < textSize;
    const bool end = splice.to && *splice.to <= textSize;
    if (!splice.isArray) {
        if (rows && end && *splice.from < *splice.to) return std::nullopt;
        return RecordFault{Kind::missing, splice.part, splice.part};
    }
    if (!rows && !end) return RecordFault{Kind::missing, splice.part, splice.part};
    if (!rows || (end && *splice.to <= *splice.from)) return RecordFault{Kind::noRows, splice.part, splice.part};
    if (!end) return RecordFault{Kind::noEnd, splice.part, splice.part};
    return std::nullopt;
}

// Only a text with no fault reaches this: the five stretches are found, in
// order and apart.
bool emitPatched(const ExchangeDocument& document, int32_t version, ByteSink& out) {
    const std::string_view text = *document.text;
    size_t copied = 0;
    for (const Splice& splice : splicesOf(document)) {
        if (!out.append(text.substr(copied, *splice.from - copied))) return false;
        if (!out.append(partText(splice.part, document, version))) return false;
        copied = *splice.to;
    }
    return out.append(text.substr(copied));
}

// The five records alone, for a document without a source text: a scalar's
// line up to its value, or an array's begin record, rows and end record.
bool emitRecordsAlone(const ExchangeDocument& document, int32_t version, ByteSink& out) {
    for (size_t i = 0; i < kRecordCount; ++i) {
        const RecordKey& r = kRecordKeys[i];
        const std::string key(r.key);
        const std::string opening = r.isArray ? " -2, \"" + key + "\"\r\n" : " -1, \"" + key + "\",";
        const std::string closing = r.isArray ? " 0, \"" + key + "\"\r\n" : std::string();
        if (!out.append(opening) || !out.append(partText(static_cast<Record>(i), document, version)) ||
            !out.append(closing)) {
            return false;
        }
    }
    return true;
}

}  // namespace

const char* exchangeTypeName(int32_t type, int32_t version) {
    if (!isCatalogueId(type)) return "0";
    const ExchangeName& names = exchangeNameTable[static_cast<size_t>(type)];
    return version == kExchangeVersionCurrent ? names.current : names.older;
}

std::optional<RecordFault> recordFault(const ExchangeDocument& document) {
    if (!document.text) return std::nullopt;
    const std::array<Splice, kRecordCount> splices = splicesOf(document);
    for (const Splice& splice : splices) {
        if (std::optional<RecordFault> fault = spliceFault(splice, document.text->size())) return fault;
    }
    for (size_t i = 1; i < splices.size(); ++i) {
        if (*splices[i].from < *splices[i - 1].to) {
            return RecordFault{RecordFault::Kind::outOfOrder, splices[i].part, splices[i - 1].part};
        }
    }
    return std::nullopt;
}

std::string describeRecordFault(const RecordFault& fault) {
    // Built by appending: GCC 12 at -O3 takes "\"" + std::string(...) for an
    // overlapping copy and warns.
    const auto quoted = [](Record record) {
        std::string text(1, '"');
        text.append(recordKey(record)).push_back('"');
        return text;
    };
    std::string text;
    switch (fault.kind) {
    case RecordFault::Kind::missing:
        text.append("holds no ").append(quoted(fault.record)).append(" record");
        return text;
    case RecordFault::Kind::noRows:
        text.append("holds no rows in its ").append(quoted(fault.record)).append(" array");
        return text;
    case RecordFault::Kind::noEnd:
        text.append("holds no end record for its ").append(quoted(fault.record)).append(" array");
        return text;
    case RecordFault::Kind::outOfOrder:
        text.append("holds ").append(quoted(fault.record)).append(" before the end of ").append(quoted(fault.follows));
        text.append(" (an export updates only files with Array.Main.RigType, Array.Main.BoxCount, Box.Main.Type, "
                    "Box.Main.Level and Box.Main.Angle in this order)");
        return text;
    }
    return "holds its records in a form the export cannot update";
}

bool emitExchangeText(const ExchangeDocument& document, int32_t version, ByteSink& out) {
    if (!document.text) return emitRecordsAlone(document, version, out);
    if (recordFault(document)) return false;
    return emitPatched(document, version, out);
}

std::string exchangeText(const ExchangeDocument& document, int32_t version) {
    StringSink sink;
    emitExchangeText(document, version, sink);
    return std::move(sink.text);
}

int32_t writeExchangeFile(const std::string& path, const ExchangeDocument& document, int32_t version,
                          std::string* reason) {
    return replaceFile(path, [&](ByteSink& out) { return emitExchangeText(document, version, out); }, reason);
}

}  // namespace ksr
