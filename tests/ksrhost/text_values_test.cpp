// Values typed on the command line, and the module's texts as UTF-8.

#include "text_values.h"

#include <gtest/gtest.h>

#include <string>

#include "host_error.h"

namespace ksrhost {
namespace {

template <class F>
std::string refusal(F&& parse) {
    try {
        parse();
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}

TEST(TypedValues, Triples) {
    EXPECT_EQ(parseTriple("0,-10,1.2", "--seat"), (Triple{0.0f, -10.0f, 1.2f}));
    EXPECT_EQ(parseTriple(" 1 , +2,3e1", "--seat"), (Triple{1.0f, 2.0f, 30.0f}));
    for (const char* bad : {"", "1,2", "1,2,3,4", "1,,3", "a,b,c", "1,2,nan", "1,inf,2", "1,2,1e39", "1,2,3x"}) {
        const std::string message = refusal([&] { parseTriple(bad, "--seat"); });
        EXPECT_EQ(message.rfind("--seat: expected three", 0), 0u) << bad << ": " << message;
        EXPECT_NE(message.find(std::string("'") + bad + "'"), std::string::npos) << message;
    }
}

TEST(TypedValues, RangesGridsAndSegments) {
    EXPECT_EQ(parseRange("0.5:40", "--distance"), (std::pair<double, double>{0.5, 40.0}));
    EXPECT_EQ(parseRange("-4:-1", "--height"), (std::pair<double, double>{-4.0, -1.0}));
    EXPECT_EQ(parseGrid("200x100", "--grid", 2, 2000), (std::pair<int, int>{200, 100}));
    const auto [start, end] = parseSegment("0,-1,1.2:0,-40,1.2", "--line");
    EXPECT_EQ(start, (Triple{0.0f, -1.0f, 1.2f}));
    EXPECT_EQ(end, (Triple{0.0f, -40.0f, 1.2f}));

    struct Case {
        const char* text;
        std::string message;
    };
    for (const Case& c : {Case{"40:0", "FROM below TO"}, Case{"3:3", "FROM below TO"}, Case{"0-40", "FROM:TO"},
                          Case{"0:nan", "FROM:TO"}}) {
        EXPECT_NE(refusal([&] { parseRange(c.text, "--distance"); }).find(c.message), std::string::npos) << c.text;
    }
    for (const Case& c : {Case{"200", "COLUMNSxROWS"}, Case{"20.5x10", "COLUMNSxROWS"}, Case{"1x10", "2..2000"},
                          Case{"10x3000", "2..2000"}, Case{"1e12x5", "2..2000"}}) {
        EXPECT_NE(refusal([&] { parseGrid(c.text, "--grid", 2, 2000); }).find(c.message), std::string::npos) << c.text;
    }
    EXPECT_NE(refusal([] { parseSegment("0,0,0", "--line"); }).find("two points"), std::string::npos);
}

// Positions, angles and ranges stay within a venue: beyond it the model's
// levels mean nothing (a seat at 1e38 m gave -2.5e34 dB).
TEST(TypedValues, PositionsAnglesAndRangesStayInAVenue) {
    EXPECT_EQ(parsePoint("-10000,0,10000", "--seat"), (Triple{-10000.0f, 0.0f, 10000.0f}));
    EXPECT_EQ(parseAngles("-360,45,360", "--array-angles"), (Triple{-360.0f, 45.0f, 360.0f}));
    EXPECT_NE(refusal([] { parsePoint("1e38,0,1", "--seat"); }).find("--seat: expected a position"), std::string::npos);
    EXPECT_NE(refusal([] { parsePoint("0,10000.5,1", "--seat"); }).find("within -10000..10000"), std::string::npos);
    EXPECT_NE(refusal([] { parseAngles("0,361,0", "--array-angles"); }).find("within -360..360"), std::string::npos);
    EXPECT_NE(refusal([] { parseRange("0:1e300", "--distance"); }).find("within -10000..10000"), std::string::npos);
    EXPECT_NE(refusal([] { parseSegment("0,0,0:0,-1e5,0", "--line"); }).find("--line: expected a position"),
              std::string::npos);
}

// Output numbers read as typed: no single-precision noise, no "-0".
TEST(OutputNumbers, ShortestAndRounded) {
    const struct {
        float value;
        const char* text;
    } floats[] = {{1.2f, "1.2"}, {-0.0f, "0"}, {0.1f, "0.1"}, {3.4028235e38f, "3.4028235e+38"}, {-7.125f, "-7.125"}};
    for (const auto& f : floats) EXPECT_EQ(shortest(f.value), f.text) << f.text;
    const struct {
        double value;
        int places;
        const char* text;
    } doubles[] = {{87.12345, 3, "87.123"}, {-0.0004, 3, "0"}, {1.20000005, 4, "1.2"}, {2.5, 0, "3"},
                   {1e300, 3, "1e+300"}, {-300.0, 3, "-300"}};
    for (const auto& d : doubles) EXPECT_EQ(decimal(d.value, d.places), d.text) << d.text;
}

TEST(ModuleTexts, Windows1252BecomesUtf8) {
    EXPECT_EQ(windows1252ToUtf8("5\xB0 Complex Data"), "5\xC2\xB0 Complex Data");
    EXPECT_EQ(windows1252ToUtf8("\x80 \x9F \xFF"), "\xE2\x82\xAC \xC5\xB8 \xC3\xBF");
    EXPECT_EQ(windows1252ToUtf8("\x81"), "\xEF\xBF\xBD");  // undefined in the code page
    EXPECT_EQ(windows1252ToUtf8("KSR Array"), "KSR Array");
}

}  // namespace
}  // namespace ksrhost
