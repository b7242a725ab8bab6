#include "block_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace ksrhost {

namespace {

struct Block {
    size_t first = 0, count = 0, slot = 0;
};

class Pipeline {
public:
    Pipeline(const BlockWork& work, unsigned threads) : work_(work), busy_(work.slots, false) {
        for (unsigned t = 1; t < threads; ++t) {
            try {
                workers_.emplace_back([this] { serve(); });
            } catch (const std::system_error&) {
                // The calling thread can do all of the work alone.
                break;
            }
        }
    }

    // Stops the workers; a block one of them is consuming is finished first,
    // so no thread touches a slot after the work's owner has let it go.
    ~Pipeline() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
            waiting_.clear();
        }
        ready_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    void run() {
        const size_t blocks = (work_.items + work_.blockSize - 1) / work_.blockSize;
        for (size_t k = 0; k < blocks; ++k) {
            const size_t slot = k % work_.slots;
            {
                std::unique_lock lock(mutex_);
                while (busy_[slot] && !error_) step(lock);
                if (error_) break;
            }
            report();
            const size_t first = k * work_.blockSize;
            const Block block{first, std::min(work_.blockSize, work_.items - first), slot};
            work_.produce(block.first, block.count, block.slot);
            {
                const std::lock_guard lock(mutex_);
                busy_[slot] = true;
                waiting_.push_back(block);
            }
            ready_.notify_one();
        }
        {
            std::unique_lock lock(mutex_);
            while (!error_ && std::find(busy_.begin(), busy_.end(), true) != busy_.end()) step(lock);
        }
        report();
        if (error_) std::rethrow_exception(error_);
    }

private:
    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            ready_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) return;
            consumeNext(lock);
        }
    }

    // The calling thread while it waits for a slot: sums a waiting block
    // itself, or sleeps until a worker has finished one.
    void step(std::unique_lock<std::mutex>& lock) {
        if (waiting_.empty()) {
            consumed_.wait(lock);
        } else {
            consumeNext(lock);
        }
    }

    // Takes the oldest waiting block and consumes it with the lock let go.
    void consumeNext(std::unique_lock<std::mutex>& lock) {
        const Block block = waiting_.front();
        waiting_.pop_front();
        lock.unlock();
        std::exception_ptr failure;
        try {
            work_.consume(block.first, block.count, block.slot);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        busy_[block.slot] = false;
        if (failure) {
            if (!error_) error_ = failure;
            waiting_.clear();
        } else {
            unreported_ += block.count;
        }
        consumed_.notify_all();
    }

    void report() {
        size_t count = 0;
        {
            const std::lock_guard lock(mutex_);
            std::swap(count, unreported_);
        }
        if (count > 0 && work_.finished) work_.finished(count);
    }

    const BlockWork& work_;
    std::mutex mutex_;
    std::condition_variable ready_;     // a block waits, or the workers are to stop
    std::condition_variable consumed_;  // a block has been consumed
    std::deque<Block> waiting_;         // produced, not yet taken
    std::vector<bool> busy_;            // per slot: produced and not yet consumed
    size_t unreported_ = 0;             // items consumed since the last report
    std::exception_ptr error_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

void runAlone(const BlockWork& work) {
    for (size_t first = 0; first < work.items; first += work.blockSize) {
        const size_t count = std::min(work.blockSize, work.items - first);
        work.produce(first, count, 0);
        work.consume(first, count, 0);
        if (work.finished) work.finished(count);
    }
}

}  // namespace

unsigned machineThreads() { return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxPipelineThreads); }

void runBlocks(const BlockWork& work, unsigned threads) {
    threads = std::clamp(threads, 1u, kMaxPipelineThreads);
    BlockWork checked = work;
    checked.blockSize = std::max<size_t>(checked.blockSize, 1);
    checked.slots = std::max<size_t>(checked.slots, 1);
    if (threads == 1 || checked.items <= checked.blockSize) {
        runAlone(checked);
        return;
    }
    Pipeline pipeline(checked, threads);
    pipeline.run();
}

}  // namespace ksrhost
