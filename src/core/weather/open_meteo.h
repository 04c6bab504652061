#pragma once

#include "model/place.h"
#include "model/weather_snapshot.h"
#include "support/error.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace garbello {

// The forecast or geocoding service answered with a body that decoded but
// holds values the program refuses to use. what() is the user-facing text.
class ResponseError : public Error {
public:
    enum class Kind { invalidWeather, invalidPlaces, invalidObservationTime };

    explicit ResponseError(Kind kind);

    Kind kind() const { return kind_; }

    static ResponseError invalidWeather() { return ResponseError(Kind::invalidWeather); }
    static ResponseError invalidPlaces() { return ResponseError(Kind::invalidPlaces); }
    static ResponseError invalidObservationTime() {
        return ResponseError(Kind::invalidObservationTime);
    }

private:
    Kind kind_;
};

// The time of a forecast's current observation as the service sent it.
struct ObservationTime {
    // Seconds since 1970-01-01 00:00:00 UTC, fractions allowed.
    struct Unix {
        double seconds;
        bool operator==(const Unix&) const = default;
    };
    // Wall-clock text "yyyy-MM-ddTHH:mm" in the response's time zone.
    struct Local {
        std::string text;
        bool operator==(const Local&) const = default;
    };

    std::variant<Unix, Local> value;

    bool operator==(const ObservationTime&) const = default;

    // A number gives Unix, else a string gives Local; anything else fails
    // with the string attempt's DecodingError.
    static ObservationTime fromJson(const Json& object, std::string_view key);

    // The instant meant, reading local text in `timeZone`. Local text must be
    // in the canonical zero-padded form and name a wall-clock time that
    // exists in that zone. Throws ResponseError::invalidObservationTime.
    Date instant(std::string_view timeZone) const;
};

// The wire format of the public Open-Meteo forecast and geocoding services.
// Safe on any thread; no I/O except parseWeather's one log line.
namespace OpenMeteo {

// The forecast request for a place: current conditions and today's maxima in
// Celsius, millimetres and km/h, with the zone chosen by the service.
std::string forecastURL(const Place& place);

// The city-search request for `city`, used unchanged (callers trim it).
std::string geocodingURL(std::string_view city);

// A forecast response body as a snapshot. Throws the decoder's DecodingError
// for malformed JSON, a missing key or a wrong type, and ResponseError for
// values out of range (invalidWeather) or an unusable observation time
// (invalidObservationTime). Nothing is patched up, and nothing is logged.
WeatherSnapshot readForecast(std::string_view body);

// readForecast, then a debug line on the weather-parser log naming the
// accepted observation's weather code and temperature.
WeatherSnapshot parseWeather(std::string_view body);

// A geocoding response body as places in the service's order, possibly none.
// Throws the decoder's DecodingError or ResponseError::invalidPlaces; one bad
// result rejects the whole answer.
std::vector<Place> parsePlaces(std::string_view body);

} // namespace OpenMeteo

} // namespace garbello
