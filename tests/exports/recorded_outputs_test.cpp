// The module's answers for two mixed arrays compared bit for bit with the
// recorded ones in fixtures/recorded_outputs.txt: every component's levels,
// phases and delay at seats across a hall (the venue and array that
// bench/response_bench.cpp maps), with and without air absorption, the host
// positions and angles of the components, and the outline. A refactoring must leave every value as it
// was. With KSR_RECORD_OUTPUTS=1 in the environment the test writes the file
// anew instead (only when a change of behaviour is meant).

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "module_fixture.h"

namespace {

constexpr int32_t kBoxes = 16;

const std::string kRecordPath = std::string(KSR_SOURCE_DIR) + "/tests/exports/fixtures/recorded_outputs.txt";

std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%a", static_cast<double>(value));
    return text;
}

// The benchmark's array (types 0..7 twice, a curve growing downwards, hung
// 12 m up, a filter on every band) or one cycling through all ten ids.
void setUpArray(int32_t typeCycle) {
    const int32_t id = CI_GetFreeID();
    ASSERT_EQ(CI_MakeCurrent(id), 0);
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = kBoxes;
    record.gridElevation = -2.0f;
    for (int32_t j = 0; j < kBoxes; ++j) {
        record.boxes[j] = {j % typeCycle, -2.0f - 0.75f * static_cast<float>(j * j) / 4.0f, 0.0f};
    }
    ASSERT_EQ(IP_SetValue(1, &record), 0);
    std::array<float, KSR_BAND_COUNT> gain{}, phase{};
    for (int32_t i = 0; i < KSR_BAND_COUNT; ++i) {
        gain[i] = -0.25f * static_cast<float>(i);
        phase[i] = 10.0f * static_cast<float>(i) - 100.0f;
    }
    ASSERT_EQ(IP_SetFilter(gain.data(), phase.data()), 0);
    const float position[3] = {0.0f, 0.0f, 12.0f};
    const float angles[3] = {0.0f, 0.0f, 0.0f};
    ASSERT_EQ(CI_SetLspkPosition3fv(position), 0);
    ASSERT_EQ(CI_SetLspkAngles3fv(angles), 0);
}

// FNV-1a over the bits of a run of floats: a seat's 16 responses in one
// number, so that the recorded file stays small.
uint64_t digest(uint64_t hash, const float* values, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &values[i], sizeof bits);
        for (int byte = 0; byte < 4; ++byte) {
            hash = (hash ^ ((bits >> (8 * byte)) & 0xFFu)) * 0x100000001b3ull;
        }
    }
    return hash;
}

// Per seat of a grid over the hall one line: the seat and the digest of
// every component's 21 levels, 21 phases and delay; for every fifteenth seat
// the values themselves follow, one line per component.
void recordResponses(std::ostream& out, bool airAbsorption) {
    const int32_t off = airAbsorption ? 0 : 1;
    ASSERT_EQ(DLLSetFlag(1, &off), 0);
    int32_t seat = 0;
    for (int32_t row = 0; row < 160; row += 11) {
        for (int32_t column = 0; column < 120; column += 17, ++seat) {
            const float depth = 2.0f + 0.5f * static_cast<float>(row);
            const float position[3] = {-30.0f + 0.5f * static_cast<float>(column), -depth, 1.2f + 0.08f * depth};
            ASSERT_EQ(CI_SetSeatPosition3fv(position), 0);
            uint64_t hash = 0xcbf29ce484222325ull;
            std::ostringstream values;
            for (int32_t c = 1; c <= kBoxes; ++c) {
                std::array<float, KSR_BAND_COUNT> level{}, phase{};
                float delay = 0.0f;
                ASSERT_EQ(CI_GetCompFR(c, level.data(), phase.data(), &delay), 0);
                hash = digest(hash, level.data(), level.size());
                hash = digest(hash, phase.data(), phase.size());
                hash = digest(hash, &delay, 1);
                values << " component " << c;
                for (float v : level) values << " " << number(v);
                for (float v : phase) values << " " << number(v);
                values << " " << number(delay) << "\n";
            }
            out << "seat " << off << " " << row << " " << column << " " << std::hex << hash << std::dec << "\n";
            if (seat % 15 == 0) out << values.str();
        }
    }
}

void recordPlacementAndOutline(std::ostream& out) {
    for (int32_t c = 1; c <= kBoxes; ++c) {
        float position[3], angles[3];
        ASSERT_EQ(CI_GetCompPosition3fv(c, position), 0);
        ASSERT_EQ(CI_GetCompAngles3fv(c, angles), 0);
        out << "component " << c;
        for (float v : position) out << " " << number(v);
        for (float v : angles) out << " " << number(v);
        out << "\n";
    }
    int32_t count = 0;
    ASSERT_EQ(CS_GetVertexNumber(&count), 0);
    std::vector<CaseVertex> vertices(static_cast<size_t>(count));
    ASSERT_EQ(CS_GetVertexArray(vertices.data()), 0);
    for (const CaseVertex& v : vertices) out << "vertex " << number(v.x) << " " << number(v.y) << " " << number(v.z) << "\n";
    ASSERT_EQ(CS_GetEdgeNumber(&count), 0);
    std::vector<CaseEdge> edges(static_cast<size_t>(count));
    ASSERT_EQ(CS_GetEdgeArray(edges.data()), 0);
    for (const CaseEdge& e : edges) out << "edge " << e.kind << " " << e.first << " " << e.second << "\n";
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

using RecordedOutputs = FreshModule;

TEST_F(RecordedOutputs, AreUnchangedBitForBit) {
    std::ostringstream out;
    for (int32_t typeCycle : {8, 10}) {
        out << "array of types 0.." << typeCycle - 1 << "\n";
        setUpArray(typeCycle);
        recordPlacementAndOutline(out);
        recordResponses(out, true);
        recordResponses(out, false);
    }
    ASSERT_FALSE(HasFatalFailure());

    const char* record = std::getenv("KSR_RECORD_OUTPUTS");
    if (record != nullptr && std::string(record) == "1") {
        std::ofstream(kRecordPath, std::ios::binary) << out.str();
        GTEST_SKIP() << "recorded " << kRecordPath;
    }
    const std::string recorded = readFile(kRecordPath);
    ASSERT_FALSE(recorded.empty()) << kRecordPath;
    std::istringstream was(recorded), now(out.str());
    std::string wasLine, nowLine;
    int32_t line = 0, differing = 0;
    while (std::getline(was, wasLine) && std::getline(now, nowLine)) {
        ++line;
        if (wasLine != nowLine && ++differing <= 5) {
            ADD_FAILURE() << "line " << line << "\nrecorded: " << wasLine << "\nnow:      " << nowLine;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(recorded.size(), out.str().size());
}
