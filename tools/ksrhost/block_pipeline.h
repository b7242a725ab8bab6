#pragma once
// Work on many seats in blocks, split between the thread that talks to the
// module and the machine's other cores.
//
// The module's state is not safe for threads, so its calls stay on the
// calling thread: it produces block after block (the responses of each
// seat) into one of a few slots, while the pool's threads consume the blocks
// already produced (the sums). When no slot is free the calling thread sums
// a waiting block itself, and once every block is produced it helps with
// the rest. Each block's results depend on that block's inputs alone, so
// the results are the same for any number of threads.

#include <cstddef>
#include <functional>

namespace ksrhost {

// The threads a pipeline uses on this machine: its hardware threads, at
// least 1, at most kMaxPipelineThreads.
inline constexpr unsigned kMaxPipelineThreads = 64;
unsigned machineThreads();

struct BlockWork {
    size_t items = 0;      // items in all
    size_t blockSize = 1;  // items per block, the last block may hold fewer
    size_t slots = 1;      // blocks that may be produced and not yet consumed
    // Items [first, first + count) into slot slot: on the calling thread,
    // in the order of the blocks.
    std::function<void(size_t first, size_t count, size_t slot)> produce;
    // The same items from the same slot: on any thread, once produced.
    std::function<void(size_t first, size_t count, size_t slot)> consume;
    // count more items consumed: on the calling thread; may be empty.
    std::function<void(size_t count)> finished;
};

// Runs the work on threads threads in all, the calling thread one of them
// (at least 1, at most kMaxPipelineThreads; other counts are clamped). An
// exception from any of the three functions stops the work: blocks not yet
// begun are dropped, those begun are waited for, and the first exception
// is rethrown on the calling thread.
void runBlocks(const BlockWork& work, unsigned threads);

}  // namespace ksrhost
