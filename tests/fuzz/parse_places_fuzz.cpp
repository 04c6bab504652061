#include "fuzz_check.h"
#include "weather/open_meteo.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

// City-search bodies come from the network. Every input must end in a list or
// in one of the two documented errors; every listed place must have a name
// and coordinates on the globe.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace garbello;
    std::string_view body(reinterpret_cast<const char*>(data), size);
    try {
        for (const Place& place : OpenMeteo::parsePlaces(body)) {
            FUZZ_CHECK(!place.name.empty());
            FUZZ_CHECK(std::fabs(place.latitude) <= 90 && std::fabs(place.longitude) <= 180);
            FUZZ_CHECK(Place::fromJson(place.toJson()) == place);
        }
    } catch (const DecodingError&) {
    } catch (const ResponseError&) {
    }
    return 0;
}
