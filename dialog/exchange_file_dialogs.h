#pragma once
// The standard file dialogs of the Import and Export commands. Both leave
// the process's current directory as it was (it belongs to the host).

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "exchange/exchange_document.h"

namespace ksr {

inline constexpr const char* kImportTitle = "KSR VELT File Import";
inline constexpr const char* kExportTitle = "KSR VELT File Export";

// The open dialog of the Import command: the exchange file the user chose,
// or nullopt when the dialog ended any other way than with OK.
std::optional<std::string> askImportPath(HWND owner);

// The save dialog of the Export command, with a child area (template 120)
// in which the user picks the file version to write; "VELT current" is
// checked whenever the dialog opens. Overwriting an existing file asks first.
class CFileDialog1 {
public:
    explicit CFileDialog1(HWND owner) : owner_(owner) {}

    // Shows the dialog; true when the user chose a file with OK.
    bool run();

    const std::string& path() const { return path_; }
    // kExchangeVersionCurrent for "VELT current", kExchangeVersionV21 for
    // "VELT v2.1".
    int32_t exchangeVersion = kExchangeVersionCurrent;

private:
    static UINT_PTR CALLBACK childHook(HWND child, UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner_;
    std::string path_;
};

}  // namespace ksr
