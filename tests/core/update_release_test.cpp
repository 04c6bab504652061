#include "failure_of.h"
#include "update/update_error.h"
#include "update/update_preferences.h"
#include "update/update_release.h"
#include "update/update_version.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace garbello {
namespace {

using test::failureOf;
using Kind = UpdateError::Kind;

Json validManifest() {
    return {
        {"version", "0.4.0"},
        {"build", 4},
        {"minimum_macos", "2.17"},
        {"dmg_url", "https://releases.garbello.app/garbello/Garbello-0.4.0.tar.gz"},
        {"byte_size", 1234567},
        {"sha256", std::string(64, 'a')},
        {"release_notes", "Warmer sweaters."},
        {"published", "2026-11-07T23:00:00Z"},
    };
}

TEST(UpdateReleaseTest, WritesTheFormItReads) {
    Json manifest = validManifest();
    manifest["unknown_key"] = "ignored";
    UpdateRelease release = UpdateRelease::parse(manifest.dump());
    EXPECT_EQ(release.toJson(), validManifest()); // an absent generation stays absent
    release.minSupportedUpdater = 3;
    EXPECT_EQ(UpdateRelease::parse(release.toJson().dump()), release);
}

TEST(UpdateReleaseTest, ManifestBoundaries) {
    std::string accented;
    for (int i = 0; i < 2000; ++i)
        accented += "\u00e9";
    // A key, its value (nothing: the key is left out), and whether it passes.
    const std::vector<std::tuple<const char*, std::optional<Json>, bool>> cases = {
        {"sha256", std::string(64, 'A'), false},
        {"sha256", std::string(63, 'a'), false},
        {"sha256", std::string(63, 'a') + "g", false},
        {"dmg_url", "http://releases.garbello.app/a.tar.gz", false},
        {"dmg_url", "HTTPS://releases.garbello.app/a.tar.gz", false},
        {"dmg_url", "https://me@releases.garbello.app/a", false},
        {"dmg_url", "https:///a.tar.gz", false},
        {"byte_size", 0, false},
        {"byte_size", 1073741824, true},
        {"byte_size", 1073741825, false},
        {"byte_size", 12.5, false},
        {"release_notes", std::string(2001, 'n'), false},
        {"release_notes", accented, true}, // counted in characters, not bytes
        {"release_notes", "", false},
        {"published", "2026-11-07T23:00:00", false},
        {"published", "2026-11-07T23:00:00+01:00", true},
        {"published", "2026-11-31T23:00:00Z", false},
        {"published", "2026-11-07T24:00:00Z", false},
        {"build", 0, false},
        {"version", "0.4.0-beta", false},
        {"version", std::nullopt, false},
        {"minimum_macos", "1.2.3.4.5", false},
        {"min_supported_updater", 0, false},
    };
    for (const auto& [key, value, accepted] : cases) {
        Json manifest = validManifest();
        if (value)
            manifest[key] = *value;
        else
            manifest.erase(key);
        EXPECT_EQ(failureOf<UpdateError>([&] { UpdateRelease::parse(manifest.dump()); }),
                  accepted ? std::nullopt : std::optional(Kind::invalidFeed))
            << key << " = " << (value ? value->dump() : "absent");
    }
}

TEST(UpdateReleaseTest, TheSizeLimitComesBeforeDecoding) {
    std::string manifest = validManifest().dump();
    std::string exactly = manifest + std::string(65536 - manifest.size(), ' ');
    EXPECT_NO_THROW(UpdateRelease::parse(exactly));
    for (const std::string& text : std::vector<std::string>{exactly + " ", "[]", "not json"})
        EXPECT_EQ(failureOf<UpdateError>([&] { UpdateRelease::parse(text); }), Kind::invalidFeed)
            << text.substr(0, 20);
}

TEST(UpdateReleaseTest, Compatibility) {
    // The release's minimum system and updater generation, the running system
    // and the failure.
    using Generation = std::optional<std::int64_t>;
    const std::tuple<const char*, Generation, const char*, std::optional<Kind>> cases[] = {
        {"2.17", std::nullopt, "2.17", std::nullopt},
        {"2.17", std::nullopt, "2.17.0.9", std::nullopt},
        {"2.17", std::nullopt, "2.16.99", Kind::macOSRequired},
        {"2.17.0.5", std::nullopt, "2.17", std::nullopt}, // three positions count
        {"2.17", 1, "2.36", std::nullopt},
        {"2.17", 2, "2.36", Kind::manualDownload},
        {"two", std::nullopt, "2.36", Kind::invalidFeed},
    };
    UpdateRelease release = UpdateRelease::parse(validManifest().dump());
    for (const auto& [minimum, generation, system, failure] : cases) {
        release.minimumMacOS = minimum;
        release.minSupportedUpdater = generation;
        EXPECT_EQ(failureOf<UpdateError>([&] { release.checkCompatibility(system); }), failure)
            << minimum << " on " << system;
    }

    // Against the running C library: its own version passes, a far one names itself.
    release.minSupportedUpdater.reset();
    release.minimumMacOS = runningSystemVersion();
    EXPECT_NO_THROW(release.checkCompatibility());
    release.minimumMacOS = "99.0";
    try {
        release.checkCompatibility();
        FAIL() << "a system of version 99.0 is not running";
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.requiredVersion(), "99.0");
        EXPECT_STREQ(error.what(), "This update needs macOS 99.0 or later.");
    }
    // The one kind whose text needs a version cannot be made without it.
    EXPECT_THROW(UpdateError{Kind::macOSRequired}, std::logic_error);
}

using Components = std::vector<std::int64_t>;

TEST(UpdateVersionTest, Components) {
    const std::pair<const char*, Components> rows[] = {
        {"1.2.3.4", {1, 2, 3, 4}},
        {"7", {7}},
        {"007.0010", {7, 10}},
        {"9223372036854775807", {INT64_MAX}},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(UpdateVersion::components(text), expected) << text;
    for (const char* text : {"9223372036854775808", "1.2.3.4.5", "", "1..2", "1.2.", ".1", "v1.2",
                             "1.0-beta", "+1", "-1", " 1.2", "1.2 ", "1.٣"})
        EXPECT_EQ(UpdateVersion::components(text), std::nullopt) << text;
}

TEST(UpdateVersionTest, IsNewer) {
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"0.4.0", "0.3.0", true},  {"0.3", "0.3.0", false},   {"0.3.0", "0.3", false},
        {"0.10", "0.9", true},     {"0.9", "0.10", false},    {"1.2.0.1", "1.2", true},
        {"1.0", "garbage", false}, {"garbage", "0.1", false}, {"1", "0.99.99.99", true},
    };
    for (const auto& [candidate, current, newer] : rows)
        EXPECT_EQ(UpdateVersion::isNewer(candidate, current), newer)
            << candidate << " vs " << current;
}

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
