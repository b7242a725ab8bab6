#pragma once
// The texts in which the design dialog shows numbers, and the reading of a
// number typed into one of its fields.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ksr {

// Characters of a field that count when it is read.
inline constexpr size_t kAngleFieldChars = 15;
inline constexpr size_t kGainFieldChars = 15;
inline constexpr size_t kGridFieldChars = 6;

// The number at the start of the first maxChars characters of text, read like
// "%g": leading blanks skipped, an optional sign, the longest decimal prefix,
// the rest ignored. nullopt when there is no such number, and for text that
// stands for no finite float ("nan", "inf", values beyond the float range):
// a field takes such text like any other text that is no number.
std::optional<float> parseFieldNumber(std::string_view text, size_t maxChars);

// Whole degrees toward zero, "%d": -2.7 shows as -2, -0.4 as 0.
std::string wholeNumberText(float value);
// Whole degrees toward zero at least two wide, "%2d": " 0", "-4".
std::string paddedWholeNumberText(float value);
// A gain, "% 3.1f": " 0.0", "-3.5", "-99.0".
std::string gainText(float gain);
// An integer at least two wide, "%2d": box numbers " 1".."16", counts " 4".."16".
std::string paddedIntegerText(int32_t value);

}  // namespace ksr
