#include "design/table_row.h"

#include "design/value_text.h"
#include "model/catalogue.h"

namespace ksr {

void TableColumns::addColumn(int32_t widthPercent, CellAlignment header, CellAlignment cell, std::string_view title) {
    const int32_t slot = columnCount;
    columnCount = slot + 1 < kColumnSlots ? slot + 1 : kMaxShownColumns;
    slots[static_cast<size_t>(slot)] = TableColumn{widthPercent, header, cell, std::string(title)};
}

std::array<ColumnGeometry, kColumnSlots> layoutColumns(const TableColumns& columns, int32_t clientLeft,
                                                       int32_t clientRight) {
    std::array<ColumnGeometry, kColumnSlots> geometry{};
    const int64_t width = static_cast<int64_t>(clientRight) - clientLeft;
    int32_t edge = clientLeft;
    for (int32_t i = 0; i < columns.columnCount; ++i) {
        const TableColumn& column = columns.slots[static_cast<size_t>(i)];
        ColumnGeometry& g = geometry[static_cast<size_t>(i)];
        g.frameLeft = i == 0 ? edge : edge - 1;
        g.frameRight = column.widthPercent == kWidthToRightEdge
                           ? clientRight
                           : static_cast<int32_t>(edge + width * column.widthPercent / 100);
        g.cellLeft = g.frameLeft + 2;
        g.cellRight = g.frameRight - 2;
        edge = g.frameRight;
    }
    return geometry;
}

void TableRow::setText(int32_t column, std::string text) {
    if (column < 0 || column >= kColumnSlots) return;
    texts[static_cast<size_t>(column)] = std::move(text);
    if (filled < column + 1) filled = column + 1;
}

void buildRow(TableRow& row, const WorkingDesign& design, int32_t k) {
    if (k < 0 || k >= kMaxBoxes) return;
    if (!row.texts[kColumnBoxNumber]) row.setText(kColumnBoxNumber, paddedIntegerText(k + 1));
    const DesignBox& box = design.boxes[static_cast<size_t>(k)];
    const BoxTypeEntry* entry = findBoxType(box.type);
    if (entry == nullptr) return;
    row.setText(kColumnBoxType, entry->name);
    row.setText(kColumnDifferenceAngle, wholeNumberText(box.differenceAngle));
    row.setText(kColumnElevation, wholeNumberText(design.elevations[static_cast<size_t>(k)]));
    row.setText(kColumnGain, gainText(box.gain));
}

}  // namespace ksr
