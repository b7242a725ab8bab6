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

// A stretch of the source text that a part replaces, with the record it
// belongs to and whether that record is an array.
struct Splice {
    TextPosition from;
    TextPosition to;
    Part part;
    const char* key;
    bool isArray;
};

// The five stretches in the order a standard file holds them.
std::array<Splice, 5> splicesOf(const ExchangeDocument& document) {
    return {{
        {document.rigValuePos, document.afterRigLine, Part::rigType, kRigTypeKey, false},
        {document.countValuePos, document.afterCountLine, Part::boxCount, kBoxCountKey, false},
        {document.typeFirstRow, document.typeEndRecord, Part::typeRows, kTypeArrayKey, true},
        {document.levelFirstRow, document.levelEndRecord, Part::levelRows, kLevelArrayKey, true},
        {document.angleFirstRow, document.angleEndRecord, Part::angleRows, kAngleArrayKey, true},
    }};
}

// What is wrong with one stretch on its own, in a text of textSize bytes.
std::optional<RecordFault> spliceFault(const Splice& splice, size_t textSize) {
    using Kind = RecordFault::Kind;
    const bool rows = splice.from && *splice.from < textSize;
    const bool end = splice.to && *splice.to <= textSize;
    if (!splice.isArray) {
        if (rows && end && *splice.from < *splice.to) return std::nullopt;
        return RecordFault{Kind::missing, splice.key, ""};
    }
    if (!rows && !end) return RecordFault{Kind::missing, splice.key, ""};
    if (!rows || (end && *splice.to <= *splice.from)) return RecordFault{Kind::noRows, splice.key, ""};
    if (!end) return RecordFault{Kind::noEnd, splice.key, ""};
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

// The five records alone, for a document without a source text.
bool emitRecordsAlone(const ExchangeDocument& document, int32_t version, ByteSink& out) {
    return out.append(" -1, \"Array.Main.RigType\",") && out.append(partText(Part::rigType, document, version)) &&
           out.append(" -1, \"Array.Main.BoxCount\",") && out.append(partText(Part::boxCount, document, version)) &&
           out.append(" -2, \"Box.Main.Type\"\r\n") && out.append(partText(Part::typeRows, document, version)) &&
           out.append(" 0, \"Box.Main.Type\"\r\n -2, \"Box.Main.Level\"\r\n") &&
           out.append(partText(Part::levelRows, document, version)) &&
           out.append(" 0, \"Box.Main.Level\"\r\n -2, \"Box.Main.Angle\"\r\n") &&
           out.append(partText(Part::angleRows, document, version)) && out.append(" 0, \"Box.Main.Angle\"\r\n");
}

}  // namespace

const char* exchangeTypeName(int32_t type, int32_t version) {
    if (!isCatalogueId(type)) return "0";
    const ExchangeName& names = exchangeNameTable[static_cast<size_t>(type)];
    return version == kExchangeVersionCurrent ? names.current : names.older;
}

std::optional<RecordFault> recordFault(const ExchangeDocument& document) {
    if (!document.text) return std::nullopt;
    const std::array<Splice, 5> splices = splicesOf(document);
    for (const Splice& splice : splices) {
        if (std::optional<RecordFault> fault = spliceFault(splice, document.text->size())) return fault;
    }
    for (size_t i = 1; i < splices.size(); ++i) {
        if (*splices[i].from < *splices[i - 1].to) {
            return RecordFault{RecordFault::Kind::outOfOrder, splices[i].key, splices[i - 1].key};
        }
    }
    return std::nullopt;
}

std::string describeRecordFault(const RecordFault& fault) {
    const std::string record = std::string("\"") + fault.record + "\"";
    switch (fault.kind) {
    case RecordFault::Kind::missing:
        return "holds no " + record + " record";
    case RecordFault::Kind::noRows:
        return "holds no rows in its " + record + " array";
    case RecordFault::Kind::noEnd:
        return "holds no end record for its " + record + " array";
    case RecordFault::Kind::outOfOrder:
        return "holds " + record + " before the end of \"" + fault.follows +
               "\" (an export updates only files with Array.Main.RigType, Array.Main.BoxCount, Box.Main.Type, "
               "Box.Main.Level and Box.Main.Angle in this order)";
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

int32_t writeExchangeFile(const std::string& path, const ExchangeDocument& document, int32_t version) {
    return replaceFile(path, [&](ByteSink& out) { return emitExchangeText(document, version, out); });
}

}  // namespace ksr
