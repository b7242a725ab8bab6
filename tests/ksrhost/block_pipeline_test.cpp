// The pipeline that splits a map between the module's thread and the other
// cores: who runs what, in which order, and how a failure ends it.

#include "block_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace ksrhost {
namespace {

struct Record {
    std::vector<int> produced, consumed;  // times each item was
    std::vector<size_t> order;            // first items of the blocks in the order produced
    size_t finished = 0;
    bool producedElsewhere = false, finishedElsewhere = false, consumedBeforeProduced = false;
};

// items items in blocks of blockSize, each item's "result" its square.
BlockWork recordingWork(Record& r, size_t items, size_t blockSize, size_t slots, std::vector<long>& slotData,
                        std::vector<long>& results) {
    const std::thread::id caller = std::this_thread::get_id();
    r.produced.assign(items, 0);
    r.consumed.assign(items, 0);
    slotData.assign(slots * blockSize, 0);
    results.assign(items, -1);
    BlockWork work;
    work.items = items;
    work.blockSize = blockSize;
    work.slots = slots;
    work.produce = [&r, &slotData, caller, blockSize](size_t first, size_t count, size_t slot) {
        r.producedElsewhere |= std::this_thread::get_id() != caller;
        r.order.push_back(first);
        for (size_t i = first; i < first + count; ++i) {
            ++r.produced[i];
            slotData[slot * blockSize + (i - first)] = static_cast<long>(i);
        }
    };
    work.consume = [&r, &slotData, &results, blockSize](size_t first, size_t count, size_t slot) {
        for (size_t i = first; i < first + count; ++i) {
            if (r.produced[i] == 0) r.consumedBeforeProduced = true;
            ++r.consumed[i];
            const long item = slotData[slot * blockSize + (i - first)];
            results[i] = item * item;
        }
    };
    work.finished = [&r, caller](size_t count) {
        r.finishedElsewhere |= std::this_thread::get_id() != caller;
        r.finished += count;
    };
    return work;
}

TEST(BlockPipeline, EveryItemOnceAndTheModulesCallsOnTheCallingThread) {
    struct Case {
        size_t items, blockSize, slots;
        unsigned threads;
    };
    for (const Case& c : {Case{1000, 64, 4, 2}, Case{1000, 64, 1, 2}, Case{1000, 7, 3, 4}, Case{1000, 64, 4, 1},
                          Case{10, 64, 4, 2}, Case{0, 64, 4, 2}, Case{65, 64, 2, 200}, Case{5, 1, 2, 0}}) {
        Record r;
        std::vector<long> slotData, results;
        runBlocks(recordingWork(r, c.items, c.blockSize, c.slots, slotData, results), c.threads);
        const std::string name = std::to_string(c.items) + " items in blocks of " + std::to_string(c.blockSize) +
                                 " on " + std::to_string(c.threads) + " threads";
        for (size_t i = 0; i < c.items; ++i) {
            ASSERT_EQ(r.produced[i], 1) << name << ", item " << i;
            ASSERT_EQ(r.consumed[i], 1) << name << ", item " << i;
            ASSERT_EQ(results[i], static_cast<long>(i * i)) << name << ", item " << i;
        }
        for (size_t k = 0; k < r.order.size(); ++k) EXPECT_EQ(r.order[k], k * c.blockSize) << name;
        EXPECT_EQ(r.finished, c.items) << name;
        EXPECT_FALSE(r.producedElsewhere) << name;
        EXPECT_FALSE(r.finishedElsewhere) << name;
        EXPECT_FALSE(r.consumedBeforeProduced) << name;
    }
}

TEST(BlockPipeline, AFailureAnywhereStopsTheWorkAndReachesTheCaller) {
    // As a cancelled progress report would throw from finished().
    for (const char* where : {"produce", "consume", "finished"}) {
        for (const unsigned threads : {1u, 2u, 3u}) {
            Record r;
            std::vector<long> slotData, results;
            BlockWork work = recordingWork(r, 5000, 16, 4, slotData, results);
            std::atomic<int> calls{0};
            auto failOnThird = [&calls, where] {
                if (++calls == 3) throw std::runtime_error(where);
            };
            const std::string w = where;
            if (w == "produce") {
                work.produce = [inner = work.produce, failOnThird](size_t f, size_t n, size_t s) {
                    failOnThird();
                    inner(f, n, s);
                };
            } else if (w == "consume") {
                work.consume = [inner = work.consume, failOnThird](size_t f, size_t n, size_t s) {
                    failOnThird();
                    inner(f, n, s);
                };
            } else {
                work.finished = [inner = work.finished, failOnThird](size_t n) {
                    failOnThird();
                    inner(n);
                };
            }
            try {
                runBlocks(work, threads);
                ADD_FAILURE() << where << " on " << threads << " threads: no exception";
            } catch (const std::runtime_error& e) {
                EXPECT_EQ(std::string(e.what()), w);
            }
            // Stopped early: most blocks were never begun.
            size_t produced = 0;
            for (const int n : r.produced) produced += static_cast<size_t>(n);
            EXPECT_LT(produced, 5000u / 2) << where << " on " << threads << " threads";
        }
    }
}

TEST(BlockPipeline, TheMachineHasAtLeastOneThread) {
    EXPECT_GE(machineThreads(), 1u);
    EXPECT_LE(machineThreads(), kMaxPipelineThreads);
}

}  // namespace
}  // namespace ksrhost
