#pragma once
// Ranks designs for the auto-splay search and keeps its clock: every design
// tried goes through one scorer, which counts the evaluations, tells the
// caller's progress callback how far the work has come, and stops the work
// when the callback says so.

#include <chrono>
#include <cstdint>
#include <vector>

#include "design/auto_splay.h"
#include "design/splay_field.h"
#include "design/splay_figures.h"

namespace ksr {

// Calls the progress callback at most every kProgressInterval of work and
// remembers a request to stop. The callback is never called when empty.
class SearchMonitor {
public:
    static constexpr std::chrono::milliseconds kProgressInterval{20};

    SearchMonitor(const SplayProgress& progress, double plannedWork);

    // Counts work done (in boxes computed at every receiver); calls the
    // callback when its interval has passed. False once a stop was asked.
    bool advance(double work);
    bool stopped() const { return stopped_; }
    // Tells the callback the work is done (its answer no longer matters).
    void finish();

private:
    const SplayProgress& progress_;
    double planned_;
    double done_ = 0.0;
    bool stopped_ = false;
    std::chrono::steady_clock::time_point lastCall_;
};

// The search's rank of a design: the summary, plus a penalty for every
// decibel the mean level (1-8 kHz) falls below the level floor, so that an
// even but quiet design does not win.
struct SplayScore {
    double summary = 0.0;
    double meanLevel = 0.0;
    double value = 0.0;  // lower is better
};

class SplayScorer {
public:
    static constexpr double kPenaltyPerDecibel = 2.0;

    SplayScorer(SplayField& field, std::vector<double> target, SearchMonitor& monitor);

    void setLevelFloor(double floor) { levelFloor_ = floor; }

    // Makes angles the field's current design and scores it.
    SplayScore score(const SplayAngles& angles);
    // Scores a candidate against the current design, recomputing only the
    // boxes that moved; accept() makes it current.
    SplayScore tryCandidate(const SplayAngles& angles);
    void accept() { field_.acceptCandidate(); }

    int64_t evaluations() const { return evaluations_; }
    // Boxes computed at every receiver so far.
    double work() const { return work_; }
    bool stopped() const { return monitor_.stopped(); }

private:
    SplayScore rank();

    SplayField& field_;
    std::vector<double> target_;
    SearchMonitor& monitor_;
    double levelFloor_ = -1e300;
    int64_t evaluations_ = 0;
    double work_ = 0.0;
    LevelTable levels_;
};

}  // namespace ksr
