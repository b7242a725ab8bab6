#pragma once
// Auto-splay: proposes the grid tilt and the difference angles of a design
// for an audience, under the rigging rules, and explains the proposal with
// figures.
//
// Geometry (the host tool's): the array's reference point at (0, 0, trim),
// aimed towards -y and tilted by its grid elevation (array angles
// (0, grid, 0)). The audience is 1 to 8 zones, each a straight run of seats
// in the vertical plane of the aim; a zone's receivers lie evenly along it
// at ear height, at most 0.5 m apart, from (0, -near, floorNear + ear) to
// (0, -far, floorFar + ear) (both included). Zones may overlap in distance
// (a balcony over the floor) or meet (a floor, then a raked tier).
// Distances are horizontal, from the reference point. Air 20 °C, 50 %,
// 1013.25 hPa, 343 m/s, absorption on; flat filter.
//
// A band level at a receiver is the band-averaged complex sum of the boxes
// (model/band_average.h), each box as componentResponse gives it. The target
// at a receiver is slope · log2(d / d0), d0 the nearest receiver's distance.
// Every receiver of a zone weighs the zone's weight shared among its
// receivers (by default the zone's length, so that every metre of seats
// counts the same). The summary figure is the mean over bands 11..20
// (1 kHz to 8 kHz) of the weighted standard deviation over all receivers of
// (level - target - that band's weighted mean); lower is more even.
//
// A proposal passes checkStacking with no angle changed, has a whole-degree
// grid no higher than 2° above the line from the reference point to the
// highest far seat of any zone (the far end seen at the largest elevation),
// and its splays between line boxes grow from top to bottom with
// one one-degree reversal at most, none at 0° unless allowed, neighbours at
// most maxStep apart (design/splay_limits.h). Infeasible requests still get
// the best such design, with plain statements in unreached.
//
// With gain shading asked for, the proposal's gains lie on the gain grid
// (0 to -12 dB in 0.5 dB steps), chosen after its angles, so that close rows
// are not louder than the target asks: its summary is never worse than the
// unshaded proposal's and its mean level (1-8 kHz, all zones) at most 1.5 dB
// below it. Without shading the gains stay as they are.
//
// Same input, same output: the search is deterministic (its work is counted
// in designs, never in time).

#include <array>
#include <atomic>  // kept for callers that cancel through an atomic flag
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "design/working_design.h"
#include "model/bands.h"

namespace ksr {

inline constexpr double kReceiverSpacing = 0.5;  // metres along the audience line, at most
inline constexpr int32_t kFirstOptimisedBand = 11;  // 1 kHz
inline constexpr int32_t kLastOptimisedBand = 20;   // 8 kHz

// windows.h defines near and far as empty words of 16-bit C; the fields
// below keep their names whatever was included before, and a Windows file
// that reads them must #undef near and far after its last Windows header.
#pragma push_macro("near")
#pragma push_macro("far")
#undef near
#undef far
// One straight run of seats in the vertical plane of the aim.
struct SplayZone {
    double near = 5.0;       // horizontal distance of the first receiver, metres
    double far = 40.0;       // horizontal distance of the last receiver, metres
    double floorNear = 0.0;  // floor height at near, metres
    double floorFar = 0.0;   // floor height at far, metres
    double weight = 0.0;     // the zone's share of the objective; 0 takes the zone's length in metres
};

inline constexpr size_t kMaxSplayZones = 8;
// The seats of all zones together, metres along the runs, at most: it bounds
// the receivers (and the search's memory) of a request.
inline constexpr double kLongestSeating = 600.0;

struct SplayRequest {
    double trim = 10.0;      // height of the array's reference point above the floor datum, metres
    // The one-zone form: the audience line, used when zones is empty.
    double near = 5.0;       // horizontal distance of the first receiver, metres
    double far = 40.0;       // horizontal distance of the last receiver, metres
    double floorNear = 0.0;  // floor height at near, metres
    double floorFar = 0.0;   // floor height at far, metres
    double earHeight = 1.2;  // metres above the floor, in every zone
    double slope = 0.0;      // target level change per doubling of distance, dB (0 to -3 in practice)
    bool allowZeroSplay = false;  // may a box below box 0 hang at 0° to the box above?
    double maxStep = 2.0;    // largest change between neighbouring splays, degrees
    // The zones, 1 to kMaxSplayZones; when given, near, far, floorNear and
    // floorFar above are not read.
    std::vector<SplayZone> zones;
    bool shadeGains = false;  // choose each box's gain on the gain grid too
};
#pragma pop_macro("far")
#pragma pop_macro("near")

// The zones a request stands for: its zones, or the one zone of its
// single-line fields (weight 0) when it has none.
std::vector<SplayZone> splayZones(const SplayRequest& request);

// A zone's weight as the objective takes it: the weight given, or its
// length along the seats when that is 0, metres.
double zoneWeight(const SplayZone& zone);

// A request that cannot be computed, in words for the user ("The far edge of
// the audience must lie beyond its near edge."); nullopt when it can.
// Checks every number for being finite and in range, and the design for
// being one the optimiser handles (a ground-stacked design is refused here).
std::optional<std::string> checkSplayRequest(const WorkingDesign& design, const SplayRequest& request);

// The figures of one band over the receivers, dB unless named.
struct BandFigures {
    double mean = 0.0;            // mean level
    double deviation = 0.0;       // standard deviation of level - target - mean
    double spread90to10 = 0.0;    // 90 % quantile - 10 % quantile of the same residual
    double range = 0.0;           // max - min of the level
    double fittedSlope = 0.0;     // least-squares slope, dB per doubling of distance
    double shareWithin3dB = 0.0;  // share of receivers within ±3 dB of target + mean, 0..1
};

// Over all receivers, each with its weight (the spread's quantiles and the
// range count receivers alone).
struct FieldFigures {
    std::array<BandFigures, kBandCount> band{};  // band 1 first
    double summary = 0.0;          // mean deviation over bands 11..20
    double meanLevel1to8k = 0.0;   // mean of the band means over bands 11..20
};

// The figures of one zone (or of all), each the mean over bands 11..20, dB
// unless named. The residual is level - target - the band's mean over all
// zones, so that a zone sitting below the others shows it.
struct ZoneFigures {
    double summary = 0.0;         // evenness within the zone: deviation of level - target about the zone's own mean
    double offset = 0.0;          // the zone's mean residual: above (+) or below (-) the target line of all zones
    double fittedSlope = 0.0;     // least-squares slope of level against distance, dB per doubling
    double spread90to10 = 0.0;    // 90 % quantile - 10 % quantile of the residual
    double shareWithin3dB = 0.0;  // share of the zone's receivers within ±3 dB of the residual's zero, 0..1
    double meanLevel1to8k = 0.0;  // mean level
};

// One design evaluated over the audience.
struct SplayCandidate {
    WorkingDesign design;                  // grid elevation and difference angles set; elevations recomputed
    FieldFigures figures;
    std::vector<ZoneFigures> zones;        // per zone of the request, in its order
    ZoneFigures allZones;                  // the same over every receiver, weighted
    std::vector<double> distance;          // horizontal distance of each receiver, metres
    std::vector<int32_t> zone;             // the zone of each receiver, 0 first; receivers run zone by zone
    std::vector<std::array<double, kBandCount>> level;  // per receiver, per band, dB
};

struct SplayResult {
    SplayCandidate proposal;           // the optimiser's design
    SplayCandidate input;              // the design as handed in
    SplayCandidate constantCurvature;  // best constant-curvature array (one angle, whole-degree grid)
    SplayCandidate equalShare;         // geometric equal-share curving, rounded to legal angles
    SplayCandidate unshaded;           // with shading asked for, the proposal's angles with the gains handed in;
                                       // otherwise empty (no design, no levels)
    std::vector<std::string> unreached;  // plain statements of what could not be reached; empty when all was
    int64_t evaluations = 0;           // designs evaluated
    double seconds = 0.0;              // wall-clock run time, seconds
    bool cancelled = false;            // the progress callback asked to stop: the proposal is the best design
                                       // so far, and no candidate is evaluated (figures and levels empty)
};

// How much work a run may spend. The defaults are the product's: the
// dialog and the host tool run with them, and every figure quoted for the
// optimiser is theirs. A smaller budget keeps every rule a proposal obeys
// and every figure the result carries; it only searches less (a test or the
// fuzz target that needs the whole run, not the best design).
struct SplayBudget {
    // The angle search's work, in boxes computed at every receiver, per box
    // of the design: enough for the local searches to settle on every
    // scenario tried.
    double searchWorkPerBox = 400.0;
    // Designs the gain shading tries, at most: far more than the searches
    // tried needed to settle.
    int32_t shadingTries = 20000;
    // The constant-curvature baseline tries the grids from the highest the
    // aim allows down, this many degrees apart (1: every whole degree).
    int32_t baselineGridStep = 1;
};

// Told the fraction done (0..1) now and then; returns false to stop the
// search, which then ends within a few designs and answers the best one so
// far. Called at least every 50 ms of work (every 10 ms or so), on the
// thread that runs autoSplay, and once more with 1 at the end.
using SplayProgress = std::function<bool(double fraction)>;

// Runs the search. A request that fails checkSplayRequest gets the input
// design back as the proposal, unevaluated, with the check's message in
// unreached.
//
// The responses come from the model's response path, with caches of the
// search's own: nothing of the module's state is read or written, so the
// search may run on a worker thread while the host's thread goes on.
SplayResult autoSplay(const WorkingDesign& design, const SplayRequest& request, const SplayProgress& progress = {},
                      const SplayBudget& budget = {});

// Where a design's boxes hang at a rigging height, for drawing the side view.
struct SplayBoxPose {
    double distance = 0.0;   // horizontal, metres in front of the reference point (towards the audience)
    double height = 0.0;     // metres above the floor datum
    double elevation = 0.0;  // aim above the horizontal, degrees
};
// One pose per box of boxCount, top box first.
std::vector<SplayBoxPose> splayBoxPoses(const WorkingDesign& design, double trim);

}  // namespace ksr
