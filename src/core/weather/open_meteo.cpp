#include "weather/open_meteo.h"

#include "support/log.h"

#include <cstdio>
#include <string>

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

std::string parsedObservationLine(const WeatherSnapshot& snapshot) {
    char line[160];
    std::snprintf(line, sizeof line, "Parsed weather observation; WMO code %ld, temperature %f°C",
                  static_cast<long>(snapshot.weatherCode), snapshot.temperature);
    return line;
}

} // namespace

ResponseError::ResponseError(Kind kind) : Error(responseErrorDescription(kind)), kind_(kind) {}

namespace OpenMeteo {

WeatherSnapshot parseWeather(std::string_view body) {
    WeatherSnapshot snapshot = readForecast(body);
    log::weatherParser.debug(parsedObservationLine(snapshot));
    return snapshot;
}

} // namespace OpenMeteo

} // namespace garbello
