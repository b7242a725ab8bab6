// ksrhost design check: the design dialog's rules on a design (portable
// core, no export of the module).

#include <ostream>

#include "commands.h"
#include "design_departures.h"
#include "host_error.h"

namespace ksrhost {

CLI::App* addDesignCommands(CLI::App& app, DesignOptions& options) {
    CLI::App* design = app.add_subcommand("design", "The design dialog's rules (through the module's core)");
    design->require_subcommand(1);
    CLI::App* check = design->add_subcommand(
        "check",
        "Print {\"passes\", \"departures\", \"repaired\"}: whether the design keeps every rule of the design dialog "
        "(stacking, splay angles, one preset, gain steps, whole-degree grid, boxCount), each departure with its box, "
        "rule, value and what the rules make of it, and the design as the dialog keeps it (boxCount boxes). Each "
        "departure is also a warning on standard error; exit status 1 when there is any.");
    check->add_option("design", options.design, "The design, JSON or .velt")->required();
    return check;
}

void runDesignCheck(const DesignOptions& options, std::ostream& out) {
    const HostDesign given = readDesignFile(options.design);
    const DesignReview review = reviewDesign(given);

    nlohmann::ordered_json departures = nlohmann::ordered_json::array();
    for (const Departure& d : review.departures) {
        nlohmann::ordered_json entry;
        if (d.box >= 0) entry["box"] = d.box;
        entry["field"] = d.field;
        entry["rule"] = d.rule;
        entry["value"] = jsonNumber(d.value);
        entry["ruled"] = jsonNumber(d.ruled);
        entry["message"] = d.message;
        departures.push_back(entry);
    }
    nlohmann::ordered_json result;
    result["passes"] = review.passes();
    result["departures"] = departures;
    result["repaired"] = designToJson(review.ruled, review.ruled.working.boxCount);
    out << result.dump(2) << "\n";
    out.flush();
    warnDepartures(review, options.design);
    if (!review.passes()) {
        throw HostError(options.design + ": does not pass: " + std::to_string(review.departures.size()) +
                        " departure(s) from the design rules");
    }
}

}  // namespace ksrhost
