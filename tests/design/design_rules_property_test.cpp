// Properties of the design rules that must hold whatever the design: all
// type pairs and triples, and many seeded random designs with unknown ids,
// fractional, huge and NaN angles.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "design/design_rules.h"

using namespace ksr;

namespace {

constexpr int32_t kLowestTriedType = -2;
constexpr int32_t kHighestTriedType = 11;
constexpr int kRandomDesigns = 20000;

// Whole-degree angles a box of type may take below a box of type above,
// written out per pair kind independently of the rules' code.
std::set<int> allowedAngles(int32_t type, int32_t above) {
    auto range = [](int lo, int hi) {
        std::set<int> values;
        for (int v = lo; v <= hi; ++v) values.insert(v);
        return values;
    };
    if (!isCatalogueId(above)) return {0};
    if (isLineBox(above)) {
        if (type == 8) return {-4, -2, 0, 2, 4};
        if (type == 9) return range(0, 5);
        return range(-10, 0);
    }
    if (!isCatalogueId(type)) return {0};
    if (above == 8) {
        if (type == 8) return {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20};
        if (type == 9) return {0};
        std::set<int> values = range(-5, 0);
        values.insert({2, 4});
        return values;
    }
    return isLineBox(type) ? range(-5, 0) : std::set<int>{0};
}

std::vector<int32_t> typesOf(const WorkingDesign& design) {
    std::vector<int32_t> types;
    for (const DesignBox& box : design.boxes) types.push_back(box.type);
    return types;
}

// Equal, or both NaN: box 0's angle is never clamped by the stacking walk.
bool sameAngle(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool onGainGrid(float gain) {
    if (gain == kMutedGain) return true;
    if (std::signbit(gain) && gain == 0.0f) return false;  // "-0" is not on the grid
    return gain <= 0.0f && gain >= kLowestGain && std::floor(gain * 2.0f) == gain * 2.0f;
}

class RandomDesigns {
public:
    explicit RandomDesigns(uint32_t seed) : engine_(seed) {}

    WorkingDesign next() {
        std::uniform_int_distribution<int32_t> type(kLowestTriedType, kHighestTriedType);
        std::uniform_real_distribution<float> angle(-30.0f, 30.0f);
        std::uniform_int_distribution<int> oddity(0, 39);
        WorkingDesign design;
        for (DesignBox& box : design.boxes) {
            box.type = type(engine_);
            switch (oddity(engine_)) {
            case 0: box.differenceAngle = std::numeric_limits<float>::quiet_NaN(); break;
            case 1: box.differenceAngle = std::numeric_limits<float>::infinity(); break;
            case 2: box.differenceAngle = -1e30f; break;
            case 3: box.differenceAngle = std::trunc(angle(engine_)); break;
            default: box.differenceAngle = angle(engine_); break;
            }
        }
        return design;
    }

    std::mt19937& engine() { return engine_; }

private:
    std::mt19937 engine_;
};

}  // namespace

TEST(DesignRuleProperties, ClampedAnglesAreAllowedAndStable) {
    std::mt19937 engine(20240501u);
    std::uniform_real_distribution<float> angle(-30.0f, 30.0f);
    const float special[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), 1e30f, -1e30f, 0.0f, -0.0f};
    for (int32_t above = kNoBoxAbove - 1; above <= kHighestTriedType; ++above) {
        for (int32_t type = kLowestTriedType; type <= kHighestTriedType; ++type) {
            const std::set<int> allowed = allowedAngles(type, above);
            std::vector<float> tried(std::begin(special), std::end(special));
            for (int i = 0; i < 400; ++i) tried.push_back(angle(engine));
            for (int v = -25; v <= 25; ++v) tried.push_back(static_cast<float>(v));
            for (float a : tried) {
                const float clamped = clampDifferenceAngle(type, above, a);
                ASSERT_EQ(clamped, std::trunc(clamped)) << type << " below " << above << " at " << a;
                ASSERT_TRUE(allowed.contains(static_cast<int>(clamped)))
                    << type << " below " << above << " at " << a << " gives " << clamped;
                ASSERT_EQ(clampDifferenceAngle(type, above, clamped), clamped) << type << " below " << above;
            }
            // An allowed angle stays as it is.
            for (int v : allowed) ASSERT_EQ(clampDifferenceAngle(type, above, static_cast<float>(v)), v);
        }
    }
}

TEST(DesignRuleProperties, AngleSpinReachesEveryAllowedAngleOfEachPair) {
    for (int32_t above = 0; above < kBoxTypeCount; ++above) {
        for (int32_t type = 0; type < kBoxTypeCount; ++type) {
            std::set<int> visited;
            for (StepDirection direction : {StepDirection::up, StepDirection::down}) {
                float a = clampDifferenceAngle(type, above, 0.0f);
                for (int clicks = 0; clicks < 40; ++clicks) {
                    visited.insert(static_cast<int>(a));
                    const AngleSteps steps = angleSteps(type, above, a);
                    const float stepped = direction == StepDirection::up ? a + static_cast<float>(steps.up)
                                                                         : a - static_cast<float>(steps.down);
                    a = clampDifferenceAngle(type, above, stepped);
                }
            }
            EXPECT_EQ(visited, allowedAngles(type, above)) << type << " below " << above;
        }
    }
}

TEST(DesignRuleProperties, EnforcedTypeTriplesPassTheCheck) {
    for (ClampAngles clamp : {ClampAngles::repairedOnly, ClampAngles::all}) {
        for (int32_t a = kLowestTriedType; a <= kHighestTriedType; ++a) {
            for (int32_t b = kLowestTriedType; b <= kHighestTriedType; ++b) {
                for (int32_t c = kLowestTriedType; c <= kHighestTriedType; ++c) {
                    WorkingDesign design;
                    design.boxes[0].type = a;
                    design.boxes[1].type = b;
                    for (size_t i = 2; i < design.boxes.size(); ++i) design.boxes[i].type = c;
                    enforceStacking(design, clamp);
                    ASSERT_TRUE(checkStacking(design).passes) << a << ", " << b << ", " << c;
                }
            }
        }
    }
}

TEST(DesignRuleProperties, EnforcedRandomDesignsPassTheCheck) {
    RandomDesigns random(7573u);
    for (int n = 0; n < kRandomDesigns; ++n) {
        const WorkingDesign original = random.next();

        WorkingDesign all = original;
        enforceStacking(all, ClampAngles::all);
        for (const DesignBox& box : all.boxes) ASSERT_TRUE(isCatalogueId(box.type)) << "design " << n;
        const StackingCheck check = checkStacking(all);
        ASSERT_TRUE(check.passes) << "design " << n;
        ASSERT_TRUE(check.anglesUnchanged) << "design " << n;
        EXPECT_TRUE(sameAngle(all.boxes[0].differenceAngle, original.boxes[0].differenceAngle))
            << "box 0 keeps its angle, design " << n;

        // A stacked design is left alone by another repair.
        WorkingDesign again = all;
        enforceStacking(again, ClampAngles::all);
        for (size_t i = 0; i < again.boxes.size(); ++i) {
            ASSERT_EQ(again.boxes[i].type, all.boxes[i].type) << "design " << n << " box " << i;
            ASSERT_TRUE(sameAngle(again.boxes[i].differenceAngle, all.boxes[i].differenceAngle))
                << "design " << n << " box " << i;
        }

        WorkingDesign repaired = original;
        enforceStacking(repaired, ClampAngles::repairedOnly);
        ASSERT_TRUE(checkStacking(repaired).passes) << "design " << n;
        ASSERT_EQ(typesOf(repaired), typesOf(all)) << "design " << n;
    }
}

TEST(DesignRuleProperties, RetypingABoxOfAStackedDesignKeepsEveryAngleInItsRange) {
    RandomDesigns random(2718u);
    std::uniform_int_distribution<int32_t> box(0, kMaxBoxes - 1);
    std::uniform_int_distribution<int32_t> type(0, kBoxTypeCount - 1);
    for (int n = 0; n < kRandomDesigns; ++n) {
        WorkingDesign design = random.next();
        enforceStacking(design, ClampAngles::all);
        // The dialog's course when the user picks a type: check, repair only
        // what no longer fits.
        design.boxes[static_cast<size_t>(box(random.engine()))].type = type(random.engine());
        if (!checkStacking(design).passes) enforceStacking(design, ClampAngles::repairedOnly);
        const StackingCheck check = checkStacking(design);
        ASSERT_TRUE(check.passes) << "design " << n;
        ASSERT_TRUE(check.anglesUnchanged) << "design " << n;
    }
}

TEST(DesignRuleProperties, OfferedTypesFitTheBoxAboveAndTheReference) {
    RandomDesigns random(4242u);
    for (int n = 0; n < kRandomDesigns / 4; ++n) {
        WorkingDesign design = random.next();
        if (n % 2 == 0) enforceStacking(design, ClampAngles::repairedOnly);
        LineBoxTrail trail = startTrail(design.boxes[0].type);
        for (int32_t i = 1; i < kMaxBoxes; ++i) {
            const int32_t above = design.boxes[static_cast<size_t>(i - 1)].type;
            for (int32_t offered : typeChoices(design, i)) {
                ASSERT_TRUE(canFollow(offered, above)) << "design " << n << " box " << i << " offers " << offered;
                ASSERT_TRUE(canFollow(offered, referenceType(trail, above, offered)))
                    << "design " << n << " box " << i << " offers " << offered;
            }
            passBox(trail, design.boxes[static_cast<size_t>(i)].type);
        }
    }
}

TEST(DesignRuleProperties, StackedDesignsListEveryBoxAmongItsChoices) {
    RandomDesigns random(99u);
    for (int n = 0; n < kRandomDesigns / 4; ++n) {
        WorkingDesign design = random.next();
        enforceStacking(design, ClampAngles::repairedOnly);
        for (int32_t i = 0; i < kMaxBoxes; ++i) {
            const int32_t type = design.boxes[static_cast<size_t>(i)].type;
            ASSERT_TRUE(typeChoices(design, i).contains(baseType(type))) << "design " << n << " box " << i;
        }
    }
}

TEST(DesignRuleProperties, DesignsBuiltFromTheOffersPassTheCheck) {
    RandomDesigns random(31337u);
    for (int n = 0; n < kRandomDesigns / 4; ++n) {
        WorkingDesign design = random.next();
        for (int32_t i = 0; i < kMaxBoxes; ++i) {
            const TypeChoices choices = typeChoices(design, i);
            ASSERT_GT(choices.count, 0) << "design " << n << " box " << i;
            std::uniform_int_distribution<int32_t> pick(0, choices.count - 1);
            int32_t chosen = choices.entries[static_cast<size_t>(pick(random.engine()))];
            // Either preset of the chosen model.
            if (pick(random.engine()) % 2 == 1) chosen = presetVariant(chosen, kPresetFirCurve);
            design.boxes[static_cast<size_t>(i)].type = chosen;
        }
        ASSERT_TRUE(checkStacking(design).passes) << "design " << n;
    }
}

TEST(DesignRuleProperties, RoundGainAlwaysLandsOnTheGrid) {
    std::mt19937 engine(5150u);
    std::uniform_real_distribution<float> near(-14.0f, 2.0f);
    std::uniform_int_distribution<uint32_t> bits;
    for (int i = 0; i < 200000; ++i) {
        const float gain = i % 2 == 0 ? near(engine) : std::bit_cast<float>(bits(engine));
        const float rounded = roundGain(gain);
        ASSERT_TRUE(onGainGrid(rounded)) << gain << " rounds to " << rounded;
        ASSERT_EQ(roundGain(rounded), rounded) << gain;
    }
    // Never rounds a larger gain below a smaller one.
    float previous = roundGain(-13.0f);
    for (int step = -13000; step <= 1000; ++step) {
        const float rounded = roundGain(static_cast<float>(step) / 1000.0f);
        ASSERT_GE(rounded, previous) << step / 1000.0;
        previous = rounded;
    }
}

TEST(DesignRuleProperties, StepGainWalksTheWholeGridDownAndBackUp) {
    std::vector<float> grid;
    for (int half = 0; half >= -24; --half) grid.push_back(0.5f * static_cast<float>(half));
    grid.push_back(kMutedGain);

    std::vector<float> down{0.0f};
    while (down.size() < grid.size() + 2) down.push_back(stepGain(down.back(), StepDirection::down));
    EXPECT_EQ(std::vector<float>(down.begin(), down.begin() + static_cast<ptrdiff_t>(grid.size())), grid);
    EXPECT_EQ(down.back(), kMutedGain) << "muted stays muted";

    std::vector<float> up{kMutedGain};
    while (up.size() < grid.size() + 2) up.push_back(stepGain(up.back(), StepDirection::up));
    EXPECT_EQ(std::vector<float>(up.begin(), up.begin() + static_cast<ptrdiff_t>(grid.size())),
              std::vector<float>(grid.rbegin(), grid.rend()));
    EXPECT_EQ(up.back(), 0.0f) << "full level stays";

    // Whatever the start, a step lands on the grid.
    std::mt19937 engine(8u);
    std::uniform_int_distribution<uint32_t> bits;
    for (int i = 0; i < 50000; ++i) {
        const float gain = std::bit_cast<float>(bits(engine));
        ASSERT_TRUE(onGainGrid(stepGain(gain, StepDirection::up))) << gain;
        ASSERT_TRUE(onGainGrid(stepGain(gain, StepDirection::down))) << gain;
    }
}
