// Opens the design dialog on a twelve-box array, the way a host does, so that
// tools/screenshot_dialog.sh can photograph it for the help document.
//
// The program loads ksr.dll from its own folder, resolves the exports by
// ordinal, creates an instance, places the array 11 m up, hands it the design
// below with IP_SetValue and calls IP_ShowDialog(1). A helper thread waits
// for the dialog window and selects the sixth row (so the editor shows a box
// with a splay angle). With the argument "auto-splay" it then opens the
// auto-splay dialog, types an audience, computes and waits for the proposal;
// with "auto-splay-balcony" the audience is a floor with a balcony over its
// rear, and the gains are shaded.
// It prints "ready"; a line on standard input then closes what it opened.
// Exit code 0 when the dialog was shown and closed, 1 otherwise.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "exports/export_list.h"
#include "exports/ksr.h"

namespace {

using namespace ksr::ordinals;

constexpr int kBoxTableId = 1028;
constexpr int kCancelId = 1063;
constexpr int kShownRow = 5;
constexpr const char* kDialogCaption = " Design System";

// The auto-splay dialog and the audience typed into it: a raked floor from
// 6 m to 38 m, rising 2 m, under an array hung 11 m up.
constexpr int kAutoSplayButtonId = 1064;
constexpr const char* kAutoSplayCaption = " Auto-splay";
constexpr int kSplayNearId = 1102;
constexpr int kSplayFarId = 1103;
constexpr int kSplayFloorFarId = 1105;
constexpr int kSplaySlopeId = 1107;
constexpr int kSplayComputeId = 1110;
constexpr int kSplayApplyId = 1117;
constexpr int kSplayCloseId = 1118;
constexpr float kArrayPosition[3] = {0.0f, 0.0f, 11.0f};
// The second zone and shading: a balcony from 18 m to 34 m, its floor
// rising from 6 m to 7 m over a floor from 5 m to 30 m.
constexpr int kSplaySecondZoneId = 1119;
constexpr int kSplayZoneNearId = 1120;
constexpr int kSplayZoneFarId = 1121;
constexpr int kSplayZoneFloorNearId = 1122;
constexpr int kSplayZoneFloorFarId = 1123;
constexpr int kSplayShadeId = 1124;

bool showAutoSplay = false;
bool withBalcony = false;

// The window with this caption once it is shown: a dialog is found while it
// is still being set up, and only shows itself when its fields are filled.
HWND waitForWindow(const char* caption) {
    for (int tries = 0; tries < 600; ++tries) {
        HWND window = FindWindowA(nullptr, caption);
        if (window != nullptr && IsWindowVisible(window)) return window;
        Sleep(100);
    }
    return nullptr;
}

void click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Opens the auto-splay dialog over dialog, types the audience and computes.
// The auto-splay dialog once its proposal is shown, or nullptr.
HWND computeAutoSplay(HWND dialog) {
    click(dialog, kAutoSplayButtonId);
    HWND splay = waitForWindow(kAutoSplayCaption);
    if (splay == nullptr) return nullptr;
    if (withBalcony) {
        SetDlgItemTextA(splay, kSplayNearId, "5");
        SetDlgItemTextA(splay, kSplayFarId, "30");
        SendDlgItemMessageA(splay, kSplaySecondZoneId, BM_CLICK, 0, 0);
        SetDlgItemTextA(splay, kSplayZoneNearId, "18");
        SetDlgItemTextA(splay, kSplayZoneFarId, "34");
        SetDlgItemTextA(splay, kSplayZoneFloorNearId, "6");
        SetDlgItemTextA(splay, kSplayZoneFloorFarId, "7");
        SendDlgItemMessageA(splay, kSplayShadeId, BM_CLICK, 0, 0);
    } else {
        SetDlgItemTextA(splay, kSplayNearId, "6");
        SetDlgItemTextA(splay, kSplayFarId, "38");
        SetDlgItemTextA(splay, kSplayFloorFarId, "2");
        SetDlgItemTextA(splay, kSplaySlopeId, "-1");
    }
    click(splay, kSplayComputeId);
    for (int tries = 0; tries < 1200; ++tries) {
        if (IsWindowEnabled(GetDlgItem(splay, kSplayApplyId))) return splay;
        Sleep(100);
    }
    return nullptr;
}

template <class Fn>
Fn exportAt(HMODULE module, int ordinal) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(ordinal)))));
}

// A flown array of ten KSR51 V and two KSR52 V boxes with the FIR Curve
// preset, curving from the grid's -2 degrees down to -45, the lowest boxes
// turned down for the near seats.
SetupRecord exampleDesign() {
    constexpr int kCount = 12;
    constexpr int32_t kTypes[kCount] = {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 7, 7};
    constexpr float kDifferences[kCount] = {0, -1, -1, -1, -2, -2, -3, -4, -5, -6, -8, -10};
    constexpr float kGains[kCount] = {0, 0, 0, 0, 0, 0, 1, 1, 2, 2, 3, 6};
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = kCount;
    record.gridElevation = -2.0f;
    record.hostValue = 1;
    float elevation = record.gridElevation;
    for (int i = 0; i < KSR_MAX_COMPONENTS; ++i) {
        const int k = i < kCount ? i : kCount - 1;
        if (i < kCount) elevation += kDifferences[i];
        record.boxes[i] = {kTypes[k], elevation, i < kCount ? kGains[i] : 0.0f};
    }
    record.groundStacked = 0;
    return record;
}

DWORD WINAPI driveDialog(void*) {
    HWND dialog = waitForWindow(kDialogCaption);
    if (dialog == nullptr) {
        std::puts("no dialog");
        std::fflush(stdout);
        return 1;
    }
    HWND table = GetDlgItem(dialog, kBoxTableId);
    if (table != nullptr) {
        SendMessageA(table, LB_SETSEL, FALSE, -1);
        SendMessageA(table, LB_SETSEL, TRUE, kShownRow);
        SendMessageA(table, LB_SETCARETINDEX, kShownRow, FALSE);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kBoxTableId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(table));
    }
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HWND splay = nullptr;
    if (showAutoSplay) {
        splay = computeAutoSplay(dialog);
        if (splay == nullptr) {
            std::puts("no dialog");
            std::fflush(stdout);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(kCancelId, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, kCancelId)));
            return 1;
        }
    }
    std::puts("ready");
    std::fflush(stdout);

    char line[64];
    std::fgets(line, sizeof line, stdin);
    if (splay != nullptr) {
        click(splay, kSplayCloseId);
        for (int tries = 0; tries < 100 && IsWindow(splay); ++tries) Sleep(100);
    }
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(kCancelId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, kCancelId)));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    withBalcony = argc > 1 && std::strcmp(argv[1], "auto-splay-balcony") == 0;
    showAutoSplay = withBalcony || (argc > 1 && std::strcmp(argv[1], "auto-splay") == 0);
    HMODULE module = LoadLibraryA("ksr.dll");
    if (module == nullptr) {
        std::fprintf(stderr, "ksr.dll not found\n");
        return 1;
    }
    auto getFreeId = exportAt<int32_t(__stdcall*)()>(module, kCI_GetFreeID);
    auto makeCurrent = exportAt<int32_t(__stdcall*)(int32_t)>(module, kCI_MakeCurrent);
    auto setValue = exportAt<int32_t(__stdcall*)(int32_t, const SetupRecord*)>(module, kIP_SetValue);
    auto showDialog = exportAt<int32_t(__stdcall*)(int32_t)>(module, kIP_ShowDialog);
    auto placeArray = exportAt<int32_t(__stdcall*)(const float*)>(module, kCI_SetLspkPosition3fv);
    if (getFreeId == nullptr || makeCurrent == nullptr || setValue == nullptr || showDialog == nullptr ||
        placeArray == nullptr) {
        std::fprintf(stderr, "ksr.dll lacks an export\n");
        return 1;
    }

    const SetupRecord design = exampleDesign();
    if (makeCurrent(getFreeId()) != 0 || setValue(1, &design) != 0 || placeArray(kArrayPosition) != 0) {
        std::fprintf(stderr, "no instance\n");
        return 1;
    }
    HANDLE driver = CreateThread(nullptr, 0, driveDialog, nullptr, 0, nullptr);
    const int32_t shown = showDialog(1);
    if (driver != nullptr) CloseHandle(driver);
    std::puts(shown == 0 ? "closed" : "not shown");
    FreeLibrary(module);
    return shown == 0 ? 0 : 1;
}
