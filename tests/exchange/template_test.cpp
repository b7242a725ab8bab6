// The built-in exchange-file template: the data exports and what the reader
// finds in them.

#include <dlfcn.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "exchange/exchange_reader.h"
#include "exchange_fixtures.h"
#include "exports/ksr.h"

namespace {

using exchange_test::linesOf;
using exchange_test::readBytes;

// FNV-1a (32 bit) of the template bytes; the Windows host test checks the
// DLL's export against the same value.
constexpr uint32_t kTemplateChecksum = 0xb25a1ebdu;

uint32_t fnv1a(std::string_view bytes) {
    uint32_t hash = 0x811c9dc5u;
    for (unsigned char c : bytes) hash = (hash ^ c) * 0x01000193u;
    return hash;
}

TEST(Template, IsTheDataFileWithItsSizeStoredRightAfterIt) {
    EXPECT_EQ(KSR_TEMPLATE_SIZE, 5076);
    ASSERT_EQ(VELT_TEMPLATE_SIZE, KSR_TEMPLATE_SIZE);
    EXPECT_EQ(static_cast<const void*>(VELT_TEMPLATE + KSR_TEMPLATE_SIZE),
              static_cast<const void*>(&VELT_TEMPLATE_SIZE));
    const std::string file = readBytes(KSR_SOURCE_DIR "/data/velt_template.txt");
    EXPECT_EQ(std::string(VELT_TEMPLATE, KSR_TEMPLATE_SIZE), file);
    EXPECT_EQ(fnv1a(file), kTemplateChecksum);
    EXPECT_EQ(ksr::loadExchangeTemplate(), file);
}

TEST(Template, TheSharedLibraryExportsTheSameBytes) {
    void* module = dlopen(KSR_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    const auto* text = static_cast<const char*>(dlsym(module, "VELT_TEMPLATE"));
    const auto* size = static_cast<const int32_t*>(dlsym(module, "VELT_TEMPLATE_SIZE"));
    ASSERT_NE(text, nullptr);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(*size, 5076);
    EXPECT_EQ(static_cast<const void*>(text + 5076), static_cast<const void*>(size));
    EXPECT_EQ(fnv1a(std::string_view(text, 5076)), kTemplateChecksum);
    dlclose(module);
}

TEST(Template, EveryLineEndsInCrLfAndTheNotesHoldOneBareLf) {
    const std::string text = ksr::loadExchangeTemplate();
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    size_t bareLf = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            EXPECT_EQ(text[i + 1], '\n') << "bare CR at " << i;
        }
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            EXPECT_EQ(bareLf, std::string::npos) << "second bare LF at " << i;
            bareLf = i;
        }
    }
    ASSERT_NE(bareLf, std::string::npos);
    const size_t notes = text.rfind("-1, \"Notes\", \"This example shows coverage");
    EXPECT_LT(notes, bareLf);
    EXPECT_EQ(text.substr(bareLf - 15), "loudspeakers.  \nThe evenness of coverage is outstanding.\"\r\n");
}

TEST(Template, HoldsTheRecordsInTheirPlaces) {
    const std::vector<std::string> lines = linesOf(ksr::loadExchangeTemplate());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), " \"ZK.VELT.QQSV\", 2, 1003, \"2008-11-05 15:02:18\"");
    EXPECT_EQ(lines[1], "-1, \"gigVenue\", \"VELT Export Blank Template\"");
    auto at = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    const auto rig = at("-1, \"Array.Main.RigType\", 2");
    const auto count = at("-1, \"Array.Main.BoxCount\", 11");
    const auto typeBegin = at(" -2, \"Box.Main.Type\"");
    ASSERT_LT(rig, count);
    EXPECT_EQ(lines[static_cast<size_t>(rig) + 1], "-1, \"Array.Main.BoxType\", \"WQJ\"");
    EXPECT_EQ(typeBegin, count + 1);
    EXPECT_EQ(lines[static_cast<size_t>(typeBegin) + 1], " 1,\"WQJgrid\"");
    EXPECT_EQ(lines[static_cast<size_t>(typeBegin) + 23], " 0, \"Box.Main.Type\"");
    EXPECT_EQ(lines[static_cast<size_t>(typeBegin) + 24], " ");
    EXPECT_LT(at(" 3,3000,500,8000"), count);
    EXPECT_LT(at("-1, \"Array.Main.Trim.Bottom\", 18.9444008704021"), count);
    EXPECT_GT(at("-1, \"Array.Delay.Trim.Top\", 7.78141415934543"), typeBegin);
    EXPECT_EQ(lines.back().substr(0, 13), "-1, \"Notes\", ");
}

TEST(Template, ParsesAsAGridAndTenBoxesOfTheSisterFamily) {
    const ksr::ExchangeDocument document = ksr::parseExchangeText(ksr::loadExchangeTemplate());
    EXPECT_EQ(document.rowCount, 11);
    EXPECT_EQ(document.rigType, 2);
    EXPECT_EQ(document.typeRowsSeen, 22);
    ASSERT_EQ(document.rows.size(), 11u);
    for (const ksr::ExchangeRow& row : document.rows) EXPECT_EQ(row.type, ksr::kNoBoxType);
    EXPECT_FLOAT_EQ(document.rows[1].level, -4.0f);
    EXPECT_FLOAT_EQ(document.rows[0].angle, 0.5f);
    EXPECT_FLOAT_EQ(document.rows[10].angle, -8.0f);
    const std::string& text = *document.text;
    EXPECT_EQ(text.substr(*document.span(ksr::Record::rigType).from, 3), " 2\r");
    EXPECT_EQ(text.substr(*document.span(ksr::Record::boxCount).from, 4), " 11\r");
    EXPECT_EQ(text.substr(*document.span(ksr::Record::typeRows).from, 13), " 1,\"WQJgrid\"\r");
    EXPECT_EQ(text.substr(*document.span(ksr::Record::angleRows).to, 21), " 0, \"Box.Main.Angle\"\r");
}

}  // namespace
