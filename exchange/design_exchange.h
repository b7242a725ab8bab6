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

// Writes the design into the exchange file at path, for a file version
// (kExchangeVersionCurrent or kExchangeVersionV21). The source text is the
// existing file when there is one, else the built-in template; an existing
// file shorter than 32 bytes is replaced by the five records alone. Returns
// 0, or -1 when the file could not be written or an existing file could not
// be read; then the file at path is untouched.
int32_t exportExchangeFile(const WorkingDesign& design, const std::string& path, int32_t version);

}  // namespace ksr
