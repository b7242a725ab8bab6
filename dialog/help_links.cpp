#include "dialog/help_links.h"

#include <commctrl.h>
#include <shellapi.h>

#include <optional>
#include <string>

#include "exchange/module_files.h"
#include "model/guarded.h"

namespace ksr {

namespace {

constexpr UINT_PTR kSubclassId = 0x4B4C4E4B;  // one subclass of each picture

// The system's hand cursor, loaded on first use (shared, never destroyed).
HCURSOR handCursor() {
    static HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    return hand;
}

}  // namespace

void openTarget(HWND owner, const char* target) {
    ShellExecuteA(owner, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

void openHelp(HWND owner) {
    const std::optional<std::string> path = helpDocumentPath();
    if (!path || path->empty()) return;
    if (fileExists(*path)) {
        openTarget(owner, path->c_str());
    } else {
        MessageBoxA(owner, kMissingHelpText, kMissingHelpCaption, MB_OK);
    }
}

void LinkPicture::attach(HWND picture) {
    detach();
    if (picture != nullptr &&
        SetWindowSubclass(picture, subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        picture_ = picture;
    }
}

void LinkPicture::detach() {
    if (picture_ != nullptr) RemoveWindowSubclass(picture_, subclassProc, kSubclassId);
    picture_ = nullptr;
}

LRESULT CALLBACK LinkPicture::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
    auto* link = reinterpret_cast<LinkPicture*>(self);
    return guarded(LRESULT{0}, [&]() -> LRESULT {
        switch (message) {
            case WM_NCHITTEST:
                // A static picture would let the mouse through.
                return HTCLIENT;
            case WM_SETCURSOR:
                SetCursor(handCursor());
                return TRUE;
            case WM_NCDESTROY:
                if (link != nullptr && link->picture_ == window) link->picture_ = nullptr;
                RemoveWindowSubclass(window, subclassProc, kSubclassId);
                break;
            default:
                break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    });
}

}  // namespace ksr
