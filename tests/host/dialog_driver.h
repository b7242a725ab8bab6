#pragma once
// Driving the module's real windows from a second thread, as a user would:
// finding the design dialog, the file dialogs and message boxes of this
// process by their captions, and working their controls with the standard
// control messages and notifications. Every wait is for a condition, with a
// cap generous enough for Wine under CPU emulation, so a window that never
// comes (or never goes) fails a test instead of hanging it, and a slow
// machine only makes the tests slower.

#include <commctrl.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "dialog/dialog_ids.h"

namespace dialog_driver {

inline constexpr DWORD kWaitMs = 120000;
inline constexpr const char* kDesignCaption = " Design System";

// Polls ready() every 20 ms until it holds or timeoutMs have passed.
inline bool waitFor(const std::function<bool()>& ready, DWORD timeoutMs = kWaitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

inline std::string textOf(HWND window) {
    char buffer[4096] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

inline std::string classOf(HWND window) {
    char buffer[64] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

inline BOOL CALLBACK collectProcessWindow(HWND window, LPARAM list) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window)) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    }
    return TRUE;
}

// Visible top-level windows of this process.
inline std::vector<HWND> processWindows() {
    std::vector<HWND> windows;
    EnumWindows(collectProcessWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// A visible top-level window of this process with this caption, or nullptr.
inline HWND windowWithCaption(const std::string& caption) {
    for (HWND window : processWindows()) {
        if (textOf(window) == caption) return window;
    }
    return nullptr;
}

// Waits for a visible window with this caption; nullptr after the timeout.
inline HWND waitForWindow(const std::string& caption, DWORD timeoutMs = kWaitMs) {
    HWND found = nullptr;
    waitFor([&] { return (found = windowWithCaption(caption)) != nullptr; }, timeoutMs);
    return found;
}

// Waits for a visible dialog or message box owned by owner; nullptr after
// the timeout.
inline HWND waitForOwnedWindow(HWND owner, DWORD timeoutMs = kWaitMs) {
    HWND found = nullptr;
    waitFor(
        [&] {
            for (HWND window : processWindows()) {
                if (GetWindow(window, GW_OWNER) == owner && classOf(window) == "#32770") found = window;
            }
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

inline bool waitUntilGone(HWND window, DWORD timeoutMs = kWaitMs) {
    return waitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

inline BOOL CALLBACK collectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// Every descendant window of parent.
inline std::vector<HWND> descendants(HWND parent) {
    std::vector<HWND> windows;
    EnumChildWindows(parent, collectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// The first descendant with this control id, or nullptr.
inline HWND descendantWithId(HWND parent, int id) {
    for (HWND window : descendants(parent)) {
        if (GetDlgCtrlID(window) == id) return window;
    }
    return nullptr;
}

// The texts of a message box's static controls, joined by newlines.
inline std::string messageText(HWND box) {
    std::string text;
    for (HWND window : descendants(box)) {
        if (classOf(window) == "Static" && !textOf(window).empty()) text += textOf(window) + "\n";
    }
    return text;
}

// The focused window of the thread that owns window.
inline HWND focusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

// A press of a button that may open a modal window: posted, so that the
// driving thread stays free to work that window.
inline void postClick(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The design dialog, driven through its controls.
class DesignDialog {
public:
    explicit DesignDialog(HWND window) : window_(window) {}

    HWND window() const { return window_; }
    HWND item(int id) const { return GetDlgItem(window_, id); }

    // Selects exactly these rows of the box table, as a click and
    // Ctrl-clicks would, and notifies the dialog.
    void selectRows(std::initializer_list<int> rows) const {
        HWND list = item(IDC_LIST_BOXES);
        SendMessageA(list, LB_SETSEL, FALSE, -1);
        for (int row : rows) SendMessageA(list, LB_SETSEL, TRUE, row);
        if (rows.size() > 0) SendMessageA(list, LB_SETCARETINDEX, *rows.begin(), FALSE);
        notify(IDC_LIST_BOXES, LBN_SELCHANGE, list);
    }

    std::vector<int> selectedRows() const {
        HWND list = item(IDC_LIST_BOXES);
        std::vector<int> rows(16, -1);
        const auto count = SendMessageA(list, LB_GETSELITEMS, rows.size(), reinterpret_cast<LPARAM>(rows.data()));
        rows.resize(count > 0 ? static_cast<size_t>(count) : 0);
        return rows;
    }

    int rowCount() const { return static_cast<int>(SendMessageA(item(IDC_LIST_BOXES), LB_GETCOUNT, 0, 0)); }

    // Picks the entry with this text from a drop-down list and notifies the
    // dialog; false when the list does not offer it.
    bool choose(int comboId, const std::string& entry) const {
        HWND combo = item(comboId);
        const auto index =
            SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
        if (index == CB_ERR) return false;
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        notify(comboId, CBN_SELCHANGE, combo);
        return true;
    }

    std::vector<std::string> entries(int comboId) const {
        HWND combo = item(comboId);
        std::vector<std::string> texts;
        const auto count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char buffer[64] = {};
            SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
            texts.push_back(buffer);
        }
        return texts;
    }

    std::string chosen(int comboId) const {
        HWND combo = item(comboId);
        const auto index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR) return "<none>";
        char buffer[64] = {};
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }

    std::string text(int id) const { return textOf(item(id)); }

    // Moves the focus as the Tab key or a click would.
    void focus(int id) const { SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(id)), TRUE); }

    // Types text into a value field and presses Enter in it.
    void typeAndEnter(int fieldId, const std::string& text) const {
        focus(fieldId);
        SetWindowTextA(item(fieldId), text.c_str());
        SendMessageA(item(fieldId), WM_KEYDOWN, VK_RETURN, 0);
        SendMessageA(item(fieldId), WM_KEYUP, VK_RETURN, 0);
    }

    // Types text into a value field and leaves it for another control.
    void typeAndLeave(int fieldId, const std::string& text, int nextId = IDC_LIST_BOXES) const {
        focus(fieldId);
        SetWindowTextA(item(fieldId), text.c_str());
        focus(nextId);
    }

    // A click on a spin button's arrow: delta > 0 up, delta < 0 down.
    void spin(int spinId, int delta) const {
        NMUPDOWN change{};
        change.hdr.hwndFrom = item(spinId);
        change.hdr.idFrom = static_cast<UINT_PTR>(spinId);
        change.hdr.code = UDN_DELTAPOS;
        change.iDelta = delta;
        SendMessageA(window_, WM_NOTIFY, static_cast<WPARAM>(spinId), reinterpret_cast<LPARAM>(&change));
    }

    // A click on a check box or push button that opens no window.
    void click(int id) const { SendMessageA(item(id), BM_CLICK, 0, 0); }

    // A mouse click on a picture; posted, since it may open a message box.
    void clickPicture(int id) const {
        HWND picture = item(id);
        PostMessageA(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        PostMessageA(picture, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    }

    // A mouse click on a picture, sent: returns true once the dialog has
    // handled it, false when the dialog was still busy with it after
    // timeoutMs (a modal window it opened, say).
    bool clickPictureAndWait(int id, DWORD timeoutMs = kWaitMs) const {
        HWND picture = item(id);
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4), SMTO_NORMAL, timeoutMs,
                                   &result) != 0 &&
               SendMessageTimeoutA(picture, WM_LBUTTONUP, 0, MAKELPARAM(4, 4), SMTO_NORMAL, timeoutMs, &result) != 0;
    }

    bool enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
    bool checked(int id) const { return SendMessageA(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

    // Ends the dialog with OK or Cancel (posted: the host's call returns).
    void ok() const { postClick(window_, IDC_BUTTON_OK); }
    void cancel() const { postClick(window_, IDC_BUTTON_CANCEL); }

private:
    void notify(int id, int code, HWND control) const {
        SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
    }

    HWND window_;
};

// The Explorer-style or classic file dialog with this title: types a path
// into its file-name field, lets beforeOk work the dialog, and presses its OK
// button. The file dialog, or nullptr when none appears.
inline HWND answerFileDialog(const std::string& title, const std::string& path,
                             const std::function<void(HWND)>& beforeOk = {}) {
    HWND dialog = waitForWindow(title);
    if (dialog == nullptr) return nullptr;
    // The file-name field: the edit of a combo box (id 1148) or a plain
    // edit (id 1152), depending on the dialog's style.
    HWND field = nullptr;
    for (HWND window : descendants(dialog)) {
        const int id = GetDlgCtrlID(window);
        if ((id == 1148 || id == 1152) && classOf(window) == "Edit") field = window;
    }
    if (field == nullptr) return nullptr;
    SetWindowTextA(field, path.c_str());
    if (beforeOk) beforeOk(dialog);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return dialog;
}

// Cancels the file dialog with this title; false when it does not appear.
inline bool cancelFileDialog(const std::string& title) {
    HWND dialog = waitForWindow(title);
    if (dialog == nullptr) return false;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return waitUntilGone(dialog);
}

// Waits for the message box with this caption, returns its text and presses
// the given button. The empty string when it does not appear.
inline std::string answerMessageBox(const std::string& caption, int button = IDOK, DWORD timeoutMs = kWaitMs) {
    HWND box = waitForWindow(caption, timeoutMs);
    if (box == nullptr) return std::string();
    const std::string text = messageText(box);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    waitUntilGone(box);
    return text;
}

}  // namespace dialog_driver
