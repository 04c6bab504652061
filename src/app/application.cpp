#include "app/application.h"

#include "app/app_controller.h"
#include "app/tray.h"
#include "app/weather_controller.h"
#include "net/url.h"
#include "platform/desktop_entries.h"
#include "platform/file_manager.h"
#include "platform/front_application.h"
#include "platform/geoclue_location.h"
#include "platform/logind_sleep_watch.h"
#include "platform/main_thread_queue.h"
#include "platform/network_reachability.h"
#include "platform/portal_appearance.h"
#include "platform/qt_clock.h"
#include "platform/serial_worker.h"
#include "platform/single_instance.h"
#include "platform/theme_icons.h"
#include "platform/x11_application_icons.h"
#include "platform/x11_handles.h"
#include "platform/x11_overlay_host.h"
#include "platform/x11_space_watch.h"
#include "platform/x11_window_source.h"
#include "platform/xdg_autostart.h"
#include "settings/settings_store.h"
#include "support/log.h"
#include "support/ordered_work.h"

#include <QApplication>
#include <QPalette>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>

namespace garbello {
namespace {

// The size the tint's icon is asked for: enough to average its colours.
constexpr int kTintIconSize = 64;

// Why no X server can be used, or nothing when one answers.
std::optional<std::string> missingDisplay() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        return wayland && *wayland
                   ? "No X display (this Wayland session offers no X11 through DISPLAY)"
                   : "No X display (DISPLAY is not set)";
    }
    platform::x11::Connection connection(xcb_connect(display, nullptr));
    if (xcb_connection_has_error(connection.get()))
        return "Cannot connect to the X display \"" + std::string(display) + "\"";
    return std::nullopt;
}

// SIGTERM and SIGINT end the event loop the ordinary way, so the borders go
// at once and nothing is left behind.
class QuitOnSignals {
public:
    QuitOnSignals() {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipe_) != 0)
            return;
        writeEnd_ = pipe_[0];
        struct sigaction action {};
        action.sa_handler = [](int) {
            const char byte = 1;
            [[maybe_unused]] auto written = ::write(writeEnd_, &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : {SIGTERM, SIGINT})
            ::sigaction(signal, &action, nullptr);
        notifier_ = std::make_unique<QSocketNotifier>(pipe_[1], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            char bytes[16];
            while (::read(pipe_[1], bytes, sizeof bytes) > 0) {
            }
            QCoreApplication::quit();
        });
    }

private:
    static inline int writeEnd_ = -1;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

class EventLoopExit final : public platform::ApplicationExit {
public:
    void requestTermination() override {
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
};

// Everything the running application is made of, in the order it can be
// taken apart: controllers first, then the workers they post to, then the
// desktop connections the workers read.
struct Desktop {
    std::unique_ptr<platform::X11WindowSource> windows;
    std::unique_ptr<platform::X11WindowSource> frontWindows;
    std::unique_ptr<platform::X11OverlayHost> overlayHost;
    std::unique_ptr<platform::X11ApplicationIcons> icons;
    std::unique_ptr<platform::X11SpaceWatch> spaces;
    platform::DesktopEntries entries{platform::desktopEntryDirectories()};
    platform::ThemeIcons themeIcons;
    platform::LogindSleepWatch sleep;
    platform::PortalAppearance appearance{
        [] { return QApplication::palette().color(QPalette::Window).lightness() < 128; }};
    platform::GeoClueLocation location{"garbello"};
    platform::NetworkReachability reachability;
    platform::FreedesktopFileManager files;
    platform::XdgAutostart login;
    platform::QtClock clock;
    platform::MainThreadQueue mainThread;
    EventLoopExit exit;
    std::unique_ptr<platform::WindowListFrontApplication> front;
    SystemTray tray;

    platform::SerialWorker trackerWorker{"tracker"};
    // Rings are drawn side by side: an outfit change redraws every border.
    platform::WorkerPool renderWorkers{"renderer", workerCount(),
                                       platform::WorkerPool::Priority::background};
    platform::SerialWorker forecastWorker{"weather"};
    platform::SerialWorker searchWorker{"city-search"};
    platform::SerialWorker updateWorker{"update"};
    platform::SerialWorker stagingWorker{"staging"};

    std::string applicationName(const std::string& id) const {
        const auto* entry = entries.entry(id);
        return entry && !entry->name.empty() ? entry->name : id;
    }
};

// Where forecasts come from: Open-Meteo, unless GARBELLO_WEATHER_ORIGIN names
// a stand-in on this machine (the demo and the end-to-end runs serve one),
// trusted through GARBELLO_WEATHER_CA_FILE. Nothing else may be named, so the
// variable can never send the user's place to another host.
WeatherNetwork weatherNetwork() {
    WeatherNetwork network;
    const char* origin = std::getenv("GARBELLO_WEATHER_ORIGIN");
    if (!origin || !*origin)
        return network;
    if (!isLoopbackHttpsOrigin(origin)) {
        log::weather.error("Ignoring GARBELLO_WEATHER_ORIGIN: only https://127.0.0.1:PORT, "
                           "https://localhost:PORT or https://[::1]:PORT can stand in for "
                           "Open-Meteo");
        return network;
    }
    network.origin = origin;
    if (const char* caFile = std::getenv("GARBELLO_WEATHER_CA_FILE"); caFile && *caFile)
        network.caFile = caFile;
    return network;
}

std::shared_ptr<AppController> makeController(Desktop& d) {
    AppParts parts;
    parts.tracker =
        WindowTracker::create(*d.windows, *d.windows, d.clock, d.trackerWorker, d.mainThread);
    parts.overlays =
        OverlayController::create(*d.overlayHost, *d.icons, d.clock, d.renderWorkers, d.mainThread);
    parts.updater = UpdateController::create(UpdateController::Services{
        d.clock, d.updateWorker, d.stagingWorker, d.mainThread, *d.front, d.files, d.exit});
    // The environment is read once, at start-up.
    parts.makeWeather = [&d, network = weatherNetwork()](std::optional<Place> place,
                                                         std::filesystem::path cacheFile) {
        return WeatherController::create(std::move(place), std::move(cacheFile),
                                         WeatherPlatform{d.clock, d.forecastWorker, d.searchWorker,
                                                         d.mainThread, d.location, d.reachability,
                                                         d.sleep},
                                         network);
    };
    AppServices services{d.clock,
                         d.mainThread,
                         d.tray,
                         *d.spaces,
                         d.sleep,
                         d.appearance,
                         d.login,
                         *d.icons,
                         [&d](const std::string& id) { return d.applicationName(id); },
                         [] { QCoreApplication::quit(); }};
    return AppController::create(SettingsStore::defaultPath(), std::move(services),
                                 std::move(parts));
}

} // namespace

int runApplication(const std::vector<std::string>& arguments) {
    if (auto reason = missingDisplay()) {
        std::fprintf(stderr, "Garbello: %s; the desktop application needs X11\n", reason->c_str());
        return 1;
    }
    const bool launchedAtLogin = platform::XdgAutostart::takeLoginLaunchMark();
    // The display was checked above; Qt must not pick Wayland behind it.
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "garbello";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Garbello"));
    QApplication::setDesktopFileName(QStringLiteral("garbello"));
    // An accessory application: closing the settings window quits nothing.
    QApplication::setQuitOnLastWindowClosed(false);

    auto instance = platform::SingleInstance::claim(platform::SingleInstance::runtimeFolder());
    if (!instance)
        return 0;
    QuitOnSignals quitOnSignals;

    Desktop desktop;
    desktop.windows = platform::X11WindowSource::open("");
    desktop.frontWindows = platform::X11WindowSource::open("");
    if (desktop.windows)
        desktop.overlayHost = platform::X11OverlayHost::open("", *desktop.windows);
    desktop.icons = platform::X11ApplicationIcons::open("", [&desktop](const std::string& id) {
        const auto* entry = desktop.entries.entry(id);
        return entry && !entry->icon.empty()
                   ? desktop.themeIcons.themeIcon(entry->icon, kTintIconSize)
                   : std::nullopt;
    });
    desktop.spaces = platform::X11SpaceWatch::open("");
    if (!desktop.windows || !desktop.frontWindows || !desktop.overlayHost || !desktop.icons ||
        !desktop.spaces) {
        std::fputs("Garbello: The X display went away while starting\n", stderr);
        return 1;
    }
    desktop.front = std::make_unique<platform::WindowListFrontApplication>(*desktop.frontWindows,
                                                                           *desktop.frontWindows);

    auto controller = makeController(desktop);
    instance->onReopen = [weak = std::weak_ptr(controller)] {
        if (auto self = weak.lock())
            self->reopen();
    };
    QObject::connect(&application, &QCoreApplication::aboutToQuit,
                     [&controller] { controller->terminate(); });
    controller->launch(launchedAtLogin, arguments);
    const int status = QApplication::exec();
    controller.reset();
    return status;
}

} // namespace garbello
