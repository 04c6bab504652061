#include "app/settings_preview.h"

#include "support/atomic_file.h"
#include "support/log.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImageWriter>

#include <cstdio>
#include <map>

namespace garbello {
namespace {

constexpr int kFixtureIconSize = 64;

const char* const kDemoManifest = R"({
  "version": "0.4.0",
  "build": 4,
  "minimum_macos": "13.0",
  "dmg_url": "https://releases.garbello.app/garbello/Garbello-0.4.0.tar.gz",
  "byte_size": 100,
  "sha256": "0000000000000000000000000000000000000000000000000000000000000000",
  "release_notes": "Warmer knits for cold mornings, and borders that keep up with windows while they move.",
  "published": "2026-05-01T09:00:00Z"
})";

void logQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    // The headless tools print only what they promise; Qt's chatter (no
    // runtime directory, missing fonts) belongs in the log.
    const std::string text = "Qt: " + message.toStdString();
    if (type == QtCriticalMsg || type == QtFatalMsg)
        log::settings.error(text);
    else
        log::settings.debug(text);
}

} // namespace

SettingsWindowController::RenderError::RenderError(Kind kind, const std::string& message)
    : Error([&] {
          switch (kind) {
          case Kind::interaction:
              return "Configuration check failed: " + message;
          case Kind::invalidScreen:
              return std::string("Unknown configuration screen or preview scenario.");
          case Kind::bitmap:
              return std::string("The offscreen view could not create a bitmap.");
          case Kind::encoding:
              return std::string("The offscreen view could not encode a PNG.");
          }
          return std::string();
      }()),
      kind_(kind) {}

std::vector<FixtureApplication> fixtureApplications(bool overflow) {
    std::vector<FixtureApplication> apps = {
        {"com.apple.Safari", "Safari", {"web-browser", "internet-web-browser"}},
        {"com.apple.mail", "Mail", {"internet-mail", "mail-unread", "mail-send-receive"}},
        {"com.apple.Notes", "Notes", {"accessories-text-editor", "text-editor"}},
        {"com.apple.finder", "Finder", {"system-file-manager", "folder"}},
        {"com.apple.Terminal", "Terminal", {"utilities-terminal", "terminal"}},
        {"com.apple.iCal", "Calendar", {"x-office-calendar", "office-calendar"}},
    };
    if (overflow) {
        apps.push_back({"com.example.busy-workspace",
                        "An App with a Very Long Name for a Busy Workspace",
                        {"applications-other"}});
        apps.push_back({"com.apple.calculator", "Calculator", {"accessories-calculator"}});
        apps.push_back({"com.apple.Photos", "Photos", {"camera-photo"}});
        apps.push_back({"com.apple.Preview", "Preview", {"image-x-generic"}});
        apps.push_back({"com.apple.Help", "Tips", {"help-browser"}});
        apps.push_back({"com.apple.CharacterPalette", "Characters", {"accessories-character-map"}});
    }
    return apps;
}

void ensureOffscreenApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 3;
    static char name[] = "garbello";
    static char platformOption[] = "-platform";
    static char offscreen[] = "offscreen";
    static char* argv[] = {name, platformOption, offscreen, nullptr};
    qInstallMessageHandler(logQtMessage);
    // Lives until the process ends, as the headless run it serves does.
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
}

// The fixture applications' icons, from the installed icon theme.
class SettingsPreview::FixtureIcons final : public platform::ApplicationIcons {
public:
    std::optional<Image> icon(std::int32_t, const std::string& identifier, std::uint32_t) override {
        for (const auto& app : fixtureApplications(true))
            if (app.identifier == identifier)
                for (const auto& name : app.iconNames)
                    if (auto image = theme_.themeIcon(name, kFixtureIconSize))
                        return image;
        return std::nullopt;
    }

private:
    platform::ThemeIcons theme_;
};

GarbelloSettings SettingsPreview::demoSettings() {
    GarbelloSettings settings;
    settings.place = Place{"Portland, Oregon \u00B7 Demo", 45.52, -122.68, "America/Los_Angeles"};
    settings.setPreferredVariant(ClothVariant::classic, Outfit::sweater);
    settings.setVariant(ClothVariant::second, "com.apple.mail", Outfit::sweater);
    return settings;
}

SettingsPreview::SettingsPreview(std::string_view scenario, bool dark)
    : icons_(std::make_unique<FixtureIcons>()) {
    if (std::find(kPreviewScenarios.begin(), kPreviewScenarios.end(), scenario) ==
        kPreviewScenarios.end())
        throw SettingsWindowController::RenderError(
            SettingsWindowController::RenderError::Kind::invalidScreen);
    ensureOffscreenApplication();
    GarbelloSettings settings = demoSettings();
    std::string summary = kDemoSummary;
    bool granted = false;
    std::string login = "On";
    if (scenario == "granted") {
        granted = true;
    } else if (scenario == "empty") {
        settings.place.reset();
        summary = "No location chosen yet.\nChoose a city or a manual outfit to get started.";
    } else if (scenario == "denied") {
        settings.place.reset();
        summary = "Location access is off. Choose a city instead.\n"
                  "Manual outfits work without location access.";
    } else if (scenario == "manual") {
        settings.manualOutfit = Outfit::hawaiian;
        settings.setPreferredVariant(ClothVariant::second, Outfit::hawaiian);
    } else if (scenario == "off") {
        login = "Off";
    } else if (scenario == "approval") {
        login = "Approval needed in System Settings";
    } else if (scenario == "failure") {
        summary = "14°C · Feels like 12°C · Demo forecast\n"
                  "Last updated today at 9:30 AM\n"
                  "Sweater · Cool and dry\n"
                  "Weather unavailable. The forecast service could not be reached.\n"
                  "Keeping the last good outfit. Try Refresh to check again.";
    } else if (scenario == "overflow") {
        overflow_ = true;
    } else if (scenario == "shared") {
        settings.sameForAllApps = true;
    }

    window_ = SettingsWindowController::create(
        settings, true,
        {mainThread_,
         *icons_,
         [this] {
             std::vector<RunningApplicationInfo> running;
             for (const auto& app : fixtureApplications(overflow_))
                 running.push_back({app.identifier, app.name, 0, 0});
             return running;
         },
         {}});
    SettingsWindowController& w = *window_;
    w.setDarkAppearance(dark);
    w.sampleDark_ = dark;
    if (settings.manualOutfit)
        w.browsingOutfit_ = *settings.manualOutfit;
    if (scenario == "results") {
        w.cityInput_ = "Portland";
        w.cityResults_ = {
            {"Portland, Oregon \u00B7 Demo", 45.52, -122.68, "America/Los_Angeles"},
            {"Portland, Maine \u00B7 Demo", 43.66, -70.26, "America/New_York"},
            {"Portland, Victoria \u00B7 Demo", -38.34, 141.60, "Australia/Melbourne"},
        };
        w.searchMessage_ = "Choose your city.";
    }
    w.update(settings, summary, granted, login);
    w.rebuild();
}

SettingsPreview::~SettingsPreview() = default;

void SettingsPreview::showStep(SetupStep step) {
    window_->setup_ = step;
    window_->rebuild();
}

void SettingsPreview::runMainLoop(double seconds) {
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (timer.elapsed() < static_cast<qint64>(seconds * 1000));
}

// ---- offscreen renders

namespace {

std::optional<int> stepNumber(std::string_view text) {
    if (text.size() != 1 || text[0] < '1' || text[0] > '6')
        return std::nullopt;
    return text[0] - '1';
}

std::optional<SettingsPane> paneNamed(std::string_view name) {
    for (SettingsPane pane : kSettingsPanes)
        if (rawValue(pane) == name)
            return pane;
    return std::nullopt;
}

} // namespace

void SettingsWindowController::renderScreen(const std::string& screen, bool dark,
                                            const std::filesystem::path& output) {
    using Kind = RenderError::Kind;
    const auto colon = screen.find(':');
    const std::string name = screen.substr(0, colon);
    const std::string scenario = colon == std::string::npos ? "default" : screen.substr(colon + 1);
    std::optional<SettingsPane> pane;
    std::optional<int> step;
    if (name.starts_with("settings-"))
        pane = paneNamed(std::string_view(name).substr(9));
    else if (name.starts_with("setup-"))
        step = stepNumber(std::string_view(name).substr(6));
    else if (name == "update-prompt")
        pane = SettingsPane::updates;
    if (!pane && !step)
        throw RenderError(Kind::invalidScreen);

    SettingsPreview preview(scenario, dark);
    SettingsWindowController& window = preview.window();
    if (name == "update-prompt")
        window.setUpdateState({UpdateRelease::parse(kDemoManifest),
                               "Ready when you are. Garbello will restart to finish.", std::nullopt,
                               false, false});
    if (pane)
        window.showPane(*pane);
    else
        preview.showStep(static_cast<SetupStep>(*step));

    const QImage image = window.renderCanvas();
    if (image.isNull())
        throw RenderError(Kind::bitmap);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        throw RenderError(Kind::encoding);
    writeFileAtomically(output, std::string_view(bytes.constData(), bytes.size()));
    std::fprintf(stderr, "[settings-ui] Rendered %s\n", output.c_str());
    std::fflush(stderr);
}

std::vector<std::filesystem::path>
SettingsWindowController::renderSheets(const std::filesystem::path& directory) {
    createDirectories(directory);
    std::vector<std::string> screens;
    for (SettingsPane pane : kSettingsPanes)
        screens.push_back("settings-" + std::string(rawValue(pane)));
    for (int step = 1; step <= kSetupStepCount; ++step)
        screens.push_back("setup-" + std::to_string(step));
    std::vector<std::filesystem::path> written;
    for (bool dark : {false, true})
        for (const auto& screen : screens) {
            const auto file = directory / (screen + (dark ? "-dark" : "-light") + ".png");
            renderScreen(screen, dark, file);
            written.push_back(file);
        }
    return written;
}

} // namespace garbello
