#include "model/place.h"
#include "model/weather_snapshot.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

WeatherSnapshot sampleSnapshot() {
    WeatherSnapshot snapshot;
    snapshot.temperature = 18.5;
    snapshot.apparentTemperature = 17;
    snapshot.precipitation = 0.2;
    snapshot.rain = 0.1;
    snapshot.snowfall = 0;
    snapshot.windSpeed = 12.25;
    snapshot.weatherCode = 61;
    snapshot.precipitationProbability = 40;
    snapshot.uvIndex = 3.5;
    snapshot.observedAt = dateFromReferenceSeconds(786'000'000.5);
    snapshot.latitude = -33.9;
    snapshot.timezone = "Australia/Sydney";
    return snapshot;
}

TEST(WeatherRecordsTest, SnapshotRoundTripsAndComparesEveryField) {
    WeatherSnapshot snapshot = sampleSnapshot();
    EXPECT_EQ(WeatherSnapshot::fromJson(snapshot.toJson()), snapshot);
    EXPECT_EQ(snapshot.toJson()["observedAt"], 786'000'000.5);

    WeatherSnapshot later = snapshot;
    later.observedAt += std::chrono::seconds(1);
    EXPECT_NE(later, snapshot);
}

TEST(WeatherRecordsTest, SnapshotDecodingFailsForAnyMissingOrMistypedKey) {
    const Json valid = sampleSnapshot().toJson();
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
    Json integerTemperature = valid;
    integerTemperature["temperature"] = 18;
    EXPECT_EQ(WeatherSnapshot::fromJson(integerTemperature).temperature, 18.0);
}

TEST(WeatherRecordsTest, PlaceRoundTripsAndRequiresEveryKey) {
    Place place{"Oslo, Norway", 59.91, 10.75, "Europe/Oslo"};
    EXPECT_EQ(Place::fromJson(place.toJson()), place);
    Json withoutZone = place.toJson();
    withoutZone.erase("timezone");
    EXPECT_THROW(Place::fromJson(withoutZone), DecodingError);
    EXPECT_THROW(Place::fromJson(Json::array()), DecodingError);
}

} // namespace
} // namespace garbello
