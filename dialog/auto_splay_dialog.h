#pragma once
// The auto-splay dialog (template 130), opened modally from the design
// dialog: the user describes the audience and the options, Compute runs the
// optimiser in a worker thread while the window stays responsive (progress
// bar, Cancel), the picture and the figures compare the current design with
// the proposal, zone by zone when a second zone (balcony or tier) is on, and
// Apply hands the proposal back to the design dialog: the grid and the
// splays, and the gains when they were shaded. Close, Escape and the close
// box change nothing.

#include "dialog/windows_header.h"

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "design/auto_splay.h"
#include "design/splay_fields.h"
#include "design/working_design.h"
#include "dialog/splay_drawing.h"

namespace ksr {

// The caption of the bad-input message box.
inline constexpr const char* kSplayInputCaption = "KSR Auto-splay";

// What Apply hands back.
struct SplayChoice {
    WorkingDesign proposal;
    bool withGains = false;  // the gains were shaded: write them too
};

class AutoSplayDialog {
public:
    // design: the design being edited, as it stands; arrayHeight: the host's
    // height of the array, offered as the rigging height.
    AutoSplayDialog(const WorkingDesign& design, std::optional<float> arrayHeight);
    ~AutoSplayDialog();
    AutoSplayDialog(const AutoSplayDialog&) = delete;
    AutoSplayDialog& operator=(const AutoSplayDialog&) = delete;

    // Runs the dialog modally over owner. The proposal when the user chose
    // Apply; nullopt after Close or when the window could not be created.
    std::optional<SplayChoice> run(HWND owner);

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    bool handleCommand(int id, int code);
    HBRUSH controlColour(HDC dc, HWND control);

    HWND control(int id) const { return GetDlgItem(window_, id); }
    SplayFieldTexts fieldTexts() const;

    void compute();
    void stop();
    void onProgress(WPARAM permille);
    void onFinished(bool failed);
    void finish(bool apply);
    void waitForWorker();
    void showComputing(bool computing);
    void showPictureFor(const std::optional<SplayRequest>& audience);
    void enableSecondZone();

    const WorkingDesign design_;
    const std::optional<float> arrayHeight_;
    HWND window_ = nullptr;

    // The worker and what it shares with the window thread: the result is
    // written by the worker before it posts its end, and read by the window
    // thread only after that message has arrived and the worker is joined.
    std::thread worker_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<int> postedPermille_{-1};
    std::unique_ptr<SplayResult> pending_;
    bool computing_ = false;
    bool closeWhenStopped_ = false;  // Close was pressed during a computation

    std::unique_ptr<SplayResult> result_;  // the last finished computation
    bool resultShaded_ = false;            // it was computed with shading on
    SplayPicture picture_;
};

}  // namespace ksr
