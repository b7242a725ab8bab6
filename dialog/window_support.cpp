#include "dialog/window_support.h"

#include <vector>

namespace ksr {

namespace {

// Owns the background brush until the module is unloaded.
struct BackgroundBrush {
    HBRUSH brush = CreateSolidBrush(kDialogBackground);
    BackgroundBrush() = default;
    BackgroundBrush(const BackgroundBrush&) = delete;
    BackgroundBrush& operator=(const BackgroundBrush&) = delete;
    ~BackgroundBrush() {
        if (brush != nullptr) DeleteObject(brush);
    }
};

}  // namespace

HINSTANCE moduleInstance() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&moduleInstance), &module);
    return module;
}

HBRUSH dialogBackgroundBrush() {
    static BackgroundBrush background;
    return background.brush;
}

std::string windowText(HWND window, size_t maxChars) {
    std::vector<char> buffer(maxChars + 1, '\0');
    const int length = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

bool isEditControl(HWND control) {
    char className[16] = {};
    GetClassNameA(control, className, sizeof className);
    return lstrcmpiA(className, "Edit") == 0;
}

}  // namespace ksr
