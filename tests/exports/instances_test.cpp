#include "module_fixture.h"

using Instances = FreshModule;

TEST_F(Instances, IdsAreHandedOutLowestFirstAndReused) {
    EXPECT_EQ(CI_GetFreeID(), 1);
    EXPECT_EQ(CI_GetFreeID(), 2);
    EXPECT_EQ(CI_MakeCurrent(1), 0);
    EXPECT_EQ(CI_Release(), 0);
    EXPECT_EQ(CI_GetFreeID(), 1);
}

TEST_F(Instances, TableHoldsAtMost127) {
    for (int32_t expected = 1; expected <= 127; ++expected) ASSERT_EQ(CI_GetFreeID(), expected);
    EXPECT_EQ(CI_GetFreeID(), -1);
    EXPECT_EQ(CI_MakeCurrent(127), 0);
    EXPECT_EQ(CI_Release(), 0);
    EXPECT_EQ(CI_GetFreeID(), 127);
}

TEST_F(Instances, MakeCurrentRefusesBadAndFreeIds) {
    const int32_t id = CI_GetFreeID();
    ASSERT_EQ(CI_MakeCurrent(id), 0);
    for (int32_t bad : {0, 128, -5, 2, INT32_MIN, INT32_MAX}) EXPECT_EQ(CI_MakeCurrent(bad), -1) << bad;
    // The current instance survived the refusals.
    EXPECT_EQ(CI_GetComponents(), 4);
    EXPECT_EQ(CI_Release(), 0);
    EXPECT_EQ(CI_MakeCurrent(id), -1);  // released
}

TEST_F(Instances, ReleaseTwice) {
    makeCurrentInstance();
    EXPECT_EQ(CI_Release(), 0);
    EXPECT_EQ(CI_Release(), -1);
}

TEST_F(Instances, NewInstanceIsNotMadeCurrent) {
    const int32_t first = makeCurrentInstance();
    const SetupRecord design = [] {
        SetupRecord r{};
        r.version = 52;
        r.boxCount = 9;
        return r;
    }();
    ASSERT_EQ(IP_SetValue(1, &design), 0);
    EXPECT_GT(CI_GetFreeID(), first);
    EXPECT_EQ(CI_GetComponents(), 9);  // still the first instance
}

TEST_F(Instances, ComponentCountIsClampedAndStored) {
    makeCurrentInstance();
    for (auto [stored, expected] : {std::pair{20, 16}, {2, 4}, {-100, 4}, {16, 16}, {4, 4}, {11, 11}}) {
        SetupRecord record{};
        record.version = 52;
        record.boxCount = stored;
        ASSERT_EQ(IP_SetValue(1, &record), 0);
        SetupRecord before{};
        before.version = 52;
        ASSERT_EQ(IP_GetValue(1, &before), 0);
        EXPECT_EQ(before.boxCount, stored);  // as stored until read
        EXPECT_EQ(CI_GetComponents(), expected);
        EXPECT_EQ(DLLGetComponents(), expected);
        SetupRecord after{};
        after.version = 52;
        ASSERT_EQ(IP_GetValue(1, &after), 0);
        EXPECT_EQ(after.boxCount, expected);
    }
}

TEST_F(Instances, NothingCurrentAnswersMinusOne) {
    EXPECT_EQ(CI_GetComponents(), -1);
    EXPECT_EQ(DLLGetComponents(), -1);
    EXPECT_EQ(CI_Release(), -1);
    const int32_t id = CI_GetFreeID();
    EXPECT_EQ(CI_GetComponents(), -1);  // created but not current
    EXPECT_EQ(CI_MakeCurrent(id), 0);
    EXPECT_EQ(CI_GetComponents(), 4);
}

TEST_F(Instances, ReusedSlotKeepsItsFilterUntilSetAgain) {
    makeCurrentInstance();
    float gain[KSR_BAND_COUNT], phase[KSR_BAND_COUNT];
    std::fill(std::begin(gain), std::end(gain), -6.0f);
    std::fill(std::begin(phase), std::end(phase), 90.0f);
    ASSERT_EQ(IP_SetFilter(gain, phase), 0);
    ASSERT_EQ(CI_Release(), 0);
    const int32_t again = CI_GetFreeID();
    EXPECT_EQ(again, 1);
    ASSERT_EQ(CI_MakeCurrent(again), 0);
    EXPECT_EQ(ksr::currentInstance()->filterGain[0], -6.0f);
    EXPECT_EQ(ksr::currentInstance()->filterPhase[20], 90.0f);
    EXPECT_EQ(ksr::currentInstance()->lspkPosition, (ksr::Vec3{0, 0, 0}));
}
