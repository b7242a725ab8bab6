#include "design/splay_fields.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace ksr {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

// The one finite number the whole text holds, blanks around it allowed.
std::optional<double> wholeNumber(std::string_view text) {
    const size_t start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return std::nullopt;
    text = text.substr(start, text.find_last_not_of(kBlanks) - start + 1);
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+' && last - first > 1 && first[1] != '-' && first[1] != '+') ++first;
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc{} || end != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

struct FieldToRead {
    std::string SplayFieldTexts::*text;
    double SplayRequest::*value;
    const char* name;  // as the user knows the field
    const char* unit;
};

constexpr FieldToRead kFields[] = {
    {&SplayFieldTexts::trim, &SplayRequest::trim, "Rigging height", "metres"},
    {&SplayFieldTexts::near, &SplayRequest::near, "Near edge of the audience", "metres"},
    {&SplayFieldTexts::far, &SplayRequest::far, "Far edge of the audience", "metres"},
    {&SplayFieldTexts::floorNear, &SplayRequest::floorNear, "Floor height at the near edge", "metres"},
    {&SplayFieldTexts::floorFar, &SplayRequest::floorFar, "Floor height at the far edge", "metres"},
    {&SplayFieldTexts::earHeight, &SplayRequest::earHeight, "Ear height", "metres"},
    {&SplayFieldTexts::slope, &SplayRequest::slope, "Target slope", "dB per doubling of distance"},
    {&SplayFieldTexts::maxStep, &SplayRequest::maxStep, "Largest step between splays", "degrees"},
};

// The second zone's fields, read only when it is on.
struct ZoneFieldToRead {
    std::string SplayFieldTexts::*text;
    double SplayZone::*value;
    const char* name;
};

constexpr ZoneFieldToRead kZoneFields[] = {
    {&SplayFieldTexts::zoneNear, &SplayZone::near, "Balcony or tier, near edge"},
    {&SplayFieldTexts::zoneFar, &SplayZone::far, "Balcony or tier, far edge"},
    {&SplayFieldTexts::zoneFloorNear, &SplayZone::floorNear, "Balcony or tier, floor height at the near edge"},
    {&SplayFieldTexts::zoneFloorFar, &SplayZone::floorFar, "Balcony or tier, floor height at the far edge"},
};

// The second zone a new dialog offers (switched off): a balcony over the
// rear of the default audience.
constexpr SplayZone kOpeningSecondZone{20.0, 35.0, 6.0, 7.0, 0.0};

// "Zone 2: the far edge ..." as the dialog names its zones.
std::string withZoneNames(std::string message) {
    const std::pair<const char*, const char*> names[] = {{"Zone 1: ", kFirstZoneName}, {"Zone 2: ", kSecondZoneName}};
    for (const auto& [prefix, name] : names) {
        if (message.rfind(prefix, 0) == 0) return std::string(name) + ": " + message.substr(std::string(prefix).size());
    }
    return message;
}

}  // namespace

std::string splayNumberText(double value) {
    char buffer[32];
    const int length = std::snprintf(buffer, sizeof buffer, "%g", value);
    if (length < 0) return std::string();
    return std::string(buffer, static_cast<size_t>(length) < sizeof buffer ? static_cast<size_t>(length)
                                                                           : sizeof buffer - 1);
}

SplayFieldTexts openingSplayFields(std::optional<float> arrayHeight) {
    SplayRequest request;
    if (arrayHeight && std::isfinite(*arrayHeight)) request.trim = *arrayHeight;
    SplayFieldTexts texts;
    for (const FieldToRead& field : kFields) texts.*field.text = splayNumberText(request.*field.value);
    texts.allowZeroSplay = request.allowZeroSplay;
    for (const ZoneFieldToRead& field : kZoneFields) texts.*field.text = splayNumberText(kOpeningSecondZone.*field.value);
    texts.secondZone = false;
    texts.shadeGains = request.shadeGains;
    return texts;
}

SplayFieldReading readSplayFields(const WorkingDesign& design, const SplayFieldTexts& texts) {
    SplayRequest request;
    for (const FieldToRead& field : kFields) {
        const std::optional<double> value = wholeNumber(texts.*field.text);
        if (!value) {
            return {std::nullopt,
                    std::string(field.name) + ": type one number, in " + field.unit + "."};
        }
        request.*field.value = *value;
    }
    request.allowZeroSplay = texts.allowZeroSplay;
    request.shadeGains = texts.shadeGains;
    if (texts.secondZone) {
        SplayZone second;
        for (const ZoneFieldToRead& field : kZoneFields) {
            const std::optional<double> value = wholeNumber(texts.*field.text);
            if (!value) return {std::nullopt, std::string(field.name) + ": type one number, in metres."};
            second.*field.value = *value;
        }
        request.zones = {SplayZone{request.near, request.far, request.floorNear, request.floorFar, 0.0}, second};
    }
    if (std::optional<std::string> problem = checkSplayRequest(design, request)) {
        if (problem->empty()) *problem = "These values cannot be computed.";
        return {std::nullopt, withZoneNames(*problem)};
    }
    return {request, std::string()};
}

}  // namespace ksr
