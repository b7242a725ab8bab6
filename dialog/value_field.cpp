#include "dialog/value_field.h"

#include <commctrl.h>

#include <utility>

#include "model/guarded.h"

namespace ksr {

namespace {
constexpr UINT_PTR kSubclassId = 0x4B565246;  // one subclass of each edit
}

void ValueField::attach(HWND edit, Commit commit) {
    detach();
    if (edit == nullptr) return;
    commit_ = std::move(commit);
    if (SetWindowSubclass(edit, subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) edit_ = edit;
}

void ValueField::detach() {
    if (edit_ != nullptr) RemoveWindowSubclass(edit_, subclassProc, kSubclassId);
    edit_ = nullptr;
}

void ValueField::moveFocus(bool backwards) const {
    SendMessageA(GetParent(edit_), WM_NEXTDLGCTL, backwards ? 1 : 0, FALSE);
}

LRESULT ValueField::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE:
            // Enter, Escape and Tab come here instead of going to the dialog.
            return DefSubclassProc(edit_, message, wParam, lParam) | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                if (commit_) {
                    commit_();
                    SendMessageA(edit_, EM_SETSEL, 0, -1);
                } else {
                    moveFocus(false);
                }
                return 0;
            }
            if (wParam == VK_TAB) {
                moveFocus(GetKeyState(VK_SHIFT) < 0);
                return 0;
            }
            break;
        case WM_CHAR:
            // The characters of the keys handled above would only beep.
            if (wParam == '\r' || wParam == '\t' || wParam == VK_ESCAPE) return 0;
            break;
        case WM_SETFOCUS: {
            const LRESULT result = DefSubclassProc(edit_, message, wParam, lParam);
            // Posted, so that the selection also holds after a mouse click.
            PostMessageA(edit_, EM_SETSEL, 0, -1);
            return result;
        }
        case WM_NCDESTROY: {
            HWND edit = edit_;
            detach();
            return DefSubclassProc(edit, message, wParam, lParam);
        }
        default:
            break;
    }
    return DefSubclassProc(edit_, message, wParam, lParam);
}

LRESULT CALLBACK ValueField::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
    auto* field = reinterpret_cast<ValueField*>(self);
    return guarded(LRESULT{0}, [&] {
        if (field == nullptr || field->edit_ != window) return DefSubclassProc(window, message, wParam, lParam);
        return field->handle(message, wParam, lParam);
    });
}

}  // namespace ksr
