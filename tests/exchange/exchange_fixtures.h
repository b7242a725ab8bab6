#pragma once
// Fixture files and small builders for the exchange-file tests.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "design/working_design.h"
#include "scratch_folder.h"

namespace exchange_test {

// A file under tests/exchange/fixtures, byte for byte.
inline std::string fixture(const std::string& name) {
    return readBytes(std::string(KSR_SOURCE_DIR) + "/tests/exchange/fixtures/" + name);
}

// Lines joined with CR LF, the last one ended too.
inline std::string crlf(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) text.append(line).append("\r\n");
    return text;
}

// Every occurrence of from replaced by to.
inline std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

struct Box {
    int32_t type;
    float gain;
    float differenceAngle;
};

// A working design holding boxes; the boxes after them keep a marker value
// that no import or export may take or change.
inline ksr::WorkingDesign designOf(std::initializer_list<Box> boxes, bool groundStacked) {
    ksr::WorkingDesign design;
    for (ksr::DesignBox& box : design.boxes) box = ksr::DesignBox{9, -7.0f, -9.0f};
    size_t i = 0;
    for (const Box& box : boxes) design.boxes[i++] = ksr::DesignBox{box.type, box.gain, box.differenceAngle};
    design.boxCount = static_cast<int32_t>(boxes.size());
    design.groundStacked = groundStacked ? 1 : 0;
    design.gridElevation = -3.0f;
    return design;
}

// The lines of a text, without their line ends.
inline std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace exchange_test
