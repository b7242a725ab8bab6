#include "audience_area.h"

#include <utility>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "host_error.h"

namespace ksrhost {

namespace {

constexpr double kMaxEarHeight = 10.0;
// Edges closer than this to a point count as holding it, metres.
constexpr double kEdgeTolerance = 1e-9;

// Twice the signed area of the polygon in plan.
double twiceArea(const std::vector<Point3>& corners) {
    double sum = 0.0;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Point3& a = corners[i];
        const Point3& b = corners[(i + 1) % corners.size()];
        sum += a[0] * b[1] - b[0] * a[1];
    }
    return sum;
}

bool onSegment(const Point3& a, const Point3& b, double x, double y) {
    const double cross = (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]);
    const double length = std::hypot(b[0] - a[0], b[1] - a[1]);
    if (std::fabs(cross) > kEdgeTolerance * std::max(length, 1.0)) return false;
    return x >= std::min(a[0], b[0]) - kEdgeTolerance && x <= std::max(a[0], b[0]) + kEdgeTolerance &&
           y >= std::min(a[1], b[1]) - kEdgeTolerance && y <= std::max(a[1], b[1]) + kEdgeTolerance;
}

// Least-squares plane z = p x + q y + r through the corners, solved in
// coordinates centred on their mean.
void fitFloor(AudienceArea& area) {
    const double n = static_cast<double>(area.corners.size());
    double mx = 0.0, my = 0.0, mz = 0.0;
    for (const Point3& c : area.corners) {
        mx += c[0] / n;
        my += c[1] / n;
        mz += c[2] / n;
    }
    double sxx = 0.0, sxy = 0.0, syy = 0.0, sxz = 0.0, syz = 0.0;
    for (const Point3& c : area.corners) {
        const double x = c[0] - mx, y = c[1] - my, z = c[2] - mz;
        sxx += x * x;
        sxy += x * y;
        syy += y * y;
        sxz += x * z;
        syz += y * z;
    }
    const double det = sxx * syy - sxy * sxy;
    // A polygon with area in plan has a non-zero determinant.
    area.slopeX = (sxz * syy - syz * sxy) / det;
    area.slopeY = (syz * sxx - sxz * sxy) / det;
    area.offset = mz - area.slopeX * mx - area.slopeY * my;
}

// The sign of the turn from a to b to c in plan: 1 left, -1 right, 0 on a line.
int turn(const Point3& a, const Point3& b, const Point3& c) {
    const double cross = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    return cross > 0.0 ? 1 : cross < 0.0 ? -1 : 0;
}

// Whether c, on the line through a and b, lies within their box.
bool within(const Point3& a, const Point3& b, const Point3& c) {
    return std::min(a[0], b[0]) <= c[0] && c[0] <= std::max(a[0], b[0]) && std::min(a[1], b[1]) <= c[1] &&
           c[1] <= std::max(a[1], b[1]);
}

// Whether the segments p1-p2 and q1-q2 meet in plan.
bool segmentsMeet(const Point3& p1, const Point3& p2, const Point3& q1, const Point3& q2) {
    const int d1 = turn(q1, q2, p1), d2 = turn(q1, q2, p2), d3 = turn(p1, p2, q1), d4 = turn(p1, p2, q2);
    if (d1 * d2 < 0 && d3 * d4 < 0) return true;
    return (d1 == 0 && within(q1, q2, p1)) || (d2 == 0 && within(q1, q2, p2)) || (d3 == 0 && within(p1, p2, q1)) ||
           (d4 == 0 && within(p1, p2, q2));
}

// The first pair of edges (1-based, edge k from corner k to the next) that
// are not neighbours and meet in plan; {0, 0} for a simple polygon.
std::pair<size_t, size_t> crossingEdges(const std::vector<Point3>& corners) {
    const size_t n = corners.size();
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) continue;  // neighbours through the first corner
            if (segmentsMeet(corners[i], corners[(i + 1) % n], corners[j], corners[(j + 1) % n])) return {i + 1, j + 1};
        }
    }
    return {0, 0};
}

}  // namespace

AudienceArea makeAudienceArea(std::string name, std::vector<Point3> corners, double earHeight,
                              const std::string& where) {
    if (corners.size() < 3) {
        throw HostError(where + ": an audience area needs at least three corners, got " +
                        std::to_string(corners.size()));
    }
    if (!(earHeight >= 0.0 && earHeight <= kMaxEarHeight)) {
        std::ostringstream text;
        text << where << ": ear height " << earHeight << " m is outside 0..10";
        throw HostError(text.str());
    }
    if (const auto [first, second] = crossingEdges(corners); first != 0) {
        throw HostError(where + ": the outline crosses itself (edge " + std::to_string(first) + " meets edge " +
                        std::to_string(second) + "); list the corners in order around the area");
    }
    AudienceArea area{std::move(name), std::move(corners), earHeight};
    double extent = 0.0;
    for (const Point3& c : area.corners) extent = std::max({extent, std::fabs(c[0]), std::fabs(c[1])});
    if (std::fabs(twiceArea(area.corners)) <= 1e-9 * std::max(extent * extent, 1.0)) {
        throw HostError(where + ": the corners enclose no area in plan (they lie on one line)");
    }
    fitFloor(area);
    for (size_t i = 0; i < area.corners.size(); ++i) {
        const Point3& c = area.corners[i];
        const double off = c[2] - (area.slopeX * c[0] + area.slopeY * c[1] + area.offset);
        if (std::fabs(off) > kFloorPlaneTolerance) {
            std::ostringstream text;
            text << where << ": corner " << i + 1 << " lies " << std::fabs(off)
                 << " m off the plane of the others; a raked floor must be one plane";
            throw HostError(text.str());
        }
    }
    return area;
}

AudienceArea rectangleArea(std::string name, double x0, double x1, double y0, double y1, double z, double earHeight) {
    return makeAudienceArea(std::move(name), {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}}, earHeight,
                            "audience area");
}

bool contains(const AudienceArea& area, double x, double y) {
    bool inside = false;
    const std::vector<Point3>& c = area.corners;
    for (size_t i = 0, j = c.size() - 1; i < c.size(); j = i++) {
        if (onSegment(c[j], c[i], x, y)) return true;
        if ((c[i][1] > y) != (c[j][1] > y)) {
            const double crossing = c[j][0] + (y - c[j][1]) * (c[i][0] - c[j][0]) / (c[i][1] - c[j][1]);
            if (x < crossing) inside = !inside;
        }
    }
    return inside;
}

double earLevel(const AudienceArea& area, double x, double y) {
    return area.slopeX * x + area.slopeY * y + area.offset + area.earHeight;
}

}  // namespace ksrhost
