#include "design/value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "model/numeric.h"

namespace ksr {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

template <class... Args>
std::string formatted(const char* format, Args... args) {
    // Wide enough for any float printed with one decimal.
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    if (length < 0) return std::string();
    return std::string(buffer,
                       static_cast<size_t>(length) < sizeof buffer ? static_cast<size_t>(length) : sizeof buffer - 1);
}

}  // namespace

std::optional<float> parseFieldNumber(std::string_view text, size_t maxChars) {
    text = text.substr(0, maxChars);
    const size_t start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return std::nullopt;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    // A leading plus as "%g" takes it; from_chars does not.
    if (*first == '+' && last - first > 1 && first[1] != '-' && first[1] != '+') ++first;
    float value = 0.0f;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc{} || end == first || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string wholeNumberText(float value) {
    return formatted("%d", static_cast<int>(truncateToInt32(value)));
}

std::string paddedWholeNumberText(float value) {
    return formatted("%2d", static_cast<int>(truncateToInt32(value)));
}

std::string gainText(float gain) {
    return formatted("% 3.1f", static_cast<double>(gain));
}

std::string paddedIntegerText(int32_t value) {
    return formatted("%2d", static_cast<int>(value));
}

}  // namespace ksr
