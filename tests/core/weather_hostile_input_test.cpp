#include "weather/open_meteo.h"
#include "weather/weather_cache.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace garbello {
namespace {

// What a hostile or broken server (or a damaged disk) could hand the readers.
// Each must end in a documented outcome, never a crash or a stray exception.

const std::string kForecast =
    R"({"latitude":52.52,"timezone":"Europe/Berlin","current":{"time":1717232400,)"
    R"("temperature_2m":18.5,"apparent_temperature":17,"precipitation":0,"rain":0,)"
    R"("snowfall":0,"weather_code":3,"wind_speed_10m":9},)"
    R"("daily":{"precipitation_probability_max":[10],"uv_index_max":[4]}})";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

std::string nested(std::size_t depth, const std::string& inner = "") {
    return std::string(depth, '[') + inner + std::string(depth, ']');
}

std::string outcomeOf(const std::function<void()>& run) {
    try {
        run();
        return "ok";
    } catch (const ResponseError& error) {
        return error.kind() == ResponseError::Kind::invalidWeather  ? "invalidWeather"
               : error.kind() == ResponseError::Kind::invalidPlaces ? "invalidPlaces"
                                                                    : "invalidObservationTime";
    } catch (const DecodingError&) {
        return "decoding";
    }
}

TEST(WeatherHostileInputTest, ForecastBodies) {
    const std::string tenMegabytes(10 << 20, 'x');
    struct Case {
        const char* name;
        std::string body;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"valid", kForecast, "ok"},
        {"overflowing number", replaced(kForecast, "52.52", "1e400"), "decoding"},
        {"largest double", replaced(kForecast, "18.5", "1.7976931348623157e308"), "ok"},
        {"huge latitude", replaced(kForecast, "52.52", "1e308"), "invalidWeather"},
        {"integer beyond 64 bits",
         replaced(kForecast, "\"weather_code\":3", "\"weather_code\":1e30"), "decoding"},
        {"smallest code",
         replaced(kForecast, "\"weather_code\":3", "\"weather_code\":-9223372036854775808"),
         "invalidWeather"},
        {"largest unsigned code",
         replaced(kForecast, "\"weather_code\":3", "\"weather_code\":18446744073709551615"),
         "decoding"},
        {"huge time", replaced(kForecast, "1717232400", "1e300"), "invalidObservationTime"},
        {"NaN token", replaced(kForecast, "18.5", "NaN"), "decoding"},
        {"NaN as text", replaced(kForecast, "18.5", "\"NaN\""), "decoding"},
        {"Infinity token", replaced(kForecast, "18.5", "-Infinity"), "decoding"},
        {"nan as time text", replaced(kForecast, "1717232400", "\"nan\""),
         "invalidObservationTime"},
        {"deeply nested body", nested(100'000), "decoding"},
        {"deeply nested value", replaced(kForecast, "52.52", nested(100'000, "1")), "decoding"},
        {"unterminated nesting", std::string(100'000, '{'), "decoding"},
        {"ten megabytes of garbage", tenMegabytes, "decoding"},
        {"ten megabyte extra field",
         replaced(kForecast, "{\"latitude\"", "{\"padding\":\"" + tenMegabytes + "\",\"latitude\""),
         "ok"},
        {"ten megabyte zone name", replaced(kForecast, "Europe/Berlin", tenMegabytes),
         "invalidWeather"},
        {"ten megabyte time text", replaced(kForecast, "1717232400", "\"" + tenMegabytes + "\""),
         "invalidObservationTime"},
        {"invalid UTF-8 in zone", replaced(kForecast, "Europe/Berlin", "Europe/\xff\xfe"),
         "decoding"},
        {"overlong UTF-8",
         replaced(kForecast, "Europe/Berlin",
                  "Europe\xc0\xaf"
                  "Berlin"),
         "decoding"},
        {"lone surrogate", replaced(kForecast, "Europe/Berlin", "\\ud800"), "decoding"},
        {"zone with a NUL", replaced(kForecast, "Europe/Berlin", "Europe/Berlin\\u0000"),
         "invalidWeather"},
        {"zone as a path", replaced(kForecast, "Europe/Berlin", "../../../etc/passwd"),
         "invalidWeather"},
        {"NUL bytes", std::string(64, '\0'), "decoding"},
        {"empty", "", "decoding"},
        {"trailing garbage", kForecast + "}", "decoding"},
        {"duplicate keys", replaced(kForecast, "{\"latitude\"", "{\"latitude\":\"x\",\"latitude\""),
         "ok"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(outcomeOf([&] { OpenMeteo::parseWeather(c.body); }), c.expected) << c.name;
}

TEST(WeatherHostileInputTest, GeocodingBodies) {
    const std::string tenMegabytes(10 << 20, 'y');
    auto oneResult = [](const std::string& fields) { return R"({"results":[{)" + fields + "}]}"; };
    struct Case {
        const char* name;
        std::string body;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"huge latitude", oneResult(R"("name":"A","latitude":1e308,"longitude":0)"),
         "invalidPlaces"},
        {"overflowing longitude", oneResult(R"("name":"A","latitude":0,"longitude":-1e999)"),
         "decoding"},
        {"NaN as text", oneResult(R"("name":"A","latitude":"NaN","longitude":0)"), "decoding"},
        {"deeply nested", nested(100'000), "decoding"},
        {"deeply nested results", R"({"results":)" + nested(100'000) + "}", "decoding"},
        {"ten megabyte name",
         oneResult(R"("name":")" + tenMegabytes + R"(","latitude":0,"longitude":0)"), "ok"},
        {"many results",
         R"({"results":[)" +
             [] {
                 std::string rows;
                 for (int i = 0; i < 20'000; ++i)
                     rows +=
                         std::string(i ? "," : "") + R"({"name":"A","latitude":0,"longitude":0})";
                 return rows;
             }() +
             "]}",
         "ok"},
        {"invalid UTF-8 name",
         oneResult("\"name\":\"\xed\xa0\x80\",\"latitude\":0,\"longitude\":0"), "decoding"},
        {"truncated UTF-8", oneResult("\"name\":\"\xc3\",\"latitude\":0,\"longitude\":0"),
         "decoding"},
        {"control characters only",
         oneResult(R"("name":"\u0085\u2028","latitude":0,"longitude":0)"), "invalidPlaces"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(outcomeOf([&] { OpenMeteo::parsePlaces(c.body); }), c.expected) << c.name;
}

TEST(WeatherHostileInputTest, CacheBytesNeverThrow) {
    const std::vector<std::string> inputs = {
        nested(100'000),
        std::string(100'000, '{'),
        std::string(10 << 20, '\xff'),
        R"({"place":{"name":"\ud800","latitude":0,"longitude":0,"timezone":"UTC"}})",
        R"({"place":{"name":"A","latitude":1e400,"longitude":0,"timezone":"UTC"}})",
        R"({"place":{"name":"A","latitude":0,"longitude":0,"timezone":"UTC"},"cache":)" +
            nested(50'000) + "}",
    };
    for (const auto& input : inputs)
        EXPECT_EQ(decodeSavedWeather(input), std::nullopt) << input.substr(0, 60);
}

} // namespace
} // namespace garbello
