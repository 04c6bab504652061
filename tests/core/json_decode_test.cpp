#include "support/json_decode.h"

#include <gtest/gtest.h>

#include <cmath>

namespace garbello {
namespace {

TEST(JsonDecodeTest, ParseAcceptsOnlyObjectsAndArrays) {
    EXPECT_TRUE(json::parse(R"({"a":1})").is_object());
    EXPECT_TRUE(json::parse("[1,2]").is_array());
    for (const char* text : {"", "1", "\"text\"", "true", "null", "{", "{\"a\":1} x", "[1,]"}) {
        try {
            json::parse(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.kind(), DecodingError::Kind::dataCorrupted) << text;
            EXPECT_FALSE(std::string(error.what()).empty());
        }
    }
}

TEST(JsonDecodeTest, NestingIsLimitedTo512Levels) {
    auto nested = [](std::size_t depth, const std::string& inner) {
        return std::string(depth, '[') + inner + std::string(depth, ']');
    };
    EXPECT_TRUE(json::parse(nested(512, "")).is_array());
    EXPECT_THROW(json::parse(nested(513, "")), DecodingError);
    EXPECT_THROW(json::parse(nested(100'000, "")), DecodingError);
    // Brackets inside strings, escaped quotes included, are text.
    const std::string brackets(600, '[');
    EXPECT_TRUE(json::parse(nested(500, "\"" + brackets + "\"")).is_array());
    EXPECT_TRUE(json::parse(nested(500, R"("\\\"[[[[[[[[[[[[[[[[")")).is_array());
    // Objects count like arrays.
    std::string objects;
    for (int i = 0; i < 513; ++i)
        objects += R"({"a":)";
    objects += "1" + std::string(513, '}');
    EXPECT_THROW(json::parse(objects), DecodingError);
}

TEST(JsonDecodeTest, IntegersAreKeptApartFromFloats) {
    const Json object = Json::parse(
        R"({"int":42,"neg":-7,"float":42.0,"exp":1e2,"big":9223372036854775808,"str":"1","bool":true,"null":null})");
    EXPECT_EQ(json::requireInteger(object, "int"), 42);
    EXPECT_EQ(json::requireInteger(object, "neg"), -7);
    for (const char* key : {"float", "exp", "big", "str", "bool", "null"}) {
        try {
            json::requireInteger(object, key);
            ADD_FAILURE() << key;
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.kind(), DecodingError::Kind::typeMismatch) << key;
            EXPECT_EQ(error.key(), key);
        }
    }
    EXPECT_EQ(json::requireNumber(object, "int"), 42.0);
    EXPECT_EQ(json::requireNumber(object, "exp"), 100.0);
    EXPECT_THROW(json::requireNumber(object, "str"), DecodingError);
    EXPECT_THROW(json::requireNumber(object, "bool"), DecodingError);
}

TEST(JsonDecodeTest, RequiredAndOptionalKeys) {
    const Json object = Json::parse(R"({"name":"Oslo","flag":false,"none":null})");
    EXPECT_EQ(json::requireString(object, "name"), "Oslo");
    EXPECT_FALSE(json::requireBool(object, "flag"));
    try {
        json::requireString(object, "missing");
        ADD_FAILURE();
    } catch (const DecodingError& error) {
        EXPECT_EQ(error.kind(), DecodingError::Kind::keyNotFound);
        EXPECT_EQ(error.key(), "missing");
    }
    EXPECT_EQ(json::optionalString(object, "missing"), std::nullopt);
    EXPECT_EQ(json::optionalString(object, "name"), "Oslo");
    // Strict records never write null, so a null is a wrong type, not absence.
    EXPECT_THROW(json::optionalString(object, "none"), DecodingError);
    EXPECT_THROW(json::requireBool(object, "name"), DecodingError);
}

TEST(JsonDecodeTest, DatesAreSecondsSince2001) {
    const Json object =
        Json::parse(R"({"at":1.5,"negative":-978307200,"text":"2001-01-01","huge":1e300,)"
                    R"("late":8.0e9,"overflowing":8.9e9})");
    EXPECT_EQ(secondsSinceReferenceDate(requireDate(object, "at")), 1.5);
    EXPECT_EQ(requireDate(object, "negative").time_since_epoch().count(), 0);
    EXPECT_THROW(requireDate(object, "text"), DecodingError);
    EXPECT_THROW(requireDate(object, "huge"), DecodingError);
    // The limit applies to the instant, not to the distance from 2001: 8.9e9
    // seconds after 2001 no longer fits a nanosecond clock.
    EXPECT_EQ(secondsSinceReferenceDate(requireDate(object, "late")), 8.0e9);
    EXPECT_THROW(requireDate(object, "overflowing"), DecodingError);
    EXPECT_EQ(dateFromUnixSeconds(1717232400.5)->time_since_epoch(),
              std::chrono::milliseconds(1717232400500));
    EXPECT_EQ(dateFromUnixSeconds(std::nan("")), std::nullopt);
    EXPECT_EQ(dateFromUnixSeconds(-9.1e9), std::nullopt);
    EXPECT_EQ(optionalDate(object, "missing"), std::nullopt);
}

TEST(JsonDecodeTest, DatesSurviveTheirJsonFormExactly) {
    using namespace std::chrono;
    // Today's dates have about 61 bits of nanoseconds, more than a double
    // holds: reading back may round below a microsecond, but never drifts
    // further when a record is written and read again and again.
    const std::vector<Date> dates = {
        Date(seconds(1778307200) + milliseconds(250)),
        Date(seconds(1778307200) + nanoseconds(1)),
        Date(seconds(1717232400) + microseconds(123456)),
        Date(seconds(978307200)),
        Date(seconds(-1) + milliseconds(500)),
    };
    for (Date date : dates) {
        double seconds = secondsSinceReferenceDate(date);
        Date readBack = dateFromReferenceSeconds(seconds);
        EXPECT_LE(std::chrono::abs(readBack - date), microseconds(1)) << seconds;
        EXPECT_EQ(secondsSinceReferenceDate(readBack), seconds);
        EXPECT_EQ(dateFromReferenceSeconds(secondsSinceReferenceDate(readBack)), readBack);
    }
    EXPECT_EQ(secondsSinceReferenceDate(dates[0]), 800'000'000.25);
}

} // namespace
} // namespace garbello
