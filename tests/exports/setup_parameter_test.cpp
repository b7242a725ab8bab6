#include <cmath>
#include <cstring>
#include <limits>

#include "module_fixture.h"

namespace {

SetupRecord designRecord(int32_t version) {
    SetupRecord r{};
    r.version = version;
    r.boxCount = 6;
    r.gridElevation = -3.5f;
    r.hostValue = 77;
    for (int i = 0; i < KSR_MAX_COMPONENTS; ++i) {
        r.boxes[i] = {i % 2 == 0 ? 4 : 7, -3.5f - static_cast<float>(i), 0.5f * static_cast<float>(i)};
    }
    r.groundStacked = 1;
    return r;
}

SetupRecord readBack(int32_t version = 52) {
    SetupRecord r{};
    r.version = version;
    EXPECT_EQ(IP_GetValue(1, &r), 0);
    return r;
}

}  // namespace

using SetupParameter = FreshModule;

TEST_F(SetupParameter, Description) {
    EXPECT_EQ(IP_GetNumber(), 1);
    EXPECT_EQ(IP_GetID(1), 4);
    EXPECT_EQ(IP_GetType(1), 21);
    char label[KSR_LABEL_BUFFER_SIZE];
    std::memset(label, 'x', sizeof label);
    EXPECT_EQ(IP_GetLabel(1, label), 0);
    EXPECT_STREQ(label, "KSR Setup");
    EXPECT_EQ(label[10], 'x');

    int32_t untouched = 9;
    for (int32_t index : {0, 2, -1}) {
        EXPECT_EQ(IP_GetID(index), -1);
        EXPECT_EQ(IP_GetType(index), -1);
        EXPECT_EQ(IP_GetLabel(index, label), -1);
        EXPECT_EQ(IP_GetDefault(index, &untouched), -1);
        EXPECT_EQ(IP_GetMinimum(index, &untouched), -1);
        EXPECT_EQ(IP_GetMaximum(index, &untouched), -1);
    }
    EXPECT_STREQ(label, "KSR Setup");
    EXPECT_EQ(IP_GetDefault(1, &untouched), 0);
    EXPECT_EQ(IP_GetMinimum(1, &untouched), 0);
    EXPECT_EQ(IP_GetMaximum(1, &untouched), 0);
    EXPECT_EQ(untouched, 9);
}

TEST_F(SetupParameter, VersionQueryWritesOnlyTheVersion) {
    makeCurrentInstance();
    SetupRecord query;
    std::memset(&query, 0xAB, sizeof query);
    query.version = 0;
    SetupRecord expected = query;
    expected.version = 52;
    EXPECT_EQ(IP_GetValue(1, &query), 0);
    EXPECT_EQ(std::memcmp(&query, &expected, sizeof query), 0);
}

TEST_F(SetupParameter, NewInstanceHoldsTheDefaultDesign) {
    makeCurrentInstance();
    const SetupRecord r = readBack();
    EXPECT_EQ(r.version, 52);
    EXPECT_EQ(r.boxCount, 4);
    EXPECT_EQ(r.gridElevation, 0.0f);
    EXPECT_EQ(r.hostValue, 1);
    for (const SetupRecordBox& box : r.boxes) {
        EXPECT_EQ(box.boxType, 5);
        EXPECT_EQ(box.boxElevation, 0.0f);
        EXPECT_EQ(box.boxGain, 0.0f);
    }
    EXPECT_EQ(r.groundStacked, 0);
}

TEST_F(SetupParameter, Version52RoundTrips) {
    makeCurrentInstance();
    const SetupRecord in = designRecord(52);
    const SetupRecord copy = in;
    ASSERT_EQ(IP_SetValue(1, &in), 0);
    EXPECT_EQ(std::memcmp(&in, &copy, sizeof in), 0);  // the host's record is not changed
    const SetupRecord out = readBack();
    EXPECT_EQ(std::memcmp(&in, &out, sizeof in), 0);
}

TEST_F(SetupParameter, Version51CarriesNoGroundFlag) {
    makeCurrentInstance();
    const SetupRecord v52 = designRecord(52);
    ASSERT_EQ(IP_SetValue(1, &v52), 0);
    SetupRecord v51 = designRecord(51);
    v51.groundStacked = 1;  // beyond a version-51 record: never read
    ASSERT_EQ(IP_SetValue(1, &v51), 0);
    const SetupRecord out = readBack(52);
    EXPECT_EQ(out.groundStacked, 0);
    EXPECT_EQ(out.boxCount, 6);
    EXPECT_EQ(out.boxes[3].boxElevation, -6.5f);
    EXPECT_EQ(out.boxes[3].boxGain, 1.5f);
}

TEST_F(SetupParameter, Version51ReadLeavesBytesPast208Untouched) {
    makeCurrentInstance();
    const SetupRecord v52 = designRecord(52);
    ASSERT_EQ(IP_SetValue(1, &v52), 0);
    unsigned char buffer[KSR_SETUP_V52_SIZE];
    std::memset(buffer, 0xCD, sizeof buffer);
    const int32_t version = 51;
    std::memcpy(buffer, &version, sizeof version);
    ASSERT_EQ(IP_GetValue(1, reinterpret_cast<SetupRecord*>(buffer)), 0);
    for (int i = KSR_SETUP_V51_SIZE; i < KSR_SETUP_V52_SIZE; ++i) EXPECT_EQ(buffer[i], 0xCD) << i;
    int32_t count = 0;
    std::memcpy(&count, buffer + 4, sizeof count);
    EXPECT_EQ(count, 6);
}

TEST_F(SetupParameter, OtherVersionsResetToTheDefault) {
    makeCurrentInstance();
    for (int32_t version : {50, 53, 0, -1, INT32_MAX}) {
        const SetupRecord v52 = designRecord(52);
        ASSERT_EQ(IP_SetValue(1, &v52), 0);
        SetupRecord r = designRecord(version);
        EXPECT_EQ(IP_SetValue(1, &r), 0);
        const SetupRecord out = readBack();
        EXPECT_EQ(out.boxCount, 4) << version;
        EXPECT_EQ(out.hostValue, 1);
        EXPECT_EQ(out.groundStacked, 0);
        EXPECT_EQ(out.boxes[0].boxType, 5);
        EXPECT_EQ(out.boxes[7].boxElevation, 0.0f);
    }
}

TEST_F(SetupParameter, UnknownTypesAreNormalisedAndNonFiniteValuesStored) {
    makeCurrentInstance();
    SetupRecord r = designRecord(52);
    r.boxes[0].boxType = 42;
    r.boxes[5].boxType = -9;
    r.boxes[2].boxElevation = std::numeric_limits<float>::quiet_NaN();
    r.boxes[3].boxGain = std::numeric_limits<float>::infinity();
    r.gridElevation = -std::numeric_limits<float>::infinity();
    ASSERT_EQ(IP_SetValue(1, &r), 0);
    const SetupRecord out = readBack();
    EXPECT_EQ(out.boxes[0].boxType, 5);
    EXPECT_EQ(out.boxes[5].boxType, out.boxes[4].boxType);
    EXPECT_TRUE(std::isnan(out.boxes[2].boxElevation));
    EXPECT_TRUE(std::isinf(out.boxes[3].boxGain));
    EXPECT_EQ(CI_GetComponents(), 6);
}

TEST_F(SetupParameter, FilterLimitsAndClamping) {
    float gain[KSR_BAND_COUNT], phase[KSR_BAND_COUNT];
    ASSERT_EQ(IP_GetFilterDef(gain, phase), 0);
    EXPECT_EQ(gain[20], 0.0f);
    EXPECT_EQ(phase[0], 0.0f);
    ASSERT_EQ(IP_GetFilterMin(gain, phase), 0);
    EXPECT_EQ(gain[5], -60.0f);
    EXPECT_EQ(phase[5], -180.0f);
    ASSERT_EQ(IP_GetFilterMax(gain, phase), 0);
    EXPECT_EQ(gain[5], 0.0f);
    EXPECT_EQ(phase[5], 180.0f);

    makeCurrentInstance();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float gainIn[] = {6, -200, nan, inf, -inf, -12.5f, 0, -60, -60.01f};
    const float gainOut[] = {0, -60, 0, 0, -60, -12.5f, 0, -60, -60};
    const float phaseIn[] = {-200, 200, nan, inf, -inf, 45, 180, -180, 0};
    const float phaseOut[] = {-180, 180, 180, 180, -180, 45, 180, -180, 0};
    std::fill(std::begin(gain), std::end(gain), -1.0f);
    std::fill(std::begin(phase), std::end(phase), 1.0f);
    std::copy(std::begin(gainIn), std::end(gainIn), gain);
    std::copy(std::begin(phaseIn), std::end(phaseIn), phase);
    ASSERT_EQ(IP_SetFilter(gain, phase), 0);
    for (size_t i = 0; i < std::size(gainIn); ++i) {
        EXPECT_EQ(gain[i], gainOut[i]) << i;
        EXPECT_EQ(phase[i], phaseOut[i]) << i;
        EXPECT_EQ(ksr::currentInstance()->filterGain[i], gainOut[i]);
        EXPECT_EQ(ksr::currentInstance()->filterPhase[i], phaseOut[i]);
    }
    EXPECT_EQ(ksr::currentInstance()->filterGain[20], -1.0f);
}

TEST_F(SetupParameter, WithoutCurrentInstanceNothingIsReadOrWritten) {
    SetupRecord r = designRecord(52);
    const SetupRecord copy = r;
    EXPECT_EQ(IP_SetValue(1, &r), -1);
    EXPECT_EQ(IP_GetValue(1, &r), -1);
    EXPECT_EQ(std::memcmp(&r, &copy, sizeof r), 0);
    float gain[KSR_BAND_COUNT], phase[KSR_BAND_COUNT];
    std::fill(std::begin(gain), std::end(gain), 6.0f);
    std::fill(std::begin(phase), std::end(phase), 999.0f);
    EXPECT_EQ(IP_SetFilter(gain, phase), -1);
    EXPECT_EQ(gain[0], 6.0f);
    EXPECT_EQ(phase[0], 999.0f);
}

TEST_F(SetupParameter, NullPointersAreRefused) {
    makeCurrentInstance();
    float values[KSR_BAND_COUNT] = {};
    EXPECT_EQ(IP_SetValue(1, nullptr), -1);
    EXPECT_EQ(IP_GetValue(1, nullptr), -1);
    EXPECT_EQ(IP_GetLabel(1, nullptr), -1);
    EXPECT_EQ(IP_SetFilter(nullptr, values), -1);
    EXPECT_EQ(IP_SetFilter(values, nullptr), -1);
    EXPECT_EQ(IP_GetFilterDef(nullptr, values), -1);
    EXPECT_EQ(IP_GetFilterMin(values, nullptr), -1);
    EXPECT_EQ(IP_GetFilterMax(nullptr, nullptr), -1);
}
