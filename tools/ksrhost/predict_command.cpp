// ksrhost predict: every component's response at one or more seats, and the
// sum of every array of the scene per band, through the module's exports.

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "band_sums.h"
#include "block_pipeline.h"
#include "commands.h"
#include "design_departures.h"
#include "host_error.h"
#include "memory_use.h"
#include "model/model_data.h"
#include "output_file.h"
#include "progress.h"
#include "scene_sound.h"
#include "seat_sums.h"
#include "seats_file.h"
#include "text_values.h"

namespace ksrhost {

namespace {

using Json = nlohmann::ordered_json;

constexpr SumKind kSums[] = {SumKind::power, SumKind::complex, SumKind::tone};

struct SeatPrediction {
    NamedSeat seat;
    std::vector<float> arrayDistances;  // from each array's reference point (CI_GetDistance)
    std::vector<ComponentResponse> components;
    std::vector<size_t> componentArrays;  // 0-based array of each component
    // Per component: a type without measured data (8, 9), whose levels are
    // the module's floor for "no sound", not a level; shown as silent.
    std::vector<bool> silent;
    std::vector<float> componentDistances;
    BandValues power{}, complexLevel{}, toneLevel{}, tonePhase{};
    double powerA = 0.0, complexA = 0.0, toneA = 0.0;

    const BandValues& levels(SumKind kind) const {
        return kind == SumKind::power ? power : kind == SumKind::tone ? toneLevel : complexLevel;
    }
    double aWeighted(SumKind kind) const {
        return kind == SumKind::power ? powerA : kind == SumKind::tone ? toneA : complexA;
    }
    float nearestArray() const { return *std::min_element(arrayDistances.begin(), arrayDistances.end()); }
};

// The module's answers for one seat: on the thread that owns the module.
SeatPrediction gatherSeat(SceneSound& sound, const NamedSeat& seat) {
    SeatPrediction p;
    p.seat = seat;
    const std::span<const ComponentResponse> responses = sound.respond(seat.position);
    p.components.assign(responses.begin(), responses.end());
    for (size_t i = 0; i < responses.size(); ++i) p.componentArrays.push_back(sound.arrayOf(i));
    for (size_t a = 0; a < sound.arrayCount(); ++a) p.arrayDistances.push_back(sound.array(a).referenceDistance());
    for (size_t i = 0; i < p.components.size(); ++i) {
        const HostArray& array = sound.array(p.componentArrays[i]);
        p.componentDistances.push_back(array.componentDistance(p.components[i].component));
        const int32_t type = array.appliedRecord().boxes[static_cast<size_t>(p.components[i].component - 1)].boxType;
        p.silent.push_back(!(type >= 0 && type < ksr::kModelDataIdCount));
    }
    return p;
}

// The sums of a gathered seat: on any thread.
void sumSeat(SeatPrediction& p) {
    p.power = seatBandLevels(p.components, SumKind::power);
    p.complexLevel = seatBandLevels(p.components, SumKind::complex);
    const ToneSums tone = seatToneSums(p.components);
    p.toneLevel = tone.level;
    p.tonePhase = tone.phase;
    p.powerA = aWeightedTotal(p.power);
    p.complexA = aWeightedTotal(p.complexLevel);
    p.toneA = aWeightedTotal(p.toneLevel);
}

std::string point(const Triple& p) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(2) << "(" << p[0] << ", " << p[1] << ", " << p[2] << ")";
    return text.str();
}

// "C3" for one array, "2:C3" for component 3 of the second array.
std::string componentLabel(const SeatPrediction& p, size_t i, size_t arrays) {
    const std::string component = "C" + std::to_string(p.components[i].component);
    return arrays == 1 ? component : std::to_string(p.componentArrays[i] + 1) + ":" + component;
}

// One seat's block of the table; s counts the seats from 0.
void printTableSeat(const SeatPrediction& p, size_t s, const Scene& scene, std::ostream& out) {
    out << std::fixed;
    const size_t arrays = scene.arrays.size();
    out << "Seat " << s + 1 << (p.seat.name.empty() ? "" : " (" + p.seat.name + ")") << " at "
        << point(p.seat.position) << " m, " << std::setprecision(2);
    if (arrays == 1) {
        out << p.arrayDistances[0] << " m from the array\n";
    } else {
        out << "from the arrays:";
        for (size_t a = 0; a < arrays; ++a) out << " " << a + 1 << " " << scene.arrays[a].name << " " << p.arrayDistances[a] << " m;";
        out << "\n";
    }
    auto header = [&](const char* what, bool sums) {
        out << std::left << std::setw(16) << what << std::right;
        for (size_t i = 0; i < p.components.size(); ++i) out << std::setw(8) << componentLabel(p, i, arrays);
        if (sums) out << std::setw(9) << "power" << std::setw(9) << "complex" << std::setw(9) << "tone";
        out << "\n";
    };
    header("level dB", true);
    for (int band = 1; band <= kBands; ++band) {
        const size_t i = static_cast<size_t>(band - 1);
        out << std::setw(3) << band << std::setw(13) << frequencyText(nominalCentreFrequency(band))
            << std::setprecision(1);
        for (size_t c = 0; c < p.components.size(); ++c) {
            if (p.silent[c]) {
                out << std::setw(8) << "silent";
            } else {
                out << std::setw(8) << p.components[c].level[i];
            }
        }
        out << std::setw(9) << p.power[i] << std::setw(9) << p.complexLevel[i] << std::setw(9) << p.toneLevel[i]
            << "\n";
    }
    out << std::left << std::setw(16) << "dB(A)" << std::right
        << std::setw(8 * static_cast<int>(p.components.size())) << "" << std::setw(9) << p.powerA << std::setw(9)
        << p.complexA << std::setw(9) << p.toneA << "\n";
    out << std::left << std::setw(16) << "delay ms" << std::right << std::setprecision(2);
    for (const ComponentResponse& r : p.components) out << std::setw(8) << r.delay * 1000.0;
    out << "\n" << std::left << std::setw(16) << "distance m" << std::right;
    for (const float d : p.componentDistances) out << std::setw(8) << d;
    out << "\n";
    out << std::left << std::setw(16) << "phase rad" << std::right;
    for (size_t i = 0; i < p.components.size(); ++i) out << std::setw(8) << componentLabel(p, i, arrays);
    out << std::setw(9) << "tone" << "\n";
    for (int band = 1; band <= kBands; ++band) {
        const size_t i = static_cast<size_t>(band - 1);
        out << std::setw(3) << band << std::setw(13) << frequencyText(nominalCentreFrequency(band))
            << std::setprecision(3);
        for (size_t c = 0; c < p.components.size(); ++c) {
            if (p.silent[c]) {
                out << std::setw(8) << "-";
            } else {
                out << std::setw(8) << p.components[c].phase[i];
            }
        }
        out << std::setw(9) << p.tonePhase[i] << "\n";
    }
    out << "\n";
}

void printSummaryHeader(size_t arrays, SumKind sum, std::ostream& out) {
    out << "The " << sumName(sum) << " sum of " << (arrays == 1 ? "the array" : "the arrays")
        << ", dB; octave bands (the power sum of their three third-octave bands)\n";
    out << std::left << std::setw(26) << "seat x, y, z (m)" << std::right << std::setw(12) << "to array m"
        << std::setw(8) << "dB(A)";
    for (int o = 0; o < kOctaves; ++o) out << std::setw(9) << frequencyText(octaveCentreFrequency(o));
    out << "  seat\n" << std::fixed;
}

void printSummarySeat(const SeatPrediction& p, size_t s, SumKind sum, std::ostream& out) {
    out << std::left << std::setw(26) << point(p.seat.position) << std::right << std::setprecision(1)
        << std::setw(12) << p.nearestArray() << std::setw(8) << p.aWeighted(sum);
    for (const double level : octaveLevels(p.levels(sum))) out << std::setw(9) << level;
    out << "  " << (p.seat.name.empty() ? std::to_string(s + 1) : p.seat.name) << "\n";
}

std::string csvText(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char ch : text) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return quoted + "\"";
}

void printCsvHeader(std::ostream& out) {
    out << "seat,seat_name,x_m,y_m,z_m,array,component,band,centre_hz,level_db,phase_rad,delay_s,"
           "component_distance_m\n";
}

void printCsvSeat(const SeatPrediction& p, size_t s, std::ostream& out) {
    auto prefix = [&]() -> std::ostream& {
        return out << s + 1 << "," << csvText(p.seat.name) << "," << shortest(p.seat.position[0]) << ","
                   << shortest(p.seat.position[1]) << "," << shortest(p.seat.position[2]) << ",";
    };
    for (size_t c = 0; c < p.components.size(); ++c) {
        const ComponentResponse& r = p.components[c];
        for (int band = 1; band <= kBands; ++band) {
            const size_t i = static_cast<size_t>(band - 1);
            // A silent component has no level or phase: both fields stay empty.
            prefix() << p.componentArrays[c] + 1 << "," << r.component << "," << band << ","
                     << decimal(bandCentreFrequency(band), 2) << ",";
            if (p.silent[c]) {
                out << ",";
            } else {
                out << shortest(r.level[i]) << "," << shortest(r.phase[i]);
            }
            out << "," << shortest(r.delay) << "," << shortest(p.componentDistances[c]) << "\n";
        }
    }
    for (const SumKind sum : kSums) {
        for (int band = 1; band <= kBands; ++band) {
            const size_t i = static_cast<size_t>(band - 1);
            prefix() << "," << sumName(sum) << "," << band << "," << decimal(bandCentreFrequency(band), 2) << ","
                     << decimal(p.levels(sum)[i], 3) << ","
                     << (sum == SumKind::tone ? decimal(p.tonePhase[i], 6) : "") << ",,\n";
        }
        prefix() << "," << sumName(sum) << ",A,," << decimal(p.aWeighted(sum), 3) << ",,,\n";
    }
}

// A float as the JSON number it reads as (1.2, not 1.2000000476837158).
Json floatNumber(float value) { return std::stod(shortest(value)); }

// A double rounded to a millionth.
Json doubleNumber(double value) { return jsonNumber(value); }

template <typename Values>
Json numbers(const Values& values) {
    Json list = Json::array();
    for (const auto v : values) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, float>) {
            list.push_back(floatNumber(v));
        } else {
            list.push_back(doubleNumber(v));
        }
    }
    return list;
}

// The document without its seats, which follow it one at a time.
Json predictionJson(const LoadedModule& module, const Scene& scene, const AppliedAir& air, const SceneSound& sound) {
    Json root;
    root["module"] = module.path();
    Json arrays = Json::array();
    for (size_t a = 0; a < scene.arrays.size(); ++a) {
        const SceneArray& given = scene.arrays[a];
        const HostArray& array = sound.array(a);
        Json applied = Json::array();
        for (int32_t c = 0; c < array.componentCount(); ++c) applied.push_back(array.appliedRecord().boxes[c].boxType);
        arrays.push_back({{"name", given.name},
                          {"design", designToJson(given.design, given.design.working.boxCount)},
                          {"appliedTypes", applied},
                          {"positionM", numbers(given.placement.position)},
                          {"anglesDeg", numbers(given.placement.angles)}});
    }
    root["arrays"] = arrays;
    root["air"] = {{"speedOfSoundMPerS", jsonNumber(air.air.speedOfSound)},
                   {"humidityPercent", jsonNumber(air.air.humidity)},
                   {"temperatureC", jsonNumber(air.air.temperature)},
                   {"pressureHPa", jsonNumber(air.air.pressure)},
                   {"absorption", air.air.absorption}};
    Json centres = Json::array();
    for (int band = 1; band <= kBands; ++band) centres.push_back(doubleNumber(bandCentreFrequency(band)));
    root["bandCentresHz"] = centres;
    return root;
}

Json seatJson(const SeatPrediction& p) {
    Json seat;
    if (!p.seat.name.empty()) seat["name"] = p.seat.name;
    seat["positionM"] = numbers(p.seat.position);
    seat["arrayDistancesM"] = numbers(p.arrayDistances);
    Json components = Json::array();
    for (size_t c = 0; c < p.components.size(); ++c) {
        const ComponentResponse& r = p.components[c];
        components.push_back({{"array", p.componentArrays[c] + 1},
                              {"component", r.component},
                              {"distanceM", floatNumber(p.componentDistances[c])},
                              {"delayS", floatNumber(r.delay)},
                              {"silent", static_cast<bool>(p.silent[c])},
                              {"levelsDb", p.silent[c] ? Json(nullptr) : numbers(r.level)},
                              {"phasesRad", p.silent[c] ? Json(nullptr) : numbers(r.phase)}});
    }
    seat["components"] = components;
    seat["powerSum"] = {{"levelsDb", numbers(p.power)}, {"aWeightedDbA", doubleNumber(p.powerA)}};
    seat["complexSum"] = {{"levelsDb", numbers(p.complexLevel)}, {"aWeightedDbA", doubleNumber(p.complexA)}};
    seat["toneSum"] = {{"levelsDb", numbers(p.toneLevel)},
                       {"phasesRad", numbers(p.tonePhase)},
                       {"aWeightedDbA", doubleNumber(p.toneA)}};
    return seat;
}

// Writes the prediction seat by seat in the chosen format, with the text
// Json::dump(2) makes of the whole document.
class PredictionWriter {
public:
    PredictionWriter(const PredictOptions& options, const LoadedModule& module, const Scene& scene,
                     const AppliedAir& air, const SceneSound& sound, std::ostream& out)
        : options_(options), scene_(scene), out_(out) {
        sum_ = options.sum == "power" ? SumKind::power : options.sum == "tone" ? SumKind::tone : SumKind::complex;
        if (options.format == "json") {
            std::string head = predictionJson(module, scene, air, sound).dump(2);
            head.resize(head.size() - 2);  // "\n}"
            out_ << head << ",\n  \"seats\": [";
        } else if (options.format == "csv") {
            printCsvHeader(out_);
        } else if (options.format == "summary") {
            printSummaryHeader(scene.arrays.size(), sum_, out_);
        }
    }

    void write(const SeatPrediction& p) {
        if (options_.format == "json") {
            out_ << (written_ == 0 ? "\n" : ",\n");
            const std::string seat = seatJson(p).dump(2);
            for (size_t begin = 0; begin < seat.size();) {
                const size_t end = std::min(seat.find('\n', begin), seat.size());
                out_ << "    " << std::string_view(seat).substr(begin, end - begin);
                if (end < seat.size()) out_ << "\n";
                begin = end + 1;
            }
        } else if (options_.format == "csv") {
            printCsvSeat(p, written_, out_);
        } else if (options_.format == "summary") {
            printSummarySeat(p, written_, sum_, out_);
        } else {
            printTableSeat(p, written_, scene_, out_);
        }
        ++written_;
    }

    void finish() {
        if (options_.format == "json") out_ << "\n  ]\n}\n";
    }

private:
    const PredictOptions& options_;
    const Scene& scene_;
    std::ostream& out_;
    SumKind sum_ = SumKind::complex;
    size_t written_ = 0;
};

// Seats computed and written at a time: their responses, not the number of
// seats, set the memory predict takes.
constexpr size_t kSeatBlock = 4096;

// The seats file as a stream: the file itself, or for a pipe its text read
// once (a pipe cannot be read twice).
class SeatsInput {
public:
    explicit SeatsInput(const std::string& path) : path_(path) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) text_ = readTextFile(path, "seats file");
    }

    std::unique_ptr<std::istream> open() const {
        if (text_) return std::make_unique<std::istringstream>(*text_);
        auto file = std::make_unique<std::ifstream>(path_, std::ios::binary);
        if (!*file) throw FileError("cannot read seats file '" + path_ + "': no such file or not readable");
        return file;
    }

private:
    std::string path_;
    std::optional<std::string> text_;
};

}  // namespace

CLI::App* addPredictCommand(CLI::App& app, PredictOptions& options) {
    CLI::App* command = app.add_subcommand(
        "predict",
        "Per seat and component the 21 band levels (dB), phases (rad) and the delay (s), and the arrays' power, "
        "complex and tone sums per band, through the module's exports.");
    addSceneOptions(*command, options.scene);
    command->add_flag("--strict", options.strict, "Refuse a design that departs from the design rules (exit 1)");
    command->add_option("--seat", options.seats, "A listener, host metres x,y,z; give one or more")
        ->allow_extra_args(false);
    command->add_option("--seats", options.seatsFile, "A CSV file of listeners: x,y,z[,name] a line");
    command->add_option("--format", options.format, "table, summary (one line per seat), csv or json")
        ->check(CLI::IsMember({"table", "summary", "csv", "json"}))
        ->capture_default_str();
    command->add_option("--sum", options.sum,
                        "Sum shown by the summary: complex (band-averaged over 8 tones), tone (at the band's centre "
                        "alone) or power")
        ->check(CLI::IsMember({"complex", "tone", "power"}))
        ->capture_default_str();
    command->add_option("-o,--output", options.output, "Write to this file instead of the standard output");
    return command;
}

void runPredict(const LoadedModule& module, const PredictOptions& options, std::ostream& out) {
    const Scene scene = readScene(options.scene);
    for (const SceneArray& array : scene.arrays) reportDepartures(array.design, array.source, options.strict);

    std::vector<NamedSeat> typed;
    for (const std::string& text : options.seats) typed.push_back({"", parsePoint(text, "--seat")});
    std::optional<SeatsInput> seatsFile;
    size_t total = typed.size();
    if (!options.seatsFile.empty()) {
        // A first reading checks every line before any work is done and
        // counts the seats for the progress report.
        const MemoryUse use("reading the seats file '" + options.seatsFile + "'");
        seatsFile.emplace(options.seatsFile);
        const std::unique_ptr<std::istream> in = seatsFile->open();
        SeatsReader reader(*in, options.seatsFile);
        NamedSeat seat;
        while (reader.next(seat)) {
        }
        total += reader.count();
    }
    if (total == 0) throw HostError("--seat or --seats: give at least one seat");
    OutputFile file(options.output, "-o", out);

    const AppliedAir air = applyAir(module, scene.air);
    reportNotes(air.notes);
    const MemoryUse use("predicting " + std::to_string(total) + " seats of " + std::to_string(scene.arrays.size()) +
                        (scene.arrays.size() == 1 ? " array" : " arrays"));
    SceneSound sound(module, scene.arrays);
    Progress progress("predict", "seats", total, std::cerr);
    PredictionWriter writer(options, module, scene, air, sound, file.stream());
    const unsigned threads = machineThreads();
    std::vector<NamedSeat> block;
    std::vector<SeatPrediction> predictions;
    block.reserve(kSeatBlock);
    // One block of seats: the module's answers gathered on this thread, the
    // sums worked out on every core, then the block written in seat order.
    auto flush = [&] {
        if (block.empty()) return;
        predictions.resize(block.size());
        BlockWork work;
        work.items = block.size();
        work.blockSize = 16;
        work.slots = 2 * static_cast<size_t>(threads);
        work.produce = [&](size_t first, size_t count, size_t) {
            for (size_t i = first; i < first + count; ++i) predictions[i] = gatherSeat(sound, block[i]);
        };
        work.consume = [&](size_t first, size_t count, size_t) {
            for (size_t i = first; i < first + count; ++i) sumSeat(predictions[i]);
        };
        work.finished = [&](size_t count) { progress.advance(count); };
        runBlocks(work, threads);
        for (const SeatPrediction& prediction : predictions) writer.write(prediction);
        block.clear();
        if (!file.stream()) file.finish();
    };
    for (const NamedSeat& seat : typed) {
        block.push_back(seat);
        if (block.size() == kSeatBlock) flush();
    }
    if (seatsFile) {
        const std::unique_ptr<std::istream> in = seatsFile->open();
        SeatsReader reader(*in, options.seatsFile);
        NamedSeat seat;
        while (reader.next(seat)) {
            block.push_back(std::move(seat));
            if (block.size() == kSeatBlock) flush();
        }
    }
    flush();
    writer.finish();
    file.commit();
}

}  // namespace ksrhost
