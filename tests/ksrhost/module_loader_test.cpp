// libksr.so loaded as ksrhost loads it. The export list it resolves is
// checked against ksr.def and ksr.h in tests/exports/export_list_test.cpp.

#include "module_loader.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host_error.h"

namespace ksrhost {
namespace {

TEST(LoadedModule, ResolvesTheExportsOfLibksr) {
    const LoadedModule module(KSR_MODULE_PATH);
    EXPECT_EQ(module.path(), KSR_MODULE_PATH);
    ASSERT_NE(module.exports().DLLVersion, nullptr);
    EXPECT_EQ(module.exports().DLLVersion(), 1000030);
    const char* name = nullptr;
    EXPECT_EQ(module.exports().DLLGetName(&name), 0);
    EXPECT_STREQ(name, "KSR Array");
    module.require({"DLLVersion", "DLLGetName"});
    EXPECT_THROW(module.require({"DLLNoSuchExport"}), std::logic_error);
    EXPECT_TRUE(module.missingExports().empty());
}

TEST(LoadedModule, ALibraryWithoutTheExportsLoadsAndNamesWhatItLacks) {
    const LoadedModule other("libm.so.6");
    const std::vector<ExportEntry> missing = other.missingExports();
    ASSERT_EQ(missing.size(), kExportTable.size());
    for (size_t i = 0; i < missing.size(); ++i) EXPECT_EQ(missing[i].ordinal, kExportTable[i].ordinal);
    try {
        other.require({"CI_GetCompFR"});
        FAIL() << "required export found";
    } catch (const HostError& e) {
        EXPECT_NE(std::string(e.what()).find("lacks the export CI_GetCompFR (ordinal 416)"), std::string::npos)
            << e.what();
    }
}

TEST(LoadedModule, AModuleThatCannotBeLoadedIsNamed) {
    try {
        LoadedModule module("/nonexistent/libksr.so");
        FAIL() << "loaded";
    } catch (const HostError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot load the module '/nonexistent/libksr.so'"), std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace ksrhost
