#include "update/update_error.h"
#include "update/update_release.h"
#include "update/update_version.h"
#include "update_failure.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace garbello {
namespace {

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

TEST(UpdateReleaseTest, ParsesAValidManifestIntoEveryField) {
    Json manifest = validManifest();
    manifest["min_supported_updater"] = 1;
    manifest["unknown_key"] = "ignored";
    UpdateRelease release = UpdateRelease::parse(manifest.dump());
    EXPECT_EQ(release.version, "0.4.0");
    EXPECT_EQ(release.build, 4);
    EXPECT_EQ(release.minimumMacOS, "2.17");
    EXPECT_EQ(release.dmgURL, "https://releases.garbello.app/garbello/Garbello-0.4.0.tar.gz");
    EXPECT_EQ(release.byteSize, 1234567);
    EXPECT_EQ(release.sha256, std::string(64, 'a'));
    EXPECT_EQ(release.releaseNotes, "Warmer sweaters.");
    EXPECT_EQ(release.published, "2026-11-07T23:00:00Z");
    EXPECT_EQ(release.minSupportedUpdater, 1);
}

TEST(UpdateReleaseTest, ManifestBoundaries) {
    struct Case {
        const char* name;
        std::function<void(Json&)> change;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"upper-case digest", [](Json& m) { m["sha256"] = std::string(64, 'A'); }, false},
        {"digest of 63", [](Json& m) { m["sha256"] = std::string(63, 'a'); }, false},
        {"digest of 65", [](Json& m) { m["sha256"] = std::string(65, 'a'); }, false},
        {"digest with g", [](Json& m) { m["sha256"] = std::string(63, 'a') + "g"; }, false},
        {"plain http", [](Json& m) { m["dmg_url"] = "http://releases.garbello.app/a.tar.gz"; },
         false},
        {"upper-case scheme",
         [](Json& m) { m["dmg_url"] = "HTTPS://releases.garbello.app/a.tar.gz"; }, false},
        {"user name", [](Json& m) { m["dmg_url"] = "https://me@releases.garbello.app/a"; }, false},
        {"password", [](Json& m) { m["dmg_url"] = "https://me:pw@releases.garbello.app/a"; },
         false},
        {"no host", [](Json& m) { m["dmg_url"] = "https:///a.tar.gz"; }, false},
        {"not a URL", [](Json& m) { m["dmg_url"] = "releases.garbello.app/a"; }, false},
        {"byte size 0", [](Json& m) { m["byte_size"] = 0; }, false},
        {"byte size 1", [](Json& m) { m["byte_size"] = 1; }, true},
        {"byte size 2^30", [](Json& m) { m["byte_size"] = 1073741824; }, true},
        {"byte size 2^30+1", [](Json& m) { m["byte_size"] = 1073741825; }, false},
        {"byte size as float", [](Json& m) { m["byte_size"] = 12.5; }, false},
        {"notes of 2000", [](Json& m) { m["release_notes"] = std::string(2000, 'n'); }, true},
        {"notes of 2001", [](Json& m) { m["release_notes"] = std::string(2001, 'n'); }, false},
        {"notes of 2000 non-ASCII characters",
         [](Json& m) {
             std::string notes;
             for (int i = 0; i < 2000; ++i)
                 notes += "\u00e9";
             m["release_notes"] = notes;
         },
         true},
        {"empty notes", [](Json& m) { m["release_notes"] = ""; }, false},
        {"published without zone", [](Json& m) { m["published"] = "2026-11-07T23:00:00"; }, false},
        {"published with offset", [](Json& m) { m["published"] = "2026-11-07T23:00:00+01:00"; },
         true},
        {"published date only", [](Json& m) { m["published"] = "2026-11-07"; }, false},
        {"published 31 November", [](Json& m) { m["published"] = "2026-11-31T23:00:00Z"; }, false},
        {"published hour 24", [](Json& m) { m["published"] = "2026-11-07T24:00:00Z"; }, false},
        {"build 0", [](Json& m) { m["build"] = 0; }, false},
        {"build 1", [](Json& m) { m["build"] = 1; }, true},
        {"build as text", [](Json& m) { m["build"] = "4"; }, false},
        {"version with suffix", [](Json& m) { m["version"] = "0.4.0-beta"; }, false},
        {"minimum version of five parts", [](Json& m) { m["minimum_macos"] = "1.2.3.4.5"; }, false},
        {"missing version", [](Json& m) { m.erase("version"); }, false},
        {"missing published", [](Json& m) { m.erase("published"); }, false},
        {"null notes", [](Json& m) { m["release_notes"] = nullptr; }, false},
        {"updater generation 0", [](Json& m) { m["min_supported_updater"] = 0; }, false},
        {"updater generation 2", [](Json& m) { m["min_supported_updater"] = 2; }, true},
    };
    for (const Case& c : cases) {
        Json manifest = validManifest();
        c.change(manifest);
        if (c.accepted) {
            EXPECT_NO_THROW(UpdateRelease::parse(manifest.dump())) << c.name;
        } else {
            EXPECT_EQ(test::updateFailureOf([&] { UpdateRelease::parse(manifest.dump()); }),
                      UpdateError::Kind::invalidFeed)
                << c.name;
        }
    }
}

TEST(UpdateReleaseTest, TheSizeLimitComesBeforeDecoding) {
    std::string manifest = validManifest().dump();
    std::string exactly = manifest + std::string(65536 - manifest.size(), ' ');
    EXPECT_NO_THROW(UpdateRelease::parse(exactly));
    EXPECT_EQ(test::updateFailureOf([&] { UpdateRelease::parse(exactly + " "); }),
              UpdateError::Kind::invalidFeed);
    for (const std::string text : {"", "[]", "{", "not json", "{\"version\":\"1.0\"}"})
        EXPECT_EQ(test::updateFailureOf([&] { UpdateRelease::parse(text); }),
                  UpdateError::Kind::invalidFeed)
            << text;
}

TEST(UpdateReleaseTest, JsonFormRoundTripsAndOmitsAnAbsentGeneration) {
    UpdateRelease release = UpdateRelease::parse(validManifest().dump());
    EXPECT_EQ(release.toJson(), validManifest());
    EXPECT_FALSE(release.toJson().contains("min_supported_updater"));
    release.minSupportedUpdater = 3;
    EXPECT_EQ(release.toJson()["min_supported_updater"], 3);
    EXPECT_EQ(UpdateRelease::fromJson(release.toJson()), release);
}

TEST(UpdateReleaseTest, Compatibility) {
    UpdateRelease release = UpdateRelease::parse(validManifest().dump());
    EXPECT_NO_THROW(release.checkCompatibility("2.36"));
    EXPECT_NO_THROW(release.checkCompatibility("2.17"));
    EXPECT_NO_THROW(release.checkCompatibility("2.17.0.9"));
    EXPECT_EQ(test::updateFailureOf([&] { release.checkCompatibility("2.16.99"); }),
              UpdateError::Kind::macOSRequired);
    // Only the first three positions count.
    release.minimumMacOS = "2.17.0.5";
    EXPECT_NO_THROW(release.checkCompatibility("2.17"));

    release.minimumMacOS = "99.0";
    try {
        release.checkCompatibility();
        FAIL() << "a system of version 99.0 is not running";
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.kind(), UpdateError::Kind::macOSRequired);
        EXPECT_EQ(error.requiredVersion(), "99.0");
        EXPECT_STREQ(error.what(), "This update needs macOS 99.0 or later.");
    }

    release.minimumMacOS = "2.17";
    release.minSupportedUpdater = 2;
    EXPECT_EQ(test::updateFailureOf([&] { release.checkCompatibility("2.36"); }),
              UpdateError::Kind::manualDownload);
    release.minSupportedUpdater = 1;
    EXPECT_NO_THROW(release.checkCompatibility("2.36"));

    release.minimumMacOS = "two";
    EXPECT_EQ(test::updateFailureOf([&] { release.checkCompatibility("2.36"); }),
              UpdateError::Kind::invalidFeed);
}

TEST(UpdateReleaseTest, TheRunningSystemVersionIsTheCLibrarys) {
    EXPECT_TRUE(UpdateVersion::components(runningSystemVersion()).has_value())
        << runningSystemVersion();
    UpdateRelease release = UpdateRelease::parse(validManifest().dump());
    release.minimumMacOS = runningSystemVersion();
    EXPECT_NO_THROW(release.checkCompatibility());
}

TEST(UpdateErrorTest, MessagesAreTheUserFacingTexts) {
    using Kind = UpdateError::Kind;
    const std::vector<std::pair<Kind, std::string>> cases = {
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
