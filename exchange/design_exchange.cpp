#include "exchange/design_exchange.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "exchange/exchange_reader.h"
#include "exchange/exchange_writer.h"
#include "exchange/file_access.h"
#include "exchange/module_files.h"
#include "model/catalogue.h"
#include "model/geometry.h"

namespace ksr {
namespace {

// The stand-in an import takes for a type (the catalogue's importStandIn),
// or nullopt when the type has none.
std::optional<int32_t> standInOf(int32_t type) {
    const BoxTypeEntry* entry = findBoxType(type);
    if (entry == nullptr || entry->importStandIn == type) return std::nullopt;
    return entry->importStandIn;
}

// "KSR-516" and "KSR-527" boxes never stack together; a file that mixes them
// is taken as the "KSR-51V" and "KSR-52V" boxes, which do: when rows of two
// stacking classes with stand-ins meet, every such row takes its stand-in.
void mixedModelsToVariants(std::vector<ExchangeRow>& rows) {
    std::optional<StackingClass> first;
    bool mixed = false;
    for (const ExchangeRow& row : rows) {
        if (!standInOf(row.type)) continue;
        const StackingClass stacking = boxTypeTable[static_cast<size_t>(row.type)].stacking;
        if (!first) first = stacking;
        mixed = mixed || stacking != *first;
    }
    if (!mixed) return;
    for (ExchangeRow& row : rows) {
        if (const std::optional<int32_t> standIn = standInOf(row.type)) row.type = *standIn;
    }
}

// replaceFile's reason as the end of "... could not be written".
std::string writeFailureDetail(const std::string& reason) {
    const std::string written = "cannot be written";
    if (reason.rfind(written + ": ", 0) == 0) return reason.substr(written.size());
    if (reason.empty() || reason == written) return {};
    return " (it " + reason + ")";
}

}  // namespace

ImportResult importExchangeDocument(const ExchangeDocument& document, WorkingDesign& design) {
    if (!document.text || document.rowCount < 1) return {};
    std::vector<ExchangeRow> rows(document.rows.begin(),
                                  document.rows.begin() + std::min(static_cast<size_t>(document.rowCount),
                                                                   document.rows.size()));
    mixedModelsToVariants(rows);

    const bool groundStacked = document.rigType < 0;
    std::vector<DesignBox> imported;
    for (const ExchangeRow& row : rows) {
        if (imported.size() == static_cast<size_t>(kMaxBoxes)) break;
        if (!isCatalogueId(row.type)) continue;
        imported.push_back(DesignBox{row.type, row.level, groundStacked ? -row.angle : row.angle});
    }
    if (imported.empty()) return {};
    while (imported.size() < static_cast<size_t>(kMinBoxes)) imported.push_back(imported.back());

    std::copy(imported.begin(), imported.end(), design.boxes.begin());
    design.boxCount = static_cast<int32_t>(imported.size());
    design.groundStacked = groundStacked ? 1 : 0;
    return ImportResult{true, design.boxCount};
}

ImportResult importExchangeFile(const std::string& path, WorkingDesign& design) {
    const std::optional<ExchangeDocument> document = parseExchangeFile(path);
    if (!document) return {};
    return importExchangeDocument(*document, design);
}

ExchangeDocument designDocument(const WorkingDesign& design, ExchangeDocument source) {
    const int32_t boxCount = clampBoxCount(design.boxCount);
    const bool groundStacked = design.groundStacked != 0;
    source.rowCount = boxCount;
    source.rigType = groundStacked ? -1 : 1;
    source.rows.assign(static_cast<size_t>(boxCount), ExchangeRow{});
    for (size_t i = 0; i < source.rows.size(); ++i) {
        const DesignBox& box = design.boxes[i];
        source.rows[i] = ExchangeRow{box.type, box.gain, groundStacked ? -box.differenceAngle : box.differenceAngle};
    }
    return source;
}

ExportResult exportExchangeFile(const WorkingDesign& design, const std::string& path, int32_t version) {
    const std::string file = "\"" + path + "\"";
    ExchangeDocument source = parseExchangeText(loadExchangeTemplate());
    // Checked before anything is read: opening a FIFO would wait for a
    // writer, and a device or a read-only file is not the export's to replace.
    if (isDirectory(path)) return {ExportFailure::unreadable, file + " is a folder, not a file. It is unchanged."};
    if (const std::string refusal = replacementRefusal(path); !refusal.empty()) {
        return {ExportFailure::notAFile, file + " " + refusal + ". It is unchanged."};
    }
    if (pathExists(path)) {
        const LoadedText existing = loadExchangeText(path);
        if (existing.status == LoadStatus::unreadable) {
            return {ExportFailure::unreadable,
                    file + " cannot be read (a folder, locked by another program, or larger than " +
                        std::to_string(kMaxExchangeFileSize >> 20) + " MB). It is unchanged."};
        }
        if (existing.status == LoadStatus::loaded) {
            source = parseExchangeText(existing.text);
            if (const std::optional<RecordFault> fault = recordFault(source)) {
                return {ExportFailure::refused, file + " " + describeRecordFault(*fault) +
                                                    ", so the export would lose some of its text. It is unchanged."};
            }
        }
    }
    std::string reason;
    if (writeExchangeFile(path, designDocument(design, std::move(source)), version, &reason) != 0) {
        return {ExportFailure::notWritten,
                file + " could not be written" + writeFailureDetail(reason) + ". The file that was there is unchanged."};
    }
    return {};
}

}  // namespace ksr
