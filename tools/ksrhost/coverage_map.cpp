#include "coverage_map.h"

#include <cmath>
#include <numbers>
#include <sstream>

namespace ksrhost {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

double lerp(double from, double to, int i, int count) { return from + (to - from) * i / (count - 1); }

}  // namespace

std::string describe(const MapQuantity& quantity) {
    std::ostringstream text;
    if (quantity.band == 0) {
        text << "A-weighted";
    } else {
        text << "band " << quantity.band << " (" << nominalCentreFrequency(quantity.band) << " Hz)";
    }
    text << (quantity.coherent ? ", complex sum" : ", power sum");
    return text.str();
}

double seatLevel(std::span<const ComponentResponse> components, const MapQuantity& quantity) {
    auto bandLevel = [&](int band) {
        return quantity.coherent ? complexSum(components, band).level : powerSum(components, band);
    };
    if (quantity.band != 0) return bandLevel(quantity.band);
    BandValues levels{};
    for (int band = 1; band <= kBands; ++band) levels[static_cast<size_t>(band - 1)] = bandLevel(band);
    return aWeightedTotal(levels);
}

Triple sectionDirection(const ArrayPlacement& placement) {
    const double a = placement.angles[0] * kDegree;
    return {static_cast<float>(std::sin(a)), static_cast<float>(-std::cos(a)), 0.0f};
}

CoverageMap computeCoverage(HostArray& array, const ArrayPlacement& placement, const SectionGrid& grid,
                            const AudienceLine& line, const MapQuantity& quantity) {
    CoverageMap map;
    map.direction = sectionDirection(placement);
    const Triple& origin = placement.position;

    map.section.reserve(static_cast<size_t>(grid.columns) * static_cast<size_t>(grid.rows));
    for (int row = 0; row < grid.rows; ++row) {
        const double height = lerp(grid.heightFrom, grid.heightTo, row, grid.rows);
        for (int column = 0; column < grid.columns; ++column) {
            const double distance = lerp(grid.distanceFrom, grid.distanceTo, column, grid.columns);
            SectionSeat seat{distance, height,
                             {static_cast<float>(origin[0] + distance * map.direction[0]),
                              static_cast<float>(origin[1] + distance * map.direction[1]), static_cast<float>(height)},
                             0.0};
            seat.level = seatLevel(array.respond(seat.seat), quantity);
            map.section.push_back(seat);
        }
    }

    const double length = std::hypot(line.end[0] - line.start[0], line.end[1] - line.start[1], line.end[2] - line.start[2]);
    map.line.reserve(static_cast<size_t>(line.points));
    for (int i = 0; i < line.points; ++i) {
        LineSeat seat;
        seat.along = lerp(0.0, length, i, line.points);
        for (size_t k = 0; k < 3; ++k) seat.seat[k] = static_cast<float>(lerp(line.start[k], line.end[k], i, line.points));
        seat.level = seatLevel(array.respond(seat.seat), quantity);
        map.line.push_back(seat);
    }

    const SetupRecord& design = array.appliedRecord();
    for (int32_t c = 1; c <= array.componentCount(); ++c) {
        const Triple position = array.componentPosition(c);
        const Triple angles = array.componentAngles(c);
        const double a = angles[0] * kDegree, b = angles[1] * kDegree;
        // The aim, local -y, turned by R(a, b, c): (sin a cos b, -cos a cos b, sin b).
        const double aim[3] = {std::sin(a) * std::cos(b), -std::cos(a) * std::cos(b), std::sin(b)};
        BoxMark mark;
        mark.component = c;
        mark.type = design.boxes[c - 1].boxType;
        mark.distance = (position[0] - origin[0]) * map.direction[0] + (position[1] - origin[1]) * map.direction[1];
        mark.height = position[2];
        mark.aimDistance = aim[0] * map.direction[0] + aim[1] * map.direction[1];
        mark.aimHeight = aim[2];
        map.boxes.push_back(mark);
    }
    return map;
}

}  // namespace ksrhost
