#include "design/splay_scorer.h"

#include <algorithm>

namespace ksr {

SearchMonitor::SearchMonitor(const SplayProgress& progress, double plannedWork)
    : progress_(progress), planned_(std::max(plannedWork, 1.0)), lastCall_(std::chrono::steady_clock::now()) {}

bool SearchMonitor::advance(double work) {
    done_ += work;
    if (stopped_ || !progress_) return !stopped_;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastCall_ >= kProgressInterval) {
        lastCall_ = now;
        if (!progress_(std::min(done_ / planned_, 0.99))) stopped_ = true;
    }
    return !stopped_;
}

void SearchMonitor::finish() {
    if (progress_) progress_(1.0);
}

SplayScorer::SplayScorer(SplayField& field, std::vector<double> target, SearchMonitor& monitor)
    : field_(field), target_(std::move(target)), monitor_(monitor) {
    field_.setPulse([this] { monitor_.advance(1.0); });
}

SplayScore SplayScorer::rank() {
    const QuickFigures figures = quickFigures(levels_, target_, field_.receivers().weight);
    SplayScore score{figures.summary, figures.meanLevel, figures.summary};
    score.value += kPenaltyPerDecibel * std::max(0.0, levelFloor_ - figures.meanLevel);
    ++evaluations_;
    return score;
}

SplayScore SplayScorer::score(const SplayAngles& angles) {
    field_.setCurrent(angles, levels_);
    work_ += field_.boxCount();
    return rank();
}

SplayScore SplayScorer::tryCandidate(const SplayAngles& angles) {
    const int32_t boxes = field_.tryCandidate(angles, levels_);
    work_ += boxes;
    return rank();
}

}  // namespace ksr
