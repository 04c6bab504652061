#include "app/weather_controller.h"
#include "https_test_server.h"
#include "platform/geoclue_location.h"
#include "platform/logind_sleep_watch.h"
#include "platform/main_thread_queue.h"
#include "platform/network_reachability.h"
#include "platform/qt_clock.h"
#include "platform/serial_worker.h"
#include "qt_event_loop.h"
#include "support/log.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

const std::string kHotForecast = R"({"latitude": 38.72, "timezone": "Europe/Lisbon",
    "current": {"time": 1717232400, "temperature_2m": 31, "apparent_temperature": 33,
                "precipitation": 0, "rain": 0, "snowfall": 0, "weather_code": 0,
                "wind_speed_10m": 8},
    "daily": {"precipitation_probability_max": [0], "uv_index_max": [9]}})";

// The controller as the application assembles it, on Qt's event loop with
// worker threads, against a local server and without any D-Bus: a transfer
// the server holds back is really stopped when the place changes, and the
// answer is cached for the next launch. (Failed answers: the fakes' suite.)
TEST(WeatherControllerLiveTest, RunsOnTheEventLoopAndStopsAHeldTransfer) {
    test::ensureCoreApplication();
    ScopedLogCapture logs;
    test::TemporaryDirectory directory;
    test::HttpsTestServer server;
    server.answer("forecast", 0);

    platform::MainThreadQueue mainThread;
    platform::QtClock clock;
    platform::NetworkReachability reachability;
    const QDBusConnection noBus(QStringLiteral("no-bus"));
    platform::GeoClueLocation location("garbello", noBus);
    platform::LogindSleepWatch sleep(noBus);
    platform::SerialWorker forecasts("weather"), searches("city-search");
    WeatherNetwork network;
    network.caFile = server.caFile();
    network.origin = server.url("");
    auto controller = WeatherController::create(
        Place{"Oslo, Norway", 59.91, 10.75, "Europe/Oslo"}, directory / "weather.json",
        {clock, forecasts, searches, mainThread, location, reachability, sleep}, network);

    controller->start(true);
    ASSERT_TRUE(test::runEventLoopUntil([&] { return server.requests("forecast") == 1; }));
    EXPECT_TRUE(controller->isRefreshing());

    server.answer("forecast", 200, kHotForecast);
    const Place lisbon{"Lisbon, Portugal", 38.72, -9.14, "Europe/Lisbon"};
    controller->setPlace(lisbon);
    ASSERT_TRUE(
        test::runEventLoopUntil([&] { return controller->session().decision().has_value(); }));
    EXPECT_EQ(controller->session().decision()->outfit, Outfit::hawaiian);
    EXPECT_EQ(controller->session().cachePlace(), lisbon);
    EXPECT_EQ(readSavedWeather(directory / "weather.json")->place, lisbon);
    EXPECT_FALSE(controller->isRefreshing());

    // Without a location service the current location is refused at once.
    controller->requestCurrentLocation(true);
    EXPECT_EQ(controller->locationStatus(), "Location unavailable — choose a city");
    controller->stop();

    // A new controller resumes from what the server sent.
    controller = WeatherController::create(
        std::nullopt, directory / "weather.json",
        {clock, forecasts, searches, mainThread, location, reachability, sleep}, network);
    EXPECT_EQ(controller->session().place(), lisbon);
    EXPECT_EQ(controller->session().decision()->outfit, Outfit::hawaiian);
}

} // namespace
} // namespace garbello
