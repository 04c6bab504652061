#include "app/update_controller.h"
#include "platform/fake_clock.h"
#include "platform/fake_update_desktop.h"
#include "settle.h"
#include "support/atomic_file.h"
#include "support/log.h"
#include "temporary_directory.h"
#include "update/bundle_signature.h"
#include "update/update_error.h"
#include "update/update_install_plan.h"
#include "update_fixtures.h"

#include <gtest/gtest.h>

#include <cctype>
#include <regex>

namespace garbello {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::WindowList;
using Kind = UpdateError::Kind;

constexpr const char* kFeed = "https://releases.test/latest.json";
constexpr const char* kImageUrl = "https://releases.test/Garbello-1.2.0.dmg";
constexpr std::string_view kImage = "pretend disk image";
const std::string kInitial = "Check for a newer version any time.";
const std::string kLatest = "You have the latest version.";
const std::string kReady = "Version 1.2.0 is ready.";

std::string description(Kind kind) {
    return UpdateError(kind).description();
}

// A controller on fakes, running version 1.1.0 from a bundle it may not
// replace; the transport answers from `served` (URL → body) or fails with
// `offline`, and reports progress 0.5 and 1.
class UpdateControllerTest : public ::testing::Test {
protected:
    // Preferences are {automatic, lastChecked, skippedVersion, pendingResultPath}.
    std::shared_ptr<UpdateController>
    make(UpdatePreferences preferences = {},
         const std::function<void(UpdateController::Setup&)>& adjust = {}) {
        UpdateController::Setup setup;
        setup.feed = kFeed;
        setup.runningVersion = "1.1.0";
        setup.fetch = [this](const std::string& url, std::int64_t limit, const auto& progress) {
            requested.push_back({url, limit});
            if (offline)
                throw UpdateError(*offline);
            downloads.push_back(root / ("download-" + std::to_string(requested.size())));
            writeFileAtomically(downloads.back(), served.at(url));
            for (double fraction : {0.5, 1.0})
                if (progress)
                    progress(fraction);
            return downloads.back();
        };
        setup.bundle = root / "opt" / "Garbello.app";
        setup.installer.applicationsFolder = root / "opt";
        setup.now = [this] { return now(); };
        if (adjust)
            adjust(setup);
        auto controller = UpdateController::create(
            {clock, network, staging, mainThread, front, files, exit}, setup);
        controller->preferences = preferences;
        controller->onChange = [this, weak = std::weak_ptr(controller)] {
            if (auto c = weak.lock(); c && c->progress())
                progressSeen.push_back(*c->progress());
        };
        controller->onPreferences = [this](const UpdatePreferences& p) { saved.push_back(p); };
        return controller;
    }

    void settle() { test::settle(network, staging, mainThread); }

    UpdateRelease releaseOf(const std::string& version) const {
        UpdateRelease release = test::releaseFor(root / "image", version, 12);
        release.dmgURL = kImageUrl;
        return release;
    }
    void serve(const UpdateRelease& release) {
        served = {{kFeed, release.toJson().dump()}, {kImageUrl, std::string(kImage)}};
    }

    Date now() const { return epoch + std::chrono::seconds(long(clock.uptime())); }

    std::size_t logged(const std::string& prefix) const {
        std::size_t count = 0;
        for (const auto& record : logs.sink().records("updater"))
            count += record.level == LogLevel::error && record.message.starts_with(prefix);
        return count;
    }

    void SetUp() override {
        writeFileAtomically(root / "image", kImage);
        files.downloads = root / "Downloads";
    }

    mutable ScopedLogCapture logs;
    test::TemporaryDirectory root;
    platform::FakeClock clock;
    platform::FakeTaskQueue network, staging, mainThread;
    platform::FakeFrontApplication front;
    platform::FakeFileManager files;
    platform::FakeApplicationExit exit;
    const Date epoch = Date(std::chrono::seconds(1'800'000'000));
    std::map<std::string, std::string> served;
    std::optional<Kind> offline;
    std::vector<std::pair<std::string, std::int64_t>> requested; // URL, size limit
    std::vector<fs::path> downloads;
    std::vector<UpdatePreferences> saved;
    std::vector<double> progressSeen;
};

TEST_F(UpdateControllerTest, ChecksOnceADayUnlessOffOrFullScreen) {
    // The boundaries are the preferences' own test; these show they are
    // consulted, at the start as at each tick.
    serve(releaseOf("1.1.0"));
    {
        auto never = make();
        never->start();
        settle();
        EXPECT_EQ(requested.size(), 1u);
        EXPECT_EQ(never->preferences.lastChecked, now());
        EXPECT_EQ(never->status(), kLatest);
    }
    requested.clear();

    // Off: the minute ticks never check, a manual check still does.
    auto off = make({false, {}, {}, {}});
    off->start();
    clock.advance(2 * 86'400);
    settle();
    EXPECT_TRUE(requested.empty());
    off->check(true);
    EXPECT_EQ(off->status(), "Checking for updates…");
    EXPECT_EQ(saved.back().lastChecked, now());
    settle();
    EXPECT_EQ(requested, (decltype(requested){{kFeed, UpdateTransport::kManifestLimit}}));
    EXPECT_EQ(logs.sink().records("updater").back().message, "Checking update feed; manual=true");

    // Not due at the start; then due while a full-screen window is in front:
    // the first tick after it.
    requested.clear();
    auto waiting = make({true, now() - 86'399s, {}, {}});
    waiting->start();
    front.fullScreen = true;
    clock.advance(120);
    settle();
    EXPECT_TRUE(requested.empty());
    front.fullScreen = false;
    clock.advance(60);
    settle();
    EXPECT_EQ(requested.size(), 1u);
    // Stamped at the start, so the next check is a day later.
    clock.advance(86'340);
    settle();
    EXPECT_EQ(requested.size(), 1u);
    clock.advance(60);
    settle();
    EXPECT_EQ(requested.size(), 2u);
}

TEST_F(UpdateControllerTest, WhatACheckOffersAndSays) {
    // 1.2.0 is the skipped version throughout.
    UpdateRelease tooNew = releaseOf("1.3.0");
    tooNew.minimumMacOS = "99.0";
    const std::string skipped = "Version 1.2.0 is skipped. Check again to see it.";
    const std::string needsSystem = UpdateError::macOSRequired("99.0").description();
    // What the feed offers (a version, or 1.3.0 offline or for a newer
    // system), whether the check is manual, what it says and offers.
    const std::vector<std::tuple<std::string, bool, std::string, bool>> cases = {
        {"1.0.9", true, kLatest, false},
        {"1.3.0", false, "Version 1.3.0 is ready.", true},
        {"1.2.0", false, skipped, false},
        {"1.2.0", true, kReady, true},
        {"offline", false, kInitial, false},
        {"offline", true, description(Kind::download), false},
        {"needs 99.0", false, kInitial, true},
        {"needs 99.0", true, needsSystem, true},
    };
    for (const auto& [feed, manual, status, offers] : cases) {
        SCOPED_TRACE(feed + (manual ? ", manual" : ", automatic"));
        const bool fails = !std::isdigit(static_cast<unsigned char>(feed[0]));
        logs.sink().clear();
        downloads.clear();
        serve(feed == "needs 99.0" ? tooNew : releaseOf(fails ? "1.3.0" : feed));
        offline = feed == "offline" ? std::optional(Kind::download) : std::nullopt;
        auto controller = make({true, {}, "1.2.0", {}});
        controller->check(manual);
        settle();
        EXPECT_EQ(controller->status(), status);
        EXPECT_EQ(controller->release().has_value(), offers);
        EXPECT_EQ(logged("Update check failed: "), fails ? 1u : 0u);
        EXPECT_FALSE(controller->busy());
        for (const auto& file : downloads)
            EXPECT_FALSE(fs::exists(file));
    }
}

TEST_F(UpdateControllerTest, SkipsAndRefusesWhatItCannotInstall) {
    serve(releaseOf("1.2.0"));
    auto controller = make();
    controller->check(true);
    settle();
    controller->install(); // from a folder it may not replace
    settle();
    EXPECT_EQ(controller->status(), description(Kind::installLocation));
    EXPECT_TRUE(controller->canOpenDownload());
    EXPECT_EQ(requested.size(), 1u); // the feed, and no download
    EXPECT_TRUE(controller->release());

    saved.clear();
    controller->skip();
    EXPECT_EQ(controller->status(), "Version 1.2.0 is skipped. Check again to see it.");
    EXPECT_FALSE(controller->release());
    controller->skip(); // nothing on offer: nothing happens
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved.back().skippedVersion, "1.2.0");
}

TEST_F(UpdateControllerTest, ShowsThePreviousInstallsResultOnceAtLaunch) {
    writeFileAtomically(root / "error.txt", "The update was rolled back.");
    for (const auto& [file, status] :
         {std::pair{root / "error.txt", std::string("The update was rolled back.")},
          std::pair{root / "missing.txt", kInitial}}) {
        saved.clear();
        auto controller = make({false, {}, {}, file.string()});
        controller->start();
        EXPECT_EQ(controller->status(), status) << file;
        ASSERT_EQ(saved.size(), 1u) << file;
        EXPECT_FALSE(saved.back().pendingResultPath) << file;
    }
}

TEST_F(UpdateControllerTest, OpensOnlyAVerifiedDownloadAndKeepsTheOfferOtherwise) {
    // The change to the offer and the failure; the transport's is the download going offline.
    using Change = std::function<void(UpdateRelease&)>;
    const std::vector<std::tuple<const char*, Change, std::optional<Kind>>> cases = {
        {"size", [](auto& r) { r.byteSize += 1; }, Kind::size},
        {"digest", [](auto& r) { r.sha256 = std::string(64, '0'); }, Kind::hash},
        {"transport", [](auto&) {}, Kind::download},
        // Last, so the failures above see an empty Downloads folder.
        {"verified", [](auto&) {}, std::nullopt},
    };
    for (const auto& [name, change, failure] : cases) {
        SCOPED_TRACE(name);
        logs.sink().clear();
        downloads.clear();
        progressSeen.clear();
        files.revealed.clear();
        offline.reset();
        UpdateRelease offer = releaseOf("1.2.0");
        change(offer);
        serve(offer);
        auto controller = make();
        controller->check(true);
        settle();
        if (failure == Kind::download)
            offline = Kind::download;
        controller->openDownload();
        EXPECT_EQ(controller->status(), "Downloading version 1.2.0…");
        // A second check while the download runs is dropped without a word.
        controller->check(true);
        EXPECT_EQ(controller->status(), "Downloading version 1.2.0…");
        settle();

        EXPECT_EQ(requested.back(), std::pair(std::string(kImageUrl), offer.byteSize));
        EXPECT_EQ(controller->release(), offer);
        EXPECT_FALSE(controller->busy());
        EXPECT_FALSE(controller->progress());
        for (const auto& file : downloads)
            EXPECT_FALSE(fs::exists(file));
        if (failure) {
            EXPECT_EQ(controller->status(), description(*failure));
            EXPECT_EQ(logged("Update installation failed: " + description(*failure)), 1u);
            EXPECT_TRUE(files.revealed.empty());
            EXPECT_FALSE(fs::exists(files.downloads) && !fs::is_empty(files.downloads));
            continue;
        }
        EXPECT_EQ(controller->status(), "Open the download and move Garbello to Applications.");
        EXPECT_EQ(progressSeen, (std::vector<double>{0, 0.5, 1, 1}));
        ASSERT_EQ(files.revealed.size(), 1u);
        const fs::path placed = files.revealed.front();
        EXPECT_EQ(placed.parent_path(), files.downloads);
        EXPECT_TRUE(std::regex_match(placed.filename().string(),
                                     std::regex("Garbello-1\\.2\\.0-[0-9A-F]{6}\\.dmg")))
            << placed;
        EXPECT_EQ(readFile(placed), kImage);
    }
}

// From install() to the helper started with its plan, on a signed image and
// a fixture installation; what the helper then does is the installer's test.
TEST_F(UpdateControllerTest, InstallsByStartingTheHelperAndQuitting) {
    const test::SigningKey key = test::makeSigningKey(root.path());
    const fs::path installed = root / "opt" / "Garbello.app";
    const fs::path newApp = root / "release" / "Garbello.app";
    for (const auto& [app, version, build] :
         {std::tuple{installed, "1.1.0", "11"}, std::tuple{newApp, "1.2.0", "12"}}) {
        test::makeBundle(app, {version, build, "stay", {}});
        bundle_signature::sign(app, key.privateKey);
    }
    const fs::path packed = test::packImage(newApp.parent_path(), root / "Garbello-1.2.0.tar.gz");
    UpdateRelease release = test::releaseFor(packed, "1.2.0", 12);
    release.dmgURL = kImageUrl;
    served = {{kFeed, release.toJson().dump()}, {kImageUrl, readFile(packed)}};
    fs::create_directories(root / "tmp");
    auto controller = make({}, [&](UpdateController::Setup& setup) {
        setup.installer.trustedKey = key.publicKey;
        setup.installer.temporaryDirectory = root / "tmp";
        setup.installer.runningVersion = "1.1.0";
    });
    controller->check(true);
    settle();
    ASSERT_EQ(controller->status(), kReady);
    controller->install();
    settle();

    EXPECT_EQ(exit.requests, 1);
    ASSERT_TRUE(controller->preferences.pendingResultPath);
    EXPECT_EQ(saved.back(), controller->preferences);
    const fs::path errorFile = *controller->preferences.pendingResultPath;
    EXPECT_EQ(errorFile.filename(), "error.txt");
    EXPECT_FALSE(controller->busy());
    const fs::path planFile = errorFile.parent_path() / "plan.json";
    ASSERT_TRUE(
        test::waitForText(errorFile.parent_path() / "invocation.txt", planFile.string(), 5));
    EXPECT_EQ(UpdateInstallPlan::fromJson(json::parse(readFile(planFile))).release, release);
}

TEST(FrontApplicationTest, FullScreenIsTheActiveApplicationsStateOrAMonitorsSize) {
    const std::vector<Rect> screens = {{0, 0, 1280, 800}, {1280, 0, 1920, 1080}};
    // What the list shows, the change that makes it so, and whether the front is full screen.
    using Change = std::function<void(WindowList&)>;
    // clang-format off
    const std::vector<std::tuple<const char*, Change, bool>> cases = {
        {"ordinary window in front", [](auto&) {}, false},
        {"no active window", [](auto& l) { l.activeWindow.reset(); }, false},
        {"full-screen state", [](auto& l) { l.windows[0].fullScreen = true; }, true},
        {"state the manager does not keep",
         [](auto& l) { l.windows[0].fullScreen = !(l.statesTrusted = false); }, false},
        {"within 2 points of a monitor",
         [](auto& l) { l.windows[0].bounds = {1, 0, 1918.5, 1081.5}; }, true},
        {"2 points off", [](auto& l) { l.windows[0].bounds = {0, 0, 1278, 800}; }, false},
        {"another window of the front process",
         [](auto& l) { l.windows[1].bounds.width = 1280; }, true},
        {"another process's window", [](auto& l) { l.windows[2].bounds.width = 1280; }, false},
        {"minimised",
         [](auto& l) { l.windows[1].bounds.width = 1280, l.windows[1].minimized = true; }, false},
        {"not on layer 0",
         [](auto& l) { l.windows[1].bounds.width = 1280, l.windows[1].layer = 1; }, false},
        {"front window without a process",
         [](auto& l) { l.windows[0].processID.reset(), l.windows[1].bounds.width = 1280; }, false},
    };
    // clang-format on
    for (const auto& [name, change, fullScreen] : cases) {
        WindowList list;
        list.statesTrusted = true;
        list.activeWindow = 1;
        for (auto [id, pid, width] : {std::tuple{1u, 7, 600}, {2u, 7, 1000}, {3u, 8, 600}})
            list.windows.push_back({.id = id,
                                    .processID = pid,
                                    .bounds = {0, 0, double(width), 800},
                                    .viewable = true});
        change(list);
        EXPECT_EQ(platform::frontIsFullScreen(list, screens), fullScreen) << name;
    }
}

// The real folder, read the XDG way; HOME and XDG_CONFIG_HOME point into a
// scratch folder for the test and are put back after it.
TEST(FreedesktopFileManagerTest, DownloadsFolderIsTheXdgDownloadDirectory) {
    test::TemporaryDirectory home;
    test::ScopedEnvironment homeVariable("HOME", home.path().c_str());
    const std::string config = (home / "config").string();
    test::ScopedEnvironment configVariable("XDG_CONFIG_HOME", config.c_str());
    platform::FreedesktopFileManager files;
    EXPECT_EQ(files.downloadsFolder(), home / "Downloads");
    writeFileAtomically(home / "config" / "user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"\n");
    EXPECT_EQ(files.downloadsFolder(), home / "Fetched");
}

} // namespace
} // namespace garbello
