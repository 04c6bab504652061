#include "app/app_controller.h"
#include "platform/fake_appearance.h"
#include "platform/fake_clock.h"
#include "platform/fake_location.h"
#include "platform/fake_overlay_host.h"
#include "platform/fake_reachability.h"
#include "platform/fake_update_desktop.h"
#include "platform/fake_window_source.h"
#include "settle.h"
#include "support/atomic_file.h"
#include "temporary_directory.h"
#include "update/update_version.h"
#include "weather/weather_cache.h"

#include <QMessageBox>
#include <gtest/gtest.h>

namespace garbello {
namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kEditorPID = 4242;
constexpr std::uint32_t kEditorWindow = 0x500001;
const Place kOslo{"Oslo, Norway", 59.91, 10.75, "Europe/Oslo"};

struct FakeLoginItem final : platform::LoginItem {
    bool on = false;
    bool fails = false;
    bool enabled() const override { return on; }
    void setEnabled(bool enabled) override {
        if (fails)
            throw Error("Permission denied");
        on = enabled;
    }
};

// The application over fakes: one editor window on one screen, the settings
// file in a folder of the test's own.
struct Rig {
    test::TemporaryDirectory directory;
    std::filesystem::path settingsFile = directory / "Garbello" / "settings.json";
    platform::FakeClock clock;
    platform::FakeTaskQueue trackerWorker, renderer, network, staging, forecast, search, mainThread;
    platform::FakeWindowSource source;
    platform::FakeOverlayHost host;
    platform::FakeApplicationIcons icons;
    platform::FakeFrontApplication front;
    platform::FakeFileManager files;
    platform::FakeApplicationExit exit;
    platform::FakeLocationService location;
    platform::FakeReachability reachability;
    platform::FakeSleepWatch sleep;
    platform::FakeSpaceWatch spaces;
    platform::FakeAppearance appearance;
    platform::FakeStatusItem tray;
    FakeLoginItem login;
    ScopedLogCapture logs;
    Date now = std::chrono::system_clock::now();
    int quits = 0;
    std::shared_ptr<AppController> app;

    explicit Rig(Json settings = Json::object()) {
        settings["updaterV1"]["automatic"] = false;
        writeFileAtomically(settingsFile, settings.dump());
        source.screenFrames = {{0, 0, 1600, 1000}};
        source.list.windows = {{.id = kEditorWindow,
                                .processID = kEditorPID,
                                .bounds = {100, 100, 600, 400},
                                .viewable = true}};
        source.list.applications = {{kEditorPID, {"org.example.Editor", true}}};
    }

    void saveWeather(std::chrono::minutes age, Place place = kOslo) {
        WeatherSnapshot hot;
        hot.temperature = 31;
        hot.apparentTemperature = 33;
        hot.observedAt = now - age;
        writeSavedWeather(weatherCachePathBeside(settingsFile),
                          {std::move(place), {hot, now - age}});
    }

    void launch(bool atLogin = false, std::vector<std::string> arguments = {}) {
        AppParts parts;
        parts.tracker = WindowTracker::create(source, source, clock, trackerWorker, mainThread);
        parts.overlays = OverlayController::create(host, icons, clock, renderer, mainThread);
        UpdateController::Setup setup;
        setup.bundle = directory / "Garbello.app";
        parts.updater = UpdateController::create(
            {clock, network, staging, mainThread, front, files, exit}, std::move(setup));
        parts.makeWeather = [this](std::optional<Place> place, std::filesystem::path cache) {
            WeatherNetwork offline;
            offline.get = [](const HttpRequest&) -> HttpResponse {
                throw HttpError(HttpError::Kind::transfer, "offline");
            };
            offline.now = [this] { return now; };
            return WeatherController::create(
                std::move(place), std::move(cache),
                {clock, forecast, search, mainThread, location, reachability, sleep}, offline);
        };
        app = AppController::create(settingsFile,
                                    {clock, mainThread, tray, spaces, sleep, appearance, login,
                                     icons, [](const std::string& id) { return id; },
                                     [this] { ++quits; }, [this] { return now; }},
                                    std::move(parts));
        app->launch(atLogin, arguments);
        settle();
    }

    void settle() { test::settle(trackerWorker, renderer, mainThread); }
    void pass() {
        clock.advance(WindowTracker::kPollInterval);
        settle();
    }
    bool borderShown() const {
        const auto* border = host.below(kEditorWindow);
        return border && border->shown;
    }
    std::string menuLine(std::size_t row) const { return tray.menu.at(row).title; }
    std::string summary() const { return app->settingsWindow()->weatherSummary(); }
    GarbelloSettings stored() const { return SettingsStore(settingsFile).load(); }
};

TEST(AppControllerTest, WithoutAnOutfitNothingIsDressedAndTheMenuAsksForOne) {
    Rig rig;
    rig.launch();
    rig.pass();
    EXPECT_EQ(rig.menuLine(0), "Choose your first outfit");
    EXPECT_EQ(rig.tray.toolTip, "Garbello \u2014 Choose an outfit");
    EXPECT_FALSE(rig.borderShown());
    EXPECT_TRUE(rig.summary().starts_with("Choose a city or use your location for the forecast.\n"))
        << rig.summary();
}

TEST(AppControllerTest, MenuRowsAreTheStatusLineAndFiveActions) {
    Rig rig(Json{{"manualOutfit", "linen"}});
    rig.launch();
    std::vector<std::string> rows;
    for (const auto& row : rig.tray.menu)
        rows.push_back(row.shortcut.empty() ? row.title : row.title + " [" + row.shortcut + "]");
    EXPECT_EQ(rows, (std::vector<std::string>{"Light linen", "", "Settings\u2026 [,]",
                                              "Check for Updates...", "Guided setup\u2026",
                                              "Pause outfits", "", "Quit Garbello [q]"}));
    EXPECT_FALSE(rig.tray.menu[0].action) << "the status line cannot be chosen";

    ASSERT_TRUE(rig.tray.choose("Check for Updates..."));
    EXPECT_EQ(rig.app->settingsWindow()->pane(), SettingsPane::updates);
    ASSERT_TRUE(rig.tray.choose("Guided setup\u2026"));
    EXPECT_EQ(rig.app->settingsWindow()->setup(), SetupStep::welcome);
    ASSERT_TRUE(rig.tray.choose("Settings\u2026"));
    EXPECT_FALSE(rig.app->settingsWindow()->setup());
    ASSERT_TRUE(rig.tray.choose("Quit Garbello"));
    EXPECT_EQ(rig.quits, 1);
}

TEST(AppControllerTest, PausingFromTheMenuHidesBordersAtOnceEvenUnsavedAndResumingBringsThemBack) {
    Rig rig(Json{{"manualOutfit", "sweater"}});
    rig.launch();
    rig.pass();
    ASSERT_TRUE(rig.borderShown());

    ASSERT_TRUE(rig.tray.choose("Pause outfits"));
    EXPECT_FALSE(rig.borderShown()) << "no pass needed";
    EXPECT_EQ(rig.tray.toolTip, "Garbello \u2014 paused");
    rig.tray.open();
    EXPECT_EQ(rig.menuLine(0), "Outfits paused");
    EXPECT_EQ(rig.menuLine(5), "Resume outfits");
    EXPECT_TRUE(rig.stored().paused);

    ASSERT_TRUE(rig.tray.choose("Resume outfits"));
    rig.settle();
    EXPECT_TRUE(rig.borderShown());
    EXPECT_EQ(rig.tray.toolTip, "Garbello \u2014 Sweater");
    EXPECT_FALSE(rig.stored().paused);

    // A folder where the file should be: a pause that cannot be saved still
    // applies, with an alert.
    std::filesystem::remove(rig.settingsFile);
    std::filesystem::create_directories(rig.settingsFile / "keep");
    ASSERT_TRUE(rig.tray.choose("Pause outfits"));
    EXPECT_FALSE(rig.borderShown());
    const auto alerts = rig.app->settingsWindow()->window()->findChildren<QMessageBox*>();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0]->text().toStdString(), "Settings could not be saved");
    EXPECT_FALSE(alerts[0]->informativeText().isEmpty());
    alerts[0]->done(0);
}

TEST(AppControllerTest, AManualOutfitWinsOverTheWeatherEverywhere) {
    Rig rig(Json{{"manualOutfit", "snowGear"}, {"place", kOslo.toJson()}});
    rig.saveWeather(10min);
    rig.launch();
    rig.pass();
    EXPECT_EQ(rig.tray.toolTip, "Garbello \u2014 Snow gear");
    EXPECT_EQ(rig.menuLine(0), "Snow gear");
    ASSERT_TRUE(rig.borderShown());
    EXPECT_NE(rig.summary().find("\nSnow gear \u00B7 You chose this outfit"), std::string::npos)
        << rig.summary();
    EXPECT_EQ(rig.summary().find("Hawaiian"), std::string::npos) << rig.summary();
}

TEST(AppControllerTest, TheSummarySaysWhenTheWeatherIsOldOrFromAnotherPlace) {
    const std::string kOld = "Weather is older than 45 minutes. Keeping the last outfit.";
    const Place kLisbon{"Lisbon, Portugal", 38.72, -9.14, "Europe/Lisbon"};
    // The forecast's age in minutes and its place; whether it is old or from elsewhere.
    const std::tuple<int, Place, bool, bool> cases[] = {
        {44, kOslo, false, false}, {46, kOslo, true, false}, {10, kLisbon, false, true}};
    for (const auto& [minutes, cachePlace, old, elsewhere] : cases) {
        Rig rig(Json{{"place", kOslo.toJson()}});
        rig.saveWeather(std::chrono::minutes(minutes), cachePlace);
        rig.launch();
        const std::string summary = rig.summary();
        SCOPED_TRACE(summary);
        EXPECT_TRUE(summary.starts_with("31\u00B0C \u00B7 feels like 33\u00B0C\nUpdated "));
        EXPECT_EQ(summary.find(kOld) != std::string::npos, old);
        EXPECT_EQ(summary.find("Last weather is from Lisbon, Portugal.") != std::string::npos,
                  elsewhere);
        EXPECT_NE(summary.find("Hawaiian \u00B7 "), std::string::npos);
    }
}

TEST(AppControllerTest, StartupShowsSetupSettingsOrNothing) {
    // Whether setup was completed, whether launched at login, and what is presented.
    const std::tuple<bool, bool, std::string> cases[] = {{false, true, "setup"},
                                                         {false, false, "setup"},
                                                         {true, false, "settings"},
                                                         {true, true, "background"}};
    for (const auto& [completed, atLogin, presented] : cases) {
        SCOPED_TRACE(presented + (atLogin ? " at login" : ""));
        Rig rig(Json{{"onboardingCompleted", completed}});
        rig.launch(atLogin);
        EXPECT_EQ(rig.app->settingsWindow()->window()->isVisible(), presented != "background");
        EXPECT_EQ(rig.app->settingsWindow()->setup().has_value(), presented == "setup");
        const auto records = rig.logs.sink().records("application");
        EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const LogRecord& record) {
            return record.message == "Startup presentation: " + presented;
        }));
        rig.app->settingsWindow()->window()->hide();
    }
}

TEST(AppControllerTest, SwitchesAndSleepHideBordersUntilTheNextPassAndTerminationForGood) {
    Rig rig(Json{{"manualOutfit", "hawaiian"}});
    rig.launch();
    rig.pass();
    ASSERT_TRUE(rig.borderShown());
    for (auto hide : {+[](Rig& r) { r.spaces.switchSpace(); }, +[](Rig& r) { r.sleep.sleep(); }}) {
        hide(rig);
        EXPECT_FALSE(rig.borderShown());
        rig.pass();
        EXPECT_TRUE(rig.borderShown());
    }
    // Termination stops every timer and read as well.
    rig.app->terminate();
    EXPECT_FALSE(rig.borderShown());
    EXPECT_EQ(rig.clock.timerCount(), 0u);
    const int reads = rig.source.reads;
    rig.pass();
    EXPECT_EQ(rig.source.reads, reads);
}

TEST(AppControllerTest, TheReceiptIsWrittenOnlyWithAPath) {
    Rig rig;
    const auto receipt = rig.directory / "receipt";
    rig.launch(false, {"--update-receipt"});
    EXPECT_FALSE(std::filesystem::exists(receipt));
    Rig second;
    second.launch(false, {"--update-receipt", receipt.string()});
    EXPECT_EQ(readFile(receipt), UpdateVersion::current);
}

TEST(AppControllerTest, LaunchAtLoginTogglesAndReportsFailures) {
    Rig rig(Json{{"onboardingCompleted", true}});
    rig.launch();
    rig.app->settingsWindow()->onLogin();
    EXPECT_TRUE(rig.login.on);
    rig.login.fails = true;
    rig.app->settingsWindow()->onLogin();
    EXPECT_TRUE(rig.login.on);
    const auto alerts = rig.app->settingsWindow()->window()->findChildren<QMessageBox*>();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0]->text().toStdString(), "Launch at login could not be changed");
    alerts[0]->done(0);
}

} // namespace
} // namespace garbello
