// The Export command without its windows: a working design written into a
// new or existing exchange file, and what it leaves behind when it fails.

#include <sys/resource.h>

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

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
    ASSERT_TRUE(exportExchangeFile(kFourFlown, folder.file("new.velt"), kExchangeVersionCurrent).written());
    EXPECT_EQ(readBytes(folder.file("new.velt")), fixture("template_4_flown.velt"));
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"new.velt"}));
}

TEST(Export, GroundStackedAnglesAreNegatedAndComeBackOnImport) {
    ScratchFolder folder;
    const std::string path = folder.file("ground.velt");
    const WorkingDesign design = designOf({{4, 0, 1}, {4, -1, 2}, {6, -2.46f, 4}, {6, -3, 6}}, true);
    ASSERT_TRUE(exportExchangeFile(design, path, kExchangeVersionCurrent).written());

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
    ASSERT_TRUE(exportExchangeFile(kEightFlown, path, kExchangeVersionCurrent).written());
    const std::string first = readBytes(path);
    ASSERT_TRUE(exportExchangeFile(kEightFlown, path, kExchangeVersionCurrent).written());
    EXPECT_EQ(readBytes(path), first);
}

TEST(Export, OverAProjectChangesOnlyTheMainArray) {
    ScratchFolder folder;
    const std::string path = folder.file("project.velt");
    writeBytes(path, fixture("external_30_rows.velt"));
    ASSERT_TRUE(exportExchangeFile(kEightFlown, path, kExchangeVersionCurrent).written());
    EXPECT_EQ(readBytes(path), fixture("external_30_rows_8_boxes.velt"));
}

TEST(Export, AnExistingFileIsPatchedOnlyWhenNoTextIsLost) {
    const std::string issueExample = "VELT header line\r\nVenue \"My hall\", 1\r\n -1, \"Array.Main.BoxCount\", 4\r\n";
    const std::string project = fixture("external_30_rows.velt");
    std::string withoutAngles = project;
    withoutAngles.replace(withoutAngles.find("\"Box.Main.Angle\""), 16, "\"Box.Main.Tilts\"");
    const struct {
        const char* name;
        std::string old;
        const char* expected;  // fixture written; nullptr: refused
        const char* record;    // named in the refusal
    } cases[] = {
        {"no records", std::string(40, 'x') + "\r\nthe user's notes\r\n", nullptr, "Array.Main.RigType"},
        {"one missing", issueExample, nullptr, "Array.Main.RigType"},
        {"angle array renamed", withoutAngles, nullptr, "Box.Main.Angle"},
        {"out of order", fixture("level_before_type.velt"), nullptr, "Box.Main.Level"},
        {"empty", "", "template_4_flown.velt", nullptr},
        {"31 bytes", "-1, \"Array.Main.BoxCount\", 4\r\n", "template_4_flown.velt", nullptr},
        {"all five in order", project, "external_30_rows_8_boxes.velt", nullptr},
    };
    for (const auto& c : cases) {
        ScratchFolder folder;
        const std::string path = folder.file("old.velt");
        writeBytes(path, c.old);
        const WorkingDesign& design = c.old == project ? kEightFlown : kFourFlown;
        const ksr::ExportResult result = exportExchangeFile(design, path, kExchangeVersionCurrent);
        EXPECT_EQ(folder.entries(), (std::set<std::string>{"old.velt"})) << c.name;
        if (c.expected) {
            EXPECT_TRUE(result.written()) << c.name << ": " << result.reason;
            EXPECT_EQ(readBytes(path), fixture(c.expected)) << c.name;
            continue;
        }
        EXPECT_EQ(result.failure, ksr::ExportFailure::refused) << c.name;
        EXPECT_NE(result.reason.find(path), std::string::npos) << c.name << ": " << result.reason;
        EXPECT_NE(result.reason.find(std::string("\"") + c.record + "\""), std::string::npos)
            << c.name << ": " << result.reason;
        EXPECT_EQ(readBytes(path), c.old) << c.name;
    }
}

TEST(Export, BothFileVersionsWriteTheSameBytes) {
    ScratchFolder folder;
    ASSERT_TRUE(exportExchangeFile(kEightFlown, folder.file("current.velt"), ksr::kExchangeVersionCurrent).written());
    ASSERT_TRUE(exportExchangeFile(kEightFlown, folder.file("v21.velt"), ksr::kExchangeVersionV21).written());
    EXPECT_EQ(readBytes(folder.file("current.velt")), readBytes(folder.file("v21.velt")));
}

TEST(Export, AnExistingFileThatCannotBeReadIsLeftAlone) {
    ScratchFolder folder;
    const std::filesystem::path huge = folder.path() / "huge.velt";
    writeBytes(huge, fixture("external_30_rows.velt"));
    std::filesystem::resize_file(huge, ksr::kMaxExchangeFileSize + 1);
    const ksr::ExportResult result = exportExchangeFile(kFourFlown, huge.string(), kExchangeVersionCurrent);
    EXPECT_EQ(result.failure, ksr::ExportFailure::unreadable);
    EXPECT_NE(result.reason.find(huge.string()), std::string::npos) << result.reason;
    EXPECT_EQ(std::filesystem::file_size(huge), ksr::kMaxExchangeFileSize + 1);
    EXPECT_EQ(readBytes(huge, 1633), fixture("external_30_rows.velt"));
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"huge.velt"}));

    std::filesystem::create_directory(folder.path() / "folder.velt");
    writeBytes(folder.path() / "folder.velt" / "inside", "kept");
    EXPECT_EQ(exportExchangeFile(kFourFlown, folder.file("folder.velt"), kExchangeVersionCurrent).failure,
              ksr::ExportFailure::unreadable);
    EXPECT_EQ(readBytes(folder.path() / "folder.velt" / "inside"), "kept");
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"huge.velt", "folder.velt"}));
}

#if !defined(_WIN32)
// A FIFO would hold the export forever in opening it; it and a read-only file
// are refused before anything is read or written.
TEST(Export, AFifoOrAReadOnlyFileIsRefusedAtOnce) {
    ScratchFolder folder;
    const std::string fifo = folder.file("pipe.velt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    const ksr::ExportResult pipe = exportExchangeFile(kFourFlown, fifo, kExchangeVersionCurrent);
    EXPECT_EQ(pipe.failure, ksr::ExportFailure::notAFile);
    EXPECT_NE(pipe.reason.find("FIFO"), std::string::npos) << pipe.reason;

    const std::string readOnly = folder.file("kept.velt");
    writeBytes(readOnly, fixture("external_30_rows.velt"));
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    const ksr::ExportResult kept = exportExchangeFile(kFourFlown, readOnly, kExchangeVersionCurrent);
    EXPECT_EQ(kept.failure, ksr::ExportFailure::notAFile);
    EXPECT_NE(kept.reason.find("read-only"), std::string::npos) << kept.reason;
    EXPECT_EQ(readBytes(readOnly), fixture("external_30_rows.velt"));
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"pipe.velt", "kept.velt"}));
}
#endif

TEST(Export, IntoAFolderThatDoesNotExistFailsAndCreatesNothing) {
    ScratchFolder folder;
    const ksr::ExportResult result =
        exportExchangeFile(kFourFlown, folder.file("missing/new.velt"), kExchangeVersionCurrent);
    EXPECT_EQ(result.failure, ksr::ExportFailure::notWritten);
    EXPECT_NE(result.reason.find("missing/new.velt"), std::string::npos) << result.reason;
    EXPECT_NE(result.reason.find("does not exist"), std::string::npos) << result.reason;
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
            const bool refused = !exportExchangeFile(kEightFlown, path, kExchangeVersionCurrent).written();
            const bool intact = readBytes(path) == project && folder.entries().size() == 1;
            std::_Exit(refused && intact ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
