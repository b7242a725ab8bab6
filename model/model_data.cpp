#include "model/model_data.h"

#include <array>
#include <bit>
#include <cstring>

#include "model/numeric.h"

namespace ksr {

namespace {

static_assert(std::endian::native == std::endian::little, "the blob holds little-endian floats");

using BandTable = std::array<float, kBandCount>;

// Level at 1 m: the woofers' level in bands 1..12, the crossover band 13, the
// waveguide's level in bands 14..21.
constexpr BandTable levelTable(float woofer, float crossover, float waveguide) {
    BandTable t{};
    for (int32_t i = 0; i < kBandCount; ++i) t[i] = i < 12 ? woofer : (i == 12 ? crossover : waveguide);
    return t;
}

constexpr int32_t kOwnLevelTableCount = 6;  // ids 0, 2, 3, 4, 6, 7

// The level tables in the order of their ids.
constexpr std::array<BandTable, kOwnLevelTableCount> kLevelAt1m{
    levelTable(128.03f, 132.78f, 137.05f),  // id 0
    levelTable(128.03f, 133.28f, 138.05f),  // id 2
    levelTable(128.03f, 133.28f, 138.05f),  // id 3
    levelTable(128.03f, 132.78f, 137.05f),  // id 4
    levelTable(128.03f, 133.28f, 138.05f),  // id 6
    levelTable(128.03f, 133.28f, 138.05f),  // id 7
};

// Which level table each id reads: ids 1 and 5 have none of their own and
// read those of ids 0 and 4.
constexpr std::array<int32_t, kModelDataIdCount> kLevelTableOfId{0, 0, 1, 2, 3, 3, 4, 5};

constexpr bool hasOwnLevelTable(int32_t id) { return id != 1 && id != 5; }

constexpr BandTable kDirectivityKsr516{0.93f,  1.56f,  2.30f,  3.05f,  3.36f,  3.48f,  4.20f,
                                       5.72f,  5.91f,  5.22f,  8.48f,  8.97f,  11.74f, 11.66f,
                                       11.28f, 11.70f, 12.53f, 13.68f, 15.31f, 14.41f, 14.38f};
constexpr BandTable kDirectivityKsr527{0.89f,  1.46f,  2.25f,  3.14f,  3.69f,  4.21f,  5.17f,
                                       6.73f,  7.25f,  5.62f,  8.95f,  9.54f,  11.91f, 12.80f,
                                       12.88f, 13.11f, 14.47f, 14.76f, 16.13f, 15.51f, 15.92f};
constexpr BandTable kDirectivityKsr51V{0.91f,  1.53f,  2.28f,  3.09f,  3.61f,  3.88f,  4.59f,
                                       6.27f,  6.57f,  5.75f,  8.70f,  9.21f,  11.88f, 11.64f,
                                       11.16f, 11.51f, 12.47f, 13.63f, 15.04f, 14.46f, 14.51f};
constexpr BandTable kDirectivityKsr52V{0.93f,  1.54f,  2.28f,  3.13f,  3.63f,  3.93f,  4.69f,
                                       6.14f,  6.15f,  5.31f,  9.00f,  9.56f,  12.21f, 12.93f,
                                       13.14f, 13.20f, 14.57f, 14.89f, 16.20f, 15.72f, 16.19f};

// Directivity index by id; the two ids of one model carry the same values.
constexpr std::array<BandTable, kModelDataIdCount> kDirectivityIndex{
    kDirectivityKsr516, kDirectivityKsr516, kDirectivityKsr527, kDirectivityKsr527,
    kDirectivityKsr51V, kDirectivityKsr51V, kDirectivityKsr52V, kDirectivityKsr52V,
};

// Layout of the blob.
constexpr std::size_t kBandTableBytes = sizeof(BandTable);
constexpr std::size_t kPolarRowValues = kAzimuthSteps;
constexpr std::size_t kBandValues = static_cast<std::size_t>(kPolarSteps) * kAzimuthSteps;
constexpr std::size_t kBalloonBytes = kBandCount * kBandValues * sizeof(float);

// Byte offset of each id's balloon in the blob.
constexpr std::array<std::size_t, kModelDataIdCount> kBalloonOffset = [] {
    std::array<std::size_t, kModelDataIdCount> offsets{};
    std::size_t at = 0;
    for (int32_t id = 0; id < kModelDataIdCount; ++id) {
        if (hasOwnLevelTable(id)) at += kBandTableBytes;
        at += kBandTableBytes;  // directivity index
        offsets[id] = at;
        at += kBalloonBytes;
    }
    return offsets;
}();

static_assert(kBandTableBytes == 84 && kBalloonBytes == 223776);
static_assert(kBalloonOffset[kModelDataIdCount - 1] + kBalloonBytes == kModelDataBytes);

constexpr bool hasData(int32_t id) { return id >= 0 && id < kModelDataIdCount; }

constexpr int32_t bandIndex(int32_t band) { return clampIndex(band, int32_t{1}, kBandCount) - 1; }

}  // namespace

float boxLevelAt1m(int32_t id, int32_t band) {
    if (!hasData(id)) return kNoDataLevelAt1m;
    return kLevelAt1m[kLevelTableOfId[id]][bandIndex(band)];
}

float boxDirectivityIndex(int32_t id, int32_t band) {
    if (!hasData(id)) return kNoDataDirectivityIndex;
    return kDirectivityIndex[id][bandIndex(band)];
}

float boxBalloonValue(int32_t id, int32_t band, int32_t polarStep, int32_t azimuthStep) {
    if (!hasData(id)) return kNoDataBalloonValue;
    const std::size_t p = static_cast<std::size_t>(clampIndex(polarStep, int32_t{0}, kPolarSteps - 1));
    const std::size_t a = static_cast<std::size_t>(clampIndex(azimuthStep, int32_t{0}, kAzimuthSteps - 1));
    const std::size_t element = static_cast<std::size_t>(bandIndex(band)) * kBandValues + p * kPolarRowValues + a;
    float value;
    std::memcpy(&value, ksr_model_data + kBalloonOffset[id] + element * sizeof(float), sizeof value);
    return value;
}

}  // namespace ksr
