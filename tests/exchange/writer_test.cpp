// Writing exchange text from a document, in memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exchange/design_exchange.h"
#include "exchange/exchange_reader.h"
#include "exchange/exchange_writer.h"
#include "exchange_fixtures.h"
#include "model/catalogue.h"
#include "refusing_sink.h"

namespace {

using exchange_test::crlf;
using exchange_test::designOf;
using exchange_test::fixture;
using exchange_test::linesOf;
using ksr::ExchangeDocument;
using ksr::exchangeText;
using ksr::kExchangeVersionCurrent;
using ksr::parseExchangeText;

const ksr::WorkingDesign kFourFlown = designOf({{0, 0, 0}, {0, -0.5f, -1}, {0, -1, -2}, {0, -2, -3}}, false);
const ksr::WorkingDesign kEightFlown = designOf({{4, 0, 0}, {4, -1, -1}, {5, -2.46f, -2}, {6, -3, -3.5f},
                                                 {7, 0, -4}, {6, -0.5f, -5}, {8, -12, 2}, {9, -99, 0}},
                                                false);

std::string exported(const ksr::WorkingDesign& design, const std::string& source) {
    return exchangeText(ksr::designDocument(design, parseExchangeText(source)), kExchangeVersionCurrent);
}

TEST(Writer, PutsTheDesignIntoTheTemplate) {
    EXPECT_EQ(exported(kFourFlown, ksr::loadExchangeTemplate()), fixture("template_4_flown.velt"));
}

TEST(Writer, KeepsEveryOtherByteOfAProject) {
    EXPECT_EQ(exported(kEightFlown, fixture("external_30_rows.velt")), fixture("external_30_rows_8_boxes.velt"));
}

TEST(Writer, AWrittenFileReadAndWrittenAgainIsUnchanged) {
    for (const std::string& source : {ksr::loadExchangeTemplate(), fixture("external_30_rows.velt")}) {
        const std::string once = exported(kEightFlown, source);
        EXPECT_EQ(exchangeText(parseExchangeText(once), kExchangeVersionCurrent), once);
        EXPECT_EQ(exported(kEightFlown, once), once);
    }
}

TEST(Writer, WithoutASourceWritesTheFiveRecordsAlone) {
    EXPECT_EQ(exchangeText(ksr::designDocument(kFourFlown, ExchangeDocument{}), kExchangeVersionCurrent),
              fixture("five_records_4_flown.velt"));
}

TEST(Writer, RefusesATextItWouldNotKeepWhole) {
    using Kind = ksr::RecordFault::Kind;
    using R = ksr::Record;
    const std::string_view rig = "-1, \"Array.Main.RigType\", 2";
    const std::string_view count = "-1, \"Array.Main.BoxCount\", 1";
    const std::string_view type[] = {" -2, \"Box.Main.Type\"", " 1,\"WQJ-FRT\"", " 0, \"Box.Main.Type\""};
    const std::string_view level[] = {" -2, \"Box.Main.Level\"", " 1,-3", " 0, \"Box.Main.Level\""};
    const std::string_view angle[] = {" -2, \"Box.Main.Angle\"", " 1,-1", " 0, \"Box.Main.Angle\""};
    const std::string_view note = "-1, \"gigRev\", 4";
    const struct {
        const char* name;
        std::string source;
        Kind kind;
        R record;
        R follows;  // for records out of order
    } cases[] = {
        {"no records", crlf({" \"VELT header line\"", "Venue \"My hall\", 1", note}), Kind::missing,
         R::rigType, {}},
        {"no rig type", crlf({count, type[0], type[1], type[2], level[0], level[1], level[2], angle[0], angle[1],
                              angle[2], note}),
         Kind::missing, R::rigType, {}},
        {"no angle array", crlf({rig, count, type[0], type[1], type[2], level[0], level[1], level[2], note}),
         Kind::missing, R::angleRows, {}},
        {"type array without rows",
         crlf({rig, count, type[0], type[2], level[0], level[1], level[2], angle[0], angle[1], angle[2]}),
         Kind::noRows, R::typeRows, {}},
        {"level array without end", crlf({rig, count, type[0], type[1], type[2], level[0], level[1], angle[0],
                                          angle[1], angle[2], note}),
         Kind::noEnd, R::levelRows, {}},
        {"count before rig type", crlf({count, rig, type[0], type[1], type[2], level[0], level[1], level[2],
                                        angle[0], angle[1], angle[2]}),
         Kind::outOfOrder, R::boxCount, R::rigType},
        {"level before type", fixture("level_before_type.velt"), Kind::outOfOrder, R::levelRows,
         R::typeRows},
    };
    for (const auto& c : cases) {
        const ExchangeDocument document = ksr::designDocument(kFourFlown, parseExchangeText(c.source));
        const std::optional<ksr::RecordFault> fault = ksr::recordFault(document);
        ASSERT_TRUE(fault) << c.name;
        EXPECT_EQ(fault->kind, c.kind) << c.name;
        EXPECT_EQ(fault->record, c.record) << c.name;
        if (c.kind == Kind::outOfOrder) {
            EXPECT_EQ(fault->follows, c.follows) << c.name;
        }
        EXPECT_NE(ksr::describeRecordFault(*fault).find("\"" + std::string(ksr::recordKey(c.record)) + "\""),
                  std::string::npos)
            << c.name;

        ksr::StringSink sink;
        EXPECT_FALSE(ksr::emitExchangeText(document, kExchangeVersionCurrent, sink)) << c.name;
        EXPECT_EQ(sink.text, "") << c.name;
    }

    const std::string whole = crlf({" \"header\"", rig, count, type[0], type[1], type[2], level[0], level[1],
                                    level[2], angle[0], angle[1], angle[2], note});
    EXPECT_FALSE(ksr::recordFault(parseExchangeText(whole)));
    EXPECT_FALSE(ksr::recordFault(ExchangeDocument{}));
}

TEST(Writer, PadsOnlyUpToTheRowsOfTheSourcesTypeArray) {
    const std::string source = crlf({
        "-1, \"Array.Main.RigType\", 2",
        "-1, \"Array.Main.BoxCount\", 2",
        " -2, \"Box.Main.Type\"", " 1,\"x\"", " 1,\"y\"", " 0, \"Box.Main.Type\"",
        " -2, \"Box.Main.Level\"", " 1,0", " 1,0", " 1,0", " 1,0", " 1,0", " 1,0", " 0, \"Box.Main.Level\"",
        " -2, \"Box.Main.Angle\"", " 1,0", " 0, \"Box.Main.Angle\"",
    });
    const std::vector<std::string> lines = linesOf(exported(kFourFlown, source));
    const std::vector<std::string> expectedLevels{" -2, \"Box.Main.Level\"", " 1, 0.0", " 1, -0.5", " 1, -1.0",
                                                  " 1, -2.0", " 0, \"Box.Main.Level\""};
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 8, lines.begin() + 14), expectedLevels);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), " 1,0"), 0);
}

TEST(Writer, WritesLevelsAndAnglesWithOneRoundedDecimal) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {-2.46f, " 1, -2.5"}, {-0.05f, " 1, -0.1"}, {-0.04f, " 1, -0.0"}, {0.0f, " 1, 0.0"},
        {3.96f, " 1, 4.0"},   {-12.0f, " 1, -12.0"}, {-99.0f, " 1, -99.0"}, {1e6f, " 1, 1000000.0"},
    };
    for (const auto& c : cases) {
        const ksr::WorkingDesign design = designOf({{6, c.value, c.value}, {6, 0, 0}, {6, 0, 0}, {6, 0, 0}}, false);
        const std::vector<std::string> lines =
            linesOf(exchangeText(ksr::designDocument(design, ExchangeDocument{}), kExchangeVersionCurrent));
        EXPECT_EQ(lines[9], c.text) << c.value;
        EXPECT_EQ(lines[15], c.text) << c.value;
    }
}

TEST(Writer, NamesBoxTypesByTheCatalogueAndOthersAsZero) {
    for (int32_t id = 0; id < ksr::kBoxTypeCount; ++id) {
        const ksr::ExchangeName& names = ksr::exchangeNameTable[static_cast<size_t>(id)];
        EXPECT_STREQ(ksr::exchangeTypeName(id, ksr::kExchangeVersionCurrent), names.current);
        EXPECT_STREQ(ksr::exchangeTypeName(id, ksr::kExchangeVersionV21), names.older);
        EXPECT_EQ(ksr::boxTypeForExchangeName(names.current), id - id % 2 * ksr::isLineBox(id));
    }
    for (int32_t id : {-1, 10, 1000}) EXPECT_STREQ(ksr::exchangeTypeName(id, kExchangeVersionCurrent), "0");

    const ksr::WorkingDesign design = designOf({{12, 0, 0}, {5, 0, 0}, {5, 0, 0}, {5, 0, 0}}, false);
    const std::string text = exchangeText(ksr::designDocument(design, ExchangeDocument{}), kExchangeVersionCurrent);
    EXPECT_EQ(linesOf(text)[3], " 1,\"0\"");
    EXPECT_EQ(parseExchangeText(text).rows[0].type, ksr::kNoBoxType);
}

TEST(Writer, DesignDocumentKeepsTheCountWithinFourToSixteen) {
    ksr::WorkingDesign design = kFourFlown;
    for (const auto& [count, rows] : {std::pair{-5, 4}, std::pair{2, 4}, std::pair{16, 16}, std::pair{400, 16}}) {
        design.boxCount = count;
        const ExchangeDocument document = ksr::designDocument(design, ExchangeDocument{});
        EXPECT_EQ(document.rowCount, rows) << count;
        EXPECT_EQ(document.rows.size(), static_cast<size_t>(rows)) << count;
    }
}

TEST(Writer, StopsAtTheFirstBytesTheSinkRefuses) {
    const ExchangeDocument document = ksr::designDocument(kEightFlown, parseExchangeText(ksr::loadExchangeTemplate()));
    const std::string whole = exchangeText(document, kExchangeVersionCurrent);
    for (size_t taken : {size_t{0}, size_t{100}, whole.size() / 2, whole.size() - 1}) {
        ksr::StringSink sink;
        exchange_test::RefusingSink refusing(sink, taken);
        EXPECT_FALSE(ksr::emitExchangeText(document, kExchangeVersionCurrent, refusing)) << taken;
        EXPECT_EQ(sink.text, whole.substr(0, taken));
    }
}

}  // namespace
