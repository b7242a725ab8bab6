#include "scene_cut.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ksrhost {

namespace {

// Shorter stretches are a graze of a corner, not seats.
constexpr double kShortestStretch = 1e-6;  // metres

double cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

double floorAt(const AudienceArea& area, double x, double y) {
    return area.slopeX * x + area.slopeY * y + area.offset;
}

}  // namespace

std::vector<CutZone> cutAudience(const std::vector<AudienceArea>& areas, double x, double y, double turn,
                                 double earHeight) {
    const double t = turn * std::numbers::pi / 180.0;
    const double ux = std::sin(t), uy = -std::cos(t);
    std::vector<CutZone> zones;
    for (const AudienceArea& area : areas) {
        // Where the line crosses the area's edges, as distances along it;
        // between two neighbouring crossings the line is inside or outside
        // throughout, which the middle point tells.
        std::vector<double> crossings;
        const size_t n = area.corners.size();
        for (size_t i = 0; i < n; ++i) {
            const Point3& a = area.corners[i];
            const Point3& b = area.corners[(i + 1) % n];
            const double ex = b[0] - a[0], ey = b[1] - a[1];
            const double d = cross(ux, uy, ex, ey);
            if (std::fabs(d) < 1e-12) continue;  // parallel: its ends are crossings of the neighbouring edges
            const double s = cross(a[0] - x, a[1] - y, ex, ey) / d;
            const double v = cross(a[0] - x, a[1] - y, ux, uy) / d;
            if (v >= -1e-12 && v <= 1.0 + 1e-12 && std::isfinite(s)) crossings.push_back(s);
        }
        crossings.push_back(kNearestCutSeat);
        std::sort(crossings.begin(), crossings.end());
        std::vector<std::pair<double, double>> stretches;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            const double from = crossings[i], to = crossings[i + 1];
            if (to <= kNearestCutSeat || to - from < kShortestStretch) continue;
            const double middle = 0.5 * (from + to);
            if (!contains(area, x + middle * ux, y + middle * uy)) continue;
            if (!stretches.empty() && std::fabs(stretches.back().second - from) < kShortestStretch) {
                stretches.back().second = to;
            } else {
                stretches.emplace_back(std::max(from, kNearestCutSeat), to);
            }
        }
        for (size_t k = 0; k < stretches.size(); ++k) {
            const auto [first, last] = stretches[k];
            CutZone cut;
            cut.name = stretches.size() > 1 ? area.name + " (" + std::to_string(k + 1) + ")" : area.name;
            const double raise = area.earHeight - earHeight;
            cut.zone = {first, last, floorAt(area, x + first * ux, y + first * uy) + raise,
                        floorAt(area, x + last * ux, y + last * uy) + raise, 0.0};
            zones.push_back(cut);
        }
    }
    return zones;
}

}  // namespace ksrhost
