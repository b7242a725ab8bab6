// ksrhost velt import / export: exchange files as the design dialog's Import
// and Export buttons treat them (portable core, no export of the module).

#include <cmath>
#include <iostream>
#include <ostream>

#include "commands.h"
#include "design/design_rules.h"
#include "host_error.h"
#include "text_values.h"
#include "velt_files.h"

namespace ksrhost {

namespace {

// The largest grid elevation taken, degrees; a design file allows the same.
constexpr double kMaxGridElevation = 180.0;

}  // namespace

VeltCommands addVeltCommands(CLI::App& app, VeltOptions& options) {
    CLI::App* velt = app.add_subcommand("velt", "VELT exchange files (*.velt), read and written as the design "
                                                "dialog's Import and Export do (through the module's core)");
    velt->require_subcommand(1);
    VeltCommands commands;
    commands.import = velt->add_subcommand(
        "import", "Print the design (JSON) that the dialog's Import makes from FILE, starting from the default design");
    commands.import->add_option("file", options.file, "The .velt file")->required();
    commands.import->add_option("--grid-elevation", options.gridElevation,
                                "Grid elevation of the design, whole degrees (-180..180): the exchange file carries "
                                "none, so without this option it is 0");
    commands.exportFile = velt->add_subcommand(
        "export", "Write DESIGN.json into FILE as the dialog's Export does: over an existing file only its main "
                  "array changes; a new file starts from the built-in template");
    commands.exportFile->add_option("design", options.design, "The design, JSON")->required();
    commands.exportFile->add_option("file", options.file, "The .velt file to write")->required();
    commands.exportFile->add_option("--version", options.version, "2: VELT current, 1: VELT v2.1")
        ->check(CLI::IsMember({1, 2}))
        ->capture_default_str();
    return commands;
}

void runVeltImport(const VeltOptions& options, std::ostream& out) {
    HostDesign design = importVeltFile(options.file);
    if (options.gridElevation.empty()) {
        std::cerr << "ksrhost: note: " << options.file
                  << ": the exchange file carries no grid elevation; the design has grid 0 (give --grid-elevation "
                     "DEG for the angle the array hangs at)\n";
    } else {
        const double grid = parseNumber(options.gridElevation, "--grid-elevation");
        if (std::fabs(grid) > kMaxGridElevation || grid != std::trunc(grid)) {
            throw HostError("--grid-elevation: expected whole degrees -180..180 (the design dialog keeps whole "
                            "degrees), got '" + options.gridElevation + "'");
        }
        design.working.gridElevation = static_cast<float>(grid);
        ksr::recomputeElevations(design.working);
    }
    out << designToJson(design, design.working.boxCount).dump(2) << "\n";
}

void runVeltExport(const VeltOptions& options, std::ostream& out) {
    const HostDesign design = parseDesignJson(readTextFile(options.design, "design file"), options.design);
    exportVeltFile(design, options.file, options.version);
    if (design.working.gridElevation != 0.0f) {
        std::cerr << "ksrhost: note: " << options.file << ": the exchange file carries no grid elevation; "
                  << tidy(design.working.gridElevation) << " degrees is not written (give --grid-elevation to velt "
                  << "import when reading it back)\n";
    }
    out << "Wrote " << options.file << ": " << design.working.boxCount << " boxes, "
        << (design.working.groundStacked != 0 ? "ground stacked" : "flown") << "\n";
}

}  // namespace ksrhost
