#pragma once
// A scene: the arrays of a venue, each with its own design, position and
// angles, the audience areas and the air. predict and map take one design
// with placement options, or a scene file (JSON) that holds a whole venue:
//
//   {"name": "Hall",
//    "air": {"speedOfSoundMPerS": 343, "humidityPercent": 60, "temperatureC": 20,
//            "pressureHPa": 1013, "absorption": true},
//    "arrays": [
//      {"name": "left", "design": "ksr12_flown.json", "positionM": [-6, 0, 10],
//       "anglesDeg": [-10, -3, 0], "gridElevationDeg": -3},
//      {"name": "fill", "design": {"boxCount": 4, "boxes": [...]}, "positionM": [0, -2, 0]}],
//    "audience": [
//      {"name": "floor", "cornersM": [[-12, -3, 0], [12, -3, 0], [12, -30, 1.5], [-12, -30, 1.5]],
//       "earHeightM": 1.2}]}
//
// A design is a file name (relative to the scene file's folder; JSON or
// .velt) or a design object. Every field but "arrays" and each array's
// "design" and "positionM" may be left out: air as the module's defaults,
// angles by the placement convention below, the design's grid elevation,
// no audience areas, ear height 1.2 m. Corner heights are the floor's; a
// raked area's corners lie on one plane.
//
// Placement convention: an array's position is its reference point, the top
// rigging point of its first box. A flown array hangs down from it, tilted
// by its grid elevation: angles (0, grid, 0). A ground-stacked array stands
// on it: the module's geometry hangs every array downward, so a host turns a
// ground stack upside down about its aim, angles (0, -grid, 180). Box 1 is
// then the bottom box, resting on the reference point, and every elevation
// of the design is mirrored: the negative difference angles that splay a
// flown array down splay a stack up towards a raked audience. Angles given
// by the user replace the convention.

#include <string>
#include <vector>

#include "audience_area.h"
#include "host_design.h"
#include "host_session.h"

namespace ksrhost {

struct SceneArray {
    std::string name;    // the scene's name for it, or the design file's name
    std::string source;  // where the design came from, for messages and headers
    HostDesign design;
    ArrayPlacement placement;
};

struct Scene {
    std::string name;
    std::vector<SceneArray> arrays;
    std::vector<AudienceArea> areas;
    Air air;
};

// Arrays in one scene at most: each is an instance of the module.
inline constexpr size_t kMaxSceneArrays = 32;
// Audience areas in one scene at most, and corners of one area.
inline constexpr size_t kMaxAreas = 64;
inline constexpr size_t kMaxAreaCorners = 1000;

// The angles the convention gives the design (see above), degrees.
Triple conventionAngles(const HostDesign& design);

// Whether text is a scene (a JSON object with "arrays") rather than a design.
bool isSceneJson(std::string_view text);

// Parses a scene file's text. path names it in messages and is the folder
// that design file names are relative to. Throws HostError naming the file
// and the field, FileError when a design file cannot be read.
Scene parseSceneJson(std::string_view text, const std::string& path);

}  // namespace ksrhost
