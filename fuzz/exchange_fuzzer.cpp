// The exchange files (*.velt) with any bytes as their text. Per input:
//   1. parse the text and import it into a working design: whatever the
//      text, the document stays inside its own text and the design is one
//      the dialog can hold;
//   2. export a design with the text as the source: the writer succeeds,
//      everything after the replaced records survives, and the design's rows
//      are in the output;
//   3. export the imported design (or, when nothing imports, a design decoded
//      from the same bytes) with the built-in template as the source and
//      parse the result again: it gives back the same boxes, up to what the
//      format itself changes (one decimal on levels and angles, Standard ids
//      on reading, the variant fix-up, the minimum of four, the cap of 16),
//      and every byte of the template outside the five records is unchanged;
//   4. export the same design with no source text: the five records alone
//      read back as the same boxes.

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "design/working_design.h"
#include "exchange/design_exchange.h"
#include "exchange/exchange_reader.h"
#include "exchange/exchange_writer.h"
#include "fuzz_support.h"
#include "model/catalogue.h"

using ksr::fuzz::FuzzInput;

namespace {

using ksr::DesignBox;
using ksr::ExchangeDocument;
using ksr::ExchangeRow;
using ksr::TextPosition;
using ksr::WorkingDesign;

// Boxes that no import may take: every box starts as this marker.
constexpr DesignBox kMarker{9, -77.0f, -99.0f};

bool isStandardReadId(int32_t type) {
    return type == ksr::kNoBoxType || type == 0 || type == 2 || type == 4 || type == 6 || type == 8 || type == 9;
}

bool atLineStart(std::string_view text, size_t at) {
    return at == 0 || text[at - 1] == '\r' || text[at - 1] == '\n';
}

bool afterLineEnd(std::string_view text, size_t at) {
    return at == text.size() || (at > 0 && (text[at - 1] == '\r' || text[at - 1] == '\n'));
}

void checkDocument(const ExchangeDocument& document, std::string_view text) {
    FUZZ_CHECK(document.text && *document.text == text);
    FUZZ_CHECK(document.rowCount >= 0 && document.rowCount <= ksr::kMaxExchangeRows);
    FUZZ_CHECK(document.rows.size() == static_cast<size_t>(document.rowCount));
    FUZZ_CHECK(document.typeRowsSeen >= 0);
    for (const ExchangeRow& row : document.rows) {
        FUZZ_CHECK(isStandardReadId(row.type));
        FUZZ_CHECK(std::isfinite(row.level) && std::isfinite(row.angle));
    }
    for (size_t i = 0; i < ksr::kRecordCount; ++i) {
        const ksr::RecordSpan& span = document.spans[i];
        if (!ksr::kRecordKeys[i].isArray) {
            if (span.from) FUZZ_CHECK(*span.from > 0 && *span.from <= text.size() && text[*span.from - 1] == ',');
            if (span.to) FUZZ_CHECK(*span.to <= text.size() && afterLineEnd(text, *span.to));
            continue;
        }
        for (const TextPosition& start : {span.from, span.to}) {
            if (start) FUZZ_CHECK(*start < text.size() && atLineStart(text, *start));
        }
    }
}

// The import must take the known rows of the first rowCount, in order, at
// most 16, the last repeated up to four, and touch nothing else.
void checkImport(const ExchangeDocument& document, const ksr::ImportResult& result, const WorkingDesign& design) {
    int32_t known = 0;
    for (const ExchangeRow& row : document.rows) known += row.type != ksr::kNoBoxType ? 1 : 0;
    FUZZ_CHECK(result.imported == (known > 0));
    if (!result.imported) {
        for (const DesignBox& box : design.boxes) FUZZ_CHECK(box.type == kMarker.type && box.gain == kMarker.gain);
        return;
    }
    const int32_t expectedCount = ksr::clampBoxCount(known);
    FUZZ_CHECK(result.boxCount == expectedCount && design.boxCount == expectedCount);
    FUZZ_CHECK(design.groundStacked == (document.rigType < 0 ? 1 : 0));
    size_t b = 0;
    for (const ExchangeRow& row : document.rows) {
        if (b == static_cast<size_t>(std::min(known, ksr::kMaxBoxes))) break;
        if (row.type == ksr::kNoBoxType) continue;
        const DesignBox& box = design.boxes[b++];
        FUZZ_CHECK(box.type == row.type || box.type == row.type + 4);
        FUZZ_CHECK(box.gain == row.level);
        FUZZ_CHECK(box.differenceAngle == (design.groundStacked ? -row.angle : row.angle));
    }
    for (; b < static_cast<size_t>(expectedCount); ++b) {
        FUZZ_CHECK(design.boxes[b].type == design.boxes[b - 1].type);
        FUZZ_CHECK(design.boxes[b].gain == design.boxes[b - 1].gain);
    }
    for (; b < design.boxes.size(); ++b) FUZZ_CHECK(design.boxes[b].type == kMarker.type);
}

// A design the dialog could hold, decoded from the input's bytes: catalogue
// types, any finite or non-finite gains and angles.
WorkingDesign decodedDesign(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    WorkingDesign design;
    design.boxCount = in.integer();
    design.groundStacked = in.byte() % 2;
    for (DesignBox& box : design.boxes) box = DesignBox{in.byte() % ksr::kBoxTypeCount, in.real(), in.real()};
    return design;
}

// A row value as the file holds it: one decimal, rounded to nearest on the
// exact binary value. (Not snprintf's "%.1f": the Windows C runtime rounds
// ties and prints infinities its own way.)
std::string tenthsDigits(float x) {
    char digits[64];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, static_cast<double>(x), std::chars_format::fixed, 1);
    return std::string(digits, error == std::errc{} ? end : digits);
}

// The value one decimal makes of x, read back.
float tenths(float x) { return std::strtof(tenthsDigits(x).c_str(), nullptr); }

// A row line as the writer puts it.
std::string tenthsText(float x) { return " 1, " + tenthsDigits(x) + "\r\n"; }

// The ids the reader gives back for what the writer wrote, with the variant
// fix-up the import applies.
std::array<int32_t, ksr::kMaxBoxes> readBackTypes(const WorkingDesign& design, int32_t count) {
    std::array<int32_t, ksr::kMaxBoxes> types{};
    bool has516 = false, has527 = false;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t type = design.boxes[static_cast<size_t>(i)].type;
        types[static_cast<size_t>(i)] = ksr::isLineBox(type) ? type & ~1 : type;
        has516 |= types[static_cast<size_t>(i)] == 0;
        has527 |= types[static_cast<size_t>(i)] == 2;
    }
    if (has516 && has527) {
        for (int32_t i = 0; i < count; ++i) {
            if (types[static_cast<size_t>(i)] <= 2) types[static_cast<size_t>(i)] += 4;
        }
    }
    return types;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The five stretches the writer replaces, when all were found in the order
// RigType, BoxCount, Type, Level, Angle and none overlaps the next; nullopt
// otherwise.
std::optional<std::vector<std::pair<size_t, size_t>>> replacedSpans(const ExchangeDocument& document) {
    std::vector<std::pair<size_t, size_t>> spans;
    for (const auto& [from, to] : document.spans) {
        if (!from || !to || *from >= *to) return std::nullopt;
        if (!spans.empty() && *from < spans.back().second) return std::nullopt;
        spans.emplace_back(*from, *to);
    }
    return spans;
}

// A record's key as a refusal quotes it.
std::string quotedKey(ksr::Record record) { return '"' + std::string(ksr::recordKey(record)) + '"'; }

// Step 2: the text itself as the source of an export.
void exportOverText(const ExchangeDocument& source, const WorkingDesign& design, int32_t version) {
    const ExchangeDocument document = ksr::designDocument(design, source);
    ksr::StringSink sink;
    const std::string_view text = *source.text;

    // Only a text with all five records in order and apart is patched: they
    // are replaced where they stand and every other byte stays, the text
    // before the first, between them and after the last. Any other text is
    // refused with nothing written.
    const std::optional<std::vector<std::pair<size_t, size_t>>> spans = replacedSpans(source);
    const std::optional<ksr::RecordFault> fault = ksr::recordFault(source);
    FUZZ_CHECK(spans.has_value() == !fault.has_value());
    FUZZ_CHECK(ksr::emitExchangeText(document, version, sink) == spans.has_value());
    const std::string& out = sink.text;
    if (!spans) {
        FUZZ_CHECK(out.empty());
        // The refusal tells the user which record stops the export.
        const std::string why = ksr::describeRecordFault(*fault);
        FUZZ_CHECK(why.find(quotedKey(fault->record)) != std::string::npos);
        if (fault->kind == ksr::RecordFault::Kind::outOfOrder) {
            FUZZ_CHECK(why.find(quotedKey(fault->follows)) != std::string::npos);
        }
        return;
    }
    FUZZ_CHECK(startsWith(out, text.substr(0, spans->front().first)));
    FUZZ_CHECK(endsWith(out, text.substr(spans->back().second)));
    size_t searchFrom = spans->front().first;
    for (size_t i = 0; i + 1 < spans->size(); ++i) {
        const std::string_view gap = text.substr((*spans)[i].second, (*spans)[i + 1].first - (*spans)[i].second);
        const size_t at = out.find(gap, searchFrom);
        FUZZ_CHECK(at != std::string::npos);
        searchFrom = at + gap.size();
    }
    // The design's rows are all there, in order.
    std::string types, levels, angles;
    for (const ExchangeRow& row : document.rows) {
        types += std::string(" 1,\"") + ksr::exchangeTypeName(row.type, version) + "\"\r\n";
        levels += tenthsText(row.level);
        angles += tenthsText(row.angle);
    }
    FUZZ_CHECK(out.find(types) != std::string::npos);
    FUZZ_CHECK(out.find(levels) != std::string::npos);
    FUZZ_CHECK(out.find(angles) != std::string::npos);

    checkDocument(ksr::parseExchangeText(out), out);
}

// The template stretch between two positions of its parsed document.
std::string_view between(std::string_view text, TextPosition from, TextPosition to) {
    FUZZ_CHECK(from && to && *from <= *to && *to <= text.size());
    return text.substr(*from, *to - *from);
}

// The design as a document read from an exported file gives it back: the
// count, the rigging, and each box up to one decimal.
void checkReadBack(const WorkingDesign& design, const ExchangeDocument& read) {
    const int32_t count = ksr::clampBoxCount(design.boxCount);
    const bool groundStacked = design.groundStacked != 0;
    FUZZ_CHECK(read.rowCount == count);
    FUZZ_CHECK(read.rigType == (groundStacked ? -1 : 1));

    WorkingDesign again;
    again.boxes.fill(kMarker);
    const ksr::ImportResult result = ksr::importExchangeDocument(read, again);
    FUZZ_CHECK(result.imported && again.boxCount == count);
    FUZZ_CHECK(again.groundStacked == (groundStacked ? 1 : 0));
    const std::array<int32_t, ksr::kMaxBoxes> types = readBackTypes(design, count);
    for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
        const DesignBox& before = design.boxes[i];
        const DesignBox& after = again.boxes[i];
        FUZZ_CHECK(after.type == types[i]);
        // Non-finite values have no decimal form the reader takes back: they
        // come back as some finite number, never as NaN or infinity.
        FUZZ_CHECK(std::isfinite(after.gain) && std::isfinite(after.differenceAngle));
        if (std::isfinite(before.gain)) FUZZ_CHECK(after.gain == tenths(before.gain));
        if (std::isfinite(before.differenceAngle)) FUZZ_CHECK(after.differenceAngle == tenths(before.differenceAngle));
    }
}

// Step 3: the design through the template and back.
void roundTripThroughTemplate(const WorkingDesign& design, int32_t version) {
    static const std::string templateText = ksr::loadExchangeTemplate();
    static const ExchangeDocument templateDocument = ksr::parseExchangeText(templateText);

    const std::string out = ksr::exchangeText(ksr::designDocument(design, templateDocument), version);
    const ExchangeDocument read = ksr::parseExchangeText(out);
    checkDocument(read, out);
    FUZZ_CHECK(read.typeRowsSeen == std::max(read.rowCount, templateDocument.typeRowsSeen));

    // Everything but the five records is the template's, byte for byte.
    const std::string_view t = templateText;
    TextPosition outStart = size_t{0}, templateStart = size_t{0};
    for (const ksr::Record record : {ksr::Record::rigType, ksr::Record::boxCount, ksr::Record::typeRows,
                                     ksr::Record::levelRows, ksr::Record::angleRows}) {
        FUZZ_CHECK(between(out, outStart, read.span(record).from) ==
                   between(t, templateStart, templateDocument.span(record).from));
        outStart = read.span(record).to;
        templateStart = templateDocument.span(record).to;
    }
    FUZZ_CHECK(between(out, outStart, out.size()) == between(t, templateStart, t.size()));
    checkReadBack(design, read);
}

// Step 4: the design with no source text at all: the five records alone,
// which read back as the same boxes and can themselves take the next export.
void recordsAlone(const WorkingDesign& design, int32_t version) {
    const ExchangeDocument bare = ksr::designDocument(design, ExchangeDocument{});
    FUZZ_CHECK(!bare.text);
    const std::string out = ksr::exchangeText(bare, version);
    const ExchangeDocument read = ksr::parseExchangeText(out);
    checkDocument(read, out);
    FUZZ_CHECK(!ksr::recordFault(read));
    FUZZ_CHECK(read.typeRowsSeen == read.rowCount);
    checkReadBack(design, read);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int32_t version = size % 3 == 0 ? ksr::kExchangeVersionV21 : ksr::kExchangeVersionCurrent;

    const ExchangeDocument document = ksr::parseExchangeText(text);
    checkDocument(document, text);

    WorkingDesign design;
    design.boxes.fill(kMarker);
    const ksr::ImportResult result = ksr::importExchangeDocument(document, design);
    checkImport(document, result, design);

    const WorkingDesign exported = result.imported ? design : decodedDesign(data, size);
    exportOverText(document, exported, version);
    roundTripThroughTemplate(exported, version);
    recordsAlone(exported, version);
    return 0;
}
