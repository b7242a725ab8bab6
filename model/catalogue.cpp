#include "model/catalogue.h"

namespace ksr {

int32_t presetVariant(int32_t id, int32_t wantedPreset) {
    const BoxTypeEntry* entry = findBoxType(id);
    if (entry == nullptr || entry->preset == wantedPreset || (entry->presetMask & wantedPreset) == 0) {
        return id;
    }
    for (const PresetSwitch& row : presetSwitchTable) {
        if (row.id == id && row.wantedPreset == wantedPreset) return row.result;
    }
    return id;
}

std::optional<int32_t> boxTypeForExchangeName(std::string_view name) {
    for (const ExchangeName& row : exchangeNameTable) {
        if (name == row.current || name == row.older) return row.id;
    }
    return std::nullopt;
}

}  // namespace ksr
