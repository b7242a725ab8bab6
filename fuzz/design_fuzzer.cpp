// Fuzz target: the design dialog's edits as a state machine. The bytes open
// a design (any values a stored instance could hold), then decode into a
// sequence of the edits the dialog offers: a new selection, a box type from
// the type list, a preset from the preset list, a typed or spun difference
// angle, a typed or spun gain, a grid elevation, a count, the ground flag,
// the preset unification, and OK followed by opening the dialog again.
// Every choice comes from the list the dialog would show at that moment.
//
// After every step the design must keep what the rules promise:
//   - 4..16 boxes, every box of all 16 a catalogue type, every pair allowed
//     to hang together (the stacking check passes);
//   - every difference angle allowed for its pair, except after an angle
//     given to several selected boxes of different pairs (the value is
//     clamped for the current box's pair only; the dialog does that);
//   - every gain the user set on the gain grid;
//   - the elevations the sum of the grid and the angles wherever an edit
//     recomputes them, and untouched by the edits that do not;
//   - a whole, finite grid once the dialog has shown it;
//   - nothing written outside the design (guard bytes around it);
//   - at the start and the end, the box table's rows showing the design.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "design/design_edits.h"
#include "design/design_rules.h"
#include "design/dialog_session.h"
#include "design/splay_proposal.h"
#include "design/table_row.h"
#include "design/value_text.h"
#include "fuzz_support.h"
#include "model/catalogue.h"
#include "model/numeric.h"

namespace {

using ksr::fuzz::FuzzInput;
using ksr::fuzz::sameBits;

constexpr int32_t kBoxes = ksr::kMaxBoxes;

// The last step the fuzzer takes per input; longer inputs add nothing new.
constexpr int kMaxSteps = 64;

bool onGainGrid(float gain) {
    if (gain == ksr::kMutedGain) return true;
    return gain <= 0.0f && gain >= ksr::kLowestGain && std::floor(gain * 2.0f) == gain * 2.0f;
}

int32_t typeAbove(const ksr::WorkingDesign& design, int32_t box) {
    return box == 0 ? ksr::kNoBoxAbove : design.boxes[static_cast<size_t>(box - 1)].type;
}

// What the fuzzer expects of the design between edits.
struct Expectations {
    std::array<float, kBoxes> elevations{};
    std::array<bool, kBoxes> gainSet{};  // the user set this box's gain: it lies on the grid
    bool anglesRuled = true;             // every angle of boxes 1..15 allowed for its pair
};

// The elevations as the rules sum them: from the grid, each box adding its
// angle, box 0's own angle left out when the design is opened.
std::array<float, kBoxes> summedElevations(const ksr::WorkingDesign& design, bool opening) {
    std::array<float, kBoxes> out{};
    float elevation = design.gridElevation;
    for (int32_t k = 0; k < kBoxes; ++k) {
        if (k > 0 || !opening) elevation += design.boxes[static_cast<size_t>(k)].differenceAngle;
        out[static_cast<size_t>(k)] = elevation;
    }
    return out;
}

// The box table's rows as the dialog builds them after an edit: the number,
// the type's name, and the angle, elevation and gain texts of every box.
void checkRows(const ksr::WorkingDesign& design, std::array<ksr::TableRow, kBoxes>& rows) {
    for (int32_t k = 0; k < kBoxes; ++k) {
        const size_t i = static_cast<size_t>(k);
        ksr::buildRow(rows[i], design, k);
        const ksr::DesignBox& box = design.boxes[i];
        FUZZ_CHECK(rows[i].filled == 5);
        FUZZ_CHECK(rows[i].texts[ksr::kColumnBoxNumber] == ksr::paddedIntegerText(k + 1));
        FUZZ_CHECK(rows[i].texts[ksr::kColumnBoxType] == std::string(ksr::findBoxType(box.type)->name));
        FUZZ_CHECK(rows[i].texts[ksr::kColumnDifferenceAngle] == ksr::wholeNumberText(box.differenceAngle));
        FUZZ_CHECK(rows[i].texts[ksr::kColumnElevation] == ksr::wholeNumberText(design.elevations[i]));
        FUZZ_CHECK(rows[i].texts[ksr::kColumnGain] == ksr::gainText(box.gain));
    }
    FUZZ_CHECK(ksr::paddedWholeNumberText(design.boxes[0].differenceAngle).size() >= 2);
}

void checkDesign(const ksr::WorkingDesign& design, const Expectations& expected) {
    FUZZ_CHECK(design.boxCount >= ksr::kMinBoxes && design.boxCount <= kBoxes);
    FUZZ_CHECK(design.groundStacked == 0 || design.groundStacked == 1);
    for (int32_t k = 0; k < kBoxes; ++k) {
        const ksr::DesignBox& box = design.boxes[static_cast<size_t>(k)];
        FUZZ_CHECK(ksr::isCatalogueId(box.type));
        FUZZ_CHECK(std::isfinite(box.differenceAngle));
        FUZZ_CHECK(!expected.gainSet[static_cast<size_t>(k)] || onGainGrid(box.gain));
        FUZZ_CHECK(sameBits(design.elevations[static_cast<size_t>(k)], expected.elevations[static_cast<size_t>(k)]));
    }
    ksr::WorkingDesign copy = design;
    const ksr::StackingCheck check = ksr::checkStacking(copy);
    FUZZ_CHECK(check.passes);
    if (expected.anglesRuled) {
        FUZZ_CHECK(check.anglesUnchanged);
        for (int32_t k = 1; k < kBoxes; ++k) {
            const ksr::DesignBox& box = design.boxes[static_cast<size_t>(k)];
            FUZZ_CHECK(box.differenceAngle == std::trunc(box.differenceAngle));
        }
    }
}

// Values a stored instance can hand the dialog: any count, types, angles,
// gains and grid.
ksr::DialogValues openingValues(FuzzInput& input) {
    ksr::DialogValues values;
    values.boxCount = input.integer();
    values.gridElevation = input.real();
    values.groundStacked = input.byte() & 1;
    const bool plain = (input.byte() & 3) != 0;  // most often a design a user could build
    for (int32_t k = 0; k < kBoxes; ++k) {
        const size_t i = static_cast<size_t>(k);
        if (plain) {
            values.types[i] = input.byte() % ksr::kBoxTypeCount;
            values.elevations[i] = static_cast<float>(static_cast<int8_t>(input.byte()) % 24);
            values.gains[i] = -static_cast<int32_t>(input.byte() % 16);
        } else {
            values.types[i] = input.integer();
            values.elevations[i] = input.real();
            values.gains[i] = input.integer();
        }
    }
    return values;
}

// Opens the dialog on values: the design as loaded, then the grid as the
// dialog shows it.
void open(const ksr::DialogValues& values, ksr::WorkingDesign& design, Expectations& expected) {
    design = ksr::loadDesign(values);
    expected = Expectations{};
    expected.elevations = summedElevations(design, true);
    checkDesign(design, expected);
    ksr::wholeGrid(design);
    FUZZ_CHECK(std::isfinite(design.gridElevation) && design.gridElevation == std::trunc(design.gridElevation));
}

// A selection of table rows among the shown ones: ascending, at least one.
std::vector<int32_t> selection(FuzzInput& input, int32_t shown) {
    std::vector<int32_t> rows;
    const uint32_t mask = input.byte() | (static_cast<uint32_t>(input.byte()) << 8);
    for (int32_t row = 0; row < shown; ++row) {
        if ((mask >> row) & 1u) rows.push_back(row);
    }
    if (rows.empty()) rows.push_back(0);
    return rows;
}

// The value a spin button steps from: the field's text, the angle truncated
// toward zero, or the gain at a tenth of a decibel.
float spunAngle(const ksr::WorkingDesign& design, int32_t current, bool up) {
    const float angle = std::trunc(design.boxes[static_cast<size_t>(current)].differenceAngle);
    const ksr::AngleSteps steps = ksr::currentAngleSteps(design, current);
    return up ? angle + static_cast<float>(steps.up) : angle - static_cast<float>(steps.down);
}

struct Session {
    ksr::WorkingDesign& design;
    Expectations& expected;
    std::vector<int32_t> selected{0};
    int32_t current() const { return selected.front(); }
};

void giveAngle(Session& s, float value) {
    const int32_t current = s.current();
    ksr::setDifferenceAngle(s.design, s.selected, current, value);
    const float given = s.design.boxes[static_cast<size_t>(current)].differenceAngle;
    FUZZ_CHECK(std::isfinite(given) && given == std::trunc(given));
    FUZZ_CHECK(current != 0 || given == 0.0f);
    for (int32_t box : s.selected) {
        FUZZ_CHECK(sameBits(s.design.boxes[static_cast<size_t>(box)].differenceAngle, given));
        // Another pair may not allow the current box's angle.
        const int32_t type = s.design.boxes[static_cast<size_t>(box)].type;
        if (ksr::clampDifferenceAngle(type, typeAbove(s.design, box), given) != given) s.expected.anglesRuled = false;
    }
    s.expected.elevations = summedElevations(s.design, false);
}

void giveGain(Session& s, float value) {
    ksr::setGain(s.design, s.selected, value);
    for (int32_t box : s.selected) s.expected.gainSet[static_cast<size_t>(box)] = true;
}

void step(FuzzInput& input, Session& s) {
    ksr::WorkingDesign& design = s.design;
    const int32_t current = s.current();
    const int32_t currentType = design.boxes[static_cast<size_t>(current)].type;
    switch (input.byte() % 15) {
        case 0:
            s.selected = selection(input, design.boxCount);
            break;
        case 1: {
            // A box type from the list the dialog shows for the current box,
            // with the preset list showing the current box's preset.
            const ksr::TypeChoices types = ksr::typeChoices(design, current);
            FUZZ_CHECK(types.count > 0);
            const int32_t listed = types.entries[static_cast<size_t>(input.byte() % types.count)];
            const ksr::PresetChoices presets = ksr::presetChoices(currentType);
            const int32_t shown = ksr::presetForEntry(presets, static_cast<int32_t>(input.byte() % 3) - 1);
            const ksr::TypeChoice choice = ksr::chooseBoxType(design, s.selected, listed, shown);
            FUZZ_CHECK(ksr::baseType(choice.type) == listed);
            if (choice.layoutChanged) s.expected.elevations = summedElevations(design, false);
            break;
        }
        case 2: {
            const ksr::PresetChoices presets = ksr::presetChoices(currentType);
            FUZZ_CHECK(presets.count >= 1 && presets.count <= 2);
            const int32_t preset = ksr::presetForEntry(presets, input.byte() % presets.count);
            const std::optional<int32_t> type =
                ksr::choosePreset(design, s.selected, current, preset, presets.count);
            FUZZ_CHECK(type.has_value() && ksr::baseType(*type) == ksr::baseType(currentType));
            break;
        }
        case 3:
            giveAngle(s, input.real());
            break;
        case 4:
            giveAngle(s, spunAngle(design, current, (input.byte() & 1) != 0));
            break;
        case 5:
            giveGain(s, input.real());
            break;
        case 6: {
            const float gain = design.boxes[static_cast<size_t>(current)].gain;
            const float stepped = ksr::stepGain(std::round(gain * 10.0f) / 10.0f, (input.byte() & 1) != 0
                                                                                        ? ksr::StepDirection::up
                                                                                        : ksr::StepDirection::down);
            FUZZ_CHECK(onGainGrid(stepped));
            giveGain(s, stepped);
            break;
        }
        case 7:
            ksr::setGridElevation(design, input.real());
            FUZZ_CHECK(std::isfinite(design.gridElevation) && design.gridElevation == std::trunc(design.gridElevation));
            s.expected.elevations = summedElevations(design, false);
            break;
        case 8:
            ksr::chooseBoxCount(design, input.integer());
            s.selected.erase(std::remove_if(s.selected.begin(), s.selected.end(),
                                            [&](int32_t row) { return row >= design.boxCount; }),
                             s.selected.end());
            if (s.selected.empty()) s.selected.push_back(0);
            break;
        case 9:
            design.groundStacked = input.byte() & 1;
            break;
        case 10: {
            ksr::unifyPresets(design);
            // One preset throughout: no line box offering both presets is
            // left in the other one.
            int32_t preset = ksr::kPresetNone;
            for (const ksr::DesignBox& box : design.boxes) {
                const ksr::BoxTypeEntry* entry = ksr::findBoxType(box.type);
                if (entry->presetMask != 3) continue;
                if (preset == ksr::kPresetNone) preset = entry->preset;
                FUZZ_CHECK(entry->preset == preset);
            }
            break;
        }
        case 11: {
            // A number typed into the angle, gain or grid field, read as the
            // dialog reads it; text that is no number changes nothing.
            const uint8_t field = input.byte() % 3;
            const size_t chars = field == 2 ? ksr::kGridFieldChars : ksr::kAngleFieldChars;
            const std::optional<float> value = ksr::parseFieldNumber(input.text(24), chars);
            if (!value) break;
            FUZZ_CHECK(std::isfinite(*value));
            if (field == 0) {
                giveAngle(s, *value);
            } else if (field == 1) {
                giveGain(s, *value);
            } else {
                ksr::setGridElevation(design, *value);
                s.expected.elevations = summedElevations(design, false);
            }
            break;
        }
        case 12: {
            // An auto-splay proposal taken in: any grid and angles.
            ksr::WorkingDesign proposal = design;
            proposal.gridElevation = input.real();
            for (int32_t k = 1; k < kBoxes; ++k) proposal.boxes[static_cast<size_t>(k)].differenceAngle = input.real();
            if ((input.byte() & 7) == 0) proposal.boxCount = input.integer();
            const ksr::SplayApplication application = ksr::applySplayProposal(design, proposal);
            FUZZ_CHECK(application.applied == (proposal.boxCount == design.boxCount &&
                                               std::isfinite(proposal.gridElevation)));
            if (application.applied) {
                FUZZ_CHECK(design.boxes[0].differenceAngle == 0.0f);
                s.expected.elevations = summedElevations(design, false);
            }
            break;
        }
        case 13: {
            // A dialog that opens on any stored values, then the table rows
            // rebuilt on the way.
            open(openingValues(input), design, s.expected);
            s.selected = {0};
            break;
        }
        default: {
            // OK, and the dialog opened again on what it handed back.
            ksr::DialogValues values;
            values.types.fill(5);
            ksr::collectDesign(design, values);
            for (int32_t k = 0; k < values.boxCount; ++k) {
                const size_t i = static_cast<size_t>(k);
                FUZZ_CHECK(values.types[i] == design.boxes[i].type);
                FUZZ_CHECK(values.gains[i] == ksr::truncateToInt32(design.boxes[i].gain));
            }
            open(values, design, s.expected);
            s.selected = {0};
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);

    // The design framed by guard bytes: an edit that wrote past its 16 slots
    // would change them.
    ksr::fuzz::GuardedBuffer<unsigned char> storage(sizeof(ksr::WorkingDesign) + alignof(ksr::WorkingDesign));
    void* raw = storage.data();
    size_t space = storage.payloadSize();
    raw = std::align(alignof(ksr::WorkingDesign), sizeof(ksr::WorkingDesign), raw, space);
    FUZZ_CHECK(raw != nullptr);
    ksr::WorkingDesign* design = new (raw) ksr::WorkingDesign();

    Expectations expected;
    open(openingValues(input), *design, expected);
    Session session{*design, expected};
    std::array<ksr::TableRow, kBoxes> rows{};
    checkRows(*design, rows);
    for (int i = 0; i < kMaxSteps && !input.done(); ++i) {
        step(input, session);
        checkDesign(*design, expected);
        FUZZ_CHECK(storage.guardsIntact());
    }
    // The rows are a plain function of the design; formatting them after
    // every step took most of the target's time.
    checkRows(*design, rows);
    return 0;
}
