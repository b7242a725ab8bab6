#pragma once
// How even a field is over the audience: the figures of auto-splay's report
// and the quick summary its search ranks designs by.
//
// Residual at a receiver in a band: level - target(d) - the band's mean of
// (level - target), where target(d) = slope · log2(d / d_near) follows the
// requested level change per doubling of the horizontal distance d.

#include <span>

#include "design/auto_splay.h"
#include "design/splay_field.h"

namespace ksr {

// The target offset of each receiver: slope · log2(d / d_first), dB.
std::vector<double> targetOffsets(std::span<const double> distance, double slope);

// What the search needs: the summary (mean over bands 11..20 of the standard
// deviation of the residual) and the mean level over those bands.
struct QuickFigures {
    double summary = 0.0;
    double meanLevel = 0.0;
};
QuickFigures quickFigures(const LevelTable& levels, std::span<const double> target);

// Every figure of every band 1..21, as FieldFigures describes them.
FieldFigures fieldFigures(const LevelTable& levels, std::span<const double> distance, std::span<const double> target);

}  // namespace ksr
