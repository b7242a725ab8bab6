#include "design/table_row.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using namespace ksr;

std::string textOf(const TableRow& row, int32_t column) {
    const auto& text = row.texts[static_cast<size_t>(column)];
    return text ? *text : "<none>";
}

TableColumns dialogColumns() {
    TableColumns columns;
    columns.addColumn(12, CellAlignment::centred, CellAlignment::centred, "Box #");
    columns.addColumn(24, CellAlignment::centred, CellAlignment::left, "Box Type");
    columns.addColumn(24, CellAlignment::centred, CellAlignment::centred, "Diff Ang [deg]");
    columns.addColumn(24, CellAlignment::centred, CellAlignment::centred, "Elev Ang [deg]");
    columns.addColumn(kWidthToRightEdge, CellAlignment::centred, CellAlignment::centred, "Gain [dB]");
    return columns;
}

}  // namespace

TEST(BuildRow, ShowsTheBoxInItsFiveColumns) {
    WorkingDesign design;
    struct Case {
        int32_t k, type;
        float angle, elevation, gain;
        const char *number, *name, *angleText, *elevationText, *gainText;
    };
    const Case cases[] = {
        {0, 0, 0.0f, 0.0f, 0.0f, " 1", "KSR516", "0", "0", " 0.0"},
        {8, 5, -2.7f, -0.4f, -3.5f, " 9", "KSR51 V", "-2", "0", "-3.5"},
        {9, 8, 4.0f, -12.9f, -12.0f, "10", "KB340", "4", "-12", "-12.0"},
        {15, 7, -10.0f, 3e38f, -99.0f, "16", "KSR52 V", "-10", "2147483647", "-99.0"},
    };
    for (const Case& c : cases) {
        design.boxes[static_cast<size_t>(c.k)] = DesignBox{c.type, c.gain, c.angle};
        design.elevations[static_cast<size_t>(c.k)] = c.elevation;
        TableRow row;
        buildRow(row, design, c.k);
        EXPECT_EQ(row.filled, 5) << c.k;
        EXPECT_EQ(textOf(row, kColumnBoxNumber), c.number);
        EXPECT_EQ(textOf(row, kColumnBoxType), c.name);
        EXPECT_EQ(textOf(row, kColumnDifferenceAngle), c.angleText);
        EXPECT_EQ(textOf(row, kColumnElevation), c.elevationText);
        EXPECT_EQ(textOf(row, kColumnGain), c.gainText);
    }
}

TEST(BuildRow, AnUnknownTypeKeepsTheEarlierTexts) {
    WorkingDesign design;
    design.boxes[2] = DesignBox{4, -1.0f, -3.0f};
    TableRow row;
    buildRow(row, design, 2);
    design.boxes[2] = DesignBox{42, -6.0f, -5.0f};
    buildRow(row, design, 2);
    EXPECT_EQ(textOf(row, kColumnBoxType), "KSR51 V");
    EXPECT_EQ(textOf(row, kColumnDifferenceAngle), "-3");
    EXPECT_EQ(textOf(row, kColumnGain), "-1.0");

    // A fresh row of an unknown type shows only its number.
    TableRow fresh;
    buildRow(fresh, design, 2);
    EXPECT_EQ(fresh.filled, 1);
    EXPECT_EQ(textOf(fresh, kColumnBoxNumber), " 3");
    EXPECT_EQ(textOf(fresh, kColumnBoxType), "<none>");

    // Outside the table nothing is touched.
    buildRow(fresh, design, 16);
    buildRow(fresh, design, -1);
    EXPECT_EQ(fresh.filled, 1);
}

TEST(TableRow, SetTextRaisesFilledOnly) {
    TableRow row;
    row.setText(2, "x");
    EXPECT_EQ(row.filled, 3);
    row.setText(0, "y");
    EXPECT_EQ(row.filled, 3);
    row.setText(kColumnSlots, "out of range");
    row.setText(-1, "out of range");
    EXPECT_EQ(row.filled, 3);
    EXPECT_EQ(textOf(row, 1), "<none>");
}

TEST(TableColumns, AtMostSevenAreShownAndLaterCallsShareTheLastSlot) {
    TableColumns columns;
    for (int i = 0; i < 9; ++i) {
        columns.addColumn(10, CellAlignment::centred, CellAlignment::left, "c" + std::to_string(i));
    }
    EXPECT_EQ(columns.columnCount, kMaxShownColumns);
    EXPECT_EQ(columns.slots[6].title, "c6");
    EXPECT_EQ(columns.slots[7].title, "c8");
}

TEST(TableColumns, TheDialogsColumnsSplitTheWidthAndShareTheirBorders) {
    const auto geometry = layoutColumns(dialogColumns(), 0, 300);
    // 12 %, 24 %, 24 %, 24 % of 300 pixels, then the rest.
    const int32_t rightEdges[] = {36, 108, 180, 252, 300};
    int32_t previousRight = 0;
    for (int32_t i = 0; i < 5; ++i) {
        const ColumnGeometry& g = geometry[static_cast<size_t>(i)];
        EXPECT_EQ(g.frameRight, rightEdges[i]) << i;
        EXPECT_EQ(g.frameLeft, i == 0 ? 0 : previousRight - 1) << i;
        EXPECT_EQ(g.cellLeft, g.frameLeft + 2) << i;
        EXPECT_EQ(g.cellRight, g.frameRight - 2) << i;
        previousRight = g.frameRight;
    }
    // Percentages truncate to whole pixels; the last column takes what is left.
    const auto narrow = layoutColumns(dialogColumns(), 10, 109);
    EXPECT_EQ(narrow[0].frameRight, 10 + 99 * 12 / 100);
    EXPECT_EQ(narrow[4].frameRight, 109);
}
