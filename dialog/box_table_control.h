#pragma once
// The design dialog's box table: an owner-drawn list box with fixed rows and
// extended multiple selection, given a header band of kHeaderBandHeight
// pixels above its rows (inside its border, outside its client area),
// columns laid out in percent of the width, alternating row colours and a
// dark selection. The rows' texts live in TableRow records owned by the
// dialog; the list holds a pointer to each as its item data.

#include <windows.h>

#include <array>
#include <functional>
#include <string_view>

#include "design/table_row.h"
#include "model/geometry.h"

namespace ksr {

inline constexpr int kHeaderBandHeight = 18;
inline constexpr COLORREF kHeaderBandColour = RGB(0, 0, 255);
inline constexpr COLORREF kHeaderTextColour = RGB(255, 255, 255);
inline constexpr COLORREF kOddRowColour = RGB(255, 255, 255);
inline constexpr COLORREF kEvenRowColour = RGB(204, 255, 204);
inline constexpr COLORREF kSelectedRowColour = RGB(0, 0, 136);
inline constexpr COLORREF kSelectedTextColour = RGB(255, 255, 255);
inline constexpr COLORREF kRowTextColour = RGB(0, 0, 0);
inline constexpr COLORREF kFrameColour = RGB(0, 0, 0);

using TableRows = std::array<TableRow, kMaxBoxes>;

class BoxTableControl {
public:
    BoxTableControl();
    ~BoxTableControl();
    BoxTableControl(const BoxTableControl&) = delete;
    BoxTableControl& operator=(const BoxTableControl&) = delete;

    void addColumn(int32_t widthPercent, CellAlignment header, CellAlignment cell, std::string_view title) {
        columns_.addColumn(widthPercent, header, cell, title);
    }

    // Gives list the table behaviour and reserves the header band. The
    // columns are defined before.
    void attach(HWND list);
    void detach();
    HWND window() const { return list_; }

    // Makes the list show rows 0..count - 1 of rows. A list with more rows is
    // emptied first; rows are appended from the first missing one. When no
    // row is selected afterwards, row 0 is selected and selectionChanged
    // runs.
    void syncRows(TableRows& rows, int32_t count, const std::function<void()>& selectionChanged);

    // The owner-draw answer for one row (WM_DRAWITEM forwarded by the dialog).
    void drawItem(const DRAWITEMSTRUCT& item) const;

private:
    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void paintHeader() const;

    HWND list_ = nullptr;
    TableColumns columns_;
    HBRUSH oddRowBrush_;
    HBRUSH evenRowBrush_;
    HBRUSH selectedRowBrush_;
    HBRUSH frameBrush_;
};

}  // namespace ksr
