#include "plan_map.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "map_levels.h"

namespace ksrhost {

namespace {

// Nodes a hair outside an edge still count: a rectangle 0..2 at step 0.5
// holds its nodes at 0 and 2 despite rounding.
constexpr double kNodeSlack = 1e-9;

template <typename Visit>
void forEachNode(const std::vector<AudienceArea>& areas, const PlanGrid& grid, Visit&& visit) {
    for (size_t a = 0; a < areas.size(); ++a) {
        for (long j = grid.firstRow; j < grid.firstRow + grid.rows; ++j) {
            const double y = static_cast<double>(j) * grid.step;
            for (long i = grid.firstColumn; i < grid.firstColumn + grid.columns; ++i) {
                const double x = static_cast<double>(i) * grid.step;
                if (contains(areas[a], x, y)) visit(a, i, j, x, y);
            }
        }
    }
}

}  // namespace

PlanGrid planGrid(const std::vector<AudienceArea>& areas, double step) {
    double xMin = std::numeric_limits<double>::max(), yMin = xMin;
    double xMax = std::numeric_limits<double>::lowest(), yMax = xMax;
    for (const AudienceArea& area : areas) {
        for (const Point3& c : area.corners) {
            xMin = std::min(xMin, c[0]);
            xMax = std::max(xMax, c[0]);
            yMin = std::min(yMin, c[1]);
            yMax = std::max(yMax, c[1]);
        }
    }
    PlanGrid grid;
    grid.step = step;
    grid.firstColumn = static_cast<long>(std::ceil(xMin / step - kNodeSlack));
    grid.firstRow = static_cast<long>(std::ceil(yMin / step - kNodeSlack));
    grid.columns = static_cast<long>(std::floor(xMax / step + kNodeSlack)) - grid.firstColumn + 1;
    grid.rows = static_cast<long>(std::floor(yMax / step + kNodeSlack)) - grid.firstRow + 1;
    return grid;
}

size_t countPlanSeats(const std::vector<AudienceArea>& areas, const PlanGrid& grid) {
    size_t count = 0;
    forEachNode(areas, grid, [&](size_t, long, long, double, double) { ++count; });
    return count;
}

PlanMap computePlan(SceneSound& sound, const std::vector<AudienceArea>& areas, const PlanGrid& grid,
                    const MapQuantity& quantity, Progress* progress, unsigned threads) {
    PlanMap map;
    map.grid = grid;
    forEachNode(areas, grid, [&](size_t a, long i, long j, double x, double y) {
        PlanSeat seat;
        seat.area = a;
        seat.column = i;
        seat.row = j;
        seat.seat = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(earLevel(areas[a], x, y))};
        map.seats.push_back(seat);
    });
    std::vector<Triple> positions;
    positions.reserve(map.seats.size());
    for (const PlanSeat& seat : map.seats) positions.push_back(seat.seat);
    const std::vector<double> levels = mapLevels(sound, positions, quantity, progress, threads);

    std::vector<std::vector<double>> areaLevels(areas.size());
    for (size_t s = 0; s < map.seats.size(); ++s) {
        map.seats[s].level = levels[s];
        areaLevels[map.seats[s].area].push_back(levels[s]);
    }
    for (std::vector<double>& area : areaLevels) map.areaStatistics.push_back(levelStatistics(std::move(area)));
    map.statistics = levelStatistics(levels);
    return map;
}

}  // namespace ksrhost
