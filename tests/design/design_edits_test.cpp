#include "design/design_edits.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

namespace {

using namespace ksr;

// Dialog values of the given types hanging from a grid at grid degrees, each
// box elevationStep below the one above; all gains whole.
DialogValues openedWith(std::initializer_list<int32_t> types, float grid = 0.0f, float elevationStep = -1.0f) {
    DialogValues values;
    values.boxCount = static_cast<int32_t>(types.size());
    values.gridElevation = grid;
    values.types.fill(*(types.end() - 1));
    int32_t i = 0;
    for (int32_t type : types) values.types[static_cast<size_t>(i++)] = type;
    for (int32_t k = 0; k < kMaxBoxes; ++k) {
        values.elevations[static_cast<size_t>(k)] = grid + elevationStep * static_cast<float>(k);
        values.gains[static_cast<size_t>(k)] = -k;
    }
    return values;
}

std::vector<int32_t> typesOf(const WorkingDesign& design, int32_t count) {
    std::vector<int32_t> types;
    for (int32_t k = 0; k < count; ++k) types.push_back(design.boxes[static_cast<size_t>(k)].type);
    return types;
}

const std::array<int32_t, 1> kBox0{0};

}  // namespace

TEST(LoadDesign, TakesDifferencesOfTheElevationsAndLeavesBoxZerosAngleOutOfTheSum) {
    // Box 0 hangs 2 degrees below the grid, the others 1 degree apart.
    DialogValues values = openedWith({4, 4, 4, 4, 4}, 3.0f);
    values.elevations[0] = 1.0f;
    for (int32_t k = 1; k < kMaxBoxes; ++k) values.elevations[static_cast<size_t>(k)] = 1.0f - static_cast<float>(k);
    const WorkingDesign design = loadDesign(values);
    EXPECT_EQ(design.boxCount, 5);
    EXPECT_EQ(design.boxes[0].differenceAngle, -2.0f);
    EXPECT_EQ(design.boxes[1].differenceAngle, -1.0f);
    EXPECT_EQ(design.elevations[0], 3.0f);  // the grid angle: box 0's own angle is left out
    EXPECT_EQ(design.elevations[1], 2.0f);
    EXPECT_EQ(design.boxes[3].gain, -3.0f);

    // The first edit that recomputes the elevations includes it.
    WorkingDesign edited = design;
    setGridElevation(edited, 3.0f);
    EXPECT_EQ(edited.elevations[0], 1.0f);
    EXPECT_EQ(edited.elevations[1], 0.0f);
}

TEST(LoadDesign, RepairsTheStackingAndUnifiesThePresets) {
    // A KSR527 cannot hang below a KSR516; a FIR Curve box below a Standard
    // first line box takes the Standard preset.
    const WorkingDesign repaired = loadDesign(openedWith({0, 2, 2, 1}));
    EXPECT_EQ(typesOf(repaired, 4), (std::vector<int32_t>{0, 0, 0, 0}));
    const WorkingDesign unified = loadDesign(openedWith({8, 5, 4, 6}));
    EXPECT_EQ(typesOf(unified, 4), (std::vector<int32_t>{8, 5, 5, 7}));
    // Angles outside a pair's range are clamped: line boxes hang 0..-10 apart.
    const WorkingDesign clamped = loadDesign(openedWith({4, 4, 4, 4}, 0.0f, -25.0f));
    EXPECT_EQ(clamped.boxes[1].differenceAngle, -10.0f);
    EXPECT_EQ(clamped.elevations[3], -30.0f);
}

TEST(LoadDesign, ValuesThatAreNoNumbersOpenAsZeroAngles) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (auto [grid, elevation0, elevation1] : {std::array{nan, 0.0f, -1.0f}, std::array{0.0f, nan, nan},
                                                std::array{0.0f, inf, -1.0f}, std::array{-inf, 0.0f, -1.0f}}) {
        DialogValues values = openedWith({4, 4, 4, 4});
        values.gridElevation = grid;
        values.elevations[0] = elevation0;
        values.elevations[1] = elevation1;
        WorkingDesign design = loadDesign(values);
        EXPECT_EQ(design.boxes[0].differenceAngle, 0.0f);
        EXPECT_TRUE(std::isfinite(design.boxes[1].differenceAngle));
        setGridElevation(design, 0.0f);
        for (float elevation : design.elevations) EXPECT_TRUE(std::isfinite(elevation));
    }
}

TEST(CollectDesign, HandsBackTheCountedBoxesWithWholeGains) {
    DialogValues values = openedWith({4, 4, 4, 4, 4, 4}, 0.0f, -1.0f);
    WorkingDesign design = loadDesign(values);
    design.boxCount = 4;
    design.gridElevation = 5.0f;
    design.groundStacked = 1;
    design.boxes[0].gain = -3.5f;
    design.boxes[1].gain = -99.0f;
    design.boxes[3].type = 6;
    design.boxes[4].type = 6;  // beyond the count: not handed back
    recomputeElevations(design);

    DialogValues confirmed = values;
    collectDesign(design, confirmed);
    EXPECT_EQ(confirmed.boxCount, 4);
    EXPECT_EQ(confirmed.gridElevation, 5.0f);
    EXPECT_EQ(confirmed.groundStacked, 1);
    EXPECT_EQ(confirmed.gains[0], -3);  // -3.5 dB crosses as -3: whole decibels
    EXPECT_EQ(confirmed.gains[1], -99);
    EXPECT_EQ(confirmed.types[3], 6);
    EXPECT_EQ(confirmed.elevations[3], design.elevations[3]);
    EXPECT_EQ(confirmed.types[4], 4);
    EXPECT_EQ(confirmed.gains[4], -4);
    EXPECT_EQ(confirmed.elevations[4], -4.0f);

    // The applied gain is the negated whole gain.
    EXPECT_EQ(setupFromDialog(confirmed).boxGain[0], 3.0f);
}

TEST(ChooseBoxType, KeepsTheShownFirCurvePresetWhereTheModelOffersIt) {
    WorkingDesign design = loadDesign(openedWith({5, 5, 5, 5}));
    const std::array<int32_t, 1> box1{1};
    const TypeChoice firCurve = chooseBoxType(design, box1, 6, kPresetFirCurve);
    EXPECT_EQ(firCurve.type, 7);
    EXPECT_EQ(design.boxes[1].type, 7);
    EXPECT_FALSE(firCurve.layoutChanged);
    // A single cabinet offers no FIR Curve: it stays what it is.
    const std::array<int32_t, 1> box3{3};
    EXPECT_EQ(chooseBoxType(design, box3, 8, kPresetFirCurve).type, 8);
}

TEST(ChooseBoxType, AModelAtTheTopTurnsTheBoxesBelowThatCannotFollowIt) {
    WorkingDesign design = loadDesign(openedWith({0, 0, 0, 0, 0, 0}, 0.0f, 0.0f));
    for (int32_t k = 1; k < kMaxBoxes; ++k) design.boxes[static_cast<size_t>(k)].differenceAngle = -2.0f;
    const TypeChoice choice = chooseBoxType(design, kBox0, 2, kPresetStandard);
    EXPECT_EQ(choice.type, 2);
    EXPECT_TRUE(choice.layoutChanged);
    EXPECT_EQ(typesOf(design, kMaxBoxes), std::vector<int32_t>(kMaxBoxes, 2));
    EXPECT_EQ(design.elevations[5], -10.0f);
}

TEST(ChooseBoxType, ClampedAnglesRecomputeTheElevations) {
    // A 9 below a line box hangs 0..5 degrees: -3 becomes 0.
    WorkingDesign design = loadDesign(openedWith({4, 4, 4, 4}, 0.0f, -3.0f));
    const std::array<int32_t, 1> box2{2};
    const TypeChoice choice = chooseBoxType(design, box2, 9, kPresetStandard);
    EXPECT_TRUE(choice.layoutChanged);
    EXPECT_EQ(design.boxes[2].differenceAngle, 0.0f);
    EXPECT_EQ(design.elevations[2], -3.0f);
}

TEST(ChooseBoxType, EverySelectedBoxBelowARepairGetsAnAngleOfItsNewPair) {
    // Rows 0 and 3 become KSR516 (type 0): box 1 may not follow and is
    // repaired; box 2, an 8, may stay; box 3, an 8 at +6 below the 8, turns
    // into a line box below an 8, which hangs at 4 degrees at most.
    WorkingDesign design = loadDesign(openedWith({4, 4, 8, 8}, 0.0f, 0.0f));
    design.boxes[3].differenceAngle = 6.0f;
    const std::array<int32_t, 2> rows0and3{0, 3};
    EXPECT_TRUE(chooseBoxType(design, rows0and3, 0, kPresetStandard).layoutChanged);
    EXPECT_EQ(typesOf(design, 4), (std::vector<int32_t>{0, 0, 8, 0}));
    EXPECT_EQ(design.boxes[3].differenceAngle, 4.0f);
    EXPECT_EQ(design.elevations[3], 4.0f);
    WorkingDesign copy = design;
    EXPECT_TRUE(checkStacking(copy).anglesUnchanged);
}

TEST(ChoosePreset, StandardFromAFullListTurnsEveryLineBox) {
    WorkingDesign design = loadDesign(openedWith({5, 7, 5, 8, 5}));
    const std::array<int32_t, 1> box1{1};
    EXPECT_EQ(choosePreset(design, box1, 1, kPresetStandard, 2), 6);
    EXPECT_EQ(typesOf(design, 5), (std::vector<int32_t>{4, 6, 4, 8, 4}));
    EXPECT_EQ(choosePreset(design, box1, 1, kPresetFirCurve, 2), 7);
    EXPECT_EQ(typesOf(design, 5), (std::vector<int32_t>{5, 7, 5, 8, 5}));
}

TEST(ChoosePreset, StandardFromASingleCabinetsListTouchesOnlyTheSelection) {
    WorkingDesign design = loadDesign(openedWith({5, 8, 5, 5}));
    const std::array<int32_t, 1> box1{1};
    EXPECT_EQ(choosePreset(design, box1, 1, kPresetStandard, 1), 8);
    EXPECT_EQ(typesOf(design, 4), (std::vector<int32_t>{5, 8, 5, 5}));
}

TEST(ChoosePreset, SelectedBoxesOfOtherModelsKeepTheirModel) {
    // Rows 0 and 2 selected: the current box is a 9, box 2 an 8 below a line
    // box. Standard from the 9's one-entry list changes nothing; FIR Curve
    // from a line box's list turns every line box and leaves the cabinets.
    WorkingDesign design = loadDesign(openedWith({9, 4, 8, 4, 6}));
    const std::array<int32_t, 2> rows0and2{0, 2};
    EXPECT_EQ(choosePreset(design, rows0and2, 0, kPresetStandard, 1), 9);
    EXPECT_EQ(typesOf(design, 5), (std::vector<int32_t>{9, 4, 8, 4, 6}));
    const std::array<int32_t, 2> rows1and2{1, 2};
    EXPECT_EQ(choosePreset(design, rows1and2, 1, kPresetFirCurve, 2), 5);
    EXPECT_EQ(typesOf(design, 5), (std::vector<int32_t>{9, 5, 8, 5, 7}));
    WorkingDesign copy = design;
    EXPECT_TRUE(checkStacking(copy).passes);
}

TEST(ChoosePreset, NeedsACurrentBoxAndASelection) {
    WorkingDesign design = loadDesign(openedWith({5, 5, 5, 5}));
    EXPECT_FALSE(choosePreset(design, {}, 0, kPresetStandard, 2));
    EXPECT_FALSE(choosePreset(design, kBox0, -1, kPresetStandard, 2));
    EXPECT_FALSE(choosePreset(design, kBox0, 16, kPresetStandard, 2));
    EXPECT_EQ(typesOf(design, 4), (std::vector<int32_t>{5, 5, 5, 5}));
}

TEST(SetDifferenceAngle, BoxZeroAlwaysHangsAtTheGrid) {
    WorkingDesign design = loadDesign(openedWith({4, 4, 4, 4}, 2.0f, 0.0f));
    for (float typed : {-5.0f, 3.0f, 1e30f}) {
        setDifferenceAngle(design, kBox0, 0, typed);
        EXPECT_EQ(design.boxes[0].differenceAngle, 0.0f) << typed;
        EXPECT_EQ(design.elevations[0], 2.0f) << typed;
    }
}

TEST(SetDifferenceAngle, TheCurrentBoxsPairRulesEverySelectedBox) {
    // Box 1 is a line box below a line box (-10..0); box 3 an 8 below a line
    // box, which alone would snap -7 to -4.
    WorkingDesign design = loadDesign(openedWith({4, 4, 4, 8, 4}, 0.0f, 0.0f));
    const std::array<int32_t, 2> boxes1and3{1, 3};
    setDifferenceAngle(design, boxes1and3, 1, -7.6f);
    EXPECT_EQ(design.boxes[1].differenceAngle, -7.0f);
    EXPECT_EQ(design.boxes[3].differenceAngle, -7.0f);
    EXPECT_EQ(design.elevations[4], -14.0f);
    setDifferenceAngle(design, boxes1and3, 1, 4.0f);
    EXPECT_EQ(design.boxes[3].differenceAngle, 0.0f);
    // Without a valid current box nothing changes.
    setDifferenceAngle(design, boxes1and3, -1, -3.0f);
    EXPECT_EQ(design.boxes[1].differenceAngle, 0.0f);
}

TEST(SetGain, EverySelectedBoxTakesTheGainOnTheGrid) {
    WorkingDesign design = loadDesign(openedWith({4, 4, 4, 4}));
    const std::array<int32_t, 3> boxes{0, 2, 42};  // an index outside the table is ignored
    for (auto [typed, applied] : {std::pair{-3.24f, -3.5f}, std::pair{4.0f, 0.0f}, std::pair{-12.5f, -99.0f},
                                  std::pair{std::numeric_limits<float>::quiet_NaN(), 0.0f}}) {
        setGain(design, boxes, typed);
        EXPECT_EQ(design.boxes[0].gain, applied) << typed;
        EXPECT_EQ(design.boxes[2].gain, applied) << typed;
        EXPECT_EQ(design.boxes[1].gain, -1.0f) << typed;
    }
}

TEST(SetGridElevation, WholeDegreesTowardZeroAndTheElevationsFollow) {
    WorkingDesign design = loadDesign(openedWith({4, 4, 4, 4}, 0.0f, -1.0f));
    setGridElevation(design, 12.7f);
    EXPECT_EQ(design.gridElevation, 12.0f);
    EXPECT_EQ(design.elevations[0], 12.0f);
    EXPECT_EQ(design.elevations[3], 9.0f);
    setGridElevation(design, -12.34f);
    EXPECT_EQ(design.gridElevation, -12.0f);
    setGridElevation(design, 3e38f);
    EXPECT_EQ(design.gridElevation, 2147483648.0f);  // saturated to whole degrees
}

TEST(ChooseBoxCount, EntriesCountFromFourAndStayInTheList) {
    WorkingDesign design;
    for (auto [entry, count] : {std::pair{0, 4}, std::pair{6, 10}, std::pair{12, 16}, std::pair{13, 16},
                                std::pair{-1, 4}, std::pair{std::numeric_limits<int32_t>::max(), 16}}) {
        chooseBoxCount(design, entry);
        EXPECT_EQ(design.boxCount, count) << entry;
    }
}

TEST(CurrentAngleSteps, FollowTheCurrentBoxsPair) {
    WorkingDesign design = loadDesign(openedWith({4, 8, 4, 4}, 0.0f, 0.0f));
    EXPECT_EQ(currentAngleSteps(design, 1).up, 2);  // an 8
    EXPECT_EQ(currentAngleSteps(design, 2).up, 2);  // a line box below an 8 at 0 degrees
    EXPECT_EQ(currentAngleSteps(design, 2).down, 1);
    EXPECT_EQ(currentAngleSteps(design, 3).up, 1);
    EXPECT_EQ(currentAngleSteps(design, 99).up, 1);
}
