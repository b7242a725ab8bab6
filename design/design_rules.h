#pragma once
// The rigging and editing rules of the design dialog, as plain operations on
// the working design: which box may hang below which, the splay-angle range
// and step of each pair of box types, one sound preset per array, the gain
// grid and the absolute elevations. No window call; the dialog calls these
// from its handlers and shows their results.
//
// Line boxes are ids 0..7 (four models, each as a Standard and a FIR Curve
// id); ids 8 and 9 are single cabinets without a preset choice. Angles are in
// degrees; a difference angle is a box's tilt relative to the box above it
// (negative tilts further down), for box 0 relative to the grid. Gains are in
// dB in the dialog's sign: 0 is full level, negative attenuates, -99 mutes.
//
// Values typed by the user or read from files may be NaN, infinite or huge;
// every rule lands them on a value it allows (see each operation).

#include <array>
#include <cstddef>
#include <cstdint>

#include "design/working_design.h"
#include "model/catalogue.h"

namespace ksr {

// The type passed as "type above" for box 0, which hangs from the grid.
inline constexpr int32_t kNoBoxAbove = -1;

// The gain grid: 0, -0.5, ..., -12 dB in half-decibel steps, then muted.
inline constexpr float kGainStep = 0.5f;
inline constexpr float kLowestGain = -12.0f;
inline constexpr float kMutedGain = -99.0f;

// True for the single cabinets 8 and 9.
constexpr bool isSingleCabinet(int32_t type) { return type == 8 || type == 9; }

// A short ordered list of ids or presets, at most N entries.
template <size_t N>
struct ChoiceList {
    std::array<int32_t, N> entries{};
    int32_t count = 0;

    void add(int32_t value) {
        if (count < static_cast<int32_t>(N)) entries[static_cast<size_t>(count++)] = value;
    }
    const int32_t* begin() const { return entries.data(); }
    const int32_t* end() const { return entries.data() + count; }
    // Position of value in the list, or -1.
    int32_t indexOf(int32_t value) const {
        for (int32_t i = 0; i < count; ++i) {
            if (entries[static_cast<size_t>(i)] == value) return i;
        }
        return -1;
    }
    bool contains(int32_t value) const { return indexOf(value) >= 0; }
};

// Box-type ids offered for one box, in the order of modelListOrder.
using TypeChoices = ChoiceList<modelListOrder.size()>;
// Preset numbers offered for one box: Standard, then FIR Curve if offered.
using PresetChoices = ChoiceList<2>;

// True if a box of type next may hang directly below a box of type above.
// KSR516 and KSR527 take only their own model (either preset) or a single
// cabinet below; KSR51 V and KSR52 V mix freely and take single cabinets;
// below an 8 or a 9 hangs the same cabinet or any line box, so an 8 never
// touches a 9. Ids outside the catalogue never follow and nothing follows
// them.
bool canFollow(int32_t next, int32_t above);

// The last line box seen on a walk down the array, box 0 first. A line box
// below a run of single cabinets must also suit the line box above that run.
struct LineBoxTrail {
    int32_t lastLineType = kNoBoxAbove;  // kNoBoxAbove until a line box passed
};

// The trail after box 0 of the given type.
LineBoxTrail startTrail(int32_t topType);
// Record the lower box of a pair once the pair is settled.
void passBox(LineBoxTrail& trail, int32_t type);
// The type the lower box of the pair (above, next) must also suit: the type
// above, or the trail's last line box when a line box hangs below a single
// cabinet.
int32_t referenceType(const LineBoxTrail& trail, int32_t above, int32_t next);

// The difference angle brought into the range and step allowed for a box of
// type below a box of type above (kNoBoxAbove for box 0, which always gets 0),
// then truncated toward zero to whole degrees:
//   line box below a line box: -10..0
//   8 below a line box: -4, -2, 0, 2, 4 (nearest, ties toward the upper)
//   9 below a line box: 0..5
//   line box below an 8: -5..0, 2 and 4
//   8 below an 8: 0, 2, ..., 20
//   line box below a 9: -5..0
//   a single cabinet below the other single cabinet, a 9 below a 9, any type
//   below an id outside the catalogue, an unknown id below a single cabinet: 0
// NaN is taken as 0 before the rule (0 is allowed by every pair); infinities
// land on the end of the range.
float clampDifferenceAngle(int32_t type, int32_t above, float angle);

// Steps of the difference-angle spin button at angle.
struct AngleSteps {
    int32_t up = 1;
    int32_t down = 1;
};
// Both 1, except 2 for an 8, and for a line box below an 8 an up step of 2
// from 0 and above and a down step of 2 above 1 (so 0 goes up to 2 and down
// to -1, and 2 goes up to 4 and down to 0).
AngleSteps angleSteps(int32_t type, int32_t above, float angle);

// Gives every line box of all 16 the preset of the first line box (FIR Curve
// when there is none).
void unifyPresets(WorkingDesign& design);

struct StackingCheck {
    bool passes = true;          // every neighbour pair may follow
    bool anglesUnchanged = true; // no difference angle had to be clamped
};
// Walks the 15 neighbour pairs from the top, clamping each lower box's angle
// for its pair; stops at the first pair whose lower box may not follow the
// box above or the reference type (the angles of later boxes stay untouched).
[[nodiscard]] StackingCheck checkStacking(WorkingDesign& design);

enum class ClampAngles {
    repairedOnly,  // clamp a box's angle only when its pair changed
    all,           // clamp every box's angle for its pair
};
// Walks the 15 neighbour pairs from the top once and repairs every box that
// may not hang where it is: it takes the reference type when that may follow
// the box above, else the type above. A repaired box's angle, and the angle of
// the box below a repaired box, are clamped for their new pair. Box 0, when it
// is no catalogue id, first takes the first catalogue id below it (the default
// type when there is none). Afterwards checkStacking passes.
void enforceStacking(WorkingDesign& design, ClampAngles clamp);

// The box types offered for box index: all of modelListOrder for box 0; for
// a lower box each listed id that may follow the box above and, below a run
// of single cabinets, the last line box above that run. Boxes below index are
// not considered. An index outside 0..15 gets an empty list.
TypeChoices typeChoices(const WorkingDesign& design, int32_t index);

// The id under which typeChoices lists a type: a listed id itself, the
// Standard id of a FIR Curve line box, any other value unchanged.
int32_t baseType(int32_t type);

// The presets offered for a box of type: Standard always, FIR Curve when the
// type's preset mask holds it.
PresetChoices presetChoices(int32_t type);
// Entry of the preset list that shows preset, or -1 (no selection).
int32_t presetEntry(const PresetChoices& choices, int32_t preset);
// Preset chosen by entry of the list; kPresetNone for no or no valid entry.
int32_t presetForEntry(const PresetChoices& choices, int32_t entry);

// The gain brought onto the gain grid: above 0 gives 0, below -12 mutes;
// in between it is taken to a tenth of a decibel (halves up), then down to
// the next multiple of 0.5 dB. NaN gives 0 dB, like an empty entry; +inf 0,
// -inf muted.
float roundGain(float gain);

enum class StepDirection { up, down };
// The next gain on the grid up or down: 0, -0.5, ..., -12, -99 and back.
// The ends stay where they are; the result is always on the grid.
float stepGain(float gain, StepDirection direction);

// elevations[0] = gridElevation + box 0's angle, then each box adds its own
// angle; all 16 boxes, whatever boxCount is.
void recomputeElevations(WorkingDesign& design);

// The sum formed once when a design is opened: elevations[0] is the grid
// elevation itself (box 0's own angle left out), then as recomputeElevations.
void openingElevations(WorkingDesign& design);

// gridElevation truncated toward zero to whole degrees, saturated into the
// int32 range so that it always prints as a whole number; NaN gives 0.
void wholeGrid(WorkingDesign& design);

}  // namespace ksr
