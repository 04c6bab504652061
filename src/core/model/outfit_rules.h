#pragma once

#include "model/outfit.h"
#include "model/temperature_unit.h"
#include "model/weather_snapshot.h"

#include <optional>
#include <string>

namespace garbello {

// The outfit every dressed window wears, with the short reason shown to the
// user after the outfit's title.
struct OutfitDecision {
    Outfit outfit;
    std::string reason;

    bool operator==(const OutfitDecision&) const = default;
};

// Turns one weather reading into an outfit. Pure: no clock, no state, no I/O.
namespace OutfitRules {

// `date` is the instant whose season is judged (callers pass the time the
// snapshot was fetched); `temperatureUnit` only formats the temperatures
// inside the reason, the thresholds are always degrees Celsius. Never fails:
// a time zone the system does not know is judged in UTC.
OutfitDecision choose(const WeatherSnapshot& weather, Date date,
                      std::optional<Outfit> override = std::nullopt,
                      TemperatureUnit temperatureUnit = TemperatureUnit::celsius);

} // namespace OutfitRules

} // namespace garbello
