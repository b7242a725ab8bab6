#include "dialog/box_table_control.h"

#include <commctrl.h>

#include <algorithm>

#include "model/guarded.h"

namespace ksr {

namespace {

constexpr UINT_PTR kSubclassId = 0x4B425443;  // one subclass of the list

UINT drawTextFlags(CellAlignment alignment) {
    const UINT line = DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    switch (alignment) {
        case CellAlignment::centred:
            return DT_CENTER | line;
        case CellAlignment::right:
            return DT_RIGHT | line;
        case CellAlignment::left:
            break;
    }
    return DT_LEFT | line;
}

// Selects an object into a device context for one scope and puts the old one
// back.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~Selected() {
        if (old_ != nullptr) SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Text colour and background mode for one scope.
class TextStyle {
public:
    TextStyle(HDC dc, COLORREF colour)
        : dc_(dc), oldColour_(SetTextColor(dc, colour)), oldMode_(SetBkMode(dc, TRANSPARENT)) {}
    ~TextStyle() {
        SetBkMode(dc_, oldMode_);
        SetTextColor(dc_, oldColour_);
    }
    TextStyle(const TextStyle&) = delete;
    TextStyle& operator=(const TextStyle&) = delete;

private:
    HDC dc_;
    COLORREF oldColour_;
    int oldMode_;
};

HFONT fontOf(HWND window) {
    return window != nullptr ? reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)) : nullptr;
}

}  // namespace

BoxTableControl::BoxTableControl()
    : oddRowBrush_(CreateSolidBrush(kOddRowColour)),
      evenRowBrush_(CreateSolidBrush(kEvenRowColour)),
      selectedRowBrush_(CreateSolidBrush(kSelectedRowColour)),
      frameBrush_(CreateSolidBrush(kFrameColour)) {}

BoxTableControl::~BoxTableControl() {
    detach();
    for (HBRUSH brush : {oddRowBrush_, evenRowBrush_, selectedRowBrush_, frameBrush_}) {
        if (brush != nullptr) DeleteObject(brush);
    }
}

void BoxTableControl::attach(HWND list) {
    detach();
    if (list == nullptr || !SetWindowSubclass(list, subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        return;
    }
    list_ = list;
    // Owner-drawn fixed rows holding record pointers: no sorting, no strings.
    const LONG_PTR style = GetWindowLongPtrA(list_, GWL_STYLE);
    SetWindowLongPtrA(list_, GWL_STYLE, (style & ~(LBS_SORT | LBS_HASSTRINGS)) | LBS_OWNERDRAWFIXED);
    // The frame is worked out again, now with the header band.
    SetWindowPos(list_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BoxTableControl::detach() {
    if (list_ != nullptr) RemoveWindowSubclass(list_, subclassProc, kSubclassId);
    list_ = nullptr;
}

void BoxTableControl::syncRows(TableRows& rows, int32_t count, const std::function<void()>& selectionChanged) {
    if (list_ == nullptr) return;
    count = std::clamp(count, 0, kMaxBoxes);
    LRESULT shown = SendMessageA(list_, LB_GETCOUNT, 0, 0);
    if (shown < 0 || shown > count) {
        SendMessageA(list_, LB_RESETCONTENT, 0, 0);
        shown = 0;
    }
    for (int32_t k = static_cast<int32_t>(shown); k < count; ++k) {
        SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&rows[static_cast<size_t>(k)]));
    }
    if (count > 0 && SendMessageA(list_, LB_GETSELCOUNT, 0, 0) <= 0) {
        SendMessageA(list_, LB_SETSEL, TRUE, 0);
        if (selectionChanged) selectionChanged();
    }
}

void BoxTableControl::drawItem(const DRAWITEMSTRUCT& item) const {
    const auto* row = reinterpret_cast<const TableRow*>(item.itemData);
    if (row == nullptr || item.itemID == static_cast<UINT>(-1)) return;
    HDC dc = item.hDC;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    HBRUSH fill = selected ? selectedRowBrush_ : (item.itemID % 2 != 0 ? oddRowBrush_ : evenRowBrush_);
    FillRect(dc, &item.rcItem, fill);

    const TextStyle style(dc, selected ? kSelectedTextColour : kRowTextColour);
    const Selected font(dc, fontOf(list_));
    RECT client{};
    GetClientRect(list_, &client);
    const auto geometry = layoutColumns(columns_, client.left, client.right);
    const int32_t shown = std::min(row->filled, columns_.columnCount);
    for (int32_t i = 0; i < shown; ++i) {
        const auto& text = row->texts[static_cast<size_t>(i)];
        if (!text) continue;
        const TableColumn& column = columns_.slots[static_cast<size_t>(i)];
        const ColumnGeometry& g = geometry[static_cast<size_t>(i)];
        // Left-aligned texts keep 2 more pixels from the frame.
        const int margin = column.cell == CellAlignment::left ? 2 : 0;
        RECT cell{g.cellLeft + margin, item.rcItem.top, g.cellRight, item.rcItem.bottom};
        DrawTextA(dc, text->c_str(), -1, &cell, drawTextFlags(column.cell));
    }
    // The focus frame follows the focus however the row came to be drawn.
    if ((item.itemState & ODS_FOCUS) != 0) FrameRect(dc, &item.rcItem, frameBrush_);
}

void BoxTableControl::paintHeader() const {
    RECT window{}, client{};
    GetWindowRect(list_, &window);
    GetClientRect(list_, &client);
    POINT origin{0, 0};
    ClientToScreen(list_, &origin);
    const int left = origin.x - window.left;
    const int top = origin.y - window.top;
    const RECT band{left, top - kHeaderBandHeight, left + client.right, top};

    HDC dc = GetWindowDC(list_);
    if (dc == nullptr) return;
    {
        const COLORREF oldBackground = SetBkColor(dc, kHeaderBandColour);
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &band, "", 0, nullptr);
        SetBkColor(dc, oldBackground);

        HFONT dialogFont = fontOf(GetParent(list_));
        const TextStyle style(dc, kHeaderTextColour);
        const Selected font(dc, dialogFont);
        const auto geometry = layoutColumns(columns_, band.left, band.right);
        for (int32_t i = 0; i < columns_.columnCount; ++i) {
            const TableColumn& column = columns_.slots[static_cast<size_t>(i)];
            const ColumnGeometry& g = geometry[static_cast<size_t>(i)];
            RECT frame{g.frameLeft, band.top, g.frameRight, band.bottom};
            FrameRect(dc, &frame, frameBrush_);
            DrawTextA(dc, column.title.c_str(), -1, &frame, drawTextFlags(column.header));
        }
    }
    ReleaseDC(list_, dc);

    HFONT dialogFont = fontOf(GetParent(list_));
    if (dialogFont != nullptr && fontOf(list_) != dialogFont) {
        SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), FALSE);
    }
}

LRESULT BoxTableControl::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCALCSIZE: {
            const LRESULT result = DefSubclassProc(list_, message, wParam, lParam);
            RECT* client =
                wParam != 0 ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
            client->top = std::min(client->top + kHeaderBandHeight, client->bottom);
            return result;
        }
        case WM_NCPAINT: {
            const LRESULT result = DefSubclassProc(list_, message, wParam, lParam);
            paintHeader();
            return result;
        }
        case WM_NCDESTROY: {
            HWND list = list_;
            list_ = nullptr;
            RemoveWindowSubclass(list, subclassProc, kSubclassId);
            return DefSubclassProc(list, message, wParam, lParam);
        }
        default:
            return DefSubclassProc(list_, message, wParam, lParam);
    }
}

LRESULT CALLBACK BoxTableControl::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR self) {
    auto* table = reinterpret_cast<BoxTableControl*>(self);
    return guarded(LRESULT{0}, [&] {
        if (table == nullptr || table->list_ != window) return DefSubclassProc(window, message, wParam, lParam);
        return table->handle(message, wParam, lParam);
    });
}

}  // namespace ksr
