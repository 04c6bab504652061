#include "model/weather_snapshot.h"

namespace garbello {

Json WeatherSnapshot::toJson() const {
    return {
        {"temperature", temperature},
        {"apparentTemperature", apparentTemperature},
        {"precipitation", precipitation},
        {"rain", rain},
        {"snowfall", snowfall},
        {"windSpeed", windSpeed},
        {"weatherCode", weatherCode},
        {"precipitationProbability", precipitationProbability},
        {"uvIndex", uvIndex},
        {"observedAt", secondsSinceReferenceDate(observedAt)},
        {"latitude", latitude},
        {"timezone", timezone},
    };
}

WeatherSnapshot WeatherSnapshot::fromJson(const Json& json) {
    json::requireObject(json, "weather");
    WeatherSnapshot snapshot;
    snapshot.temperature = json::requireNumber(json, "temperature");
    snapshot.apparentTemperature = json::requireNumber(json, "apparentTemperature");
    snapshot.precipitation = json::requireNumber(json, "precipitation");
    snapshot.rain = json::requireNumber(json, "rain");
    snapshot.snowfall = json::requireNumber(json, "snowfall");
    snapshot.windSpeed = json::requireNumber(json, "windSpeed");
    snapshot.weatherCode = json::requireInteger(json, "weatherCode");
    snapshot.precipitationProbability = json::requireNumber(json, "precipitationProbability");
    snapshot.uvIndex = json::requireNumber(json, "uvIndex");
    snapshot.observedAt = requireDate(json, "observedAt");
    snapshot.latitude = json::requireNumber(json, "latitude");
    snapshot.timezone = json::requireString(json, "timezone");
    return snapshot;
}

} // namespace garbello
