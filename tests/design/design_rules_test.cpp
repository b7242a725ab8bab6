#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

#include "design/design_rules.h"

using namespace ksr;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A design whose boxes take the given types from the top; the remaining boxes
// repeat the last one. All angles 0.
WorkingDesign designOf(std::initializer_list<int32_t> types) {
    WorkingDesign design;
    size_t i = 0;
    for (int32_t type : types) design.boxes[i++].type = type;
    for (; i < design.boxes.size(); ++i) design.boxes[i].type = design.boxes[i - 1].type;
    return design;
}

std::vector<int32_t> typesOf(const WorkingDesign& design, size_t count = kMaxBoxes) {
    std::vector<int32_t> types;
    for (size_t i = 0; i < count; ++i) types.push_back(design.boxes[i].type);
    return types;
}

template <size_t N>
std::vector<int32_t> listed(const ChoiceList<N>& list) {
    return {list.begin(), list.end()};
}

}  // namespace

TEST(DesignRules, CanFollowMatrixOverTheCatalogue) {
    // Row: the type above; column: the next type 0..9.
    const int expected[kBoxTypeCount][kBoxTypeCount] = {
        {1, 1, 0, 0, 0, 0, 0, 0, 1, 1},  // 0 KSR516 Standard
        {1, 1, 0, 0, 0, 0, 0, 0, 1, 1},  // 1 KSR516 FIR Curve
        {0, 0, 1, 1, 0, 0, 0, 0, 1, 1},  // 2 KSR527
        {0, 0, 1, 1, 0, 0, 0, 0, 1, 1},  // 3
        {0, 0, 0, 0, 1, 1, 1, 1, 1, 1},  // 4 KSR51 V
        {0, 0, 0, 0, 1, 1, 1, 1, 1, 1},  // 5
        {0, 0, 0, 0, 1, 1, 1, 1, 1, 1},  // 6 KSR52 V
        {0, 0, 0, 0, 1, 1, 1, 1, 1, 1},  // 7
        {1, 1, 1, 1, 1, 1, 1, 1, 1, 0},  // 8 KB340: never a 9 below
        {1, 1, 1, 1, 1, 1, 1, 1, 0, 1},  // 9 KBS450: never an 8 below
    };
    for (int32_t above = 0; above < kBoxTypeCount; ++above) {
        for (int32_t next = 0; next < kBoxTypeCount; ++next) {
            EXPECT_EQ(canFollow(next, above), expected[above][next] == 1) << next << " below " << above;
        }
    }
}

TEST(DesignRules, IdsOutsideTheCatalogueNeverFollowAndNothingFollowsThem) {
    for (int32_t bad : {-2, -1, 10, 11, 1000}) {
        for (int32_t other = -2; other < 12; ++other) {
            EXPECT_FALSE(canFollow(bad, other)) << bad << " below " << other;
            EXPECT_FALSE(canFollow(other, bad)) << other << " below " << bad;
        }
    }
}

TEST(DesignRules, ClampDifferenceAngleByPairKind) {
    struct Case {
        const char* pair;
        int32_t type, above;
        float angle, expected;
    };
    const Case cases[] = {
        {"line below line", 4, 6, -12.0f, -10.0f},
        {"line below line", 4, 6, 3.0f, 0.0f},
        {"line below line", 0, 1, -2.9f, -2.0f},
        {"line below line", 2, 3, -10.0f, -10.0f},
        {"line below line", 7, 5, -9.99f, -9.0f},
        {"8 below line", 8, 0, 2.9f, 2.0f},
        {"8 below line", 8, 0, 3.0f, 4.0f},
        {"8 below line", 8, 0, -0.9f, 0.0f},
        {"8 below line", 8, 0, -1.0f, 0.0f},
        {"8 below line", 8, 0, -1.1f, -2.0f},
        {"8 below line", 8, 0, -3.0f, -2.0f},
        {"8 below line", 8, 0, -3.01f, -4.0f},
        {"8 below line", 8, 0, -4.0f, -4.0f},
        {"8 below line", 8, 0, -9.0f, -4.0f},
        {"8 below line", 8, 6, 0.99f, 0.0f},
        {"8 below line", 8, 6, 1.0f, 2.0f},
        {"8 below line", 8, 6, 9.0f, 4.0f},
        {"9 below line", 9, 2, -3.0f, 0.0f},
        {"9 below line", 9, 2, 2.7f, 2.0f},
        {"9 below line", 9, 2, 5.0f, 5.0f},
        {"9 below line", 9, 2, 7.0f, 5.0f},
        {"line below 8", 0, 8, 1.0f, 2.0f},
        {"line below 8", 3, 8, 2.5f, 2.0f},
        {"line below 8", 4, 8, 3.5f, 4.0f},
        {"line below 8", 5, 8, 0.5f, 0.0f},
        {"line below 8", 5, 8, 0.99f, 0.0f},
        {"line below 8", 6, 8, 3.0f, 4.0f},
        {"line below 8", 6, 8, 9.0f, 4.0f},
        {"line below 8", 7, 8, -4.5f, -4.0f},
        {"line below 8", 7, 8, -7.0f, -5.0f},
        {"8 below 8", 8, 8, 7.0f, 6.0f},
        {"8 below 8", 8, 8, 19.9f, 18.0f},
        {"8 below 8", 8, 8, -3.0f, 0.0f},
        {"8 below 8", 8, 8, 25.0f, 20.0f},
        {"8 below 8", 8, 8, 1.5f, 0.0f},
        {"8 below 8", 8, 8, 2.0f, 2.0f},
        {"9 below 8", 9, 8, 5.0f, 0.0f},
        {"8 below 9", 8, 9, -5.0f, 0.0f},
        {"9 below 9", 9, 9, 3.0f, 0.0f},
        {"line below 9", 1, 9, -7.0f, -5.0f},
        {"line below 9", 1, 9, -2.5f, -2.0f},
        {"line below 9", 1, 9, 3.0f, 0.0f},
        {"first box", 5, kNoBoxAbove, -7.0f, 0.0f},
        {"first box", 8, kNoBoxAbove, 4.0f, 0.0f},
        {"unknown above", 5, 10, -3.0f, 0.0f},
        {"unknown below line", 11, 4, -12.0f, -10.0f},
        {"unknown below 8", 11, 8, 4.0f, 0.0f},
        {"unknown below 9", -2, 9, -4.0f, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(clampDifferenceAngle(c.type, c.above, c.angle), c.expected)
            << c.pair << ": " << c.type << " below " << c.above << " at " << c.angle;
    }
}

TEST(DesignRules, ClampDifferenceAngleLandsOutsideNumbersOnTheRange) {
    struct Case {
        int32_t type, above;
        float angle, expected;
    };
    const Case cases[] = {
        // NaN is read as 0, which every pair allows.
        {4, 6, kNaN, 0.0f}, {8, 0, kNaN, 0.0f}, {9, 2, kNaN, 0.0f}, {0, 8, kNaN, 0.0f}, {8, 8, kNaN, 0.0f},
        {1, 9, kNaN, 0.0f}, {5, kNoBoxAbove, kNaN, 0.0f},
        // Infinities and huge values go to the ends.
        {4, 6, -kInf, -10.0f}, {4, 6, kInf, 0.0f}, {8, 0, kInf, 4.0f}, {8, 0, -kInf, -4.0f},
        {9, 2, 1e30f, 5.0f}, {0, 8, -1e30f, -5.0f}, {0, 8, kInf, 4.0f}, {8, 8, kInf, 20.0f},
        {8, 8, -kInf, 0.0f}, {1, 9, -kInf, -5.0f},
    };
    for (const Case& c : cases) {
        const float clamped = clampDifferenceAngle(c.type, c.above, c.angle);
        EXPECT_EQ(clamped, c.expected) << c.type << " below " << c.above << " at " << c.angle;
    }
    // A fraction truncated to zero never shows as "-0".
    EXPECT_FALSE(std::signbit(clampDifferenceAngle(4, 6, -0.6f)));
    EXPECT_FALSE(std::signbit(clampDifferenceAngle(0, 8, -0.6f)));
}

TEST(DesignRules, AngleStepsOfTheSpinButton) {
    struct Case {
        int32_t type, above;
        float angle;
        int32_t up, down;
    };
    const Case cases[] = {
        {8, 4, 0.0f, 2, 2},   {8, 8, 10.0f, 2, 2},  {8, kNoBoxAbove, 0.0f, 2, 2},
        {4, 8, 0.0f, 2, 1},   {4, 8, 1.0f, 2, 1},   {4, 8, 2.0f, 2, 2},
        {0, 8, -1.0f, 1, 1},  {0, 8, -0.5f, 1, 1},  {7, 8, 4.0f, 2, 2},
        {4, 9, 0.0f, 1, 1},   {4, 6, 0.0f, 1, 1},   {9, 8, 0.0f, 1, 1},
        {0, kNoBoxAbove, 0.0f, 1, 1}, {4, 8, kNaN, 1, 1},
    };
    for (const Case& c : cases) {
        const AngleSteps steps = angleSteps(c.type, c.above, c.angle);
        EXPECT_EQ(steps.up, c.up) << c.type << " below " << c.above << " at " << c.angle;
        EXPECT_EQ(steps.down, c.down) << c.type << " below " << c.above << " at " << c.angle;
    }
}

TEST(DesignRules, ReferenceTypeSeesTheLineBoxAboveARunOfSingleCabinets) {
    LineBoxTrail trail = startTrail(0);
    EXPECT_EQ(referenceType(trail, 0, 8), 0);
    passBox(trail, 8);
    passBox(trail, 8);
    EXPECT_EQ(referenceType(trail, 8, 2), 0);  // a line box below the run
    EXPECT_EQ(referenceType(trail, 8, 9), 8);  // a single cabinet: the box above
    passBox(trail, 5);
    EXPECT_EQ(referenceType(trail, 5, 4), 5);

    const LineBoxTrail topless = startTrail(9);
    EXPECT_EQ(topless.lastLineType, kNoBoxAbove);
    EXPECT_EQ(referenceType(topless, 9, 2), 9);
}

TEST(DesignRules, ModelBBelowASingleCabinetBelowModelAFails) {
    WorkingDesign design = designOf({0, 8, 2});
    design.boxes[2].differenceAngle = 1.0f;  // clamped before the pair fails
    design.boxes[3].differenceAngle = 7.0f;  // below the failing pair: untouched
    const StackingCheck check = checkStacking(design);
    EXPECT_FALSE(check.passes);
    EXPECT_FALSE(check.anglesUnchanged);
    EXPECT_EQ(design.boxes[2].differenceAngle, 2.0f);
    EXPECT_EQ(design.boxes[3].differenceAngle, 7.0f);

    enforceStacking(design, ClampAngles::repairedOnly);
    EXPECT_EQ(typesOf(design, 4), (std::vector<int32_t>{0, 8, 0, 0}));
    EXPECT_TRUE(checkStacking(design).passes);
}

TEST(DesignRules, EnforceStackingRepairsTypesByReferenceOrTheBoxAbove) {
    struct Case {
        const char* what;
        std::initializer_list<int32_t> types;
        std::vector<int32_t> expected;  // first boxes after the repair
    };
    const Case cases[] = {
        {"9 below 8 becomes 8", {8, 9, 4}, {8, 8, 4, 4}},
        {"8 below 9 becomes 9", {9, 8, 0}, {9, 9, 0, 0}},
        {"model B below 8 below model A", {0, 8, 2}, {0, 8, 0, 0}},
        {"line box after a mixed run", {4, 8, 9, 0}, {4, 8, 8, 4}},
        {"the run continues into a fitting line box", {0, 8, 8, 1}, {0, 8, 8, 1}},
        {"model A below model B all the way", {2, 0, 0, 1, 8, 0}, {2, 2, 2, 2, 8, 2}},
        {"fitting design unchanged", {5, 6, 4, 8, 8, 7}, {5, 6, 4, 8, 8, 7}},
        {"unknown ids below a line box", {6, 11, -1}, {6, 6, 6, 6}},
        {"unknown id on top takes the first known below", {11, 0, 2}, {0, 0, 0, 0}},
        {"unknown ids on top and below", {-2, 12, 9, 4}, {9, 9, 9, 4}},
        {"nothing known at all", {-1, 10}, {kDefaultBoxType, kDefaultBoxType, kDefaultBoxType, kDefaultBoxType}},
    };
    for (const Case& c : cases) {
        WorkingDesign design = designOf(c.types);
        enforceStacking(design, ClampAngles::repairedOnly);
        EXPECT_EQ(typesOf(design, c.expected.size()), c.expected) << c.what;
        EXPECT_TRUE(checkStacking(design).passes) << c.what;
    }
}

TEST(DesignRules, EnforceStackingClampsOnlyWhatChangedUnlessAllAreAsked) {
    // Box 2 (4 below 4 at +3) fits by type but not by angle; box 3 (a 2 below
    // a 4) is repaired.
    WorkingDesign design = designOf({4, 4, 4, 2, 4});
    design.boxes[0].differenceAngle = -2.0f;
    design.boxes[2].differenceAngle = 3.0f;
    design.boxes[3].differenceAngle = 2.0f;
    WorkingDesign all = design;

    enforceStacking(design, ClampAngles::repairedOnly);
    EXPECT_EQ(design.boxes[0].differenceAngle, -2.0f);  // box 0 hangs from the grid: never clamped here
    EXPECT_EQ(design.boxes[2].differenceAngle, 3.0f);
    EXPECT_EQ(design.boxes[3].type, 4);
    EXPECT_EQ(design.boxes[3].differenceAngle, 0.0f);

    enforceStacking(all, ClampAngles::all);
    EXPECT_EQ(all.boxes[0].differenceAngle, -2.0f);
    EXPECT_EQ(all.boxes[2].differenceAngle, 0.0f);
    const StackingCheck check = checkStacking(all);
    EXPECT_TRUE(check.passes);
    EXPECT_TRUE(check.anglesUnchanged);
}

TEST(DesignRules, BoxBelowARepairedBoxGetsItsAngleClampedForTheNewPair) {
    // 4 at +2 is fine below an 8; once the 8 turns into a 9 (it may not hang
    // below a 9), +2 is outside the 9's range of -5..0.
    WorkingDesign design = designOf({9, 8, 4});
    design.boxes[1].differenceAngle = 6.0f;
    design.boxes[2].differenceAngle = 2.0f;
    design.boxes[3].differenceAngle = -3.0f;
    enforceStacking(design, ClampAngles::repairedOnly);
    EXPECT_EQ(typesOf(design, 3), (std::vector<int32_t>{9, 9, 4}));
    EXPECT_EQ(design.boxes[1].differenceAngle, 0.0f);
    EXPECT_EQ(design.boxes[2].differenceAngle, 0.0f);
    EXPECT_EQ(design.boxes[3].differenceAngle, -3.0f);
    EXPECT_TRUE(checkStacking(design).anglesUnchanged);
}

TEST(DesignRules, CheckStackingReportsClampedAngles) {
    WorkingDesign design = designOf({6, 4, 8, 8, 5});
    design.boxes[2].differenceAngle = -2.0f;
    design.boxes[3].differenceAngle = 12.0f;
    design.boxes[4].differenceAngle = 4.0f;
    StackingCheck check = checkStacking(design);
    EXPECT_TRUE(check.passes);
    EXPECT_TRUE(check.anglesUnchanged);

    design.boxes[5].differenceAngle = kNaN;
    design.boxes[15].differenceAngle = -30.0f;  // beyond boxCount: still a box of the array
    check = checkStacking(design);
    EXPECT_TRUE(check.passes);
    EXPECT_FALSE(check.anglesUnchanged);
    EXPECT_EQ(design.boxes[5].differenceAngle, 0.0f);
    EXPECT_EQ(design.boxes[15].differenceAngle, -10.0f);
}

TEST(DesignRules, UnifyPresetsFollowsTheFirstLineBox) {
    struct Case {
        std::initializer_list<int32_t> types;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        {{8, 1, 0, 6}, {8, 1, 1, 7, 7}},
        {{9, 4, 5, 8, 7, 2}, {9, 4, 4, 8, 6, 2}},
        {{8, 9, 8}, {8, 9, 8, 8}},
        {{12, 3, 4}, {12, 3, 5, 5}},
    };
    for (const Case& c : cases) {
        WorkingDesign design = designOf(c.types);
        unifyPresets(design);
        EXPECT_EQ(typesOf(design, c.expected.size()), c.expected);
        EXPECT_EQ(design.boxes[15].type, c.expected.back()) << "boxes beyond the count follow too";
    }
}

TEST(DesignRules, TypeChoicesOfferWhatMayHangThere) {
    struct Case {
        const char* what;
        std::initializer_list<int32_t> types;
        int32_t index;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        {"box 0: every model", {2, 2}, 0, {8, 9, 0, 2, 4, 6}},
        {"below KSR527", {2, 2}, 1, {8, 9, 2}},
        {"below KSR516 FIR Curve", {1, 1}, 1, {8, 9, 0}},
        {"below KSR51 V", {4, 4}, 1, {8, 9, 4, 6}},
        {"below an 8 on top", {8, 8}, 1, {8, 0, 2, 4, 6}},
        {"below a 9 on top", {9, 9}, 1, {9, 0, 2, 4, 6}},
        {"below an 8 below KSR516", {0, 8, 2}, 2, {8, 0}},
        {"below a run below KSR52 V", {6, 9, 9, 0}, 3, {9, 4, 6}},
        {"below a run with no line box", {9, 9, 2}, 2, {9, 0, 2, 4, 6}},
        {"boxes below are not considered", {0, 8, 8, 2}, 2, {8, 0}},
        {"below an unknown id", {11, 11}, 1, {}},
        {"index past the table", {4, 4}, kMaxBoxes, {}},
        {"negative index", {4, 4}, -1, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(listed(typeChoices(designOf(c.types), c.index)), c.expected) << c.what;
    }
}

TEST(DesignRules, BaseTypeIsTheListedIdOfTheModel) {
    const int32_t expected[kBoxTypeCount] = {0, 0, 2, 2, 4, 4, 6, 6, 8, 9};
    for (int32_t type = 0; type < kBoxTypeCount; ++type) EXPECT_EQ(baseType(type), expected[type]) << type;
    for (int32_t type : {-1, 10, 123}) EXPECT_EQ(baseType(type), type);
}

TEST(DesignRules, PresetChoicesAndTheirEntries) {
    for (int32_t type = -1; type <= kBoxTypeCount; ++type) {
        const PresetChoices choices = presetChoices(type);
        const std::vector<int32_t> expected =
            isLineBox(type) ? std::vector<int32_t>{kPresetStandard, kPresetFirCurve} : std::vector<int32_t>{kPresetStandard};
        EXPECT_EQ(listed(choices), expected) << type;
        if (const BoxTypeEntry* entry = findBoxType(type)) {
            // The type's own preset is selected, and reading the selection back
            // gives that preset.
            const int32_t selected = presetEntry(choices, entry->preset);
            EXPECT_EQ(selected, entry->preset - 1) << type;
            EXPECT_EQ(presetForEntry(choices, selected), entry->preset) << type;
        }
    }
    EXPECT_STREQ(presetNames[presetForEntry(presetChoices(4), 0)], "Standard");
    EXPECT_STREQ(presetNames[presetForEntry(presetChoices(4), 1)], "FIR Curve");
    EXPECT_EQ(presetEntry(presetChoices(8), kPresetFirCurve), -1);
    EXPECT_EQ(presetEntry(presetChoices(4), kPresetNone), -1);
    EXPECT_EQ(presetForEntry(presetChoices(8), 1), kPresetNone);
    EXPECT_EQ(presetForEntry(presetChoices(4), -1), kPresetNone);
    EXPECT_EQ(presetForEntry(presetChoices(4), 2), kPresetNone);
}

TEST(DesignRules, RoundGainOntoTheGrid) {
    struct Case {
        float gain, expected;
    };
    const Case cases[] = {
        {-3.24f, -3.5f}, {-2.96f, -3.0f}, {-2.4f, -2.5f}, {-12.0f, -12.0f}, {-12.5f, -99.0f},
        {1.0f, 0.0f},    {0.3f, 0.0f},    {-0.04f, 0.0f}, {-0.06f, -0.5f},  {-11.96f, -12.0f},
        {-12.01f, -99.0f}, {-0.05f, 0.0f}, {-0.25f, -0.5f}, {-0.5f, -0.5f}, {-3.0f, -3.0f},
        {-99.0f, -99.0f}, {-50.0f, -99.0f}, {-0.0f, 0.0f},
        // Outside numbers: NaN is full level, like an empty entry.
        {kNaN, 0.0f}, {kInf, 0.0f}, {-kInf, -99.0f}, {1e30f, 0.0f}, {-1e30f, -99.0f},
    };
    for (const Case& c : cases) {
        const float rounded = roundGain(c.gain);
        EXPECT_EQ(rounded, c.expected) << c.gain;
        EXPECT_FALSE(std::signbit(rounded) && rounded == 0.0f) << c.gain << " rounds to -0";
    }
}

TEST(DesignRules, StepGainUpAndDown) {
    struct Case {
        float gain;
        StepDirection direction;
        float expected;
    };
    const Case cases[] = {
        {-99.0f, StepDirection::up, -12.0f},   {-12.0f, StepDirection::down, -99.0f},
        {0.0f, StepDirection::up, 0.0f},       {-99.0f, StepDirection::down, -99.0f},
        {0.0f, StepDirection::down, -0.5f},    {-0.5f, StepDirection::up, 0.0f},
        {-12.0f, StepDirection::up, -11.5f},   {-11.5f, StepDirection::down, -12.0f},
        {-50.0f, StepDirection::up, -12.0f},   {-50.0f, StepDirection::down, -99.0f},
        {-3.2f, StepDirection::down, -4.0f},   {-3.2f, StepDirection::up, -3.0f},
        {kNaN, StepDirection::up, 0.0f},       {kNaN, StepDirection::down, 0.0f},
        {-kInf, StepDirection::up, -12.0f},    {-kInf, StepDirection::down, -99.0f},
        {kInf, StepDirection::down, 0.0f},     {3.0f, StepDirection::down, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(stepGain(c.gain, c.direction), c.expected)
            << c.gain << (c.direction == StepDirection::up ? " up" : " down");
    }
}

TEST(DesignRules, ElevationsSumTheDifferenceAngles) {
    WorkingDesign design = designOf({4});
    design.gridElevation = -2.0f;
    const float angles[] = {0.0f, -1.0f, -2.0f, -3.0f};
    for (size_t i = 0; i < 4; ++i) design.boxes[i].differenceAngle = angles[i];
    design.boxes[15].differenceAngle = -4.0f;  // beyond boxCount, summed as well
    recomputeElevations(design);
    EXPECT_EQ(design.elevations[0], -2.0f);
    EXPECT_EQ(design.elevations[1], -3.0f);
    EXPECT_EQ(design.elevations[2], -5.0f);
    EXPECT_EQ(design.elevations[3], -8.0f);
    EXPECT_EQ(design.elevations[14], -8.0f);
    EXPECT_EQ(design.elevations[15], -12.0f);

    WorkingDesign opened = design;
    openingElevations(opened);
    EXPECT_EQ(opened.elevations, design.elevations) << "same sums while box 0 hangs at the grid angle";
}

TEST(DesignRules, OpeningSumLeavesBoxZerosOwnAngleOut) {
    WorkingDesign design = designOf({0});
    design.gridElevation = 3.0f;
    design.boxes[0].differenceAngle = -2.0f;
    design.boxes[1].differenceAngle = -1.0f;
    openingElevations(design);
    EXPECT_EQ(design.elevations[0], 3.0f);
    EXPECT_EQ(design.elevations[1], 2.0f);
    EXPECT_EQ(design.elevations[15], 2.0f);
    recomputeElevations(design);
    EXPECT_EQ(design.elevations[0], 1.0f);
    EXPECT_EQ(design.elevations[1], 0.0f);
    EXPECT_EQ(design.elevations[15], 0.0f);
}

TEST(DesignRules, WholeGridTruncatesTowardZero) {
    struct Case {
        float grid, expected;
    };
    const Case cases[] = {
        {-2.7f, -2.0f}, {12.7f, 12.0f}, {5.0f, 5.0f}, {-0.3f, 0.0f}, {0.0f, 0.0f},
        {kNaN, 0.0f},   {kInf, 2147483648.0f}, {-kInf, -2147483648.0f}, {1e20f, 2147483648.0f},
    };
    for (const Case& c : cases) {
        WorkingDesign design;
        design.gridElevation = c.grid;
        wholeGrid(design);
        EXPECT_EQ(design.gridElevation, c.expected) << c.grid;
        EXPECT_FALSE(std::signbit(design.gridElevation) && design.gridElevation == 0.0f) << c.grid;
    }
}
