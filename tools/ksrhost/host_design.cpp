#include "host_design.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>

#include "design/design_rules.h"
#include "host_error.h"
#include "model/catalogue.h"
#include "velt_files.h"

namespace ksrhost {

namespace {

using nlohmann::json;

// Angles beyond a half turn and gains beyond 100 dB are typing errors, not
// designs; they are refused rather than wrapped or clamped.
constexpr double kAngleLimit = 180.0;
constexpr double kGainLimit = 100.0;
// Two spellings of one angle (difference and elevation) agree within this.
constexpr double kAngleAgreement = 1e-3;

const std::set<std::string> kDesignFields = {"boxCount", "gridElevation", "groundStacked", "hostValue",
                                             "boxes",    "name",          "description"};
const std::set<std::string> kBoxFields = {"type", "differenceAngle", "elevation", "gain"};

// The value when it is a whole number in low..high (high >= 0).
std::optional<int64_t> wholeNumberIn(const json& value, int64_t low, int64_t high) {
    if (value.is_number_unsigned()) {
        const uint64_t n = value.get<uint64_t>();
        if (n > static_cast<uint64_t>(high) || static_cast<int64_t>(n) < low) return std::nullopt;
        return static_cast<int64_t>(n);
    }
    if (!value.is_number_integer()) return std::nullopt;
    const int64_t n = value.get<int64_t>();
    if (n < low || n > high) return std::nullopt;
    return n;
}

std::string shortNumber(double x) {
    std::ostringstream text;
    text << x;
    return text.str();
}

class DesignReader {
public:
    explicit DesignReader(const std::string& source) : source_(source) {}

    [[noreturn]] void fail(const std::string& field, const std::string& message) const {
        throw HostError(source_ + ": " + field + ": " + message);
    }

    void onlyKnownFields(const json& object, const std::set<std::string>& known, const std::string& where) const {
        for (const auto& [key, value] : object.items()) {
            if (!known.count(key)) fail(where.empty() ? key : where + "." + key, "unknown field");
        }
    }

    double number(const json& value, const std::string& field, double limit) const {
        if (!value.is_number()) fail(field, "expected a number, got " + value.dump());
        const double x = value.get<double>();
        if (!std::isfinite(x) || std::fabs(x) > limit) {
            fail(field, value.dump() + " is outside -" + shortNumber(limit) + ".." + shortNumber(limit));
        }
        return x;
    }

    // A whole number in low..high (high >= 0).
    int64_t integer(const json& value, const std::string& field, int64_t low, int64_t high) const {
        if (!value.is_number_integer()) fail(field, "expected a whole number, got " + value.dump());
        const std::optional<int64_t> n = wholeNumberIn(value, low, high);
        if (!n) fail(field, value.dump() + " is outside " + std::to_string(low) + ".." + std::to_string(high));
        return *n;
    }

private:
    const std::string& source_;
};

std::optional<json> member(const json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end()) return std::nullopt;
    return *it;
}

}  // namespace

double tidy(double value) {
    const double rounded = std::round(value * 1e6) / 1e6;
    return rounded == 0.0 ? 0.0 : rounded;  // no "-0"
}

nlohmann::ordered_json jsonNumber(double value) {
    const double shown = tidy(value);
    if (shown == std::trunc(shown) && std::fabs(shown) < 1e15) return static_cast<int64_t>(shown);
    return shown;
}

HostDesign defaultHostDesign() {
    HostDesign design;
    for (ksr::DesignBox& box : design.working.boxes) box = {ksr::kDefaultBoxType, 0.0f, 0.0f};
    design.working.boxCount = ksr::kMinBoxes;
    ksr::recomputeElevations(design.working);
    return design;
}

HostDesign parseDesignJson(std::string_view text, const std::string& source) {
    json root;
    try {
        root = json::parse(text.begin(), text.end());
    } catch (const json::exception& e) {
        // parse_error for broken text, out_of_range for a number beyond a double (1e999).
        throw HostError(source + ": not valid JSON: " + jsonErrorText(e));
    }
    const DesignReader reader(source);
    if (!root.is_object()) reader.fail("(top level)", "expected a JSON object, got " + std::string(root.type_name()));
    if (!root.contains("boxes") && (root.contains("arrays") || root.contains("audience") || root.contains("air"))) {
        throw HostError(source + ": this is a scene file (it has \"" +
                        (root.contains("arrays") ? "arrays" : root.contains("audience") ? "audience" : "air") +
                        "\"), where a design was expected; give one of its designs");
    }
    reader.onlyKnownFields(root, kDesignFields, "");

    HostDesign design = defaultHostDesign();
    ksr::WorkingDesign& w = design.working;

    const std::optional<json> boxes = member(root, "boxes");
    if (!boxes) reader.fail("boxes", "missing (the list of boxes, top to bottom)");
    if (!boxes->is_array()) reader.fail("boxes", "expected a list of boxes, got " + std::string(boxes->type_name()));
    const int64_t listed = static_cast<int64_t>(boxes->size());
    if (listed > ksr::kMaxBoxes) reader.fail("boxes", std::to_string(listed) + " boxes listed, at most 16 are allowed");

    if (const auto count = member(root, "boxCount")) {
        w.boxCount = static_cast<int32_t>(reader.integer(*count, "boxCount", ksr::kMinBoxes, ksr::kMaxBoxes));
    } else {
        if (listed < ksr::kMinBoxes) reader.fail("boxes", std::to_string(listed) + " boxes listed, an array has 4..16");
        w.boxCount = static_cast<int32_t>(listed);
    }
    if (listed < w.boxCount) {
        reader.fail("boxes", std::to_string(listed) + " boxes listed, fewer than boxCount " + std::to_string(w.boxCount));
    }
    if (const auto grid = member(root, "gridElevation")) {
        w.gridElevation = static_cast<float>(reader.number(*grid, "gridElevation", kAngleLimit));
    }
    if (const auto stacked = member(root, "groundStacked")) {
        w.groundStacked = stacked->is_boolean() ? (stacked->get<bool>() ? 1 : 0)
                                                : static_cast<int32_t>(reader.integer(*stacked, "groundStacked", 0, 1));
    }
    if (const auto host = member(root, "hostValue")) {
        design.hostValue = static_cast<int32_t>(reader.integer(*host, "hostValue", INT32_MIN, INT32_MAX));
    }
    for (const char* text : {"name", "description"}) {
        if (const auto value = member(root, text); value && !value->is_string()) reader.fail(text, "expected a text");
    }

    double elevationAbove = w.gridElevation;
    for (int64_t i = 0; i < listed; ++i) {
        const std::string where = "boxes[" + std::to_string(i) + "]";
        const json& entry = (*boxes)[static_cast<size_t>(i)];
        if (!entry.is_object()) reader.fail(where, "expected an object with type, differenceAngle or elevation, gain");
        reader.onlyKnownFields(entry, kBoxFields, where);
        ksr::DesignBox& box = w.boxes[static_cast<size_t>(i)];

        const std::optional<json> type = member(entry, "type");
        if (!type) reader.fail(where + ".type", "missing (a box type 0..9)");
        const std::optional<int64_t> id = wholeNumberIn(*type, 0, ksr::kBoxTypeCount - 1);
        if (!id) reader.fail(where + ".type", type->dump() + " is not a box type (0..9)");
        box.type = static_cast<int32_t>(*id);

        if (const auto gain = member(entry, "gain")) {
            box.gain = static_cast<float>(reader.number(*gain, where + ".gain", kGainLimit));
        }

        const std::optional<json> difference = member(entry, "differenceAngle");
        const std::optional<json> elevation = member(entry, "elevation");
        if (!difference && !elevation) reader.fail(where, "needs a differenceAngle or an elevation");
        // The difference angle is the design's own quantity; an elevation
        // given beside it only has to agree.
        double angle = 0.0;
        if (difference) angle = reader.number(*difference, where + ".differenceAngle", kAngleLimit);
        if (elevation) {
            const double e = reader.number(*elevation, where + ".elevation", kAngleLimit);
            if (!difference) {
                angle = e - elevationAbove;
            } else if (std::fabs(angle - (e - elevationAbove)) > kAngleAgreement) {
                reader.fail(where, "differenceAngle " + difference->dump() + " and elevation " + elevation->dump() +
                                       " disagree (the box above is at " + shortNumber(tidy(elevationAbove)) + ")");
            }
            elevationAbove = e;
        } else {
            elevationAbove += angle;
        }
        if (std::fabs(angle) > kAngleLimit) {
            reader.fail(where + ".elevation", "the step from the box above is " + shortNumber(tidy(angle)) +
                                                  " degrees, outside -180..180");
        }
        box.differenceAngle = static_cast<float>(angle);
    }
    design.listedBoxes = static_cast<int32_t>(listed);
    ksr::recomputeElevations(w);
    return design;
}

HostDesign readDesignFile(const std::string& path) {
    if (isVeltPath(path)) return importVeltFile(path);
    return parseDesignJson(readTextFile(path, "design file"), path);
}

std::string readTextFile(const std::string& path, const char* what) {
    const std::string named = std::string("cannot read ") + what + " '" + path + "'";
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw FileError(named + ": it is a folder, not a file");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw FileError(named + ": no such file or not readable");
    try {
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (file.bad()) throw FileError(named);
        return text;
    } catch (const std::ios_base::failure&) {
        throw FileError(named);
    }
}

std::string jsonErrorText(const std::exception& e) {
    // nlohmann's messages start with "[json.exception.parse_error.101] ".
    const std::string what = e.what();
    const std::string::size_type bracket = what.find("] ");
    return bracket == std::string::npos ? what : what.substr(bracket + 2);
}

nlohmann::ordered_json designToJson(const HostDesign& design, int listedBoxes) {
    const ksr::WorkingDesign& w = design.working;
    nlohmann::ordered_json out;
    out["boxCount"] = w.boxCount;
    out["gridElevation"] = jsonNumber(w.gridElevation);
    out["groundStacked"] = w.groundStacked;
    out["hostValue"] = design.hostValue;
    nlohmann::ordered_json boxes = nlohmann::ordered_json::array();
    for (int i = 0; i < listedBoxes && i < ksr::kMaxBoxes; ++i) {
        const ksr::DesignBox& box = w.boxes[static_cast<size_t>(i)];
        nlohmann::ordered_json entry;
        entry["type"] = box.type;
        entry["differenceAngle"] = jsonNumber(box.differenceAngle);
        entry["gain"] = jsonNumber(box.gain);
        entry["elevation"] = jsonNumber(w.elevations[static_cast<size_t>(i)]);
        boxes.push_back(entry);
    }
    out["boxes"] = boxes;
    return out;
}

SetupRecord toSetupRecord(const HostDesign& design) {
    const ksr::WorkingDesign& w = design.working;
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = w.boxCount;
    record.gridElevation = w.gridElevation;
    record.hostValue = design.hostValue;
    for (size_t i = 0; i < w.boxes.size(); ++i) {
        record.boxes[i].boxType = w.boxes[i].type;
        record.boxes[i].boxElevation = w.elevations[i];
        record.boxes[i].boxGain = 0.0f - w.boxes[i].gain;  // the record's sign; no -0
    }
    record.groundStacked = w.groundStacked;
    return record;
}

}  // namespace ksrhost
