// The Import command without its windows: an exchange file into a working
// design.

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/design_exchange.h"
#include "exchange/exchange_reader.h"
#include "exchange_fixtures.h"

namespace {

using exchange_test::crlf;
using exchange_test::designOf;
using exchange_test::fixture;
using exchange_test::replaceAll;
using exchange_test::ScratchFolder;
using exchange_test::writeBytes;
using ksr::ImportResult;
using ksr::WorkingDesign;

struct Row {
    std::string name;
    float level;
    float angle;
};

// An exchange text whose main array holds rows under a count and a rig type.
std::string mainArray(int32_t count, int32_t rigType, const std::vector<Row>& rows) {
    std::ostringstream text;
    text << " \"ZK.VELT.QQSV\", 2, 1003, \"2012-06-01 10:00:00\"\r\n"
         << "-1, \"Array.Main.RigType\", " << rigType << "\r\n"
         << "-1, \"Array.Main.BoxCount\", " << count << "\r\n";
    text << " -2, \"Box.Main.Type\"\r\n";
    for (const Row& row : rows) text << " 1,\"" << row.name << "\"\r\n";
    text << " 0, \"Box.Main.Type\"\r\n \r\n -2, \"Box.Main.Level\"\r\n";
    for (const Row& row : rows) text << " 1," << row.level << "\r\n";
    text << " 0, \"Box.Main.Level\"\r\n \r\n -2, \"Box.Main.Angle\"\r\n";
    for (const Row& row : rows) text << " 1," << row.angle << "\r\n";
    text << " 0, \"Box.Main.Angle\"\r\n \r\n";
    return text.str();
}

ImportResult importText(const std::string& text, WorkingDesign& design) {
    return ksr::importExchangeDocument(ksr::parseExchangeText(text), design);
}

std::vector<int32_t> typesOf(const WorkingDesign& design) {
    std::vector<int32_t> types;
    for (int32_t i = 0; i < design.boxCount; ++i) types.push_back(design.boxes[static_cast<size_t>(i)].type);
    return types;
}

void expectSameDesign(const WorkingDesign& actual, const WorkingDesign& expected) {
    EXPECT_EQ(actual.boxCount, expected.boxCount);
    EXPECT_EQ(actual.groundStacked, expected.groundStacked);
    EXPECT_EQ(actual.gridElevation, expected.gridElevation);
    for (size_t i = 0; i < actual.boxes.size(); ++i) {
        EXPECT_EQ(actual.boxes[i].type, expected.boxes[i].type) << "box " << i;
        EXPECT_EQ(actual.boxes[i].gain, expected.boxes[i].gain) << "box " << i;
        EXPECT_EQ(actual.boxes[i].differenceAngle, expected.boxes[i].differenceAngle) << "box " << i;
        EXPECT_EQ(actual.elevations[i], expected.elevations[i]) << "box " << i;
    }
}

TEST(Import, SkipsTheGridRowAndTakesTheBoxesAfterIt) {
    WorkingDesign design = designOf({{5, 0, 0}, {5, 0, 0}, {5, 0, 0}, {5, 0, 0}}, true);
    const WorkingDesign before = design;
    const ImportResult result = importText(fixture("grid_and_ten.velt"), design);
    ASSERT_TRUE(result.imported);
    EXPECT_EQ(result.boxCount, 10);
    EXPECT_EQ(design.boxCount, 10);
    EXPECT_EQ(design.groundStacked, 0);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(design.boxes[i].type, 0) << i;
        EXPECT_EQ(design.boxes[i].gain, -0.5f * static_cast<float>(i)) << i;
        EXPECT_EQ(design.boxes[i].differenceAngle, -static_cast<float>(i)) << i;
    }
    for (size_t i = 10; i < design.boxes.size(); ++i) {
        EXPECT_EQ(design.boxes[i].type, before.boxes[i].type) << i;
        EXPECT_EQ(design.boxes[i].gain, before.boxes[i].gain) << i;
    }
    EXPECT_EQ(design.gridElevation, before.gridElevation);
}

TEST(Import, MixedKsr516AndKsr527BecomeTheVariantModels) {
    const struct {
        std::vector<std::string> names;
        std::vector<int32_t> types;
    } cases[] = {
        {{"KSR-516", "KSR-527", "KSR-516", "KSR-527"}, {4, 6, 4, 6}},
        {{"KSR-516", "KSR-51V", "KSR-516", "KSR-52V"}, {0, 4, 0, 6}},
        {{"KSR-527", "KB-340", "KSR-527", "KSR-52V"}, {2, 8, 2, 6}},
        {{"KSR-516", "KBS-450", "WQJgrid", "KSR-527", "KB-340"}, {4, 9, 6, 8}},
    };
    for (const auto& c : cases) {
        std::vector<Row> rows;
        for (const std::string& name : c.names) rows.push_back({name, 0, 0});
        WorkingDesign design;
        ASSERT_TRUE(importText(mainArray(static_cast<int32_t>(rows.size()), 1, rows), design).imported);
        EXPECT_EQ(typesOf(design), c.types) << c.names.front() << " " << c.names[1];
    }
}

TEST(Import, RepeatsTheLastBoxUpToFour) {
    WorkingDesign design;
    const ImportResult result = importText(mainArray(3, 1, {{"KSR-51V", -1, 0}, {"off", 0, 0}, {"KSR-52V", -2.5f, -3}}), design);
    ASSERT_TRUE(result.imported);
    EXPECT_EQ(result.boxCount, 4);
    EXPECT_EQ(typesOf(design), (std::vector<int32_t>{4, 6, 6, 6}));
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(design.boxes[i].gain, -2.5f) << i;
        EXPECT_EQ(design.boxes[i].differenceAngle, -3.0f) << i;
    }
}

TEST(Import, TakesAtMostSixteenBoxes) {
    std::vector<Row> rows;
    for (int i = 0; i < 20; ++i) rows.push_back({"KSR-52V", -0.5f * static_cast<float>(i), -static_cast<float>(i % 10)});
    WorkingDesign design;
    const ImportResult result = importText(mainArray(20, 1, rows), design);
    ASSERT_TRUE(result.imported);
    EXPECT_EQ(result.boxCount, 16);
    EXPECT_EQ(design.boxCount, 16);
    EXPECT_EQ(design.boxes[15].gain, -7.5f);
    EXPECT_EQ(design.boxes[15].differenceAngle, -5.0f);
}

TEST(Import, ANegativeRigTypeMeansGroundStackedWithNegatedAngles) {
    const struct {
        int32_t rigType;
        int32_t groundStacked;
        float angle1;
        float angle2;
    } cases[] = {
        {-1, 1, 2.0f, 4.0f}, {-7, 1, 2.0f, 4.0f}, {0, 0, -2.0f, -4.0f}, {1, 0, -2.0f, -4.0f}, {2, 0, -2.0f, -4.0f},
    };
    for (const auto& c : cases) {
        WorkingDesign design = designOf({{4, 0, 0}, {4, 0, 0}, {4, 0, 0}, {4, 0, 0}}, c.rigType >= 0);
        const std::string text =
            mainArray(4, c.rigType, {{"KSR-51V", 0, 0}, {"KSR-51V", 0, -2}, {"KSR-51V", 0, -4}, {"KSR-51V", 0, -4}});
        ASSERT_TRUE(importText(text, design).imported);
        EXPECT_EQ(design.groundStacked, c.groundStacked) << c.rigType;
        EXPECT_EQ(design.boxes[0].differenceAngle, 0.0f) << c.rigType;
        EXPECT_EQ(design.boxes[1].differenceAngle, c.angle1) << c.rigType;
        EXPECT_EQ(design.boxes[2].differenceAngle, c.angle2) << c.rigType;
    }
}

TEST(Import, TheFirstCountAndTheLastRigTypeHold) {
    const std::string text = crlf({
        "-1, \"Array.Main.RigType\", 2",
        "-1, \"Array.Main.BoxCount\", 5",
        "-1, \"Array.Main.BoxCount\", 2",
        "-1, \"Array.Main.RigType\", -1",
        " -2, \"Box.Main.Type\"",
        " 1,\"KB-340\"", " 1,\"KSR-516\"", " 1,\"KSR-516\"", " 1,\"KSR-516\"", " 1,\"KSR-516\"",
        " 0, \"Box.Main.Type\"",
    });
    WorkingDesign design;
    ASSERT_TRUE(importText(text, design).imported);
    EXPECT_EQ(typesOf(design), (std::vector<int32_t>{8, 0, 0, 0, 0}));
    EXPECT_EQ(design.groundStacked, 1);
}

TEST(Import, AFileWithoutValidDataLeavesTheDesignAlone) {
    const std::string cases[] = {
        ksr::loadExchangeTemplate(),
        mainArray(0, 1, {{"KSR-516", 0, 0}}),
        mainArray(16385, 1, {{"KSR-516", 0, 0}}),
        replaceAll(mainArray(2, 1, {{"KSR-516", 0, 0}}), "Array.Main.BoxCount", "Array.Main.Count"),
        mainArray(3, 1, {{"WQJgrid", 0, 0}, {"off", 0, 0}, {"KSR516", 0, 0}}),
        crlf({" -2, \"Box.Main.Type\"", " 1,\"KSR-516\"", " 0, \"Box.Main.Type\"", "-1, \"Array.Main.BoxCount\", 1"}),
    };
    for (const std::string& text : cases) {
        WorkingDesign design = designOf({{4, -1, 0}, {6, -2, -3}, {6, 0, -1}, {8, 0, 2}, {9, 0, 0}}, true);
        const WorkingDesign before = design;
        const ImportResult result = importText(text, design);
        EXPECT_FALSE(result.imported) << text.substr(0, 80);
        expectSameDesign(design, before);
    }
    WorkingDesign design;
    EXPECT_FALSE(ksr::importExchangeDocument(ksr::ExchangeDocument{}, design).imported);
}

TEST(Import, ReadsFilesOfAnyLineEndButNoneUnder32Bytes) {
    ScratchFolder folder;
    const std::string crlfText = fixture("grid_and_ten.velt");
    writeBytes(folder.file("crlf.velt"), crlfText);
    writeBytes(folder.file("cr.velt"), replaceAll(crlfText, "\r\n", "\r"));
    const std::string compact = "-1,\"Array.Main.BoxCount\",1\r-2,\"Box.Main.Type\"\r1,\"KB-340\"";
    writeBytes(folder.file("compact.velt"), compact);
    writeBytes(folder.file("31.velt"), compact.substr(0, 31));

    WorkingDesign fromCrLf;
    WorkingDesign fromCr;
    ASSERT_TRUE(ksr::importExchangeFile(folder.file("crlf.velt"), fromCrLf).imported);
    ASSERT_TRUE(ksr::importExchangeFile(folder.file("cr.velt"), fromCr).imported);
    expectSameDesign(fromCr, fromCrLf);

    WorkingDesign design;
    EXPECT_TRUE(ksr::importExchangeFile(folder.file("compact.velt"), design).imported);
    EXPECT_EQ(typesOf(design), (std::vector<int32_t>{8, 8, 8, 8}));
    EXPECT_FALSE(ksr::importExchangeFile(folder.file("31.velt"), design).imported);
    EXPECT_FALSE(ksr::importExchangeFile(folder.file("missing.velt"), design).imported);
}

}  // namespace
