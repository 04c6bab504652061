#include "support/log.h"
#include "weather/open_meteo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

namespace garbello {
namespace {

using namespace std::chrono;

// 2024-06-01 09:00:00 UTC.
constexpr std::int64_t kJuneFirstNineUTC = 1717232400;

const Json kForecast = Json::parse(R"({
    "latitude": 52.52, "longitude": 13.419998, "timezone": "Europe/Berlin",
    "generationtime_ms": 0.05,
    "current": {"time": 1717232400, "interval": 900, "temperature_2m": 18.5,
                "apparent_temperature": 17.25, "precipitation": 0.2, "rain": 0.1,
                "snowfall": 0.0, "weather_code": 61, "wind_speed_10m": 12.5},
    "daily": {"time": [1717192800], "precipitation_probability_max": [40, 80],
              "uv_index_max": [5.35]}
})");
const std::string kForecastText = kForecast.dump();

// The forecast with the value at a JSON pointer replaced.
std::string with(const char* pointer, const Json& value) {
    Json body = kForecast;
    body[Json::json_pointer(pointer)] = value;
    return body.dump();
}

// `text` with the first `from` replaced by `to`, for bodies JSON cannot write.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

// Outcomes of a reader: "ok", the decoder's error with its key, or the
// ResponseError's kind with its user-facing text.
const std::string kBadWeather =
    "invalidWeather: Open-Meteo returned incomplete or invalid weather.";
const std::string kBadPlaces = "invalidPlaces: Open-Meteo returned invalid location results.";
const std::string kBadTime =
    "invalidObservationTime: Open-Meteo returned an invalid observation time.";

std::string outcomeOf(const std::function<std::string()>& read) {
    try {
        return read();
    } catch (const ResponseError& error) {
        const char* kinds[] = {"invalidWeather", "invalidPlaces", "invalidObservationTime"};
        return std::string(kinds[static_cast<int>(error.kind())]) + ": " + error.what();
    } catch (const DecodingError& error) {
        const char* kinds[] = {"dataCorrupted", "keyNotFound", "typeMismatch"};
        return std::string(kinds[static_cast<int>(error.kind())]) + " " + error.key();
    }
}

std::string forecastOutcome(const std::string& body) {
    return outcomeOf([&] {
        OpenMeteo::parseWeather(body);
        return std::string("ok");
    });
}

TEST(OpenMeteoTest, ForecastURLOfTheWorkedExampleWithShortestRoundTripCoordinates) {
    Place berlin{"Berlin, Germany", 52.52, 13.41, "Europe/Berlin"};
    EXPECT_EQ(OpenMeteo::forecastURL(berlin),
              "https://api.open-meteo.com/v1/forecast?latitude=52.52&longitude=13.41&current="
              "temperature_2m,apparent_temperature,precipitation,rain,snowfall,weather_code,"
              "wind_speed_10m&daily=precipitation_probability_max,uv_index_max&temperature_unit="
              "celsius&wind_speed_unit=kmh&precipitation_unit=mm&timezone=auto&timeformat="
              "unixtime&forecast_days=1");
    // Coordinates are the shortest decimals that read back.
    const std::pair<double, const char*> cases[] = {
        {13, "13.0"},
        {52.52, "52.52"},
        {0.00001, "1e-05"},
        {-0.0, "-0.0"},
        {0.1 + 0.2, "0.30000000000000004"},
    };
    for (const auto& [latitude, text] : cases) {
        const std::string url = OpenMeteo::forecastURL({"", latitude, 0, "auto"});
        EXPECT_NE(url.find(std::string("?latitude=") + text + "&longitude=0.0&"), std::string::npos)
            << url;
    }
}

TEST(OpenMeteoTest, GeocodingURLEncodesTheCityAsOneQueryValue) {
    const std::pair<const char*, const char*> cases[] = {
        {"Berlin", "Berlin"},
        {"São Paulo", "S%C3%A3o%20Paulo"},
        // A typed name can neither add query items nor turn into spaces.
        {"A&count=99#x", "A%26count%3D99%23x"},
        {"50%", "50%25"},
        {"-._~!$'()*,;:@/?", "-._~!$'()*,;:@/?"},
    };
    for (const auto& [city, encoded] : cases)
        EXPECT_EQ(OpenMeteo::geocodingURL(city),
                  std::string("https://geocoding-api.open-meteo.com/v1/search?name=") + encoded +
                      "&count=5&language=en&format=json");
}

// Only parseWeather logs, and its line keeps every digit of the temperature.
TEST(OpenMeteoTest, ParsesAValidForecastAndLogsOnlyThen) {
    const Date observed{seconds(kJuneFirstNineUTC)};
    const WeatherSnapshot expected{18.5, 17.25, 0.2,  0.1,      0.0,   12.5,
                                   61,   40.0,  5.35, observed, 52.52, "Europe/Berlin"};
    ScopedLogCapture capture;
    EXPECT_EQ(OpenMeteo::readForecast(kForecastText), expected);
    EXPECT_TRUE(capture.sink().records().empty());
    EXPECT_EQ(OpenMeteo::parseWeather(kForecastText), expected);
    const std::string prefix = "Parsed weather observation; WMO code 61, temperature ";
    EXPECT_EQ(capture.sink().records(), (std::vector<LogRecord>{{"weather-parser", LogLevel::debug,
                                                                 prefix + "18.500000°C"}}));
    for (double temperature : {-40.25, 1e300, -1e300}) {
        OpenMeteo::parseWeather(with("/current/temperature_2m", temperature));
        const std::string message = capture.sink().records().back().message;
        ASSERT_TRUE(message.starts_with(prefix) && message.ends_with("°C")) << message;
        std::string text = message.substr(prefix.size());
        // Six decimals, and the whole number reads back.
        EXPECT_EQ(text.find("°C") - text.find('.'), 7u) << text;
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), temperature) << text;
    }
}

// Implausible values, and what a hostile or broken server could send: each body
// ends in a documented outcome, never a crash or a stray exception.
TEST(OpenMeteoTest, ForecastBodiesEndInTheirOutcome) {
    const std::string code = "\"weather_code\":61";
    const char* probability = "/daily/precipitation_probability_max";
    const char* uv = "/daily/uv_index_max";
    // What the case is, the body and its outcome.
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"latitude above 90", with("/latitude", 90.5), kBadWeather},
        {"unknown zone", with("/timezone", "Mars/Olympus"), kBadWeather},
        {"zone with a NUL", with("/timezone", std::string("Europe/Berlin\0", 14)), kBadWeather},
        {"zone as a path", with("/timezone", "../../../etc/passwd"), kBadWeather},
        {"negative apparent temperature", with("/current/apparent_temperature", -12.5), "ok"},
        {"negative wind", with("/current/wind_speed_10m", -1), kBadWeather},
        {"negative zero snowfall", with("/current/snowfall", -0.0), "ok"},
        {"negative snowfall", with("/current/snowfall", -0.01), kBadWeather},
        {"probability []", with(probability, Json::array()), kBadWeather},
        {"probability [101]", with(probability, Json::array({101})), kBadWeather},
        {"probability [100, null]", with(probability, Json::array({100, nullptr})), "ok"},
        {"probability [null, 50]", with(probability, Json::array({nullptr, 50})), kBadWeather},
        {"uv [0]", with(uv, Json::array({0})), "ok"},
        {"uv [-0.1]", with(uv, Json::array({-0.1})), kBadWeather},
        {"code 4", with("/current/weather_code", 4), kBadWeather},
        {"code 99", with("/current/weather_code", 99), "ok"},
        {"smallest code", replaced(kForecastText, code, "\"weather_code\":-9223372036854775808"),
         kBadWeather},
        {"largest unsigned code",
         replaced(kForecastText, code, "\"weather_code\":18446744073709551615"),
         "typeMismatch weather_code"},
        {"code 61.0", with("/current/weather_code", 61.0), "typeMismatch weather_code"},
        {"text in a series", with(uv, Json::array({"high"})), "typeMismatch uv_index_max"},
        {"time as a boolean", with("/current/time", true), "typeMismatch time"},
        {"nan as time text", with("/current/time", "nan"), kBadTime},
        {"the time is judged after the weather",
         replaced(with("/current/weather_code", 4), "1717232400", "\"2024-6-1T09:00\""),
         kBadWeather},
        {"duplicate keys, the last wins",
         replaced(kForecastText, "\"latitude\":", "\"latitude\":\"x\",\"latitude\":"), "ok"},
    };
    for (const auto& [name, body, expected] : cases)
        EXPECT_EQ(forecastOutcome(body), expected) << name;
}

TEST(OpenMeteoTest, MissingKeysAreTheDecodersError) {
    for (std::string pointer :
         {"/latitude", "/timezone", "/current", "/daily", "/current/time",
          "/current/temperature_2m", "/current/apparent_temperature", "/current/precipitation",
          "/current/rain", "/current/snowfall", "/current/weather_code", "/current/wind_speed_10m",
          "/daily/precipitation_probability_max", "/daily/uv_index_max"}) {
        Json body = kForecast;
        Json::json_pointer path(pointer);
        body[path.parent_pointer()].erase(path.back());
        EXPECT_EQ(forecastOutcome(body.dump()), "keyNotFound " + path.back());
    }
    Json withoutLongitude = kForecast;
    withoutLongitude.erase("longitude");
    EXPECT_EQ(forecastOutcome(withoutLongitude.dump()), "ok");
}

TEST(OpenMeteoTest, ObservationTimesAsNumbersOrLocalText) {
    // The time, the zone, and the milliseconds since 1970 read (nothing when
    // the time is refused).
    constexpr std::int64_t nine = kJuneFirstNineUTC * 1000;
    const std::vector<std::tuple<Json, const char*, std::optional<std::int64_t>>> cases = {
        {1717232400, "Europe/Berlin", nine},
        {1717232400.25, "Europe/Berlin", nine + 250},
        {"2024-06-01T09:00", "Europe/Berlin", nine - 2 * 3600'000},
        {"2024-06-01T09:00", "UTC", nine},
        {"2024-06-01T09:00", "America/Los_Angeles", nine + 7 * 3600'000},
        // The hour repeated when clocks go back is read as its later occurrence.
        {"2024-10-27T02:30", "Europe/Berlin", 1729992600'000},
        // Skipped by the change to summer time.
        {"2024-03-31T02:30", "Europe/Berlin", std::nullopt},
        {"2024-03-31T03:00", "Europe/Berlin", 1711846800'000},
        {"2024-6-1T09:00", "Europe/Berlin", std::nullopt},
        {"2024-06-01T09:00Z", "Europe/Berlin", std::nullopt},
        {"2024-02-30T09:00", "Europe/Berlin", std::nullopt},
        {"0024-06-01T09:00", "UTC", std::nullopt},
        {"9999-12-31T23:59", "UTC", std::nullopt},
        // Numbers the clock cannot hold are refused, not wrapped.
        {1e300, "UTC", std::nullopt},
        {-1e11, "UTC", std::nullopt},
    };
    for (const auto& [time, zone, unixMilliseconds] : cases) {
        SCOPED_TRACE(time.dump() + " in " + zone);
        Json body = kForecast;
        body["current"]["time"] = time;
        body["timezone"] = zone;
        if (!unixMilliseconds)
            EXPECT_EQ(forecastOutcome(body.dump()), kBadTime);
        else
            EXPECT_EQ(OpenMeteo::parseWeather(body.dump()).observedAt,
                      Date(milliseconds(*unixMilliseconds)));
    }
}

TEST(OpenMeteoTest, GeocodingAnswersAreAcceptedInOrderOrRejectedWhole) {
    auto one = [](const std::string& fields) { return R"({"results":[{)" + fields + "}]}"; };
    // A body, and "ok:" with the names in order, or the error.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"({})", "ok:"},
        {R"({"results":null})", "ok:"},
        {R"({"error":true})", kBadPlaces},
        {R"({"results":[{"name":"B","latitude":3,"longitude":4,"admin1":"X"},
                        {"name":"A","latitude":1,"longitude":2}], "generationtime_ms":1})",
         "ok:B, X|A|"},
        // Names are composed of the distinct parts present: empty and null
        // parts and canonically equivalent spellings (composed and decomposed
        // Î) are left out; texts are not trimmed, so a padded repeat stays.
        {one(R"("name":"Paris","latitude":48.85,"longitude":2.35,"admin1":"Île-de-France",)"
             R"("country":"France")"),
         "ok:Paris, Île-de-France, France|"},
        {one(R"("name":"Monaco","latitude":43.73,"longitude":7.42,"admin1":"","country":null)"),
         "ok:Monaco|"},
        {one(R"("name":"Île","latitude":1,"longitude":2,"admin1":"I\u0302le","country":"France")"),
         "ok:Île, France|"},
        {one(R"("name":"Oslo","latitude":59.9,"longitude":10.7,"admin1":" Oslo")"),
         "ok:Oslo,  Oslo|"},
        {R"({"results":[{"name":"A","latitude":1,"longitude":2},
                        {"name":"  ","latitude":3,"longitude":4}]})",
         kBadPlaces},
        {one(R"("name":"\n\t\u00a0\u3000\u0085\u2028","latitude":3,"longitude":4)"), kBadPlaces},
        {one(R"("name":"A","latitude":90.01,"longitude":4)"), kBadPlaces},
        {one(R"("name":"A","latitude":1)"), "keyNotFound longitude"},
        {one(R"("name":7,"latitude":1,"longitude":2)"), "typeMismatch name"},
        {R"({"results":{"name":"A"}})", "typeMismatch results"},
        {R"({"error":"yes"})", "typeMismatch error"},
        {R"({"error":true,"results":[{"name":"A"}]})", "keyNotFound latitude"},
    };
    auto names = [](const std::string& body) {
        std::string text = "ok:";
        for (const Place& place : OpenMeteo::parsePlaces(body))
            text += place.name + "|";
        return text;
    };
    for (const auto& [body, expected] : cases)
        EXPECT_EQ(outcomeOf([&] { return names(body); }), expected) << body.substr(0, 80);
    // The zone is the service's, or "auto" for the coordinates' own.
    EXPECT_EQ(OpenMeteo::parsePlaces(one(R"("name":"Singapore","latitude":1.29,"longitude":103.85,)"
                                         R"("country":"Singapore","timezone":"Asia/Singapore")")),
              (std::vector<Place>{{"Singapore", 1.29, 103.85, "Asia/Singapore"}}));
    EXPECT_EQ(OpenMeteo::parsePlaces(one(R"("name":"Pole","latitude":90,"longitude":-180)")),
              (std::vector<Place>{{"Pole", 90, -180, "auto"}}));
}

} // namespace
} // namespace garbello
