// ksrhost predict: every component's response at one or more seats, and the
// array's sum per band, through the module's exports.

#include <cmath>
#include <fstream>
#include <iomanip>
#include <ostream>

#include <nlohmann/json.hpp>

#include "band_sums.h"
#include "commands.h"
#include "design_departures.h"
#include "host_error.h"
#include "model/model_data.h"
#include "text_values.h"

namespace ksrhost {

namespace {

using Json = nlohmann::ordered_json;

// Bands of the short summary: the octave centres 125 Hz to 8 kHz.
constexpr int kSummaryBands[] = {2, 5, 8, 11, 14, 17, 20};

struct SeatPrediction {
    Triple seat{};
    // Per component: a type without measured data (8, 9), whose levels are
    // the module's floor for "no sound", not a level; shown as silent.
    std::vector<bool> silent;
    float distance = 0.0f;  // from the array's reference point (CI_GetDistance)
    std::vector<ComponentResponse> components;
    std::vector<float> componentDistances;
    BandValues power{}, complexLevel{}, complexPhase{};
    double powerA = 0.0, complexA = 0.0;
};

SeatPrediction predictSeat(const LoadedModule& module, HostArray& array, const Triple& seat) {
    SeatPrediction p;
    p.seat = seat;
    const std::span<const ComponentResponse> responses = array.respond(seat);
    p.components.assign(responses.begin(), responses.end());
    p.distance = module.exports().CI_GetDistance();
    for (const ComponentResponse& r : p.components) {
        p.componentDistances.push_back(array.componentDistance(r.component));
        const int32_t type = array.appliedRecord().boxes[static_cast<size_t>(r.component - 1)].boxType;
        p.silent.push_back(!(type >= 0 && type < ksr::kModelDataIdCount));
    }
    for (int band = 1; band <= kBands; ++band) {
        const size_t i = static_cast<size_t>(band - 1);
        p.power[i] = powerSum(p.components, band);
        const ComplexSum sum = complexSum(p.components, band);
        p.complexLevel[i] = sum.level;
        p.complexPhase[i] = sum.phase;
    }
    p.powerA = aWeightedTotal(p.power);
    p.complexA = aWeightedTotal(p.complexLevel);
    return p;
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

std::string point(const Triple& p) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(2) << "(" << p[0] << ", " << p[1] << ", " << p[2] << ")";
    return text.str();
}

void printTable(const std::vector<SeatPrediction>& seats, std::ostream& out) {
    out << std::fixed;
    for (size_t s = 0; s < seats.size(); ++s) {
        const SeatPrediction& p = seats[s];
        out << "Seat " << s + 1 << " at " << point(p.seat) << " m, " << std::setprecision(2) << p.distance
            << " m from the array\n";
        auto header = [&](const char* what) {
            out << std::left << std::setw(12) << what << std::right;
            for (const ComponentResponse& r : p.components) out << std::setw(8) << ("C" + std::to_string(r.component));
            out << std::setw(9) << "power" << std::setw(9) << "complex" << "\n";
        };
        header("level dB");
        for (int band = 1; band <= kBands; ++band) {
            const size_t i = static_cast<size_t>(band - 1);
            out << std::setw(3) << band << std::setw(6) << frequencyLabel(band) << " Hz" << std::setprecision(1);
            for (size_t c = 0; c < p.components.size(); ++c) {
                if (p.silent[c]) {
                    out << std::setw(8) << "silent";
                } else {
                    out << std::setw(8) << p.components[c].level[i];
                }
            }
            out << std::setw(9) << p.power[i] << std::setw(9) << p.complexLevel[i] << "\n";
        }
        out << std::left << std::setw(12) << "dB(A)" << std::right << std::setw(8 * static_cast<int>(p.components.size()))
            << "" << std::setw(9) << p.powerA << std::setw(9) << p.complexA << "\n";
        out << std::left << std::setw(12) << "delay ms" << std::right << std::setprecision(2);
        for (const ComponentResponse& r : p.components) out << std::setw(8) << r.delay * 1000.0;
        out << "\n" << std::left << std::setw(12) << "distance m" << std::right;
        for (const float d : p.componentDistances) out << std::setw(8) << d;
        out << "\n";
        header("phase rad");
        for (int band = 1; band <= kBands; ++band) {
            const size_t i = static_cast<size_t>(band - 1);
            out << std::setw(3) << band << std::setw(6) << frequencyLabel(band) << " Hz" << std::setprecision(3);
            for (size_t c = 0; c < p.components.size(); ++c) {
                if (p.silent[c]) {
                    out << std::setw(8) << "-";
                } else {
                    out << std::setw(8) << p.components[c].phase[i];
                }
            }
            out << std::setw(9) << "" << std::setw(9) << p.complexPhase[i] << "\n";
        }
        out << "\n";
    }
}

void printSummary(const std::vector<SeatPrediction>& seats, bool coherent, std::ostream& out) {
    out << (coherent ? "Complex sum" : "Power sum") << " of the array, dB\n";
    out << std::left << std::setw(26) << "seat x, y, z (m)" << std::right << std::setw(9) << "dist m" << std::setw(8)
        << "dB(A)";
    for (const int band : kSummaryBands) out << std::setw(7) << frequencyLabel(band);
    out << "\n" << std::fixed;
    for (const SeatPrediction& p : seats) {
        const BandValues& levels = coherent ? p.complexLevel : p.power;
        out << std::left << std::setw(26) << point(p.seat) << std::right << std::setprecision(1) << std::setw(9)
            << p.distance << std::setw(8) << (coherent ? p.complexA : p.powerA);
        for (const int band : kSummaryBands) out << std::setw(7) << levels[static_cast<size_t>(band - 1)];
        out << "\n";
    }
}

void printCsv(const std::vector<SeatPrediction>& seats, std::ostream& out) {
    out << "seat,x_m,y_m,z_m,component,band,centre_hz,level_db,phase_rad,delay_s,distance_m\n";
    out << std::setprecision(9);
    for (size_t s = 0; s < seats.size(); ++s) {
        const SeatPrediction& p = seats[s];
        auto prefix = [&]() -> std::ostream& {
            return out << s + 1 << "," << p.seat[0] << "," << p.seat[1] << "," << p.seat[2] << ",";
        };
        for (size_t c = 0; c < p.components.size(); ++c) {
            const ComponentResponse& r = p.components[c];
            for (int band = 1; band <= kBands; ++band) {
                const size_t i = static_cast<size_t>(band - 1);
                // A silent component has no level or phase: both fields stay empty.
                prefix() << r.component << "," << band << "," << bandCentreFrequency(band) << ",";
                if (p.silent[c]) {
                    out << ",";
                } else {
                    out << r.level[i] << "," << r.phase[i];
                }
                out << "," << r.delay << "," << p.componentDistances[c] << "\n";
            }
        }
        for (int band = 1; band <= kBands; ++band) {
            const size_t i = static_cast<size_t>(band - 1);
            prefix() << "power," << band << "," << bandCentreFrequency(band) << "," << p.power[i] << ",,,\n";
            prefix() << "complex," << band << "," << bandCentreFrequency(band) << "," << p.complexLevel[i] << ","
                     << p.complexPhase[i] << ",,\n";
        }
        prefix() << "power,A,," << p.powerA << ",,,\n";
        prefix() << "complex,A,," << p.complexA << ",,,\n";
    }
}

Json bandsJson(const auto& values) {
    Json list = Json::array();
    for (const auto v : values) list.push_back(static_cast<double>(v));
    return list;
}

Json predictionJson(const LoadedModule& module, const Scene& scene, const AppliedAir& air, const HostArray& array,
                    const std::vector<SeatPrediction>& seats) {
    Json root;
    root["module"] = module.path();
    root["design"] = designToJson(scene.design, scene.design.working.boxCount);
    Json applied = Json::array();
    for (int32_t c = 0; c < array.componentCount(); ++c) applied.push_back(array.appliedRecord().boxes[c].boxType);
    root["appliedTypes"] = applied;
    root["array"] = {{"position", bandsJson(scene.placement.position)}, {"angles", bandsJson(scene.placement.angles)}};
    root["air"] = {{"speedOfSound", air.air.speedOfSound},
                   {"humidity", air.air.humidity},
                   {"temperature", air.air.temperature},
                   {"pressure", air.air.pressure},
                   {"absorption", air.air.absorption}};
    Json centres = Json::array();
    for (int band = 1; band <= kBands; ++band) centres.push_back(bandCentreFrequency(band));
    root["bandCentresHz"] = centres;
    Json list = Json::array();
    for (const SeatPrediction& p : seats) {
        Json seat;
        seat["position"] = bandsJson(p.seat);
        seat["distance"] = p.distance;
        Json components = Json::array();
        for (size_t c = 0; c < p.components.size(); ++c) {
            const ComponentResponse& r = p.components[c];
            components.push_back({{"component", r.component},
                                  {"distance", p.componentDistances[c]},
                                  {"delay", r.delay},
                                  {"silent", static_cast<bool>(p.silent[c])},
                                  {"levels", p.silent[c] ? Json(nullptr) : bandsJson(r.level)},
                                  {"phases", p.silent[c] ? Json(nullptr) : bandsJson(r.phase)}});
        }
        seat["components"] = components;
        seat["powerSum"] = {{"levels", bandsJson(p.power)}, {"aWeighted", p.powerA}};
        seat["complexSum"] = {
            {"levels", bandsJson(p.complexLevel)}, {"phases", bandsJson(p.complexPhase)}, {"aWeighted", p.complexA}};
        list.push_back(seat);
    }
    root["seats"] = list;
    return root;
}

}  // namespace

CLI::App* addPredictCommand(CLI::App& app, PredictOptions& options) {
    CLI::App* command = app.add_subcommand(
        "predict",
        "Per seat and component the 21 band levels (dB), phases (rad) and the delay (s), and the array's power and "
        "complex sums per band, through the module's exports.");
    addSceneOptions(*command, options.scene);
    command->add_flag("--strict", options.strict, "Refuse a design that departs from the design rules (exit 1)");
    command->add_option("--seat", options.seats, "A listener, host metres x,y,z; give one or more")->required();
    command->add_option("--format", options.format, "table, summary (one line per seat), csv or json")
        ->check(CLI::IsMember({"table", "summary", "csv", "json"}))
        ->capture_default_str();
    command->add_option("--sum", options.sum, "Sum shown by the summary: complex or power")
        ->check(CLI::IsMember({"complex", "power"}))
        ->capture_default_str();
    command->add_option("-o,--output", options.output, "Write to this file instead of the standard output");
    return command;
}

void runPredict(const LoadedModule& module, const PredictOptions& options, std::ostream& out) {
    module.require({"CI_GetDistance"});
    const Scene scene = readScene(options.scene);
    reportDepartures(scene.design, options.scene.design, options.strict);
    std::vector<Triple> seats;
    for (const std::string& text : options.seats) seats.push_back(parseTriple(text, "--seat"));

    const AppliedAir air = applyAir(module, scene.air);
    reportNotes(air.notes);
    HostArray array(module, toSetupRecord(scene.design), scene.placement);
    std::vector<SeatPrediction> predictions;
    for (const Triple& seat : seats) predictions.push_back(predictSeat(module, array, seat));

    std::ofstream file;
    if (!options.output.empty()) {
        file.open(options.output, std::ios::binary);
        if (!file) throw HostError("cannot write '" + options.output + "'");
    }
    std::ostream& sink = options.output.empty() ? out : file;
    if (options.format == "json") {
        sink << predictionJson(module, scene, air, array, predictions).dump(2) << "\n";
    } else if (options.format == "csv") {
        printCsv(predictions, sink);
    } else if (options.format == "summary") {
        printSummary(predictions, options.sum == "complex", sink);
    } else {
        printTable(predictions, sink);
    }
    if (!options.output.empty() && !file.flush()) throw HostError("cannot write '" + options.output + "'");
}

}  // namespace ksrhost
