#include "model/instance.h"

namespace ksr {

int32_t componentCount(ArrayInstance& instance) {
    int32_t& count = instance.geometry.design.boxCount;
    count = clampBoxCount(count);
    return count;
}

}  // namespace ksr
