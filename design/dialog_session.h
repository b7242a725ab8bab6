#pragma once
// One run of the design dialog on the current instance (IP_ShowDialog): the
// instance's design goes into the dialog, the dialog's answer comes back and
// the design is applied again, whether the user chose OK or Cancel. Gains
// cross in whole decibels, so a fractional gain is truncated on every run.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "model/geometry.h"
#include "model/instance.h"

namespace ksr {

// The values that cross between an instance and the dialog.
struct DialogValues {
    int32_t boxCount = kMinBoxes;  // 4..16
    int32_t hostValue = 1;         // passed through untouched
    float gridElevation = 0.0f;    // degrees
    std::array<int32_t, kMaxBoxes> types{};
    std::array<float, kMaxBoxes> elevations{};  // absolute, degrees
    std::array<int32_t, kMaxBoxes> gains{};     // whole dB in the dialog's sign (the negated boxGain)
    int32_t groundStacked = 0;
    // The height of the array's top rigging point (host z, metres) when the
    // host has placed the array; the dialog offers it as the rigging height
    // of an auto-splay. Read only: it never goes back to the instance.
    std::optional<float> arrayHeight;
};

// Shows the dialog on the values it opens with. The values as the user
// confirmed them with OK; nullopt after Cancel or when the dialog could not
// open.
using DesignDialogRunner = std::function<std::optional<DialogValues>(const DialogValues& opened)>;

// The values the dialog opens with: the count clamped into 4..16 (and stored
// back into the instance at once), gains negated and truncated toward zero to
// whole decibels (saturating; NaN gives 0).
DialogValues openingValues(ArrayInstance& instance);

// The design that the dialog's values stand for: the count clamped into
// 4..16 and each boxGain the negated whole-decibel gain.
ArraySetup setupFromDialog(const DialogValues& values);

// The instance the host has made current, or nullptr. The session asks
// twice: the host may switch or release instances while the dialog is open.
using CurrentInstance = std::function<ArrayInstance*()>;

// Runs the dialog on the current instance and applies the result (or, after
// Cancel or a dialog that did not open, the opening values) to the instance
// that is current when the dialog has closed. False when no instance is
// current at the start: nothing opens and nothing changes. An instance
// released while the dialog was open receives nothing.
bool runDesignSession(const CurrentInstance& current, const DesignDialogRunner& run);

}  // namespace ksr
