// The loader's export table against the public header and the .def file,
// and libksr.so loaded as ksrhost loads it.

#include "module_loader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "host_error.h"

namespace ksrhost {
namespace {

std::string sourceFile(const std::string& relative) {
    std::ifstream file(std::string(KSR_SOURCE_DIR) + "/" + relative);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(ExportTable, HoldsEveryExportOfThePublicHeader) {
    std::set<std::string> declared;
    std::istringstream header(sourceFile("exports/ksr.h"));
    const std::regex declaration(R"(^KSR_API [^;(]*?\b(\w+)\s*[(\[;])");
    for (std::string line; std::getline(header, line);) {
        std::smatch m;
        if (std::regex_search(line, m, declaration)) declared.insert(m[1]);
    }
    EXPECT_GT(declared.size(), 60u);
    std::set<std::string> loaded;
    for (const ExportEntry& entry : kExportTable) loaded.insert(entry.name);
    EXPECT_EQ(loaded.size(), kExportTable.size()) << "a name twice";
    EXPECT_EQ(loaded, declared);
}

TEST(ExportTable, OrdinalsAgreeWithTheDefFile) {
    std::map<std::string, int> table;
    for (const ExportEntry& entry : kExportTable) table[entry.name] = entry.ordinal;
    std::istringstream def(sourceFile("exports/ksr.def"));
    const std::regex row(R"(^\s*(\w+)\s+@(\d+))");
    int rows = 0;
    for (std::string line; std::getline(def, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, row)) continue;
        ++rows;
        ASSERT_TRUE(table.count(m[1])) << m[1] << " is in ksr.def but not in the loader";
        EXPECT_EQ(table[m[1]], std::stoi(m[2])) << m[1];
    }
    EXPECT_GT(rows, 40);
    std::set<int> ordinals;
    for (const ExportEntry& entry : kExportTable) EXPECT_TRUE(ordinals.insert(entry.ordinal).second) << entry.ordinal;
}

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
