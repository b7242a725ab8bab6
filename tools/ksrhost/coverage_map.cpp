#include "coverage_map.h"

#include <cmath>
#include <numbers>
#include <sstream>

#include "map_levels.h"
#include "seat_sums.h"

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
        text << "band " << quantity.band << " (" << frequencyText(nominalCentreFrequency(quantity.band)) << ")";
    }
    text << ", " << sumName(quantity.sum) << " sum";
    return text.str();
}

double seatLevel(std::span<const ComponentResponse> components, const MapQuantity& quantity) {
    if (quantity.band != 0) return seatBandLevel(components, quantity.band, quantity.sum);
    return aWeightedTotal(seatBandLevels(components, quantity.sum));
}

Triple sectionDirection(const ArrayPlacement& placement) {
    const double a = placement.angles[0] * kDegree;
    return {static_cast<float>(std::sin(a)), static_cast<float>(-std::cos(a)), 0.0f};
}

std::vector<BoxMark> sectionBoxes(SceneSound& sound, const ArrayPlacement& reference, const Triple& direction) {
    std::vector<BoxMark> boxes;
    const Triple& origin = reference.position;
    for (size_t a = 0; a < sound.arrayCount(); ++a) {
        const HostArray& array = sound.array(a);
        for (int32_t c = 1; c <= array.componentCount(); ++c) {
            const Triple position = array.componentPosition(c);
            const Triple angles = array.componentAngles(c);
            const double yaw = angles[0] * kDegree, pitch = angles[1] * kDegree;
            // The aim, local -y, turned by R(a, b, c): (sin a cos b, -cos a cos b, sin b).
            const double aim[3] = {std::sin(yaw) * std::cos(pitch), -std::cos(yaw) * std::cos(pitch), std::sin(pitch)};
            BoxMark mark;
            mark.array = static_cast<int>(a + 1);
            mark.component = c;
            mark.type = array.appliedRecord().boxes[c - 1].boxType;
            mark.distance = (position[0] - origin[0]) * direction[0] + (position[1] - origin[1]) * direction[1];
            mark.height = position[2];
            mark.aimDistance = aim[0] * direction[0] + aim[1] * direction[1];
            mark.aimHeight = aim[2];
            boxes.push_back(mark);
        }
    }
    return boxes;
}

CoverageMap computeCoverage(SceneSound& sound, const ArrayPlacement& reference, const SectionGrid& grid,
                            const AudienceLine& line, const MapQuantity& quantity, Progress* progress,
                            unsigned threads) {
    CoverageMap map;
    map.direction = sectionDirection(reference);
    const Triple& origin = reference.position;

    map.section.reserve(static_cast<size_t>(grid.columns) * static_cast<size_t>(grid.rows));
    for (int row = 0; row < grid.rows; ++row) {
        const double height = lerp(grid.heightFrom, grid.heightTo, row, grid.rows);
        for (int column = 0; column < grid.columns; ++column) {
            const double distance = lerp(grid.distanceFrom, grid.distanceTo, column, grid.columns);
            map.section.push_back({distance, height,
                                   {static_cast<float>(origin[0] + distance * map.direction[0]),
                                    static_cast<float>(origin[1] + distance * map.direction[1]),
                                    static_cast<float>(height)},
                                   0.0});
        }
    }

    const double length = std::hypot(line.end[0] - line.start[0], line.end[1] - line.start[1], line.end[2] - line.start[2]);
    map.line.reserve(static_cast<size_t>(line.points));
    for (int i = 0; i < line.points; ++i) {
        LineSeat seat;
        seat.along = lerp(0.0, length, i, line.points);
        for (size_t k = 0; k < 3; ++k) seat.seat[k] = static_cast<float>(lerp(line.start[k], line.end[k], i, line.points));
        seat.alongAim = (seat.seat[0] - origin[0]) * map.direction[0] + (seat.seat[1] - origin[1]) * map.direction[1];
        map.line.push_back(seat);
    }

    // The section's seats, then the line's, summed in one run.
    std::vector<Triple> seats;
    seats.reserve(map.section.size() + map.line.size());
    for (const SectionSeat& seat : map.section) seats.push_back(seat.seat);
    for (const LineSeat& seat : map.line) seats.push_back(seat.seat);
    const std::vector<double> levels = mapLevels(sound, seats, quantity, progress, threads);
    for (size_t i = 0; i < map.section.size(); ++i) map.section[i].level = levels[i];
    for (size_t i = 0; i < map.line.size(); ++i) map.line[i].level = levels[map.section.size() + i];

    map.boxes = sectionBoxes(sound, reference, map.direction);
    return map;
}

}  // namespace ksrhost
