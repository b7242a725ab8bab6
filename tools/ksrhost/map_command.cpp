// ksrhost map: the array's level over a vertical section through it and
// along an audience line, written as CSV and drawn as a PNG heat map by
// render_map.py (Python with matplotlib).

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <ostream>

#include "commands.h"
#include "design_departures.h"
#include "coverage_map.h"
#include "host_error.h"
#include "text_values.h"

#if defined(_WIN32)
#include <process.h>
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace ksrhost {

namespace {

// The audience's ear height above the floor at z = 0, metres.
constexpr float kEarHeight = 1.2f;
constexpr int kMaxGridSeats = 2000;
constexpr int kMaxLinePoints = 100000;

MapQuantity readQuantity(const MapOptions& options) {
    MapQuantity quantity;
    quantity.coherent = options.sum == "complex";
    if (options.band == "A" || options.band == "a") return quantity;
    const double band = parseNumber(options.band, "--band");
    if (band != std::floor(band) || band < 1 || band > kBands) {
        throw HostError("--band: expected A or a band 1..21, got '" + options.band + "'");
    }
    quantity.band = static_cast<int>(band);
    return quantity;
}

std::string joined(const Triple& t) {
    std::ostringstream text;
    text << t[0] << "," << t[1] << "," << t[2];
    return text.str();
}

void writeHeader(std::ostream& out, const MapOptions& options, const Scene& scene, const MapQuantity& quantity,
                 const CoverageMap& map) {
    out << "# ksrhost map: the level of the whole array\n";
    out << "# design: " << options.scene.design << "\n";
    out << "# quantity: " << describe(quantity) << "\n";
    out << "# unit: " << (quantity.band == 0 ? "dB(A)" : "dB") << "\n";
    out << "# array position: " << joined(scene.placement.position) << "\n";
    out << "# array angles: " << joined(scene.placement.angles) << "\n";
    out << "# section direction: " << joined(map.direction) << "\n";
    for (const BoxMark& box : map.boxes) {
        out << "# box: " << box.component << "," << box.type << "," << box.distance << "," << box.height << ","
            << box.aimDistance << "," << box.aimHeight << "\n";
    }
}

// An output file, opened before the work starts so that a bad path fails
// at once.
std::ofstream openOutput(const std::string& path) {
    std::ofstream file(path, std::ios::binary);
    if (!file) throw HostError("cannot write '" + path + "'");
    file << std::setprecision(7);
    return file;
}

void finish(std::ofstream& file, const std::string& path) {
    if (!file.flush()) throw HostError("cannot write '" + path + "'");
}

// render_map.py beside this program (an installed copy), else in the sources.
std::string rendererScript() {
#if defined(_WIN32)
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    const std::filesystem::path beside = std::filesystem::path(self).parent_path() / "render_map.py";
#else
    std::error_code error;
    const std::filesystem::path beside = std::filesystem::read_symlink("/proc/self/exe", error).parent_path() / "render_map.py";
#endif
    if (std::filesystem::exists(beside)) return beside.string();
    return KSRHOST_RENDERER_SOURCE;
}

void render(const std::string& section, const std::string& line, const std::string& png) {
    const std::string script = rendererScript();
#if defined(_WIN32)
    const intptr_t status = _spawnlp(_P_WAIT, "python", "python", script.c_str(), section.c_str(), line.c_str(),
                                     png.c_str(), nullptr);
#else
    const pid_t child = fork();
    if (child == 0) {
        execl("/usr/bin/python3", "python3", script.c_str(), section.c_str(), line.c_str(), png.c_str(), nullptr);
        _exit(127);
    }
    int wait = 0;
    const int status = child > 0 && waitpid(child, &wait, 0) == child && WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
#endif
    if (status != 0) {
        throw HostError("--png: rendering with " + script +
                        " failed (it needs Python 3 with matplotlib); the CSV files are written: " + section + ", " +
                        line);
    }
}

}  // namespace

CLI::App* addMapCommand(CLI::App& app, MapOptions& options) {
    CLI::App* command = app.add_subcommand(
        "map",
        "The array's level over a vertical section through it and along a straight audience line, for one band or "
        "A-weighted; CSV files, and a PNG heat map drawn by render_map.py (Python 3 with matplotlib).");
    addSceneOptions(*command, options.scene);
    command->add_flag("--strict", options.strict, "Refuse a design that departs from the design rules (exit 1)");
    command->add_option("--band", options.band, "A (A-weighted broadband) or a band 1..21 (100 Hz .. 10 kHz)")
        ->capture_default_str();
    command->add_option("--sum", options.sum, "complex (coherent, with phases and delays) or power")
        ->check(CLI::IsMember({"complex", "power"}))
        ->capture_default_str();
    command->add_option("--distance", options.distance,
                        "Section's horizontal extent FROM:TO in metres from the array along its aim")
        ->capture_default_str();
    command->add_option("--height", options.height,
                        "Section's vertical extent FROM:TO, host z in metres (default: floor to 4 m above the array)");
    command->add_option("--grid", options.grid, "Seats of the section, COLUMNSxROWS")->capture_default_str();
    command->add_option("--line", options.line,
                        "Audience line x,y,z:x,y,z in host metres (default: 1.2 m above z = 0 along the section)");
    command->add_option("--line-points", options.linePoints, "Seats along the audience line")->capture_default_str();
    command->add_option("-o,--output", options.output,
                        "Prefix of the CSV files: PREFIX_section.csv and PREFIX_line.csv")
        ->capture_default_str();
    command->add_option("--png", options.png, "Also draw the heat map into this PNG file");
    return command;
}

void runMap(const LoadedModule& module, const MapOptions& options, std::ostream& out) {
    const Scene scene = readScene(options.scene);
    reportDepartures(scene.design, options.scene.design, options.strict);
    const MapQuantity quantity = readQuantity(options);
    SectionGrid grid;
    std::tie(grid.distanceFrom, grid.distanceTo) = parseRange(options.distance, "--distance");
    const double arrayHeight = scene.placement.position[2];
    if (options.height.empty()) {
        grid.heightFrom = std::min(0.0, arrayHeight - 4.0);
        grid.heightTo = std::max(arrayHeight + 4.0, grid.heightFrom + 1.0);
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
        const Triple direction = sectionDirection(scene.placement);
        const double from = std::max(grid.distanceFrom, 1.0);
        for (size_t k = 0; k < 2; ++k) {
            line.start[k] = static_cast<float>(scene.placement.position[k] + from * direction[k]);
            line.end[k] = static_cast<float>(scene.placement.position[k] + grid.distanceTo * direction[k]);
        }
        line.start[2] = line.end[2] = kEarHeight;
    } else {
        std::tie(line.start, line.end) = parseSegment(options.line, "--line");
    }

    const std::string sectionPath = options.output + "_section.csv";
    const std::string linePath = options.output + "_line.csv";
    std::ofstream sectionFile = openOutput(sectionPath);
    std::ofstream lineFile = openOutput(linePath);

    const AppliedAir air = applyAir(module, scene.air);
    reportNotes(air.notes);
    HostArray array(module, toSetupRecord(scene.design), scene.placement);
    const CoverageMap map = computeCoverage(array, scene.placement, grid, line, quantity);

    writeHeader(sectionFile, options, scene, quantity, map);
    sectionFile << "# grid: " << grid.columns << " x " << grid.rows << "\n";
    sectionFile << "distance_m,height_m,x_m,y_m,z_m,level_db\n";
    for (const SectionSeat& s : map.section) {
        sectionFile << s.distance << "," << s.height << "," << s.seat[0] << "," << s.seat[1] << "," << s.seat[2] << ","
                    << s.level << "\n";
    }
    finish(sectionFile, sectionPath);
    writeHeader(lineFile, options, scene, quantity, map);
    lineFile << "# line: " << joined(line.start) << " to " << joined(line.end) << "\n";
    lineFile << "along_m,x_m,y_m,z_m,distance_m,level_db\n";
    for (const LineSeat& s : map.line) {
        const double distance = (s.seat[0] - scene.placement.position[0]) * map.direction[0] +
                                (s.seat[1] - scene.placement.position[1]) * map.direction[1];
        lineFile << s.along << "," << s.seat[0] << "," << s.seat[1] << "," << s.seat[2] << "," << distance << ","
                 << s.level << "\n";
    }
    finish(lineFile, linePath);

    auto range = [](const auto& seats) {
        const auto [low, high] = std::minmax_element(seats.begin(), seats.end(),
                                                     [](const auto& a, const auto& b) { return a.level < b.level; });
        std::ostringstream text;
        text << std::fixed << std::setprecision(1) << low->level << " .. " << high->level;
        return text.str();
    };
    const char* unit = quantity.band == 0 ? " dB(A)" : " dB";
    out << "Quantity: " << describe(quantity) << "\n";
    out << "Section:  " << grid.columns << " x " << grid.rows << " seats, " << grid.distanceFrom << ".."
        << grid.distanceTo << " m along the aim, " << grid.heightFrom << ".." << grid.heightTo << " m high: "
        << range(map.section) << unit << "\n";
    out << "Line:     " << line.points << " seats from (" << joined(line.start) << ") to (" << joined(line.end)
        << "): " << range(map.line) << unit << "\n";
    out << "Wrote     " << sectionPath << ", " << linePath << "\n";
    if (!options.png.empty()) {
        render(sectionPath, linePath, options.png);
        out << "Drew      " << options.png << "\n";
    }
}

}  // namespace ksrhost
