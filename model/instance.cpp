#include "model/instance.h"

namespace ksr {

int32_t componentCount(ArrayInstance& instance) {
    int32_t& count = instance.geometry.design.boxCount;
    if (count < kMinBoxes) count = kMinBoxes;
    if (count > kMaxBoxes) count = kMaxBoxes;
    return count;
}

}  // namespace ksr
