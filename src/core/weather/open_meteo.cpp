#include "weather/open_meteo.h"

#include "support/log.h"
#include "support/time_zone.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>
#include <sstream>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <utility>

namespace garbello {

namespace {

const char* responseErrorDescription(ResponseError::Kind kind) {
    switch (kind) {
    case ResponseError::Kind::invalidWeather:
        return "Open-Meteo returned incomplete or invalid weather.";
    case ResponseError::Kind::invalidPlaces:
        return "Open-Meteo returned invalid location results.";
    case ResponseError::Kind::invalidObservationTime:
        return "Open-Meteo returned an invalid observation time.";
    }
    return "";
}

} // namespace

ResponseError::ResponseError(Kind kind) : Error(responseErrorDescription(kind)), kind_(kind) {}

// ---------------------------------------------------------------------------
// Observation time

namespace {

// The service's ISO-style local time, without seconds or zone.
constexpr const char* kLocalTimeFormat = "%Y-%m-%dT%H:%M";

// Reads wall-clock text in `zone` and insists that writing the instant back
// gives the same text. That rejects non-canonical forms ("2024-6-1T09:00"),
// trailing characters, and wall-clock times a daylight-saving change skips
// (the instant found for those reads back as a different hour). A repeated
// hour is read as its later occurrence.
std::optional<double> unixSecondsOfLocalText(const std::string& text, const date::time_zone& zone) {
    using namespace std::chrono;
    std::istringstream input(text);
    date::local_time<minutes> wallClock{};
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
    // GCC cannot see that the date library's parser sets its seconds field
    // before reading it.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
    input >> date::parse(kLocalTimeFormat, wallClock);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    if (input.fail())
        return std::nullopt;
    date::sys_seconds instant = zone.to_sys(wallClock, date::choose::latest);
    if (date::format(kLocalTimeFormat, floor<minutes>(zone.to_local(instant))) != text)
        return std::nullopt;
    return static_cast<double>(duration_cast<seconds>(instant.time_since_epoch()).count());
}

} // namespace

ObservationTime ObservationTime::fromJson(const Json& object, std::string_view key) {
    const Json& value = json::requireKey(object, key);
    if (value.is_number())
        return {Unix{value.get<double>()}};
    return {Local{json::requireString(object, key)}};
}

Date ObservationTime::instant(std::string_view timeZone) const {
    std::optional<double> unixSeconds;
    if (const auto* unix = std::get_if<Unix>(&value)) {
        unixSeconds = unix->seconds;
    } else if (const date::time_zone* zone = findTimeZone(timeZone)) {
        unixSeconds = unixSecondsOfLocalText(std::get<Local>(value).text, *zone);
    }
    std::optional<Date> date = unixSeconds ? dateFromUnixSeconds(*unixSeconds) : std::nullopt;
    if (!date)
        throw ResponseError::invalidObservationTime();
    return *date;
}

// ---------------------------------------------------------------------------
// Requests

namespace {

constexpr const char* kForecastEndpoint = "https://api.open-meteo.com/v1/forecast";
constexpr const char* kGeocodingEndpoint = "https://geocoding-api.open-meteo.com/v1/search";
constexpr const char* kCurrentFields = "temperature_2m,apparent_temperature,precipitation,rain,"
                                       "snowfall,weather_code,wind_speed_10m";
constexpr const char* kDailyFields = "precipitation_probability_max,uv_index_max";
// The search asks for this many candidates; the list shows them all.
constexpr const char* kGeocodingResultCount = "5";
// Below this magnitude coordinates are written in exponent form.
constexpr double kSmallestFixedMagnitude = 1e-4;

// Characters a query value keeps literally: the unreserved set and the
// delimiters that mean nothing inside a value. "&", "=", "+" and "#" are
// encoded so that a typed city name can never add or cut query items.
bool isLiteralInQueryValue(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    constexpr std::string_view kLiteralPunctuation = "-._~!$'()*,;:@/?";
    return kLiteralPunctuation.find(static_cast<char>(c)) != std::string_view::npos;
}

std::string percentEncoded(std::string_view value) {
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(value.size());
    for (char ch : value) {
        auto c = static_cast<unsigned char>(ch);
        if (isLiteralInQueryValue(c)) {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += kHexDigits[c >> 4];
            encoded += kHexDigits[c & 0xF];
        }
    }
    return encoded;
}

// The shortest decimal text that reads back to the same double, with at
// least one digit after the point ("13.0", "52.52") and exponent form for
// tiny magnitudes ("1e-05").
std::string coordinateText(double value) {
    std::array<char, 400> buffer{};
    bool tiny = value != 0 && std::fabs(value) < kSmallestFixedMagnitude;
    auto format = tiny ? std::chars_format::scientific : std::chars_format::fixed;
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format);
    std::string text(buffer.data(), error == std::errc() ? end : buffer.data());
    if (!tiny && std::isfinite(value) && text.find('.') == std::string::npos)
        text += ".0";
    return text;
}

using QueryItems = std::vector<std::pair<std::string_view, std::string>>;

std::string urlWithQuery(std::string_view endpoint, const QueryItems& items) {
    std::string url(endpoint);
    char separator = '?';
    for (const auto& [name, value] : items) {
        url += separator;
        url += name;
        url += '=';
        url += percentEncoded(value);
        separator = '&';
    }
    return url;
}

} // namespace

namespace OpenMeteo {

std::string forecastURL(const Place& place) {
    // The place's own zone is not sent: "auto" lets the service pick the
    // zone of the coordinates and name it in the answer.
    return urlWithQuery(kForecastEndpoint, {
                                               {"latitude", coordinateText(place.latitude)},
                                               {"longitude", coordinateText(place.longitude)},
                                               {"current", kCurrentFields},
                                               {"daily", kDailyFields},
                                               {"temperature_unit", "celsius"},
                                               {"wind_speed_unit", "kmh"},
                                               {"precipitation_unit", "mm"},
                                               {"timezone", "auto"},
                                               {"timeformat", "unixtime"},
                                               {"forecast_days", "1"},
                                           });
}

std::string geocodingURL(std::string_view city) {
    return urlWithQuery(kGeocodingEndpoint, {
                                                {"name", std::string(city)},
                                                {"count", kGeocodingResultCount},
                                                {"language", "en"},
                                                {"format", "json"},
                                            });
}

} // namespace OpenMeteo

// ---------------------------------------------------------------------------
// Forecast responses

namespace {

// WMO weather interpretation codes the service reports and the outfit rules
// understand.
const std::set<std::int64_t>& validWeatherCodes() {
    static const std::set<std::int64_t> codes = {0,  1,  2,  3,  45, 48, 51, 53, 55, 56,
                                                 57, 61, 63, 65, 66, 67, 71, 73, 75, 77,
                                                 80, 81, 82, 85, 86, 95, 96, 99};
    return codes;
}

constexpr double kMaximumLatitude = 90;
constexpr double kMaximumLongitude = 180;
constexpr double kMaximumPrecipitationProbability = 100;

struct CurrentWeather {
    ObservationTime time;
    double temperature = 0;
    double apparentTemperature = 0;
    double precipitation = 0;
    double rain = 0;
    double snowfall = 0;
    std::int64_t weatherCode = 0;
    double windSpeed = 0;
};

struct DailyWeather {
    std::vector<std::optional<double>> precipitationProbability;
    std::vector<std::optional<double>> uvIndex;
};

struct ForecastResponse {
    double latitude = 0;
    std::string timezone;
    CurrentWeather current;
    DailyWeather daily;
};

const Json& requireObjectAt(const Json& object, std::string_view key) {
    return json::requireObject(json::requireKey(object, key), key);
}

// A daily series: numbers, with null where the service has no value.
std::vector<std::optional<double>> requireSeries(const Json& object, std::string_view key) {
    const Json& series = json::requireKey(object, key);
    if (!series.is_array())
        throw DecodingError::typeMismatch(key, "an array of numbers or nulls");
    std::vector<std::optional<double>> values;
    values.reserve(series.size());
    for (const Json& element : series) {
        if (element.is_null())
            values.emplace_back();
        else if (element.is_number())
            values.emplace_back(element.get<double>());
        else
            throw DecodingError::typeMismatch(key, "an array of numbers or nulls");
    }
    return values;
}

ForecastResponse decodeForecast(std::string_view body) {
    const Json top = json::parse(body);
    json::requireObject(top, "forecast");
    ForecastResponse response;
    response.latitude = json::requireNumber(top, "latitude");
    response.timezone = json::requireString(top, "timezone");

    const Json& current = requireObjectAt(top, "current");
    response.current.time = ObservationTime::fromJson(current, "time");
    response.current.temperature = json::requireNumber(current, "temperature_2m");
    response.current.apparentTemperature = json::requireNumber(current, "apparent_temperature");
    response.current.precipitation = json::requireNumber(current, "precipitation");
    response.current.rain = json::requireNumber(current, "rain");
    response.current.snowfall = json::requireNumber(current, "snowfall");
    response.current.weatherCode = json::requireInteger(current, "weather_code");
    response.current.windSpeed = json::requireNumber(current, "wind_speed_10m");

    const Json& daily = requireObjectAt(top, "daily");
    response.daily.precipitationProbability = requireSeries(daily, "precipitation_probability_max");
    response.daily.uvIndex = requireSeries(daily, "uv_index_max");
    return response;
}

// Amounts and speeds: finite and not below zero (negative zero is zero).
bool isAmount(double value) {
    return std::isfinite(value) && value >= 0;
}

// Only today's value is read: the request asks for one day.
std::optional<double> today(const std::vector<std::optional<double>>& series) {
    if (series.empty() || !series.front() || !std::isfinite(*series.front()))
        return std::nullopt;
    return series.front();
}

bool isPlausible(const ForecastResponse& response) {
    const CurrentWeather& current = response.current;
    std::optional<double> probability = today(response.daily.precipitationProbability);
    std::optional<double> uvIndex = today(response.daily.uvIndex);
    return std::isfinite(response.latitude) && std::fabs(response.latitude) <= kMaximumLatitude &&
           findTimeZone(response.timezone) != nullptr && std::isfinite(current.temperature) &&
           std::isfinite(current.apparentTemperature) && isAmount(current.precipitation) &&
           isAmount(current.rain) && isAmount(current.snowfall) && isAmount(current.windSpeed) &&
           probability && *probability >= 0 && *probability <= kMaximumPrecipitationProbability &&
           uvIndex && *uvIndex >= 0 && validWeatherCodes().contains(current.weatherCode);
}

void logParsedObservation(const CurrentWeather& current) {
    char line[160];
    std::snprintf(line, sizeof line, "Parsed weather observation; WMO code %ld, temperature %f°C",
                  static_cast<long>(current.weatherCode), current.temperature);
    log::weatherParser.debug(line);
}

} // namespace

namespace OpenMeteo {

WeatherSnapshot parseWeather(std::string_view body) {
    const ForecastResponse response = decodeForecast(body);
    if (!isPlausible(response))
        throw ResponseError::invalidWeather();
    // The time is judged last, so a forecast that is wrong in several ways
    // reports itself as invalid weather.
    const Date observedAt = response.current.time.instant(response.timezone);
    logParsedObservation(response.current);

    const CurrentWeather& current = response.current;
    WeatherSnapshot snapshot;
    snapshot.temperature = current.temperature;
    snapshot.apparentTemperature = current.apparentTemperature;
    snapshot.precipitation = current.precipitation;
    snapshot.rain = current.rain;
    snapshot.snowfall = current.snowfall;
    snapshot.windSpeed = current.windSpeed;
    snapshot.weatherCode = current.weatherCode;
    snapshot.precipitationProbability = *today(response.daily.precipitationProbability);
    snapshot.uvIndex = *today(response.daily.uvIndex);
    snapshot.observedAt = observedAt;
    // The latitude the service answers for, which need not equal the one asked.
    snapshot.latitude = response.latitude;
    snapshot.timezone = response.timezone;
    return snapshot;
}

} // namespace OpenMeteo

// ---------------------------------------------------------------------------
// Geocoding responses

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
    return !isBlank(result.name) && std::isfinite(result.latitude) &&
           std::fabs(result.latitude) <= kMaximumLatitude && std::isfinite(result.longitude) &&
           std::fabs(result.longitude) <= kMaximumLongitude;
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
