#include "net/url.h"
#include "weather/open_meteo.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>
#include <vector>

namespace garbello {

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
        url += percentEncodedQueryValue(value);
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

} // namespace garbello
