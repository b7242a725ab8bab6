#include "text_values.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "host_error.h"

namespace ksrhost {

namespace {

[[noreturn]] void refuse(const std::string& option, std::string_view text, const char* expected) {
    throw HostError(option + ": expected " + expected + ", got '" + std::string(text) + "'");
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The number, or false when text is not exactly one finite number.
bool readNumber(std::string_view text, double& value) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// Code points of the bytes 0x80..0x9F in Windows-1252; 0 where the code page
// leaves a byte undefined.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

double parseNumber(std::string_view text, const std::string& option) {
    double value = 0.0;
    if (!readNumber(text, value)) refuse(option, text, "a finite number");
    return value;
}

Triple parseTriple(std::string_view text, const std::string& option) {
    Triple triple{};
    std::string_view rest = text;
    for (size_t i = 0; i < triple.size(); ++i) {
        const size_t comma = rest.find(',');
        const bool last = i + 1 == triple.size();
        if (last != (comma == std::string_view::npos)) refuse(option, text, "three numbers x,y,z");
        double value = 0.0;
        if (!readNumber(rest.substr(0, comma), value) || std::fabs(value) > std::numeric_limits<float>::max()) {
            refuse(option, text, "three finite numbers x,y,z");
        }
        triple[i] = static_cast<float>(value);
        if (!last) rest.remove_prefix(comma + 1);
    }
    return triple;
}

Triple parsePoint(std::string_view text, const std::string& option) {
    const Triple point = parseTriple(text, option);
    for (const float v : point) {
        if (std::fabs(v) > kMaxCoordinate) refuse(option, text, "a position x,y,z in metres, each within -10000..10000");
    }
    return point;
}

Triple parseAngles(std::string_view text, const std::string& option) {
    const Triple angles = parseTriple(text, option);
    for (const float v : angles) {
        if (std::fabs(v) > kMaxAngle) refuse(option, text, "three angles a,b,c in degrees, each within -360..360");
    }
    return angles;
}

std::pair<double, double> parseRange(std::string_view text, const std::string& option) {
    const size_t colon = text.find(':');
    double from = 0.0, to = 0.0;
    if (colon == std::string_view::npos || !readNumber(text.substr(0, colon), from) ||
        !readNumber(text.substr(colon + 1), to)) {
        refuse(option, text, "a range FROM:TO of two numbers");
    }
    if (!(from < to)) refuse(option, text, "a range FROM:TO with FROM below TO");
    if (std::fabs(from) > kMaxCoordinate || std::fabs(to) > kMaxCoordinate) {
        refuse(option, text, "a range FROM:TO in metres within -10000..10000");
    }
    return {from, to};
}

std::pair<int, int> parseGrid(std::string_view text, const std::string& option, int low, int high) {
    const size_t x = text.find('x');
    double columns = 0.0, rows = 0.0;
    if (x == std::string_view::npos || !readNumber(text.substr(0, x), columns) ||
        !readNumber(text.substr(x + 1), rows) || columns != std::floor(columns) || rows != std::floor(rows)) {
        refuse(option, text, "COLUMNSxROWS, two whole numbers");
    }
    if (columns < low || columns > high || rows < low || rows > high) {
        throw HostError(option + ": '" + std::string(text) + "': each count must lie in " + std::to_string(low) +
                        ".." + std::to_string(high));
    }
    return {static_cast<int>(columns), static_cast<int>(rows)};
}

std::pair<Triple, Triple> parseSegment(std::string_view text, const std::string& option) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) refuse(option, text, "two points x,y,z:x,y,z");
    return {parsePoint(text.substr(0, colon), option), parsePoint(text.substr(colon + 1), option)};
}

std::string decimal(double value, int places) {
    if (!std::isfinite(value)) return value != value ? "nan" : (value > 0 ? "inf" : "-inf");
    const double scale = std::pow(10.0, places);
    double rounded = std::fabs(value) < 1e12 ? std::round(value * scale) / scale : value;
    if (rounded == 0.0) rounded = 0.0;  // no "-0"
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, rounded);
    return std::string(text, result.ptr);
}

std::string shortest(float value) {
    if (value == 0.0f) value = 0.0f;
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string windows1252ToUtf8(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x80 || byte >= 0xA0) {
            appendUtf8(out, byte);
        } else {
            const char16_t code = kWindows1252High[byte - 0x80];
            appendUtf8(out, code != 0 ? code : 0xFFFD);
        }
    }
    return out;
}

}  // namespace ksrhost
