#include "design/design_rules.h"

#include <algorithm>
#include <cmath>

#include "model/numeric.h"

namespace ksr {

namespace {

// lo..hi for finite and infinite values; callers take NaN out first.
float clampTo(float angle, float lo, float hi) { return std::min(std::max(angle, lo), hi); }

// Whole degrees toward zero; -0 becomes 0 so that no "-0" is ever shown.
float wholeDegrees(float angle) {
    const float whole = std::trunc(angle);
    return whole == 0.0f ? 0.0f : whole;
}

// Angle rule for a box below a line box.
float belowLineBox(int32_t type, float angle) {
    if (type == 8) {
        // Nearest of -4, -2, 0, 2, 4, ties toward the upper value.
        const float clamped = clampTo(angle, -4.0f, 4.0f);
        if (clamped >= 3.0f) return 4.0f;
        if (clamped >= 1.0f) return 2.0f;
        if (clamped >= -1.0f) return 0.0f;
        if (clamped >= -3.0f) return -2.0f;
        return -4.0f;
    }
    if (type == 9) return clampTo(angle, 0.0f, 5.0f);
    return clampTo(angle, -10.0f, 0.0f);
}

// Angle rule for a box below a single cabinet.
float belowSingleCabinet(int32_t type, int32_t above, float angle) {
    if (!isCatalogueId(type)) return 0.0f;
    if (above == 9) return isLineBox(type) ? clampTo(angle, -5.0f, 0.0f) : 0.0f;
    if (type == 9) return 0.0f;
    if (type == 8) {
        // 0, 2, ..., 20: whole degrees with the lowest bit cleared.
        const int32_t whole = truncateToInt32(clampTo(angle, 0.0f, 20.0f));
        return static_cast<float>(whole & ~1);
    }
    // A line box below an 8 cannot take 1 or 3 degrees: they snap up.
    const float clamped = clampTo(angle, -5.0f, 4.0f);
    if (clamped >= 3.0f) return 4.0f;
    if (clamped >= 1.0f) return 2.0f;
    return clamped;
}

// The id of the same model with the other preset, from the preset-switch
// table; the id itself when no row matches.
int32_t otherPresetId(int32_t type) {
    const BoxTypeEntry* entry = findBoxType(type);
    if (entry == nullptr) return type;
    const int32_t other = entry->preset == kPresetStandard ? kPresetFirCurve : kPresetStandard;
    for (const PresetSwitch& row : presetSwitchTable) {
        if (row.id == type && row.wantedPreset == other) return row.result;
    }
    return type;
}

// True when the type's model offers both presets.
bool offersPresetChoice(int32_t type) {
    const BoxTypeEntry* entry = findBoxType(type);
    return entry != nullptr && entry->preset != entry->presetMask;
}

// Box 0 of a design handed in with an id outside the catalogue takes the
// first catalogue id below it, so the walk has a valid top to hang from.
int32_t repairedTopType(const WorkingDesign& design) {
    for (const DesignBox& box : design.boxes) {
        if (isCatalogueId(box.type)) return box.type;
    }
    return kDefaultBoxType;
}

}  // namespace

bool canFollow(int32_t next, int32_t above) {
    switch (above) {
    case 0:
    case 1:
        return next == 0 || next == 1 || isSingleCabinet(next);
    case 2:
    case 3:
        return next == 2 || next == 3 || isSingleCabinet(next);
    case 4:
    case 5:
    case 6:
    case 7:
        return next >= 4 && next <= 9;
    case 8:
    case 9:
        return next == above || isLineBox(next);
    default:
        return false;
    }
}

LineBoxTrail startTrail(int32_t topType) {
    LineBoxTrail trail;
    passBox(trail, topType);
    return trail;
}

void passBox(LineBoxTrail& trail, int32_t type) {
    if (!isSingleCabinet(type)) trail.lastLineType = type;
}

int32_t referenceType(const LineBoxTrail& trail, int32_t above, int32_t next) {
    if (isSingleCabinet(above) && !isSingleCabinet(next) && trail.lastLineType != kNoBoxAbove) {
        return trail.lastLineType;
    }
    return above;
}

float clampDifferenceAngle(int32_t type, int32_t above, float angle) {
    if (!isCatalogueId(above)) return 0.0f;
    if (std::isnan(angle)) angle = 0.0f;
    const float ruled = isSingleCabinet(above) ? belowSingleCabinet(type, above, angle) : belowLineBox(type, angle);
    return wholeDegrees(ruled);
}

AngleSteps angleSteps(int32_t type, int32_t above, float angle) {
    AngleSteps steps;
    if (type == 8) {
        steps.up = 2;
        steps.down = 2;
    } else if (isLineBox(type) && above == 8) {
        if (angle >= 0.0f) steps.up = 2;
        if (angle > 1.0f) steps.down = 2;
    }
    return steps;
}

void unifyPresets(WorkingDesign& design) {
    int32_t preset = kPresetFirCurve;
    for (const DesignBox& box : design.boxes) {
        if (offersPresetChoice(box.type)) {
            preset = findBoxType(box.type)->preset;
            break;
        }
    }
    for (DesignBox& box : design.boxes) {
        if (offersPresetChoice(box.type) && (findBoxType(box.type)->presetMask & preset) != 0) {
            box.type = presetVariant(box.type, preset);
        }
    }
}

StackingCheck checkStacking(WorkingDesign& design) {
    StackingCheck check;
    LineBoxTrail trail = startTrail(design.boxes[0].type);
    for (size_t k = 0; k + 1 < design.boxes.size(); ++k) {
        const DesignBox& above = design.boxes[k];
        DesignBox& next = design.boxes[k + 1];
        const float kept = next.differenceAngle;
        next.differenceAngle = clampDifferenceAngle(next.type, above.type, kept);
        // NaN compares unequal, so a NaN angle counts as changed.
        if (next.differenceAngle != kept) check.anglesUnchanged = false;

        const int32_t reference = referenceType(trail, above.type, next.type);
        if (!canFollow(next.type, above.type) || !canFollow(next.type, reference)) {
            check.passes = false;
            return check;
        }
        passBox(trail, next.type);
    }
    return check;
}

void enforceStacking(WorkingDesign& design, ClampAngles clamp) {
    bool aboveRepaired = !isCatalogueId(design.boxes[0].type);
    if (aboveRepaired) design.boxes[0].type = repairedTopType(design);

    LineBoxTrail trail = startTrail(design.boxes[0].type);
    for (size_t k = 0; k + 1 < design.boxes.size(); ++k) {
        const DesignBox& above = design.boxes[k];
        DesignBox& next = design.boxes[k + 1];
        const int32_t reference = referenceType(trail, above.type, next.type);
        const bool fits = canFollow(next.type, above.type) && canFollow(next.type, reference);
        if (!fits) next.type = canFollow(reference, above.type) ? reference : above.type;
        // The box below a repaired box hangs in a new pair even when its own
        // type fits, so its angle is brought into the new pair's range too.
        if (!fits || aboveRepaired || clamp == ClampAngles::all) {
            next.differenceAngle = clampDifferenceAngle(next.type, above.type, next.differenceAngle);
        }
        aboveRepaired = !fits;
        passBox(trail, next.type);
    }
}

TypeChoices typeChoices(const WorkingDesign& design, int32_t index) {
    TypeChoices choices;
    if (index < 0 || index >= kMaxBoxes) return choices;
    if (index == 0) {
        for (int32_t id : modelListOrder) choices.add(id);
        return choices;
    }
    LineBoxTrail trail = startTrail(design.boxes[0].type);
    for (int32_t k = 1; k + 1 < index; ++k) passBox(trail, design.boxes[static_cast<size_t>(k)].type);

    const int32_t above = design.boxes[static_cast<size_t>(index - 1)].type;
    // Below a single cabinet the offer must also suit the nearest box above
    // it that is not a single cabinet: the trail's last line box over boxes
    // 0..index-2.
    int32_t reference = above;
    if (isSingleCabinet(above) && trail.lastLineType != kNoBoxAbove) {
        reference = trail.lastLineType;
    }
    for (int32_t id : modelListOrder) {
        if (canFollow(id, above) && (reference == above || canFollow(id, reference))) choices.add(id);
    }
    return choices;
}

int32_t baseType(int32_t type) {
    for (int32_t id : modelListOrder) {
        if (id == type) return type;
    }
    return otherPresetId(type);
}

PresetChoices presetChoices(int32_t type) {
    PresetChoices choices;
    choices.add(kPresetStandard);
    const BoxTypeEntry* entry = findBoxType(type);
    if (entry != nullptr && (entry->presetMask & kPresetFirCurve) != 0) choices.add(kPresetFirCurve);
    return choices;
}

int32_t presetEntry(const PresetChoices& choices, int32_t preset) { return choices.indexOf(preset); }

int32_t presetForEntry(const PresetChoices& choices, int32_t entry) {
    if (entry < 0 || entry >= choices.count) return kPresetNone;
    return choices.entries[static_cast<size_t>(entry)];
}

float roundGain(float gain) {
    if (std::isnan(gain) || gain > 0.0f) return 0.0f;
    if (gain < kLowestGain) return kMutedGain;
    if (gain > kLowestGain) {
        // Single precision on purpose: -0.05 typed is a tenth-decibel half
        // and rounds up to 0, as the user reads it.
        const float tenths = std::floor(10.0f * gain + 0.5f);
        const float steps = std::floor(tenths / 5.0f);
        return steps == 0.0f ? 0.0f : kGainStep * steps;
    }
    return kLowestGain;
}

float stepGain(float gain, StepDirection direction) {
    if (direction == StepDirection::up) {
        if (gain < 0.0f) gain = gain < kLowestGain ? kLowestGain : gain + kGainStep;
    } else {
        if (gain > kMutedGain) gain = gain > kLowestGain ? gain - kGainStep : kMutedGain;
    }
    return roundGain(gain);
}

void recomputeElevations(WorkingDesign& design) {
    float elevation = design.gridElevation;
    for (size_t k = 0; k < design.boxes.size(); ++k) {
        elevation += design.boxes[k].differenceAngle;
        design.elevations[k] = elevation;
    }
}

void openingElevations(WorkingDesign& design) {
    float elevation = design.gridElevation;
    design.elevations[0] = elevation;
    for (size_t k = 1; k < design.boxes.size(); ++k) {
        elevation += design.boxes[k].differenceAngle;
        design.elevations[k] = elevation;
    }
}

void wholeGrid(WorkingDesign& design) {
    design.gridElevation = static_cast<float>(truncateToInt32(design.gridElevation));
}

}  // namespace ksr
