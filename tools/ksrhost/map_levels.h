#pragma once
// The level of a map's quantity at many seats: the module's responses
// gathered seat by seat on the calling thread (the module is not safe for
// threads), and summed on the machine's cores while the next seats are
// gathered. The levels are the same for any number of threads: each seat's
// sum is one function of that seat's responses.

#include <span>
#include <vector>

#include "block_pipeline.h"
#include "coverage_map.h"
#include "progress.h"
#include "scene_sound.h"

namespace ksrhost {

// Levels of the quantity at seats, in their order, dB. progress may be
// null; it advances on the calling thread as seats are summed. threads
// counts the calling thread.
std::vector<double> mapLevels(SceneSound& sound, std::span<const Triple> seats, const MapQuantity& quantity,
                              Progress* progress, unsigned threads);

}  // namespace ksrhost
