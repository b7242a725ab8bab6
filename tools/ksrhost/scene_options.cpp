// The options predict and map share: the design or scene, the array's
// placement and the air.

#include <cmath>
#include <iostream>

#include "commands.h"
#include "design/design_rules.h"
#include "host_error.h"
#include "text_values.h"
#include "velt_files.h"

namespace ksrhost {

namespace {

constexpr double kMaxAirValue = 1e6;

bool isJsonScene(const std::string& path, std::string& text) {
    if (isVeltPath(path)) return false;
    text = readTextFile(path, "design or scene file");
    return isSceneJson(text);
}

}  // namespace

void addSceneOptions(CLI::App& command, SceneOptions& options) {
    command.add_option("design", options.source,
                       "Design file (JSON, or a .velt exchange file imported as the design dialog's Import does it), "
                       "or a scene file (JSON with \"arrays\", see README)")
        ->required();
    command.add_option("--array-position", options.arrayPosition,
                       "Reference point of the array, host metres x,y,z (z up): the top rigging point of a flown array "
                       "(default 0,0,10), the point a ground stack stands on (default 0,0,0)");
    command.add_option("--array-angles", options.arrayAngles,
                       "Array orientation in degrees: turn about the vertical (0 aims along -y, 90 along +x), raise, "
                       "roll (default: 0,GRID,0 flown; 0,-GRID,180 ground stacked, the stack upside down)");
    command.add_option("--grid-elevation", options.gridElevation,
                       "Grid elevation in degrees, replacing the design's (an exchange file carries none)");
    command.add_option("--speed-of-sound", options.speedOfSound, "m/s (the module keeps 100..1000; default 343)");
    command.add_option("--humidity", options.humidity, "Relative humidity, percent (20..100; default 60)");
    command.add_option("--temperature", options.temperature, "Air temperature, degrees Celsius (-100..100; default 20)");
    command.add_option("--pressure", options.pressure, "Air pressure, hPa (100..2000; default 1013)");
    command.add_flag("--no-air-absorption", options.noAirAbsorption, "Leave out air absorption (host flag 1)");
}

Scene readScene(const SceneOptions& options) {
    Scene scene;
    std::string text;
    if (isJsonScene(options.source, text)) {
        const std::pair<const char*, const std::string*> placement[] = {{"--array-position", &options.arrayPosition},
                                                                       {"--array-angles", &options.arrayAngles},
                                                                       {"--grid-elevation", &options.gridElevation}};
        for (const auto& [option, value] : placement) {
            if (!value->empty()) {
                throw HostError(std::string(option) + ": the scene file '" + options.source +
                                "' places its arrays; give this in the scene file instead");
            }
        }
        scene = parseSceneJson(text, options.source);
    } else {
        SceneArray array;
        array.source = options.source;
        array.name = options.source;
        array.design = isVeltPath(options.source) ? importVeltFile(options.source)
                                                  : parseDesignJson(text, options.source);
        ksr::WorkingDesign& w = array.design.working;
        if (!options.gridElevation.empty()) {
            const double grid = parseNumber(options.gridElevation, "--grid-elevation");
            if (std::fabs(grid) > 180.0) {
                throw HostError("--grid-elevation: expected degrees within -180..180, got '" + options.gridElevation +
                                "'");
            }
            w.gridElevation = static_cast<float>(grid);
            ksr::recomputeElevations(w);
        }
        const char* defaultPosition = w.groundStacked != 0 ? "0,0,0" : "0,0,10";
        array.placement.position = parsePoint(
            options.arrayPosition.empty() ? std::string(defaultPosition) : options.arrayPosition, "--array-position");
        array.placement.angles = options.arrayAngles.empty() ? conventionAngles(array.design)
                                                             : parseAngles(options.arrayAngles, "--array-angles");
        scene.arrays.push_back(std::move(array));
    }

    const std::pair<const char*, std::pair<const std::string*, float*>> air[] = {
        {"--speed-of-sound", {&options.speedOfSound, &scene.air.speedOfSound}},
        {"--humidity", {&options.humidity, &scene.air.humidity}},
        {"--temperature", {&options.temperature, &scene.air.temperature}},
        {"--pressure", {&options.pressure, &scene.air.pressure}}};
    for (const auto& [option, value] : air) {
        if (value.first->empty()) continue;
        const double number = parseNumber(*value.first, option);
        if (std::fabs(number) > kMaxAirValue) {
            throw HostError(std::string(option) + ": expected a number within -1000000..1000000, got '" +
                            *value.first + "'");
        }
        *value.second = static_cast<float>(number);
    }
    if (options.noAirAbsorption) scene.air.absorption = false;
    return scene;
}

void reportNotes(const std::vector<std::string>& notes) {
    for (const std::string& note : notes) std::cerr << "ksrhost: note: " << note << "\n";
}

}  // namespace ksrhost
