#include "support/log.h"
#include "weather/open_meteo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>

namespace garbello {
namespace {

using namespace std::chrono;
using Kind = ResponseError::Kind;

// 2024-06-01 09:00:00 UTC.
constexpr std::int64_t kJuneFirstNineUTC = 1717232400;

Json validForecast() {
    return Json::parse(R"({
        "latitude": 52.52, "longitude": 13.419998, "timezone": "Europe/Berlin",
        "generationtime_ms": 0.05,
        "current": {"time": 1717232400, "interval": 900, "temperature_2m": 18.5,
                    "apparent_temperature": 17.25, "precipitation": 0.2, "rain": 0.1,
                    "snowfall": 0.0, "weather_code": 61, "wind_speed_10m": 12.5},
        "daily": {"time": [1717192800], "precipitation_probability_max": [40, 80],
                  "uv_index_max": [5.35]}
    })");
}

WeatherSnapshot parse(const Json& body) {
    return OpenMeteo::parseWeather(body.dump());
}

// Runs `body` through the parser and names the outcome: "ok", the
// ResponseError kind, or "decoding".
std::string outcome(const std::string& body) {
    try {
        OpenMeteo::parseWeather(body);
        return "ok";
    } catch (const ResponseError& error) {
        switch (error.kind()) {
        case Kind::invalidWeather:
            return "invalidWeather";
        case Kind::invalidPlaces:
            return "invalidPlaces";
        case Kind::invalidObservationTime:
            return "invalidObservationTime";
        }
    } catch (const DecodingError&) {
        return "decoding";
    }
    return "unreachable";
}

TEST(OpenMeteoTest, ForecastURLOfTheWorkedExample) {
    Place berlin{"Berlin, Germany", 52.52, 13.41, "Europe/Berlin"};
    EXPECT_EQ(OpenMeteo::forecastURL(berlin),
              "https://api.open-meteo.com/v1/forecast?latitude=52.52&longitude=13.41&current="
              "temperature_2m,apparent_temperature,precipitation,rain,snowfall,weather_code,"
              "wind_speed_10m&daily=precipitation_probability_max,uv_index_max&temperature_unit="
              "celsius&wind_speed_unit=kmh&precipitation_unit=mm&timezone=auto&timeformat="
              "unixtime&forecast_days=1");
}

TEST(OpenMeteoTest, CoordinatesAreShortestRoundTripDecimals) {
    struct Case {
        double latitude;
        const char* text;
    };
    const std::vector<Case> cases = {
        {13, "13.0"},         {52.52, "52.52"},       {0.00001, "1e-05"},
        {-0.00001, "-1e-05"}, {0.0001, "0.0001"},     {0, "0.0"},
        {-0.0, "-0.0"},       {-33.8688, "-33.8688"}, {0.1 + 0.2, "0.30000000000000004"},
        {180, "180.0"},       {1.5e-7, "1.5e-07"},
    };
    for (const auto& c : cases) {
        std::string url = OpenMeteo::forecastURL({"", c.latitude, 0, "auto"});
        std::string expected = std::string("?latitude=") + c.text + "&longitude=0.0&";
        EXPECT_NE(url.find(expected), std::string::npos) << url;
    }
}

TEST(OpenMeteoTest, GeocodingURLEncodesTheCityAsOneQueryValue) {
    struct Case {
        const char* city;
        const char* encoded;
    };
    const std::vector<Case> cases = {
        {"Berlin", "Berlin"},
        {"New York", "New%20York"},
        {"São Paulo", "S%C3%A3o%20Paulo"},
        // A typed name can neither add query items nor turn into spaces.
        {"A&count=99#x", "A%26count%3D99%23x"},
        {"1+1", "1%2B1"},
        {"50%", "50%25"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OpenMeteo::geocodingURL(c.city),
                  std::string("https://geocoding-api.open-meteo.com/v1/search?name=") + c.encoded +
                      "&count=5&language=en&format=json");
    }
}

TEST(OpenMeteoTest, ParsesAValidForecastIntoASnapshot) {
    WeatherSnapshot expected{18.5,  17.25,
                             0.2,   0.1,
                             0.0,   12.5,
                             61,    40.0,
                             5.35,  Date(seconds(kJuneFirstNineUTC)),
                             52.52, "Europe/Berlin"};
    ScopedLogCapture capture;
    EXPECT_EQ(OpenMeteo::readForecast(validForecast().dump()), expected);
    EXPECT_TRUE(capture.sink().records("weather-parser").empty());
    EXPECT_EQ(parse(validForecast()), expected);
}

TEST(OpenMeteoTest, ParsingLogsTheWholeObservationLine) {
    struct Case {
        double temperature;
        std::int64_t code;
        // Exact text, or empty to check only the length of the integer part.
        std::string text;
        std::size_t integerDigits;
    };
    const std::vector<Case> cases = {
        {18.5, 61, "18.500000", 2},
        {-40.25, 0, "-40.250000", 2},
        {-0.0, 99, "-0.000000", 1},
        // Every integer digit is written; none is cut off.
        {1e300, 3, "", 301},
        {-1e300, 3, "", 301},
    };
    for (const auto& c : cases) {
        Json body = validForecast();
        body["current"]["temperature_2m"] = c.temperature;
        body["current"]["weather_code"] = c.code;
        ScopedLogCapture capture;
        parse(body);
        auto records = capture.sink().records("weather-parser");
        ASSERT_EQ(records.size(), 1u) << c.temperature;
        EXPECT_EQ(records[0].level, LogLevel::debug);
        const std::string& message = records[0].message;
        std::string prefix =
            "Parsed weather observation; WMO code " + std::to_string(c.code) + ", temperature ";
        std::string suffix = "°C";
        ASSERT_TRUE(message.starts_with(prefix) && message.ends_with(suffix)) << message;
        std::string text =
            message.substr(prefix.size(), message.size() - prefix.size() - suffix.size());
        if (!c.text.empty()) {
            EXPECT_EQ(text, c.text);
        }
        std::size_t sign = std::signbit(c.temperature) ? 1 : 0;
        EXPECT_EQ(text.find('.'), sign + c.integerDigits) << text;
        EXPECT_EQ(text.size(), sign + c.integerDigits + 7) << text;
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), c.temperature) << text;
    }
}

TEST(OpenMeteoTest, RejectsImplausibleValuesInOrder) {
    struct Case {
        const char* name;
        std::string pointer;
        Json value;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"latitude above 90", "/latitude", 90.5, "invalidWeather"},
        {"latitude -90", "/latitude", -90, "ok"},
        {"unknown zone", "/timezone", "Mars/Olympus", "invalidWeather"},
        {"empty zone", "/timezone", "", "invalidWeather"},
        {"UTC", "/timezone", "UTC", "ok"},
        {"negative apparent temperature", "/current/apparent_temperature", -12.5, "ok"},
        {"negative wind", "/current/wind_speed_10m", -1, "invalidWeather"},
        {"negative rain", "/current/rain", -0.1, "invalidWeather"},
        {"negative precipitation", "/current/precipitation", -0.1, "invalidWeather"},
        {"negative zero snowfall", "/current/snowfall", -0.0, "ok"},
        {"negative snowfall", "/current/snowfall", -0.01, "invalidWeather"},
        {"probability [null]", "/daily/precipitation_probability_max", Json::array({nullptr}),
         "invalidWeather"},
        {"probability []", "/daily/precipitation_probability_max", Json::array(), "invalidWeather"},
        {"probability [101]", "/daily/precipitation_probability_max", Json::array({101}),
         "invalidWeather"},
        {"probability [-1]", "/daily/precipitation_probability_max", Json::array({-1}),
         "invalidWeather"},
        {"probability [100, null]", "/daily/precipitation_probability_max",
         Json::array({100, nullptr}), "ok"},
        {"probability [null, 50]", "/daily/precipitation_probability_max",
         Json::array({nullptr, 50}), "invalidWeather"},
        {"uv [0]", "/daily/uv_index_max", Json::array({0}), "ok"},
        {"uv [-0.1]", "/daily/uv_index_max", Json::array({-0.1}), "invalidWeather"},
        {"uv []", "/daily/uv_index_max", Json::array(), "invalidWeather"},
        {"code 4", "/current/weather_code", 4, "invalidWeather"},
        {"code 99", "/current/weather_code", 99, "ok"},
        {"code 100", "/current/weather_code", 100, "invalidWeather"},
        {"code -1", "/current/weather_code", -1, "invalidWeather"},
        {"code 61.0", "/current/weather_code", 61.0, "decoding"},
        {"code as text", "/current/weather_code", "61", "decoding"},
        {"latitude as text", "/latitude", "52.5", "decoding"},
        {"null temperature", "/current/temperature_2m", nullptr, "decoding"},
        {"text in a series", "/daily/uv_index_max", Json::array({"high"}), "decoding"},
        {"series not an array", "/daily/uv_index_max", 5, "decoding"},
        {"current not an object", "/current", Json::array(), "decoding"},
        {"time as a boolean", "/current/time", true, "decoding"},
    };
    for (const auto& c : cases) {
        Json body = validForecast();
        body[Json::json_pointer(c.pointer)] = c.value;
        EXPECT_EQ(outcome(body.dump()), c.expected) << c.name;
    }
}

TEST(OpenMeteoTest, MissingKeysAreTheDecodersError) {
    const std::vector<std::string> required = {
        "/latitude",
        "/timezone",
        "/current",
        "/daily",
        "/current/time",
        "/current/temperature_2m",
        "/current/apparent_temperature",
        "/current/precipitation",
        "/current/rain",
        "/current/snowfall",
        "/current/weather_code",
        "/current/wind_speed_10m",
        "/daily/precipitation_probability_max",
        "/daily/uv_index_max",
    };
    for (const auto& pointer : required) {
        Json body = validForecast();
        Json::json_pointer path(pointer);
        body[path.parent_pointer()].erase(path.back());
        try {
            OpenMeteo::parseWeather(body.dump());
            ADD_FAILURE() << "accepted without " << pointer;
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.kind(), DecodingError::Kind::keyNotFound) << pointer;
            EXPECT_EQ(error.key(), path.back()) << pointer;
        }
    }
    Json withoutLongitude = validForecast();
    withoutLongitude.erase("longitude");
    EXPECT_EQ(outcome(withoutLongitude.dump()), "ok");
}

TEST(OpenMeteoTest, ObservationTimesAsNumbersOrLocalText) {
    struct Case {
        Json time;
        const char* zone;
        const char* expected;
        std::int64_t unixSeconds;
    };
    const std::vector<Case> cases = {
        {1717232400, "Europe/Berlin", "ok", kJuneFirstNineUTC},
        {1717232400.0, "Europe/Berlin", "ok", kJuneFirstNineUTC},
        {"2024-06-01T09:00", "Europe/Berlin", "ok", kJuneFirstNineUTC - 2 * 3600},
        {"2024-01-15T09:00", "Europe/Berlin", "ok", 1705305600},
        {"2024-06-01T09:00", "UTC", "ok", kJuneFirstNineUTC},
        {"2024-06-01T09:00", "America/Los_Angeles", "ok", kJuneFirstNineUTC + 7 * 3600},
        // The hour repeated when clocks go back is read as its later occurrence.
        {"2024-10-27T02:30", "Europe/Berlin", "ok", 1729992600},
        // Skipped by the change to summer time.
        {"2024-03-31T02:30", "Europe/Berlin", "invalidObservationTime", 0},
        {"2024-03-31T03:00", "Europe/Berlin", "ok", 1711846800},
        {"2024-6-1T09:00", "Europe/Berlin", "invalidObservationTime", 0},
        {"2024-06-01T9:00", "Europe/Berlin", "invalidObservationTime", 0},
        {"2024-06-01 09:00", "Europe/Berlin", "invalidObservationTime", 0},
        {"2024-06-01T09:00Z", "Europe/Berlin", "invalidObservationTime", 0},
        {"2024-06-01T09:00:00", "Europe/Berlin", "invalidObservationTime", 0},
        {"2024-02-30T09:00", "Europe/Berlin", "invalidObservationTime", 0},
        {"2024-06-01T24:00", "Europe/Berlin", "invalidObservationTime", 0},
        {"0024-06-01T09:00", "UTC", "invalidObservationTime", 0},
        {"9999-12-31T23:59", "UTC", "invalidObservationTime", 0},
        {"", "Europe/Berlin", "invalidObservationTime", 0},
        // Numbers the clock cannot hold are refused, not wrapped.
        {1e300, "UTC", "invalidObservationTime", 0},
        {-1e11, "UTC", "invalidObservationTime", 0},
    };
    for (const auto& c : cases) {
        Json body = validForecast();
        body["current"]["time"] = c.time;
        body["timezone"] = c.zone;
        ASSERT_EQ(outcome(body.dump()), c.expected) << c.time << " in " << c.zone;
        if (std::string(c.expected) == "ok") {
            EXPECT_EQ(parse(body).observedAt, Date(seconds(c.unixSeconds)))
                << c.time << " in " << c.zone;
        }
    }

    Json fractional = validForecast();
    fractional["current"]["time"] = 1717232400.25;
    EXPECT_EQ(parse(fractional).observedAt, Date(milliseconds(kJuneFirstNineUTC * 1000 + 250)));
}

TEST(OpenMeteoTest, TheObservationTimeIsJudgedAfterTheWeather) {
    Json body = validForecast();
    body["current"]["weather_code"] = 4;
    body["current"]["time"] = "2024-6-1T09:00";
    EXPECT_EQ(outcome(body.dump()), "invalidWeather");
}

TEST(OpenMeteoTest, ErrorsCarryTheirUserFacingDescriptions) {
    EXPECT_STREQ(ResponseError::invalidWeather().what(),
                 "Open-Meteo returned incomplete or invalid weather.");
    EXPECT_STREQ(ResponseError::invalidPlaces().what(),
                 "Open-Meteo returned invalid location results.");
    EXPECT_STREQ(ResponseError::invalidObservationTime().what(),
                 "Open-Meteo returned an invalid observation time.");
}

std::vector<Place> places(const std::string& body) {
    return OpenMeteo::parsePlaces(body);
}

TEST(OpenMeteoTest, GeocodingNamesAreComposedFromDistinctParts) {
    struct Case {
        const char* result;
        Place expected;
    };
    const std::vector<Case> cases = {
        {R"({"name":"Paris","latitude":48.85,"longitude":2.35,"admin1":"Île-de-France",
             "country":"France"})",
         {"Paris, Île-de-France, France", 48.85, 2.35, "auto"}},
        {R"({"name":"Singapore","latitude":1.29,"longitude":103.85,"country":"Singapore",
             "timezone":"Asia/Singapore"})",
         {"Singapore", 1.29, 103.85, "Asia/Singapore"}},
        {R"({"name":"Portland","latitude":45.52,"longitude":-122.68,"admin1":"Oregon",
             "country":"United States","timezone":"America/Los_Angeles"})",
         {"Portland, Oregon, United States", 45.52, -122.68, "America/Los_Angeles"}},
        {R"({"name":"Monaco","latitude":43.73,"longitude":7.42,"admin1":"","country":null})",
         {"Monaco", 43.73, 7.42, "auto"}},
        // Canonically equivalent spellings (composed and decomposed Î) are one text.
        {R"({"name":"Île","latitude":1,"longitude":2,"admin1":"I\u0302le","country":"France"})",
         {"Île, France", 1, 2, "auto"}},
        // Texts are not trimmed, so a padded repeat is a different text.
        {R"({"name":"Oslo","latitude":59.9,"longitude":10.7,"admin1":" Oslo"})",
         {"Oslo,  Oslo", 59.9, 10.7, "auto"}},
        {R"({"name":"Pole","latitude":90,"longitude":-180})", {"Pole", 90, -180, "auto"}},
    };
    for (const auto& c : cases) {
        auto result = places(std::string(R"({"results":[)") + c.result + "]}");
        ASSERT_EQ(result.size(), 1u) << c.result;
        EXPECT_EQ(result.front(), c.expected) << c.result;
    }
}

TEST(OpenMeteoTest, GeocodingAnswersAreAcceptedOrRejectedWhole) {
    struct Case {
        const char* body;
        const char* expected; // "ok:<count>", "invalidPlaces" or "decoding"
    };
    const std::vector<Case> cases = {
        {R"({})", "ok:0"},
        {R"({"results":[]})", "ok:0"},
        {R"({"results":null})", "ok:0"},
        {R"({"error":false})", "ok:0"},
        {R"({"error":true})", "invalidPlaces"},
        {R"({"error":true,"reason":"Parameter count must be between 1 and 100."})",
         "invalidPlaces"},
        {R"({"results":[{"name":"A","latitude":1,"longitude":2},
                        {"name":"B","latitude":3,"longitude":4}], "generationtime_ms":1})",
         "ok:2"},
        {R"({"results":[{"name":"A","latitude":1,"longitude":2},
                        {"name":"  ","latitude":3,"longitude":4}]})",
         "invalidPlaces"},
        {R"({"results":[{"name":"\n\t\u00a0\u3000","latitude":3,"longitude":4}]})",
         "invalidPlaces"},
        {R"({"results":[{"name":"","latitude":3,"longitude":4}]})", "invalidPlaces"},
        {R"({"results":[{"name":"A","latitude":90.01,"longitude":4}]})", "invalidPlaces"},
        {R"({"results":[{"name":"A","latitude":1,"longitude":-180.5}]})", "invalidPlaces"},
        {R"({"results":[{"name":"A","latitude":1}]})", "decoding"},
        {R"({"results":[{"name":7,"latitude":1,"longitude":2}]})", "decoding"},
        {R"({"results":[{"name":"A","latitude":1,"longitude":2,"admin1":3}]})", "decoding"},
        {R"({"results":{"name":"A"}})", "decoding"},
        {R"({"results":["A"]})", "decoding"},
        {R"({"error":"yes"})", "decoding"},
        {R"({"error":true,"results":[{"name":"A"}]})", "decoding"},
        {R"([])", "decoding"},
        {R"(not json)", "decoding"},
    };
    for (const auto& c : cases) {
        std::string result;
        try {
            result = "ok:" + std::to_string(places(c.body).size());
        } catch (const ResponseError& error) {
            result = error.kind() == Kind::invalidPlaces ? "invalidPlaces" : "other";
        } catch (const DecodingError&) {
            result = "decoding";
        }
        EXPECT_EQ(result, c.expected) << c.body;
    }
}

TEST(OpenMeteoTest, GeocodingKeepsTheServicesOrder) {
    auto result = places(R"({"results":[
        {"name":"Springfield","latitude":39.8,"longitude":-89.6,"admin1":"Illinois"},
        {"name":"Springfield","latitude":37.2,"longitude":-93.3,"admin1":"Missouri"},
        {"name":"Springfield","latitude":42.1,"longitude":-72.6,"admin1":"Massachusetts"}]})");
    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(result[0].name, "Springfield, Illinois");
    EXPECT_EQ(result[1].name, "Springfield, Missouri");
    EXPECT_EQ(result[2].name, "Springfield, Massachusetts");
}

} // namespace
} // namespace garbello
