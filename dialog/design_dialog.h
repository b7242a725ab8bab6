#pragma once
// The modal design dialog (template 113): a view over a WorkingDesign. The
// design is loaded before the window exists, every edit goes through
// design_edits.h and the rules behind it, and the controls only show the
// result: the box table, the box editor for the current box, the grid
// elevation, the cabinet count and the ground-stacked flag.

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "design/design_rules.h"
#include "design/dialog_session.h"
#include "design/table_row.h"
#include "design/working_design.h"
#include "dialog/box_table_control.h"
#include "dialog/help_links.h"
#include "dialog/value_field.h"

namespace ksr {

// The message boxes of the Import and Export commands. The Export box shows
// "Error: " and the reason the export gives, which names the file.
inline constexpr const char* kImportErrorText = "Error: This file contains no valid data.";
inline constexpr const char* kImportErrorCaption = "KSR VELT Import Error";
inline constexpr const char* kExportErrorCaption = "KSR VELT Export Error";

class DesignDialog {
public:
    // loadDesign: the working copy of the values the dialog opens with.
    explicit DesignDialog(const DialogValues& values);
    DesignDialog(const DesignDialog&) = delete;
    DesignDialog& operator=(const DesignDialog&) = delete;

    // Runs the dialog modally, with no owner window. True when it ended with
    // OK; false after Cancel or when the window could not be created.
    bool run();

    const WorkingDesign& workingDesign() const { return design; }

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    bool handleCommand(int id, int code);
    bool handleNotify(const NMHDR& header, LPARAM lParam);
    HBRUSH controlColour(HDC dc, HWND control);
    void finish(bool confirmed);

    HWND control(int id) const { return GetDlgItem(window_, id); }
    std::span<const int32_t> selection() const;

    // The controls show the design.
    void rebuildRows();
    void repaintTable(bool erase);
    void refreshSelection();
    void showTypeList();
    void showPresetList(int32_t type);
    void showAngle();
    void showGain();
    void showGrid();
    void showCount();
    void syncRows();

    // Handlers.
    void onSelectionChanged();
    void onTypeChosen();
    void onPresetChosen();
    void onCountChosen();
    void commitAngle();
    void commitGain();
    void commitGrid();
    void stepAngle(int delta);
    void stepGainBy(int delta);
    void onGroundStackedClicked();
    void onImport();
    void onExport();
    void onAutoSplay();

    WorkingDesign design;
    std::optional<float> arrayHeight_;  // the host's height of the array, offered to an auto-splay
    TableRows rows{};
    int32_t selectionCount = 0;
    std::array<int32_t, kMaxBoxes> selectedBoxes{};
    int32_t currentBox = 0;
    TypeChoices typeChoiceIds{};
    int32_t angleUpStep = 1;
    int32_t angleDownStep = 1;

    HWND window_ = nullptr;
    bool closing_ = false;  // no commits once the dialog is ending
    BoxTableControl table_;
    ValueField angleField_;
    ValueField gainField_;
    ValueField gridField_;
    LinkPicture makerLogo_;
};

}  // namespace ksr
