#include "support/json_decode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace garbello {
namespace {

using Kind = DecodingError::Kind;
using namespace std::string_literals;

// The kind of DecodingError `read` throws and the key it names.
std::optional<std::pair<Kind, std::string>> failureOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const DecodingError& error) {
        return std::pair{error.kind(), error.key()};
    }
    return std::nullopt;
}

TEST(JsonDecodeTest, ParsesOnlyObjectsAndArraysNestedAtMost512Deep) {
    auto nested = [](std::size_t depth, const std::string& inner = "") {
        return std::string(depth, '[') + inner + std::string(depth, ']');
    };
    std::string objects;
    for (int i = 0; i < 513; ++i)
        objects += R"({"a":)";
    objects += "1" + std::string(513, '}');
    // Brackets inside strings, escaped quotes included, are text.
    for (const std::string& text :
         {R"({"a":1})"s, "[1,2]"s, nested(512), nested(500, R"("\\\"[[[[[[[[[[[[[[[[")")})
        EXPECT_EQ(failureOf([&] { json::parse(text); }), std::nullopt) << text.substr(0, 40);
    // The readers of settings, caches and answers all parse here, so what no
    // JSON text may hold is refused once for all of them.
    for (const std::string& text : {"\"text\""s, "{"s, "{\"a\":1} x"s, "{\"a\":1}\0x"s, "[]\0"s,
                                    R"({"a":1e400})"s, R"({"a":NaN})"s, "{\"a\":\"\xff\xfe\"}"s,
                                    R"({"a":"\ud800"})"s, nested(513), nested(100'000), objects})
        EXPECT_EQ(failureOf([&] { json::parse(text); }), std::pair(Kind::dataCorrupted, ""s))
            << text.substr(0, 40);
}

TEST(JsonDecodeTest, ReadersWantTheKeyWithExactlyTheirType) {
    const Json object = Json::parse(R"({"int":42,"neg":-7,"float":42.0,"exp":1e2,)"
                                    R"("big":9223372036854775808,"str":"1","bool":true,)"
                                    R"("null":null})");
    EXPECT_EQ(json::requireInteger(object, "int"), 42);
    EXPECT_EQ(json::requireInteger(object, "neg"), -7);
    EXPECT_EQ(json::requireNumber(object, "int"), 42.0);
    EXPECT_EQ(json::requireNumber(object, "exp"), 100.0);
    EXPECT_TRUE(json::requireBool(object, "bool"));
    EXPECT_EQ(json::optionalString(object, "str"), "1");
    EXPECT_EQ(json::optionalString(object, "missing"), std::nullopt);

    const std::vector<std::pair<const char*, std::function<void(const char*)>>> refusals = {
        {"float", [&](auto key) { json::requireInteger(object, key); }},
        {"big", [&](auto key) { json::requireInteger(object, key); }},
        {"bool", [&](auto key) { json::requireNumber(object, key); }},
        {"str", [&](auto key) { json::requireBool(object, key); }},
        // Strict records never write null, so a null is a wrong type, not absence.
        {"null", [&](auto key) { json::optionalString(object, key); }},
    };
    for (const auto& [key, read] : refusals)
        EXPECT_EQ(failureOf([&] { read(key); }), std::pair(Kind::typeMismatch, std::string(key)))
            << key;
    EXPECT_EQ(failureOf([&] { json::requireString(object, "missing"); }),
              std::pair(Kind::keyNotFound, "missing"s));
}

TEST(JsonDecodeTest, DatesAreSecondsSince2001WithinTheClocksRangeAndSurviveTheirJsonForm) {
    const Json object =
        Json::parse(R"({"at":1.5,"negative":-978307200,"text":"2001-01-01","huge":1e300,)"
                    R"("late":8.0e9,"overflowing":8.9e9})");
    EXPECT_EQ(secondsSinceReferenceDate(requireDate(object, "at")), 1.5);
    EXPECT_EQ(requireDate(object, "negative").time_since_epoch().count(), 0);
    // The limit applies to the instant, not to the distance from 2001: 8.9e9
    // seconds after 2001 no longer fits a nanosecond clock.
    EXPECT_EQ(secondsSinceReferenceDate(requireDate(object, "late")), 8.0e9);
    for (const char* key : {"text", "huge", "overflowing"})
        EXPECT_THROW(requireDate(object, key), DecodingError) << key;
    EXPECT_EQ(optionalDate(object, "missing"), std::nullopt);
    EXPECT_EQ(dateFromUnixSeconds(1717232400.5)->time_since_epoch(),
              std::chrono::milliseconds(1717232400500));
    EXPECT_EQ(dateFromUnixSeconds(std::nan("")), std::nullopt);
    EXPECT_EQ(dateFromUnixSeconds(-9.1e9), std::nullopt);

    using namespace std::chrono;
    // Today's dates have about 61 bits of nanoseconds, more than a double
    // holds: reading back may round below a microsecond, but never drifts
    // further when a record is written and read again and again.
    for (Date date :
         {Date(seconds(1778307200) + milliseconds(250)), Date(seconds(1778307200) + nanoseconds(1)),
          Date(seconds(1717232400) + microseconds(123456)), Date(seconds(978307200)),
          Date(seconds(-1) + milliseconds(500))}) {
        double seconds = secondsSinceReferenceDate(date);
        Date readBack = dateFromReferenceSeconds(seconds);
        EXPECT_LE(std::chrono::abs(readBack - date), microseconds(1)) << seconds;
        EXPECT_EQ(secondsSinceReferenceDate(readBack), seconds);
        EXPECT_EQ(dateFromReferenceSeconds(secondsSinceReferenceDate(readBack)), readBack);
    }
    EXPECT_EQ(secondsSinceReferenceDate(Date(seconds(1778307200) + milliseconds(250))),
              800'000'000.25);
}

} // namespace
} // namespace garbello
