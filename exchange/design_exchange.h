#pragma once
// The design dialog's Import and Export commands without their windows: a
// working design taken from an exchange file, and a working design put into
// one. The dialog wraps them in its file dialogs and its error message box.

#include <cstdint>
#include <string>

#include "design/working_design.h"
#include "exchange/exchange_document.h"

namespace ksr {

struct ImportResult {
    // False: the file holds no valid data (the dialog shows its error
    // message) and the design is unchanged.
    bool imported = false;
    // Boxes set from the file, 4..16, when imported: boxes[0..boxCount) were
    // written and their table rows need rebuilding.
    int32_t boxCount = 0;
};

// Takes the main array from a parsed document into design: boxes, boxCount
// and groundStacked (the dialog then ticks or clears its check box and
// recomputes the elevations). Boxes beyond the imported ones and the grid
// elevation keep their values; no editing rule is applied.
//   - A file that mixes "KSR-516" and "KSR-527" boxes is taken as "KSR-51V"
//     and "KSR-52V" boxes (types 0..3 become 4..7), since the first two only
//     stack with their own model.
//   - A negative rigType means ground stacked; the file's angles are then the
//     negated difference angles.
//   - Rows of an unknown type (a rigging grid, say) are skipped; at most 16
//     boxes are taken; with fewer than 4 the last one is repeated up to 4.
// Not imported: no text, rowCount below 1, or no row of a known box type.
ImportResult importExchangeDocument(const ExchangeDocument& document, WorkingDesign& design);

// parseExchangeFile(path), then importExchangeDocument; not imported when the
// file cannot be read or is shorter than 32 bytes.
ImportResult importExchangeFile(const std::string& path, WorkingDesign& design);

// The source document with the design put in: rowCount = boxCount (brought
// into 4..16), row i = boxes[i] (type, gain as level, difference angle as
// angle), rigType 1 for a flown array, -1 with every angle negated for a
// ground-stacked one. Text, typeRowsSeen and positions stay as they are.
ExchangeDocument designDocument(const WorkingDesign& design, ExchangeDocument source);

// Why an export wrote nothing.
enum class ExportFailure {
    none,
    unreadable,  // the file at path exists but cannot be read (a folder, locked, too large)
    refused,     // the file holds text the export would lose (recordFault)
    notAFile,    // a device, FIFO or socket, or a file its permissions keep from being written
    notWritten,  // the new contents could not be written
};

struct ExportResult {
    ExportFailure failure = ExportFailure::none;
    // For the user when the export failed: a sentence naming the file and,
    // for a refused file, the record at fault. Empty on success.
    std::string reason;

    bool written() const { return failure == ExportFailure::none; }
};

// Writes the design into the exchange file at path, for a file version
// (kExchangeVersionCurrent or kExchangeVersionV21). The source text is the
// existing file when it holds the five records in order; a new name and an
// existing file shorter than 32 bytes (nothing in it to lose) start from the
// built-in template. Any other existing file is refused. On failure the file
// at path is untouched.
ExportResult exportExchangeFile(const WorkingDesign& design, const std::string& path, int32_t version);

}  // namespace ksr
