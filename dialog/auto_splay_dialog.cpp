#include "dialog/auto_splay_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "design/splay_report.h"
#include "dialog/dialog_ids.h"
#include "dialog/window_support.h"
#include "model/guarded.h"
#include "model/numeric.h"

namespace ksr {

namespace {

// Posted by the worker: the fraction done in thousandths (wParam), and its
// end (wParam 1 when the computation failed).
constexpr UINT kProgressMessage = WM_APP + 1;
constexpr UINT kFinishedMessage = WM_APP + 2;

constexpr int kProgressRange = 1000;
constexpr COLORREF kReminderTextColour = RGB(204, 0, 0);
constexpr size_t kFieldChars = 64;

// The fields that describe the request; disabled while a computation runs.
constexpr int kRequestControls[] = {
    IDC_EDIT_SPLAY_TRIM,  IDC_EDIT_SPLAY_NEAR,  IDC_EDIT_SPLAY_FAR,      IDC_EDIT_SPLAY_FLOOR_NEAR,
    IDC_EDIT_SPLAY_FLOOR_FAR, IDC_EDIT_SPLAY_EAR, IDC_EDIT_SPLAY_SLOPE, IDC_EDIT_SPLAY_MAX_STEP,
    IDC_CHECK_SPLAY_ALLOW_ZERO, IDC_CHECK_SPLAY_SECOND_ZONE, IDC_CHECK_SPLAY_SHADE,
};
// The second zone's fields: enabled only while its check box is on.
constexpr int kSecondZoneControls[] = {
    IDC_EDIT_SPLAY_ZONE_NEAR, IDC_EDIT_SPLAY_ZONE_FAR, IDC_EDIT_SPLAY_ZONE_FLOOR_NEAR, IDC_EDIT_SPLAY_ZONE_FLOOR_FAR,
};

template <class... Args>
std::string formatted(const char* format, Args... args) {
    char buffer[128];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    if (length < 0) return std::string();
    return std::string(buffer, std::min(static_cast<size_t>(length), sizeof buffer - 1));
}

DrawnDesign drawnCandidate(const SplayCandidate& candidate, double trim) {
    DrawnDesign drawn;
    drawn.boxes = splayBoxPoses(candidate.design, trim);
    drawn.distance = candidate.distance;
    drawn.zone = candidate.zone;
    drawn.level = optimisedBandLevels(candidate);
    drawn.summary = candidate.figures.summary;
    return drawn;
}

}  // namespace

AutoSplayDialog::AutoSplayDialog(const WorkingDesign& design, std::optional<float> arrayHeight)
    : design_(design), arrayHeight_(arrayHeight) {}

AutoSplayDialog::~AutoSplayDialog() {
    stopRequested_ = true;
    waitForWorker();
}

std::optional<SplayChoice> AutoSplayDialog::run(HWND owner) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const INT_PTR result = DialogBoxParamA(moduleInstance(), MAKEINTRESOURCEA(IDD_AUTO_SPLAY), owner, dialogProc,
                                           reinterpret_cast<LPARAM>(this));
    stopRequested_ = true;
    waitForWorker();
    if (result != IDOK || !result_) return std::nullopt;
    return SplayChoice{result_->proposal.design, resultShaded_};
}

INT_PTR CALLBACK AutoSplayDialog::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<AutoSplayDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->window_ = window;
        try {
            dialog->initialise();
        } catch (...) {
            EndDialog(window, IDCANCEL);
        }
        return TRUE;
    }
    auto* dialog = reinterpret_cast<AutoSplayDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (dialog == nullptr) return FALSE;
    return guarded(INT_PTR{FALSE}, [&] { return dialog->handleMessage(message, wParam, lParam); });
}

INT_PTR AutoSplayDialog::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            return handleCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case kProgressMessage:
            onProgress(wParam);
            return TRUE;
        case kFinishedMessage:
            onFinished(wParam != 0);
            return TRUE;
        case WM_DRAWITEM: {
            if (wParam != IDC_PICTURE_SPLAY_VIEW) return FALSE;
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            const auto font = reinterpret_cast<HFONT>(SendMessageA(window_, WM_GETFONT, 0, 0));
            drawSplayPicture(item.hDC, item.rcItem, font, picture_);
            return TRUE;
        }
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

HBRUSH AutoSplayDialog::controlColour(HDC dc, HWND control) {
    if (isEditControl(control)) return nullptr;
    SetBkMode(dc, TRANSPARENT);
    if (GetDlgCtrlID(control) == IDC_STATIC_SPLAY_GRID_NOTE) SetTextColor(dc, kReminderTextColour);
    return dialogBackgroundBrush();
}

void AutoSplayDialog::initialise() {
    const SplayFieldTexts texts = openingSplayFields(arrayHeight_);
    const std::pair<int, const std::string*> fields[] = {
        {IDC_EDIT_SPLAY_TRIM, &texts.trim},           {IDC_EDIT_SPLAY_NEAR, &texts.near},
        {IDC_EDIT_SPLAY_FAR, &texts.far},             {IDC_EDIT_SPLAY_FLOOR_NEAR, &texts.floorNear},
        {IDC_EDIT_SPLAY_FLOOR_FAR, &texts.floorFar},  {IDC_EDIT_SPLAY_EAR, &texts.earHeight},
        {IDC_EDIT_SPLAY_SLOPE, &texts.slope},         {IDC_EDIT_SPLAY_MAX_STEP, &texts.maxStep},
        {IDC_EDIT_SPLAY_ZONE_NEAR, &texts.zoneNear},  {IDC_EDIT_SPLAY_ZONE_FAR, &texts.zoneFar},
        {IDC_EDIT_SPLAY_ZONE_FLOOR_NEAR, &texts.zoneFloorNear}, {IDC_EDIT_SPLAY_ZONE_FLOOR_FAR, &texts.zoneFloorFar},
    };
    for (const auto& [id, text] : fields) SetDlgItemTextA(window_, id, text->c_str());
    CheckDlgButton(window_, IDC_CHECK_SPLAY_ALLOW_ZERO, texts.allowZeroSplay ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window_, IDC_CHECK_SPLAY_SECOND_ZONE, texts.secondZone ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window_, IDC_CHECK_SPLAY_SHADE, texts.shadeGains ? BST_CHECKED : BST_UNCHECKED);
    SendMessageA(control(IDC_PROGRESS_SPLAY), PBM_SETRANGE32, 0, kProgressRange);
    SetDlgItemTextA(window_, IDC_STATIC_SPLAY_STATUS, "Describe the audience and press Compute.");
    showComputing(false);
    showPictureFor(readSplayFields(design_, texts).request);
}

bool AutoSplayDialog::handleCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_BUTTON_SPLAY_COMPUTE:
            compute();
            return true;
        case IDC_BUTTON_SPLAY_STOP:
            stop();
            return true;
        case IDC_BUTTON_SPLAY_APPLY:
            finish(true);
            return true;
        case IDCANCEL:
        case IDC_BUTTON_SPLAY_CLOSE:
            finish(false);
            return true;
        case IDC_CHECK_SPLAY_SECOND_ZONE:
            enableSecondZone();
            showPictureFor(readSplayFields(design_, fieldTexts()).request);
            return true;
        case IDOK:
            // Enter with no default button at hand: nothing to confirm.
            return true;
        default:
            return false;
    }
}

SplayFieldTexts AutoSplayDialog::fieldTexts() const {
    SplayFieldTexts texts;
    texts.trim = windowText(control(IDC_EDIT_SPLAY_TRIM), kFieldChars);
    texts.near = windowText(control(IDC_EDIT_SPLAY_NEAR), kFieldChars);
    texts.far = windowText(control(IDC_EDIT_SPLAY_FAR), kFieldChars);
    texts.floorNear = windowText(control(IDC_EDIT_SPLAY_FLOOR_NEAR), kFieldChars);
    texts.floorFar = windowText(control(IDC_EDIT_SPLAY_FLOOR_FAR), kFieldChars);
    texts.earHeight = windowText(control(IDC_EDIT_SPLAY_EAR), kFieldChars);
    texts.slope = windowText(control(IDC_EDIT_SPLAY_SLOPE), kFieldChars);
    texts.maxStep = windowText(control(IDC_EDIT_SPLAY_MAX_STEP), kFieldChars);
    texts.allowZeroSplay = IsDlgButtonChecked(window_, IDC_CHECK_SPLAY_ALLOW_ZERO) == BST_CHECKED;
    texts.secondZone = IsDlgButtonChecked(window_, IDC_CHECK_SPLAY_SECOND_ZONE) == BST_CHECKED;
    texts.zoneNear = windowText(control(IDC_EDIT_SPLAY_ZONE_NEAR), kFieldChars);
    texts.zoneFar = windowText(control(IDC_EDIT_SPLAY_ZONE_FAR), kFieldChars);
    texts.zoneFloorNear = windowText(control(IDC_EDIT_SPLAY_ZONE_FLOOR_NEAR), kFieldChars);
    texts.zoneFloorFar = windowText(control(IDC_EDIT_SPLAY_ZONE_FLOOR_FAR), kFieldChars);
    texts.shadeGains = IsDlgButtonChecked(window_, IDC_CHECK_SPLAY_SHADE) == BST_CHECKED;
    return texts;
}

void AutoSplayDialog::compute() {
    if (computing_) return;
    const SplayFieldReading reading = readSplayFields(design_, fieldTexts());
    if (!reading.request) {
        MessageBoxA(window_, reading.message.c_str(), kSplayInputCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    result_.reset();
    pending_.reset();
    resultShaded_ = reading.request->shadeGains;
    SetDlgItemTextA(window_, IDC_STATIC_SPLAY_FIGURES, "");
    showPictureFor(reading.request);
    stopRequested_ = false;
    postedPermille_ = -1;
    SendMessageA(control(IDC_PROGRESS_SPLAY), PBM_SETPOS, 0, 0);
    SetDlgItemTextA(window_, IDC_STATIC_SPLAY_STATUS, "Computing...");
    computing_ = true;
    showComputing(true);

    const HWND window = window_;
    worker_ = std::thread([this, window, design = design_, request = *reading.request] {
        bool failed = false;
        try {
            auto progress = [this, window](double fraction) {
                if (stopRequested_.load()) return false;
                const int permille =
                    std::clamp(truncateToInt32(fraction * kProgressRange), 0, kProgressRange);
                if (postedPermille_.exchange(permille) != permille) {
                    PostMessageA(window, kProgressMessage, static_cast<WPARAM>(permille), 0);
                }
                return true;
            };
            pending_ = std::make_unique<SplayResult>(autoSplay(design, request, progress));
        } catch (...) {
            failed = true;
        }
        PostMessageA(window, kFinishedMessage, failed ? 1 : 0, 0);
    });
}

void AutoSplayDialog::stop() {
    if (!computing_ || stopRequested_) return;
    // The window answers at once; the worker stops at its next progress
    // report and its end is only cleaned up when it arrives.
    stopRequested_ = true;
    SendMessageA(control(IDC_PROGRESS_SPLAY), PBM_SETPOS, 0, 0);
    SetDlgItemTextA(window_, IDC_STATIC_SPLAY_STATUS, "Cancelled.");
    // The keyboard leaves the button it is about to disable.
    SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control(IDC_BUTTON_SPLAY_CLOSE)), TRUE);
    EnableWindow(control(IDC_BUTTON_SPLAY_STOP), FALSE);
}

void AutoSplayDialog::onProgress(WPARAM permille) {
    if (!computing_ || stopRequested_) return;
    SendMessageA(control(IDC_PROGRESS_SPLAY), PBM_SETPOS, permille, 0);
}

void AutoSplayDialog::onFinished(bool failed) {
    if (!computing_) return;
    waitForWorker();
    computing_ = false;
    std::unique_ptr<SplayResult> finished = std::move(pending_);
    if (stopRequested_) {
        SetDlgItemTextA(window_, IDC_STATIC_SPLAY_STATUS, "Cancelled. Nothing was computed.");
    } else if (failed || !finished || finished->cancelled) {
        SetDlgItemTextA(window_, IDC_STATIC_SPLAY_STATUS, "The computation failed.");
    } else {
        result_ = std::move(finished);
        const double trim = picture_.audience ? picture_.audience->trim : SplayRequest{}.trim;
        picture_.current = drawnCandidate(result_->input, trim);
        picture_.proposal = drawnCandidate(result_->proposal, trim);
        std::string figures;
        const std::string zoneNames[] = {kFirstZoneName, kSecondZoneName};
        for (const std::string& line : splaySummaryLines(*result_, zoneNames)) figures += line + "\n";
        SetDlgItemTextA(window_, IDC_STATIC_SPLAY_FIGURES, figures.c_str());
        SetDlgItemTextA(window_, IDC_STATIC_SPLAY_STATUS,
                        formatted("Done in %.1f s; %lld designs evaluated.", result_->seconds,
                                  static_cast<long long>(result_->evaluations))
                            .c_str());
        SendMessageA(control(IDC_PROGRESS_SPLAY), PBM_SETPOS, kProgressRange, 0);
        InvalidateRect(control(IDC_PICTURE_SPLAY_VIEW), nullptr, FALSE);
    }
    stopRequested_ = false;
    showComputing(false);
    if (closeWhenStopped_) EndDialog(window_, IDCANCEL);
}

void AutoSplayDialog::finish(bool apply) {
    if (apply && (computing_ || !result_)) return;
    if (computing_) {
        // The window keeps painting while the worker winds down; it closes
        // when the worker's end arrives.
        closeWhenStopped_ = true;
        stop();
        return;
    }
    EndDialog(window_, apply ? IDOK : IDCANCEL);
}

void AutoSplayDialog::waitForWorker() {
    if (worker_.joinable()) worker_.join();
}

void AutoSplayDialog::showComputing(bool computing) {
    for (int id : kRequestControls) EnableWindow(control(id), computing ? FALSE : TRUE);
    enableSecondZone();
    EnableWindow(control(IDC_BUTTON_SPLAY_COMPUTE), computing ? FALSE : TRUE);
    EnableWindow(control(IDC_BUTTON_SPLAY_STOP), computing ? TRUE : FALSE);
    EnableWindow(control(IDC_BUTTON_SPLAY_APPLY), !computing && result_ ? TRUE : FALSE);
    // A disabled focused control would leave the keyboard nowhere.
    if (computing) {
        SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control(IDC_BUTTON_SPLAY_STOP)), TRUE);
    } else if (GetFocus() == nullptr || !IsWindowEnabled(GetFocus())) {
        SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control(IDC_BUTTON_SPLAY_COMPUTE)), TRUE);
    }
}

void AutoSplayDialog::enableSecondZone() {
    const bool on = !computing_ && IsDlgButtonChecked(window_, IDC_CHECK_SPLAY_SECOND_ZONE) == BST_CHECKED;
    for (int id : kSecondZoneControls) EnableWindow(control(id), on ? TRUE : FALSE);
}

void AutoSplayDialog::showPictureFor(const std::optional<SplayRequest>& audience) {
    picture_.audience = audience;
    picture_.proposal.reset();
    picture_.current = DrawnDesign{};
    picture_.current.boxes = splayBoxPoses(design_, audience ? audience->trim : SplayRequest{}.trim);
    InvalidateRect(control(IDC_PICTURE_SPLAY_VIEW), nullptr, FALSE);
}

}  // namespace ksr
