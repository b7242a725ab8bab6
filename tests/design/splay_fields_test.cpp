#include "design/splay_fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using ksr::SplayFieldTexts;

ksr::WorkingDesign flownLineArray() {
    ksr::WorkingDesign design;
    design.boxCount = 8;
    for (auto& box : design.boxes) box.type = 4;
    return design;
}

SplayFieldTexts typical() {
    SplayFieldTexts texts;
    texts.trim = "9.5";
    texts.near = "4";
    texts.far = "36";
    texts.floorNear = "0";
    texts.floorFar = "1.5";
    texts.earHeight = "1.2";
    texts.slope = "-1.5";
    texts.maxStep = "3";
    texts.allowZeroSplay = true;
    return texts;
}

}  // namespace

TEST(SplayFields, OpenWithTheDefaultsAndTheArraysHeightWhenPlaced) {
    const SplayFieldTexts unplaced = ksr::openingSplayFields(std::nullopt);
    EXPECT_EQ(std::vector<std::string>({unplaced.trim, unplaced.near, unplaced.far, unplaced.floorNear,
                                        unplaced.floorFar, unplaced.earHeight, unplaced.slope, unplaced.maxStep}),
              std::vector<std::string>({"10", "5", "40", "0", "0", "1.2", "0", "2"}));
    EXPECT_FALSE(unplaced.allowZeroSplay);

    EXPECT_EQ(ksr::openingSplayFields(12.5f).trim, "12.5");
    // A height that is no finite number is not offered.
    for (float height : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        EXPECT_EQ(ksr::openingSplayFields(height).trim, "10") << height;
    }
}

TEST(SplayFields, TheOpeningTextsReadBackAsTheDefaultRequest) {
    const ksr::SplayFieldReading reading =
        ksr::readSplayFields(flownLineArray(), ksr::openingSplayFields(std::nullopt));
    ASSERT_TRUE(reading.request) << reading.message;
    const ksr::SplayRequest defaults;
    EXPECT_EQ(reading.request->trim, defaults.trim);
    EXPECT_EQ(reading.request->earHeight, defaults.earHeight);
    EXPECT_EQ(reading.request->maxStep, defaults.maxStep);
}

TEST(SplayFields, ReadEveryFieldWithBlanksAroundItsNumber) {
    SplayFieldTexts texts = typical();
    texts.far = "  36 ";
    texts.slope = "\t-1.5";
    const ksr::SplayFieldReading reading = ksr::readSplayFields(flownLineArray(), texts);
    ASSERT_TRUE(reading.request) << reading.message;
    EXPECT_TRUE(reading.message.empty());
    const ksr::SplayRequest& r = *reading.request;
    EXPECT_EQ(std::vector<double>({r.trim, r.near, r.far, r.floorNear, r.floorFar, r.earHeight, r.slope, r.maxStep}),
              std::vector<double>({9.5, 4, 36, 0, 1.5, 1.2, -1.5, 3}));
    EXPECT_TRUE(r.allowZeroSplay);
}

TEST(SplayFields, TextThatIsNotOneFiniteNumberNamesItsField) {
    struct Field {
        std::string SplayFieldTexts::*text;
        const char* name;
    };
    const Field fields[] = {
        {&SplayFieldTexts::trim, "Rigging height"},
        {&SplayFieldTexts::near, "Near edge"},
        {&SplayFieldTexts::far, "Far edge"},
        {&SplayFieldTexts::floorNear, "Floor height at the near edge"},
        {&SplayFieldTexts::floorFar, "Floor height at the far edge"},
        {&SplayFieldTexts::earHeight, "Ear height"},
        {&SplayFieldTexts::slope, "Target slope"},
        {&SplayFieldTexts::maxStep, "Largest step"},
    };
    for (const Field& field : fields) {
        for (const char* bad : {"", "  ", "abc", "12abc", "1 2", "nan", "NaN", "inf", "-inf", "1e999", "--3", "3,5"}) {
            SplayFieldTexts texts = typical();
            texts.*field.text = bad;
            const ksr::SplayFieldReading reading = ksr::readSplayFields(flownLineArray(), texts);
            EXPECT_FALSE(reading.request) << field.name << " '" << bad << "'";
            EXPECT_NE(reading.message.find(field.name), std::string::npos) << reading.message;
        }
    }
}

TEST(SplayFields, NumbersThatCannotBeComputedGetTheCheckersMessage) {
    struct Case {
        const char* what;
        std::string SplayFieldTexts::*text;
        const char* value;
    };
    const Case cases[] = {
        {"far before near", &SplayFieldTexts::far, "3"},
        {"far at near", &SplayFieldTexts::far, "4"},
        {"trim below the ears", &SplayFieldTexts::trim, "1"},
        {"trim below the raised far floor", &SplayFieldTexts::trim, "2.5"},
    };
    for (const Case& c : cases) {
        SplayFieldTexts texts = typical();
        texts.*c.text = c.value;
        const ksr::SplayFieldReading reading = ksr::readSplayFields(flownLineArray(), texts);
        EXPECT_FALSE(reading.request) << c.what;
        EXPECT_FALSE(reading.message.empty()) << c.what;
    }
}

TEST(SplayFields, TheSecondZoneIsReadOnlyWhenOnAndNamedInMessages) {
    SplayFieldTexts texts = typical();
    texts.zoneNear = "garbage";  // off: never read
    texts.shadeGains = true;
    ksr::SplayFieldReading reading = ksr::readSplayFields(flownLineArray(), texts);
    ASSERT_TRUE(reading.request) << reading.message;
    EXPECT_TRUE(reading.request->zones.empty());
    EXPECT_TRUE(reading.request->shadeGains);

    texts.secondZone = true;
    texts.zoneNear = "18";
    texts.zoneFar = "30";
    texts.zoneFloorNear = "5";
    texts.zoneFloorFar = " 6.5 ";
    texts.trim = "12";
    reading = ksr::readSplayFields(flownLineArray(), texts);
    ASSERT_TRUE(reading.request) << reading.message;
    ASSERT_EQ(reading.request->zones.size(), 2u);
    const ksr::SplayZone& audience = reading.request->zones[0];
    const ksr::SplayZone& balcony = reading.request->zones[1];
    EXPECT_EQ(std::vector<double>({audience.near, audience.far, audience.floorNear, audience.floorFar}),
              std::vector<double>({4, 36, 0, 1.5}));
    EXPECT_EQ(std::vector<double>({balcony.near, balcony.far, balcony.floorNear, balcony.floorFar, balcony.weight}),
              std::vector<double>({18, 30, 5, 6.5, 0}));

    struct Case {
        std::string SplayFieldTexts::*text;
        const char* value;
        const char* message;  // its beginning
    };
    const Case cases[] = {
        {&SplayFieldTexts::zoneNear, "abc", "Balcony or tier, near edge: type one number"},
        {&SplayFieldTexts::zoneFar, "", "Balcony or tier, far edge: type one number"},
        {&SplayFieldTexts::zoneFloorNear, "1e999", "Balcony or tier, floor height at the near edge"},
        {&SplayFieldTexts::zoneFloorFar, "nan", "Balcony or tier, floor height at the far edge"},
        {&SplayFieldTexts::zoneFar, "10", "Balcony or tier: the far edge of the audience must lie beyond"},
        {&SplayFieldTexts::far, "3", "Audience: the far edge of the audience must lie beyond"},
        {&SplayFieldTexts::zoneFloorFar, "11", "The array must hang above the audience"},
    };
    for (const Case& c : cases) {
        SplayFieldTexts bad = texts;
        bad.*c.text = c.value;
        const ksr::SplayFieldReading refused = ksr::readSplayFields(flownLineArray(), bad);
        EXPECT_FALSE(refused.request) << c.value;
        EXPECT_EQ(refused.message.rfind(c.message, 0), 0u) << refused.message;
    }
}

TEST(SplayFields, ANewDialogOffersASwitchedOffBalconyAndNoShading) {
    const SplayFieldTexts texts = ksr::openingSplayFields(std::nullopt);
    EXPECT_FALSE(texts.secondZone);
    EXPECT_FALSE(texts.shadeGains);
    EXPECT_EQ(std::vector<std::string>({texts.zoneNear, texts.zoneFar, texts.zoneFloorNear, texts.zoneFloorFar}),
              std::vector<std::string>({"20", "35", "6", "7"}));
}
