// JSON designs: reading, the refusals that name the field, writing, and the
// setup record a host hands in.

#include "design/design_rules.h"
#include "host_design.h"

#include <gtest/gtest.h>

#include <string>

#include "host_error.h"

namespace ksrhost {
namespace {

constexpr const char* kSource = "design.json";

// The message of the HostError that parsing text gives, or "" when it parses.
std::string refusal(const std::string& text) {
    try {
        parseDesignJson(text, kSource);
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}

TEST(DesignJson, DifferenceAnglesGiveElevationsFromTheGrid) {
    const HostDesign d = parseDesignJson(R"({"boxCount": 4, "gridElevation": -2, "groundStacked": 1, "hostValue": 7,
        "boxes": [{"type": 4, "differenceAngle": 0, "gain": -1.5},
                  {"type": 6, "differenceAngle": -1},
                  {"type": 4, "differenceAngle": -2, "gain": -99},
                  {"type": 8, "differenceAngle": -3}]})",
                                         kSource);
    const ksr::WorkingDesign& w = d.working;
    EXPECT_EQ(w.boxCount, 4);
    EXPECT_EQ(w.gridElevation, -2.0f);
    EXPECT_EQ(w.groundStacked, 1);
    EXPECT_EQ(d.hostValue, 7);
    const int types[] = {4, 6, 4, 8};
    const float gains[] = {-1.5f, 0.0f, -99.0f, 0.0f};
    const float elevations[] = {-2.0f, -3.0f, -5.0f, -8.0f};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(w.boxes[i].type, types[i]) << i;
        EXPECT_EQ(w.boxes[i].gain, gains[i]) << i;
        EXPECT_EQ(w.elevations[i], elevations[i]) << i;
    }
    // Boxes not listed are the default design's, hung straight below.
    for (size_t i = 4; i < 16; ++i) {
        EXPECT_EQ(w.boxes[i].type, 5) << i;
        EXPECT_EQ(w.boxes[i].differenceAngle, 0.0f) << i;
        EXPECT_EQ(w.elevations[i], -8.0f) << i;
    }
}

TEST(DesignJson, ElevationsGiveDifferenceAngles) {
    const HostDesign d = parseDesignJson(R"({"gridElevation": 1,
        "boxes": [{"type": 0, "elevation": 1}, {"type": 0, "elevation": -2.5},
                  {"type": 1, "elevation": -6.5, "differenceAngle": -4}, {"type": 0, "elevation": -16.5}]})",
                                         kSource);
    EXPECT_EQ(d.working.boxCount, 4);  // from the list when boxCount is left out
    const float differences[] = {0.0f, -3.5f, -4.0f, -10.0f};
    for (size_t i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(d.working.boxes[i].differenceAngle, differences[i]) << i;
    EXPECT_FLOAT_EQ(d.working.elevations[3], -16.5f);
}

TEST(DesignJson, TrueAndFalseServeForGroundStacked) {
    const std::string boxes = R"("boxes": [{"type": 5, "differenceAngle": 0}, {"type": 5, "differenceAngle": 0},
        {"type": 5, "differenceAngle": 0}, {"type": 5, "differenceAngle": 0}])";
    EXPECT_EQ(parseDesignJson("{\"groundStacked\": true, " + boxes + "}", kSource).working.groundStacked, 1);
    EXPECT_EQ(parseDesignJson("{\"groundStacked\": false, " + boxes + "}", kSource).working.groundStacked, 0);
}

TEST(DesignJson, BadInputIsRefusedNamingTheSourceAndTheField) {
    const std::string four = R"({"type": 5, "differenceAngle": 0}, {"type": 5, "differenceAngle": 0},
                                {"type": 5, "differenceAngle": 0})";
    struct Case {
        std::string text;
        std::string expected;  // part of the message
    };
    const Case cases[] = {
        {R"({"boxCount": 4, "boxes": [)", "not valid JSON"},
        {"[1, 2]", "(top level): expected a JSON object"},
        {R"({"boxCount": 4})", "boxes: missing"},
        {R"({"boxes": {"type": 5}})", "boxes: expected a list"},
        {R"({"boxCount": 3, "boxes": [{"type": 5, "differenceAngle": 0}, )" + four + "]}", "boxCount: 3 is outside 4..16"},
        {R"({"boxCount": 17, "boxes": [)" + four + "]}", "boxCount: 17 is outside 4..16"},
        {R"({"boxCount": 12, "boxes": [{"type": 5, "differenceAngle": 0}, )" + four + "]}",
         "boxes: 4 boxes listed, fewer than boxCount 12"},
        {R"({"boxes": [)" + four + "]}", "boxes: 3 boxes listed, an array has 4..16"},
        {R"({"boxCount": 4.5, "boxes": []})", "boxCount: expected a whole number, got 4.5"},
        {R"({"boxes": [{"type": 12, "differenceAngle": 0}, )" + four + "]}",
         "boxes[0].type: 12 is not a box type (0..9)"},
        {R"({"boxes": [)" + four + R"(, {"type": "KSR516", "differenceAngle": 0}]})",
         R"(boxes[3].type: "KSR516" is not a box type)"},
        {R"({"boxes": [)" + four + R"(, {"differenceAngle": 0}]})", "boxes[3].type: missing"},
        {R"({"boxes": [)" + four + R"(, {"type": 5}]})", "boxes[3]: needs a differenceAngle or an elevation"},
        {R"({"boxes": [)" + four + R"(, {"type": 5, "differenceAngle": "-2"}]})",
         "boxes[3].differenceAngle: expected a number"},
        {R"({"boxes": [)" + four + R"(, {"type": 5, "differenceAngle": 1e308}]})",
         "boxes[3].differenceAngle: 1e+308 is outside -180..180"},
        {R"({"boxes": [)" + four + R"(, {"type": 5, "differenceAngle": 0, "gain": -1e40}]})",
         "boxes[3].gain: -1e+40 is outside -100..100"},
        {R"({"boxes": [)" + four + R"(, {"type": 5, "elevation": -3, "differenceAngle": -2}]})",
         "boxes[3]: differenceAngle -2 and elevation -3 disagree"},
        {R"({"boxes": [)" + four + R"(, {"type": 5, "differenceAngle": 0, "gian": -3}]})", "boxes[3].gian: unknown field"},
        {R"({"gridElevaton": 3, "boxes": [)" + four + R"(, {"type": 5, "differenceAngle": 0}]})",
         "gridElevaton: unknown field"},
        {R"({"groundStacked": 2, "boxes": [)" + four + R"(, {"type": 5, "differenceAngle": 0}]})",
         "groundStacked: 2 is outside 0..1"},
        {R"({"hostValue": 4294967296, "boxes": [)" + four + R"(, {"type": 5, "differenceAngle": 0}]})",
         "hostValue: 4294967296 is outside"},
        {R"({"boxes": [)" + four + ", " + four + ", " + four + ", " + four + ", " + four + R"(, {"type": 5, "differenceAngle": 0}, {"type": 5, "differenceAngle": 0}]})",
         "boxes: 17 boxes listed, at most 16"},
    };
    for (const Case& c : cases) {
        const std::string message = refusal(c.text);
        EXPECT_NE(message.find(std::string(kSource) + ": "), std::string::npos) << c.text << "\n" << message;
        EXPECT_NE(message.find(c.expected), std::string::npos) << c.text << "\n-> " << message;
    }
}

TEST(DesignJson, WrittenDesignReadsBackTheSame) {
    HostDesign d = defaultHostDesign();
    d.working.boxCount = 6;
    d.working.gridElevation = -3.0f;
    d.working.groundStacked = 1;
    d.hostValue = -12;
    for (size_t i = 0; i < 6; ++i) d.working.boxes[i] = {static_cast<int32_t>(i % 2 == 0 ? 4 : 7), -0.5f * i, -1.3f * i};
    ksr::recomputeElevations(d.working);

    const nlohmann::ordered_json written = designToJson(d, 6);
    EXPECT_EQ(written["boxes"].size(), 6u);
    EXPECT_EQ(written["boxes"][3]["differenceAngle"], -3.9);  // printed as typed, not -3.9000001
    const HostDesign back = parseDesignJson(written.dump(), kSource);
    EXPECT_EQ(back.working.boxCount, 6);
    EXPECT_EQ(back.working.groundStacked, 1);
    EXPECT_EQ(back.hostValue, -12);
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(back.working.boxes[i].type, d.working.boxes[i].type) << i;
        EXPECT_FLOAT_EQ(back.working.boxes[i].gain, d.working.boxes[i].gain) << i;
        EXPECT_FLOAT_EQ(back.working.elevations[i], d.working.elevations[i]) << i;
    }
}

TEST(SetupRecordOfADesign, CarriesElevationsAndTheRecordsGainSign) {
    const HostDesign d = parseDesignJson(R"({"gridElevation": -2, "groundStacked": 1, "hostValue": 3,
        "boxes": [{"type": 6, "differenceAngle": 0, "gain": -2.5}, {"type": 6, "differenceAngle": -4},
                  {"type": 4, "differenceAngle": -6, "gain": -1}, {"type": 4, "differenceAngle": -8}]})",
                                         kSource);
    const SetupRecord record = toSetupRecord(d);
    EXPECT_EQ(record.version, 52);
    EXPECT_EQ(record.boxCount, 4);
    EXPECT_EQ(record.gridElevation, -2.0f);
    EXPECT_EQ(record.hostValue, 3);
    EXPECT_EQ(record.groundStacked, 1);
    const float elevations[] = {-2.0f, -6.0f, -12.0f, -20.0f};
    const float gains[] = {2.5f, 0.0f, 1.0f, 0.0f};  // positive lowers the level
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(record.boxes[i].boxElevation, elevations[i]) << i;
        EXPECT_EQ(record.boxes[i].boxGain, gains[i]) << i;
        EXPECT_FALSE(std::signbit(record.boxes[i].boxGain)) << i;
    }
    EXPECT_EQ(record.boxes[15].boxType, 5);
    EXPECT_EQ(record.boxes[15].boxElevation, -20.0f);
}

TEST(DesignFiles, AMissingFileIsNamed) {
    try {
        readDesignFile("/nonexistent/folder/array.json");
        FAIL() << "no error";
    } catch (const HostError& e) {
        EXPECT_NE(std::string(e.what()).find("'/nonexistent/folder/array.json'"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace ksrhost
