// Reading exchange files: lines, records, numbers, the document, loading.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "exchange/exchange_reader.h"
#include "exchange_fixtures.h"

namespace {

using exchange_test::crlf;
using exchange_test::fixture;
using exchange_test::replaceAll;
using exchange_test::ScratchFolder;
using exchange_test::writeBytes;
using ksr::ExchangeDocument;
using ksr::parseExchangeText;

std::vector<int32_t> typesOf(const ExchangeDocument& document) {
    std::vector<int32_t> types;
    for (const ksr::ExchangeRow& row : document.rows) types.push_back(row.type);
    return types;
}

void expectSameRows(const ExchangeDocument& actual, const ExchangeDocument& expected) {
    EXPECT_EQ(actual.rowCount, expected.rowCount);
    EXPECT_EQ(actual.rigType, expected.rigType);
    EXPECT_EQ(actual.typeRowsSeen, expected.typeRowsSeen);
    ASSERT_EQ(actual.rows.size(), expected.rows.size());
    for (size_t i = 0; i < actual.rows.size(); ++i) {
        EXPECT_EQ(actual.rows[i].type, expected.rows[i].type) << "row " << i;
        EXPECT_EQ(actual.rows[i].level, expected.rows[i].level) << "row " << i;
        EXPECT_EQ(actual.rows[i].angle, expected.rows[i].angle) << "row " << i;
    }
}

TEST(Reader, ReadsTheMainArrayOfAFile) {
    const ExchangeDocument document = parseExchangeText(fixture("grid_and_ten.velt"));
    EXPECT_EQ(document.rowCount, 11);
    EXPECT_EQ(document.rigType, 2);
    EXPECT_EQ(document.typeRowsSeen, 14);
    EXPECT_EQ(typesOf(document), (std::vector<int32_t>{-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(document.rows[0].level, -7.0f);
    EXPECT_EQ(document.rows[0].angle, 0.5f);
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(document.rows[static_cast<size_t>(i)].level, -0.5f * static_cast<float>(i - 1)) << i;
        EXPECT_EQ(document.rows[static_cast<size_t>(i)].angle, -static_cast<float>(i - 1)) << i;
    }
}

TEST(Reader, AnyRunOfCrAndLfIsOneLineEnd) {
    const std::string text = fixture("grid_and_ten.velt");
    const ExchangeDocument expected = parseExchangeText(text);
    const std::string variants[] = {
        replaceAll(text, "\r\n", "\r"),
        replaceAll(text, "\r\n", "\n"),
        replaceAll(text, "\r\n", "\r\n\r\n\n\r"),
        "\r\n\n" + text,
    };
    for (const std::string& variant : variants) {
        SCOPED_TRACE(variant.substr(0, 60));
        expectSameRows(parseExchangeText(variant), expected);
    }
}

TEST(Reader, TheLastLineIsReadEvenWithoutALineEnd) {
    const std::string text = "-1, \"Array.Main.BoxCount\", 2\r\n -2, \"Box.Main.Angle\"\r\n 1,-3\r\n 1,-4";
    const ExchangeDocument document = parseExchangeText(text);
    ASSERT_EQ(document.rows.size(), 2u);
    EXPECT_EQ(document.rows[1].angle, -4.0f);

    const ExchangeDocument rig = parseExchangeText("\"header\"\r\n-1, \"Array.Main.RigType\", -3");
    EXPECT_EQ(rig.rigType, -3);
    EXPECT_EQ(rig.span(ksr::Record::rigType).to, rig.text->size());
}

TEST(Reader, NumbersAreReadWithinTheirOwnLine) {
    // A value missing at a line's end must not be taken from the next line.
    const ExchangeDocument count = parseExchangeText(crlf({"-1, \"Array.Main.BoxCount\", ", "4, 5"}));
    EXPECT_EQ(count.rowCount, 0);
    const ExchangeDocument rig = parseExchangeText(crlf({"-1, \"Array.Main.RigType\",\t", " -1, \"x\""}));
    EXPECT_EQ(rig.rigType, 0);
    const ExchangeDocument level = parseExchangeText(crlf({
        "-1, \"Array.Main.BoxCount\", 2",
        " -2, \"Box.Main.Level\"",
        " 1, ",
        " 1,-3",
    }));
    ASSERT_EQ(level.rows.size(), 2u);
    EXPECT_EQ(level.rows[0].level, 0.0f);
    EXPECT_EQ(level.rows[1].level, -3.0f);
}

TEST(Reader, ARowWhoseCommaEndsTheLineKeepsItsPlace) {
    const ExchangeDocument document = parseExchangeText(crlf({
        "-1, \"Array.Main.BoxCount\", 3",
        " -2, \"Box.Main.Type\"",
        " 1,\"KSR-516\"",
        " 1,",
        " 1,\"KSR-527\"",
        " 0, \"Box.Main.Type\"",
        " -2, \"Box.Main.Level\"",
        " 1,-1",
        " 1,",
        " 1,-3",
        " 0, \"Box.Main.Level\"",
    }));
    EXPECT_EQ(typesOf(document), (std::vector<int32_t>{0, -1, 2}));
    EXPECT_EQ(document.typeRowsSeen, 3);
    EXPECT_EQ(document.rows[0].level, -1.0f);
    EXPECT_EQ(document.rows[1].level, 0.0f);
    EXPECT_EQ(document.rows[2].level, -3.0f);
}

// A row line read into row 0 after earlier arrays set it to level 7 and type 9.
ExchangeDocument readOverEarlierRow(const std::string& levelRow, const std::string& typeRow) {
    return parseExchangeText(crlf({
        "-1, \"Array.Main.BoxCount\", 1",
        " -2, \"Box.Main.Level\"", " 1,7", " 0, \"Box.Main.Level\"",
        " -2, \"Box.Main.Type\"", " 1,\"KBS-450\"", " 0, \"Box.Main.Type\"",
        " -2, \"Box.Main.Level\"", levelRow, " 0, \"Box.Main.Level\"",
        " -2, \"Box.Main.Type\"", typeRow, " 0, \"Box.Main.Type\"",
    }));
}

TEST(Reader, NumbersReadLikeTheFormattedInputConversions) {
    constexpr float kKept = 7.0f;
    const struct {
        const char* row;
        float level;
    } cases[] = {
        {" 1,-2.5", -2.5f},     {" 1, +.5", 0.5f},       {" 1,\t-4x", -4.0f},   {" 1,1e1", 10.0f},
        {" 1,2,-6", -6.0f},     {" 1,5.", 5.0f},         {" 1,0x10", 0.0f},     {" 1,1e-60", 0.0f},
        {" 1,nan", kKept},      {" 1,inf", kKept},       {" 1,-Infinity", kKept}, {" 1,1e39", kKept},
        {" 1,+-1", kKept},      {" 1,abc", kKept},       {" 1,-", kKept},       {" 1,.", kKept},
    };
    for (const auto& c : cases) {
        const ExchangeDocument document = readOverEarlierRow(c.row, " 1,\"KSR-516\"");
        EXPECT_EQ(document.rows[0].level, c.level) << c.row;
    }
}

TEST(Reader, NamesAreTheTextBetweenTheFirstTwoQuotes) {
    constexpr int32_t kKept = 9;
    const struct {
        const char* row;
        int32_t type;
    } cases[] = {
        {" 1,\"KSR-527\"", 2},   {" 1, \"KB-340\" , \"x\"", 8}, {" 1,\"KSR-51V\"", 4},
        {" 1,\"KSR-52V\"", 6},   {" 1,\"KSR-516\"", 0},          {" 1,\"ksr-527\"", -1},
        {" 1,\"KSR-527 \"", -1}, {" 1,\"WQJgrid\"", -1},         {" 1,0", kKept},
        {" 1,\"\"", kKept},      {" 1,\"KSR-527", kKept},
    };
    for (const auto& c : cases) {
        const ExchangeDocument document = readOverEarlierRow(" 1,7", c.row);
        EXPECT_EQ(document.rows[0].type, c.type) << c.row;
    }
}

TEST(Reader, TheFirstValidNonZeroBoxCountHolds) {
    const struct {
        const char* value;
        int32_t rowCount;
    } cases[] = {
        {"16384", 16384}, {"16385", 0}, {"-1", 0}, {"abc", 0}, {" +12", 12}, {"12abc", 12}, {"99999999999", 0},
    };
    for (const auto& c : cases) {
        const ExchangeDocument document =
            parseExchangeText(crlf({std::string("-1, \"Array.Main.BoxCount\",") + c.value}));
        EXPECT_EQ(document.rowCount, c.rowCount) << c.value;
        EXPECT_EQ(document.rows.size(), static_cast<size_t>(c.rowCount)) << c.value;
    }

    const std::string text = crlf({
        "-1, \"Array.Main.BoxCount\", 0",
        "-1, \"Array.Main.BoxCount\", 3",
        "-1, \"Array.Main.BoxCount\", 5",
    });
    const ExchangeDocument document = parseExchangeText(text);
    EXPECT_EQ(document.rowCount, 3);
    EXPECT_EQ(text.substr(*document.span(ksr::Record::boxCount).from, 3), " 3\r");
    EXPECT_EQ(text.substr(*document.span(ksr::Record::boxCount).to), "-1, \"Array.Main.BoxCount\", 5\r\n");
}

TEST(Reader, TheLastValidRigTypeWinsAndTheLastRecordHoldsThePosition) {
    const std::string text = crlf({
        "-1, \"Array.Main.RigType\", 2",
        "-1, \"Array.Main.RigType\", -99999999999",
        "-1, \"Array.Main.RigType\", x",
        "end",
    });
    const ExchangeDocument document = parseExchangeText(text);
    EXPECT_EQ(document.rigType, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(text.substr(*document.span(ksr::Record::rigType).from), " x\r\nend\r\n");
    EXPECT_EQ(text.substr(*document.span(ksr::Record::rigType).to), "end\r\n");
}

TEST(Reader, KeysAreFoundAnywhereInABeginOrScalarLine) {
    const ExchangeDocument document = parseExchangeText(crlf({
        "-1, \"Array.Main.BoxCount\", 2",
        "-1, \"Notes\", \"angles below: Box.Main.Angle\"",
        " 1,-2",
        " 1,-4",
        " 0, \"Notes\"",
        " 1,-9",
        "-2, \"Box.Main.Type and Array.Main.BoxCount\", 7",
        " 1,\"KSR-516\"",
    }));
    EXPECT_EQ(document.rowCount, 2);
    EXPECT_EQ(document.rows[0].type, ksr::kNoBoxType);
    EXPECT_EQ(document.typeRowsSeen, 0);
    EXPECT_EQ(document.rows[0].angle, -2.0f);
    EXPECT_EQ(document.rows[1].angle, -4.0f);
    EXPECT_TRUE(document.span(ksr::Record::angleRows).to.has_value());
}

TEST(Reader, RowsAreStoredOnlyAfterACountAndWithinIt) {
    const ExchangeDocument late = parseExchangeText(crlf({
        " -2, \"Box.Main.Type\"", " 1,\"KSR-516\"", " 0, \"Box.Main.Type\"",
        "-1, \"Array.Main.BoxCount\", 1",
    }));
    EXPECT_EQ(late.rowCount, 1);
    EXPECT_EQ(typesOf(late), (std::vector<int32_t>{-1}));
    EXPECT_EQ(late.typeRowsSeen, 1);

    const ExchangeDocument bounded = parseExchangeText(crlf({
        "-1, \"Array.Main.BoxCount\", 3",
        " -2, \"Box.Main.Type\"", " 1,\"KSR-516\"", " 1,\"KSR-527\"", " 0, \"Box.Main.Type\"",
        " -2, \"Box.Main.Level\"", " 1,-1", " 1,-2", " 1,-3", " 1,-4", " 1,-5", " 0, \"Box.Main.Level\"",
        " 1,\"KB-340\"",
    }));
    EXPECT_EQ(typesOf(bounded), (std::vector<int32_t>{0, 2, -1}));
    EXPECT_EQ(bounded.rows[2].level, -3.0f);
    EXPECT_EQ(bounded.typeRowsSeen, 2);
}

TEST(Reader, AnyEndRecordClosesTheOpenArray) {
    const std::string text = crlf({
        "-1, \"Array.Main.BoxCount\", 2",
        " -2, \"Box.Main.Type\"",
        " 1,\"KSR-516\"",
        " 0, \"Something.Else\"",
        " 1,\"KSR-527\"",
        " 0, \"Box.Main.Type\"",
    });
    const ExchangeDocument document = parseExchangeText(text);
    EXPECT_EQ(typesOf(document), (std::vector<int32_t>{0, -1}));
    EXPECT_EQ(text.substr(*document.span(ksr::Record::typeRows).to, 20), " 0, \"Something.Else\"");
}

TEST(Reader, RecordsWhereTheWriterSplices) {
    const std::string text = crlf({
        " \"header\", 1",
        "-1, \"Array.Main.RigType\", 2",
        "-1, \"Array.Main.BoxCount\", 1",
        " -2, \"Box.Main.Type\"", " 1,\"KSR-516\"", " 0, \"Box.Main.Type\"",
        " -2, \"Box.Main.Level\"", " 1,-1", " 0, \"Box.Main.Level\"",
        " -2, \"Box.Main.Angle\"", " 1,-2", " 0, \"Box.Main.Angle\"",
        "-1, \"tail\", 0",
    });
    const ExchangeDocument d = parseExchangeText(text);
    auto from = [&](const ksr::TextPosition& position) { return text.substr(*position, 12); };
    EXPECT_EQ(from(d.span(ksr::Record::rigType).from), " 2\r\n-1, \"Arr");
    EXPECT_EQ(from(d.span(ksr::Record::rigType).to), "-1, \"Array.M");
    EXPECT_EQ(from(d.span(ksr::Record::boxCount).from), " 1\r\n -2, \"Bo");
    EXPECT_EQ(from(d.span(ksr::Record::boxCount).to), " -2, \"Box.Ma");
    EXPECT_EQ(from(d.span(ksr::Record::typeRows).from), " 1,\"KSR-516\"");
    EXPECT_EQ(from(d.span(ksr::Record::typeRows).to), " 0, \"Box.Mai");
    EXPECT_EQ(from(d.span(ksr::Record::levelRows).from), " 1,-1\r\n 0, \"");
    EXPECT_EQ(text.substr(*d.span(ksr::Record::levelRows).to, 19), " 0, \"Box.Main.Level");
    EXPECT_EQ(from(d.span(ksr::Record::angleRows).from), " 1,-2\r\n 0, \"");
    EXPECT_EQ(text.substr(*d.span(ksr::Record::angleRows).to, 19), " 0, \"Box.Main.Angle");
    EXPECT_EQ(*d.text, text);
}

TEST(Reader, TextWithoutRecordsGivesAnEmptyDocument) {
    for (const std::string& text : {std::string(), std::string("\r\n\n\r"), std::string("no records here, at all"),
                                   std::string("\0-1, \"Array.Main.BoxCount\", 3", 29)}) {
        const ExchangeDocument document = parseExchangeText(text);
        EXPECT_EQ(document.rowCount, 0);
        EXPECT_EQ(document.rigType, 0);
        EXPECT_TRUE(document.rows.empty());
        EXPECT_EQ(document.text, text);
        EXPECT_FALSE(document.span(ksr::Record::boxCount).from || document.span(ksr::Record::rigType).from || document.span(ksr::Record::typeRows).from);
    }
}

TEST(LoadExchangeText, ReadsAWholeFileOfAtLeast32Bytes) {
    ScratchFolder folder;
    const std::string exact32("0123456789\r\n\0abcdefghij\rABCDEFG.", 32);
    writeBytes(folder.file("32.velt"), exact32);
    writeBytes(folder.file("31.velt"), exact32.substr(1));

    const ksr::LoadedText loaded = ksr::loadExchangeText(folder.file("32.velt"));
    EXPECT_EQ(loaded.status, ksr::LoadStatus::loaded);
    EXPECT_EQ(loaded.text, exact32);
    EXPECT_EQ(ksr::loadExchangeText(folder.file("31.velt")).status, ksr::LoadStatus::tooShort);
    EXPECT_EQ(ksr::loadExchangeText(folder.file("missing.velt")).status, ksr::LoadStatus::unreadable);
    EXPECT_FALSE(ksr::parseExchangeFile(folder.file("31.velt")).has_value());
    EXPECT_FALSE(ksr::parseExchangeFile(folder.file("missing.velt")).has_value());
    EXPECT_TRUE(ksr::parseExchangeFile(folder.file("32.velt")).has_value());
}

TEST(LoadExchangeText, RefusesAFileBeyondTheSizeLimit) {
    ScratchFolder folder;
    std::filesystem::path huge = folder.path() / "huge.velt";
    writeBytes(huge, "-1, \"Array.Main.BoxCount\", 4\r\n");
    std::filesystem::resize_file(huge, ksr::kMaxExchangeFileSize + 1);
    EXPECT_EQ(ksr::loadExchangeText(huge.string()).status, ksr::LoadStatus::unreadable);
}

}  // namespace
