#include "weather/coordinate_ranges.h"
#include "weather/open_meteo.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <utility>
#include <vector>

namespace garbello {

namespace {

struct GeocodingResult {
    std::string name;
    double latitude = 0;
    double longitude = 0;
    std::optional<std::string> timezone;
    std::optional<std::string> admin1;
    std::optional<std::string> country;
};

struct GeocodingResponse {
    std::optional<bool> error;
    std::optional<std::vector<GeocodingResult>> results;
};

// The service's optional fields: absent and null both mean "no value".
const Json* presentValue(const Json& object, std::string_view key) {
    auto found = object.find(key);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

std::optional<std::string> serviceString(const Json& object, std::string_view key) {
    if (!presentValue(object, key))
        return std::nullopt;
    return json::requireString(object, key);
}

GeocodingResult decodeResult(const Json& object) {
    json::requireObject(object, "results");
    return {json::requireString(object, "name"),      json::requireNumber(object, "latitude"),
            json::requireNumber(object, "longitude"), serviceString(object, "timezone"),
            serviceString(object, "admin1"),          serviceString(object, "country")};
}

GeocodingResponse decodeGeocoding(std::string_view body) {
    const Json top = json::parse(body);
    json::requireObject(top, "geocoding response");
    GeocodingResponse response;
    if (presentValue(top, "error"))
        response.error = json::requireBool(top, "error");
    if (const Json* results = presentValue(top, "results")) {
        if (!results->is_array())
            throw DecodingError::typeMismatch("results", "an array");
        response.results.emplace();
        response.results->reserve(results->size());
        for (const Json& result : *results)
            response.results->push_back(decodeResult(result));
    }
    return response;
}

// Unicode white space (spaces of every width, tabs, line and paragraph
// separators) throughout.
bool isBlank(const std::string& text) {
    icu::UnicodeString characters = icu::UnicodeString::fromUTF8(text);
    for (int32_t i = 0; i < characters.length(); i = characters.moveIndex32(i, 1)) {
        if (!u_isUWhiteSpace(characters.char32At(i)))
            return false;
    }
    return true;
}

// Texts that differ only in how accents are encoded compare equal.
std::string canonicalForm(const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* composition = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status))
        return text;
    icu::UnicodeString normalized =
        composition->normalize(icu::UnicodeString::fromUTF8(text), status);
    if (U_FAILURE(status))
        return text;
    std::string result;
    return normalized.toUTF8String(result);
}

bool isValid(const GeocodingResult& result) {
    return !isBlank(result.name) && isLatitude(result.latitude) && isLongitude(result.longitude);
}

// "Portland, Oregon, United States"; absent, empty and repeated parts are
// left out ("Singapore", not "Singapore, Singapore"). Texts are kept as sent.
std::string displayName(const GeocodingResult& result) {
    std::string name;
    std::vector<std::string> taken;
    const std::optional<std::string> parts[] = {result.name, result.admin1, result.country};
    for (const auto& part : parts) {
        if (!part || part->empty())
            continue;
        std::string canonical = canonicalForm(*part);
        if (std::find(taken.begin(), taken.end(), canonical) != taken.end())
            continue;
        taken.push_back(std::move(canonical));
        if (!name.empty())
            name += ", ";
        name += *part;
    }
    return name;
}

// Places without a known zone are marked "auto", the service's own word for
// "the zone of the coordinates".
constexpr const char* kUnknownTimeZone = "auto";

} // namespace

namespace OpenMeteo {

std::vector<Place> parsePlaces(std::string_view body) {
    const GeocodingResponse response = decodeGeocoding(body);
    if (response.error.value_or(false))
        throw ResponseError::invalidPlaces();
    std::vector<Place> places;
    if (!response.results)
        return places;
    places.reserve(response.results->size());
    for (const GeocodingResult& result : *response.results) {
        if (!isValid(result))
            throw ResponseError::invalidPlaces();
        places.push_back({displayName(result), result.latitude, result.longitude,
                          result.timezone.value_or(kUnknownTimeZone)});
    }
    return places;
}

} // namespace OpenMeteo

} // namespace garbello
