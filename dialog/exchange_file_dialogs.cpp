#include "dialog/exchange_file_dialogs.h"

#include <commdlg.h>

#include <vector>

#include "dialog/dialog_ids.h"
#include "dialog/window_support.h"
#include "exchange/module_files.h"
#include "model/guarded.h"

namespace ksr {

namespace {

// Pairs of description and pattern, ended by an empty pair.
constexpr char kExchangeFilter[] = "VELT Files (*.velt)\0*.velt\0All Files (*.*)\0*.*\0";

struct FileNameBuffer {
    std::vector<char> chars = std::vector<char>(kPathBufferSize + 1, '\0');
};

OPENFILENAMEA fileDialogRecord(HWND owner, FileNameBuffer& name, const char* title) {
    OPENFILENAMEA record{};
    record.lStructSize = sizeof record;
    record.hwndOwner = owner;
    record.lpstrFilter = kExchangeFilter;
    record.nFilterIndex = 1;
    record.lpstrFile = name.chars.data();
    record.nMaxFile = static_cast<DWORD>(name.chars.size());
    record.lpstrTitle = title;
    record.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    return record;
}

}  // namespace

std::optional<std::string> askImportPath(HWND owner) {
    FileNameBuffer name;
    OPENFILENAMEA record = fileDialogRecord(owner, name, kImportTitle);
    record.Flags |= OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameA(&record)) return std::nullopt;
    return std::string(name.chars.data());
}

bool CFileDialog1::run() {
    FileNameBuffer name;
    OPENFILENAMEA record = fileDialogRecord(owner_, name, kExportTitle);
    record.Flags |= OFN_OVERWRITEPROMPT | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK;
    record.lpstrDefExt = "velt";
    record.hInstance = moduleInstance();
    record.lpTemplateName = MAKEINTRESOURCEA(IDD_EXPORT_OPTIONS);
    record.lpfnHook = childHook;
    record.lCustData = reinterpret_cast<LPARAM>(this);
    exchangeVersion = kExchangeVersionCurrent;
    if (!GetSaveFileNameA(&record)) return false;
    path_ = name.chars.data();
    return true;
}

UINT_PTR CALLBACK CFileDialog1::childHook(HWND child, UINT message, WPARAM, LPARAM lParam) {
    return guarded(UINT_PTR{0}, [&]() -> UINT_PTR {
        if (message == WM_INITDIALOG) {
            const auto* record = reinterpret_cast<const OPENFILENAMEA*>(lParam);
            SetWindowLongPtrA(child, GWLP_USERDATA, record->lCustData);
            CheckRadioButton(child, IDC_RADIO_VELT_CURRENT, IDC_RADIO_VELT_V21, IDC_RADIO_VELT_CURRENT);
            return 0;
        }
        if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_FILEOK) {
            auto* dialog = reinterpret_cast<CFileDialog1*>(GetWindowLongPtrA(child, GWLP_USERDATA));
            if (dialog != nullptr) {
                dialog->exchangeVersion = IsDlgButtonChecked(child, IDC_RADIO_VELT_CURRENT) == BST_CHECKED
                                              ? kExchangeVersionCurrent
                                              : kExchangeVersionV21;
            }
        }
        return 0;
    });
}

}  // namespace ksr
