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
// When all five records are found, they are replaced where they stand, in
// whatever order the source holds them. When any is missing, the output is
// built in the order RigType, BoxCount, Type, Level, Angle: each stretch of
// source text between two of them is copied only when both its ends were
// found in that order, and fixed record text stands in for any other
// stretch. A document without text thus gives the five records alone.

#include <cstdint>
#include <string>

#include "exchange/exchange_document.h"
#include "exchange/file_access.h"

namespace ksr {

// The name written for a box type: the current column of exchangeNameTable
// for kExchangeVersionCurrent, the older column for any other version; "0"
// (which no reader takes for a box) for an id outside the catalogue.
const char* exchangeTypeName(int32_t type, int32_t version);

// Appends the file's bytes to out; false as soon as out refuses any.
bool emitExchangeText(const ExchangeDocument& document, int32_t version, ByteSink& out);

// The file's bytes in memory.
std::string exchangeText(const ExchangeDocument& document, int32_t version);

// Writes the file at path through replaceFile: 0 when it was written, -1 when
// it was not, and then the file that was there is untouched. The source text
// is not read again, so writing over the file the document came from is safe.
int32_t writeExchangeFile(const std::string& path, const ExchangeDocument& document, int32_t version);

}  // namespace ksr
