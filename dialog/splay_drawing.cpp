#include "dialog/splay_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <string>

#include "design/splay_fields.h"
#include "model/band_average.h"
#include "model/numeric.h"

namespace ksr {

namespace {

constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kFrame = RGB(128, 128, 128);
constexpr COLORREF kGridLine = RGB(228, 228, 228);
constexpr COLORREF kFloor = RGB(150, 115, 80);
constexpr COLORREF kAudience = RGB(0, 150, 0);
constexpr COLORREF kSecondZone = RGB(0, 140, 170);
constexpr COLORREF kCurrent = RGB(160, 160, 160);
constexpr COLORREF kProposal = RGB(0, 0, 200);
constexpr COLORREF kTarget = RGB(204, 0, 0);
constexpr COLORREF kText = RGB(0, 0, 0);

// Share of the picture's height given to the side view.
constexpr double kSideViewShare = 0.5;
constexpr int kMargin = 6;         // pixels around each part
constexpr int kLevelAxisWidth = 34; // pixels left of the level plot for its dB labels
constexpr int kDistanceAxisHeight = 14;
constexpr int kMostTicks = 12;      // per axis of the level plot

// Pixel coordinates stay well inside GDI's 16-bit drawing range, whatever
// the numbers; NaN lands on 0.
int pixel(double value) {
    return static_cast<int>(std::clamp(truncateToInt32(std::round(value)), -30000, 30000));
}

// A GDI object of our own, deleted when it goes out of scope.
class OwnedObject {
public:
    explicit OwnedObject(HGDIOBJ object) : object_(object) {}
    ~OwnedObject() {
        if (object_ != nullptr) DeleteObject(object_);
    }
    OwnedObject(const OwnedObject&) = delete;
    OwnedObject& operator=(const OwnedObject&) = delete;
    HGDIOBJ get() const { return object_; }

private:
    HGDIOBJ object_;
};

// An object selected into a device context for one scope; the object it
// replaced is selected back at the end.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A world rectangle (x right, y up) mapped onto a pixel rectangle.
struct Mapping {
    RECT box{};
    double x0 = 0.0, x1 = 1.0, y0 = 0.0, y1 = 1.0;

    POINT at(double x, double y) const {
        const double width = static_cast<double>(box.right - box.left);
        const double height = static_cast<double>(box.bottom - box.top);
        return {pixel(box.left + (x - x0) / (x1 - x0) * width), pixel(box.bottom - (y - y0) / (y1 - y0) * height)};
    }
};

void line(HDC dc, COLORREF colour, int width, int style, std::initializer_list<POINT> points) {
    OwnedObject pen(CreatePen(style, width, colour));
    Selection selected(dc, pen.get());
    std::vector<POINT> path(points);
    Polyline(dc, path.data(), static_cast<int>(path.size()));
}

void polyline(HDC dc, COLORREF colour, int width, const std::vector<POINT>& points) {
    if (points.size() < 2) return;
    OwnedObject pen(CreatePen(PS_SOLID, width, colour));
    Selection selected(dc, pen.get());
    Polyline(dc, points.data(), static_cast<int>(points.size()));
}

void text(HDC dc, int x, int y, COLORREF colour, UINT align, const std::string& words) {
    SetTextColor(dc, colour);
    SetTextAlign(dc, align);
    TextOutA(dc, x, y, words.c_str(), static_cast<int>(words.size()));
}

template <class... Args>
std::string formatted(const char* format, Args... args) {
    char buffer[96];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    if (length < 0) return std::string();
    return std::string(buffer, std::min(static_cast<size_t>(length), sizeof buffer - 1));
}

// A step of 1, 2 or 5 times a power of ten that splits span into at most
// parts parts.
double tickStep(double span, int parts) {
    if (!(span > 0.0) || !std::isfinite(span)) return 1.0;
    const double rough = span / parts;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= rough) return factor * power;
    }
    return 10.0 * power;
}

bool finite(double value) { return std::isfinite(value); }

// The colour of a zone's ears in the side view and its label.
COLORREF zoneColour(size_t zone) { return zone == 0 ? kAudience : kSecondZone; }

// The point where the ray from (x, y) along angle first meets the segment
// from a to b, as the ray's length; nullopt when it misses.
std::optional<double> rayMeetsSegment(double x, double y, double angle, double ax, double ay, double bx, double by) {
    const double dx = std::cos(angle), dy = std::sin(angle);
    const double ex = bx - ax, ey = by - ay;
    const double denominator = dx * ey - dy * ex;
    if (std::fabs(denominator) < 1e-12) return std::nullopt;
    const double t = ((ax - x) * ey - (ay - y) * ex) / denominator;
    const double u = ((ax - x) * dy - (ay - y) * dx) / denominator;
    if (t <= 0.0 || u < 0.0 || u > 1.0) return std::nullopt;
    return t;
}

// The zones of the picture's audience; the default audience while the
// fields are not valid.
std::vector<SplayZone> zonesOf(const SplayPicture& picture) {
    return splayZones(picture.audience.value_or(SplayRequest{}));
}

// The name a zone carries in the picture.
std::string zoneLabel(size_t zone) { return zone == 0 ? kFirstZoneName : kSecondZoneName; }

void drawSideView(HDC dc, const RECT& area, const SplayPicture& picture) {
    const SplayRequest audience = picture.audience.value_or(SplayRequest{});
    const std::vector<SplayZone> zones = zonesOf(picture);
    const DrawnDesign& shown = picture.proposal ? *picture.proposal : picture.current;
    double top = audience.trim, bottom = 0.0, farthest = 0.0;
    for (const SplayZone& zone : zones) {
        top = std::max({top, zone.floorNear + audience.earHeight, zone.floorFar + audience.earHeight});
        bottom = std::min({bottom, zone.floorNear, zone.floorFar});
        farthest = std::max(farthest, zone.far);
    }
    for (const DrawnDesign* design : {&picture.current, picture.proposal ? &*picture.proposal : nullptr}) {
        if (design == nullptr) continue;
        for (const SplayBoxPose& box : design->boxes) {
            if (!finite(box.height)) continue;
            top = std::max(top, box.height);
            bottom = std::min(bottom, box.height);
        }
    }
    if (!finite(top) || !finite(bottom) || !finite(farthest) || farthest <= 0.0) return;
    // Room above the array, and below the floor for the distance labels.
    top += 1.0;
    bottom -= 1.5;

    // One scale for both directions, so that the rays leave at their true angles.
    Mapping map;
    map.box = {area.left + kMargin, area.top + kMargin + 14, area.right - kMargin, area.bottom - kMargin};
    const double width = map.box.right - map.box.left, height = map.box.bottom - map.box.top;
    if (width <= 0 || height <= 0) return;
    map.x0 = -1.0;
    const double scale = std::min(width / (farthest * 1.08 + 1.0), height / (top - bottom));
    map.x1 = map.x0 + width / scale;
    map.y0 = bottom;
    map.y1 = bottom + height / scale;

    text(dc, area.left + kMargin, area.top + kMargin, kText, TA_LEFT | TA_TOP, "Side view");
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, map.box.left, map.box.top, map.box.right, map.box.bottom);

    // The first zone's floor runs out to the picture's edges; the others
    // are drawn where they are.
    for (size_t z = 0; z < zones.size(); ++z) {
        const SplayZone& zone = zones[z];
        if (z == 0) {
            line(dc, kFloor, 2, PS_SOLID,
                 {map.at(map.x0, zone.floorNear), map.at(zone.near, zone.floorNear),
                  map.at(zone.far, zone.floorFar), map.at(map.x1, zone.floorFar)});
        } else {
            line(dc, kFloor, 2, PS_SOLID, {map.at(zone.near, zone.floorNear), map.at(zone.far, zone.floorFar)});
        }
        if (picture.audience) {
            line(dc, zoneColour(z), 3, PS_SOLID,
                 {map.at(zone.near, zone.floorNear + audience.earHeight),
                  map.at(zone.far, zone.floorFar + audience.earHeight)});
        }
    }

    const double reach = (map.x1 - map.x0) * 2.0;
    auto drawRays = [&](const DrawnDesign& design, COLORREF colour) {
        for (const SplayBoxPose& box : design.boxes) {
            const double angle = box.elevation * 3.14159265358979323846 / 180.0;
            // A ray ends where it first meets the ears of a zone.
            double length = reach;
            if (picture.audience) {
                for (const SplayZone& zone : zones) {
                    const std::optional<double> meets =
                        rayMeetsSegment(box.distance, box.height, angle, zone.near, zone.floorNear + audience.earHeight,
                                        zone.far, zone.floorFar + audience.earHeight);
                    if (meets) length = std::min(length, *meets);
                }
            }
            line(dc, colour, 1, PS_SOLID,
                 {map.at(box.distance, box.height),
                  map.at(box.distance + length * std::cos(angle), box.height + length * std::sin(angle))});
        }
        OwnedObject brush(CreateSolidBrush(colour));
        for (const SplayBoxPose& box : design.boxes) {
            const POINT at = map.at(box.distance, box.height);
            const RECT mark{at.x - 3, at.y - 2, at.x + 3, at.y + 3};
            FillRect(dc, &mark, static_cast<HBRUSH>(brush.get()));
        }
    };
    if (picture.proposal) drawRays(picture.current, kCurrent);
    drawRays(shown, picture.proposal ? kProposal : kCurrent);
    RestoreDC(dc, saved);

    if (picture.audience) {
        for (size_t z = 0; z < zones.size(); ++z) {
            const SplayZone& zone = zones[z];
            const POINT nearMark = map.at(zone.near, zone.floorNear);
            const POINT farMark = map.at(zone.far, zone.floorFar);
            text(dc, nearMark.x, std::min<int>(nearMark.y + 4, map.box.bottom - 12), kText, TA_CENTER | TA_TOP,
                 formatted("%g m", zone.near));
            text(dc, farMark.x, std::min<int>(farMark.y + 4, map.box.bottom - 12), kText, TA_CENTER | TA_TOP,
                 formatted("%g m", zone.far));
            if (zones.size() > 1) {
                const POINT middle = map.at(0.5 * (zone.near + zone.far),
                                            0.5 * (zone.floorNear + zone.floorFar) + audience.earHeight);
                text(dc, middle.x, std::max<int>(middle.y - 16, map.box.top), zoneColour(z), TA_CENTER | TA_TOP,
                     zoneLabel(z));
            }
        }
    }
}

void drawLevels(HDC dc, const RECT& area, const SplayPicture& picture) {
    Mapping map;
    map.box = {area.left + kMargin + kLevelAxisWidth, area.top + kMargin + 14, area.right - kMargin,
               area.bottom - kMargin - kDistanceAxisHeight};
    if (map.box.right <= map.box.left || map.box.bottom <= map.box.top) return;
    text(dc, area.left + kMargin, area.top + kMargin, kText, TA_LEFT | TA_TOP, "Level 1-8 kHz [dB] over distance [m]");

    std::vector<const DrawnDesign*> curves;
    if (!picture.current.level.empty()) curves.push_back(&picture.current);
    if (picture.proposal && !picture.proposal->level.empty()) curves.push_back(&*picture.proposal);
    double low = std::numeric_limits<double>::infinity(), high = -low;
    double nearest = low, farthest = -low;
    for (const DrawnDesign* curve : curves) {
        const size_t count = std::min(curve->distance.size(), curve->level.size());
        for (size_t i = 0; i < count; ++i) {
            if (!finite(curve->level[i]) || curve->level[i] <= kSilentLevel || !finite(curve->distance[i])) continue;
            low = std::min(low, curve->level[i]);
            high = std::max(high, curve->level[i]);
            nearest = std::min(nearest, curve->distance[i]);
            farthest = std::max(farthest, curve->distance[i]);
        }
    }
    FrameRect(dc, &map.box, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    if (!(low <= high) || !(nearest < farthest)) {
        text(dc, (map.box.left + map.box.right) / 2, (map.box.top + map.box.bottom) / 2 - 6, kFrame,
             TA_CENTER | TA_TOP, "Press Compute to see the level over distance.");
        return;
    }
    const double levelStep = tickStep(high - low + 2.0, 6);
    map.y0 = std::floor((low - 1.0) / levelStep) * levelStep;
    // One step of headroom keeps the curves clear of the legend.
    map.y1 = std::ceil((high + 1.0) / levelStep) * levelStep + levelStep;
    map.x0 = nearest;
    map.x1 = farthest;

    const double distanceStep = tickStep(farthest - nearest, 8);
    // Ticks are counted, not summed: at magnitudes where adding a step
    // changes nothing, a summed loop would never end.
    for (int tick = 0; tick <= kMostTicks; ++tick) {
        const double level = map.y0 + tick * levelStep;
        if (level > map.y1 + 1e-9) break;
        const POINT left = map.at(map.x0, level), right = map.at(map.x1, level);
        line(dc, kGridLine, 1, PS_SOLID, {left, right});
        text(dc, left.x - 3, left.y - 6, kText, TA_RIGHT | TA_TOP, formatted("%g", level));
    }
    for (int tick = 0; tick <= kMostTicks; ++tick) {
        const double distance = std::ceil(nearest / distanceStep) * distanceStep + tick * distanceStep;
        if (distance > farthest + 1e-9) break;
        const POINT bottomEnd = map.at(distance, map.y0), topEnd = map.at(distance, map.y1);
        line(dc, kGridLine, 1, PS_SOLID, {bottomEnd, topEnd});
        text(dc, bottomEnd.x, bottomEnd.y + 2, kText, TA_CENTER | TA_TOP, formatted("%g", distance));
    }
    FrameRect(dc, &map.box, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));

    const int saved = SaveDC(dc);
    IntersectClipRect(dc, map.box.left, map.box.top, map.box.right + 1, map.box.bottom + 1);
    // One path per zone: a curve does not jump from the end of one zone to
    // the start of the next.
    auto drawCurve = [&](const DrawnDesign& curve, COLORREF colour) {
        std::vector<POINT> path;
        const size_t count = std::min(curve.distance.size(), curve.level.size());
        for (size_t i = 0; i < count; ++i) {
            if (i > 0 && i < curve.zone.size() && curve.zone[i] != curve.zone[i - 1]) {
                polyline(dc, colour, 2, path);
                path.clear();
            }
            if (finite(curve.level[i]) && curve.level[i] > kSilentLevel) path.push_back(map.at(curve.distance[i], curve.level[i]));
        }
        polyline(dc, colour, 2, path);
    };
    // The target slope through the proposal's mean (the current design's
    // before there is one), centred on the mean log distance as the figures are.
    const DrawnDesign& reference = picture.proposal && !picture.proposal->level.empty() ? *picture.proposal
                                                                                         : picture.current;
    if (picture.audience && !reference.level.empty()) {
        double meanLevel = 0.0, meanOctave = 0.0;
        size_t used = 0;
        for (size_t i = 0; i < std::min(reference.distance.size(), reference.level.size()); ++i) {
            if (!finite(reference.level[i]) || reference.level[i] <= kSilentLevel || !(reference.distance[i] > 0.0))
                continue;
            meanLevel += reference.level[i];
            meanOctave += std::log2(reference.distance[i]);
            ++used;
        }
        if (used > 0 && nearest > 0.0) {
            meanLevel /= static_cast<double>(used);
            meanOctave /= static_cast<double>(used);
            const double slope = picture.audience->slope;
            line(dc, kTarget, 1, PS_DASH,
                 {map.at(nearest, meanLevel + slope * (std::log2(nearest) - meanOctave)),
                  map.at(farthest, meanLevel + slope * (std::log2(farthest) - meanOctave))});
        }
    }
    if (picture.proposal) drawCurve(picture.current, kCurrent);
    drawCurve(picture.proposal ? *picture.proposal : picture.current, picture.proposal ? kProposal : kCurrent);
    RestoreDC(dc, saved);

    // Legend, top right inside the plot.
    int y = map.box.top + 3;
    const int x = map.box.right - 200;
    auto legend = [&](COLORREF colour, int style, const std::string& words) {
        line(dc, colour, style == PS_SOLID ? 2 : 1, style, {POINT{x, y + 6}, POINT{x + 18, y + 6}});
        text(dc, x + 22, y, kText, TA_LEFT | TA_TOP, words);
        y += 13;
    };
    if (picture.proposal) {
        legend(kCurrent, PS_SOLID, formatted("Current design, deviation %.1f dB", picture.current.summary));
        legend(kProposal, PS_SOLID, formatted("Proposal, deviation %.1f dB", picture.proposal->summary));
    } else {
        legend(kCurrent, PS_SOLID, formatted("Current design, deviation %.1f dB", picture.current.summary));
    }
    if (picture.audience) legend(kTarget, PS_DASH, "Target slope");
}

}  // namespace

void drawSplayPicture(HDC target, const RECT& area, HFONT font, const SplayPicture& picture) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    // Drawn off screen first, so the picture does not flicker while the
    // progress moves.
    HDC dc = CreateCompatibleDC(target);
    if (dc == nullptr) return;
    {
        OwnedObject bitmap(CreateCompatibleBitmap(target, width, height));
        Selection selectedBitmap(dc, bitmap.get());
        Selection selectedFont(dc, font);
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = GetTextColor(dc);
        const UINT oldAlign = GetTextAlign(dc);

        const RECT whole{0, 0, width, height};
        OwnedObject paper(CreateSolidBrush(kPaper));
        FillRect(dc, &whole, static_cast<HBRUSH>(paper.get()));
        const int split = pixel(height * kSideViewShare);
        drawSideView(dc, RECT{0, 0, width, split}, picture);
        drawLevels(dc, RECT{0, split, width, height}, picture);
        OwnedObject frame(CreateSolidBrush(kFrame));
        FrameRect(dc, &whole, static_cast<HBRUSH>(frame.get()));

        BitBlt(target, area.left, area.top, width, height, dc, 0, 0, SRCCOPY);
        SetTextAlign(dc, oldAlign);
        SetTextColor(dc, oldColour);
        SetBkMode(dc, oldMode);
    }
    DeleteDC(dc);
}

}  // namespace ksr
