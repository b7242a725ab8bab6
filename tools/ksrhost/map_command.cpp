// ksrhost map: the level of a scene's arrays over a vertical section through
// the first array and along an audience line, or in plan over the audience
// areas (--plane); written as CSV (and a JSON summary of the plan's
// statistics) and drawn as a PNG by render_map.py.

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <numbers>
#include <optional>
#include <ostream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "area_option.h"
#include "commands.h"
#include "design_departures.h"
#include "coverage_map.h"
#include "host_error.h"
#include "memory_use.h"
#include "output_file.h"
#include "plan_map.h"
#include "progress.h"
#include "render.h"
#include "scene_sound.h"
#include "text_values.h"

namespace ksrhost {

namespace {

// The audience's ear height above the floor at z = 0, metres.
constexpr float kEarHeight = 1.2f;
constexpr int kMaxGridSeats = 2000;
constexpr int kMaxLinePoints = 100000;
// The plan's step, metres, and its largest grid and seat count.
constexpr double kMinPlaneStep = 0.05, kMaxPlaneStep = 100.0;
constexpr double kMaxPlaneNodes = 4e7;
constexpr size_t kMaxPlaneSeats = 4000000;

MapQuantity readQuantity(const MapOptions& options) {
    MapQuantity quantity;
    quantity.sum = options.sum == "power" ? SumKind::power : options.sum == "tone" ? SumKind::tone : SumKind::complex;
    if (options.band == "A" || options.band == "a") return quantity;
    double band = 0.0;
    try {
        band = parseNumber(options.band, "--band");
    } catch (const HostError&) {
        band = 0.0;
    }
    if (band != std::floor(band) || band < 1 || band > kBands) {
        throw HostError("--band: expected A or a band 1..21, got '" + options.band + "'");
    }
    quantity.band = static_cast<int>(band);
    return quantity;
}

const char* unitOf(const MapQuantity& quantity) { return quantity.band == 0 ? "dB(A)" : "dB"; }

std::string joined(const Triple& t) { return shortest(t[0]) + "," + shortest(t[1]) + "," + shortest(t[2]); }

void writeHeader(std::ostream& out, const char* what, const Scene& scene, const MapQuantity& quantity) {
    out << "# ksrhost map: " << what << "\n";
    out << "# quantity: " << describe(quantity) << "\n";
    out << "# unit: " << unitOf(quantity) << "\n";
    for (size_t a = 0; a < scene.arrays.size(); ++a) {
        const SceneArray& array = scene.arrays[a];
        out << "# array: " << a + 1 << "," << joined(array.placement.position) << "," << joined(array.placement.angles)
            << "," << array.name << "\n";
    }
}

std::string range(double low, double high) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << low << " .. " << high;
    return text.str();
}

template <typename Seats>
std::string levelRange(const Seats& seats) {
    const auto [low, high] = std::minmax_element(seats.begin(), seats.end(),
                                                 [](const auto& a, const auto& b) { return a.level < b.level; });
    return range(low->level, high->level);
}

// The picture, reserved with the other outputs; none without --png.
void reservePicture(std::optional<OutputFile>& picture, const MapOptions& options, std::ostream& out) {
    if (!options.png.empty()) picture.emplace(options.png, "--png", out, ".png");
}

void runSection(const LoadedModule& module, const MapOptions& options, const Scene& scene, const MapQuantity& quantity,
                std::ostream& out) {
    const ArrayPlacement& reference = scene.arrays.front().placement;
    SectionGrid grid;
    std::tie(grid.distanceFrom, grid.distanceTo) = parseRange(options.distance, "--distance");
    if (options.height.empty()) {
        double top = 0.0;
        for (const SceneArray& array : scene.arrays) top = std::max(top, static_cast<double>(array.placement.position[2]));
        grid.heightFrom = 0.0;
        grid.heightTo = top + 4.0;
    } else {
        std::tie(grid.heightFrom, grid.heightTo) = parseRange(options.height, "--height");
    }
    std::tie(grid.columns, grid.rows) = parseGrid(options.grid, "--grid", 2, kMaxGridSeats);
    if (options.linePoints < 2 || options.linePoints > kMaxLinePoints) {
        throw HostError("--line-points: " + std::to_string(options.linePoints) + " is outside 2.." +
                        std::to_string(kMaxLinePoints));
    }
    AudienceLine line;
    line.points = options.linePoints;
    if (options.line.empty()) {
        const Triple direction = sectionDirection(reference);
        const double from = std::max(grid.distanceFrom, 1.0);
        const double to = std::max(grid.distanceTo, from + 1.0);
        for (size_t k = 0; k < 2; ++k) {
            line.start[k] = static_cast<float>(reference.position[k] + from * direction[k]);
            line.end[k] = static_cast<float>(reference.position[k] + to * direction[k]);
        }
        line.start[2] = line.end[2] = kEarHeight;
    } else {
        std::tie(line.start, line.end) = parseSegment(options.line, "--line");
        if (line.start == line.end) {
            throw HostError("--line: the two ends are the same point '" + options.line +
                            "'; give two different points x,y,z:x,y,z");
        }
    }

    const std::string sectionPath = options.output + "_section.csv";
    const std::string linePath = options.output + "_line.csv";
    OutputFile sectionFile(sectionPath, "-o", out);
    OutputFile lineFile(linePath, "-o", out);
    std::optional<OutputFile> picture;
    reservePicture(picture, options, out);

    const AppliedAir air = applyAir(module, scene.air);
    reportNotes(air.notes);
    SceneSound sound(module, scene.arrays);
    Progress progress("map", "seats", static_cast<size_t>(grid.columns) * static_cast<size_t>(grid.rows) +
                                          static_cast<size_t>(line.points),
                      std::cerr);
    const MemoryUse use("mapping a section of " + std::to_string(grid.columns) + " x " + std::to_string(grid.rows) +
                        " seats and a line of " + std::to_string(line.points));
    const CoverageMap map = computeCoverage(sound, reference, grid, line, quantity, &progress);

    auto boxes = [&](std::ostream& file) {
        file << "# section direction: " << joined(map.direction) << "\n";
        for (const BoxMark& box : map.boxes) {
            file << "# box: " << box.array << "," << box.component << "," << box.type << "," << decimal(box.distance, 4)
                 << "," << decimal(box.height, 4) << "," << decimal(box.aimDistance, 5) << ","
                 << decimal(box.aimHeight, 5) << "\n";
        }
    };
    std::ostream& section = sectionFile.stream();
    writeHeader(section, "the level over a vertical section through the first array", scene, quantity);
    boxes(section);
    section << "# grid: " << grid.columns << " x " << grid.rows << "\n";
    section << "along_aim_m,height_m,x_m,y_m,z_m,level_db\n";
    for (const SectionSeat& s : map.section) {
        section << decimal(s.distance, 4) << "," << decimal(s.height, 4) << "," << shortest(s.seat[0]) << ","
                << shortest(s.seat[1]) << "," << shortest(s.seat[2]) << "," << decimal(s.level, 3) << "\n";
    }
    sectionFile.finish();
    std::ostream& lineOut = lineFile.stream();
    writeHeader(lineOut, "the level along an audience line", scene, quantity);
    boxes(lineOut);
    lineOut << "# line: " << joined(line.start) << " to " << joined(line.end) << "\n";
    lineOut << "along_line_m,x_m,y_m,z_m,along_aim_m,level_db\n";
    for (const LineSeat& s : map.line) {
        lineOut << decimal(s.along, 4) << "," << shortest(s.seat[0]) << "," << shortest(s.seat[1]) << ","
                << shortest(s.seat[2]) << "," << decimal(s.alongAim, 4) << "," << decimal(s.level, 3) << "\n";
    }
    lineFile.finish();
    // Both files are complete before either replaces its predecessor.
    sectionFile.commit();
    lineFile.commit();

    const std::string unit = std::string(" ") + unitOf(quantity);
    out << "Quantity: " << describe(quantity) << "\n";
    out << "Section:  " << grid.columns << " x " << grid.rows << " seats, " << grid.distanceFrom << ".."
        << grid.distanceTo << " m along the aim, " << grid.heightFrom << ".." << grid.heightTo
        << " m high: " << levelRange(map.section) << unit << "\n";
    out << "Line:     " << line.points << " seats from (" << joined(line.start) << ") to (" << joined(line.end)
        << "): " << levelRange(map.line) << unit << "\n";
    out << "Wrote     " << sectionPath << ", " << linePath << "\n";
    if (picture) {
        renderPicture({"--section", sectionPath, linePath, picture->temporaryPath()}, options.png,
                      {sectionPath, linePath});
        picture->commit();
        out << "Drew      " << options.png << "\n";
    }
}

std::vector<AudienceArea> planeAreas(const MapOptions& options, const Scene& scene) {
    std::vector<AudienceArea> areas = scene.areas;
    for (const std::string& text : options.areas) {
        areas.push_back(parseAreaOption(text, areas.size() + 1, options.earHeight));
    }
    if (areas.empty()) {
        throw HostError("--plane: no audience area; give --area X0:X1,Y0:Y1[,Z] or a scene file with \"audience\"");
    }
    return areas;
}

nlohmann::ordered_json statisticsJson(const LevelStatistics& s) {
    return {{"seats", s.count},
            {"meanDb", jsonNumber(std::round(s.mean * 1000.0) / 1000.0)},
            {"standardDeviationDb", jsonNumber(std::round(s.standardDeviation * 1000.0) / 1000.0)},
            {"medianDb", jsonNumber(std::round(s.median * 1000.0) / 1000.0)},
            {"p10Db", jsonNumber(std::round(s.p10 * 1000.0) / 1000.0)},
            {"p90Db", jsonNumber(std::round(s.p90 * 1000.0) / 1000.0)},
            {"spread10To90Db", jsonNumber(std::round(s.spread * 1000.0) / 1000.0)},
            {"withinThreeDbOfMedianShare", jsonNumber(std::round(s.withinThreeDb * 10000.0) / 10000.0)},
            {"minimumDb", jsonNumber(std::round(s.minimum * 1000.0) / 1000.0)},
            {"maximumDb", jsonNumber(std::round(s.maximum * 1000.0) / 1000.0)}};
}

void printStatistics(std::ostream& out, const std::string& name, const LevelStatistics& s) {
    out << "  " << std::left << std::setw(18) << name.substr(0, 18) << std::right << std::setw(8) << s.count
        << std::fixed << std::setprecision(1) << std::setw(8) << s.mean << std::setw(7) << s.standardDeviation
        << std::setw(16) << range(s.p10, s.p90) << std::setw(8) << s.spread << std::setw(8) << std::setprecision(0)
        << 100.0 * s.withinThreeDb << " %\n"
        << std::defaultfloat << std::setprecision(6);
}

void runPlane(const LoadedModule& module, const MapOptions& options, const Scene& scene, const MapQuantity& quantity,
              std::ostream& out) {
    const std::vector<AudienceArea> areas = planeAreas(options, scene);
    const double step = parseNumber(options.resolution, "--resolution");
    if (step < kMinPlaneStep || step > kMaxPlaneStep) {
        throw HostError("--resolution: expected a step of 0.05..100 m, got '" + options.resolution + "'");
    }
    const PlanGrid grid = planGrid(areas, step);
    if (static_cast<double>(grid.columns) * static_cast<double>(grid.rows) > kMaxPlaneNodes) {
        throw HostError("--resolution: a step of " + options.resolution + " m makes a grid of " +
                        std::to_string(grid.columns) + " x " + std::to_string(grid.rows) + " over the areas; take a larger step");
    }
    const size_t seats = countPlanSeats(areas, grid);
    if (seats == 0) throw HostError("--resolution: no seat of the " + options.resolution + " m grid lies in the audience areas; take a smaller step");
    if (seats > kMaxPlaneSeats) {
        throw HostError("--resolution: " + std::to_string(seats) + " seats at " + options.resolution +
                        " m, more than 4000000; take a larger step");
    }

    const std::string planePath = options.output + "_plane.csv";
    const std::string summaryPath = options.output + "_plane_summary.json";
    OutputFile planeFile(planePath, "-o", out);
    OutputFile summaryFile(summaryPath, "-o", out);
    std::optional<OutputFile> picture;
    reservePicture(picture, options, out);

    const AppliedAir air = applyAir(module, scene.air);
    reportNotes(air.notes);
    SceneSound sound(module, scene.arrays);
    Progress progress("map", "seats", seats, std::cerr);
    const MemoryUse use("mapping " + std::to_string(seats) + " seats in plan");
    const PlanMap map = computePlan(sound, areas, grid, quantity, &progress);

    std::ostream& plane = planeFile.stream();
    writeHeader(plane, "the level in plan over the audience areas", scene, quantity);
    plane << "# step: " << decimal(step, 6) << "\n";
    for (size_t a = 0; a < areas.size(); ++a) {
        plane << "# area: " << a + 1 << "," << decimal(areas[a].earHeight, 4) << "," << areas[a].name << "\n";
        for (const Point3& c : areas[a].corners) {
            plane << "# corner: " << a + 1 << "," << decimal(c[0], 4) << "," << decimal(c[1], 4) << "," << decimal(c[2], 4) << "\n";
        }
    }
    for (size_t a = 0; a < sound.arrayCount(); ++a) {
        const HostArray& array = sound.array(a);
        for (int32_t c = 1; c <= array.componentCount(); ++c) {
            const Triple position = array.componentPosition(c);
            const Triple angles = array.componentAngles(c);
            const double yaw = angles[0] * std::numbers::pi / 180.0, pitch = angles[1] * std::numbers::pi / 180.0;
            plane << "# box: " << a + 1 << "," << c << "," << array.appliedRecord().boxes[c - 1].boxType << ","
                  << joined(position) << "," << decimal(std::sin(yaw) * std::cos(pitch), 5) << ","
                  << decimal(-std::cos(yaw) * std::cos(pitch), 5) << "," << decimal(std::sin(pitch), 5) << "\n";
        }
    }
    plane << "area,column,row,x_m,y_m,z_m,level_db\n";
    for (const PlanSeat& s : map.seats) {
        plane << s.area + 1 << "," << s.column << "," << s.row << "," << shortest(s.seat[0]) << ","
              << shortest(s.seat[1]) << "," << shortest(s.seat[2]) << "," << decimal(s.level, 3) << "\n";
    }
    planeFile.finish();

    nlohmann::ordered_json summary;
    summary["quantity"] = describe(quantity);
    summary["unit"] = unitOf(quantity);
    summary["stepM"] = jsonNumber(step);
    summary["statistics"] = statisticsJson(map.statistics);
    nlohmann::ordered_json areaList = nlohmann::ordered_json::array();
    for (size_t a = 0; a < areas.size(); ++a) {
        areaList.push_back({{"name", areas[a].name},
                            {"earHeightM", jsonNumber(areas[a].earHeight)},
                            {"statistics", statisticsJson(map.areaStatistics[a])}});
    }
    summary["areas"] = areaList;
    nlohmann::ordered_json arrayList = nlohmann::ordered_json::array();
    for (const SceneArray& array : scene.arrays) {
        arrayList.push_back({{"name", array.name},
                             {"positionM", {jsonNumber(array.placement.position[0]), jsonNumber(array.placement.position[1]),
                                            jsonNumber(array.placement.position[2])}},
                             {"anglesDeg", {jsonNumber(array.placement.angles[0]), jsonNumber(array.placement.angles[1]),
                                            jsonNumber(array.placement.angles[2])}}});
    }
    summary["arrays"] = arrayList;
    summaryFile.stream() << summary.dump(2) << "\n";
    summaryFile.finish();
    planeFile.commit();
    summaryFile.commit();

    out << "Quantity: " << describe(quantity) << ", " << unitOf(quantity) << "\n";
    out << "Plane:    " << map.seats.size() << " seats on a " << decimal(step, 6) << " m grid, " << areas.size()
        << (areas.size() == 1 ? " area" : " areas") << ", " << scene.arrays.size()
        << (scene.arrays.size() == 1 ? " array" : " arrays") << "\n";
    out << "  " << std::left << std::setw(18) << "area" << std::right << std::setw(8) << "seats" << std::setw(8)
        << "mean" << std::setw(7) << "sd" << std::setw(16) << "p10 .. p90" << std::setw(8) << "spread" << std::setw(10)
        << "+-3 dB" << "\n";
    for (size_t a = 0; a < areas.size(); ++a) printStatistics(out, areas[a].name, map.areaStatistics[a]);
    if (areas.size() > 1) printStatistics(out, "all areas", map.statistics);
    out << "Wrote     " << planePath << ", " << summaryPath << "\n";
    if (picture) {
        renderPicture({"--plane", planePath, picture->temporaryPath()}, options.png, {planePath});
        picture->commit();
        out << "Drew      " << options.png << "\n";
    }
}

}  // namespace

CLI::App* addMapCommand(CLI::App& app, MapOptions& options) {
    CLI::App* command = app.add_subcommand(
        "map",
        "The level of the arrays over a vertical section through the first array and along a straight audience "
        "line, or with --plane in plan over the audience areas, for one band or A-weighted; CSV files, and a PNG "
        "drawn by render_map.py (the first python3 or python on PATH that has matplotlib).");
    addSceneOptions(*command, options.scene);
    command->add_flag("--strict", options.strict, "Refuse a design that departs from the design rules (exit 1)");
    command->add_option("--band", options.band, "A (A-weighted broadband) or a band 1..21 (100 Hz .. 10 kHz)")
        ->capture_default_str();
    command->add_option("--sum", options.sum,
                        "complex (coherent, band-averaged over 8 tones), tone (coherent at the band's centre alone) "
                        "or power")
        ->check(CLI::IsMember({"complex", "tone", "power"}))
        ->capture_default_str();
    command->add_flag("--plane", options.plane,
                      "Map in plan over the audience areas (of the scene file and --area) at ear height");
    command->add_option("--area", options.areas,
                        "With --plane: a rectangular audience area X0:X1,Y0:Y1 with its floor at Z (default 0); "
                        "give one or more")
        ->allow_extra_args(false);
    command->add_option("--ear-height", options.earHeight, "With --area: ear height above the floor, metres")
        ->capture_default_str();
    command->add_option("--resolution", options.resolution, "With --plane: the grid's step, metres (0.05..100)")
        ->capture_default_str();
    command->add_option("--distance", options.distance,
                        "Section's horizontal extent FROM:TO in metres from the first array along its aim")
        ->capture_default_str();
    command->add_option("--height", options.height,
                        "Section's vertical extent FROM:TO, host z in metres (default: floor to 4 m above the arrays)");
    command->add_option("--grid", options.grid, "Seats of the section, COLUMNSxROWS")->capture_default_str();
    command->add_option("--line", options.line,
                        "Audience line x,y,z:x,y,z in host metres (default: 1.2 m above z = 0 along the section)");
    command->add_option("--line-points", options.linePoints, "Seats along the audience line")->capture_default_str();
    command->add_option("-o,--output", options.output,
                        "Prefix of the files: PREFIX_section.csv and PREFIX_line.csv, or with --plane "
                        "PREFIX_plane.csv and PREFIX_plane_summary.json")
        ->capture_default_str();
    command->add_option("--png", options.png, "Also draw the map into this PNG file");
    for (const char* name : {"--distance", "--height", "--grid", "--line", "--line-points"}) {
        const std::string given = name;
        command->get_option(given)->each([&options, given](const std::string&) {
            options.sectionOptionsGiven.push_back(given);
        });
    }
    return command;
}

void runMap(const LoadedModule& module, const MapOptions& options, std::ostream& out) {
    const Scene scene = readScene(options.scene);
    for (const SceneArray& array : scene.arrays) reportDepartures(array.design, array.source, options.strict);
    const MapQuantity quantity = readQuantity(options);
    requireFileName(options.output, "-o");
    if (!options.png.empty()) requireFileName(options.png, "--png");
    if (!options.plane && !options.areas.empty()) throw HostError("--area: give --plane as well to map the areas");
    if (options.plane && !options.sectionOptionsGiven.empty()) {
        throw HostError(options.sectionOptionsGiven.front() +
                        ": shapes the vertical section, which --plane does not draw (the plan's grid is "
                        "--resolution, its seats the audience areas)");
    }
    if (options.earHeight < 0.0 || options.earHeight > 10.0 || !std::isfinite(options.earHeight)) {
        throw HostError("--ear-height: expected 0..10 m, got " + decimal(options.earHeight, 3));
    }
    if (options.plane) {
        runPlane(module, options, scene, quantity, out);
    } else {
        runSection(module, options, scene, quantity, out);
    }
}

}  // namespace ksrhost
