// The options predict and map share: design, array placement and air.

#include <cmath>
#include <iostream>

#include "commands.h"
#include "host_error.h"
#include "text_values.h"

namespace ksrhost {

void addSceneOptions(CLI::App& command, SceneOptions& options) {
    command.add_option("design", options.design, "Design file: JSON, or a .velt exchange file imported as the "
                                                 "design dialog's Import does it")
        ->required();
    command.add_option("--array-position", options.arrayPosition,
                       "Top rigging point of the array, host metres x,y,z (z up)")
        ->capture_default_str();
    command.add_option("--array-angles", options.arrayAngles,
                       "Array orientation in degrees: turn about the vertical (0 aims along -y, 90 along +x), "
                       "raise, roll (default: 0, the design's grid elevation, 0)");
    command.add_option("--speed-of-sound", options.speedOfSound, "m/s (the module keeps 100..1000)")
        ->capture_default_str();
    command.add_option("--humidity", options.humidity, "Relative humidity, percent (20..100)")->capture_default_str();
    command.add_option("--temperature", options.temperature, "Air temperature, degrees Celsius (-100..100)")
        ->capture_default_str();
    command.add_option("--pressure", options.pressure, "Air pressure, hPa (100..2000)")->capture_default_str();
    command.add_flag("--no-air-absorption", options.noAirAbsorption, "Leave out air absorption (host flag 1)");
}

Scene readScene(const SceneOptions& options) {
    Scene scene;
    scene.design = readDesignFile(options.design);
    scene.placement.position = parseTriple(options.arrayPosition, "--array-position");
    // The grid elevation does not turn the array's own frame: a host sets
    // the same vertical angle on the array, as the design dialog asks.
    scene.placement.angles = options.arrayAngles.empty()
                                 ? Triple{0.0f, scene.design.working.gridElevation, 0.0f}
                                 : parseTriple(options.arrayAngles, "--array-angles");
    const std::pair<const char*, double> air[] = {{"--speed-of-sound", options.speedOfSound},
                                                  {"--humidity", options.humidity},
                                                  {"--temperature", options.temperature},
                                                  {"--pressure", options.pressure}};
    for (const auto& [option, value] : air) {
        if (!std::isfinite(value) || std::fabs(value) > 1e6) {
            throw HostError(std::string(option) + ": expected a finite number, got " + std::to_string(value));
        }
    }
    scene.air = {static_cast<float>(options.speedOfSound), static_cast<float>(options.humidity),
                 static_cast<float>(options.temperature), static_cast<float>(options.pressure),
                 !options.noAirAbsorption};
    return scene;
}

void reportNotes(const std::vector<std::string>& notes) {
    for (const std::string& note : notes) std::cerr << "ksrhost: note: " << note << "\n";
}

}  // namespace ksrhost
