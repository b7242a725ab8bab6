#pragma once
// The box table's contents, apart from the window that shows them: the
// column definitions with their geometry, and one row of texts per box built
// from the working design.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "design/working_design.h"

namespace ksr {

// Column slots; at most kMaxShownColumns of them are shown.
inline constexpr int32_t kColumnSlots = 8;
inline constexpr int32_t kMaxShownColumns = 7;
// A width that runs up to the client's right edge.
inline constexpr int32_t kWidthToRightEdge = -1;

// The box table's columns, left to right.
enum TableColumnIndex : int32_t {
    kColumnBoxNumber = 0,
    kColumnBoxType = 1,
    kColumnDifferenceAngle = 2,
    kColumnElevation = 3,
    kColumnGain = 4,
};

// How a text sits in its cell (always vertically centred on one line).
enum class CellAlignment { left, centred, right };

struct TableColumn {
    int32_t widthPercent = 0;  // percent of the client width, or kWidthToRightEdge
    CellAlignment header = CellAlignment::centred;
    CellAlignment cell = CellAlignment::centred;
    std::string title;
};

struct TableColumns {
    std::array<TableColumn, kColumnSlots> slots{};
    int32_t columnCount = 0;  // columns shown, at most kMaxShownColumns

    // Stores the definition in slot columnCount and shows one more column,
    // up to kMaxShownColumns; once that many are shown, every further call
    // writes the slot after the last shown one.
    void addColumn(int32_t widthPercent, CellAlignment header, CellAlignment cell, std::string_view title);
};

// Pixel bounds of one column inside the list's client width.
struct ColumnGeometry {
    int32_t frameLeft = 0;  // the header frame; neighbours share their border line
    int32_t frameRight = 0;
    int32_t cellLeft = 0;  // the cells: 2 pixels inside the frame
    int32_t cellRight = 0;
};

// Walks the shown columns from clientLeft: each is widthPercent of the client
// width wide (integer pixels, truncated), the last kWidthToRightEdge column
// runs to clientRight; every column after the first starts one pixel left of
// its predecessor's right edge.
std::array<ColumnGeometry, kColumnSlots> layoutColumns(const TableColumns& columns, int32_t clientLeft,
                                                       int32_t clientRight);

// The texts of one row. A column without text is nullopt.
struct TableRow {
    int32_t filled = 0;  // leading columns that hold text
    std::array<std::optional<std::string>, kColumnSlots> texts{};

    // Replaces the text of column (0..kColumnSlots - 1) and raises filled to
    // at least column + 1.
    void setText(int32_t column, std::string text);
};

// Sets the texts of row k from box k of design: the box number (only the
// first time), then, for a box type the catalogue knows, its name, the
// difference angle and elevation in whole degrees and the gain in tenths.
// A box of an unknown type keeps its earlier texts. k outside 0..15 does
// nothing.
void buildRow(TableRow& row, const WorkingDesign& design, int32_t k);

}  // namespace ksr
