// Scene files and seats files as ksrhost reads them: what they give, and the
// message naming the file and the field for what they must not hold.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host_error.h"
#include "scene.h"
#include "seats_file.h"

namespace ksrhost {
namespace {

template <class F>
std::string refusal(F&& parse) {
    try {
        parse();
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}

const std::string kExamples = std::string(KSR_SOURCE_DIR) + "/tools/ksrhost/examples/";

TEST(SceneFiles, ArraysAreasAndAir) {
    const std::string text = R"({
      "air": {"temperatureC": 12, "absorption": false},
      "arrays": [
        {"name": "left", "design": "ksr12_flown.json", "positionM": [-6, 0, 10], "anglesDeg": [10, -3, 0]},
        {"design": "ksr6_ground_stacked.json", "positionM": [0, -1, 0]},
        {"design": {"boxes": [{"type": 4, "differenceAngle": 0}, {"type": 4, "differenceAngle": -2},
                              {"type": 4, "differenceAngle": -2}, {"type": 4, "differenceAngle": -2}],
                    "gridElevation": -4},
         "positionM": [6, 0, 9], "gridElevationDeg": 2}],
      "audience": [{"name": "floor", "cornersM": [[-10, -2, 0], [10, -2, 0], [10, -30, 0], [-10, -30, 0]]}]})";
    const Scene scene = parseSceneJson(text, kExamples + "venue.json");
    EXPECT_EQ(scene.air.temperature, 12.0f);
    EXPECT_EQ(scene.air.humidity, 60.0f);
    EXPECT_FALSE(scene.air.absorption);
    ASSERT_EQ(scene.arrays.size(), 3u);
    EXPECT_EQ(scene.arrays[0].name, "left");
    EXPECT_EQ(scene.arrays[0].design.working.boxCount, 12);
    EXPECT_EQ(scene.arrays[0].placement.angles, (Triple{10.0f, -3.0f, 0.0f}));
    // Without angles: the convention. A ground stack stands upside down on its point.
    EXPECT_EQ(scene.arrays[1].name, "ksr6_ground_stacked.json");
    EXPECT_EQ(scene.arrays[1].placement.angles, (Triple{0.0f, 0.0f, 180.0f}));
    // The scene's grid elevation replaces the design's and turns the array with it.
    EXPECT_EQ(scene.arrays[2].design.working.gridElevation, 2.0f);
    EXPECT_EQ(scene.arrays[2].design.working.elevations[3], 2.0f - 6.0f);
    EXPECT_EQ(scene.arrays[2].placement.angles, (Triple{0.0f, 2.0f, 0.0f}));
    ASSERT_EQ(scene.areas.size(), 1u);
    EXPECT_DOUBLE_EQ(scene.areas[0].earHeight, 1.2);
}

TEST(SceneFiles, TheConventionMirrorsAGroundStack) {
    HostDesign design = defaultHostDesign();
    design.working.gridElevation = -3.0f;
    EXPECT_EQ(conventionAngles(design), (Triple{0.0f, -3.0f, 0.0f}));
    design.working.groundStacked = 1;
    EXPECT_EQ(conventionAngles(design), (Triple{0.0f, 3.0f, 180.0f}));
}

TEST(SceneFiles, BadFieldsAreNamed) {
    const std::string path = kExamples + "venue.json";
    const std::string array = R"({"design": "ksr12_flown.json", "positionM": [0, 0, 10]})";
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {R"({"arrays": []})", "arrays: expected a list of one or more arrays"},
        {R"({"arrays": [{"positionM": [0, 0, 1]}]})", "arrays[0].design: missing"},
        {R"({"arrays": [{"design": "ksr12_flown.json"}]})", "arrays[0].positionM: missing"},
        {R"({"arrays": [{"design": "ksr12_flown.json", "positionM": [0, 1]}]})", "arrays[0].positionM: expected [x, y, z]"},
        {R"({"arrays": [{"design": "ksr12_flown.json", "positionM": [0, 1e6, 0]}]})", "arrays[0].positionM[1]: 1000000.0 is outside"},
        {R"({"arrays": [{"design": "ksr12_flown.json", "positionM": [0, 0, 0], "position": 1}]})", "arrays[0].position: unknown field"},
        {R"({"arrays": [{"design": 5, "positionM": [0, 0, 0]}]})", "arrays[0].design: expected a design file name or a design object"},
        {R"({"arrays": [{"design": {"boxes": []}, "positionM": [0, 0, 0]}]})", "arrays[0].design: boxes: 0 boxes listed"},
        {R"({"arrays": [)" + array + R"(], "air": {"humidity": 50}})", "air.humidity: unknown field"},
        {R"({"arrays": [)" + array + R"(], "audience": [{"cornersM": [[0, 0, 0], [1, 0, 0]]}]})",
         "audience[0]: an audience area needs at least three corners"},
        {R"({"arrays": [)" + array + R"(], "extra": 1})", "extra: unknown field"},
        {R"({"arrays": [)" + array + R"(], "name": 1e999})", "not valid JSON: number overflow"},
    };
    for (const auto& c : cases) {
        const std::string message = refusal([&] { parseSceneJson(c.text, path); });
        EXPECT_EQ(message.rfind(path + ": ", 0), 0u) << message;
        EXPECT_NE(message.find(c.message), std::string::npos) << c.text << "\n" << message;
    }
    // A design file that is not there is a file error, naming the file.
    try {
        parseSceneJson(R"({"arrays": [{"design": "missing.json", "positionM": [0, 0, 0]}]})", path);
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(kExamples + "missing.json"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(isSceneJson(R"({"arrays": []})"));
    EXPECT_FALSE(isSceneJson(R"({"boxes": []})"));
    EXPECT_FALSE(isSceneJson("not json"));
}

TEST(SeatsFiles, LinesNamesAndHeaders) {
    const std::vector<NamedSeat> seats = parseSeatsCsv(
        "\xEF\xBB\xBFx,y,z,name\r\n# front rows\r\n0,-5,1.2,A 1\r\n\r\n 3.5 , -10 , 1.2 \r\n-2,-20,1.2,\"Row K, 14\"\n",
        "seats.csv");
    ASSERT_EQ(seats.size(), 3u);
    EXPECT_EQ(seats[0].name, "A 1");
    EXPECT_EQ(seats[0].position, (Triple{0.0f, -5.0f, 1.2f}));
    EXPECT_EQ(seats[1].name, "");
    EXPECT_EQ(seats[1].position, (Triple{3.5f, -10.0f, 1.2f}));
    EXPECT_EQ(seats[2].name, "Row K, 14");

    const struct {
        const char* text;
        const char* message;
    } bad[] = {
        {"", "seats.csv: no seats"},
        {"x,y,z\n# none\n", "seats.csv: no seats"},
        {"0,1\n", "seats.csv: line 1: expected x,y,z or x,y,z,name, got '0,1'"},
        {"0,1,2\n0,1,2,a,b\n", "seats.csv: line 2: expected x,y,z or x,y,z,name"},
        {"0,1,2\nx,y,z\n", "seats.csv: line 2: expected"},
        {"0,nan,2\n", "seats.csv: line 1: expected"},
        {"0,1e38,2\n", "seats.csv: line 1: expected a position x,y,z in metres, each within -10000..10000"},
        {"0,1,2,\"open\n", "seats.csv: line 1: a quote is not closed"},
    };
    for (const auto& b : bad) {
        const std::string message = refusal([&] { parseSeatsCsv(b.text, "seats.csv"); });
        EXPECT_EQ(message.rfind(b.message, 0), 0u) << b.text << ": " << message;
    }
}

}  // namespace
}  // namespace ksrhost
