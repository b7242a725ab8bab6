// The one export list against ksr.def (what the linker exports), against the
// declarations of ksr.h, and against libksr.so as built.

#include "exports/export_list.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string sourceFile(const std::string& relative) {
    std::ifstream file(std::string(KSR_SOURCE_DIR) + "/" + relative);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

struct Row {
    int ordinal;
    std::string name;
    bool data;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << row.name << " @" << row.ordinal << (row.data ? " DATA" : "");
}

TEST(ExportList, IsKsrDefRowForRow) {
    std::vector<Row> def;
    std::istringstream text(sourceFile("exports/ksr.def"));
    const std::regex row(R"(^\s+(\w+)\s+@(\d+)(\s+DATA)?\s*$)");
    for (std::string line; std::getline(text, line);) {
        std::smatch m;
        if (std::regex_match(line, m, row)) def.push_back({std::stoi(m[2]), m[1], m[3].matched});
    }
    std::vector<Row> list;
    for (const ksr::ExportEntry& entry : ksr::kExportList) list.push_back({entry.ordinal, entry.name, entry.data});
    EXPECT_EQ(list, def);
}

TEST(ExportList, NamesEveryExportOfThePublicHeader) {
    std::set<std::string> declared;
    std::istringstream header(sourceFile("exports/ksr.h"));
    const std::regex declaration(R"(^KSR_API [^;(]*?\b(\w+)\s*[(\[;])");
    for (std::string line; std::getline(header, line);) {
        std::smatch m;
        if (std::regex_search(line, m, declaration)) declared.insert(m[1]);
    }
    std::set<std::string> listed;
    for (const ksr::ExportEntry& entry : ksr::kExportList) listed.insert(entry.name);
    EXPECT_EQ(listed, declared);
}

TEST(ExportList, EveryNameIsExportedByTheModule) {
    void* module = dlopen(KSR_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    for (const ksr::ExportEntry& entry : ksr::kExportList) EXPECT_NE(dlsym(module, entry.name), nullptr) << entry.name;
    dlclose(module);
}

}  // namespace
