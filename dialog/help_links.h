#pragma once
// The design dialog's links: the help document beside the module and the
// maker's two web pages, and the hand cursor over the maker's logo.

#include <windows.h>

namespace ksr {

// The maker's product-family page (family logo, view of the prediction
// program) and home page (maker's logo).
inline constexpr const char* kFamilyPageAddress = "https://www.qto-audio.example/products/ksr/";
inline constexpr const char* kHomePageAddress = "https://www.qto-audio.example/";

// The missing-help message box.
inline constexpr const char* kMissingHelpText = "File ksr_help.pdf does not exist.";
inline constexpr const char* kMissingHelpCaption = "Error opening KSR help file";

// Asks the shell to open target ("open", normal window). Its answer is not
// examined: a target nothing can open simply stays closed.
void openTarget(HWND owner, const char* target);

// Opens "ksr_help.pdf" from the directory of the loaded module named
// "ksr.dll", or tells the user in a message box that it is missing. Nothing
// happens when no module of that name is loaded or its path has no
// directory.
void openHelp(HWND owner);

// A picture that takes the mouse and shows the hand cursor over itself.
class LinkPicture {
public:
    LinkPicture() = default;
    ~LinkPicture() { detach(); }
    LinkPicture(const LinkPicture&) = delete;
    LinkPicture& operator=(const LinkPicture&) = delete;

    void attach(HWND picture);
    void detach();

private:
    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);

    HWND picture_ = nullptr;
};

}  // namespace ksr
