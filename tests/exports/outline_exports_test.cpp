#include <vector>

#include "module_fixture.h"

namespace {

constexpr int32_t kHostWord = 0x5A5A5A5A;

std::vector<CaseVertex> vertices() {
    int32_t count = -1;
    EXPECT_EQ(CS_GetVertexNumber(&count), 0);
    std::vector<CaseVertex> result(static_cast<size_t>(count > 0 ? count : 0), CaseVertex{9, 9, 9, 9, kHostWord});
    EXPECT_EQ(CS_GetVertexArray(result.data()), 0);
    return result;
}

std::vector<CaseEdge> edges() {
    int32_t count = -1;
    EXPECT_EQ(CS_GetEdgeNumber(&count), 0);
    std::vector<CaseEdge> result(static_cast<size_t>(count > 0 ? count : 0), CaseEdge{9, 9, 9, kHostWord});
    EXPECT_EQ(CS_GetEdgeArray(result.data()), 0);
    return result;
}

void setCount(int32_t boxCount) {
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = boxCount;
    ASSERT_EQ(IP_SetValue(1, &record), 0);
}

}  // namespace

using OutlineExports = FreshModule;

TEST_F(OutlineExports, DefaultDesign) {
    makeCurrentInstance();
    const std::vector<CaseVertex> v = vertices();
    ASSERT_EQ(v.size(), 16u);
    const float offsets[4][2] = {{0.37f, 0.09f}, {0.37f, -0.09f}, {0.0f, -0.13f}, {0.0f, 0.13f}};
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(v[n].one, 1);
        EXPECT_FLOAT_EQ(v[n].x, 0.36f);
        EXPECT_NEAR(v[n].y, 0.05423f + offsets[n][0], 1e-5f);
        EXPECT_NEAR(v[n].z, -0.12994f + offsets[n][1], 1e-5f);
    }
    EXPECT_NEAR(v[12].z, -0.90994f + 0.09f, 1e-5f);  // box 4
    for (const CaseVertex& vertex : v) EXPECT_EQ(vertex.hostWord, kHostWord);

    const std::vector<CaseEdge> e = edges();
    ASSERT_EQ(e.size(), 32u);
    struct Expected {
        int index, kind, first, second;
    };
    for (const Expected& x : {Expected{0, 0, 1, -1}, {4, 1, 1, 2}, {7, 1, 4, 1}, {8, 0, 5, -5}, {15, 1, 8, 5},
                              {31, 1, 16, 13}}) {
        EXPECT_EQ(e[x.index].kind, x.kind) << x.index;
        EXPECT_EQ(e[x.index].first, x.first) << x.index;
        EXPECT_EQ(e[x.index].second, x.second) << x.index;
    }
    for (const CaseEdge& edge : e) EXPECT_EQ(edge.hostWord, kHostWord);
}

TEST_F(OutlineExports, CountIsBoundedLikeTheComponentCount) {
    makeCurrentInstance();
    for (auto [stored, boxes] : {std::pair{20, 16}, {2, 4}, {-7, 4}, {INT32_MAX, 16}, {9, 9}}) {
        setCount(stored);
        EXPECT_EQ(vertices().size(), static_cast<size_t>(4 * boxes)) << stored;
        EXPECT_EQ(edges().size(), static_cast<size_t>(8 * boxes)) << stored;
        EXPECT_EQ(CI_GetComponents(), boxes);
    }
}

TEST_F(OutlineExports, FollowsEachDesignChange) {
    makeCurrentInstance();
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = 4;
    record.boxes[0] = {9, 90.0f, 0.0f};
    ASSERT_EQ(IP_SetValue(1, &record), 0);
    const std::vector<CaseVertex> v = vertices();
    ASSERT_EQ(v.size(), 16u);
    // Box 0's back top corner turned a quarter: (0.68, 0.25) becomes (0.25, -0.68).
    const ksr::BoxPlacement& box = ksr::moduleState().current->geometry.box[0];
    EXPECT_NEAR(v[0].y, box.localPosition[1] + 0.25f, 1e-5f);
    EXPECT_NEAR(v[0].z, box.localPosition[2] - 0.68f, 1e-5f);
}

TEST_F(OutlineExports, SymmetryAndMissingArguments) {
    int32_t symmetric = 5, other = 5;
    EXPECT_EQ(CS_GetSymmetry(&symmetric, &other), 0);  // needs no instance
    EXPECT_EQ(symmetric, -1);
    EXPECT_EQ(other, 0);
    EXPECT_EQ(CS_GetSymmetry(nullptr, &other), -1);
    EXPECT_EQ(CS_GetSymmetry(&symmetric, nullptr), -1);

    int32_t count = 77;
    CaseVertex vertex{9, 9, 9, 9, kHostWord};
    CaseEdge edge{9, 9, 9, kHostWord};
    EXPECT_EQ(CS_GetVertexNumber(&count), -1);
    EXPECT_EQ(CS_GetEdgeNumber(&count), -1);
    EXPECT_EQ(CS_GetVertexArray(&vertex), -1);
    EXPECT_EQ(CS_GetEdgeArray(&edge), -1);
    EXPECT_EQ(count, 77);
    EXPECT_EQ(vertex.one, 9);
    EXPECT_EQ(edge.kind, 9);

    makeCurrentInstance();
    EXPECT_EQ(CS_GetVertexNumber(nullptr), -1);
    EXPECT_EQ(CS_GetEdgeNumber(nullptr), -1);
    EXPECT_EQ(CS_GetVertexArray(nullptr), -1);
    EXPECT_EQ(CS_GetEdgeArray(nullptr), -1);
}
