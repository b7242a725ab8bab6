// The exchange-file template as a host reads it: the data exports at
// ordinals 103 (the text) and 104 (its size, stored right after the text).

#include <cstdint>
#include <string>
#include <string_view>

#include "host_module.h"

namespace {

using namespace ksr::ordinals;

// FNV-1a (32 bit) of data/velt_template.txt; the native template test checks
// the file against the same value.
constexpr uint32_t kTemplateChecksum = 0xb25a1ebdu;

uint32_t fnv1a(std::string_view bytes) {
    uint32_t hash = 0x811c9dc5u;
    for (unsigned char c : bytes) hash = (hash ^ c) * 0x01000193u;
    return hash;
}

TEST(TemplateExport, TextAndSizeAreAtTheirOrdinals) {
    const auto* text = hostModule().at<const char>(kVELT_TEMPLATE);
    const auto* size = hostModule().at<const int32_t>(kVELT_TEMPLATE_SIZE);
    ASSERT_NE(text, nullptr);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(*size, 5076);
    EXPECT_EQ(reinterpret_cast<const char*>(size), text + KSR_TEMPLATE_SIZE);
    EXPECT_EQ(fnv1a(std::string_view(text, KSR_TEMPLATE_SIZE)), kTemplateChecksum);
}

TEST(TemplateExport, HoldsTheMainArrayRecords) {
    const std::string text(hostModule().at<const char>(kVELT_TEMPLATE), KSR_TEMPLATE_SIZE);
    EXPECT_EQ(text.rfind(" \"ZK.VELT.QQSV\", 2, 1003, \"2008-11-05 15:02:18\"\r\n-1, \"gigVenue\", ", 0), 0u);
    for (const char* record : {"\r\n-1, \"Array.Main.RigType\", 2\r\n-1, \"Array.Main.BoxType\", \"WQJ\"\r\n",
                               "\r\n-1, \"Array.Main.BoxCount\", 11\r\n -2, \"Box.Main.Type\"\r\n 1,\"WQJgrid\"\r\n",
                               "\r\n 1,\"WQJ-388+\"\r\n 1,0\r\n",
                               "\r\n 0, \"Box.Main.Angle\"\r\n \r\n -2, \"Box.Main.Delay\"\r\n"}) {
        EXPECT_NE(text.find(record), std::string::npos) << record;
    }
    EXPECT_EQ(text.substr(text.size() - 59), "loudspeakers.  \nThe evenness of coverage is outstanding.\"\r\n");
}

}  // namespace
