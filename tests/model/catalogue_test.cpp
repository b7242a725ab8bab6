#include <gtest/gtest.h>

#include "model/catalogue.h"

using namespace ksr;

TEST(Catalogue, PresetVariantSwitchesOnlyWhereTheModelOffersThePreset) {
    struct Case {
        int32_t id, wanted, expected;
    };
    const Case cases[] = {
        {0, 2, 1}, {1, 1, 0}, {1, 2, 1}, {2, 2, 3}, {3, 1, 2}, {4, 2, 5}, {5, 1, 4}, {6, 2, 7},
        {7, 1, 6}, {8, 2, 8}, {9, 2, 9}, {8, 1, 8}, {12, 1, 12}, {-1, 2, -1}, {0, 0, 0}, {0, 3, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(presetVariant(c.id, c.wanted), c.expected) << "id " << c.id << " preset " << c.wanted;
    }
}

TEST(Catalogue, EveryModelIdPairSharesNameAndDiffersOnlyInPreset) {
    for (int32_t id = 0; id < 8; id += 2) {
        const BoxTypeEntry& standard = boxTypeTable[id];
        const BoxTypeEntry& fir = boxTypeTable[id + 1];
        EXPECT_STREQ(standard.name, fir.name);
        EXPECT_EQ(standard.preset, kPresetStandard);
        EXPECT_EQ(fir.preset, kPresetFirCurve);
        EXPECT_EQ(presetVariant(id, kPresetFirCurve), id + 1);
        EXPECT_EQ(presetVariant(id + 1, kPresetStandard), id);
    }
    for (int32_t id = 0; id < kBoxTypeCount; ++id) {
        EXPECT_EQ(boxTypeTable[id].id, id);
        EXPECT_EQ(boxTypeTable[id].usable, 1);
        EXPECT_EQ(exchangeNameTable[id].id, id);
    }
}

TEST(Catalogue, ExchangeNamesReadAsTheStandardIdOfEachModel) {
    struct Case {
        const char* name;
        std::optional<int32_t> id;
    };
    const Case cases[] = {
        {"KSR-516", 0}, {"KSR-527", 2}, {"KSR-51V", 4}, {"KSR-52V", 6}, {"KB-340", 8}, {"KBS-450", 9},
        {"WQJ-FRT", std::nullopt}, {"ksr-516", std::nullopt}, {"KSR-516 ", std::nullopt}, {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(boxTypeForExchangeName(c.name), c.id) << c.name;
}
