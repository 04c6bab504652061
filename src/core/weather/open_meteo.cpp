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

// printf's %f writes every integer digit, so a large temperature needs a
// line as long as its magnitude; the line is sized to fit.
std::string parsedObservationLine(const WeatherSnapshot& snapshot) {
    constexpr const char* kFormat = "Parsed weather observation; WMO code %ld, temperature %f°C";
    auto code = static_cast<long>(snapshot.weatherCode);
    int length = std::snprintf(nullptr, 0, kFormat, code, snapshot.temperature);
    if (length < 0)
        return {};
    std::string line(static_cast<std::size_t>(length), '\0');
    std::snprintf(line.data(), line.size() + 1, kFormat, code, snapshot.temperature);
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
