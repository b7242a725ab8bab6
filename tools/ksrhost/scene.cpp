#include "scene.h"

#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "design/design_rules.h"
#include "host_error.h"
#include "text_values.h"
#include "velt_files.h"

namespace ksrhost {

namespace {

using nlohmann::json;

const std::set<std::string> kSceneFields = {"name", "description", "air", "arrays", "audience"};
const std::set<std::string> kAirFields = {"speedOfSoundMPerS", "humidityPercent", "temperatureC", "pressureHPa",
                                          "absorption"};
const std::set<std::string> kArrayFields = {"name", "design", "positionM", "anglesDeg", "gridElevationDeg"};
const std::set<std::string> kAreaFields = {"name", "cornersM", "earHeightM"};

constexpr double kMaxAirValue = 1e6;

class SceneReader {
public:
    explicit SceneReader(const std::string& path) : path_(path) {}

    [[noreturn]] void fail(const std::string& field, const std::string& message) const {
        throw HostError(path_ + ": " + field + ": " + message);
    }

    void onlyKnownFields(const json& object, const std::set<std::string>& known, const std::string& where) const {
        if (!object.is_object()) fail(where, "expected an object, got " + std::string(object.type_name()));
        for (const auto& [key, value] : object.items()) {
            if (!known.count(key)) fail(where.empty() ? key : where + "." + key, "unknown field");
        }
    }

    double number(const json& value, const std::string& field, double limit) const {
        if (!value.is_number()) fail(field, "expected a number, got " + value.dump());
        const double x = value.get<double>();
        if (!std::isfinite(x) || std::fabs(x) > limit) {
            std::ostringstream text;
            text << value.dump() << " is outside -" << limit << ".." << limit;
            fail(field, text.str());
        }
        return x;
    }

    Point3 point(const json& value, const std::string& field, double limit, const char* expected) const {
        if (!value.is_array() || value.size() != 3) fail(field, std::string("expected ") + expected);
        Point3 p{};
        for (size_t k = 0; k < 3; ++k) p[k] = number(value[k], field + "[" + std::to_string(k) + "]", limit);
        return p;
    }

    // "path: field", for messages of the readers this one hands a part to.
    std::string named(const std::string& field) const { return path_ + ": " + field; }

    std::string text(const json& value, const std::string& field) const {
        if (!value.is_string()) fail(field, "expected a text, got " + value.dump());
        return value.get<std::string>();
    }

private:
    const std::string& path_;
};

Triple toTriple(const Point3& p) {
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

void readAir(const SceneReader& reader, const json& air, Air& out) {
    reader.onlyKnownFields(air, kAirFields, "air");
    const std::pair<const char*, float*> values[] = {{"speedOfSoundMPerS", &out.speedOfSound},
                                                     {"humidityPercent", &out.humidity},
                                                     {"temperatureC", &out.temperature},
                                                     {"pressureHPa", &out.pressure}};
    for (const auto& [key, target] : values) {
        if (air.contains(key)) *target = static_cast<float>(reader.number(air[key], std::string("air.") + key, kMaxAirValue));
    }
    if (air.contains("absorption")) {
        if (!air["absorption"].is_boolean()) reader.fail("air.absorption", "expected true or false");
        out.absorption = air["absorption"].get<bool>();
    }
}

SceneArray readArray(const SceneReader& reader, const json& entry, const std::string& where,
                     const std::filesystem::path& folder) {
    reader.onlyKnownFields(entry, kArrayFields, where);
    SceneArray array;
    if (!entry.contains("design")) reader.fail(where + ".design", "missing (a design file name or a design object)");
    const json& design = entry["design"];
    if (design.is_string()) {
        const std::string name = design.get<std::string>();
        if (name.empty()) reader.fail(where + ".design", "expected a design file name, got \"\"");
        const std::filesystem::path given(name);
        array.source = (given.is_absolute() ? given : folder / given).string();
        array.design = readDesignFile(array.source);
        array.name = fileName(name);
    } else if (design.is_object()) {
        array.source = where + ".design";
        array.design = parseDesignJson(design.dump(), reader.named(where + ".design"));
        array.name = where;
    } else {
        reader.fail(where + ".design", "expected a design file name or a design object, got " + design.dump());
    }
    if (entry.contains("name")) array.name = reader.text(entry["name"], where + ".name");
    if (entry.contains("gridElevationDeg")) {
        ksr::WorkingDesign& w = array.design.working;
        w.gridElevation = static_cast<float>(reader.number(entry["gridElevationDeg"], where + ".gridElevationDeg", 180.0));
        ksr::recomputeElevations(w);
    }
    if (!entry.contains("positionM")) reader.fail(where + ".positionM", "missing (the array's reference point x, y, z)");
    array.placement.position =
        toTriple(reader.point(entry["positionM"], where + ".positionM", kMaxCoordinate, "[x, y, z] in metres"));
    array.placement.angles =
        entry.contains("anglesDeg")
            ? toTriple(reader.point(entry["anglesDeg"], where + ".anglesDeg", kMaxAngle, "[a, b, c] in degrees"))
            : conventionAngles(array.design);
    return array;
}

AudienceArea readArea(const SceneReader& reader, const json& entry, const std::string& where) {
    reader.onlyKnownFields(entry, kAreaFields, where);
    std::string name = entry.contains("name") ? reader.text(entry["name"], where + ".name") : where;
    if (!entry.contains("cornersM")) reader.fail(where + ".cornersM", "missing (the floor's corners [x, y, z])");
    const json& list = entry["cornersM"];
    if (!list.is_array()) reader.fail(where + ".cornersM", "expected a list of corners [x, y, z]");
    if (list.size() > kMaxAreaCorners) reader.fail(where + ".cornersM", "more than 1000 corners");
    std::vector<Point3> corners;
    for (size_t i = 0; i < list.size(); ++i) {
        corners.push_back(reader.point(list[i], where + ".cornersM[" + std::to_string(i) + "]", kMaxCoordinate,
                                       "a corner [x, y, z] in metres"));
    }
    if (entry.contains("earHeightM") && entry["earHeightM"].is_number() && entry["earHeightM"].get<double>() < 0.0) {
        reader.fail(where + ".earHeightM", entry["earHeightM"].dump() + " is outside 0..10");
    }
    const double ear = entry.contains("earHeightM") ? reader.number(entry["earHeightM"], where + ".earHeightM", 10.0)
                                                    : AudienceArea{}.earHeight;
    return makeAudienceArea(std::move(name), std::move(corners), ear, reader.named(where));
}

}  // namespace

Triple conventionAngles(const HostDesign& design) {
    const float grid = design.working.gridElevation;
    if (design.working.groundStacked != 0) return {0.0f, 0.0f - grid, 180.0f};
    return {0.0f, grid, 0.0f};
}

bool isSceneJson(std::string_view text) {
    const json root = json::parse(text.begin(), text.end(), nullptr, false);
    // A scene's own fields; a design has none of them.
    return root.is_object() && !root.contains("boxes") &&
           (root.contains("arrays") || root.contains("audience") || root.contains("air"));
}

Scene parseSceneJson(std::string_view text, const std::string& path) {
    json root;
    try {
        root = json::parse(text.begin(), text.end());
    } catch (const json::exception& e) {
        throw HostError(path + ": not valid JSON: " + jsonErrorText(e));
    }
    const SceneReader reader(path);
    reader.onlyKnownFields(root, kSceneFields, "(top level)");
    Scene scene;
    if (root.contains("name")) scene.name = reader.text(root["name"], "name");
    if (root.contains("air")) readAir(reader, root["air"], scene.air);

    if (!root.contains("arrays")) reader.fail("arrays", "missing: a scene lists its arrays (a list of one or more)");
    const json& arrays = root["arrays"];
    if (!arrays.is_array() || arrays.empty()) reader.fail("arrays", "expected a list of one or more arrays");
    if (arrays.size() > kMaxSceneArrays) reader.fail("arrays", "more than 32 arrays");
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    for (size_t i = 0; i < arrays.size(); ++i) {
        scene.arrays.push_back(readArray(reader, arrays[i], "arrays[" + std::to_string(i) + "]", folder));
    }
    if (root.contains("audience")) {
        const json& areas = root["audience"];
        if (!areas.is_array()) reader.fail("audience", "expected a list of audience areas");
        if (areas.size() > kMaxAreas) reader.fail("audience", "more than 64 audience areas");
        for (size_t i = 0; i < areas.size(); ++i) {
            scene.areas.push_back(readArea(reader, areas[i], "audience[" + std::to_string(i) + "]"));
        }
    }
    return scene;
}

}  // namespace ksrhost
