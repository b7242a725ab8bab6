#include "map_levels.h"

#include <algorithm>

namespace ksrhost {

namespace {

// Seats per block: enough that handing a block to another thread costs
// little beside its sums, few enough that progress moves smoothly.
constexpr size_t kSeatsPerBlock = 64;

// The responses of one block of seats, seat after seat.
struct BlockResponses {
    std::vector<ComponentResponse> components;
    std::vector<size_t> starts;  // seat i's components begin at starts[i], end at starts[i + 1]
};

}  // namespace

std::vector<double> mapLevels(SceneSound& sound, std::span<const Triple> seats, const MapQuantity& quantity,
                              Progress* progress, unsigned threads) {
    std::vector<double> levels(seats.size());
    if (threads <= 1) {
        // One thread sums each seat straight from the module's answer.
        size_t unreported = 0;
        for (size_t i = 0; i < seats.size(); ++i) {
            levels[i] = seatLevel(sound.respond(seats[i]), quantity);
            if (++unreported == kSeatsPerBlock || i + 1 == seats.size()) {
                if (progress != nullptr) progress->advance(unreported);
                unreported = 0;
            }
        }
        return levels;
    }
    // Two slots a thread: one being summed, one gathered meanwhile.
    std::vector<BlockResponses> slots(2 * static_cast<size_t>(std::clamp(threads, 1u, kMaxPipelineThreads)));
    BlockWork work;
    work.items = seats.size();
    work.blockSize = kSeatsPerBlock;
    work.slots = slots.size();
    work.produce = [&](size_t first, size_t count, size_t slot) {
        BlockResponses& block = slots[slot];
        block.components.clear();
        block.starts.assign(1, 0);
        for (size_t i = first; i < first + count; ++i) {
            const std::span<const ComponentResponse> responses = sound.respond(seats[i]);
            block.components.insert(block.components.end(), responses.begin(), responses.end());
            block.starts.push_back(block.components.size());
        }
    };
    work.consume = [&](size_t first, size_t count, size_t slot) {
        const BlockResponses& block = slots[slot];
        for (size_t i = 0; i < count; ++i) {
            const std::span<const ComponentResponse> components(block.components.data() + block.starts[i],
                                                                block.starts[i + 1] - block.starts[i]);
            levels[first + i] = seatLevel(components, quantity);
        }
    };
    if (progress != nullptr) work.finished = [progress](size_t count) { progress->advance(count); };
    runBlocks(work, threads);
    return levels;
}

}  // namespace ksrhost
