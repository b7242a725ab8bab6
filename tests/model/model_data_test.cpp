#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <numbers>
#include <optional>
#include <vector>

#include "model/model_data.h"

using namespace ksr;

namespace {

constexpr int32_t kBandValues = kPolarSteps * kAzimuthSteps;
constexpr int32_t kBalloonValues = kBandCount * kBandValues;
constexpr int32_t kUp = 18, kLeft = 36, kDown = 54;  // azimuth steps

using BandTable = std::array<float, kBandCount>;

// data/model_data.bin read on its own, straight from the layout: the oracle
// for the lookups and the object of the data checks.
struct DataFile {
    struct Block {
        std::optional<BandTable> level;
        BandTable directivity{};
        std::vector<float> balloon;
        float at(int32_t band, int32_t p, int32_t a) const {
            return balloon[(band - 1) * kBandValues + p * kAzimuthSteps + a];
        }
    };
    std::vector<unsigned char> bytes;
    std::array<Block, kModelDataIdCount> blocks;
};

const DataFile& dataFile() {
    static const DataFile file = [] {
        DataFile f;
        std::ifstream in(KSR_SOURCE_DIR "/data/model_data.bin", std::ios::binary);
        f.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (f.bytes.size() != kModelDataBytes) return f;
        std::size_t at = 0;
        auto take = [&](float* out, std::size_t n) {
            std::memcpy(out, f.bytes.data() + at, n * sizeof(float));
            at += n * sizeof(float);
        };
        for (int32_t id = 0; id < kModelDataIdCount; ++id) {
            DataFile::Block& b = f.blocks[id];
            if (id != 1 && id != 5) take(b.level.emplace().data(), kBandCount);
            take(b.directivity.data(), kBandCount);
            b.balloon.resize(kBalloonValues);
            take(b.balloon.data(), kBalloonValues);
        }
        return f;
    }();
    return file;
}

const DataFile::Block& block(int32_t id) { return dataFile().blocks[id]; }

class ModelDataFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(dataFile().bytes.size(), kModelDataBytes) << "data/model_data.bin"; }
};

// Solid angle of each grid point's cell: the ring theta +- 2.5 deg split into
// 72 cells, and at p = 0 and p = 36 the polar cap of half-width 2.5 deg shared
// by the 72 points of the row. The weights add up to 4 pi.
std::array<double, kPolarSteps> cellSolidAngles() {
    const double half = 2.5 * std::numbers::pi / 180.0;
    std::array<double, kPolarSteps> w{};
    for (int32_t p = 0; p < kPolarSteps; ++p) {
        const double theta = 5.0 * p * std::numbers::pi / 180.0;
        w[p] = (std::cos(theta - half) - std::cos(theta + half)) * 2.0 * std::numbers::pi / kAzimuthSteps;
    }
    w[0] = w[kPolarSteps - 1] = 2.0 * std::numbers::pi * (1.0 - std::cos(half)) / kAzimuthSteps;
    return w;
}

// DI = 10 log10(4 pi / sum of w * 10^(-B/10)) over the band's balloon.
double integratedDirectivityIndex(const DataFile::Block& b, int32_t band) {
    static const std::array<double, kPolarSteps> w = cellSolidAngles();
    double power = 0.0;
    for (int32_t p = 0; p < kPolarSteps; ++p) {
        for (int32_t a = 0; a < kAzimuthSteps; ++a) power += w[p] * std::pow(10.0, -b.at(band, p, a) / 10.0);
    }
    return 10.0 * std::log10(4.0 * std::numbers::pi / power);
}

}  // namespace

TEST(ModelDataLookups, IdsWithoutDataReadTheDefaults) {
    const int32_t ids[] = {8, 9, -1, 10, 100, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    for (int32_t id : ids) {
        for (int32_t band : {1, 13, 21}) {
            EXPECT_EQ(boxLevelAt1m(id, band), 0.0f) << "id " << id;
            EXPECT_EQ(boxDirectivityIndex(id, band), 0.0f) << "id " << id;
            for (int32_t p : {0, 18, 36}) {
                for (int32_t a : {0, 17, 71}) EXPECT_EQ(boxBalloonValue(id, band, p, a), 200.0f) << "id " << id;
            }
        }
    }
}

TEST(ModelDataLookups, LevelAt1mFollowsTheTwoPublishedTables) {
    struct Case {
        int32_t band;
        float quiet, loud;  // ids 0, 1, 4, 5 and ids 2, 3, 6, 7
    };
    const Case cases[] = {{1, 128.03f, 128.03f},  {12, 128.03f, 128.03f}, {13, 132.78f, 133.28f},
                          {14, 137.05f, 138.05f}, {21, 137.05f, 138.05f}};
    for (const Case& c : cases) {
        for (int32_t id : {0, 1, 4, 5}) EXPECT_EQ(boxLevelAt1m(id, c.band), c.quiet) << "id " << id << " band " << c.band;
        for (int32_t id : {2, 3, 6, 7}) EXPECT_EQ(boxLevelAt1m(id, c.band), c.loud) << "id " << id << " band " << c.band;
    }
    for (int32_t band = 1; band <= kBandCount; ++band) {
        EXPECT_EQ(boxLevelAt1m(1, band), boxLevelAt1m(0, band));
        EXPECT_EQ(boxLevelAt1m(5, band), boxLevelAt1m(4, band));
    }
}

TEST(ModelDataLookups, DirectivityIndexIsPublishedPerModelAndSharedByItsTwoIds) {
    struct Case {
        int32_t id, band;
        float value;
    };
    const Case cases[] = {{0, 1, 0.93f},  {0, 21, 14.38f}, {1, 10, 5.22f},  {2, 1, 0.89f},  {3, 14, 12.80f},
                          {4, 11, 8.70f}, {5, 21, 14.51f}, {6, 9, 6.15f},   {7, 21, 16.19f}, {6, 15, 13.14f}};
    for (const Case& c : cases) EXPECT_EQ(boxDirectivityIndex(c.id, c.band), c.value) << "id " << c.id << " band " << c.band;
    for (int32_t id = 0; id < kModelDataIdCount; id += 2) {
        for (int32_t band = 1; band <= kBandCount; ++band) {
            EXPECT_EQ(boxDirectivityIndex(id + 1, band), boxDirectivityIndex(id, band)) << "id " << id;
        }
    }
}

TEST(ModelDataLookups, BandsAndStepsOutsideTheGridReadTheNearestEdge) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(boxLevelAt1m(2, 0), boxLevelAt1m(2, 1));
    EXPECT_EQ(boxLevelAt1m(2, kMax), boxLevelAt1m(2, 21));
    EXPECT_EQ(boxDirectivityIndex(6, kMin), boxDirectivityIndex(6, 1));
    EXPECT_EQ(boxDirectivityIndex(6, 22), boxDirectivityIndex(6, 21));
    EXPECT_EQ(boxBalloonValue(7, kMin, 10, 10), boxBalloonValue(7, 1, 10, 10));
    EXPECT_EQ(boxBalloonValue(7, kMax, 10, 10), boxBalloonValue(7, 21, 10, 10));
    EXPECT_EQ(boxBalloonValue(7, 21, -1, 10), boxBalloonValue(7, 21, 0, 10));
    EXPECT_EQ(boxBalloonValue(7, 21, kMax, 10), boxBalloonValue(7, 21, 36, 10));
    EXPECT_EQ(boxBalloonValue(7, 21, 20, kMin), boxBalloonValue(7, 21, 20, 0));
    EXPECT_EQ(boxBalloonValue(7, 21, 20, 72), boxBalloonValue(7, 21, 20, 71));
}

TEST_F(ModelDataFile, CompiledInDataIsTheCommittedFile) {
    const std::span<const unsigned char> blob = modelDataBlob();
    ASSERT_EQ(blob.size(), kModelDataBytes);
    EXPECT_TRUE(std::equal(blob.begin(), blob.end(), dataFile().bytes.begin()));
}

TEST_F(ModelDataFile, LookupsReadEveryValueOfTheFile) {
    for (int32_t id = 0; id < kModelDataIdCount; ++id) {
        const BandTable& level = *block(id == 1 || id == 5 ? id - 1 : id).level;
        for (int32_t band = 1; band <= kBandCount; ++band) {
            ASSERT_EQ(boxLevelAt1m(id, band), level[band - 1]) << "id " << id << " band " << band;
            ASSERT_EQ(boxDirectivityIndex(id, band), block(id).directivity[band - 1]) << "id " << id << " band " << band;
            for (int32_t p = 0; p < kPolarSteps; ++p) {
                for (int32_t a = 0; a < kAzimuthSteps; ++a) {
                    ASSERT_EQ(boxBalloonValue(id, band, p, a), block(id).at(band, p, a))
                        << "id " << id << " band " << band << " p " << p << " a " << a;
                }
            }
        }
    }
}

TEST_F(ModelDataFile, Ksr516MeetsItsPublishedBalloonValues) {
    struct Case {
        int32_t band, azimuthStep;
        std::array<float, 5> values;  // theta 15, 30, 60, 90, 180
    };
    const Case cases[] = {
        {1, 0, {0.10f, 0.29f, 0.84f, 1.30f, 0.75f}},       {1, kUp, {0.13f, 0.33f, 0.77f, 1.08f, 0.76f}},
        {8, 0, {0.88f, 2.42f, 5.77f, 7.54f, 8.60f}},       {8, kUp, {0.38f, 1.23f, 3.36f, 4.91f, 8.80f}},
        {14, 0, {2.20f, 4.28f, 5.83f, 13.08f, 21.20f}},    {14, kUp, {2.09f, 6.77f, 16.82f, 21.25f, 21.42f}},
        {21, 0, {-0.86f, 0.60f, 6.30f, 21.12f, 36.67f}},   {21, kUp, {8.96f, 15.06f, 20.75f, 28.82f, 37.23f}},
        {21, kDown, {9.32f, 15.30f, 19.13f, 29.17f, 36.74f}},
    };
    constexpr int32_t kPolarStepOf[] = {3, 6, 12, 18, 36};
    for (const Case& c : cases) {
        for (int32_t i = 0; i < 5; ++i) {
            EXPECT_NEAR(block(0).at(c.band, kPolarStepOf[i], c.azimuthStep), c.values[i], 0.01)
                << "band " << c.band << " azimuth step " << c.azimuthStep << " polar step " << kPolarStepOf[i];
        }
    }
}

TEST_F(ModelDataFile, SeatTwoAndAHalfDegreesToTheSideHearsHalfTheFiveDegreeValue) {
    // The response there interpolates halfway (P = 0.50001) between the axis
    // and 5 deg at azimuth 0; at 10 kHz, 10 m on axis it reads 117.05 dB.
    const double onAxis = 117.05f;
    const double t = 2.5 * 0.2 + 0.00001;
    const double balloon = (1.0 - t) * block(0).at(21, 0, 0) + t * block(0).at(21, 1, 0);
    EXPECT_EQ(std::round((onAxis - balloon) * 100.0) / 100.0, 117.06);
}

TEST_F(ModelDataFile, OnAxisRowIsExactlyZero) {
    for (int32_t id = 0; id < kModelDataIdCount; ++id) {
        for (int32_t band = 1; band <= kBandCount; ++band) {
            for (int32_t a = 0; a < kAzimuthSteps; ++a) {
                const float v = block(id).at(band, 0, a);
                ASSERT_TRUE(v == 0.0f && !std::signbit(v)) << "id " << id << " band " << band << " a " << a;
            }
        }
    }
}

TEST_F(ModelDataFile, ValuesAreFiniteWithinTheMeasuredRangeAndChangeGradually) {
    constexpr float kLowest = -0.9f, kHighest = 40.0f;
    constexpr float kLargestAngleStep = 10.0f, kLargestBandStep = 12.0f;  // dB between neighbours
    for (int32_t id = 0; id < kModelDataIdCount; ++id) {
        for (int32_t band = 1; band <= kBandCount; ++band) {
            for (int32_t p = 0; p < kPolarSteps; ++p) {
                for (int32_t a = 0; a < kAzimuthSteps; ++a) {
                    const float v = block(id).at(band, p, a);
                    ASSERT_TRUE(v >= kLowest && v <= kHighest) << "id " << id << " band " << band << " p " << p;
                    const float nextAzimuth = block(id).at(band, p, (a + 1) % kAzimuthSteps);
                    ASSERT_LE(std::fabs(nextAzimuth - v), kLargestAngleStep) << "id " << id << " band " << band;
                    if (p + 1 < kPolarSteps) {
                        ASSERT_LE(std::fabs(block(id).at(band, p + 1, a) - v), kLargestAngleStep);
                    }
                    if (band < kBandCount) {
                        ASSERT_LE(std::fabs(block(id).at(band + 1, p, a) - v), kLargestBandStep);
                    }
                }
            }
        }
    }
}

TEST_F(ModelDataFile, DirectivityIndexIntegratedFromTheBalloonMatchesTheTable) {
    constexpr double kToleranceDb = 0.5;
    for (int32_t id = 0; id < kModelDataIdCount; ++id) {
        double worst = 0.0;
        for (int32_t band = 1; band <= kBandCount; ++band) {
            const double di = integratedDirectivityIndex(block(id), band);
            EXPECT_NEAR(di, boxDirectivityIndex(id, band), kToleranceDb) << "id " << id << " band " << band;
            worst = std::max(worst, std::fabs(di - boxDirectivityIndex(id, band)));
        }
        RecordProperty("worst_di_deviation_id_" + std::to_string(id), std::to_string(worst));
    }
}

TEST_F(ModelDataFile, BothIdsOfAModelCarryIdenticalData) {
    for (int32_t id = 0; id < kModelDataIdCount; id += 2) {
        EXPECT_EQ(block(id + 1).directivity, block(id).directivity) << "id " << id;
        EXPECT_TRUE(block(id + 1).balloon == block(id).balloon) << "id " << id;
    }
    EXPECT_EQ(*block(3).level, *block(2).level);
    EXPECT_EQ(*block(7).level, *block(6).level);
    EXPECT_FALSE(block(1).level.has_value());
    EXPECT_FALSE(block(5).level.has_value());
}

TEST_F(ModelDataFile, BalloonsHaveTheShapeOfALineArrayBox) {
    for (int32_t id = 0; id < kModelDataIdCount; ++id) {
        const DataFile::Block& b = block(id);
        // Above 4 kHz: wide in the horizontal plane, narrow in the vertical one.
        for (int32_t band = 17; band <= kBandCount; ++band) {
            for (int32_t p : {3, 6, 12}) {
                EXPECT_LT(b.at(band, p, 0) + 3.0f, b.at(band, p, kUp)) << "id " << id << " band " << band;
                EXPECT_LT(b.at(band, p, kLeft) + 3.0f, b.at(band, p, kDown)) << "id " << id << " band " << band;
            }
        }
        // Nearly but not exactly mirror-symmetric between phi and 180 - phi;
        // up differs somewhat from down; the rear row varies a little.
        float mirror = 0.0f, upDown = 0.0f;
        for (int32_t band = 1; band <= kBandCount; ++band) {
            float rearLow = 1e9f, rearHigh = -1e9f;
            for (int32_t a = 0; a < kAzimuthSteps; ++a) {
                rearLow = std::min(rearLow, b.at(band, 36, a));
                rearHigh = std::max(rearHigh, b.at(band, 36, a));
                for (int32_t p = 0; p < kPolarSteps; ++p) {
                    const int32_t mirrored = (kLeft - a + kAzimuthSteps) % kAzimuthSteps;
                    mirror = std::max(mirror, std::fabs(b.at(band, p, a) - b.at(band, p, mirrored)));
                }
            }
            EXPECT_GT(rearHigh - rearLow, 0.01f) << "id " << id << " band " << band;
            EXPECT_LT(rearHigh - rearLow, 1.0f) << "id " << id << " band " << band;
            for (int32_t p = 0; p < kPolarSteps; ++p) {
                upDown = std::max(upDown, std::fabs(b.at(band, p, kUp) - b.at(band, p, kDown)));
            }
        }
        EXPECT_GT(mirror, 0.1f) << "id " << id;
        EXPECT_LT(mirror, 1.0f) << "id " << id;
        EXPECT_GT(upDown, 0.3f) << "id " << id;
        EXPECT_LT(upDown, 3.0f) << "id " << id;
    }
    // KSR527 and KSR52 V, with the higher index, are the narrower ones at the top.
    for (int32_t band = 17; band <= kBandCount; ++band) {
        EXPECT_GT(block(2).at(band, 12, 0), block(0).at(band, 12, 0) + 2.0f) << "band " << band;
        EXPECT_GT(block(6).at(band, 12, 0), block(4).at(band, 12, 0) + 2.0f) << "band " << band;
    }
}
