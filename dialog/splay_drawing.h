#pragma once
// The auto-splay dialog's picture: above, the side view of the array over
// each zone of the audience (labelled when there are several) with a ray
// along each box's aim; below, the level over distance (the mean of the 1 to
// 8 kHz bands) of the current design and of the proposal, one curve per
// zone, with the target slope and each design's evenness figure.

#include "dialog/windows_header.h"

#include <optional>
#include <vector>

#include "design/auto_splay.h"
#include "design/splay_report.h"

namespace ksr {

// One design as the picture shows it.
struct DrawnDesign {
    std::vector<SplayBoxPose> boxes;  // side view, metres and degrees
    std::vector<double> distance;    // receivers, metres; empty before a computation
    std::vector<int32_t> zone;       // the zone of each receiver; receivers run zone by zone
    std::vector<double> level;       // dB at each receiver
    double summary = 0.0;            // evenness figure, dB
};

struct SplayPicture {
    std::optional<SplayRequest> audience;  // nothing to draw the audience from while the fields are not valid
    DrawnDesign current;
    std::optional<DrawnDesign> proposal;
};

// Paints the picture into area of dc. Everything it selects into dc is
// selected out again and everything it creates is deleted before it returns.
void drawSplayPicture(HDC dc, const RECT& area, HFONT font, const SplayPicture& picture);

}  // namespace ksr
