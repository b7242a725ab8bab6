#include "dialog/design_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>

#include "design/design_edits.h"
#include "design/splay_proposal.h"
#include "design/value_text.h"
#include "dialog/auto_splay_dialog.h"
#include "dialog/dialog_ids.h"
#include "dialog/exchange_file_dialogs.h"
#include "dialog/platform_dialog.h"
#include "dialog/window_support.h"
#include "exchange/design_exchange.h"
#include "model/catalogue.h"
#include "model/guarded.h"

namespace ksr {

namespace {

// The two red labels: the grid-angle reminder and the rigging warning.
constexpr COLORREF kWarningTextColour = RGB(204, 0, 0);

// Ranges of the two spin buttons. Their positions play no part in the
// values: each click reads the field and steps it.
constexpr short kAngleSpinLower = -10, kAngleSpinUpper = 0;
constexpr short kGainSpinLower = -200, kGainSpinUpper = 0;

LRESULT send(HWND control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(control, message, wParam, lParam);
}

void setSpinRange(HWND spin, short lower, short upper) {
    send(spin, UDM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(upper), static_cast<WORD>(lower)));
}

// The preset the preset list shows: its first entry is Standard, its second
// FIR Curve.
int32_t shownPreset(HWND presetList) {
    switch (send(presetList, CB_GETCURSEL)) {
        case 0:
            return kPresetStandard;
        case 1:
            return kPresetFirCurve;
        default:
            return kPresetNone;
    }
}

}  // namespace

DesignDialog::DesignDialog(const DialogValues& values) : design(loadDesign(values)), arrayHeight_(values.arrayHeight) {
    rebuildRows();
}

bool DesignDialog::run() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const INT_PTR result = DialogBoxParamA(moduleInstance(), MAKEINTRESOURCEA(IDD_DESIGN), nullptr, dialogProc,
                                           reinterpret_cast<LPARAM>(this));
    return result == IDOK;
}

INT_PTR CALLBACK DesignDialog::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<DesignDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->window_ = window;
        try {
            dialog->initialise();
        } catch (...) {
            // A dialog that could not be set up ends as if cancelled.
            dialog->closing_ = true;
            EndDialog(window, IDCANCEL);
        }
        return TRUE;
    }
    auto* dialog = reinterpret_cast<DesignDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (dialog == nullptr) return FALSE;
    return guarded(INT_PTR{FALSE}, [&] { return dialog->handleMessage(message, wParam, lParam); });
}

INT_PTR DesignDialog::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            return handleCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_NOTIFY:
            return handleNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam) ? TRUE : FALSE;
        case WM_DRAWITEM:
            if (wParam != IDC_LIST_BOXES) return FALSE;
            table_.drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_MEASUREITEM:
            // The platform's row height for the list's font stays.
            return wParam == IDC_LIST_BOXES ? TRUE : FALSE;
        case WM_COMPAREITEM:
            // The table is not sorted.
            SetWindowLongPtrA(window_, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_DELETEITEM:
            // The rows belong to the dialog, not to the list.
            return TRUE;
        case WM_CTLCOLORDLG:
            return reinterpret_cast<INT_PTR>(dialogBackgroundBrush());
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return reinterpret_cast<INT_PTR>(
                controlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        default:
            return FALSE;
    }
}

HBRUSH DesignDialog::controlColour(HDC dc, HWND control) {
    // Edit fields (also disabled ones, which ask as statics) keep the
    // platform's colours.
    if (isEditControl(control)) return nullptr;
    SetBkMode(dc, TRANSPARENT);
    const int id = GetDlgCtrlID(control);
    if (id == IDC_STATIC_GRID_NOTE || id == IDC_STATIC_WARNING) SetTextColor(dc, kWarningTextColour);
    return dialogBackgroundBrush();
}

void DesignDialog::initialise() {
    makerLogo_.attach(control(IDC_PICTURE_MAKER_LOGO));
    angleField_.attach(control(IDC_EDIT_ANGLE), [this] { commitAngle(); });
    gridField_.attach(control(IDC_EDIT_GRID), [this] { commitGrid(); });
    gainField_.attach(control(IDC_EDIT_GAIN), [this] { commitGain(); });

    setSpinRange(control(IDC_SPIN_ANGLE), kAngleSpinLower, kAngleSpinUpper);
    setSpinRange(control(IDC_SPIN_GAIN), kGainSpinLower, kGainSpinUpper);

    HWND countList = control(IDC_COMBO_COUNT);
    send(countList, CB_RESETCONTENT);
    for (int32_t count = kMinBoxes; count <= kMaxBoxes; ++count) {
        send(countList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(paddedIntegerText(count).c_str()));
    }

    table_.addColumn(12, CellAlignment::centred, CellAlignment::centred, "Box #");
    table_.addColumn(24, CellAlignment::centred, CellAlignment::left, "Box Type");
    table_.addColumn(24, CellAlignment::centred, CellAlignment::centred, "Diff Ang [deg]");
    table_.addColumn(24, CellAlignment::centred, CellAlignment::centred, "Elev Ang [deg]");
    table_.addColumn(kWidthToRightEdge, CellAlignment::centred, CellAlignment::centred, "Gain [dB]");
    table_.attach(control(IDC_LIST_BOXES));

    showCount();
    showGrid();
    syncRows();
    CheckDlgButton(window_, IDC_CHECK_GROUND_STACKED, design.groundStacked != 0 ? BST_CHECKED : BST_UNCHECKED);
}

bool DesignDialog::handleCommand(int id, int code) {
    switch (id) {
        case IDOK:
        case IDC_BUTTON_OK:
            if (code == BN_CLICKED) finish(true);
            return true;
        case IDCANCEL:
        case IDC_BUTTON_CANCEL:
            if (code == BN_CLICKED) finish(false);
            return true;
        case IDC_LIST_BOXES:
            if (code == LBN_SELCHANGE) onSelectionChanged();
            return true;
        case IDC_COMBO_TYPE:
            if (code == CBN_SELCHANGE) onTypeChosen();
            return true;
        case IDC_COMBO_PRESET:
            if (code == CBN_SELCHANGE) onPresetChosen();
            return true;
        case IDC_COMBO_COUNT:
            if (code == CBN_SELCHANGE) onCountChosen();
            return true;
        case IDC_EDIT_ANGLE:
            if (code == EN_KILLFOCUS) commitAngle();
            return true;
        case IDC_EDIT_GAIN:
            if (code == EN_KILLFOCUS) commitGain();
            return true;
        case IDC_EDIT_GRID:
            if (code == EN_KILLFOCUS) commitGrid();
            return true;
        case IDC_CHECK_GROUND_STACKED:
            if (code == BN_CLICKED) onGroundStackedClicked();
            return true;
        case IDC_BUTTON_IMPORT:
            if (code == BN_CLICKED) onImport();
            return true;
        case IDC_BUTTON_EXPORT:
            if (code == BN_CLICKED) onExport();
            return true;
        case IDC_BUTTON_AUTO_SPLAY:
            if (code == BN_CLICKED) onAutoSplay();
            return true;
        case IDC_PICTURE_HELP:
            if (code == STN_CLICKED) openHelp(window_);
            return true;
        case IDC_PICTURE_FAMILY_LOGO:
        case IDC_PICTURE_VELT_VIEW:
            if (code == STN_CLICKED) openTarget(window_, kFamilyPageAddress);
            return true;
        case IDC_PICTURE_MAKER_LOGO:
            if (code == STN_CLICKED) openTarget(window_, kHomePageAddress);
            return true;
        default:
            return false;
    }
}

bool DesignDialog::handleNotify(const NMHDR& header, LPARAM lParam) {
    if (header.code != static_cast<UINT>(UDN_DELTAPOS)) return false;
    const int delta = reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta;
    if (header.idFrom == IDC_SPIN_ANGLE) {
        stepAngle(delta);
    } else if (header.idFrom == IDC_SPIN_GAIN) {
        stepGainBy(delta);
    } else {
        return false;
    }
    // Let the spin move; its position is never read.
    SetWindowLongPtrA(window_, DWLP_MSGRESULT, 0);
    return true;
}

void DesignDialog::finish(bool confirmed) {
    if (closing_) return;
    if (confirmed) {
        // A value typed into the focused field is not lost when the dialog
        // is confirmed without the focus leaving it.
        HWND focus = GetFocus();
        if (focus == angleField_.window()) commitAngle();
        if (focus == gainField_.window()) commitGain();
        if (focus == gridField_.window()) {
            if (const auto grid = parseFieldNumber(windowText(focus, kGridFieldChars), kGridFieldChars)) {
                setGridElevation(design, *grid);
            }
        }
    }
    closing_ = true;
    EndDialog(window_, confirmed ? IDOK : IDCANCEL);
}

std::span<const int32_t> DesignDialog::selection() const {
    return std::span<const int32_t>(selectedBoxes.data(),
                                    static_cast<size_t>(std::clamp(selectionCount, 0, kMaxBoxes)));
}

void DesignDialog::rebuildRows() {
    for (int32_t k = 0; k < kMaxBoxes; ++k) buildRow(rows[static_cast<size_t>(k)], design, k);
}

void DesignDialog::repaintTable(bool erase) {
    InvalidateRect(table_.window(), nullptr, erase ? TRUE : FALSE);
}

void DesignDialog::refreshSelection() {
    showTypeList();
    showPresetList(design.boxes[static_cast<size_t>(currentBox)].type);
    showAngle();
    showGain();
}

void DesignDialog::showTypeList() {
    HWND typeList = control(IDC_COMBO_TYPE);
    send(typeList, CB_RESETCONTENT);
    typeChoiceIds = typeChoices(design, currentBox);
    for (int32_t id : typeChoiceIds) {
        const BoxTypeEntry* entry = findBoxType(id);
        send(typeList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry != nullptr ? entry->name : ""));
    }
    const int32_t listed = typeChoiceIds.indexOf(baseType(design.boxes[static_cast<size_t>(currentBox)].type));
    send(typeList, CB_SETCURSEL, static_cast<WPARAM>(listed));
}

void DesignDialog::showPresetList(int32_t type) {
    HWND presetList = control(IDC_COMBO_PRESET);
    const PresetChoices choices = presetChoices(type);
    // Refilled only when the offer changes, so that the list does not flicker.
    if (send(presetList, CB_GETCOUNT) != choices.count) {
        send(presetList, CB_RESETCONTENT);
        for (int32_t preset : choices) {
            send(presetList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(presetNames[static_cast<size_t>(preset)]));
        }
    }
    const BoxTypeEntry* entry = findBoxType(type);
    const int32_t shown = entry != nullptr ? presetEntry(choices, entry->preset) : -1;
    send(presetList, CB_SETCURSEL, static_cast<WPARAM>(shown));
}

void DesignDialog::showAngle() {
    const DesignBox& box = design.boxes[static_cast<size_t>(currentBox)];
    SetWindowTextA(angleField_.window(), paddedWholeNumberText(box.differenceAngle).c_str());
    const AngleSteps steps = currentAngleSteps(design, currentBox);
    angleUpStep = steps.up;
    angleDownStep = steps.down;
}

void DesignDialog::showGain() {
    SetWindowTextA(gainField_.window(), gainText(design.boxes[static_cast<size_t>(currentBox)].gain).c_str());
}

void DesignDialog::showGrid() {
    wholeGrid(design);
    SetWindowTextA(gridField_.window(), wholeNumberText(design.gridElevation).c_str());
}

void DesignDialog::showCount() {
    design.boxCount = clampBoxCount(design.boxCount);
    send(control(IDC_COMBO_COUNT), CB_SETCURSEL, static_cast<WPARAM>(design.boxCount - kMinBoxes));
}

void DesignDialog::syncRows() {
    table_.syncRows(rows, design.boxCount, [this] { onSelectionChanged(); });
}

void DesignDialog::onSelectionChanged() {
    HWND list = table_.window();
    const LRESULT count = send(list, LB_GETSELCOUNT);
    if (count < 1) {
        // The table never stays without a selection: the row under the
        // caret is selected again and shown like any other selection.
        selectionCount = 0;
        LRESULT caret = send(list, LB_GETCARETINDEX);
        if (caret < 0) caret = 0;
        send(list, LB_SETSEL, TRUE, caret);
        if (send(list, LB_GETSELCOUNT) >= 1) onSelectionChanged();
        return;
    }
    std::array<int, kMaxBoxes> indices{};
    const LRESULT read = send(list, LB_GETSELITEMS, kMaxBoxes, reinterpret_cast<LPARAM>(indices.data()));
    selectionCount = static_cast<int32_t>(std::clamp<LRESULT>(read, 0, kMaxBoxes));
    for (int32_t i = 0; i < selectionCount; ++i)
        selectedBoxes[static_cast<size_t>(i)] = indices[static_cast<size_t>(i)];
    if (selectionCount >= 1 && indices[0] >= 0 && indices[0] < kMaxBoxes) {
        currentBox = indices[0];
        refreshSelection();
    }
    // One angle field cannot show several angles; the spin still steps them.
    EnableWindow(angleField_.window(), count == 1 ? TRUE : FALSE);
}

void DesignDialog::onTypeChosen() {
    const LRESULT entry = send(control(IDC_COMBO_TYPE), CB_GETCURSEL);
    if (entry < 0 || entry >= typeChoiceIds.count) return;
    const int32_t listed = typeChoiceIds.entries[static_cast<size_t>(entry)];
    const TypeChoice choice = chooseBoxType(design, selection(), listed, shownPreset(control(IDC_COMBO_PRESET)));
    showPresetList(choice.type);
    rebuildRows();
    repaintTable(false);
    showAngle();
}

void DesignDialog::onPresetChosen() {
    HWND presetList = control(IDC_COMBO_PRESET);
    const auto count = static_cast<int32_t>(send(presetList, CB_GETCOUNT));
    if (!choosePreset(design, selection(), currentBox, shownPreset(presetList), count)) return;
    rebuildRows();
    repaintTable(true);
}

void DesignDialog::onCountChosen() {
    const LRESULT entry = send(control(IDC_COMBO_COUNT), CB_GETCURSEL);
    if (entry < 0) return;
    chooseBoxCount(design, static_cast<int32_t>(entry));
    syncRows();
}

void DesignDialog::commitAngle() {
    if (closing_ || selectionCount < 1) return;
    const auto angle = parseFieldNumber(windowText(angleField_.window(), kAngleFieldChars), kAngleFieldChars);
    if (!angle) return;
    setDifferenceAngle(design, selection(), currentBox, *angle);
    rebuildRows();
    repaintTable(false);
    showAngle();
}

void DesignDialog::stepAngle(int delta) {
    const auto angle = parseFieldNumber(windowText(angleField_.window(), kAngleFieldChars), kAngleFieldChars);
    if (!angle) return;
    const float stepped =
        delta >= 0 ? *angle + static_cast<float>(angleUpStep) : *angle - static_cast<float>(angleDownStep);
    setDifferenceAngle(design, selection(), currentBox, stepped);
    rebuildRows();
    repaintTable(true);
    showAngle();
}

void DesignDialog::commitGain() {
    if (closing_ || selectionCount < 1) return;
    const auto gain = parseFieldNumber(windowText(gainField_.window(), kGainFieldChars), kGainFieldChars);
    if (!gain) return;
    setGain(design, selection(), *gain);
    rebuildRows();
    repaintTable(false);
    showGain();
}

void DesignDialog::stepGainBy(int delta) {
    const auto gain = parseFieldNumber(windowText(gainField_.window(), kGainFieldChars), kGainFieldChars);
    if (!gain) return;
    setGain(design, selection(), stepGain(*gain, delta > 0 ? StepDirection::up : StepDirection::down));
    rebuildRows();
    repaintTable(false);
    showGain();
}

void DesignDialog::commitGrid() {
    if (closing_) return;
    const auto grid = parseFieldNumber(windowText(gridField_.window(), kGridFieldChars), kGridFieldChars);
    if (!grid) {
        // Text that is no number keeps the focus in the field.
        PostMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(gridField_.window()), TRUE);
        return;
    }
    setGridElevation(design, *grid);
    showGrid();
    rebuildRows();
    repaintTable(true);
}

void DesignDialog::onGroundStackedClicked() {
    design.groundStacked = IsDlgButtonChecked(window_, IDC_CHECK_GROUND_STACKED) == BST_CHECKED ? 1 : 0;
}

void DesignDialog::onImport() {
    const std::optional<std::string> path = askImportPath(window_);
    if (!path) return;
    const ImportResult result = importExchangeFile(*path, design);
    if (!result.imported) {
        MessageBoxA(window_, kImportErrorText, kImportErrorCaption, MB_OK);
        return;
    }
    CheckDlgButton(window_, IDC_CHECK_GROUND_STACKED, design.groundStacked != 0 ? BST_CHECKED : BST_UNCHECKED);
    recomputeElevations(design);
    rebuildRows();
    showCount();
    showGrid();
    syncRows();
    repaintTable(false);
    onSelectionChanged();
}

void DesignDialog::onExport() {
    CFileDialog1 saveDialog(window_);
    if (!saveDialog.run()) return;
    const ExportResult result = exportExchangeFile(design, saveDialog.path(), saveDialog.exchangeVersion);
    if (!result.written()) {
        const std::string text = "Error: " + result.reason;
        MessageBoxA(window_, text.c_str(), kExportErrorCaption, MB_OK | MB_ICONERROR);
    }
}

void DesignDialog::onAutoSplay() {
    AutoSplayDialog splay(design, arrayHeight_);
    const std::optional<SplayChoice> choice = splay.run(window_);
    if (!choice || !applySplayProposal(design, choice->proposal, choice->withGains).applied) return;
    showGrid();
    rebuildRows();
    repaintTable(true);
    refreshSelection();
}

std::optional<DialogValues> runPlatformDesignDialog(const DialogValues& opened) {
    DesignDialog dialog(opened);
    if (!dialog.run()) return std::nullopt;
    DialogValues confirmed = opened;
    collectDesign(dialog.workingDesign(), confirmed);
    return confirmed;
}

}  // namespace ksr
