#pragma once

#include "app/overlay_controller.h"
#include "app/settings_window_controller.h"
#include "app/update_controller.h"
#include "app/weather_controller.h"
#include "app/window_tracker.h"
#include "platform/appearance.h"
#include "platform/clock.h"
#include "platform/login_item.h"
#include "platform/sleep_watch.h"
#include "platform/space_watch.h"
#include "platform/status_item.h"
#include "settings/settings_store.h"
#include "settings/startup_presentation.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace garbello {

// What the application controller uses of the desktop; each must outlive it.
struct AppServices {
    platform::Clock& clock;
    platform::TaskQueue& mainThread;
    platform::StatusItem& statusItem;
    platform::SpaceWatch& spaces;
    platform::SleepWatch& sleep;
    platform::Appearance& appearance;
    platform::LoginItem& login;
    platform::ApplicationIcons& icons;
    // The display name of an application id; the id itself when unknown.
    std::function<std::string(const std::string& identifier)> applicationName;
    // Asks the event loop to end; the owner calls `terminate` as it does.
    std::function<void()> quit;
    // The wall clock that ages the weather.
    std::function<Date()> now = [] { return std::chrono::system_clock::now(); };
};

// The long-lived controllers the application controller wires together,
// made by the owner over the real desktop or fakes.
struct AppParts {
    std::shared_ptr<WindowTracker> tracker;
    std::shared_ptr<OverlayController> overlays;
    std::shared_ptr<UpdateController> updater;
    // Made at launch for the stored place, caching in the given file.
    std::function<std::shared_ptr<WeatherController>(std::optional<Place> place,
                                                     std::filesystem::path cacheFile)>
        makeWeather;
};

// The tray application itself: owns the settings and every long-lived
// controller, and wires them so that a settings change, a weather decision
// or a tracking pass ends in the borders being brought up to date. Main
// thread only; every callback it hands out holds it weakly.
class AppController : public std::enable_shared_from_this<AppController> {
public:
    static constexpr double kPreferencesRefreshInterval = 2.0;
    // Weather older than this is said to be kept, not current.
    static constexpr double kStaleWeatherAge = 2700;

    // Loads the settings from `settingsFile`; starts nothing yet.
    static std::shared_ptr<AppController> create(std::filesystem::path settingsFile,
                                                 AppServices services, AppParts parts);
    ~AppController();
    AppController(const AppController&) = delete;
    AppController& operator=(const AppController&) = delete;

    // The start-up sequence. `arguments`: the command line, for the update
    // receipt.
    void launch(bool launchedAtLogin, const std::vector<std::string>& arguments);
    // The user started the application again while it runs.
    void reopen();
    // Stops every timer and watch, hides every border at once.
    void terminate();

    // The status menu from scratch; also whenever it opens.
    void rebuildMenu();

    const GarbelloSettings& settings() const { return settings_; }
    SettingsWindowController* settingsWindow() const { return preferences_.get(); }
    WeatherController* weather() const { return weather_.get(); }

    // The settings window's weather lines for this state, joined with line feeds.
    static std::string weatherSummary(const GarbelloSettings& settings,
                                      const WeatherController* weather, Date now);
    // The tool tip: paused, the outfit in force, or a prompt to choose one.
    static std::string toolTip(bool paused, std::optional<Outfit> outfit);

private:
    AppController(std::filesystem::path settingsFile, AppServices services, AppParts parts);

    void configurePreferences();
    void startUpdates();
    void startWeather();
    void watchDesktop();
    void present(StartupPresentation presentation);
    void updateOutfit();
    void saveSettings();
    void updatePreferences();
    void toggleLogin();
    void togglePause();
    void checkUpdates();
    void showMessage(const std::string& title, const std::string& detail);
    std::vector<RunningApplicationInfo> runningApplications() const;
    // `action` run on the controller while it lives.
    std::function<void()> weakly(void (AppController::*action)());

    AppServices services_;
    SettingsStore store_;
    GarbelloSettings settings_;
    std::shared_ptr<WindowTracker> tracker_;
    std::shared_ptr<OverlayController> overlays_;
    std::shared_ptr<UpdateController> updater_;
    std::function<std::shared_ptr<WeatherController>(std::optional<Place>, std::filesystem::path)>
        makeWeather_;
    std::vector<TrackedWindow> lastWindows_;
    std::unique_ptr<platform::RepeatingTimer> permissionTimer_;
    std::shared_ptr<SettingsWindowController> preferences_;
    std::shared_ptr<WeatherController> weather_;
    bool terminated_ = false;
};

} // namespace garbello
