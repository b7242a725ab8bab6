#include "scene_sound.h"

#include <algorithm>

namespace ksrhost {

SceneSound::SceneSound(const LoadedModule& module, const std::vector<SceneArray>& arrays) {
    for (const SceneArray& a : arrays) {
        arrays_.push_back(std::make_unique<HostArray>(module, toSetupRecord(a.design), a.placement));
    }
    responses_.reserve(arrays_.size() * KSR_MAX_COMPONENTS);
    owners_.reserve(arrays_.size() * KSR_MAX_COMPONENTS);
}

std::span<const ComponentResponse> SceneSound::respond(const Triple& seat) {
    responses_.clear();
    owners_.clear();
    for (size_t a = 0; a < arrays_.size(); ++a) {
        const std::span<const ComponentResponse> part = arrays_[a]->respond(seat);
        responses_.insert(responses_.end(), part.begin(), part.end());
        owners_.insert(owners_.end(), part.size(), a);
    }
    return responses_;
}

}  // namespace ksrhost
