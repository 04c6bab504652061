#include "support/time_zone.h"
#include "weather/coordinate_ranges.h"
#include "weather/open_meteo.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace garbello {

namespace {

// WMO weather interpretation codes the service reports and the outfit rules
// understand.
const std::set<std::int64_t>& validWeatherCodes() {
    static const std::set<std::int64_t> codes = {0,  1,  2,  3,  45, 48, 51, 53, 55, 56,
                                                 57, 61, 63, 65, 66, 67, 71, 73, 75, 77,
                                                 80, 81, 82, 85, 86, 95, 96, 99};
    return codes;
}

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
    return isLatitude(response.latitude) && findTimeZone(response.timezone) != nullptr &&
           std::isfinite(current.temperature) && std::isfinite(current.apparentTemperature) &&
           isAmount(current.precipitation) && isAmount(current.rain) &&
           isAmount(current.snowfall) && isAmount(current.windSpeed) && probability &&
           *probability >= 0 && *probability <= kMaximumPrecipitationProbability && uvIndex &&
           *uvIndex >= 0 && validWeatherCodes().contains(current.weatherCode);
}

} // namespace

namespace OpenMeteo {

WeatherSnapshot readForecast(std::string_view body) {
    const ForecastResponse response = decodeForecast(body);
    if (!isPlausible(response))
        throw ResponseError::invalidWeather();
    // The time is judged last, so a forecast that is wrong in several ways
    // reports itself as invalid weather.
    const Date observedAt = response.current.time.instant(response.timezone);

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

} // namespace garbello
