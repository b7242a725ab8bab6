// ksrhost design splay: auto-splay on a design for an audience (portable
// core, no export of the module). Writes the proposed design, a report with
// the figures of the proposal, the input design and both baselines, and a
// picture drawn by render_splay.py (Python 3 with matplotlib).

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <optional>
#include <ostream>
#include <sstream>

#include "band_sums.h"
#include "commands.h"
#include "design/auto_splay.h"
#include "host_error.h"
#include "output_file.h"
#include "model/band_average.h"
#include "scene_cut.h"
#include "text_values.h"

#if defined(_WIN32)
#include <process.h>
#include <windows.h>
// The request's near and far fields, not 16-bit C's pointer words.
#undef near
#undef far
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace ksrhost {

namespace {

using Json = nlohmann::ordered_json;

// Octaves of the picture: three third-octave bands each, centre band given.
constexpr int kOctaveCentreBands[] = {2, 5, 8, 11, 14, 17, 20};

// "A:B": two finite numbers in any order.
std::pair<double, double> parsePair(const std::string& text, const std::string& option, const char* shape) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) throw HostError(option + ": expected " + shape + ", got '" + text + "'");
    return {parseNumber(text.substr(0, colon), option), parseNumber(text.substr(colon + 1), option)};
}

// "NEAR:FAR:ZNEAR:ZFAR" or with ":WEIGHT": four or five finite numbers.
ksr::SplayZone parseZone(const std::string& text) {
    std::vector<double> values;
    size_t start = 0;
    while (true) {
        const size_t colon = text.find(':', start);
        values.push_back(parseNumber(text.substr(start, colon - start), "--zone"));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    if (values.size() != 4 && values.size() != 5) {
        throw HostError("--zone: expected NEAR:FAR:ZNEAR:ZFAR[:WEIGHT] in metres, got '" + text + "'");
    }
    return {values[0], values[1], values[2], values[3], values.size() == 5 ? values[4] : 0.0};
}

// What a splay runs on: the design, the request and a name for each zone.
struct SplayInput {
    HostDesign design;
    std::string designSource;  // the design file as given, or the scene's array
    std::string designName;    // the design file's name, or the scene's array
    ksr::SplayRequest request;
    std::vector<std::string> zoneNames;  // empty for the one-zone form
};

const SceneArray& sceneArray(const Scene& scene, const SplayOptions& options) {
    std::string names;
    for (const SceneArray& array : scene.arrays) {
        if (array.name == options.array) return array;
        names += (names.empty() ? "" : ", ") + array.name;
    }
    throw HostError("--array: the scene '" + options.scene + "' has no array '" + options.array + "' (it has " +
                    names + ")");
}

SplayInput readInput(const SplayOptions& options) {
    const int audienceForms = !options.audience.empty() + !options.zones.empty() + !options.scene.empty();
    if (audienceForms == 0) throw HostError("give the audience with --audience, --zone or --scene");
    if (audienceForms > 1) throw HostError("--audience, --zone and --scene: give the audience in one of these forms");
    if (!options.floor.empty() && options.audience.empty()) {
        throw HostError("--floor: goes with --audience; a zone gives its own floor heights");
    }
    if (options.scene.empty() != options.array.empty()) {
        throw HostError(options.scene.empty() ? "--array: names an array of a --scene"
                                              : "--scene: name the array to splay with --array");
    }
    if (options.scene.empty() && options.design.empty()) throw HostError("design is required");
    if (options.scene.empty() && options.trim.empty()) throw HostError("--trim is required");

    SplayInput input;
    ksr::SplayRequest& request = input.request;
    request.earHeight = parseNumber(options.earHeight, "--ear-height");
    request.slope = parseNumber(options.slope, "--slope");
    request.maxStep = parseNumber(options.maxStep, "--max-step");
    request.allowZeroSplay = options.allowZero;
    request.shadeGains = options.shade;
    if (!options.trim.empty()) request.trim = parseNumber(options.trim, "--trim");
    if (!options.design.empty()) {
        input.design = readDesignFile(options.design);
        input.designSource = options.design;
        input.designName = std::filesystem::path(options.design).filename().string();
    }

    if (!options.audience.empty()) {
        std::tie(request.near, request.far) = parsePair(options.audience, "--audience", "NEAR:FAR in metres");
        if (!options.floor.empty()) {
            std::tie(request.floorNear, request.floorFar) =
                parsePair(options.floor, "--floor", "ZNEAR:ZFAR in metres");
        }
    }
    for (size_t z = 0; z < options.zones.size(); ++z) {
        request.zones.push_back(parseZone(options.zones[z]));
        input.zoneNames.push_back("zone " + std::to_string(z + 1));
    }
    if (!options.scene.empty()) {
        const Scene scene = parseSceneJson(readTextFile(options.scene, "scene file"), options.scene);
        const SceneArray& array = sceneArray(scene, options);
        if (options.design.empty()) {
            input.design = array.design;
            input.designSource = input.designName = array.name;
        }
        if (options.trim.empty()) request.trim = array.placement.position[2];
        const std::vector<CutZone> cut = cutAudience(scene.areas, array.placement.position[0],
                                                     array.placement.position[1], array.placement.angles[0],
                                                     request.earHeight);
        if (cut.empty()) {
            throw HostError("--scene: no audience area of '" + options.scene + "' lies in front of the array '" +
                            options.array + "' along its aim");
        }
        for (const CutZone& zone : cut) {
            request.zones.push_back(zone.zone);
            input.zoneNames.push_back(zone.name);
        }
    }
    return input;
}

std::string frequencyLabel(int band) {
    const double f = nominalCentreFrequency(band);
    std::ostringstream text;
    if (f >= 1000.0) {
        text << f / 1000.0 << "k";
    } else {
        text << f;
    }
    return text.str();
}

const char* bandGroup(int band) {
    if (band >= ksr::kFirstOptimisedBand && band <= ksr::kLastOptimisedBand) return "optimised";
    if (band >= 8 && band <= 10) return "reported 500-800 Hz";
    if (band >= 2 && band <= 7) return "reported 125-400 Hz";
    return "outside";
}

Json anglesJson(const ksr::WorkingDesign& design) {
    Json angles = Json::array();
    for (int32_t k = 0; k < design.boxCount; ++k) angles.push_back(jsonNumber(design.boxes[k].differenceAngle));
    return angles;
}

Json zoneFiguresJson(const ksr::ZoneFigures& figures) {
    Json out;
    out["summary"] = jsonNumber(figures.summary);
    out["offset"] = jsonNumber(figures.offset);
    out["fittedSlope"] = jsonNumber(figures.fittedSlope);
    out["spread90to10"] = jsonNumber(figures.spread90to10);
    out["shareWithin3dB"] = jsonNumber(figures.shareWithin3dB);
    out["meanLevel1to8k"] = jsonNumber(figures.meanLevel1to8k);
    return out;
}

Json candidateJson(const ksr::SplayCandidate& candidate) {
    Json out;
    out["gridElevation"] = jsonNumber(candidate.design.gridElevation);
    out["differenceAngles"] = anglesJson(candidate.design);
    Json gains = Json::array();
    for (int32_t k = 0; k < candidate.design.boxCount; ++k) gains.push_back(jsonNumber(candidate.design.boxes[k].gain));
    out["gains"] = gains;
    out["summary"] = jsonNumber(candidate.figures.summary);
    out["meanLevel1to8k"] = jsonNumber(candidate.figures.meanLevel1to8k);
    out["allZones"] = zoneFiguresJson(candidate.allZones);
    Json zones = Json::array();
    for (const ksr::ZoneFigures& zone : candidate.zones) zones.push_back(zoneFiguresJson(zone));
    out["zones"] = zones;
    Json bands = Json::array();
    for (int band = 1; band <= kBands; ++band) {
        const ksr::BandFigures& f = candidate.figures.band[static_cast<size_t>(band - 1)];
        Json entry;
        entry["band"] = band;
        entry["frequency"] = frequencyLabel(band);
        entry["group"] = bandGroup(band);
        entry["mean"] = jsonNumber(f.mean);
        entry["deviation"] = jsonNumber(f.deviation);
        entry["spread90to10"] = jsonNumber(f.spread90to10);
        entry["range"] = jsonNumber(f.range);
        entry["fittedSlope"] = jsonNumber(f.fittedSlope);
        entry["shareWithin3dB"] = jsonNumber(f.shareWithin3dB);
        bands.push_back(entry);
    }
    out["bands"] = bands;
    return out;
}

// Octave levels along the audience: the power sum of each octave's three
// bands, per receiver.
Json octaveCurves(const ksr::SplayCandidate& candidate) {
    Json curves;
    for (const int centre : kOctaveCentreBands) {
        Json levels = Json::array();
        for (const auto& row : candidate.level) {
            double power = 0.0;
            for (int band = centre - 1; band <= centre + 1; ++band) {
                power += std::pow(10.0, row[static_cast<size_t>(band - 1)] / 10.0);
            }
            levels.push_back(jsonNumber(power > 0.0 ? 10.0 * std::log10(power) : ksr::kSilentLevel));
        }
        curves[frequencyLabel(centre)] = levels;
    }
    return curves;
}

Json posesJson(const ksr::WorkingDesign& design, double trim) {
    Json poses = Json::array();
    for (const ksr::SplayBoxPose& pose : ksr::splayBoxPoses(design, trim)) {
        poses.push_back({{"distance", jsonNumber(pose.distance)},
                         {"height", jsonNumber(pose.height)},
                         {"elevation", jsonNumber(pose.elevation)}});
    }
    return poses;
}

// The request; "zones" lists every zone with its name and the weight the
// objective takes (the one-zone form's line as "audience").
Json requestJson(const ksr::SplayRequest& request, const std::vector<std::string>& zoneNames) {
    Json out;
    out["trim"] = jsonNumber(request.trim);
    const std::vector<ksr::SplayZone> zones = ksr::splayZones(request);
    if (request.zones.empty()) {
        out["near"] = jsonNumber(request.near);
        out["far"] = jsonNumber(request.far);
        out["floorNear"] = jsonNumber(request.floorNear);
        out["floorFar"] = jsonNumber(request.floorFar);
    }
    out["earHeight"] = jsonNumber(request.earHeight);
    out["slope"] = jsonNumber(request.slope);
    out["allowZeroSplay"] = request.allowZeroSplay;
    out["maxStep"] = jsonNumber(request.maxStep);
    out["shadeGains"] = request.shadeGains;
    Json list = Json::array();
    for (size_t z = 0; z < zones.size(); ++z) {
        list.push_back({{"name", z < zoneNames.size() ? zoneNames[z] : std::string("audience")},
                        {"near", jsonNumber(zones[z].near)},
                        {"far", jsonNumber(zones[z].far)},
                        {"floorNear", jsonNumber(zones[z].floorNear)},
                        {"floorFar", jsonNumber(zones[z].floorFar)},
                        {"weight", jsonNumber(ksr::zoneWeight(zones[z]))}});
    }
    out["zones"] = list;
    return out;
}

Json reportJson(const SplayInput& input, const ksr::SplayResult& result) {
    const ksr::SplayRequest& request = input.request;
    Json report;
    report["design"] = input.designSource;
    report["request"] = requestJson(request, input.zoneNames);
    report["receivers"] = result.proposal.distance.size();
    report["seconds"] = std::round(result.seconds * 1000.0) / 1000.0;
    report["evaluations"] = result.evaluations;
    report["cancelled"] = result.cancelled;
    report["unreached"] = result.unreached;
    const double constant = result.constantCurvature.figures.summary;
    report["ratioToConstantCurvature"] =
        constant > 0.0 ? jsonNumber(std::round(result.proposal.figures.summary / constant * 1000.0) / 1000.0) : Json();
    report["proposal"] = candidateJson(result.proposal);
    report["input"] = candidateJson(result.input);
    report["constantCurvature"] = candidateJson(result.constantCurvature);
    report["equalShare"] = candidateJson(result.equalShare);
    if (request.shadeGains) report["unshaded"] = candidateJson(result.unshaded);
    return report;
}

// What render_splay.py draws: the request, both arrays' boxes and the
// octave curves.
Json pictureJson(const SplayInput& input, const ksr::SplayResult& result) {
    const ksr::SplayRequest& request = input.request;
    Json picture;
    picture["request"] = requestJson(request, input.zoneNames);
    picture["distance"] = Json::array();
    for (const double d : result.proposal.distance) picture["distance"].push_back(jsonNumber(d));
    picture["zone"] = result.proposal.zone;
    Json zones = Json::array();
    for (const ksr::ZoneFigures& zone : result.proposal.zones) zones.push_back(zoneFiguresJson(zone));
    picture["zoneFigures"] = zones;
    const std::pair<const char*, const ksr::SplayCandidate*> shown[] = {
        {"proposal", &result.proposal}, {"constantCurvature", &result.constantCurvature}};
    for (const auto& [name, candidate] : shown) {
        Json entry;
        entry["summary"] = jsonNumber(candidate->figures.summary);
        entry["gains"] = candidateJson(*candidate)["gains"];
        entry["gridElevation"] = jsonNumber(candidate->design.gridElevation);
        entry["splays"] = anglesJson(candidate->design);
        entry["boxes"] = posesJson(candidate->design, request.trim);
        entry["octaves"] = octaveCurves(*candidate);
        picture[name] = entry;
    }
    return picture;
}

void writeJson(OutputFile& file, const Json& json) {
    file.stream() << json.dump(2) << "\n";
    file.finish();
}

// render_splay.py beside this program (an installed copy), else in the sources.
std::string rendererScript() {
#if defined(_WIN32)
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    const std::filesystem::path beside = std::filesystem::path(self).parent_path() / "render_splay.py";
#else
    std::error_code error;
    const std::filesystem::path beside =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path() / "render_splay.py";
#endif
    if (std::filesystem::exists(beside)) return beside.string();
    return KSRHOST_SPLAY_RENDERER_SOURCE;
}

void render(const std::string& data, const std::string& png) {
    const std::string script = rendererScript();
#if defined(_WIN32)
    const intptr_t status = _spawnlp(_P_WAIT, "python", "python", script.c_str(), data.c_str(), png.c_str(), nullptr);
#else
    // The system's Python, where matplotlib comes from the distribution, as
    // for the map; else the first python3 on the path.
    const pid_t child = fork();
    if (child == 0) {
        execl("/usr/bin/python3", "python3", script.c_str(), data.c_str(), png.c_str(), nullptr);
        execlp("python3", "python3", script.c_str(), data.c_str(), png.c_str(), nullptr);
        _exit(127);
    }
    int wait = 0;
    const int status = child > 0 && waitpid(child, &wait, 0) == child && WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
#endif
    if (status != 0) {
        throw FileError("--png: drawing with " + script + " failed (it needs Python 3 with matplotlib)");
    }
}

std::string anglesText(const ksr::WorkingDesign& design) {
    std::ostringstream text;
    text << "grid " << tidy(design.gridElevation) << ", splays";
    for (int32_t k = 1; k < design.boxCount; ++k) text << " " << tidy(design.boxes[k].differenceAngle);
    return text.str();
}

}  // namespace

CLI::App* addSplayCommand(CLI::App& design, SplayOptions& options) {
    CLI::App* command = design.add_subcommand(
        "splay",
        "Propose the grid elevation and splay angles of a design for an audience line, under the rigging rules: "
        "writes the design, and on request a report of its evenness against the input design and two baselines, "
        "and a picture (render_splay.py, Python 3 with matplotlib)");
    command->add_option("design", options.design,
                        "The design, JSON or .velt: box types, gains, box count (with --scene: the scene array's "
                        "design when left out)");
    command->add_option("--trim", options.trim,
                        "Height of the array's top rigging point above the floor datum, m (with --scene: the scene "
                        "array's height when left out)");
    command->add_option("--audience", options.audience,
                        "One zone: horizontal distances NEAR:FAR of the audience's edges from the array, m");
    command->add_option("--floor", options.floor, "Floor heights ZNEAR:ZFAR at the audience's edges, m (default 0:0)");
    command->add_option("--zone", options.zones,
                        "A straight run of seats NEAR:FAR:ZNEAR:ZFAR[:WEIGHT]: distances from the array's plumb "
                        "line and floor heights at each end, m; WEIGHT its share (default its length); 1 to 8 of "
                        "them");
    command->add_option("--scene", options.scene,
                        "A scene file: the zones are its audience areas cut by the vertical plane through the aim "
                        "of --array");
    command->add_option("--array", options.array, "The scene's array to splay, by name");
    command->add_flag("--shade", options.shade,
                      "Also choose each box's gain (0 to -12 dB in 0.5 dB steps), at most 1.5 dB below the "
                      "unshaded mean level and never less even");
    command->add_option("--ear-height", options.earHeight, "Ears above the floor, m")->capture_default_str();
    command->add_option("--slope", options.slope, "Target level change per doubling of distance, dB (0 to -3)")
        ->capture_default_str();
    command->add_flag("--allow-zero", options.allowZero, "Allow 0 degree splays below the top box");
    command->add_option("--max-step", options.maxStep, "Largest change between neighbouring splays, degrees")
        ->capture_default_str();
    command->add_option("-o,--output", options.output, "The proposed design, JSON")->required();
    command->add_option("--report", options.report, "The figures of all four designs, JSON");
    command->add_option("--png", options.png, "The side view and the level against distance per octave, PNG");
    return command;
}

void runSplay(const SplayOptions& options, std::ostream& out) {
    const SplayInput input = readInput(options);
    const HostDesign& given = input.design;
    const ksr::SplayRequest& request = input.request;
    if (const std::optional<std::string> problem = ksr::checkSplayRequest(given.working, request)) {
        throw HostError(*problem);
    }
    requireDistinctFiles(options.output, "-o", options.report, "--report");
    requireDistinctFiles(options.output, "-o", options.png, "--png");
    requireDistinctFiles(options.report, "--report", options.png, "--png");
    // Every output is reserved before the work starts, so that a bad path
    // fails at once; each replaces its predecessor only when all are written.
    OutputFile designFile(options.output, "-o", out);
    std::optional<OutputFile> reportFile;
    if (!options.report.empty()) reportFile.emplace(options.report, "--report", out);
    std::optional<OutputFile> picture, pictureData;
    if (!options.png.empty()) {
        picture.emplace(options.png, "--png", out, ".png");
        // What the renderer reads: a temporary file beside the picture, never
        // kept.
        pictureData.emplace(options.png + ".data.json", "--png", out, ".json");
    }

    const ksr::SplayResult result = ksr::autoSplay(given.working, request);

    HostDesign proposal = given;
    proposal.working = result.proposal.design;
    Json design = designToJson(proposal, proposal.working.boxCount);
    std::ostringstream name;
    if (request.zones.empty()) {
        name << "Auto-splay of " << input.designName << " for an audience from " << tidy(request.near) << " m to "
             << tidy(request.far) << " m, rigged at " << tidy(request.trim) << " m";
    } else {
        name << "Auto-splay of " << input.designName << " for " << request.zones.size()
             << (request.zones.size() == 1 ? " zone" : " zones") << ", rigged at " << tidy(request.trim) << " m";
    }
    design["name"] = name.str();
    writeJson(designFile, design);
    if (reportFile) writeJson(*reportFile, reportJson(input, result));
    if (picture) {
        writeJson(*pictureData, pictureJson(input, result));
        render(pictureData->temporaryPath(), picture->temporaryPath());
    }
    designFile.commit();
    if (reportFile) reportFile->commit();
    if (picture) picture->commit();

    const double constant = result.constantCurvature.figures.summary;
    out << std::fixed << std::setprecision(2);
    out << "Proposal:            " << anglesText(result.proposal.design) << "\n";
    out << "Summary (dB):        proposal " << result.proposal.figures.summary << ", input "
        << result.input.figures.summary << ", constant curvature " << constant << " ("
        << anglesText(result.constantCurvature.design) << "), equal share " << result.equalShare.figures.summary
        << "\n";
    out << "Mean level 1-8 kHz:  proposal " << result.proposal.figures.meanLevel1to8k << " dB, constant curvature "
        << result.constantCurvature.figures.meanLevel1to8k << " dB\n";
    for (size_t z = 0; z < input.zoneNames.size() && z < result.proposal.zones.size(); ++z) {
        const ksr::ZoneFigures& zone = result.proposal.zones[z];
        const std::string number = std::to_string(z + 1);
        const std::string& name = input.zoneNames[z];
        out << "Zone " << number << (name == "zone " + number ? std::string() : " (" + name + ")") << ": evenness " << zone.summary << " dB, "
            << std::showpos << zone.offset << std::noshowpos << " dB against the target, "
            << std::setprecision(0) << 100.0 * zone.shareWithin3dB << std::setprecision(2) << " % within 3 dB\n";
    }
    if (request.shadeGains) {
        out << "Shading:             evenness " << result.unshaded.figures.summary << " dB unshaded, "
            << result.proposal.figures.summary << " dB shaded; mean level " << std::showpos
            << result.proposal.figures.meanLevel1to8k - result.unshaded.figures.meanLevel1to8k << std::noshowpos
            << " dB; gains";
        for (int32_t k = 0; k < result.proposal.design.boxCount; ++k) out << " " << tidy(result.proposal.design.boxes[k].gain);
        out << "\n";
    }
    out << "Work:                " << result.evaluations << " designs evaluated in " << result.seconds << " s\n";
    for (const std::string& statement : result.unreached) out << "Not reached:         " << statement << "\n";
    out << "Wrote                " << options.output << "\n";
    if (reportFile) out << "Wrote                " << options.report << "\n";
    if (picture) out << "Drew                 " << options.png << "\n";
}

}  // namespace ksrhost
