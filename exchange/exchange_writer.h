#pragma once
// Writing exchange files. The writer does not make up a file: it takes the
// document's source text and replaces only the value of the
// "Array.Main.RigType" and "Array.Main.BoxCount" records and the rows of the
// "Box.Main.Type", "Box.Main.Level" and "Box.Main.Angle" arrays. Every other
// byte, the header included, is copied unchanged, so a document read and
// written again with no change gives the same bytes.
//
// What is written:
//   - the two scalars keep their line up to and including its last comma;
//     the rest becomes " <value>\r\n";
//   - each array keeps its begin and end records; its rows become
//     min(rowCount, rows.size()) rows, then " 1,0\r\n" rows up to the number
//     of rows the source's Type array had (typeRowsSeen);
//   - type rows read ` 1,"<exchange name>"`, level and angle rows ` 1, <value>`
//     with one decimal, rounded; numbers never depend on the process locale.
// A source text is patched only when it holds all five records in the order
// RigType, BoxCount, Type, Level, Angle, each array with rows and an end
// record: then nothing else can be lost. Any other text is refused whole
// (recordFault names why) and nothing is written. A document without text
// gives the five records alone.

#include <cstdint>
#include <optional>
#include <string>

#include "exchange/exchange_document.h"
#include "exchange/file_access.h"

namespace ksr {

// The name written for a box type: the current column of exchangeNameTable
// for kExchangeVersionCurrent, the older column for any other version; "0"
// (which no reader takes for a box) for an id outside the catalogue.
const char* exchangeTypeName(int32_t type, int32_t version);

// Why a source text cannot take a design without losing some of its text.
struct RecordFault {
    enum class Kind {
        missing,     // no such record
        noRows,      // the array has no row before its end record
        noEnd,       // the array's rows are not followed by its end record
        outOfOrder,  // the record stands before the end of `follows`
    };
    Kind kind = Kind::missing;
    Record record = Record::rigType;
    Record follows = Record::rigType;  // outOfOrder: the record it must follow
};

// Why the document's text cannot be patched; nullopt when it can, or when
// the document has no text.
std::optional<RecordFault> recordFault(const ExchangeDocument& document);

// The fault for a user, as the end of a sentence about the file:
// `holds no "Box.Main.Angle" record`.
std::string describeRecordFault(const RecordFault& fault);

// Appends the file's bytes to out; false as soon as out refuses any, and
// false with nothing appended when the document's text has a recordFault.
bool emitExchangeText(const ExchangeDocument& document, int32_t version, ByteSink& out);

// The file's bytes in memory; empty when the text has a recordFault.
std::string exchangeText(const ExchangeDocument& document, int32_t version);

// Writes the file at path through replaceFile: 0 when it was written, -1 when
// it was not (a recordFault included), and then the file that was there is
// untouched; reason (when given) then receives replaceFile's reason. The
// source text is not read again, so writing over the file the document came
// from is safe.
int32_t writeExchangeFile(const std::string& path, const ExchangeDocument& document, int32_t version,
                          std::string* reason = nullptr);

}  // namespace ksr
