#pragma once
// The cabinet catalogue: every box type the module knows, one row each in
// boxTypeTable holding all the code knows about it (name, presets, exchange
// name, stacking class, rigging constants, outline panel, measured data);
// beside it the order in which the design dialog lists the models, the
// preset switches and the table that replaces unusable ids. Constant data.
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

// Which types a box may hang next to. The two ids of one model share a
// class; KSR51 V and KSR52 V share one because they mix freely. The pair
// rules of the design (design_rules) are tables by these classes.
enum class StackingClass : int32_t { ksr516, ksr527, ksr5xV, kb340, kbs450 };
inline constexpr int32_t kStackingClassCount = 5;

// Rigging constants of a box type: L from the box's top rigging point to the
// next one's, and the acoustic reference point at radius R and angle A from
// the top rigging point.
struct RiggingConstants {
    float length;      // L, metres
    float pointAngle;  // A, degrees
    float pointRadius; // R, metres
};

// The side panel the host draws for a box, in the box's own frame before
// tilting (metres, y towards the back, z up): back top, back bottom, front
// bottom, front top.
struct PanelPoint {
    float y;
    float z;
};
using OutlinePanel = std::array<PanelPoint, 4>;

// The row's dataBlock and levelTableOf for a type without measured data.
inline constexpr int32_t kNoData = -1;

// Everything the module knows about one box type.
struct BoxTypeEntry {
    int32_t id;
    const char* name;            // shown in the design dialog
    int32_t preset;              // the preset this id stands for
    int32_t presetMask;
    int32_t usable;              // 1: geometry keeps the id
    const char* exchangeName;    // in the exchange files, both versions
    StackingClass stacking;
    RiggingConstants rigging;
    OutlinePanel panel;
    int32_t dataBlock;           // its block of measured data (model_data.h), or kNoData
    int32_t levelTableOf;        // the id whose level table it reads, or kNoData
    int32_t importStandIn;       // the id an import takes for it when a file mixes
                                 // KSR-516 and KSR-527 boxes, which never stack
                                 // together; the id itself for the others
};

inline constexpr RiggingConstants kLineBoxRigging{0.26f, 112.6552f, 0.1408f};
inline constexpr RiggingConstants kCabinetRigging{0.5f, 105.0f, 0.25f};
inline constexpr OutlinePanel kLineBoxPanel{{{0.37f, 0.09f}, {0.37f, -0.09f}, {0.0f, -0.13f}, {0.0f, 0.13f}}};
inline constexpr OutlinePanel kKB340Panel{{{0.38f, 0.25f}, {0.38f, -0.25f}, {0.0f, -0.25f}, {0.0f, 0.25f}}};
inline constexpr OutlinePanel kKBS450Panel{{{0.68f, 0.25f}, {0.68f, -0.25f}, {0.0f, -0.25f}, {0.0f, 0.25f}}};

inline constexpr std::array<BoxTypeEntry, kBoxTypeCount> boxTypeTable{{
    // id name      preset mask usable exchange   stacking class         rigging          panel          data level stand-in
    {0, "KSR516", 1, 3, 1, "KSR-516", StackingClass::ksr516, kLineBoxRigging, kLineBoxPanel, 0, 0, 4},
    {1, "KSR516", 2, 3, 1, "KSR-516", StackingClass::ksr516, kLineBoxRigging, kLineBoxPanel, 1, 0, 5},
    {2, "KSR527", 1, 3, 1, "KSR-527", StackingClass::ksr527, kLineBoxRigging, kLineBoxPanel, 2, 2, 6},
    {3, "KSR527", 2, 3, 1, "KSR-527", StackingClass::ksr527, kLineBoxRigging, kLineBoxPanel, 3, 3, 7},
    {4, "KSR51 V", 1, 3, 1, "KSR-51V", StackingClass::ksr5xV, kLineBoxRigging, kLineBoxPanel, 4, 4, 4},
    {5, "KSR51 V", 2, 3, 1, "KSR-51V", StackingClass::ksr5xV, kLineBoxRigging, kLineBoxPanel, 5, 4, 5},
    {6, "KSR52 V", 1, 3, 1, "KSR-52V", StackingClass::ksr5xV, kLineBoxRigging, kLineBoxPanel, 6, 6, 6},
    {7, "KSR52 V", 2, 3, 1, "KSR-52V", StackingClass::ksr5xV, kLineBoxRigging, kLineBoxPanel, 7, 7, 7},
    {8, "KB340", 1, 1, 1, "KB-340", StackingClass::kb340, kCabinetRigging, kKB340Panel, kNoData, kNoData, 8},
    {9, "KBS450", 1, 1, 1, "KBS-450", StackingClass::kbs450, kCabinetRigging, kKBS450Panel, kNoData, kNoData, 9},
}};

// The shape of the table: rows in id order; the two ids of a model (even
// Standard, odd FIR Curve) share name, class, rigging, panel and exchange
// name; measured data come in blocks in id order; a type reads its own level
// table or that of a type with one.
constexpr bool boxTypeTableIsWellFormed() {
    int32_t blocks = 0;
    for (int32_t id = 0; id < kBoxTypeCount; ++id) {
        const BoxTypeEntry& row = boxTypeTable[static_cast<size_t>(id)];
        if (row.id != id || (row.presetMask & row.preset) == 0) return false;
        if (row.dataBlock != kNoData && row.dataBlock != blocks++) return false;
        if ((row.dataBlock == kNoData) != (row.levelTableOf == kNoData)) return false;
        if (row.levelTableOf != kNoData) {
            const BoxTypeEntry& owner = boxTypeTable[static_cast<size_t>(row.levelTableOf)];
            if (owner.levelTableOf != owner.id || owner.stacking != row.stacking) return false;
        }
        if (row.presetMask == 3 && row.preset == 2) {
            const BoxTypeEntry& standard = boxTypeTable[static_cast<size_t>(id - 1)];
            if (standard.preset != 1 || standard.stacking != row.stacking || std::string_view(standard.name) != row.name ||
                std::string_view(standard.exchangeName) != row.exchangeName || standard.rigging.length != row.rigging.length) {
                return false;
            }
        }
        if (!(row.importStandIn >= 0 && row.importStandIn < kBoxTypeCount)) return false;
    }
    return true;
}
static_assert(boxTypeTableIsWellFormed());

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

// Exchange-file names, from the box-type table: both columns hold the same
// name in this catalogue; the writer picks the first for the current file
// version, the second for the older one.
struct ExchangeName {
    int32_t id;
    const char* current;
    const char* older;
};

inline constexpr std::array<ExchangeName, kBoxTypeCount> exchangeNameTable = [] {
    std::array<ExchangeName, kBoxTypeCount> names{};
    for (size_t id = 0; id < names.size(); ++id) {
        names[id] = {boxTypeTable[id].id, boxTypeTable[id].exchangeName, boxTypeTable[id].exchangeName};
    }
    return names;
}();

struct TypeReplacement {
    int32_t id;
    int32_t replacement;
};

// Pairs (id, replacement) ended by {-1, -1}. Every entry of this catalogue is
// usable, so the list holds only its end.
inline constexpr std::array<TypeReplacement, 1> typeReplacementTable{{{-1, -1}}};

// True for ids 0..9.
constexpr bool isCatalogueId(int32_t id) { return id >= 0 && id < kBoxTypeCount; }

// The catalogue entry of an id, or nullptr for an id outside the catalogue.
constexpr const BoxTypeEntry* findBoxType(int32_t id) {
    return isCatalogueId(id) ? &boxTypeTable[static_cast<size_t>(id)] : nullptr;
}

// True for the single cabinets (KB340, KBS450).
constexpr bool isSingleCabinet(int32_t id) {
    const BoxTypeEntry* entry = findBoxType(id);
    return entry != nullptr && (entry->stacking == StackingClass::kb340 || entry->stacking == StackingClass::kbs450);
}

// True for the line-array box ids (0..7).
constexpr bool isLineBox(int32_t id) { return isCatalogueId(id) && !isSingleCabinet(id); }

// The rigging constants and outline panel of a type; an id outside the
// catalogue rigs and is drawn as a line box.
constexpr const RiggingConstants& riggingConstantsFor(int32_t id) {
    return isCatalogueId(id) ? boxTypeTable[static_cast<size_t>(id)].rigging : kLineBoxRigging;
}
constexpr const OutlinePanel& outlinePanelFor(int32_t id) {
    return isCatalogueId(id) ? boxTypeTable[static_cast<size_t>(id)].panel : kLineBoxPanel;
}

// The id of the same model with the wanted preset; the id itself when it is
// not in the catalogue, already has that preset, does not offer it, or no
// switch matches.
int32_t presetVariant(int32_t id, int32_t wantedPreset);

// The id that an exchange name stands for: the first id (in id order, both
// columns) whose name matches exactly, or nullopt.
std::optional<int32_t> boxTypeForExchangeName(std::string_view name);

}  // namespace ksr
