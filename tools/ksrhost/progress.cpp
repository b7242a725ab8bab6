#include "progress.h"

#include <cmath>
#include <ostream>

namespace ksrhost {

namespace {

using Seconds = std::chrono::duration<double>;

// Silent below this; reports at this interval after it.
constexpr double kQuietSeconds = 1.0;
// The first estimate waits for this much work, and is told up front when
// the whole takes longer than kLongSeconds.
constexpr double kEstimateAfterSeconds = 0.25;
constexpr double kLongSeconds = 30.0;

std::string duration(double seconds) {
    if (seconds < 90.0) return std::to_string(static_cast<long>(std::ceil(seconds))) + " s";
    return std::to_string(static_cast<long>(std::ceil(seconds / 60.0))) + " min";
}

}  // namespace

Progress::Progress(std::string what, std::string unit, size_t total, std::ostream& err)
    : what_(std::move(what)), unit_(std::move(unit)), total_(total), err_(err), start_(Clock::now()),
      lastReport_(start_) {}

double Progress::secondsPerItem(Clock::time_point now) const {
    const double paced = Seconds(now - paceStart_).count();
    if (done_ > paceDone_ && paced > 0.0) return paced / static_cast<double>(done_ - paceDone_);
    return Seconds(now - start_).count() / static_cast<double>(done_);
}

void Progress::advance(size_t count) {
    const Clock::time_point now = Clock::now();
    if (done_ == 0 && count > 0) {
        paceStart_ = now;
        paceDone_ = count;
    }
    done_ += count;
    const double elapsed = Seconds(now - start_).count();
    if (!estimated_ && Seconds(now - paceStart_).count() >= kEstimateAfterSeconds && done_ > paceDone_ &&
        done_ < total_) {
        estimated_ = true;
        const double whole = elapsed + secondsPerItem(now) * static_cast<double>(total_ - done_);
        if (whole > kLongSeconds) {
            err_ << "ksrhost: " << what_ << ": " << total_ << " " << unit_ << " take about " << duration(whole)
                 << "; a coarser grid is quicker\n" << std::flush;
        }
    }
    if (elapsed >= kQuietSeconds && Seconds(now - lastReport_).count() >= kQuietSeconds) report(now);
    if (done_ >= total_ && reported_) {
        err_ << "ksrhost: " << what_ << ": done, " << total_ << " " << unit_ << " in " << duration(elapsed) << "\n"
             << std::flush;
        reported_ = false;
    }
}

void Progress::report(Clock::time_point now) {
    if (done_ >= total_ || done_ == 0) return;
    lastReport_ = now;
    reported_ = true;
    const double left = secondsPerItem(now) * static_cast<double>(total_ - done_);
    err_ << "ksrhost: " << what_ << ": " << 100 * done_ / total_ << " % of " << total_ << " " << unit_ << ", about "
         << duration(left) << " left\n"
         << std::flush;
}

}  // namespace ksrhost
