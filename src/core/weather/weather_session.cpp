#include "weather/weather_session.h"

#include <utility>

namespace garbello {

WeatherSession::WeatherSession(std::optional<Place> place, std::optional<WeatherCache> cache)
    : place_(std::move(place)) {
    if (cache)
        store(std::move(*cache));
}

void WeatherSession::store(WeatherCache cache) {
    // Forecasts are always fetched in Celsius, and the decision is the
    // weather's own; the user's display unit plays no part in it.
    decision_ = OutfitRules::choose(cache.snapshot, cache.fetchedAt, std::nullopt,
                                    TemperatureUnit::celsius);
    cache_ = std::move(cache);
    cachePlace_ = place_;
}

std::uint64_t WeatherSession::begin(const Place& place) {
    ++requestID_;
    place_ = place;
    failure_.reset();
    return requestID_;
}

bool WeatherSession::succeed(const WeatherSnapshot& snapshot, std::uint64_t request,
                             Date acceptedAt) {
    if (request != requestID_)
        return false;
    store({snapshot, acceptedAt});
    failure_.reset();
    return true;
}

void WeatherSession::fail(std::string message, std::uint64_t request) {
    if (request == requestID_)
        failure_ = std::move(message);
}

} // namespace garbello
