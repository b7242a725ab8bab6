#pragma once
// How even a field is over the audience: the figures of auto-splay's report
// and the quick summary its search ranks designs by.
//
// Residual at a receiver in a band: level - target(d) - the band's weighted
// mean of (level - target), where target(d) = slope · log2(d / d0) follows
// the requested level change per doubling of the horizontal distance d from
// the nearest receiver's d0. Weights are the receivers' shares of the
// objective (AudienceLine::weight); none given counts every receiver as 1.

#include <span>

#include "design/auto_splay.h"
#include "design/splay_field.h"

namespace ksr {

// The target offset of each receiver: slope · log2(d / d0), d0 the smallest
// distance, dB.
std::vector<double> targetOffsets(std::span<const double> distance, double slope);

// What the search needs: the summary (mean over bands 11..20 of the weighted
// standard deviation of the residual) and the weighted mean level over
// those bands.
struct QuickFigures {
    double summary = 0.0;
    double meanLevel = 0.0;
};
QuickFigures quickFigures(const LevelTable& levels, std::span<const double> target,
                          std::span<const double> weight = {});

// Every figure of every band 1..21, as FieldFigures describes them.
FieldFigures fieldFigures(const LevelTable& levels, std::span<const double> distance, std::span<const double> target,
                          std::span<const double> weight = {});

// The figures of each zone of zoneCount (receivers tagged by zone, as
// AudienceLine has them), as ZoneFigures describes them; a zone without
// receivers gets zeros.
std::vector<ZoneFigures> zoneFigures(const LevelTable& levels, std::span<const double> distance,
                                     std::span<const double> target, std::span<const double> weight,
                                     std::span<const int32_t> zone, int32_t zoneCount);

// The same figures over every receiver, weighted (the quantiles count
// receivers alone).
ZoneFigures allZoneFigures(const LevelTable& levels, std::span<const double> distance,
                           std::span<const double> target, std::span<const double> weight);

}  // namespace ksr
