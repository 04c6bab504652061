#include "fuzz_check.h"
#include "weather/weather_cache.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The cache file may be damaged in any way. Reading it never throws, and a
// record it accepts must write back to bytes that read as the same record.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace garbello;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto record = decodeSavedWeather(bytes)) {
        auto again = decodeSavedWeather(record->toJson().dump());
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(again->place == record->place);
        // Dates pass through decimal seconds, so they may move by rounding,
        // but by no more than a microsecond.
        auto drift = [](Date a, Date b) { return a > b ? a - b : b - a; };
        FUZZ_CHECK(drift(again->cache.fetchedAt, record->cache.fetchedAt) <=
                   std::chrono::microseconds(1));
        FUZZ_CHECK(drift(again->cache.snapshot.observedAt, record->cache.snapshot.observedAt) <=
                   std::chrono::microseconds(1));
        again->cache.snapshot.observedAt = record->cache.snapshot.observedAt;
        FUZZ_CHECK(again->cache.snapshot == record->cache.snapshot);
    }
    return 0;
}
