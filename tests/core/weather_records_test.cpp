#include "model/place.h"
#include "model/weather_snapshot.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

const Date kObserved = dateFromReferenceSeconds(786'000'000.5);
const WeatherSnapshot kSnapshot{18.5, 17, 0.2, 0.1,       0,     12.25,
                                61,   40, 3.5, kObserved, -33.9, "Australia/Sydney"};

// The record's JSON form reads back; without any key, or with any key of
// another type, it does not read at all.
template <class Record> void expectStrictRoundTrip(const Record& record) {
    const Json valid = record.toJson();
    EXPECT_EQ(Record::fromJson(valid), record);
    for (const auto& [key, value] : valid.items()) {
        Json missing = valid;
        missing.erase(key);
        EXPECT_THROW(Record::fromJson(missing), DecodingError) << "without " << key;
        Json mistyped = valid;
        mistyped[key] = value.is_string() ? Json(1) : Json("1");
        EXPECT_THROW(Record::fromJson(mistyped), DecodingError) << "mistyped " << key;
    }
    EXPECT_THROW(Record::fromJson(Json::array()), DecodingError);
}

TEST(WeatherRecordsTest, SnapshotRoundTripsStrictlyWithItsDateInSecondsSince2001) {
    expectStrictRoundTrip(kSnapshot);
    EXPECT_EQ(kSnapshot.toJson()["observedAt"], 786'000'000.5);
    Json integerTemperature = kSnapshot.toJson();
    integerTemperature["temperature"] = 18;
    EXPECT_EQ(WeatherSnapshot::fromJson(integerTemperature).temperature, 18.0);
    Json fractionalCode = kSnapshot.toJson();
    fractionalCode["weatherCode"] = 61.0;
    EXPECT_THROW(WeatherSnapshot::fromJson(fractionalCode), DecodingError);
}

TEST(WeatherRecordsTest, PlaceRoundTripsStrictly) {
    expectStrictRoundTrip(Place{"Oslo, Norway", 59.91, 10.75, "Europe/Oslo"});
}

} // namespace
} // namespace garbello
