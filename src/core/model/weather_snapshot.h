#pragma once

#include "support/json_decode.h"

#include <cstdint>
#include <string>

namespace garbello {

// One reading of the current weather plus today's daily figures, in the units
// the forecast is requested in: Celsius, millimetres, centimetres of snow,
// km/h. Nothing converts them afterwards.
struct WeatherSnapshot {
    double temperature = 0;
    double apparentTemperature = 0;
    double precipitation = 0;
    double rain = 0;
    double snowfall = 0;
    double windSpeed = 0;
    // WMO weather interpretation code.
    std::int64_t weatherCode = 0;
    // Today's maximum, percent.
    double precipitationProbability = 0;
    double uvIndex = 0;
    Date observedAt{};
    // Decides the hemisphere for seasons.
    double latitude = 0;
    // Decides the local month for seasons.
    std::string timezone;

    bool operator==(const WeatherSnapshot&) const = default;

    // Dates as seconds since 2001-01-01 UTC, the program's own date form.
    Json toJson() const;
    // Strict: every key required; floats are numbers, weatherCode an integer.
    static WeatherSnapshot fromJson(const Json& json);
};

} // namespace garbello
