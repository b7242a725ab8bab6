#include "design/splay_search.h"

#include <algorithm>
#include <vector>

namespace ksr {

namespace {

// A score must beat the current one by this much to count as better, so
// that rounding noise never walks the search in circles.
constexpr double kImprovement = 1e-9;

// Moves a pair's angle one allowed value towards tighter curving
// (direction +1: more splay, further down) or less; false at the end of the
// allowed angles.
bool nudge(SplayAngles& angles, const SplayLimits& limits, int32_t k, int32_t direction) {
    const std::vector<int32_t>& allowed = limits.allowed[k];  // from 0 down
    const auto at = std::find(allowed.begin(), allowed.end(), angles.difference[k]);
    if (at == allowed.end()) return false;
    const auto index = at - allowed.begin() + direction;
    if (index < 0 || index >= static_cast<std::ptrdiff_t>(allowed.size())) return false;
    angles.difference[k] = allowed[static_cast<size_t>(index)];
    return true;
}

// Every move of the current design, cheapest first; the ones that leave the
// allowed designs are dropped.
std::vector<SplayAngles> movesOf(const SplayAngles& current, const SplayLimits& limits) {
    std::vector<SplayAngles> moves;
    const int32_t n = limits.boxCount;
    auto keep = [&](const SplayAngles& move) {
        if (move != current && isRigged(move, limits) && hasShape(move, limits)) moves.push_back(move);
    };
    for (int32_t k = n - 1; k >= 1; --k) {
        for (const int32_t direction : {+1, -1}) {
            SplayAngles move = current;
            if (nudge(move, limits, k, direction)) keep(move);
        }
        for (const int32_t direction : {+1, -1}) {
            SplayAngles move = current;
            bool moved = false;
            for (int32_t j = k; j < n; ++j) moved = nudge(move, limits, j, direction) || moved;
            if (moved && k < n - 1) keep(move);
        }
        if (k < n - 1) {
            for (const int32_t direction : {+1, -1}) {
                SplayAngles move = current;
                if (nudge(move, limits, k, direction) && nudge(move, limits, k + 1, -direction)) keep(move);
            }
        }
    }
    for (int32_t k = 2; k < n; ++k) {
        for (const int32_t direction : {+1, -1}) {
            SplayAngles move = current;
            bool moved = false;
            for (int32_t j = 1; j <= k; ++j) moved = nudge(move, limits, j, direction) || moved;
            if (moved) keep(move);
        }
    }
    for (const int32_t direction : {+1, -1}) {
        SplayAngles move = current;
        move.grid += direction;
        keep(move);
        // The top box alone: the grid and the first splay turn together.
        if (nudge(move, limits, 1, direction)) keep(move);
    }
    return moves;
}

}  // namespace

ScoredAngles searchSplay(SplayScorer& scorer, const SplayLimits& limits, std::span<const SplayAngles> starts,
                         double workBudget) {
    ScoredAngles best;
    if (starts.empty()) return best;
    const double workPerStart = workBudget / static_cast<double>(starts.size());
    for (const SplayAngles& start : starts) {
        if (scorer.stopped()) break;
        const double workAtStart = scorer.work();
        auto spent = [&] { return scorer.work() - workAtStart >= workPerStart; };
        SplayAngles current = start;
        SplayScore score = scorer.score(current);
        bool improved = true;
        while (improved && !spent() && !scorer.stopped()) {
            improved = false;
            for (const SplayAngles& move : movesOf(current, limits)) {
                const SplayScore tried = scorer.tryCandidate(move);
                if (tried.value < score.value - kImprovement) {
                    scorer.accept();
                    current = move;
                    score = tried;
                    improved = true;
                    break;
                }
                if (spent() || scorer.stopped()) break;
            }
        }
        if (!best.found || score.value < best.score.value) best = {current, score, true};
    }
    return best;
}

}  // namespace ksr
