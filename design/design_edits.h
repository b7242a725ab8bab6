#pragma once
// What the design dialog's commands do to its working design, apart from the
// window: opening a design and handing it back, and each edit the user makes
// to the boxes selected in the box table. Every rule is one of
// design_rules.h; the dialog shows the result.
//
// Selections are box indices in ascending order; the current box is the
// first selected one, whose values the editing controls show. Indices
// outside 0..15 are ignored.

#include <cstdint>
#include <optional>
#include <span>

#include "design/design_rules.h"
#include "design/dialog_session.h"
#include "design/working_design.h"

namespace ksr {

// The dialog's working copy of the values it opens with: the stacking rules
// repair the types and clamp the angles of boxes 1..15, every line box takes
// the array's preset, and the elevations are summed from the grid without
// box 0's own angle (a box 0 hanging off the grid angle still shows its angle
// in the table, and the first edit that recomputes the elevations adds it).
// A box 0 angle that is no finite number opens as 0.
WorkingDesign loadDesign(const DialogValues& values);

// Hands back what OK confirms: the count, the grid elevation, the ground
// flag and, for the first boxCount boxes, type, elevation and the gain
// truncated toward zero to whole decibels. Later boxes keep their values.
void collectDesign(const WorkingDesign& design, DialogValues& values);

// The spin steps of the current box's difference angle at its present angle.
AngleSteps currentAngleSteps(const WorkingDesign& design, int32_t currentBox);

// A box type chosen from the type list for the selected boxes. The chosen
// model keeps the preset the preset list shows when it offers it. If the
// array no longer stacks, the boxes below are repaired; the elevations are
// recomputed when a type was repaired or an angle clamped.
struct TypeChoice {
    int32_t type = 0;            // the type the selected boxes got
    bool layoutChanged = false;  // repairs or clamps happened; elevations recomputed
};
TypeChoice chooseBoxType(WorkingDesign& design, std::span<const int32_t> selected, int32_t listedType,
                         int32_t shownPreset);

// A preset chosen from the preset list, which holds presetEntries entries.
// The current box takes its model in that preset; FIR Curve, or Standard
// chosen from a list that offered both, goes to every line box of the array
// that offers it. Every box keeps its model, so no stacking check follows:
// both presets of a model stack alike. nullopt (and nothing changes) without
// a valid current box or selection; otherwise the current box's new type.
std::optional<int32_t> choosePreset(WorkingDesign& design, std::span<const int32_t> selected, int32_t currentBox,
                                    int32_t preset, int32_t presetEntries);

// A difference angle for the selected boxes: forced to 0 when the current box
// is box 0, clamped for the current box's pair, then given to every selected
// box; the elevations follow. Nothing changes without a valid current box.
void setDifferenceAngle(WorkingDesign& design, std::span<const int32_t> selected, int32_t currentBox, float angle);

// A gain for the selected boxes, brought onto the gain grid first.
void setGain(WorkingDesign& design, std::span<const int32_t> selected, float gain);

// A new grid elevation: whole degrees toward zero; the elevations follow.
void setGridElevation(WorkingDesign& design, float elevation);

// The count chosen from the count list's entry (entry 0 is 4 boxes, entries
// beyond the list's ends count as its ends). Boxes beyond the count keep
// their values.
void chooseBoxCount(WorkingDesign& design, int32_t entry);

}  // namespace ksr
