#include "design/value_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

using ksr::parseFieldNumber;

TEST(ParseFieldNumber, ReadsTheLeadingNumberLikeScanf) {
    struct Case {
        const char* text;
        size_t maxChars;
        std::optional<float> value;
    };
    const Case cases[] = {
        {"12.7", 15, 12.7f},       {"  -3", 15, -3.0f},    {"+5", 15, 5.0f},
        {".5", 15, 0.5f},          {"-2.5 dB", 15, -2.5f}, {"1e3", 15, 1000.0f},
        {"-12.345", 6, -12.34f},  // only the first characters count
        {"1234567", 6, 123456.0f}, {"  12", 3, 1.0f},      {"000000000000001234", 15, 1.0f},
        {"3,5", 15, 3.0f},
    };
    for (const Case& c : cases) EXPECT_EQ(parseFieldNumber(c.text, c.maxChars), c.value) << c.text;
}

TEST(ParseFieldNumber, TextThatIsNoFiniteNumberIsNotANumber) {
    for (const char* text : {"", "   ", "abc", "-", "+-5", "--5", "++5", "nan", "NaN(123)", "inf", "-Infinity", "1e39",
                             "-1e99", "1e-60"}) {
        EXPECT_EQ(parseFieldNumber(text, 15), std::nullopt) << text;
    }
    // Cut to its first characters, the same text can be a number.
    EXPECT_EQ(parseFieldNumber("1e39", 3), 1000.0f);
    EXPECT_EQ(parseFieldNumber(std::string(100000, '9'), 15), 999999999999999.0f);
}

TEST(ValueTexts, FormatsOfTheDialog) {
    EXPECT_EQ(ksr::wholeNumberText(-2.7f), "-2");
    EXPECT_EQ(ksr::wholeNumberText(-0.4f), "0");
    EXPECT_EQ(ksr::wholeNumberText(std::numeric_limits<float>::quiet_NaN()), "0");
    EXPECT_EQ(ksr::wholeNumberText(-1e30f), "-2147483648");
    EXPECT_EQ(ksr::paddedWholeNumberText(0.0f), " 0");
    EXPECT_EQ(ksr::paddedWholeNumberText(-4.9f), "-4");
    EXPECT_EQ(ksr::gainText(0.0f), " 0.0");
    EXPECT_EQ(ksr::gainText(-3.5f), "-3.5");
    EXPECT_EQ(ksr::gainText(-99.0f), "-99.0");
    EXPECT_EQ(ksr::gainText(-2147483648.0f), "-2147483648.0");
    EXPECT_EQ(ksr::gainText(3.4e38f), " 339999995214436424907732413799364296704.0");
    EXPECT_EQ(ksr::paddedIntegerText(4), " 4");
    EXPECT_EQ(ksr::paddedIntegerText(16), "16");
}
