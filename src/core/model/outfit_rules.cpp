#include "model/outfit_rules.h"

#include "support/time_zone.h"

#include <date/tz.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace garbello::OutfitRules {
namespace {

// WMO weather interpretation codes.
constexpr std::array kSnowAndIceCodes{56, 57, 66, 67, 71, 73, 75, 77, 85, 86};
constexpr std::array kRainCodes{51, 53, 55, 61, 63, 65, 80, 81, 82, 95, 96, 99};
constexpr std::array kSunnyCodes{0, 1, 2};

// Degrees Celsius and percent, whatever unit the reason is shown in.
constexpr double kFreezing = 0;
constexpr double kHot = 26;
constexpr double kLikelyRainPercent = 50;
constexpr double kCool = 16;
constexpr double kWarm = 22;

template <std::size_t N> bool contains(const std::array<int, N>& codes, std::int64_t code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

enum class Season { spring, summer, autumn, winter };

// The Gregorian month of `date` in the named zone; UTC when the system knows
// no zone by that name (or has no zone database at all).
unsigned localMonth(Date date, const std::string& timezone) {
    if (const date::time_zone* zone = findTimeZone(timezone)) {
        auto local = zone->to_local(date);
        return unsigned(date::year_month_day(date::floor<date::days>(local)).month());
    }
    return unsigned(date::year_month_day(date::floor<date::days>(date)).month());
}

Season season(Date date, double latitude, const std::string& timezone) {
    unsigned month = localMonth(date, timezone);
    // The southern hemisphere's seasons are six months apart from the north's.
    if (latitude < 0)
        month = (month + 5) % 12 + 1;
    if (month >= 3 && month <= 5)
        return Season::spring;
    if (month >= 6 && month <= 8)
        return Season::summer;
    if (month >= 9 && month <= 11)
        return Season::autumn;
    return Season::winter;
}

// The percentage truncated toward zero, in plain decimal digits. Printed from
// the double itself so that no value can overflow an integer conversion.
std::string wholePercent(double percent) {
    if (!std::isfinite(percent))
        return "—";
    char buffer[400];
    int length = std::snprintf(buffer, sizeof buffer, "%.0f", std::trunc(percent));
    return std::string(buffer, static_cast<std::size_t>(length));
}

} // namespace

OutfitDecision choose(const WeatherSnapshot& weather, Date date, std::optional<Outfit> override,
                      TemperatureUnit temperatureUnit) {
    if (override)
        return {*override, "manual outfit selection"};

    auto temperature = [&] { return temperatureUnit.display(weather.temperature); };
    auto apparent = [&] { return temperatureUnit.display(weather.apparentTemperature); };
    // A missing (not-a-number) apparent temperature leaves the air temperature.
    double cold = weather.apparentTemperature < weather.temperature ? weather.apparentTemperature
                                                                    : weather.temperature;

    if (weather.snowfall > 0 || contains(kSnowAndIceCodes, weather.weatherCode))
        return {Outfit::snowGear, "snow or ice, " + temperature()};
    if (cold <= kFreezing)
        return {Outfit::snowGear, "freezing conditions; feels like " + apparent()};
    if (weather.rain > 0 || weather.precipitation > 0 || contains(kRainCodes, weather.weatherCode))
        return {Outfit::rainJacket, "rain or drizzle, " + temperature()};
    if (weather.temperature >= kHot)
        return {Outfit::hawaiian, "hot and dry, " + temperature()};

    Season now = season(date, weather.latitude, weather.timezone);
    if ((now == Season::spring || now == Season::autumn) &&
        weather.precipitationProbability >= kLikelyRainPercent) {
        std::string name = now == Season::spring ? "spring" : "autumn";
        return {Outfit::rainJacket, name + " rain likely today (" +
                                        wholePercent(weather.precipitationProbability) + "%)"};
    }
    if (cold < kCool)
        return {Outfit::sweater, "cool and dry; feels like " + apparent()};
    if (weather.temperature >= kWarm && contains(kSunnyCodes, weather.weatherCode))
        return {Outfit::hawaiian, "warm and sunny, " + temperature()};
    if (now != Season::summer)
        return {Outfit::linen, "mild and dry, " + temperature()};
    return {Outfit::hawaiian, "a dry summer day, " + temperature()};
}

} // namespace garbello::OutfitRules
