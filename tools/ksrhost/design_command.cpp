// ksrhost design check: the rigging rules of the design dialog on a design
// (portable core, no export of the module).

#include <ostream>

#include "commands.h"
#include "design/design_rules.h"

namespace ksrhost {

CLI::App* addDesignCommands(CLI::App& app, DesignOptions& options) {
    CLI::App* design = app.add_subcommand("design", "The design dialog's rigging rules (through the module's core)");
    design->require_subcommand(1);
    CLI::App* check = design->add_subcommand(
        "check",
        "Print {\"passes\", \"unchanged\", \"repaired\"}: whether every neighbour pair may follow, whether no splay "
        "angle had to be clamped, and the design repaired by the rules (all 16 boxes)");
    check->add_option("design", options.design, "The design, JSON")->required();
    return check;
}

void runDesignCheck(const DesignOptions& options, std::ostream& out) {
    const HostDesign given = readDesignFile(options.design);
    ksr::WorkingDesign checked = given.working;
    const ksr::StackingCheck check = ksr::checkStacking(checked);

    HostDesign repaired = given;
    ksr::enforceStacking(repaired.working, ksr::ClampAngles::all);
    ksr::recomputeElevations(repaired.working);

    nlohmann::ordered_json result;
    result["passes"] = check.passes;
    result["unchanged"] = check.anglesUnchanged;
    result["repaired"] = designToJson(repaired, ksr::kMaxBoxes);
    out << result.dump(2) << "\n";
}

}  // namespace ksrhost
