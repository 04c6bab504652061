#include "update/update_error.h"
#include "update/update_release.h"
#include "update/update_version.h"
#include "update_failure.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace garbello {
namespace {

using test::updateFailureOf;
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
    struct Case {
        const char* key;
        std::optional<Json> value; // nothing: the key is left out
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"sha256", std::string(64, 'A'), false},
        {"sha256", std::string(63, 'a'), false},
        {"sha256", std::string(65, 'a'), false},
        {"sha256", std::string(63, 'a') + "g", false},
        {"dmg_url", "http://releases.garbello.app/a.tar.gz", false},
        {"dmg_url", "HTTPS://releases.garbello.app/a.tar.gz", false},
        {"dmg_url", "https://me@releases.garbello.app/a", false},
        {"dmg_url", "https:///a.tar.gz", false},
        {"dmg_url", "releases.garbello.app/a", false},
        {"byte_size", 0, false},
        {"byte_size", 1, true},
        {"byte_size", 1073741824, true},
        {"byte_size", 1073741825, false},
        {"byte_size", 12.5, false},
        {"release_notes", std::string(2000, 'n'), true},
        {"release_notes", std::string(2001, 'n'), false},
        {"release_notes", accented, true}, // counted in characters, not bytes
        {"release_notes", "", false},
        {"published", "2026-11-07T23:00:00", false},
        {"published", "2026-11-07T23:00:00+01:00", true},
        {"published", "2026-11-07", false},
        {"published", "2026-11-31T23:00:00Z", false},
        {"published", "2026-11-07T24:00:00Z", false},
        {"build", 0, false},
        {"build", 1, true},
        {"version", "0.4.0-beta", false},
        {"version", std::nullopt, false},
        {"minimum_macos", "1.2.3.4.5", false},
        {"min_supported_updater", 0, false},
        {"min_supported_updater", 2, true},
    };
    for (const Case& c : cases) {
        Json manifest = validManifest();
        if (c.value)
            manifest[c.key] = *c.value;
        else
            manifest.erase(c.key);
        auto failure = updateFailureOf([&] { UpdateRelease::parse(manifest.dump()); });
        EXPECT_EQ(failure, c.accepted ? std::nullopt : std::optional(Kind::invalidFeed))
            << c.key << " = " << (c.value ? c.value->dump() : "absent");
    }
}

TEST(UpdateReleaseTest, TheSizeLimitComesBeforeDecoding) {
    std::string manifest = validManifest().dump();
    std::string exactly = manifest + std::string(65536 - manifest.size(), ' ');
    EXPECT_NO_THROW(UpdateRelease::parse(exactly));
    for (const std::string& text :
         std::vector<std::string>{exactly + " ", "", "[]", "{", "not json", R"({"version":"1"})"})
        EXPECT_EQ(updateFailureOf([&] { UpdateRelease::parse(text); }), Kind::invalidFeed)
            << text.substr(0, 20);
}

TEST(UpdateReleaseTest, Compatibility) {
    struct Case {
        const char* minimum;
        std::optional<std::int64_t> generation;
        const char* system;
        std::optional<Kind> failure;
    };
    const std::vector<Case> cases = {
        {"2.17", std::nullopt, "2.36", std::nullopt},
        {"2.17", std::nullopt, "2.17", std::nullopt},
        {"2.17", std::nullopt, "2.17.0.9", std::nullopt},
        {"2.17", std::nullopt, "2.16.99", Kind::macOSRequired},
        {"2.17.0.5", std::nullopt, "2.17", std::nullopt}, // three positions count
        {"2.17", 1, "2.36", std::nullopt},
        {"2.17", 2, "2.36", Kind::manualDownload},
        {"two", std::nullopt, "2.36", Kind::invalidFeed},
    };
    UpdateRelease release = UpdateRelease::parse(validManifest().dump());
    for (const Case& c : cases) {
        release.minimumMacOS = c.minimum;
        release.minSupportedUpdater = c.generation;
        EXPECT_EQ(updateFailureOf([&] { release.checkCompatibility(c.system); }), c.failure)
            << c.minimum << " on " << c.system;
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
}

// The texts people read when an update stops; each case its own advice.
TEST(UpdateErrorTest, MessagesAreTheUserFacingTexts) {
    const std::pair<Kind, std::string> cases[] = {
        {Kind::invalidFeed, "The update information could not be read. Try checking again later."},
        {Kind::insecureConnection, "Updates need a secure HTTPS connection."},
        {Kind::download, "The download could not finish. Check your connection and try again."},
        {Kind::size, "The download is incomplete. Please try again."},
        {Kind::hash, "The download did not match the release. Please try again."},
        {Kind::signature,
         "The app\xE2\x80\x99s signature could not be verified. The update was stopped."},
        {Kind::notarization, "macOS could not approve this app. The update was stopped."},
        {Kind::bundleVersion, "The downloaded app does not match the new version."},
        {Kind::installLocation, "Move Garbello to Applications to update it here. You can also "
                                "open the download in Finder."},
        {Kind::swap, "The app could not be replaced. Your current copy is ready to use."},
        {Kind::rollback,
         "The previous app could not be restored. Open the download in Finder to install it."},
        {Kind::manualDownload,
         "Download the current release from the website to continue updating."},
        {Kind::relaunch, "The updated app could not start. Your previous copy has been restored."},
    };
    for (const auto& [kind, message] : cases) {
        UpdateError error(kind);
        EXPECT_EQ(error.what(), message);
        EXPECT_EQ(error.kind(), kind);
    }
    EXPECT_STREQ(UpdateError::macOSRequired("13.1").what(),
                 "This update needs macOS 13.1 or later.");
    EXPECT_THROW(UpdateError{Kind::macOSRequired}, std::logic_error);
}

} // namespace
} // namespace garbello
