#include "model/place.h"
#include "model/weather_snapshot.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

const Date kObserved = dateFromReferenceSeconds(786'000'000.5);
const WeatherSnapshot kSnapshot{18.5, 17, 0.2, 0.1,       0,     12.25,
                                61,   40, 3.5, kObserved, -33.9, "Australia/Sydney"};

TEST(WeatherRecordsTest, SnapshotRoundTripsWithItsDateInSecondsSince2001) {
    EXPECT_EQ(WeatherSnapshot::fromJson(kSnapshot.toJson()), kSnapshot);
    EXPECT_EQ(kSnapshot.toJson()["observedAt"], 786'000'000.5);
    Json integerTemperature = kSnapshot.toJson();
    integerTemperature["temperature"] = 18;
    EXPECT_EQ(WeatherSnapshot::fromJson(integerTemperature).temperature, 18.0);
}

TEST(WeatherRecordsTest, SnapshotDecodingFailsForAnyMissingOrMistypedKey) {
    const Json valid = kSnapshot.toJson();
    for (const auto& [key, value] : valid.items()) {
        Json missing = valid;
        missing.erase(key);
        EXPECT_THROW(WeatherSnapshot::fromJson(missing), DecodingError) << "without " << key;
        Json mistyped = valid;
        mistyped[key] = key == "timezone" ? Json(1) : Json("1");
        EXPECT_THROW(WeatherSnapshot::fromJson(mistyped), DecodingError) << "mistyped " << key;
    }
    Json fractionalCode = valid;
    fractionalCode["weatherCode"] = 61.0;
    EXPECT_THROW(WeatherSnapshot::fromJson(fractionalCode), DecodingError);
}

TEST(WeatherRecordsTest, PlaceRoundTripsAndRequiresEveryKey) {
    Place place{"Oslo, Norway", 59.91, 10.75, "Europe/Oslo"};
    EXPECT_EQ(Place::fromJson(place.toJson()), place);
    const Json valid = place.toJson();
    for (const auto& [key, value] : valid.items()) {
        Json missing = valid;
        missing.erase(key);
        EXPECT_THROW(Place::fromJson(missing), DecodingError) << "without " << key;
    }
    EXPECT_THROW(Place::fromJson(Json::array()), DecodingError);
}

} // namespace
} // namespace garbello
