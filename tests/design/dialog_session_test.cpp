#include "design/dialog_session.h"

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

#include "exports/module_state.h"
#include "module_fixture.h"

namespace {

using ksr::DialogValues;

SetupRecord readDesign() {
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    EXPECT_EQ(IP_GetValue(1, &record), 0);
    return record;
}

// A version-52 record of count boxes of type 4 hanging 1 degree apart.
SetupRecord designRecord(int32_t count) {
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = count;
    record.gridElevation = -2.0f;
    record.hostValue = 77;
    for (int i = 0; i < KSR_MAX_COMPONENTS; ++i) {
        record.boxes[i] = {4, -2.0f - static_cast<float>(i), 0.0f};
    }
    record.groundStacked = 1;
    return record;
}

// A dialog the user closes with Cancel, remembering what it was shown.
struct CancellingDialog {
    std::optional<DialogValues> shown;
    std::optional<DialogValues> operator()(const DialogValues& opened) {
        shown = opened;
        return std::nullopt;
    }
};

}  // namespace

using DesignSession = FreshModule;

TEST_F(DesignSession, NothingOpensWithoutACurrentInstance) {
    bool opened = false;
    EXPECT_FALSE(ksr::runDesignSession(ksr::currentInstance, [&](const DialogValues&) {
        opened = true;
        return std::optional<DialogValues>{};
    }));
    EXPECT_FALSE(opened);
    EXPECT_EQ(IP_ShowDialog(1), -1);
}

TEST_F(DesignSession, OnlyIndexOneOpensTheDialog) {
    makeCurrentInstance();
    for (int32_t index : {0, 2, -1}) EXPECT_EQ(IP_ShowDialog(index), -1) << index;
    EXPECT_EQ(IP_ShowDialog(1), 0);
}

TEST_F(DesignSession, TheCountIsClampedAndStoredEvenAfterCancel) {
    makeCurrentInstance();
    for (auto [stored, shown] : {std::pair{2, 4}, std::pair{20, 16}, std::pair{9, 9}}) {
        SetupRecord record = designRecord(stored);
        ASSERT_EQ(IP_SetValue(1, &record), 0);
        CancellingDialog dialog;
        EXPECT_TRUE(ksr::runDesignSession(ksr::currentInstance, std::ref(dialog)));
        ASSERT_TRUE(dialog.shown);
        EXPECT_EQ(dialog.shown->boxCount, shown) << stored;
        EXPECT_EQ(readDesign().boxCount, shown) << stored;
    }
}

TEST_F(DesignSession, CancelReappliesTheDesignWithGainsInWholeDecibels) {
    makeCurrentInstance();
    SetupRecord record = designRecord(6);
    record.boxes[0].boxGain = 1.5f;
    record.boxes[1].boxGain = -2.7f;
    record.boxes[2].boxGain = std::numeric_limits<float>::quiet_NaN();
    record.boxes[3].boxGain = 3e9f;
    record.boxes[4].boxGain = -3e9f;
    ASSERT_EQ(IP_SetValue(1, &record), 0);

    CancellingDialog dialog;
    ASSERT_TRUE(ksr::runDesignSession(ksr::currentInstance, std::ref(dialog)));
    ASSERT_TRUE(dialog.shown);
    // The dialog shows the negated gain, truncated toward zero and saturated.
    EXPECT_EQ(dialog.shown->gains[0], -1);
    EXPECT_EQ(dialog.shown->gains[1], 2);
    EXPECT_EQ(dialog.shown->gains[2], 0);
    EXPECT_EQ(dialog.shown->gains[3], std::numeric_limits<int32_t>::min());
    EXPECT_EQ(dialog.shown->gains[4], std::numeric_limits<int32_t>::max());

    const SetupRecord after = readDesign();
    EXPECT_EQ(after.boxes[0].boxGain, 1.0f);
    EXPECT_EQ(after.boxes[1].boxGain, -2.0f);
    EXPECT_EQ(after.boxes[2].boxGain, 0.0f);
    EXPECT_EQ(after.boxes[3].boxGain, 2147483648.0f);
    EXPECT_EQ(after.boxes[4].boxGain, -2147483648.0f);  // int32 max as the nearest float
    // Everything else stands as it was.
    EXPECT_EQ(after.hostValue, 77);
    EXPECT_EQ(after.groundStacked, 1);
    EXPECT_EQ(after.gridElevation, -2.0f);
    EXPECT_EQ(after.boxes[5].boxElevation, -7.0f);
}

TEST_F(DesignSession, OkAppliesTheConfirmedValues) {
    makeCurrentInstance();
    SetupRecord record = designRecord(8);
    ASSERT_EQ(IP_SetValue(1, &record), 0);
    ASSERT_TRUE(ksr::runDesignSession(ksr::currentInstance, [](const DialogValues& opened) {
        DialogValues confirmed = opened;
        confirmed.boxCount = 5;
        confirmed.gridElevation = 3.0f;
        confirmed.groundStacked = 0;
        confirmed.types[1] = 6;
        confirmed.elevations[1] = 1.0f;
        confirmed.gains[1] = -4;
        confirmed.types[2] = 42;  // not a box type: the geometry takes the one above
        return std::optional<DialogValues>(confirmed);
    }));
    const SetupRecord after = readDesign();
    EXPECT_EQ(after.boxCount, 5);
    EXPECT_EQ(after.gridElevation, 3.0f);
    EXPECT_EQ(after.groundStacked, 0);
    EXPECT_EQ(after.hostValue, 77);
    EXPECT_EQ(after.boxes[1].boxType, 6);
    EXPECT_EQ(after.boxes[1].boxElevation, 1.0f);
    EXPECT_EQ(after.boxes[1].boxGain, 4.0f);
    EXPECT_EQ(after.boxes[2].boxType, 6);
}

TEST_F(DesignSession, ADialogThatFailsIsTakenAsCancelled) {
    makeCurrentInstance();
    SetupRecord record = designRecord(6);
    record.boxes[0].boxGain = 2.5f;
    ASSERT_EQ(IP_SetValue(1, &record), 0);
    EXPECT_TRUE(ksr::runDesignSession(ksr::currentInstance,
        [](const DialogValues&) -> std::optional<DialogValues> { throw std::runtime_error("no window"); }));
    EXPECT_EQ(readDesign().boxes[0].boxGain, 2.0f);
}

TEST_F(DesignSession, TheDesignGoesToTheInstanceCurrentWhenTheDialogCloses) {
    const int32_t first = makeCurrentInstance();
    SetupRecord record = designRecord(7);
    ASSERT_EQ(IP_SetValue(1, &record), 0);
    const int32_t second = CI_GetFreeID();
    ASSERT_GT(second, 0);

    // The host switches instances from inside the modal loop.
    ASSERT_TRUE(ksr::runDesignSession(ksr::currentInstance, [&](const DialogValues& opened) {
        EXPECT_EQ(CI_MakeCurrent(second), 0);
        DialogValues confirmed = opened;
        confirmed.boxCount = 5;
        return std::optional<DialogValues>(confirmed);
    }));
    EXPECT_EQ(readDesign().boxCount, 5);
    ASSERT_EQ(CI_MakeCurrent(first), 0);
    EXPECT_EQ(readDesign().boxCount, 7);

    // The host releases the instance: nothing is applied and nothing breaks.
    EXPECT_TRUE(ksr::runDesignSession(ksr::currentInstance, [](const DialogValues& opened) {
        EXPECT_EQ(CI_Release(), 0);
        return std::optional<DialogValues>(opened);
    }));
    EXPECT_EQ(CI_MakeCurrent(first), -1);
}

TEST_F(DesignSession, WithoutAWindowSystemTheDialogCountsAsCancelled) {
    makeCurrentInstance();
    SetupRecord record = designRecord(3);
    record.boxes[1].boxGain = 0.75f;
    ASSERT_EQ(IP_SetValue(1, &record), 0);
    EXPECT_EQ(IP_ShowDialog(1), 0);
    const SetupRecord after = readDesign();
    EXPECT_EQ(after.boxCount, 4);
    EXPECT_EQ(after.boxes[1].boxGain, 0.0f);
    EXPECT_EQ(after.boxes[1].boxElevation, -3.0f);
}

TEST_F(DesignSession, TheArrayHeightReachesTheDialogOnceTheHostHasPlacedTheArray) {
    makeCurrentInstance();
    CancellingDialog unplaced;
    EXPECT_TRUE(ksr::runDesignSession(ksr::currentInstance, std::ref(unplaced)));
    ASSERT_TRUE(unplaced.shown);
    EXPECT_FALSE(unplaced.shown->arrayHeight);

    const float position[3] = {1.0f, -2.0f, 12.5f};
    ASSERT_EQ(CI_SetLspkPosition3fv(position), 0);
    CancellingDialog placed;
    EXPECT_TRUE(ksr::runDesignSession(ksr::currentInstance, std::ref(placed)));
    ASSERT_TRUE(placed.shown);
    EXPECT_EQ(placed.shown->arrayHeight, std::optional<float>(12.5f));

    // A released slot taken again starts unplaced.
    ASSERT_EQ(CI_Release(), 0);
    makeCurrentInstance();
    CancellingDialog retaken;
    EXPECT_TRUE(ksr::runDesignSession(ksr::currentInstance, std::ref(retaken)));
    ASSERT_TRUE(retaken.shown);
    EXPECT_FALSE(retaken.shown->arrayHeight);
}
