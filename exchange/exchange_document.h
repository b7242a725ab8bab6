#pragma once
// The parsed form of one exchange file (*.velt) of the maker's line-array
// prediction program: the main array's rows and rig type, the source text,
// and the places in that text that the writer replaces. A document lives for
// one import or one export.
//
// The format is 8-bit text with one record per line; any run of CR and LF
// ends a line. A record line starts (after optional blanks) with an integer
// kind and a comma; the items after it are separated by commas, strings are
// in double quotes with no escapes:
//   -1, "key", value    scalar
//   -2, "key"           array begin
//    n, v1, ..., vn     array row with n values (n >= 1)
//    0, "key"           array end
// Five keys matter here; every other byte of a file passes through unchanged.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ksr {

// The five records, in the order a standard file holds them; a file the
// writer builds around a missing record holds them in this order too.
enum class Record : size_t { rigType, boxCount, typeRows, levelRows, angleRows };
inline constexpr size_t kRecordCount = 5;

struct RecordKey {
    std::string_view key;
    bool isArray;  // rows between a begin (-2) and an end (0) record; else a scalar (-1)
};

// The records' keys, indexed by Record: the reader finds the records by
// them, the writer writes its fixed record text from them.
inline constexpr std::array<RecordKey, kRecordCount> kRecordKeys{{
    {"Array.Main.RigType", false},
    {"Array.Main.BoxCount", false},
    {"Box.Main.Type", true},
    {"Box.Main.Level", true},
    {"Box.Main.Angle", true},
}};

constexpr std::string_view recordKey(Record record) { return kRecordKeys[static_cast<size_t>(record)].key; }

// The order in which the reader looks for the keys in a begin or scalar
// line; the first found names the record.
inline constexpr std::array<Record, kRecordCount> kKeySearchOrder{Record::boxCount, Record::typeRows,
                                                                  Record::levelRows, Record::angleRows,
                                                                  Record::rigType};

// The largest "Array.Main.BoxCount" accepted; a larger count is not valid.
inline constexpr int32_t kMaxExchangeRows = 16384;

// The type of a row whose name is not one of this module's box types (a
// rigging grid, another product family, "off").
inline constexpr int32_t kNoBoxType = -1;

// The file versions an export can target. With this catalogue both write the
// same names.
inline constexpr int32_t kExchangeVersionV21 = 1;
inline constexpr int32_t kExchangeVersionCurrent = 2;

struct ExchangeRow {
    int32_t type = kNoBoxType;  // box-type id 0..9, or kNoBoxType
    float level = 0.0f;         // dB, the dialog's box gain; 0 when the file gives none
    float angle = 0.0f;         // degrees, the dialog's difference angle; negated for a
                                // ground-stacked array (rigType < 0); 0 when the file gives none
};

// A byte offset into ExchangeDocument::text; nullopt when the record was not found.
using TextPosition = std::optional<size_t>;

// The stretch of the unchanged text that the writer replaces for a record.
//   scalar: from just after the last comma of its record line to the first
//           byte after that line's line end;
//   array:  from the start of its first row line to the start of its end
//           record line.
struct RecordSpan {
    TextPosition from;
    TextPosition to;
};

struct ExchangeDocument {
    int32_t rowCount = 0;   // the first valid, non-zero "Array.Main.BoxCount"; 0 if none
    int32_t rigType = 0;    // the last valid "Array.Main.RigType"; 0 if none; negative: ground stacked
    std::vector<ExchangeRow> rows;    // rowCount rows, in file order
    std::optional<std::string> text;  // the source text exactly as read; nullopt: no source
    int32_t typeRowsSeen = 0;         // row lines met inside "Box.Main.Type" arrays, also past rowCount

    // Where the writer splices the design in, indexed by Record.
    std::array<RecordSpan, kRecordCount> spans{};

    RecordSpan& span(Record record) { return spans[static_cast<size_t>(record)]; }
    const RecordSpan& span(Record record) const { return spans[static_cast<size_t>(record)]; }
};

}  // namespace ksr
