#pragma once
// The level of the whole array over a vertical section through it and along
// a straight audience line: one seat after another through the module's
// exports, the components summed per seat.
//
// The section is the vertical plane through the array's reference point
// that holds its aim: its horizontal axis runs from the reference point
// along the array's first angle (0 degrees aims along host -y, 90 along +x),
// its vertical axis is the host's z.

#include <span>
#include <string>
#include <vector>

#include "host_session.h"

namespace ksrhost {

// What a map shows at each seat.
struct MapQuantity {
    int band = 0;         // 1..21, or 0 for the A-weighted broadband level
    bool coherent = true; // complex sum of the components, else power sum
};

// "A-weighted, complex sum", "band 13 (1600 Hz), power sum".
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
    double along = 0.0;  // metres from the line's start
    Triple seat{};
    double level = 0.0;
};

// A component as the picture shows it: where it hangs and where it aims,
// in section coordinates.
struct BoxMark {
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

CoverageMap computeCoverage(HostArray& array, const ArrayPlacement& placement, const SectionGrid& grid,
                            const AudienceLine& line, const MapQuantity& quantity);

}  // namespace ksrhost
