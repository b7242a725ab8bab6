#include <cstring>

#include "module_fixture.h"

using ModuleInfo = FreshModule;

TEST_F(ModuleInfo, FixedAnswers) {
    EXPECT_EQ(DLLVersion(), 1000030);
    EXPECT_EQ(DLLClass(), 2);
    int32_t value = 99;
    EXPECT_EQ(DLLLock(&value), 0);
    EXPECT_EQ(value, 0);
    value = 99;
    EXPECT_EQ(DLLGetSymmetry(&value), 0);
    EXPECT_EQ(value, -1);

    const char* text = nullptr;
    EXPECT_EQ(DLLGetName(&text), 0);
    EXPECT_STREQ(text, "KSR Array");
    EXPECT_EQ(DLLGetManufacturer(&text), 0);
    EXPECT_STREQ(text, "QTO");
    EXPECT_EQ(DLLGetDataResolution(&text), 0);
    EXPECT_STREQ(text, "5\xB0 Complex Data");
    EXPECT_EQ(std::strlen(text), 15u);

    int32_t bands[KSR_BAND_COUNT + 1];
    std::fill(std::begin(bands), std::end(bands), 7);
    EXPECT_EQ(DLLGetValidBands(bands), 0);
    for (int i = 0; i < KSR_BAND_COUNT; ++i) EXPECT_EQ(bands[i], -1);
    EXPECT_EQ(bands[KSR_BAND_COUNT], 7);  // 84 bytes, no more

    int32_t untouched = 5;
    EXPECT_EQ(DLLGetDirectivity(&untouched), -1);
    EXPECT_EQ(DLLGetSensitivity(&untouched), -1);
    EXPECT_EQ(DLLGetMaxPower(&untouched), -1);
    EXPECT_EQ(DLLGetImpedance(&untouched), -1);
    EXPECT_EQ(untouched, 5);
}

TEST_F(ModuleInfo, Capabilities) {
    const std::pair<int32_t, int32_t> cases[] = {{0, 0}, {1, -1}, {2, -1}, {3, 1}, {4, 0}, {5, 1},
                                                 {6, 0}, {-1, 0}, {INT32_MAX, 0}, {INT32_MIN, 0}};
    for (auto [capability, answer] : cases) EXPECT_EQ(DLLGetCaps(capability), answer) << capability;
}

TEST_F(ModuleInfo, FlagOneFollowsSetFlagAndFlagTwoIsAlwaysSet) {
    int32_t out = 7;
    EXPECT_EQ(DLLGetFlag(1, &out), 0);
    EXPECT_EQ(out, 0);

    const int32_t on = 42, off = 0;
    EXPECT_EQ(DLLSetFlag(1, &on), 0);
    EXPECT_EQ(DLLGetFlag(1, &out), 0);
    EXPECT_EQ(out, -1);
    EXPECT_EQ(DLLSetFlag(1, &off), 0);
    EXPECT_EQ(DLLGetFlag(1, &out), 0);
    EXPECT_EQ(out, 0);

    EXPECT_EQ(DLLGetFlag(2, &out), 0);
    EXPECT_EQ(out, -1);
    EXPECT_EQ(DLLGetFlag(3, &out), 0);
    EXPECT_EQ(out, 0);

    // Flag 2 cannot be changed, and its value is never read.
    EXPECT_EQ(DLLSetFlag(2, nullptr), 0);
    EXPECT_EQ(DLLSetFlag(2, &off), 0);
    EXPECT_EQ(DLLGetFlag(2, &out), 0);
    EXPECT_EQ(out, -1);
    EXPECT_EQ(DLLGetFlag(1, &out), 0);
    EXPECT_EQ(out, 0);
}

TEST_F(ModuleInfo, NullPointersAreRefused) {
    EXPECT_EQ(DLLLock(nullptr), -1);
    EXPECT_EQ(DLLGetName(nullptr), -1);
    EXPECT_EQ(DLLGetManufacturer(nullptr), -1);
    EXPECT_EQ(DLLGetDataResolution(nullptr), -1);
    EXPECT_EQ(DLLGetSymmetry(nullptr), -1);
    EXPECT_EQ(DLLGetValidBands(nullptr), -1);
    EXPECT_EQ(DLLGetFlag(1, nullptr), -1);
    EXPECT_EQ(DLLSetFlag(1, nullptr), -1);
}
