#pragma once
// The level of a scene's arrays over its audience areas, in plan: seats on a
// square grid at each area's ear height (its floor plane plus the ear
// height), every seat through the module's exports.
//
// The grid's nodes lie on whole multiples of the step in x and y, so that
// areas side by side share their seats' columns; an area holds the nodes
// inside it or on its edge. Areas that overlap in plan (a balcony above the
// stalls) each get their own seats.

#include <vector>

#include "audience_area.h"
#include "coverage_map.h"
#include "level_statistics.h"

namespace ksrhost {

struct PlanGrid {
    double step = 0.5;            // metres
    long firstColumn = 0, firstRow = 0;  // node (i, j) lies at (i * step, j * step)
    long columns = 0, rows = 0;
};

// The grid over every area's extent. The areas must not be empty.
PlanGrid planGrid(const std::vector<AudienceArea>& areas, double step);

// Seats of the grid inside each area, in area order, each row from the
// smallest y, each from the smallest x.
struct PlanSeat {
    size_t area = 0;
    long column = 0, row = 0;  // node indices as in PlanGrid
    Triple seat{};             // host metres
    double level = 0.0;        // dB
};

// How many seats the areas hold on the grid, without computing any.
size_t countPlanSeats(const std::vector<AudienceArea>& areas, const PlanGrid& grid);

struct PlanMap {
    PlanGrid grid;
    std::vector<PlanSeat> seats;
    std::vector<LevelStatistics> areaStatistics;  // per area
    LevelStatistics statistics;                   // over every seat
};

// progress may be null. The sums run on threads threads, the calling one
// among them; the map is the same for any count.
PlanMap computePlan(SceneSound& sound, const std::vector<AudienceArea>& areas, const PlanGrid& grid,
                    const MapQuantity& quantity, Progress* progress, unsigned threads = machineThreads());

}  // namespace ksrhost
