// The auto-splay dialog as a user works it: the design dialog opens on the
// test thread, a second thread presses its "Auto-splay..." button, types the
// audience, computes, cancels, applies or closes, and ends the design dialog.
// The design the instance receives is read back with IP_GetValue.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "dialog_driver.h"
#include "dialog_runner.h"
#include "host_module.h"

namespace {

using dialog_driver::DesignDialog;

using namespace ksr::ordinals;

constexpr const char* kSplayCaption = " Auto-splay";
constexpr const char* kInputCaption = "KSR Auto-splay";
// A computation under Wine on a shared machine: generous, never a target.
constexpr DWORD kComputeWaitMs = 120000;

HostModule& m() {
    return hostModule();
}

// count KSR51 V boxes (type 4) hanging straight from a level grid.
SetupRecord straightArray(int32_t count) {
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = count;
    record.hostValue = 1;
    for (int i = 0; i < KSR_MAX_COMPONENTS; ++i) record.boxes[i] = {4, 0.0f, 0.0f};
    return record;
}

// The proposal as the figures show it: "Proposal: grid G deg, splays a b c deg".
struct ShownProposal {
    int grid = 0;
    std::vector<int> splays;  // boxes 1..count-1
};
std::optional<ShownProposal> shownProposal(const std::string& figures) {
    const size_t start = figures.find("Proposal: grid ");
    if (start == std::string::npos) return std::nullopt;
    std::istringstream words(figures.substr(start + 15));
    ShownProposal shown;
    std::string word;
    if (!(words >> shown.grid >> word >> word) || word != "splays") return std::nullopt;
    int splay = 0;
    while (words >> splay) shown.splays.push_back(splay);
    return shown;
}

// The auto-splay dialog, worked through its controls.
class SplayDialog : public DesignDialog {
public:
    using DesignDialog::DesignDialog;

    void type(int fieldId, const std::string& text) const { SetWindowTextA(item(fieldId), text.c_str()); }

    // Presses Compute: it only starts the worker (or shows a message box),
    // so it is posted and the caller waits for what follows.
    void compute() const { dialog_driver::postClick(window(), IDC_BUTTON_SPLAY_COMPUTE); }

    bool waitUntilComputing() const {
        return dialog_driver::waitFor([&] { return enabled(IDC_BUTTON_SPLAY_STOP); });
    }
    bool waitUntilComputed() const {
        return dialog_driver::waitFor([&] { return enabled(IDC_BUTTON_SPLAY_APPLY); }, kComputeWaitMs);
    }
    // Waits for the proposal like waitUntilComputed, watching the progress
    // bar meanwhile: the largest position short of full seen on the way, or
    // -1 when it never showed one.
    int waitUntilComputedWatchingProgress() const {
        int seen = -1;
        dialog_driver::waitFor(
            [&] {
                const int position = progress();
                if (position > 0 && position < 1000) seen = std::max(seen, position);
                return enabled(IDC_BUTTON_SPLAY_APPLY);
            },
            kComputeWaitMs);
        return seen;
    }
    bool waitUntilIdle() const {
        return dialog_driver::waitFor([&] { return enabled(IDC_BUTTON_SPLAY_COMPUTE); }, kComputeWaitMs);
    }
    int progress() const { return static_cast<int>(SendMessageA(item(IDC_PROGRESS_SPLAY), PBM_GETPOS, 0, 0)); }
};

// Presses "Auto-splay..." in the design dialog and waits for the dialog.
HWND openAutoSplay(const DesignDialog& d) {
    dialog_driver::postClick(d.window(), IDC_BUTTON_AUTO_SPLAY);
    HWND splay = dialog_driver::waitForWindow(kSplayCaption);
    EXPECT_NE(splay, nullptr) << "the auto-splay dialog did not open";
    if (splay != nullptr) {
        EXPECT_EQ(GetWindow(splay, GW_OWNER), d.window());
    }
    return splay;
}

void closeAutoSplay(const SplayDialog& s, int button = IDC_BUTTON_SPLAY_CLOSE) {
    dialog_driver::postClick(s.window(), button);
    EXPECT_TRUE(dialog_driver::waitUntilGone(s.window())) << "the auto-splay dialog is still open";
}

class AutoSplayDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const int32_t id = m().call<int32_t>(kCI_GetFreeID);
        ASSERT_GT(id, 0);
        ASSERT_EQ(m().call<int32_t>(kCI_MakeCurrent, id), 0);
    }
    void TearDown() override { m().call<int32_t>(kCI_Release); }

    static void setDesign(const SetupRecord& record) {
        ASSERT_EQ(m().call<int32_t>(kIP_SetValue, int32_t{1}, &record), 0);
    }
    static void placeArray(float x, float y, float z) {
        const float position[3] = {x, y, z};
        ASSERT_EQ(m().call<int32_t>(kCI_SetLspkPosition3fv, position), 0);
    }
    static SetupRecord appliedDesign() {
        SetupRecord record{};
        record.version = KSR_SETUP_V52;
        EXPECT_EQ(m().call<int32_t>(kIP_GetValue, int32_t{1}, &record), 0);
        return record;
    }
    static int32_t showDialog(const std::function<void(const DesignDialog&)>& drive) {
        return dialog_driver::runWithDialog([] { return m().call<int32_t>(kIP_ShowDialog, int32_t{1}); }, drive);
    }
    static void expectUnchanged(const SetupRecord& before) {
        const SetupRecord after = appliedDesign();
        EXPECT_EQ(after.gridElevation, before.gridElevation);
        for (int i = 0; i < before.boxCount; ++i) {
            EXPECT_EQ(after.boxes[i].boxElevation, before.boxes[i].boxElevation) << i;
            EXPECT_EQ(after.boxes[i].boxType, before.boxes[i].boxType) << i;
        }
    }
};

}  // namespace

TEST_F(AutoSplayDialogTest, ComputeAndApplyGiveTheShownProposalToTheDesign) {
    setDesign(straightArray(8));
    placeArray(3.0f, -1.0f, 12.0f);
    std::optional<ShownProposal> shown;
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  const SplayDialog s(openAutoSplay(d));
                  if (s.window() == nullptr) return d.cancel();
                  // The rigging height comes from where the host hung the array.
                  EXPECT_EQ(s.text(IDC_EDIT_SPLAY_TRIM), "12");
                  EXPECT_EQ(s.text(IDC_EDIT_SPLAY_EAR), "1.2");
                  EXPECT_FALSE(s.enabled(IDC_BUTTON_SPLAY_APPLY));
                  s.type(IDC_EDIT_SPLAY_NEAR, "4");
                  s.type(IDC_EDIT_SPLAY_FAR, "30");
                  s.type(IDC_EDIT_SPLAY_FLOOR_FAR, "1.5");
                  s.type(IDC_EDIT_SPLAY_SLOPE, "-1.5");
                  s.compute();
                  EXPECT_TRUE(s.waitUntilComputing());
                  EXPECT_FALSE(s.enabled(IDC_EDIT_SPLAY_FAR));
                  // The bar moves through the computation and ends full.
                  EXPECT_GT(s.waitUntilComputedWatchingProgress(), 0);
                  ASSERT_TRUE(s.enabled(IDC_BUTTON_SPLAY_APPLY));
                  EXPECT_EQ(s.progress(), 1000);
                  std::printf("Eight boxes, 4 to 30 m: %s\n", s.text(IDC_STATIC_SPLAY_STATUS).c_str());
                  EXPECT_TRUE(s.enabled(IDC_EDIT_SPLAY_FAR));
                  shown = shownProposal(s.text(IDC_STATIC_SPLAY_FIGURES));
                  EXPECT_NE(s.text(IDC_STATIC_SPLAY_FIGURES).find("Evenness"), std::string::npos);
                  closeAutoSplay(s, IDC_BUTTON_SPLAY_APPLY);
                  // The design dialog shows the proposal at once.
                  if (shown) {
                      EXPECT_EQ(d.text(IDC_EDIT_GRID), std::to_string(shown->grid));
                  }
                  d.ok();
              }),
              0);
    ASSERT_TRUE(shown) << "no proposal among the figures";
    ASSERT_EQ(shown->splays.size(), 7u);
    const SetupRecord after = appliedDesign();
    EXPECT_EQ(after.gridElevation, static_cast<float>(shown->grid));
    EXPECT_EQ(after.boxes[0].boxElevation, static_cast<float>(shown->grid));
    bool curved = false;
    for (int i = 1; i < 8; ++i) {
        EXPECT_EQ(after.boxes[i].boxElevation - after.boxes[i - 1].boxElevation, static_cast<float>(shown->splays[i - 1]))
            << i;
        EXPECT_EQ(after.boxes[i].boxType, 4) << i;
        curved = curved || shown->splays[i - 1] != 0;
    }
    EXPECT_TRUE(curved) << "a straight column was proposed for a 4 to 30 m audience";
}

TEST_F(AutoSplayDialogTest, BadInputGetsAMessageAndNoComputation) {
    const SetupRecord before = straightArray(8);
    setDesign(before);
    struct Case {
        int field;
        const char* text;
        const char* mentions;  // a word the message must hold, or "" for any message
    };
    const Case cases[] = {
        {IDC_EDIT_SPLAY_TRIM, "abc", "Rigging height"},
        {IDC_EDIT_SPLAY_NEAR, "nan", "Near edge"},
        {IDC_EDIT_SPLAY_EAR, "1.2m", "Ear height"},
        {IDC_EDIT_SPLAY_FAR, "3", ""},    // before the near edge at 5 m
        {IDC_EDIT_SPLAY_TRIM, "0.5", ""}, // below the listeners' ears
    };
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  const SplayDialog s(openAutoSplay(d));
                  if (s.window() == nullptr) return d.cancel();
                  for (const Case& c : cases) {
                      const std::string kept = s.text(c.field);
                      s.type(c.field, c.text);
                      s.compute();
                      const std::string message = dialog_driver::answerMessageBox(kInputCaption);
                      EXPECT_FALSE(message.empty()) << c.text << ": no message";
                      EXPECT_NE(message.find(c.mentions), std::string::npos) << c.text << ": " << message;
                      EXPECT_TRUE(s.enabled(IDC_BUTTON_SPLAY_COMPUTE)) << c.text;
                      EXPECT_FALSE(s.enabled(IDC_BUTTON_SPLAY_STOP)) << c.text;
                      EXPECT_FALSE(s.enabled(IDC_BUTTON_SPLAY_APPLY)) << c.text;
                      EXPECT_EQ(s.text(IDC_STATIC_SPLAY_FIGURES), "") << c.text;
                      s.type(c.field, kept);
                  }
                  closeAutoSplay(s);
                  d.ok();
              }),
              0);
    expectUnchanged(before);
}

TEST_F(AutoSplayDialogTest, CancelStopsAComputationAndCloseLeavesTheDesign) {
    const SetupRecord before = straightArray(16);
    setDesign(before);
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  const SplayDialog s(openAutoSplay(d));
                  if (s.window() == nullptr) return d.cancel();
                  s.type(IDC_EDIT_SPLAY_FAR, "80");
                  s.type(IDC_EDIT_SPLAY_TRIM, "14");

                  // Cancel during the computation: the window answers at
                  // once, and nothing is proposed.
                  s.compute();
                  ASSERT_TRUE(s.waitUntilComputing());
                  const auto pressed = std::chrono::steady_clock::now();
                  s.click(IDC_BUTTON_SPLAY_STOP);
                  EXPECT_FALSE(s.enabled(IDC_BUTTON_SPLAY_STOP));
                  EXPECT_EQ(s.text(IDC_STATIC_SPLAY_STATUS).rfind("Cancelled", 0), 0u) << s.text(IDC_STATIC_SPLAY_STATUS);
                  ASSERT_TRUE(s.waitUntilIdle());
                  const auto idle = std::chrono::steady_clock::now();
                  std::printf("Cancel: the worker ended %lld ms after the press\n",
                              static_cast<long long>(
                                  std::chrono::duration_cast<std::chrono::milliseconds>(idle - pressed).count()));
                  EXPECT_FALSE(s.enabled(IDC_BUTTON_SPLAY_APPLY));
                  EXPECT_EQ(s.text(IDC_STATIC_SPLAY_FIGURES), "");

                  // Close while a computation runs ends the dialog too.
                  s.compute();
                  ASSERT_TRUE(s.waitUntilComputing());
                  closeAutoSplay(s);
                  d.ok();
              }),
              0);
    expectUnchanged(before);

    // A finished computation, then Close: the design stays as it was.
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  const SplayDialog s(openAutoSplay(d));
                  if (s.window() == nullptr) return d.cancel();
                  s.type(IDC_EDIT_SPLAY_FAR, "25");
                  s.compute();
                  EXPECT_TRUE(s.waitUntilComputed());
                  std::printf("Sixteen boxes, 5 to 25 m: %s\n", s.text(IDC_STATIC_SPLAY_STATUS).c_str());
                  closeAutoSplay(s);
                  EXPECT_EQ(d.text(IDC_EDIT_GRID), "0");
                  d.ok();
              }),
              0);
    expectUnchanged(before);
}

TEST_F(AutoSplayDialogTest, ABalconyAndShadingAreComputedPerZoneAndApplyWritesTheGains) {
    setDesign(straightArray(10));
    placeArray(0.0f, 0.0f, 12.0f);
    std::optional<ShownProposal> shown;
    std::string figures;
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  const SplayDialog s(openAutoSplay(d));
                  if (s.window() == nullptr) return d.cancel();
                  // The second zone opens switched off, its fields disabled
                  // but filled; shading opens off.
                  EXPECT_FALSE(s.checked(IDC_CHECK_SPLAY_SECOND_ZONE));
                  EXPECT_FALSE(s.enabled(IDC_EDIT_SPLAY_ZONE_NEAR));
                  EXPECT_EQ(s.text(IDC_EDIT_SPLAY_ZONE_FAR), "35");
                  EXPECT_FALSE(s.checked(IDC_CHECK_SPLAY_SHADE));
                  s.click(IDC_CHECK_SPLAY_SECOND_ZONE);
                  EXPECT_TRUE(s.enabled(IDC_EDIT_SPLAY_ZONE_NEAR));
                  EXPECT_TRUE(s.enabled(IDC_EDIT_SPLAY_ZONE_FLOOR_FAR));
                  s.type(IDC_EDIT_SPLAY_NEAR, "5");
                  s.type(IDC_EDIT_SPLAY_FAR, "30");
                  s.type(IDC_EDIT_SPLAY_ZONE_NEAR, "18");
                  s.type(IDC_EDIT_SPLAY_ZONE_FAR, "35");
                  s.type(IDC_EDIT_SPLAY_ZONE_FLOOR_NEAR, "7");
                  s.type(IDC_EDIT_SPLAY_ZONE_FLOOR_FAR, "8");
                  s.click(IDC_CHECK_SPLAY_SHADE);
                  s.compute();
                  EXPECT_TRUE(s.waitUntilComputing());
                  EXPECT_FALSE(s.enabled(IDC_EDIT_SPLAY_ZONE_NEAR));
                  EXPECT_FALSE(s.enabled(IDC_CHECK_SPLAY_SHADE));
                  ASSERT_TRUE(s.waitUntilComputed());
                  std::printf("Ten boxes, floor and balcony, shaded: %s\n", s.text(IDC_STATIC_SPLAY_STATUS).c_str());
                  EXPECT_TRUE(s.enabled(IDC_EDIT_SPLAY_ZONE_NEAR));
                  figures = s.text(IDC_STATIC_SPLAY_FIGURES);
                  shown = shownProposal(figures);
                  closeAutoSplay(s, IDC_BUTTON_SPLAY_APPLY);
                  d.ok();
              }),
              0);
    // The figures read per zone and say what shading did.
    EXPECT_NE(figures.find("Audience: evenness"), std::string::npos) << figures;
    EXPECT_NE(figures.find("Balcony or tier: evenness"), std::string::npos) << figures;
    EXPECT_NE(figures.find("Shading: evenness"), std::string::npos) << figures;
    ASSERT_TRUE(shown) << figures;
    ASSERT_EQ(shown->splays.size(), 9u);
    const SetupRecord after = appliedDesign();
    EXPECT_EQ(after.gridElevation, static_cast<float>(shown->grid));
    bool shaded = false;
    for (int i = 0; i < 10; ++i) {
        if (i > 0) {
            EXPECT_EQ(after.boxes[i].boxElevation - after.boxes[i - 1].boxElevation,
                      static_cast<float>(shown->splays[i - 1]))
                << i;
        }
        // Gains on the dialog's grid: 0 to 12 dB down in half decibels.
        const float gain = after.boxes[i].boxGain;
        EXPECT_GE(gain, 0.0f) << i;
        EXPECT_LE(gain, 12.0f) << i;
        EXPECT_EQ(gain * 2.0f, std::round(gain * 2.0f)) << i;
        shaded = shaded || gain != 0.0f;
    }
    EXPECT_TRUE(shaded) << figures;
}

TEST_F(AutoSplayDialogTest, BadSecondZoneFieldsGetAMessageNamingTheField) {
    const SetupRecord before = straightArray(8);
    setDesign(before);
    placeArray(0.0f, 0.0f, 12.0f);
    struct Case {
        int field;
        const char* text;
        const char* mentions;
    };
    const Case cases[] = {
        {IDC_EDIT_SPLAY_ZONE_NEAR, "abc", "Balcony or tier, near edge"},
        {IDC_EDIT_SPLAY_ZONE_FLOOR_FAR, "7 m", "Balcony or tier, floor height at the far edge"},
        {IDC_EDIT_SPLAY_ZONE_FAR, "10", "Balcony or tier: the far edge"},  // before its near edge at 20 m
        {IDC_EDIT_SPLAY_ZONE_FLOOR_NEAR, "11.5", "above the audience"},   // ears above the 12 m rigging
    };
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  const SplayDialog s(openAutoSplay(d));
                  if (s.window() == nullptr) return d.cancel();
                  // Switched off, the second zone's text is never read: the
                  // computation starts (and is cancelled).
                  s.type(IDC_EDIT_SPLAY_ZONE_NEAR, "abc");
                  s.type(IDC_EDIT_SPLAY_FAR, "80");  // long enough to be caught computing
                  s.compute();
                  ASSERT_TRUE(s.waitUntilComputing());
                  s.click(IDC_BUTTON_SPLAY_STOP);
                  ASSERT_TRUE(s.waitUntilIdle());
                  s.type(IDC_EDIT_SPLAY_FAR, "20");
                  s.click(IDC_CHECK_SPLAY_SECOND_ZONE);
                  s.type(IDC_EDIT_SPLAY_ZONE_NEAR, "20");
                  for (const Case& c : cases) {
                      const std::string kept = s.text(c.field);
                      s.type(c.field, c.text);
                      s.compute();
                      const std::string message = dialog_driver::answerMessageBox(kInputCaption);
                      EXPECT_NE(message.find(c.mentions), std::string::npos) << c.text << ": " << message;
                      EXPECT_TRUE(s.enabled(IDC_BUTTON_SPLAY_COMPUTE)) << c.text;
                      EXPECT_FALSE(s.enabled(IDC_BUTTON_SPLAY_APPLY)) << c.text;
                      s.type(c.field, kept);
                  }
                  closeAutoSplay(s);
                  d.ok();
              }),
              0);
    expectUnchanged(before);
}
