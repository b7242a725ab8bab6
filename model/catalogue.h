#pragma once
// The cabinet catalogue: every box type the module knows, its presets, the
// order in which the design dialog lists the models, the names used in the
// exchange files and the table that replaces unusable ids. Constant data.
//
// Ids 0..7 are four line-array models, each as a "Standard" id (even) and a
// "FIR Curve" id (odd). Ids 8 and 9 are two further cabinets with the
// "Standard" preset only and no measured data.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ksr {

inline constexpr int32_t kBoxTypeCount = 10;
inline constexpr int32_t kDefaultBoxType = 5;

// Preset numbers; the mask of a model has bit value 1 for Standard and 2 for
// FIR Curve.
inline constexpr int32_t kPresetNone = 0;
inline constexpr int32_t kPresetStandard = 1;
inline constexpr int32_t kPresetFirCurve = 2;

struct BoxTypeEntry {
    int32_t id;
    const char* name;  // shown in the design dialog
    int32_t preset;    // the preset this id stands for
    int32_t presetMask;
    int32_t usable;    // 1: geometry keeps the id
};

inline constexpr std::array<BoxTypeEntry, kBoxTypeCount> boxTypeTable{{
    {0, "KSR516", 1, 3, 1},
    {1, "KSR516", 2, 3, 1},
    {2, "KSR527", 1, 3, 1},
    {3, "KSR527", 2, 3, 1},
    {4, "KSR51 V", 1, 3, 1},
    {5, "KSR51 V", 2, 3, 1},
    {6, "KSR52 V", 1, 3, 1},
    {7, "KSR52 V", 2, 3, 1},
    {8, "KB340", 1, 1, 1},
    {9, "KBS450", 1, 1, 1},
}};

inline constexpr std::array<const char*, 3> presetNames{"NONE", "Standard", "FIR Curve"};

struct PresetSwitch {
    int32_t id;
    int32_t wantedPreset;
    int32_t result;
};

// Searched in this order.
inline constexpr std::array<PresetSwitch, 8> presetSwitchTable{{
    {4, 2, 5},
    {6, 2, 7},
    {5, 1, 4},
    {7, 1, 6},
    {0, 2, 1},
    {2, 2, 3},
    {1, 1, 0},
    {3, 1, 2},
}};

// The Standard ids in the order the design dialog lists the models.
inline constexpr std::array<int32_t, 6> modelListOrder{8, 9, 0, 2, 4, 6};

// Exchange-file names. Both columns hold the same name in this catalogue;
// the writer picks the first for the current file version, the second for
// the older one.
struct ExchangeName {
    int32_t id;
    const char* current;
    const char* older;
};

inline constexpr std::array<ExchangeName, kBoxTypeCount> exchangeNameTable{{
    {0, "KSR-516", "KSR-516"},
    {1, "KSR-516", "KSR-516"},
    {2, "KSR-527", "KSR-527"},
    {3, "KSR-527", "KSR-527"},
    {4, "KSR-51V", "KSR-51V"},
    {5, "KSR-51V", "KSR-51V"},
    {6, "KSR-52V", "KSR-52V"},
    {7, "KSR-52V", "KSR-52V"},
    {8, "KB-340", "KB-340"},
    {9, "KBS-450", "KBS-450"},
}};

struct TypeReplacement {
    int32_t id;
    int32_t replacement;
};

// Pairs (id, replacement) ended by {-1, -1}. Every entry of this catalogue is
// usable, so the list holds only its end.
inline constexpr std::array<TypeReplacement, 1> typeReplacementTable{{{-1, -1}}};

// True for ids 0..9.
constexpr bool isCatalogueId(int32_t id) { return id >= 0 && id < kBoxTypeCount; }

// True for the line-array box ids 0..7.
constexpr bool isLineBox(int32_t id) { return id >= 0 && id <= 7; }

// The catalogue entry of an id, or nullptr for an id outside the catalogue.
constexpr const BoxTypeEntry* findBoxType(int32_t id) {
    return isCatalogueId(id) ? &boxTypeTable[static_cast<size_t>(id)] : nullptr;
}

// The id of the same model with the wanted preset; the id itself when it is
// not in the catalogue, already has that preset, does not offer it, or no
// switch matches.
int32_t presetVariant(int32_t id, int32_t wantedPreset);

// The id that an exchange name stands for: the first id (in id order, both
// columns) whose name matches exactly, or nullopt.
std::optional<int32_t> boxTypeForExchangeName(std::string_view name);

}  // namespace ksr
