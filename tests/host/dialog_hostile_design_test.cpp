// The design dialog opened on whatever a host can store in a setup record:
// NaN, infinite and huge angles and gains, box types outside the catalogue,
// counts far outside 4..16. The real dialog runs under Wine while a second
// thread reads and works it; it must show numbers only, survive its spins
// and its repaints, and give back a design a host can use.

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <thread>

#include "dialog_driver.h"
#include "dialog_runner.h"
#include "host_module.h"

namespace {

using namespace ksr::ordinals;

using dialog_driver::DesignDialog;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Every kind of value a record can carry that no dialog would produce.
SetupRecord hostileRecord(int32_t boxCount) {
    const float elevations[] = {kInf, kNaN, -1e30f, 1e30f, -kInf, 3e9f, -3e9f, 1e-45f};
    const float gains[] = {kNaN, kInf, -kInf, 3e9f, -3e9f, 1e30f, 0.5f, -1e-45f};
    const int32_t types[] = {42, -1, std::numeric_limits<int32_t>::max(), 9,
                             0,  3,  std::numeric_limits<int32_t>::min(), 7};
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = boxCount;
    record.gridElevation = kNaN;
    record.hostValue = -12345;
    for (int i = 0; i < KSR_MAX_COMPONENTS; ++i) {
        record.boxes[i] = {types[i % 8], elevations[i % 8], gains[(i + 3) % 8]};
    }
    record.groundStacked = 7;
    return record;
}

HostModule& m() {
    return hostModule();
}

// Text that is one whole number and nothing else, as the angle and grid
// fields show them ("%2d", "%d").
bool isWholeNumberText(const std::string& text) {
    if (text.find_first_not_of(' ') == std::string::npos) return false;
    char* end = nullptr;
    std::strtol(text.c_str(), &end, 10);
    return end == text.c_str() + text.size();
}

// Text that is one finite decimal number, as the gain field shows it.
bool isFiniteNumberText(const std::string& text) {
    if (text.find_first_not_of(' ') == std::string::npos || text.find_first_of("nNiI") != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

class HostileDesignDialog : public ::testing::TestWithParam<int32_t> {
protected:
    void SetUp() override {
        const int32_t id = m().call<int32_t>(kCI_GetFreeID);
        ASSERT_GT(id, 0);
        ASSERT_EQ(m().call<int32_t>(kCI_MakeCurrent, id), 0);
        const SetupRecord record = hostileRecord(GetParam());
        ASSERT_EQ(m().call<int32_t>(kIP_SetValue, int32_t{1}, &record), 0);
    }
    void TearDown() override { m().call<int32_t>(kCI_Release); }

    static SetupRecord appliedDesign() {
        SetupRecord record{};
        record.version = KSR_SETUP_V52;
        EXPECT_EQ(m().call<int32_t>(kIP_GetValue, int32_t{1}, &record), 0);
        return record;
    }

    // IP_ShowDialog(1) on this thread while drive works the dialog from a
    // second one and ends it; a dialog left open fails the test.
    static int32_t showDialog(const std::function<void(const DesignDialog&)>& drive) {
        return dialog_driver::runWithDialog([] { return m().call<int32_t>(kIP_ShowDialog, int32_t{1}); }, drive);
    }

    // Every row selected in turn: the fields show numbers, both spins step
    // in both directions, and the table repaints.
    static void visitEveryRow(const DesignDialog& d) {
        for (int row = 0; row < d.rowCount(); ++row) {
            d.selectRows({row});
            EXPECT_TRUE(isWholeNumberText(d.text(IDC_EDIT_ANGLE)))
                << "row " << row << ": \"" << d.text(IDC_EDIT_ANGLE) << "\"";
            EXPECT_TRUE(isFiniteNumberText(d.text(IDC_EDIT_GAIN)))
                << "row " << row << ": \"" << d.text(IDC_EDIT_GAIN) << "\"";
            for (int delta : {1, -1}) {
                d.spin(IDC_SPIN_ANGLE, delta);
                d.spin(IDC_SPIN_GAIN, delta);
            }
            EXPECT_TRUE(isFiniteNumberText(d.text(IDC_EDIT_GAIN))) << "row " << row;
            RedrawWindow(d.item(IDC_LIST_BOXES), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        }
    }
};

}  // namespace

TEST_P(HostileDesignDialog, CancelShowsNumbersAndKeepsTheRecordButWholeGains) {
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  EXPECT_EQ(d.rowCount(), std::clamp(GetParam(), 4, 16));
                  EXPECT_TRUE(isWholeNumberText(d.text(IDC_EDIT_GRID))) << d.text(IDC_EDIT_GRID);
                  visitEveryRow(d);
                  d.cancel();
              }),
              0);
    const SetupRecord before = hostileRecord(GetParam());
    const SetupRecord after = appliedDesign();
    EXPECT_EQ(after.boxCount, std::clamp(GetParam(), 4, 16));
    EXPECT_EQ(after.hostValue, before.hostValue);
    for (int i = 0; i < KSR_MAX_COMPONENTS; ++i) {
        // Whole decibels, NaN as 0, the infinities at the int32 ends.
        EXPECT_TRUE(std::isfinite(after.boxes[i].boxGain)) << i;
        EXPECT_EQ(after.boxes[i].boxGain, std::trunc(after.boxes[i].boxGain)) << i;
        EXPECT_GE(after.boxes[i].boxType, 0) << i;
        EXPECT_LE(after.boxes[i].boxType, 9) << i;
    }
}

TEST_P(HostileDesignDialog, AnEditedGridGivesAFiniteDesignOnOk) {
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  visitEveryRow(d);
                  // Typing the grid angle recomputes every elevation from it
                  // and the repaired difference angles.
                  d.typeAndEnter(IDC_EDIT_GRID, "-3");
                  EXPECT_EQ(d.text(IDC_EDIT_GRID), "-3");
                  d.ok();
              }),
              0);
    const SetupRecord after = appliedDesign();
    EXPECT_EQ(after.gridElevation, -3.0f);
    for (int i = 0; i < after.boxCount; ++i) {
        EXPECT_TRUE(std::isfinite(after.boxes[i].boxElevation)) << i;
        EXPECT_TRUE(std::isfinite(after.boxes[i].boxGain)) << i;
    }
}

TEST_P(HostileDesignDialog, AutoSplayDrawsItAndProposesAFiniteDesign) {
    bool applied = false;
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  // The record is ground stacked, which auto-splay refuses;
                  // flown, the NaN grid and the repaired boxes go through.
                  if (d.checked(IDC_CHECK_GROUND_STACKED)) d.click(IDC_CHECK_GROUND_STACKED);
                  dialog_driver::postClick(d.window(), IDC_BUTTON_AUTO_SPLAY);
                  const DesignDialog splay(dialog_driver::waitForWindow(" Auto-splay"));
                  ASSERT_NE(splay.window(), nullptr);
                  RedrawWindow(splay.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                  dialog_driver::postClick(splay.window(), IDC_BUTTON_SPLAY_COMPUTE);
                  EXPECT_TRUE(dialog_driver::waitFor([&] { return splay.enabled(IDC_BUTTON_SPLAY_STOP); }));
                  EXPECT_TRUE(dialog_driver::waitFor([&] { return splay.enabled(IDC_BUTTON_SPLAY_COMPUTE); }, 120000));
                  RedrawWindow(splay.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                  applied = splay.enabled(IDC_BUTTON_SPLAY_APPLY);
                  dialog_driver::postClick(splay.window(),
                                           applied ? IDC_BUTTON_SPLAY_APPLY : IDC_BUTTON_SPLAY_CLOSE);
                  EXPECT_TRUE(dialog_driver::waitUntilGone(splay.window()));
                  visitEveryRow(d);
                  d.ok();
              }),
              0);
    EXPECT_TRUE(applied) << "no proposal for a flown array";
    const SetupRecord after = appliedDesign();
    EXPECT_TRUE(std::isfinite(after.gridElevation));
    for (int i = 0; i < after.boxCount; ++i) {
        EXPECT_TRUE(std::isfinite(after.boxes[i].boxElevation)) << i;
        EXPECT_GE(after.boxes[i].boxType, 0) << i;
        EXPECT_LE(after.boxes[i].boxType, 9) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, HostileDesignDialog,
                         ::testing::Values(std::numeric_limits<int32_t>::min(), 2, 16,
                                           std::numeric_limits<int32_t>::max()));
