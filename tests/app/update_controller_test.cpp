#include "app/update_controller.h"
#include "https_test_server.h"
#include "net/url.h"
#include "platform/fake_clock.h"
#include "platform/fake_task_queue.h"
#include "platform/fake_update_desktop.h"
#include "support/atomic_file.h"
#include "support/log.h"
#include "support/process.h"
#include "support/sha256.h"
#include "temporary_directory.h"
#include "update/app_bundle.h"
#include "update/bundle_signature.h"
#include "update/update_error.h"
#include "update/update_install_plan.h"
#include "update_fixtures.h"

#include <gtest/gtest.h>

#include <regex>

namespace garbello {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::WindowList;
using platform::WindowServerWindow;
using Kind = UpdateError::Kind;

constexpr const char* kFeed = "https://releases.test/latest.json";
constexpr const char* kImageUrl = "https://releases.test/Garbello-1.2.0.dmg";
constexpr const char* kImage = "pretend disk image";
const std::string kInitial = "Check for a newer version any time.";
const std::string kReady = "Version 1.2.0 is ready.";
const std::string kSkipped = "Version 1.2.0 is skipped. Check again to see it.";

std::string description(Kind kind) {
    return UpdateError(kind).description();
}

UpdateRelease releaseOf(const std::string& version) {
    return {version,
            12,
            "2.17",
            kImageUrl,
            std::int64_t(std::string_view(kImage).size()),
            sha256OfFile("/dev/null"), // replaced where the digest matters
            "Warmer sweaters.",
            "2026-11-07T23:00:00Z",
            std::nullopt};
}

// A controller on fakes, running version 1.1.0; the transport answers from
// `served` (URL → body) or fails with `offline`.
class UpdateControllerTest : public ::testing::Test {
protected:
    std::shared_ptr<UpdateController>
    make(UpdatePreferences preferences = {},
         const std::function<void(UpdateController::Setup&)>& adjust = {}) {
        UpdateController::Setup setup;
        setup.feed = kFeed;
        setup.runningVersion = "1.1.0";
        setup.fetch = [this](const std::string& url, std::int64_t limit,
                             const std::function<void(double)>& progress) {
            requested.push_back(url);
            if (offline)
                throw UpdateError(*offline);
            limits.push_back(limit);
            fs::path file = root / ("garbello-download-" + std::to_string(requested.size()));
            writeFileAtomically(file, served.at(url));
            if (progress) {
                progress(0.5);
                progress(1);
            }
            downloads.push_back(file);
            return file;
        };
        setup.bundle = root / "opt" / "Garbello.app";
        setup.installer.applicationsFolder = root / "opt";
        setup.now = [this] { return epoch + std::chrono::seconds(long(clock.uptime())); };
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

    // Runs the workers and the hand-backs until nothing is left.
    void settle() {
        while (network.pending() + staging.pending() + mainThread.pending() > 0) {
            network.runAll();
            staging.runAll();
            mainThread.runAll();
        }
    }

    void serve(const UpdateRelease& release) { served[kFeed] = release.toJson().dump(); }

    // A controller with 1.2.0 on offer after a manual check.
    std::shared_ptr<UpdateController> offered() {
        serve(image);
        served[kImageUrl] = kImage;
        auto controller = make();
        controller->check(true);
        settle();
        EXPECT_EQ(controller->status(), kReady);
        requested.clear();
        return controller;
    }

    Date now() const { return epoch + std::chrono::seconds(long(clock.uptime())); }

    std::vector<std::string> failures(const std::string& prefix) {
        std::vector<std::string> found;
        for (const auto& record : logs.sink().records("updater"))
            if (record.level == LogLevel::error && record.message.starts_with(prefix))
                found.push_back(record.message.substr(prefix.size()));
        return found;
    }

    void SetUp() override {
        writeFileAtomically(root / "image", kImage);
        image.sha256 = sha256OfFile(root / "image");
        files.downloads = root / "Downloads";
    }

    ScopedLogCapture logs;
    test::TemporaryDirectory root;
    platform::FakeClock clock;
    platform::FakeTaskQueue network, staging, mainThread;
    platform::FakeFrontApplication front;
    platform::FakeFileManager files;
    platform::FakeApplicationExit exit;
    const Date epoch = Date(std::chrono::seconds(1'800'000'000));
    UpdateRelease image = releaseOf("1.2.0");
    std::map<std::string, std::string> served;
    std::optional<Kind> offline;
    std::vector<std::string> requested;
    std::vector<std::int64_t> limits;
    std::vector<fs::path> downloads;
    std::vector<UpdatePreferences> saved;
    std::vector<double> progressSeen;
};

TEST_F(UpdateControllerTest, ChecksAtLaunchOnlyWhenADayHasPassed) {
    struct Case {
        const char* name;
        bool automatic;
        std::optional<double> lastCheckedAgo;
        bool fullScreen;
        bool checks;
    };
    const std::vector<Case> cases = {
        {"never checked", true, std::nullopt, false, true},
        {"a second short of a day", true, 86'399, false, false},
        {"a day ago", true, 86'400, false, true},
        {"checked in the future", true, -60, false, false},
        {"automatic checks off", false, std::nullopt, false, false},
        {"full screen in front", true, 86'400, true, false},
    };
    serve(releaseOf("1.1.0"));
    for (const Case& c : cases) {
        requested.clear();
        front.fullScreen = c.fullScreen;
        UpdatePreferences preferences;
        preferences.automatic = c.automatic;
        if (c.lastCheckedAgo)
            preferences.lastChecked =
                now() - std::chrono::milliseconds(long(*c.lastCheckedAgo * 1000));
        auto controller = make(preferences);
        controller->start();
        settle();
        EXPECT_EQ(requested.size(), c.checks ? 1u : 0u) << c.name;
        EXPECT_EQ(controller->preferences.lastChecked == now(), c.checks) << c.name;
        EXPECT_EQ(controller->status(), c.checks ? "You have the latest version." : kInitial)
            << c.name;
    }
}

TEST_F(UpdateControllerTest, TheMinuteTickChecksOnceADayAndWaitsOutFullScreen) {
    serve(releaseOf("1.1.0"));
    UpdatePreferences preferences;
    preferences.lastChecked = now() - 86'399s;
    auto controller = make(preferences);
    controller->start();
    front.fullScreen = true;
    clock.advance(60); // due now, but a full-screen window is in front
    settle();
    EXPECT_TRUE(requested.empty());
    front.fullScreen = false;
    clock.advance(60);
    settle();
    ASSERT_EQ(requested.size(), 1u);
    EXPECT_EQ(controller->preferences.lastChecked, now());
    // The stamp written at the start holds the next check off for a day.
    clock.advance(86'340);
    settle();
    EXPECT_EQ(requested.size(), 1u);
    clock.advance(60);
    settle();
    EXPECT_EQ(requested.size(), 2u);
}

TEST_F(UpdateControllerTest, ManualChecksWorkWithAutomaticChecksOff) {
    serve(releaseOf("1.1.0"));
    UpdatePreferences preferences;
    preferences.automatic = false;
    auto controller = make(preferences);
    controller->start();
    clock.advance(2 * 86'400);
    settle();
    EXPECT_TRUE(requested.empty());
    controller->check(true);
    EXPECT_EQ(controller->status(), "Checking for updates…");
    EXPECT_TRUE(controller->busy());
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved.back().lastChecked, now());
    settle();
    EXPECT_EQ(requested.size(), 1u);
    EXPECT_EQ(limits.back(), UpdateTransport::kManifestLimit);
    EXPECT_FALSE(controller->busy());
    EXPECT_EQ(controller->status(), "You have the latest version.");
    EXPECT_EQ(failures("").size(), 0u);
    EXPECT_EQ(logs.sink().records("updater").front().message, "Checking update feed; manual=true");
}

TEST_F(UpdateControllerTest, WhatACheckOffersAndSays) {
    // 1.2.0 is the skipped version throughout.
    const UpdateRelease newer = releaseOf("1.3.0");
    UpdateRelease tooNew = newer;
    tooNew.minimumMacOS = "99.0";
    struct Case {
        const char* name;
        std::optional<UpdateRelease> feed; // absent: garbled text
        std::optional<Kind> offline;
        bool manual;
        std::string status;
        bool offers;
        bool logsFailure;
    };
    const std::vector<Case> cases = {
        {"same version",
         releaseOf("1.1.0"),
         {},
         false,
         "You have the latest version.",
         false,
         false},
        {"older version",
         releaseOf("1.0.9"),
         {},
         true,
         "You have the latest version.",
         false,
         false},
        {"newer, automatic", newer, {}, false, "Version 1.3.0 is ready.", true, false},
        {"skipped, automatic", releaseOf("1.2.0"), {}, false, kSkipped, false, false},
        {"newer than skipped",
         releaseOf("1.2.1"),
         {},
         false,
         "Version 1.2.1 is ready.",
         true,
         false},
        {"offline, automatic", newer, Kind::download, false, kInitial, false, true},
        {"offline, manual", newer, Kind::download, true, description(Kind::download), false, true},
        {"garbled, manual", std::nullopt, {}, true, description(Kind::invalidFeed), false, true},
        {"system too old, automatic", tooNew, {}, false, kInitial, true, true},
        {"system too old, manual",
         tooNew,
         {},
         true,
         UpdateError::macOSRequired("99.0").description(),
         true,
         true},
    };
    for (const Case& c : cases) {
        logs.sink().clear();
        downloads.clear();
        served[kFeed] = c.feed ? c.feed->toJson().dump() : "{\"version\": ";
        offline = c.offline;
        UpdatePreferences preferences;
        preferences.skippedVersion = "1.2.0";
        auto controller = make(preferences);
        controller->check(c.manual);
        settle();
        EXPECT_EQ(controller->status(), c.status) << c.name;
        EXPECT_EQ(controller->release().has_value(), c.offers) << c.name;
        EXPECT_EQ(failures("Update check failed: ").size(), c.logsFailure ? 1u : 0u) << c.name;
        EXPECT_FALSE(controller->busy()) << c.name;
        for (const auto& file : downloads)
            EXPECT_FALSE(fs::exists(file)) << c.name;
    }
    // A manual check offers the skipped version again.
    offline.reset();
    serve(image);
    UpdatePreferences preferences;
    preferences.skippedVersion = "1.2.0";
    auto controller = make(preferences);
    controller->check(true);
    settle();
    EXPECT_EQ(controller->status(), kReady);
    EXPECT_EQ(controller->release(), image);
}

TEST_F(UpdateControllerTest, SkippingForgetsTheOfferAndIsRemembered) {
    auto controller = offered();
    saved.clear();
    controller->skip();
    EXPECT_EQ(controller->status(), kSkipped);
    EXPECT_FALSE(controller->release());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved.back().skippedVersion, "1.2.0");
    controller->skip(); // nothing on offer: nothing happens
    EXPECT_EQ(saved.size(), 1u);
}

TEST_F(UpdateControllerTest, ShowsThePreviousInstallsResultOnceAtLaunch) {
    writeFileAtomically(root / "error.txt", "The update could not be installed.");
    for (const auto& [file, status] :
         {std::pair{root / "error.txt", std::string("The update could not be installed.")},
          std::pair{root / "missing.txt", kInitial}}) {
        saved.clear();
        UpdatePreferences preferences;
        preferences.automatic = false;
        preferences.pendingResultPath = file.string();
        auto controller = make(preferences);
        controller->start();
        EXPECT_EQ(controller->status(), status) << file;
        EXPECT_FALSE(controller->preferences.pendingResultPath) << file;
        ASSERT_EQ(saved.size(), 1u) << file;
        EXPECT_FALSE(saved.back().pendingResultPath) << file;
    }
}

TEST_F(UpdateControllerTest, RefusesToInstallWhereItMayNotReplaceItself) {
    auto controller = offered();
    controller->install(); // the bundle does not even exist
    settle();
    EXPECT_EQ(controller->status(), description(Kind::installLocation));
    EXPECT_TRUE(controller->canOpenDownload());
    EXPECT_TRUE(requested.empty());
    EXPECT_FALSE(controller->busy());
    EXPECT_EQ(controller->release(), image);
}

TEST_F(UpdateControllerTest, OpensAVerifiedDownloadInDownloadsAndRevealsIt) {
    auto controller = offered();
    controller->openDownload();
    EXPECT_EQ(controller->status(), "Downloading version 1.2.0…");
    EXPECT_EQ(controller->progress(), 0);
    // A second check while the download runs is dropped without a word.
    auto stamped = controller->preferences.lastChecked;
    controller->check(true);
    EXPECT_EQ(controller->status(), "Downloading version 1.2.0…");
    EXPECT_EQ(controller->preferences.lastChecked, stamped);
    settle();

    EXPECT_EQ(requested, std::vector<std::string>{kImageUrl});
    EXPECT_EQ(limits.back(), image.byteSize);
    EXPECT_EQ(progressSeen, (std::vector<double>{0, 0.5, 1, 1}));
    ASSERT_EQ(files.revealed.size(), 1u);
    const fs::path placed = files.revealed.front();
    EXPECT_EQ(placed.parent_path(), files.downloads);
    EXPECT_TRUE(std::regex_match(placed.filename().string(),
                                 std::regex("Garbello-1\\.2\\.0-[0-9A-F]{6}\\.dmg")))
        << placed;
    EXPECT_EQ(readFile(placed), kImage);
    EXPECT_FALSE(fs::exists(downloads.back()));
    EXPECT_EQ(controller->status(), "Open the download and move Garbello to Applications.");
    EXPECT_FALSE(controller->busy());
    EXPECT_FALSE(controller->progress());
}

TEST_F(UpdateControllerTest, AFailedDownloadKeepsTheOffer) {
    struct Case {
        const char* name;
        std::function<void(UpdateRelease&)> change;
        std::optional<Kind> offline;
        Kind failure;
    };
    const std::vector<Case> cases = {
        {"size", [](auto& r) { r.byteSize += 1; }, {}, Kind::size},
        {"digest", [](auto& r) { r.sha256 = std::string(64, '0'); }, {}, Kind::hash},
        {"transport", [](auto&) {}, Kind::download, Kind::download},
    };
    for (const Case& c : cases) {
        logs.sink().clear();
        downloads.clear();
        offline.reset();
        UpdateRelease offer = image;
        c.change(offer);
        serve(offer);
        served[kImageUrl] = kImage;
        auto controller = make();
        controller->check(true);
        settle();
        offline = c.offline;
        controller->openDownload();
        settle();
        EXPECT_EQ(controller->status(), description(c.failure)) << c.name;
        EXPECT_EQ(failures("Update installation failed: "),
                  std::vector<std::string>{description(c.failure)})
            << c.name;
        EXPECT_EQ(controller->release(), offer) << c.name;
        EXPECT_FALSE(controller->busy()) << c.name;
        EXPECT_FALSE(controller->progress()) << c.name;
        EXPECT_TRUE(files.revealed.empty()) << c.name;
        EXPECT_FALSE(fs::exists(files.downloads) && !fs::is_empty(files.downloads)) << c.name;
        for (const auto& file : downloads)
            EXPECT_FALSE(fs::exists(file)) << c.name;
    }
}

// From install() to the new version's receipt: the manifest and a signed
// image from a local HTTPS server, staged beside a fixture installation, the
// helper started and its part then played here, as in the installer's own
// test.
TEST_F(UpdateControllerTest, InstallsFromTheLoopbackServerThroughTheHelper) {
    test::HttpsTestServer server;
    const test::SigningKey key = test::makeSigningKey(root.path());
    const fs::path applications = root / "opt", installed = applications / "Garbello.app";
    const fs::path opened = root / "opened.log";
    test::makeBundle(installed, {"1.1.0", "11", "stay", opened});
    bundle_signature::sign(installed, key.privateKey);
    const fs::path newApp = root / "release" / "Garbello.app";
    test::makeBundle(newApp, {"1.2.0", "12", "stay", opened});
    bundle_signature::sign(newApp, key.privateKey);
    const fs::path packed = test::packImage(newApp.parent_path(), root / "Garbello-1.2.0.tar.gz");
    auto served = [&](const fs::path& file) {
        return server.url("/file?path=" + percentEncodedQueryValue(file.string()));
    };
    UpdateRelease release = test::releaseFor(packed, "1.2.0", 12);
    release.dmgURL = served(packed);
    writeFileAtomically(root / "latest.json", release.toJson().dump());
    fs::create_directories(root / "tmp");

    std::function<void()> duringPause;
    UpdateInstallEnvironment environment;
    environment.applicationsFolder = applications;
    environment.trustedKey = key.publicKey;
    environment.temporaryDirectory = root / "tmp";
    environment.runningVersion = "1.1.0";
    environment.sleepFor = [&](std::chrono::milliseconds) {
        if (duringPause)
            duringPause();
    };
    auto controller = make({}, [&](UpdateController::Setup& setup) {
        setup.fetch = nullptr; // the real transport
        setup.feed = served(root / "latest.json");
        setup.transport.caFile = server.caFile();
        setup.bundle = installed;
        setup.installer = environment;
    });
    controller->check(true);
    settle();
    ASSERT_EQ(controller->status(), kReady);
    controller->install();
    settle();

    EXPECT_EQ(exit.requests, 1);
    ASSERT_TRUE(controller->preferences.pendingResultPath);
    EXPECT_EQ(saved.back(), controller->preferences);
    const fs::path workspace = fs::path(*controller->preferences.pendingResultPath).parent_path();
    EXPECT_EQ(fs::path(*controller->preferences.pendingResultPath).filename(), "error.txt");
    EXPECT_FALSE(controller->busy());
    EXPECT_FALSE(controller->progress());
    EXPECT_TRUE(progressSeen.size() >= 2 && progressSeen.back() == 1);

    const fs::path planFile = workspace / "plan.json";
    ASSERT_TRUE(test::waitForText(workspace / "invocation.txt", planFile.string(), 5));
    UpdateInstallPlan plan = UpdateInstallPlan::fromJson(json::parse(readFile(planFile)));
    EXPECT_EQ(plan.destination, installed);
    EXPECT_EQ(plan.release, release);
    ChildProcess ended = ChildProcess::start("/bin/true", {});
    ended.wait();
    plan.parentPID = ended.pid();
    writeFileAtomically(planFile, plan.toJson().dump());
    duringPause = [&] { test::waitForText(plan.receipt, "1.2.0", 5); };
    UpdateInstaller(environment).complete(planFile);
    EXPECT_EQ(app_bundle::infoString(installed, "CFBundleShortVersionString"), "1.2.0");

    // The relaunched copy finds no error left for it and starts afresh.
    UpdatePreferences next;
    next.automatic = false;
    next.pendingResultPath = (workspace / "error.txt").string();
    auto relaunched = make(next);
    relaunched->start();
    EXPECT_EQ(relaunched->status(), kInitial);
    EXPECT_FALSE(relaunched->preferences.pendingResultPath);
}

TEST(FrontApplicationTest, FullScreenIsTheActiveApplicationsStateOrAMonitorsSize) {
    const std::vector<Rect> screens = {{0, 0, 1280, 800}, {1280, 0, 1920, 1080}};
    auto window = [](std::uint32_t id, std::optional<std::int32_t> pid, Rect bounds) {
        WindowServerWindow w;
        w.id = id;
        w.processID = pid;
        w.bounds = bounds;
        w.viewable = true;
        return w;
    };
    const Rect small{10, 10, 600, 400}, nearlyScreen{1281, 0, 1918.5, 1081.5};
    struct Case {
        const char* name;
        std::function<void(WindowList&)> change;
        bool fullScreen;
    };
    const std::vector<Case> cases = {
        {"ordinary window in front", [](auto&) {}, false},
        {"no active window", [](auto& l) { l.activeWindow.reset(); }, false},
        {"active window unlisted", [](auto& l) { l.activeWindow = 99; }, false},
        {"full-screen state", [](auto& l) { l.windows[0].fullScreen = true; }, true},
        {"state the manager does not keep",
         [](auto& l) {
             l.windows[0].fullScreen = true;
             l.statesTrusted = false;
         },
         false},
        {"monitor size within 2 points", [&](auto& l) { l.windows[0].bounds = nearlyScreen; },
         true},
        {"2 points off",
         [](auto& l) {
             l.windows[0].bounds = {0, 0, 1278, 800};
         },
         false},
        {"another window of the front process", [](auto& l) { l.windows[1].bounds.width = 1280; },
         true},
        {"another process's window",
         [](auto& l) {
             l.windows[2].bounds = {0, 0, 1280, 800};
         },
         false},
        {"minimised",
         [](auto& l) {
             l.windows[1].bounds.width = 1280;
             l.windows[1].minimized = true;
         },
         false},
        {"not on layer 0",
         [](auto& l) {
             l.windows[1].bounds.width = 1280;
             l.windows[1].layer = 1;
         },
         false},
        {"front window without a process",
         [](auto& l) {
             l.windows[0].processID.reset();
             l.windows[1].bounds.width = 1280;
         },
         false},
    };
    for (const Case& c : cases) {
        WindowList list;
        list.statesTrusted = true;
        list.windows = {window(1, 7, small), window(2, 7, {0, 0, 1000, 800}), window(3, 8, small)};
        list.activeWindow = 1;
        c.change(list);
        EXPECT_EQ(platform::frontIsFullScreen(list, screens), c.fullScreen) << c.name;
    }
}

} // namespace
} // namespace garbello
