// The Export command without its windows: a working design written into a
// new or existing exchange file, and what it leaves behind when it fails.

#include <sys/resource.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "exchange/design_exchange.h"
#include "exchange/exchange_reader.h"
#include "exchange/exchange_writer.h"
#include "exchange_fixtures.h"
#include "refusing_sink.h"

namespace {

using exchange_test::designOf;
using exchange_test::fixture;
using exchange_test::linesOf;
using exchange_test::readBytes;
using exchange_test::ScratchFolder;
using exchange_test::writeBytes;
using ksr::exportExchangeFile;
using ksr::kExchangeVersionCurrent;
using ksr::WorkingDesign;

const WorkingDesign kFourFlown = designOf({{0, 0, 0}, {0, -0.5f, -1}, {0, -1, -2}, {0, -2, -3}}, false);
const WorkingDesign kEightFlown = designOf({{4, 0, 0}, {4, -1, -1}, {5, -2.46f, -2}, {6, -3, -3.5f},
                                            {7, 0, -4}, {6, -0.5f, -5}, {8, -12, 2}, {9, -99, 0}},
                                           false);

TEST(Export, ANewFileIsTheTemplateWithTheDesign) {
    ScratchFolder folder;
    ASSERT_EQ(exportExchangeFile(kFourFlown, folder.file("new.velt"), kExchangeVersionCurrent), 0);
    EXPECT_EQ(readBytes(folder.file("new.velt")), fixture("template_4_flown.velt"));
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"new.velt"}));
}

TEST(Export, GroundStackedAnglesAreNegatedAndComeBackOnImport) {
    ScratchFolder folder;
    const std::string path = folder.file("ground.velt");
    const WorkingDesign design = designOf({{4, 0, 1}, {4, -1, 2}, {6, -2.46f, 4}, {6, -3, 6}}, true);
    ASSERT_EQ(exportExchangeFile(design, path, kExchangeVersionCurrent), 0);

    const std::vector<std::string> lines = linesOf(readBytes(path));
    const auto angles = std::find(lines.begin(), lines.end(), " -2, \"Box.Main.Angle\"");
    ASSERT_NE(angles, lines.end());
    EXPECT_EQ(std::vector<std::string>(angles + 1, angles + 5),
              (std::vector<std::string>{" 1, -1.0", " 1, -2.0", " 1, -4.0", " 1, -6.0"}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "-1, \"Array.Main.RigType\", -1"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), " 1, -2.5"), lines.end());

    WorkingDesign back;
    ASSERT_TRUE(ksr::importExchangeFile(path, back).imported);
    EXPECT_EQ(back.groundStacked, 1);
    EXPECT_EQ(back.boxCount, 4);
    const float gains[] = {0.0f, -1.0f, -2.5f, -3.0f};
    const float differenceAngles[] = {1.0f, 2.0f, 4.0f, 6.0f};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(back.boxes[i].type, design.boxes[i].type) << i;
        EXPECT_EQ(back.boxes[i].gain, gains[i]) << i;
        EXPECT_EQ(back.boxes[i].differenceAngle, differenceAngles[i]) << i;
    }
}

TEST(Export, ExportingTwiceGivesTheSameBytes) {
    ScratchFolder folder;
    const std::string path = folder.file("twice.velt");
    ASSERT_EQ(exportExchangeFile(kEightFlown, path, kExchangeVersionCurrent), 0);
    const std::string first = readBytes(path);
    ASSERT_EQ(exportExchangeFile(kEightFlown, path, kExchangeVersionCurrent), 0);
    EXPECT_EQ(readBytes(path), first);
}

TEST(Export, OverAProjectChangesOnlyTheMainArray) {
    ScratchFolder folder;
    const std::string path = folder.file("project.velt");
    writeBytes(path, fixture("external_30_rows.velt"));
    ASSERT_EQ(exportExchangeFile(kEightFlown, path, kExchangeVersionCurrent), 0);
    EXPECT_EQ(readBytes(path), fixture("external_30_rows_8_boxes.velt"));
}

TEST(Export, AFileUnder32BytesBecomesTheFiveRecordsAlone) {
    ScratchFolder folder;
    const std::string path = folder.file("short.velt");
    writeBytes(path, "-1, \"Array.Main.BoxCount\", 4\r\n");
    ASSERT_EQ(exportExchangeFile(kFourFlown, path, kExchangeVersionCurrent), 0);
    EXPECT_EQ(readBytes(path), fixture("five_records_4_flown.velt"));
}

TEST(Export, BothFileVersionsWriteTheSameBytes) {
    ScratchFolder folder;
    ASSERT_EQ(exportExchangeFile(kEightFlown, folder.file("current.velt"), ksr::kExchangeVersionCurrent), 0);
    ASSERT_EQ(exportExchangeFile(kEightFlown, folder.file("v21.velt"), ksr::kExchangeVersionV21), 0);
    EXPECT_EQ(readBytes(folder.file("current.velt")), readBytes(folder.file("v21.velt")));
}

TEST(Export, AnExistingFileThatCannotBeReadIsLeftAlone) {
    ScratchFolder folder;
    const std::filesystem::path huge = folder.path() / "huge.velt";
    writeBytes(huge, fixture("external_30_rows.velt"));
    std::filesystem::resize_file(huge, ksr::kMaxExchangeFileSize + 1);
    EXPECT_EQ(exportExchangeFile(kFourFlown, huge.string(), kExchangeVersionCurrent), -1);
    EXPECT_EQ(std::filesystem::file_size(huge), ksr::kMaxExchangeFileSize + 1);
    EXPECT_EQ(readBytes(huge, 1633), fixture("external_30_rows.velt"));
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"huge.velt"}));

    std::filesystem::create_directory(folder.path() / "folder.velt");
    writeBytes(folder.path() / "folder.velt" / "inside", "kept");
    EXPECT_EQ(exportExchangeFile(kFourFlown, folder.file("folder.velt"), kExchangeVersionCurrent), -1);
    EXPECT_EQ(readBytes(folder.path() / "folder.velt" / "inside"), "kept");
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"huge.velt", "folder.velt"}));
}

TEST(Export, IntoAFolderThatDoesNotExistFailsAndCreatesNothing) {
    ScratchFolder folder;
    EXPECT_EQ(exportExchangeFile(kFourFlown, folder.file("missing/new.velt"), kExchangeVersionCurrent), -1);
    EXPECT_TRUE(folder.entries().empty());
}

TEST(Export, AWriteFailingMidwayLeavesTheOldFileByteForByte) {
    ScratchFolder folder;
    const std::string path = folder.file("project.velt");
    const std::string project = fixture("external_30_rows.velt");
    writeBytes(path, project);
    const ksr::ExchangeDocument document =
        ksr::designDocument(kEightFlown, ksr::parseExchangeText(ksr::loadExchangeText(path).text));
    const int32_t result = ksr::replaceFile(path, [&](ksr::ByteSink& out) {
        exchange_test::RefusingSink failing(out, 700);
        return ksr::emitExchangeText(document, kExchangeVersionCurrent, failing);
    });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(readBytes(path), project);
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"project.velt"}));
}

TEST(ExportDeathTest, AWriteTheSystemRefusesLeavesTheOldFile) {
    ScratchFolder folder;
    const std::string path = folder.file("project.velt");
    const std::string project = fixture("external_30_rows.velt");
    writeBytes(path, project);
    // No file may grow past 1000 bytes; the export needs 1557.
    EXPECT_EXIT(
        {
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 1000;
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_IGN);
            const bool refused = exportExchangeFile(kEightFlown, path, kExchangeVersionCurrent) == -1;
            const bool intact = readBytes(path) == project && folder.entries().size() == 1;
            std::_Exit(refused && intact ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
