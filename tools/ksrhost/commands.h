#pragma once
// The sub-commands of ksrhost. Each adds its options to the command line and
// runs on the parsed values; output goes to the stream it is given, failures
// the user can act on are HostErrors.

#include <iosfwd>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "host_design.h"
#include "host_session.h"
#include "module_loader.h"

namespace ksrhost {

// What predict and map share: the design, where the array hangs and the air.
struct SceneOptions {
    std::string design;
    std::string arrayPosition = "0,0,10";
    std::string arrayAngles;  // default: 0, the design's grid elevation, 0
    double speedOfSound = 343.0, humidity = 60.0, temperature = 20.0, pressure = 1013.0;
    bool noAirAbsorption = false;
};

struct Scene {
    HostDesign design;
    ArrayPlacement placement;
    Air air;
};

void addSceneOptions(CLI::App& command, SceneOptions& options);
Scene readScene(const SceneOptions& options);

// Notes about values the module changed, to the error stream.
void reportNotes(const std::vector<std::string>& notes);

struct InfoOptions {
    bool json = false;
};
CLI::App* addInfoCommand(CLI::App& app, InfoOptions& options);
void runInfo(const LoadedModule& module, const InfoOptions& options, std::ostream& out);

struct PredictOptions {
    SceneOptions scene;
    std::vector<std::string> seats;
    std::string format = "table";
    std::string sum = "complex";
    std::string output;
};
CLI::App* addPredictCommand(CLI::App& app, PredictOptions& options);
void runPredict(const LoadedModule& module, const PredictOptions& options, std::ostream& out);

struct MapOptions {
    SceneOptions scene;
    std::string band = "A";
    std::string sum = "complex";
    std::string distance = "-2:40";  // from just behind the array
    std::string height;  // default: from the floor to 4 m above the array
    std::string grid = "200x100";
    std::string line;    // default: 1.2 m above the floor along the section
    int linePoints = 200;
    std::string output = "coverage";
    std::string png;
};
CLI::App* addMapCommand(CLI::App& app, MapOptions& options);
void runMap(const LoadedModule& module, const MapOptions& options, std::ostream& out);

struct VeltOptions {
    std::string file;
    std::string design;
    int version = 2;
};
// Adds "velt" with its "import" and "export" sub-commands.
struct VeltCommands {
    CLI::App* import = nullptr;
    CLI::App* exportFile = nullptr;
};
VeltCommands addVeltCommands(CLI::App& app, VeltOptions& options);
void runVeltImport(const VeltOptions& options, std::ostream& out);
void runVeltExport(const VeltOptions& options, std::ostream& out);

struct DesignOptions {
    std::string design;
};
// Adds "design" with its "check" sub-command.
CLI::App* addDesignCommands(CLI::App& app, DesignOptions& options);
void runDesignCheck(const DesignOptions& options, std::ostream& out);

struct SplayOptions {
    std::string design;
    std::string trim;
    std::string audience;
    std::string floor;
    std::string earHeight = "1.2";
    std::string slope = "0";
    bool allowZero = false;
    std::string maxStep = "2";
    std::string output;
    std::string report;
    std::string png;
};
// Adds "splay" to the "design" command.
CLI::App* addSplayCommand(CLI::App& design, SplayOptions& options);
void runSplay(const SplayOptions& options, std::ostream& out);

}  // namespace ksrhost
