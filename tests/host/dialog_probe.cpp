// A host of its own for the help icon: loads the module from the path it is
// given (a copy of ksr.dll in another folder or under another name), opens
// the design dialog, clicks the help icon and prints what followed:
//   box: <text>   the missing-help message box appeared (it is closed)
//   no box        the click was handled and no box appeared
//   no dialog     the dialog did not open
// Exit code 0 when the dialog opened and closed again.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "dialog_driver.h"
#include "exports/export_list.h"
#include "exports/ksr.h"

namespace {

using namespace ksr::ordinals;

template <class Fn>
Fn exportAt(HMODULE module, int ordinal) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(ordinal)))));
}

constexpr const char* kMissingHelpCaption = "Error opening KSR help file";

// Sends the click on the help icon; the send returns once the dialog has
// handled it, which, with a message box, is after the box was closed.
DWORD WINAPI sendHelpClick(void* dialog) {
    static_cast<const dialog_driver::DesignDialog*>(dialog)->clickPictureAndWait(IDC_PICTURE_HELP);
    return 0;
}

DWORD WINAPI clickHelp(void*) {
    HWND window = dialog_driver::waitForWindow(dialog_driver::kDesignCaption);
    if (window == nullptr) {
        std::puts("no dialog");
        return 1;
    }
    const dialog_driver::DesignDialog dialog(window);
    HANDLE clicker = CreateThread(nullptr, 0, sendHelpClick, const_cast<dialog_driver::DesignDialog*>(&dialog), 0,
                                  nullptr);
    if (clicker == nullptr) return 1;
    // Either the box comes, or the click is handled without one.
    dialog_driver::waitFor([&] {
        return dialog_driver::windowWithCaption(kMissingHelpCaption) != nullptr ||
               WaitForSingleObject(clicker, 0) == WAIT_OBJECT_0;
    });
    std::string text;
    if (dialog_driver::windowWithCaption(kMissingHelpCaption) != nullptr) {
        text = dialog_driver::answerMessageBox(kMissingHelpCaption, IDOK);
    }
    WaitForSingleObject(clicker, dialog_driver::kWaitMs);
    CloseHandle(clicker);
    if (text.empty()) {
        std::puts("no box");
    } else {
        std::printf("box: %s", text.c_str());
    }
    std::fflush(stdout);
    dialog.cancel();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    HMODULE module = LoadLibraryA(argv[1]);
    if (module == nullptr) return 2;
    auto getFreeId = exportAt<int32_t(__stdcall*)()>(module, kCI_GetFreeID);
    auto makeCurrent = exportAt<int32_t(__stdcall*)(int32_t)>(module, kCI_MakeCurrent);
    auto showDialog = exportAt<int32_t(__stdcall*)(int32_t)>(module, kIP_ShowDialog);
    if (getFreeId == nullptr || makeCurrent == nullptr || showDialog == nullptr) return 2;
    if (makeCurrent(getFreeId()) != 0) return 2;
    HANDLE driver = CreateThread(nullptr, 0, clickHelp, nullptr, 0, nullptr);
    const int32_t shown = showDialog(1);
    if (driver != nullptr) {
        WaitForSingleObject(driver, dialog_driver::kWaitMs);
        CloseHandle(driver);
    }
    return shown == 0 ? 0 : 1;
}
