#include "design/design_edits.h"

#include <algorithm>
#include <cmath>

#include "model/catalogue.h"
#include "model/numeric.h"

namespace ksr {

namespace {

bool isBoxIndex(int32_t index) {
    return index >= 0 && index < kMaxBoxes;
}

DesignBox& boxAt(WorkingDesign& design, int32_t index) {
    return design.boxes[static_cast<size_t>(index)];
}

int32_t typeAbove(const WorkingDesign& design, int32_t index) {
    return index > 0 ? design.boxes[static_cast<size_t>(index - 1)].type : kNoBoxAbove;
}

template <class Change>
void forSelected(WorkingDesign& design, std::span<const int32_t> selected, Change change) {
    for (int32_t index : selected) {
        if (isBoxIndex(index)) change(boxAt(design, index));
    }
}

}  // namespace

WorkingDesign loadDesign(const DialogValues& values) {
    WorkingDesign design;
    design.groundStacked = values.groundStacked;
    design.boxCount = clampBoxCount(values.boxCount);
    design.gridElevation = values.gridElevation;
    for (int32_t i = 0; i < kMaxBoxes; ++i) {
        DesignBox& box = boxAt(design, i);
        box.type = values.types[static_cast<size_t>(i)];
        box.gain = static_cast<float>(values.gains[static_cast<size_t>(i)]);
        const float above = i == 0 ? values.gridElevation : values.elevations[static_cast<size_t>(i - 1)];
        box.differenceAngle = values.elevations[static_cast<size_t>(i)] - above;
    }
    // Box 0's angle is not ruled (the stacking rules start at box 1), so an
    // elevation or grid that is no finite number must not reach every
    // elevation through it.
    DesignBox& top = boxAt(design, 0);
    if (!std::isfinite(top.differenceAngle)) top.differenceAngle = 0.0f;
    enforceStacking(design, ClampAngles::all);
    unifyPresets(design);
    openingElevations(design);
    return design;
}

void collectDesign(const WorkingDesign& design, DialogValues& values) {
    values.boxCount = clampBoxCount(design.boxCount);
    values.gridElevation = design.gridElevation;
    values.groundStacked = design.groundStacked;
    for (int32_t i = 0; i < values.boxCount; ++i) {
        const DesignBox& box = design.boxes[static_cast<size_t>(i)];
        values.types[static_cast<size_t>(i)] = box.type;
        values.elevations[static_cast<size_t>(i)] = design.elevations[static_cast<size_t>(i)];
        values.gains[static_cast<size_t>(i)] = truncateToInt32(box.gain);
    }
}

AngleSteps currentAngleSteps(const WorkingDesign& design, int32_t currentBox) {
    if (!isBoxIndex(currentBox)) return AngleSteps{};
    const DesignBox& box = design.boxes[static_cast<size_t>(currentBox)];
    return angleSteps(box.type, typeAbove(design, currentBox), box.differenceAngle);
}

TypeChoice chooseBoxType(WorkingDesign& design, std::span<const int32_t> selected, int32_t listedType,
                         int32_t shownPreset) {
    int32_t type = listedType;
    const BoxTypeEntry* entry = findBoxType(type);
    if (entry != nullptr && entry->preset != shownPreset && (entry->presetMask & shownPreset) != 0) {
        type = presetVariant(type, shownPreset);
    }
    forSelected(design, selected, [type](DesignBox& box) { box.type = type; });

    const StackingCheck check = checkStacking(design);
    if (!check.passes) {
        enforceStacking(design, ClampAngles::repairedOnly);
        // The check stopped at the first pair that failed, and the repair
        // clamps only what it repaired: a selected box further down still
        // hangs at the angle of its old pair. A second walk, which now
        // passes, clamps every pair as a passing check does.
        const StackingCheck repaired = checkStacking(design);
        static_cast<void>(repaired);
    }
    const bool layoutChanged = !check.passes || !check.anglesUnchanged;
    if (layoutChanged) recomputeElevations(design);
    return TypeChoice{type, layoutChanged};
}

std::optional<int32_t> choosePreset(WorkingDesign& design, std::span<const int32_t> selected, int32_t currentBox,
                                    int32_t preset, int32_t presetEntries) {
    if (!isBoxIndex(currentBox) || selected.empty()) return std::nullopt;
    // A preset choice changes presets only: every box keeps its own model,
    // so the array rigs as before. (Handing the current box's model to the
    // other selected boxes would put, say, a 9 below an 8 unchecked.)
    const int32_t type = presetVariant(boxAt(design, currentBox).type, preset);
    boxAt(design, currentBox).type = type;
    if (preset == kPresetFirCurve || (preset == kPresetStandard && presetEntries > 1)) {
        for (DesignBox& box : design.boxes) box.type = presetVariant(box.type, preset);
    }
    return type;
}

void setDifferenceAngle(WorkingDesign& design, std::span<const int32_t> selected, int32_t currentBox, float angle) {
    if (!isBoxIndex(currentBox)) return;
    if (currentBox == 0) angle = 0.0f;
    angle = clampDifferenceAngle(boxAt(design, currentBox).type, typeAbove(design, currentBox), angle);
    forSelected(design, selected, [angle](DesignBox& box) { box.differenceAngle = angle; });
    recomputeElevations(design);
}

void setGain(WorkingDesign& design, std::span<const int32_t> selected, float gain) {
    gain = roundGain(gain);
    forSelected(design, selected, [gain](DesignBox& box) { box.gain = gain; });
}

void setGridElevation(WorkingDesign& design, float elevation) {
    design.gridElevation = elevation;
    wholeGrid(design);
    recomputeElevations(design);
}

void chooseBoxCount(WorkingDesign& design, int32_t entry) {
    design.boxCount = clampIndex(entry, 0, kMaxBoxes - kMinBoxes) + kMinBoxes;
}

}  // namespace ksr
