#include <cmath>
#include <cstring>
#include <limits>

#include "module_fixture.h"

using EnvironmentParameters = FreshModule;

TEST_F(EnvironmentParameters, Descriptions) {
    struct Row {
        const char* label;
        float defaultValue, minimum, maximum;
    };
    const Row rows[] = {{"Speed Of Sound", 343, 100, 1000},
                        {"Humidity", 60, 20, 100},
                        {"Air Temperature", 20, -100, 100},
                        {"Air Pressure", 1013, 100, 2000}};
    EXPECT_EQ(RP_GetNumber(), 4);
    for (int32_t index = 1; index <= 4; ++index) {
        const Row& row = rows[index - 1];
        EXPECT_EQ(RP_GetID(index), index);
        EXPECT_EQ(RP_GetType(index), 8);
        char label[KSR_LABEL_BUFFER_SIZE] = {};
        EXPECT_EQ(RP_GetLabel(index, label), 0);
        EXPECT_STREQ(label, row.label);
        float value = 0;
        EXPECT_EQ(RP_GetDefault(index, &value), 0);
        EXPECT_EQ(value, row.defaultValue);
        EXPECT_EQ(RP_GetMinimum(index, &value), 0);
        EXPECT_EQ(value, row.minimum);
        EXPECT_EQ(RP_GetMaximum(index, &value), 0);
        EXPECT_EQ(value, row.maximum);
    }
}

TEST_F(EnvironmentParameters, BadIndicesWriteNothing) {
    for (int32_t index : {0, 5, -1, INT32_MIN}) {
        char label[4] = {'a', 'b', 'c', 0};
        float value = 12.0f;
        EXPECT_EQ(RP_GetID(index), -1);
        EXPECT_EQ(RP_GetType(index), -1);
        EXPECT_EQ(RP_GetLabel(index, label), -1);
        EXPECT_EQ(RP_GetDefault(index, &value), -1);
        EXPECT_EQ(RP_GetMinimum(index, &value), -1);
        EXPECT_EQ(RP_GetMaximum(index, &value), -1);
        EXPECT_EQ(RP_SetValue(index, &value), -1);
        EXPECT_STREQ(label, "abc");
        EXPECT_EQ(value, 12.0f);
    }
    const ksr::Environment& air = ksr::moduleState().environment;
    EXPECT_EQ(air.speedOfSound, 343.0f);
    EXPECT_EQ(air.humidity, 60.0f);
    EXPECT_EQ(air.airTemperature, 20.0f);
    EXPECT_EQ(air.airPressure, 1013.0f);
}

TEST_F(EnvironmentParameters, SetValueClampsInPlace) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        int32_t index;
        float in, stored;
        float ksr::Environment::*field;
    };
    const Case cases[] = {
        {1, 50, 100, &ksr::Environment::speedOfSound},   {1, 2000, 1000, &ksr::Environment::speedOfSound},
        {1, 340, 340, &ksr::Environment::speedOfSound},  {2, 10, 20, &ksr::Environment::humidity},
        {2, nan, 100, &ksr::Environment::humidity},       {3, -40, -40, &ksr::Environment::airTemperature},
        {3, -150, -100, &ksr::Environment::airTemperature}, {3, inf, 100, &ksr::Environment::airTemperature},
        {4, nan, 2000, &ksr::Environment::airPressure},   {4, -inf, 100, &ksr::Environment::airPressure},
    };
    for (const Case& c : cases) {
        float value = c.in;
        EXPECT_EQ(RP_SetValue(c.index, &value), 0);
        EXPECT_EQ(value, c.stored) << c.index << " " << c.in;
        EXPECT_EQ(ksr::moduleState().environment.*c.field, c.stored);
    }
    EXPECT_EQ(RP_SetValue(1, nullptr), -1);
    EXPECT_EQ(RP_GetLabel(1, nullptr), -1);
    EXPECT_EQ(RP_GetDefault(1, nullptr), -1);
}

TEST_F(EnvironmentParameters, AirIsSharedByAllInstances) {
    float value = 500.0f;
    ASSERT_EQ(RP_SetValue(1, &value), 0);
    makeCurrentInstance();
    ASSERT_EQ(CI_Release(), 0);
    EXPECT_EQ(ksr::moduleState().environment.speedOfSound, 500.0f);
}
