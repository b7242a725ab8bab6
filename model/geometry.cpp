#include "model/geometry.h"

#include <cmath>

#include "model/catalogue.h"

namespace ksr {

ArraySetup defaultSetup() {
    ArraySetup setup;
    setup.boxType.fill(kDefaultBoxType);
    return setup;
}

namespace {

int32_t replacementFor(int32_t id) {
    for (const TypeReplacement& pair : typeReplacementTable) {
        if (pair.id == -1) break;
        if (pair.id == id) return pair.replacement;
    }
    return kDefaultBoxType;
}

// A usable catalogue id stays; an unusable one is replaced; an id outside the
// catalogue takes the type of the box above (the default type for box 0).
int32_t normaliseType(int32_t id, int32_t typeAbove) {
    if (const BoxTypeEntry* entry = findBoxType(id)) {
        return entry->usable == 1 ? id : replacementFor(id);
    }
    return typeAbove;
}

}  // namespace

void applyDesign(ArraySetup& setup, ArrayGeometry& geometry) {
    ArraySetup& design = geometry.design;
    design.boxCount = setup.boxCount;
    design.hostValue = setup.hostValue;
    design.gridElevation = setup.gridElevation;
    design.groundStacked = setup.groundStacked;

    int32_t typeAbove = kDefaultBoxType;
    for (int32_t i = 0; i < kMaxBoxes; ++i) {
        design.boxElevation[i] = setup.boxElevation[i];
        design.boxGain[i] = setup.boxGain[i];
        const int32_t type = normaliseType(setup.boxType[i], typeAbove);
        setup.boxType[i] = type;
        design.boxType[i] = type;
        geometry.box[i].type = type;
        typeAbove = type;
    }

    // Walk down the chain of rigging points. theta is the box's tilt with the
    // sign of the chain (grid minus elevation), accumulated in single
    // precision from the splay angles.
    float theta = 0.0f;
    float previousElevation = setup.gridElevation;
    float x = 0.0f;
    float y = 0.0f;
    for (int32_t j = 0; j < kMaxBoxes; ++j) {
        const float splay = -(setup.boxElevation[j] - previousElevation);
        theta = theta + splay;
        previousElevation = setup.boxElevation[j];

        const RiggingConstants& rig = riggingConstantsFor(geometry.box[j].type);
        const double k = kRiggingDegToRad;
        const double tilt = k * static_cast<double>(theta);
        const double pointDirection = k * (static_cast<double>(theta) + rig.pointAngle);
        const float p = static_cast<float>(x + rig.pointRadius * std::cos(pointDirection));
        const float q = static_cast<float>(y - rig.pointRadius * std::sin(pointDirection));

        BoxPlacement& box = geometry.box[j];
        box.localPosition = {0.0f, -p, q};
        box.localAngles = {0.0f, -theta, 0.0f};
        box.gain = setup.boxGain[j];

        x = static_cast<float>(x - rig.length * std::sin(tilt));
        y = static_cast<float>(y - rig.length * std::cos(tilt));
    }
}

void resetDesign(ArrayGeometry& geometry) {
    ArraySetup setup = defaultSetup();
    applyDesign(setup, geometry);
}

}  // namespace ksr
