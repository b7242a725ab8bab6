// ksrhost info: what the module answers about itself, asked as a host asks.

#include <iomanip>
#include <ostream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "band_sums.h"
#include "commands.h"
#include "host_error.h"
#include "model/catalogue.h"
#include "model/model_data.h"
#include "text_values.h"

namespace ksrhost {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kCapabilitiesAsked = 5;
constexpr int kFlagsAsked = 2;

std::string text(const char* value) { return value != nullptr ? windows1252ToUtf8(value) : std::string(); }

// DLLVersion as the module's version record spells it: the number holds
// major * 1000000 + minor * 10000 + release * 100 + build * 10, so 1000030
// is 1.0.0.3. A number that does not fit this pattern is shown as it is.
std::string versionText(int32_t version) {
    if (version < 0 || version % 10 != 0) return std::to_string(version);
    return std::to_string(version / 1000000) + "." + std::to_string(version / 10000 % 100) + "." +
           std::to_string(version / 100 % 100) + "." + std::to_string(version % 100 / 10);
}

// The box-type ids a design names, from the module's catalogue: ids 8 and 9
// have no measured data and stay silent in every prediction.
Json boxTypes() {
    Json list = Json::array();
    for (const ksr::BoxTypeEntry& entry : ksr::boxTypeTable) {
        list.push_back({{"id", entry.id},
                        {"name", entry.name},
                        {"preset", ksr::presetNames[static_cast<size_t>(entry.preset)]},
                        {"exchangeName", ksr::exchangeNameTable[static_cast<size_t>(entry.id)].current},
                        {"measuredData", entry.id < ksr::kModelDataIdCount}});
    }
    return list;
}

// The record version and component count of a new instance, learnt the way
// a host learns them; the instance is released again.
Json newInstanceFacts(const ModuleExports& x) {
    Json facts;
    const int32_t id = x.CI_GetFreeID();
    if (id < 1 || x.CI_MakeCurrent(id) != 0) throw HostError("the module gives no array instance");
    SetupRecord query{};
    const int32_t answer = x.IP_GetValue(1, &query);
    facts["setupRecordVersion"] = answer == 0 ? query.version : -1;
    facts["components"] = x.CI_GetComponents();
    x.CI_Release();
    return facts;
}

Json collect(const LoadedModule& module) {
    module.require({"DLLVersion", "DLLClass", "DLLLock", "DLLGetCaps", "DLLGetName", "DLLGetManufacturer",
                    "DLLGetSymmetry", "DLLGetValidBands", "DLLGetDirectivity", "DLLGetSensitivity",
                    "DLLGetMaxPower", "DLLGetImpedance", "DLLGetFlag", "DLLGetDataResolution", "DLLGetFiles",
                    "RP_GetNumber", "RP_GetID", "RP_GetType", "RP_GetLabel", "RP_GetDefault", "RP_GetMinimum",
                    "RP_GetMaximum", "IP_GetNumber", "IP_GetID", "IP_GetType", "IP_GetLabel", "IP_GetValue",
                    "IP_GetFilterDef", "IP_GetFilterMin", "IP_GetFilterMax", "CI_GetFreeID", "CI_MakeCurrent",
                    "CI_Release", "CI_GetComponents"});
    const ModuleExports& x = module.exports();
    Json info;
    info["module"] = module.path();
    const char* name = nullptr;
    const char* maker = nullptr;
    const char* resolution = nullptr;
    x.DLLGetName(&name);
    x.DLLGetManufacturer(&maker);
    x.DLLGetDataResolution(&resolution);
    info["name"] = text(name);
    info["manufacturer"] = text(maker);
    info["version"] = x.DLLVersion();
    info["versionText"] = versionText(x.DLLVersion());
    info["class"] = x.DLLClass();
    int32_t locked = 0;
    x.DLLLock(&locked);
    info["locked"] = locked != 0;

    Json caps = Json::object();
    for (int32_t c = 1; c <= kCapabilitiesAsked; ++c) caps[std::to_string(c)] = x.DLLGetCaps(c);
    info["capabilities"] = caps;
    int32_t symmetric = 0;
    x.DLLGetSymmetry(&symmetric);
    info["symmetric"] = symmetric != 0;
    Json flags = Json::object();
    for (int32_t f = 1; f <= kFlagsAsked; ++f) {
        int32_t value = 0;
        x.DLLGetFlag(f, &value);
        flags[std::to_string(f)] = value;
    }
    info["flags"] = flags;
    info["dataResolution"] = text(resolution);

    int32_t valid[KSR_BAND_COUNT] = {};
    x.DLLGetValidBands(valid);
    Json bands = Json::array();
    for (int band = 1; band <= kBands; ++band) {
        bands.push_back({{"band", band},
                         {"nominalHz", nominalCentreFrequency(band)},
                         {"centreHz", tidy(bandCentreFrequency(band))},
                         {"valid", valid[band - 1] != 0}});
    }
    info["bands"] = bands;
    int32_t unused = 0;
    info["offers"] = {{"directivity", x.DLLGetDirectivity(&unused) == 0},
                      {"sensitivity", x.DLLGetSensitivity(&unused) == 0},
                      {"maxPower", x.DLLGetMaxPower(&unused) == 0},
                      {"impedance", x.DLLGetImpedance(&unused) == 0}};
    char files[KSR_FILES_BUFFER_SIZE] = {};
    x.DLLGetFiles(files);
    info["helpFile"] = text(files);

    Json room = Json::array();
    for (int32_t i = 1; i <= x.RP_GetNumber(); ++i) {
        char label[KSR_LABEL_BUFFER_SIZE] = {};
        float def = 0.0f, low = 0.0f, high = 0.0f;
        x.RP_GetLabel(i, label);
        x.RP_GetDefault(i, &def);
        x.RP_GetMinimum(i, &low);
        x.RP_GetMaximum(i, &high);
        room.push_back({{"index", i},
                        {"id", x.RP_GetID(i)},
                        {"type", x.RP_GetType(i)},
                        {"label", text(label)},
                        {"default", jsonNumber(def)},
                        {"minimum", jsonNumber(low)},
                        {"maximum", jsonNumber(high)}});
    }
    info["roomParameters"] = room;

    const Json facts = newInstanceFacts(x);
    Json inputs = Json::array();
    for (int32_t i = 1; i <= x.IP_GetNumber(); ++i) {
        char label[KSR_LABEL_BUFFER_SIZE] = {};
        x.IP_GetLabel(i, label);
        inputs.push_back({{"index", i},
                          {"id", x.IP_GetID(i)},
                          {"type", x.IP_GetType(i)},
                          {"label", text(label)},
                          {"recordVersion", facts["setupRecordVersion"]}});
    }
    info["inputParameters"] = inputs;

    float gain[3][KSR_BAND_COUNT] = {}, phase[3][KSR_BAND_COUNT] = {};
    x.IP_GetFilterDef(gain[0], phase[0]);
    x.IP_GetFilterMin(gain[1], phase[1]);
    x.IP_GetFilterMax(gain[2], phase[2]);
    auto bandsOf = [](const float* values) {
        Json list = Json::array();
        for (int i = 0; i < KSR_BAND_COUNT; ++i) list.push_back(jsonNumber(values[i]));
        return list;
    };
    info["filter"] = {{"gainDb", {{"default", bandsOf(gain[0])}, {"minimum", bandsOf(gain[1])}, {"maximum", bandsOf(gain[2])}}},
                      {"phaseDegrees",
                       {{"default", bandsOf(phase[0])}, {"minimum", bandsOf(phase[1])}, {"maximum", bandsOf(phase[2])}}}};
    info["newInstanceComponents"] = facts["components"];
    if (x.VELT_TEMPLATE_SIZE != nullptr) info["exchangeTemplateBytes"] = *x.VELT_TEMPLATE_SIZE;
    Json missing = Json::array();
    for (const ExportEntry& entry : module.missingExports()) missing.push_back({{"ordinal", entry.ordinal}, {"name", entry.name}});
    info["missingExports"] = missing;
    info["boxTypes"] = boxTypes();
    return info;
}

// "-60..0 (every band)" when all 21 bands agree, else both lists.
std::string filterRange(const Json& quantity) {
    const Json& def = quantity["default"];
    const Json& low = quantity["minimum"];
    const Json& high = quantity["maximum"];
    auto uniform = [](const Json& values) {
        for (const Json& v : values) {
            if (v != values[0]) return false;
        }
        return true;
    };
    std::ostringstream out;
    if (uniform(def) && uniform(low) && uniform(high)) {
        out << "default " << def[0].get<double>() << ", range " << low[0].get<double>() << ".." << high[0].get<double>()
            << " (every band)";
    } else {
        out << "default " << def.dump() << ", minimum " << low.dump() << ", maximum " << high.dump();
    }
    return out.str();
}

void printText(const Json& info, std::ostream& out) {
    auto row = [&](const char* label, const std::string& value) { out << std::left << std::setw(18) << label << value << "\n"; };
    row("Module", info["module"].get<std::string>());
    row("Name", info["name"].get<std::string>());
    row("Manufacturer", info["manufacturer"].get<std::string>());
    row("Version", info["versionText"].get<std::string>() + " (DLLVersion " +
                       std::to_string(info["version"].get<int>()) + ")");
    row("Class", std::to_string(info["class"].get<int>()));
    std::string caps;
    for (const auto& [key, value] : info["capabilities"].items()) caps += key + ": " + value.dump() + "  ";
    row("Capabilities", caps);
    row("Symmetric", info["symmetric"].get<bool>() ? "yes" : "no");
    std::string flags;
    for (const auto& [key, value] : info["flags"].items()) flags += key + ": " + value.dump() + "  ";
    row("Flags", flags);
    row("Data resolution", info["dataResolution"].get<std::string>());
    int validBands = 0;
    for (const Json& band : info["bands"]) validBands += band["valid"].get<bool>() ? 1 : 0;
    row("Valid bands", std::to_string(validBands) + " of 21, third octaves of 100 Hz to 10 kHz");
    std::string offers;
    for (const auto& [key, value] : info["offers"].items()) offers += key + (value.get<bool>() ? ": yes  " : ": no  ");
    row("Offers", offers);
    row("Help file", info["helpFile"].get<std::string>());
    row("New instance", std::to_string(info["newInstanceComponents"].get<int>()) + " components");
    if (info.contains("exchangeTemplateBytes")) {
        row("VELT template", std::to_string(info["exchangeTemplateBytes"].get<int>()) + " bytes");
    }

    out << "\nRoom parameters\n";
    out << "  #  id type  " << std::left << std::setw(18) << "label" << std::right << std::setw(9) << "default"
        << std::setw(9) << "minimum" << std::setw(9) << "maximum" << "\n";
    for (const Json& p : info["roomParameters"]) {
        out << std::right << std::setw(3) << p["index"].get<int>() << std::setw(4) << p["id"].get<int>() << std::setw(5)
            << p["type"].get<int>() << "  " << std::left << std::setw(18) << p["label"].get<std::string>() << std::right
            << std::setw(9) << p["default"].get<double>() << std::setw(9) << p["minimum"].get<double>() << std::setw(9)
            << p["maximum"].get<double>() << "\n";
    }
    out << "\nInput parameters\n";
    for (const Json& p : info["inputParameters"]) {
        out << "  " << p["index"].get<int>() << "  id " << p["id"].get<int>() << ", type " << p["type"].get<int>() << ", \""
            << p["label"].get<std::string>() << "\", setup record version " << p["recordVersion"].get<int>()
            << " (no scalar default or range)\n";
    }
    out << "\nBox types (design files name them by id)\n";
    out << "  id  " << std::left << std::setw(9) << "name" << std::setw(11) << "preset" << std::setw(11) << "VELT name"
        << "measured data\n";
    for (const Json& t : info["boxTypes"]) {
        out << std::right << std::setw(4) << t["id"].get<int>() << "  " << std::left << std::setw(9)
            << t["name"].get<std::string>() << std::setw(11) << t["preset"].get<std::string>() << std::setw(11)
            << t["exchangeName"].get<std::string>() << (t["measuredData"].get<bool>() ? "yes" : "none (silent)")
            << "\n";
    }
    const Json& filter = info["filter"];
    out << "\nFilter (21 bands)\n";
    out << "  gain dB        " << filterRange(filter["gainDb"]) << "\n";
    out << "  phase degrees  " << filterRange(filter["phaseDegrees"]) << "\n";
    if (!info["missingExports"].empty()) {
        out << "\nMissing exports\n";
        for (const Json& e : info["missingExports"]) {
            out << "  " << e["ordinal"].get<int>() << "  " << e["name"].get<std::string>() << "\n";
        }
    }
}

}  // namespace

CLI::App* addInfoCommand(CLI::App& app, InfoOptions& options) {
    CLI::App* command = app.add_subcommand("info", "What the module answers about itself: name, maker, version, "
                                                   "capabilities, bands, resolution and every parameter.");
    command->add_flag("--json", options.json, "Print JSON instead of text");
    return command;
}

void runInfo(const LoadedModule& module, const InfoOptions& options, std::ostream& out) {
    const Json info = collect(module);
    if (options.json) {
        out << info.dump(2) << "\n";
    } else {
        printText(info, out);
    }
}

}  // namespace ksrhost
