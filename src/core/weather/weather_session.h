#pragma once

#include "model/outfit_rules.h"
#include "model/place.h"
#include "weather/weather_cache.h"

#include <cstdint>
#include <optional>
#include <string>

namespace garbello {

// Which place the weather is wanted for, which forecast request is the live
// one, the last good forecast with the outfit drawn from it, and the last
// failure. Only the answer to the most recent request changes anything, and
// a failure never takes away the last good forecast or its outfit.
//
// A pure value: no I/O, no clock, no locking. Its owner drives it from one
// thread and carries network answers there with their request number.
class WeatherSession {
public:
    // A session for `place`, resuming from a saved forecast when there is
    // one (its outfit is decided at once, dated at its acceptance time).
    explicit WeatherSession(std::optional<Place> place = std::nullopt,
                            std::optional<WeatherCache> cache = std::nullopt);

    // Starts a request for `place` and returns its number; every older
    // request becomes stale. Clears the failure; the last forecast and its
    // outfit stay in force while the request is in flight.
    std::uint64_t begin(const Place& place);

    // The answer to request `request`, accepted at `acceptedAt`. Returns
    // false, changing nothing, when the request is not the live one.
    bool succeed(const WeatherSnapshot& snapshot, std::uint64_t request, Date acceptedAt);

    // Records the user-facing `message` of a failed live request; stale
    // failures are ignored. The last forecast and its outfit are kept.
    void fail(std::string message, std::uint64_t request);

    // Number of the live request; 0 before the first, wrapping after 2^64-1.
    std::uint64_t requestID() const { return requestID_; }
    // The place weather is wanted for now.
    const std::optional<Place>& place() const { return place_; }
    // The place that was current when `cache` was stored.
    const std::optional<Place>& cachePlace() const { return cachePlace_; }
    const std::optional<WeatherCache>& cache() const { return cache_; }
    // Present exactly when `cache` is: the outfit rules' answer for it.
    const std::optional<OutfitDecision>& decision() const { return decision_; }
    // User-facing text of the last failed request, until the next begins.
    const std::optional<std::string>& failure() const { return failure_; }

    bool operator==(const WeatherSession&) const = default;

private:
    void store(WeatherCache cache);

    std::uint64_t requestID_ = 0;
    std::optional<Place> place_;
    std::optional<Place> cachePlace_;
    std::optional<WeatherCache> cache_;
    std::optional<OutfitDecision> decision_;
    std::optional<std::string> failure_;
};

} // namespace garbello
