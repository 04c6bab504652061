#include "update/update_preferences.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::seconds;

const Date kNow = dateFromReferenceSeconds(800'000'000);

TEST(UpdatePreferencesTest, Defaults) {
    UpdatePreferences preferences;
    EXPECT_TRUE(preferences.automatic);
    EXPECT_FALSE(preferences.lastChecked);
    EXPECT_FALSE(preferences.skippedVersion);
    EXPECT_FALSE(preferences.pendingResultPath);
}

TEST(UpdatePreferencesTest, ShouldCheckBoundaries) {
    const Date earliest = Date::min(), latest = Date::max();
    struct Row {
        const char* label;
        std::optional<Date> lastChecked;
        bool expected;
        Date now = kNow;
        bool automatic = true;
        bool fullscreen = false;
    };
    const Row rows[] = {
        {"never checked", std::nullopt, true},
        {"full screen, never checked", std::nullopt, false, kNow, true, true},
        {"automatic checks off", std::nullopt, false, kNow, false},
        {"23h59m ago", kNow - hours(23) - minutes(59), false},
        {"exactly a day ago", kNow - hours(24), true},
        {"just under a day", kNow - hours(24) + std::chrono::milliseconds(1), false},
        {"a day ago but full screen", kNow - hours(24), false, kNow, true, true},
        {"last check in the future", kNow + seconds(10), false},
        {"long ago", kNow - hours(24 * 400), true},
        // Centuries apart: more nanoseconds than 64 bits hold.
        {"earliest date", earliest, true},
        {"earliest date, now the latest", earliest, true, latest},
        {"latest date", latest, false},
        {"latest date, now the earliest", latest, false, earliest},
        {"now the earliest date", earliest, false, earliest},
        {"a day after the earliest date", earliest, true, earliest + hours(24)},
        {"just under a day after the earliest", earliest, false, earliest + hours(24) - seconds(1)},
        {"decoded from centuries back",
         UpdatePreferences::fromJson(Json::parse(R"({"automatic":true,"lastChecked":-9.5e9})"))
             .lastChecked,
         true},
    };
    for (const Row& row : rows) {
        UpdatePreferences preferences;
        preferences.automatic = row.automatic;
        preferences.lastChecked = row.lastChecked;
        EXPECT_EQ(preferences.shouldCheck(row.now, row.fullscreen), row.expected) << row.label;
    }
}

TEST(UpdatePreferencesTest, ShouldOfferSkipsOnlyTheExactSkippedVersion) {
    UpdatePreferences preferences;
    preferences.skippedVersion = "0.4.0";
    EXPECT_FALSE(preferences.shouldOffer("0.4.0", "0.3.0"));
    EXPECT_TRUE(preferences.shouldOffer("0.4.1", "0.3.0"));
    // "0.4" names the same release as "0.4.0" but is not the skipped text.
    EXPECT_TRUE(preferences.shouldOffer("0.4", "0.3.0"));
    EXPECT_FALSE(preferences.shouldOffer("0.3.0", "0.3.0"));
    EXPECT_FALSE(preferences.shouldOffer("0.2.0", "0.3.0"));
    EXPECT_FALSE(UpdatePreferences{}.shouldOffer("bogus", "0.3.0"));
}

TEST(UpdatePreferencesTest, JsonOmitsAbsentKeysAndUsesReferenceDateSeconds) {
    EXPECT_EQ(UpdatePreferences{}.toJson().dump(), R"({"automatic":true})");

    UpdatePreferences full;
    full.automatic = false;
    full.lastChecked = dateFromReferenceSeconds(86'400.5);
    full.skippedVersion = "0.4.0";
    full.pendingResultPath = "/tmp/result.json";
    EXPECT_EQ(
        full.toJson().dump(),
        R"({"automatic":false,"lastChecked":86400.5,"pendingResultPath":"/tmp/result.json","skippedVersion":"0.4.0"})");
    EXPECT_EQ(UpdatePreferences::fromJson(full.toJson()), full);
}

TEST(UpdatePreferencesTest, ReferenceDateIsTheStartOf2001) {
    // 2001-01-01T00:00:00Z is 978307200 seconds after the Unix epoch.
    Date reference = Date(std::chrono::seconds(978'307'200));
    EXPECT_EQ(secondsSinceReferenceDate(reference), 0.0);
    EXPECT_EQ(dateFromReferenceSeconds(0), reference);
}

TEST(UpdatePreferencesTest, DecodingIsStrict) {
    const char* invalid[] = {
        R"({})",
        R"({"automatic":"yes"})",
        R"({"automatic":1})",
        R"({"automatic":true,"lastChecked":"2026-01-01"})",
        R"({"automatic":true,"skippedVersion":4})",
        R"({"automatic":true,"pendingResultPath":null})",
        R"([])",
    };
    for (const char* text : invalid)
        EXPECT_THROW(UpdatePreferences::fromJson(Json::parse(text)), DecodingError) << text;

    auto decoded = UpdatePreferences::fromJson(Json::parse(R"({"automatic":false,"extra":1})"));
    EXPECT_FALSE(decoded.automatic);
}

} // namespace
} // namespace garbello
