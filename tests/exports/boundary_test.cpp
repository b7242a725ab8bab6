// Every export runs its whole body inside exportCall (exports/boundary.h),
// so nothing thrown inside reaches the host: read from the sources, each
// function of the export list is defined once, and its body is one
// exportCall.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "exports/export_list.h"

namespace {

TEST(ExportBoundary, EveryExportIsOneGuardedCall) {
    std::map<std::string, int> definitions;
    const std::regex definition(R"(KSR_API\s+\w+\s+KSR_CALL\s+(\w+)\s*\([^)]*\)\s*\{\s*(return exportCall\()?)");
    for (const auto& entry : std::filesystem::directory_iterator(std::string(KSR_SOURCE_DIR) + "/exports")) {
        if (entry.path().extension() != ".cpp") continue;
        std::ifstream file(entry.path());
        std::stringstream text;
        text << file.rdbuf();
        const std::string source = text.str();
        for (std::sregex_iterator m(source.begin(), source.end(), definition), end; m != end; ++m) {
            const std::string name = (*m)[1];
            ++definitions[name];
            EXPECT_TRUE((*m)[2].matched) << name << " in " << entry.path().filename() << " runs outside exportCall";
        }
    }
    std::map<std::string, int> expected;
    for (const ksr::ExportEntry& entry : ksr::kExportList) {
        if (!entry.data) expected[entry.name] = 1;
    }
    EXPECT_EQ(definitions, expected);
}

}  // namespace
