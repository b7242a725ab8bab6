#pragma once
// Every array of a scene as its own instance of the module, answering
// together for one seat: the components of all arrays, array by array, to be
// summed as one sound field.

#include <memory>
#include <span>
#include <vector>

#include "host_session.h"
#include "scene.h"

namespace ksrhost {

class SceneSound {
public:
    SceneSound(const LoadedModule& module, const std::vector<SceneArray>& arrays);

    size_t arrayCount() const { return arrays_.size(); }
    HostArray& array(size_t index) { return *arrays_[index]; }
    const HostArray& array(size_t index) const { return *arrays_[index]; }

    // The components of every array at the seat, array 0's first; valid
    // until the next call. Each keeps its component number within its array.
    std::span<const ComponentResponse> respond(const Triple& seat);

    // The array (0-based) of entry i of respond()'s answer.
    size_t arrayOf(size_t i) const { return owners_[i]; }

private:
    std::vector<std::unique_ptr<HostArray>> arrays_;
    std::vector<ComponentResponse> responses_;
    std::vector<size_t> owners_;
};

}  // namespace ksrhost
