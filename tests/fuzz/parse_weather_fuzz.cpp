#include "fuzz_check.h"
#include "weather/open_meteo.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Forecast bodies come from the network. Every input must end in a snapshot
// or in one of the two documented errors; an accepted snapshot must hold only
// plausible values and survive the cache's JSON form unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace garbello;
    std::string_view body(reinterpret_cast<const char*>(data), size);
    try {
        WeatherSnapshot snapshot = OpenMeteo::parseWeather(body);
        FUZZ_CHECK(std::fabs(snapshot.latitude) <= 90);
        FUZZ_CHECK(std::isfinite(snapshot.temperature));
        FUZZ_CHECK(snapshot.windSpeed >= 0 && snapshot.rain >= 0 && snapshot.snowfall >= 0);
        FUZZ_CHECK(snapshot.precipitationProbability >= 0 &&
                   snapshot.precipitationProbability <= 100);
        FUZZ_CHECK(WeatherSnapshot::fromJson(snapshot.toJson()) == snapshot);
    } catch (const DecodingError&) {
    } catch (const ResponseError&) {
    }
    return 0;
}
