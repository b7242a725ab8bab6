#include "design/dialog_session.h"

#include "model/instance.h"
#include "model/numeric.h"

namespace ksr {

DialogValues openingValues(ArrayInstance& instance) {
    DialogValues values;
    values.boxCount = componentCount(instance);
    const ArraySetup& design = instance.geometry.design;
    values.hostValue = design.hostValue;
    values.gridElevation = design.gridElevation;
    values.groundStacked = design.groundStacked;
    for (int32_t i = 0; i < kMaxBoxes; ++i) {
        values.types[i] = design.boxType[i];
        values.elevations[i] = design.boxElevation[i];
        values.gains[i] = truncateToInt32(-static_cast<double>(design.boxGain[i]));
    }
    if ((instance.flags & kInstanceArrayPlaced) != 0) values.arrayHeight = instance.lspkPosition[2];
    return values;
}

ArraySetup setupFromDialog(const DialogValues& values) {
    ArraySetup setup;
    setup.boxCount = clampBoxCount(values.boxCount);
    setup.hostValue = values.hostValue;
    setup.gridElevation = values.gridElevation;
    setup.groundStacked = values.groundStacked;
    for (int32_t i = 0; i < kMaxBoxes; ++i) {
        setup.boxType[i] = values.types[i];
        setup.boxElevation[i] = values.elevations[i];
        // Negated as a float: the most negative int32 has no int32 negation.
        setup.boxGain[i] = -static_cast<float>(values.gains[i]);
    }
    return setup;
}

namespace {

// The values confirmed with OK, or none for Cancel. A dialog that failed on
// the way counts as cancelled.
std::optional<DialogValues> runOrCancel(const DesignDialogRunner& run, const DialogValues& opening) noexcept {
    try {
        return run(opening);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace

bool runDesignSession(const CurrentInstance& current, const DesignDialogRunner& run) {
    ArrayInstance* opened = current();
    if (opened == nullptr) return false;
    const DialogValues openingState = openingValues(*opened);
    const std::optional<DialogValues> confirmed = runOrCancel(run, openingState);

    // The host may have switched or released instances from inside the modal
    // loop; the design goes to whichever instance is current now.
    ArrayInstance* target = current();
    if (target == nullptr) return true;
    ArraySetup setup = setupFromDialog(confirmed ? *confirmed : openingState);
    applyDesign(setup, target->geometry);
    return true;
}

}  // namespace ksr
