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
#include "scene.h"

namespace ksrhost {

// What predict and map share: the design or scene, where the array stands
// and the air. Empty texts are options not given.
struct SceneOptions {
    std::string source;  // a design (JSON or .velt) or a scene file (JSON with "arrays")
    std::string arrayPosition;  // default: 0,0,10 flown, 0,0,0 ground stacked
    std::string arrayAngles;    // default: the placement convention of scene.h
    std::string gridElevation;  // default: the design's
    std::string speedOfSound, humidity, temperature, pressure;  // default: the scene's, else the module's
    bool noAirAbsorption = false;
};

void addSceneOptions(CLI::App& command, SceneOptions& options);
// The scene the options describe: a scene file with the air options
// applied, or one array of the design placed by the options.
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
    std::string seatsFile;
    std::string format = "table";
    std::string sum = "complex";
    std::string output = "-";  // standard output
    bool strict = false;  // departures from the design rules are errors, not warnings
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
    bool strict = false;  // departures from the design rules are errors, not warnings
    bool plane = false;
    std::vector<std::string> areas;  // X0:X1,Y0:Y1[,Z]
    double earHeight = 1.2;
    std::string resolution = "0.5";
    std::vector<std::string> sectionOptionsGiven;  // of --grid, --distance, ...: the section's alone
};
CLI::App* addMapCommand(CLI::App& app, MapOptions& options);
void runMap(const LoadedModule& module, const MapOptions& options, std::ostream& out);

struct VeltOptions {
    std::string file;
    std::string design;
    int version = 2;
    std::string gridElevation;  // import: degrees; empty: the file's (none, so 0) with a note
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
    std::string design;  // may be left out with a scene: the scene array's design
    std::string trim;    // may be left out with a scene: the scene array's height
    std::string audience;
    std::string floor;
    std::vector<std::string> zones;  // NEAR:FAR:ZNEAR:ZFAR[:WEIGHT] each
    std::string scene;               // a scene file whose audience areas give the zones
    std::string array;               // the scene's array, by name
    bool shade = false;
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
