#include "app/app_controller.h"

#include "model/outfit_rules.h"
#include "support/log.h"
#include "update/launch_receipt.h"
#include "weather/weather_cache.h"

#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>

#include <ctime>

namespace garbello {
namespace {

constexpr const char* kNoOutfitToolTip = "Choose an outfit";
constexpr const char* kNoOutfitMenuLine = "Choose your first outfit";

// The fetch time as the summary shows it: an abbreviated date and a
// shortened time, in the local time zone ("Dec 7, 2026 at 3:45 PM").
std::string formattedFetchTime(Date date) {
    const std::time_t time = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    localtime_r(&time, &local);
    char text[64];
    std::strftime(text, sizeof text, "%b %-d, %Y at %-I:%M %p", &local);
    return text;
}

} // namespace

std::shared_ptr<AppController> AppController::create(std::filesystem::path settingsFile,
                                                     AppServices services, AppParts parts) {
    return std::shared_ptr<AppController>(
        new AppController(std::move(settingsFile), std::move(services), std::move(parts)));
}

AppController::AppController(std::filesystem::path settingsFile, AppServices services,
                             AppParts parts)
    : services_(std::move(services)), store_(std::move(settingsFile)), settings_(store_.load()),
      tracker_(std::move(parts.tracker)), overlays_(std::move(parts.overlays)),
      updater_(std::move(parts.updater)), makeWeather_(std::move(parts.makeWeather)) {}

AppController::~AppController() {
    terminate();
}

std::function<void()> AppController::weakly(void (AppController::*action)()) {
    return [weak = weak_from_this(), action] {
        if (auto self = weak.lock())
            ((*self).*action)();
    };
}

void AppController::launch(bool launchedAtLogin, const std::vector<std::string>& arguments) {
    services_.statusItem.watchMenuOpening(weakly(&AppController::rebuildMenu));
    configurePreferences();
    startUpdates();
    startWeather();

    std::weak_ptr<AppController> weak = weak_from_this();
    tracker_->onWindows = [weak](std::vector<TrackedWindow> windows) {
        if (auto self = weak.lock()) {
            self->lastWindows_ = std::move(windows);
            self->overlays_->update(self->lastWindows_);
            self->tracker_->setOwnWindows(self->overlays_->overlayIDs());
        }
    };
    watchDesktop();

    rebuildMenu();
    updateOutfit();
    weather_->start(true);
    tracker_->start();
    permissionTimer_ = services_.clock.repeat(kPreferencesRefreshInterval,
                                              weakly(&AppController::updatePreferences));

    const auto presentation =
        StartupPresentation::choose(settings_.onboardingCompleted, launchedAtLogin);
    present(presentation);
    log::application.debug("Startup presentation: " + std::string(presentation.rawValue()));
    writeLaunchReceipt(arguments);
    log::application.info("Garbello started; window titles and content are never collected");
}

void AppController::configurePreferences() {
    std::weak_ptr<AppController> weak = weak_from_this();
    SettingsWindowController::Services windowServices{
        services_.mainThread, services_.icons,
        [weak] {
            auto self = weak.lock();
            return self ? self->runningApplications() : std::vector<RunningApplicationInfo>{};
        },
        services_.applicationName};
    preferences_ = SettingsWindowController::create(settings_, false, std::move(windowServices));
    auto& window = *preferences_;

    window.onSettingsChange = [weak](const GarbelloSettings& changed) {
        if (auto self = weak.lock()) {
            self->settings_ = changed;
            self->updater_->preferences = changed.updaterV1;
            self->saveSettings();
        }
    };
    window.onCitySearch = [weak](const std::string& query,
                                 SettingsWindowController::CitySearchCompletion completion) {
        auto self = weak.lock();
        if (!self || !self->weather_)
            return;
        self->weather_->findCities(query, [completion](CitySearchResult result) {
            if (result.error)
                return completion({}, result.errorText());
            std::optional<std::string> message;
            if (result.places.empty())
                message = "No cities found. Try a nearby city.";
            completion(std::move(result.places), std::move(message));
        });
    };
    window.onPlace = [weak](const Place& place) {
        if (auto self = weak.lock(); self && self->weather_)
            self->weather_->setPlace(place);
    };
    window.onCurrentLocation = [weak] {
        if (auto self = weak.lock(); self && self->weather_)
            self->weather_->requestCurrentLocation(!self->settings_.askedForLocation);
    };
    window.onRefresh = [weak] {
        if (auto self = weak.lock(); self && self->weather_)
            self->weather_->refresh(true);
    };
    // The window manager, not a settings page, decides whether window states
    // can be trusted; the best the button can do is look again at once.
    window.onAccessibility = [weak] {
        if (auto self = weak.lock())
            self->tracker_->start();
    };
    window.onLogin = weakly(&AppController::toggleLogin);
    window.onCheckUpdates = [weak] {
        if (auto self = weak.lock())
            self->updater_->check(true);
    };
    window.onInstallUpdate = [weak] {
        if (auto self = weak.lock())
            self->updater_->install();
    };
    window.onSkipUpdate = [weak] {
        if (auto self = weak.lock())
            self->updater_->skip();
    };
    window.onOpenDownload = [weak] {
        if (auto self = weak.lock(); self && self->updater_->release() && !self->updater_->busy())
            self->updater_->openDownload();
    };
    window.onQuit = services_.quit;

    // The menu's keys, for while the settings window has the focus.
    auto* settingsKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+,")), window.window());
    QObject::connect(settingsKey, &QShortcut::activated, window.window(),
                     weakly(&AppController::reopen));
    auto* quitKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Q")), window.window());
    QObject::connect(quitKey, &QShortcut::activated, window.window(), services_.quit);
}

void AppController::startUpdates() {
    std::weak_ptr<AppController> weak = weak_from_this();
    updater_->preferences = settings_.updaterV1;
    updater_->onPreferences = [weak](const UpdatePreferences& preferences) {
        if (auto self = weak.lock()) {
            self->settings_.updaterV1 = preferences;
            self->saveSettings();
        }
    };
    updater_->onChange = weakly(&AppController::updatePreferences);
    updater_->start();
}

void AppController::startWeather() {
    std::weak_ptr<AppController> weak = weak_from_this();
    weather_ = makeWeather_(settings_.place, weatherCachePathBeside(store_.path()));
    weather_->onChange = weakly(&AppController::updateOutfit);
    weather_->onPlace = [weak](const Place& place) {
        if (auto self = weak.lock()) {
            self->settings_.place = place;
            self->saveSettings();
        }
    };
    weather_->onAskedForLocation = [weak] {
        if (auto self = weak.lock()) {
            self->settings_.askedForLocation = true;
            self->saveSettings();
        }
    };
}

void AppController::watchDesktop() {
    // Borders of windows that just left the screen would linger until the
    // next pass; the pass brings back those still to be dressed.
    services_.spaces.watchSwitches([weak = weak_from_this()] {
        if (auto self = weak.lock())
            self->overlays_->hideAll();
    });
    services_.sleep.watchSleep([weak = weak_from_this()] {
        if (auto self = weak.lock())
            self->overlays_->hideAll();
    });
    tracker_->onApplicationsChanged = [weak = weak_from_this()] {
        if (auto self = weak.lock())
            self->preferences_->refreshApplications();
    };
    const auto applyAppearance = [weak = weak_from_this()](bool dark) {
        if (auto self = weak.lock()) {
            self->overlays_->dark = dark;
            self->preferences_->setDarkAppearance(dark);
            self->overlays_->update(self->lastWindows_);
        }
    };
    applyAppearance(services_.appearance.dark());
    services_.appearance.watchChanges(applyAppearance);
}

void AppController::present(StartupPresentation presentation) {
    if (presentation == StartupPresentation::setup)
        preferences_->showOnboarding();
    else if (presentation == StartupPresentation::settings)
        preferences_->showSettings();
}

void AppController::reopen() {
    updatePreferences();
    preferences_->showSettings();
}

void AppController::terminate() {
    if (terminated_)
        return;
    terminated_ = true;
    if (updater_)
        updater_->stop();
    permissionTimer_.reset();
    if (tracker_)
        tracker_->stop();
    if (weather_)
        weather_->stop();
    if (overlays_)
        overlays_->hideAll();
    services_.spaces.watchSwitches({});
    services_.sleep.watchSleep({});
    services_.appearance.watchChanges({});
    services_.statusItem.watchMenuOpening({});
}

std::string AppController::toolTip(bool paused, std::optional<Outfit> outfit) {
    if (paused)
        return "Garbello \u2014 paused";
    return "Garbello \u2014 " + (outfit ? std::string(outfit->title()) : kNoOutfitToolTip);
}

void AppController::updateOutfit() {
    overlays_->settings = settings_;
    std::optional<Outfit> outfit = settings_.manualOutfit;
    if (!outfit && weather_ && weather_->session().decision())
        outfit = weather_->session().decision()->outfit;
    overlays_->outfit = outfit;
    overlays_->update(lastWindows_);
    services_.statusItem.setToolTip(toolTip(settings_.paused, outfit));
    // Not every tray host says when the menu opens; keep it current anyway.
    rebuildMenu();
    updatePreferences();
}

void AppController::saveSettings() {
    try {
        store_.save(settings_);
    } catch (const Error& error) {
        showMessage("Settings could not be saved", error.description());
    }
    updateOutfit();
    log::application.debug("Applied garbello settings");
}

std::string AppController::weatherSummary(const GarbelloSettings& settings,
                                          const WeatherController* weather, Date now) {
    std::vector<std::string> lines;
    const WeatherSession* session = weather ? &weather->session() : nullptr;
    const auto& cache = session ? session->cache() : std::nullopt;
    if (!cache) {
        lines.push_back("Choose a city or use your location for the forecast.");
    } else {
        const auto& unit = settings.temperatureUnit;
        lines.push_back(unit.display(cache->snapshot.temperature) + " \u00B7 feels like " +
                        unit.display(cache->snapshot.apparentTemperature));
        lines.push_back("Updated " + formattedFetchTime(cache->fetchedAt));
        if (std::chrono::duration<double>(now - cache->fetchedAt).count() > kStaleWeatherAge)
            lines.push_back("Weather is older than 45 minutes. Keeping the last outfit.");
        if (session->place() != session->cachePlace()) {
            const auto& from = session->cachePlace();
            lines.push_back("Last weather is from " +
                            (from && !from->name.empty() ? from->name : "the previous location") +
                            ".");
        }
    }
    if (settings.manualOutfit) {
        lines.push_back(std::string(settings.manualOutfit->title()) +
                        " \u00B7 You chose this outfit");
    } else if (cache) {
        const auto decision = OutfitRules::choose(cache->snapshot, cache->fetchedAt, std::nullopt,
                                                  settings.temperatureUnit);
        lines.push_back(std::string(decision.outfit.title()) + " \u00B7 " + decision.reason);
    }
    if (weather && weather->isRefreshing())
        lines.push_back("Refreshing weather\u2026");
    if (session && session->failure())
        lines.push_back("Weather unavailable. " + *session->failure());
    if (weather && weather->locationStatus())
        lines.push_back(*weather->locationStatus());

    std::string summary;
    for (const auto& line : lines)
        summary += (summary.empty() ? "" : "\n") + line;
    return summary;
}

void AppController::updatePreferences() {
    if (!preferences_ || terminated_)
        return;
    const std::string summary = weatherSummary(settings_, weather_.get(), services_.now());
    const std::string loginStatus = services_.login.enabled() ? "On" : "Off";
    preferences_->setUpdateState({updater_->release(), updater_->status(), updater_->progress(),
                                  updater_->busy(), updater_->canOpenDownload()});
    preferences_->update(settings_, summary, tracker_->statesTrusted(), loginStatus);
}

void AppController::rebuildMenu() {
    const auto& outfit = overlays_->outfit;
    const std::string status = settings_.paused ? "Outfits paused"
                               : outfit         ? std::string(outfit->title())
                                                : kNoOutfitMenuLine;
    std::weak_ptr<AppController> weak = weak_from_this();
    services_.statusItem.setMenu({
        {status, "", nullptr},
        {},
        {"Settings\u2026", ",", weakly(&AppController::reopen)},
        {"Check for Updates...", "", weakly(&AppController::checkUpdates)},
        {"Guided setup\u2026", "",
         [weak] {
             if (auto self = weak.lock()) {
                 self->updatePreferences();
                 self->preferences_->showOnboarding();
             }
         }},
        {settings_.paused ? "Resume outfits" : "Pause outfits", "",
         weakly(&AppController::togglePause)},
        {},
        {"Quit Garbello", "q", services_.quit},
    });
}

void AppController::checkUpdates() {
    updater_->check(true);
    preferences_->showSettings(SettingsPane::updates);
}

void AppController::togglePause() {
    settings_.paused = !settings_.paused;
    saveSettings();
}

void AppController::toggleLogin() {
    try {
        services_.login.setEnabled(!services_.login.enabled());
    } catch (const Error& error) {
        showMessage("Launch at login could not be changed", error.description());
        return;
    }
    updatePreferences();
}

void AppController::showMessage(const std::string& title, const std::string& detail) {
    log::application.error(title + ": " + detail);
    QWidget* window = preferences_ ? preferences_->window() : nullptr;
    if (!window)
        return;
    auto* alert = new QMessageBox(QMessageBox::Warning, QString::fromStdString(title),
                                  QString::fromStdString(title), QMessageBox::Ok, window);
    alert->setInformativeText(QString::fromStdString(detail));
    alert->setWindowModality(Qt::WindowModal);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}

std::vector<RunningApplicationInfo> AppController::runningApplications() const {
    std::vector<RunningApplicationInfo> running;
    for (const auto& application : tracker_->applications())
        running.push_back({application.id, services_.applicationName(application.id),
                           application.processID, application.windowID});
    return running;
}

} // namespace garbello
