#include "update/update_preferences.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

using std::chrono::hours;
using std::chrono::seconds;

const Date kNow = dateFromReferenceSeconds(800'000'000);

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
        {"never checked, automatic checks off", std::nullopt, false, kNow, false},
        {"never checked, full screen", std::nullopt, false, kNow, true, true},
        {"exactly a day ago", kNow - hours(24), true},
        {"just under a day ago", kNow - hours(24) + std::chrono::milliseconds(1), false},
        {"last check in the future", kNow + seconds(10), false},
        // Centuries apart: more nanoseconds than 64 bits hold.
        {"earliest date", earliest, true},
        {"latest date, now the earliest", latest, false, earliest},
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
    // "0.4" names the same release as "0.4.0" but is not the skipped text.
    for (const auto& [version, offered] : {std::pair{"0.4.0", false},
                                           {"0.4.1", true},
                                           {"0.4", true},
                                           {"0.3.0", false},
                                           {"bogus", false}})
        EXPECT_EQ(preferences.shouldOffer(version, "0.3.0"), offered) << version;
}

TEST(UpdatePreferencesTest, JsonOmitsAbsentKeysCountsFrom2001AndDecodesStrictly) {
    EXPECT_EQ(UpdatePreferences{}.toJson().dump(), R"({"automatic":true})");
    UpdatePreferences full{false,
                           Date(seconds(978'307'200 + 86'400) + std::chrono::milliseconds(500)),
                           "0.4.0", "/tmp/r.json"};
    const char* text =
        R"({"automatic":false,"lastChecked":86400.5,"pendingResultPath":"/tmp/r.json","skippedVersion":"0.4.0"})";
    EXPECT_EQ(full.toJson().dump(), text);
    EXPECT_EQ(UpdatePreferences::fromJson(Json::parse(text)), full);
    EXPECT_FALSE(
        UpdatePreferences::fromJson(Json::parse(R"({"automatic":false,"x":1})")).automatic);
    // Present keys must have their exact type.
    for (const char* text : {
             R"({})",
             R"({"automatic":"yes"})",
             R"({"automatic":1})",
             R"({"automatic":true,"lastChecked":"2026-01-01"})",
             R"({"automatic":true,"lastChecked":1e300})",
             R"({"automatic":true,"skippedVersion":4})",
             R"({"automatic":true,"pendingResultPath":null})",
             R"([])",
         })
        EXPECT_THROW(UpdatePreferences::fromJson(Json::parse(text)), DecodingError) << text;
}

} // namespace
} // namespace garbello
