#pragma once
// Small pieces the dialog's window code shares: the module's own instance
// handle (for its resources), the dialog background brush, and reading and
// writing window texts.

#include <windows.h>

#include <cstddef>
#include <string>

namespace ksr {

// The dialog background and the background of every control except the edit
// fields and the list box.
inline constexpr COLORREF kDialogBackground = RGB(212, 208, 199);

// The loaded module that holds this code and its resources, whatever its
// file name.
HINSTANCE moduleInstance();

// The solid brush of kDialogBackground: made on first use, kept for the rest
// of the module's life.
HBRUSH dialogBackgroundBrush();

// At most maxChars characters of a window's text.
std::string windowText(HWND window, size_t maxChars);

// True for an edit control. Edit fields keep the platform's colours, also
// when disabled or read-only (they then ask for their colours as statics).
bool isEditControl(HWND control);

}  // namespace ksr
