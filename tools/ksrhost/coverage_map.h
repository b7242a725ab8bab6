#pragma once
// The level of a scene's arrays over a vertical section and along a straight
// audience line: one seat after another through the module's exports, the
// components of every array summed per seat.
//
// The section is the vertical plane through the first array's reference
// point that holds its aim: its horizontal axis runs from the reference
// point along the array's first angle (0 degrees aims along host -y, 90
// along +x), its vertical axis is the host's z.

#include <span>
#include <string>
#include <vector>

#include "block_pipeline.h"
#include "host_session.h"
#include "progress.h"
#include "scene_sound.h"

namespace ksrhost {

// What a map shows at each seat.
struct MapQuantity {
    int band = 0;                 // 1..21, or 0 for the A-weighted broadband level
    SumKind sum = SumKind::complex;
};

// "A-weighted, complex sum", "band 13 (1.6 kHz), power sum".
std::string describe(const MapQuantity& quantity);

// The level of the quantity at one seat, from every component's response.
double seatLevel(std::span<const ComponentResponse> components, const MapQuantity& quantity);

struct SectionGrid {
    double distanceFrom = 0.0, distanceTo = 40.0;  // metres along the section's horizontal axis
    double heightFrom = 0.0, heightTo = 14.0;      // host z, metres
    int columns = 200, rows = 100;                 // seats, both ends included
};

struct AudienceLine {
    Triple start{}, end{};  // host metres
    int points = 200;       // seats, both ends included
};

struct SectionSeat {
    double distance = 0.0, height = 0.0;  // section coordinates, metres
    Triple seat{};                        // host coordinates
    double level = 0.0;                   // dB
};

struct LineSeat {
    double along = 0.0;    // metres from the line's start
    double alongAim = 0.0; // metres along the section's horizontal axis
    Triple seat{};
    double level = 0.0;
};

// A component as the picture shows it: where it hangs and where it aims,
// in section coordinates.
struct BoxMark {
    int array = 1;  // 1-based, in the scene's order
    int component = 0;
    int type = 0;
    double distance = 0.0, height = 0.0;    // metres
    double aimDistance = 0.0, aimHeight = 0.0;  // unit aim projected into the section
};

struct CoverageMap {
    Triple direction{};                // the section's horizontal axis, host unit vector
    std::vector<SectionSeat> section;  // row by row from heightFrom, each row from distanceFrom
    std::vector<LineSeat> line;
    std::vector<BoxMark> boxes;
};

// The section's horizontal axis for an array placement.
Triple sectionDirection(const ArrayPlacement& placement);

// The boxes of every array as the section shows them.
std::vector<BoxMark> sectionBoxes(SceneSound& sound, const ArrayPlacement& reference, const Triple& direction);

// progress may be null. The sums run on threads threads, the calling one
// among them; the map is the same for any count.
CoverageMap computeCoverage(SceneSound& sound, const ArrayPlacement& reference, const SectionGrid& grid,
                            const AudienceLine& line, const MapQuantity& quantity, Progress* progress,
                            unsigned threads = machineThreads());

}  // namespace ksrhost
