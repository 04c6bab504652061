#include "app/weather_controller.h"
#include "https_test_server.h"
#include "platform/fake_clock.h"
#include "platform/fake_location.h"
#include "platform/fake_reachability.h"
#include "platform/fake_task_queue.h"
#include "support/log.h"
#include "temporary_directory.h"
#include "weather/open_meteo.h"

#include <gtest/gtest.h>

#include <deque>

namespace garbello {
namespace {

using platform::LocationAuthorization;
using platform::LocationFix;

const Place kOslo{"Oslo, Norway", 59.91, 10.75, "Europe/Oslo"};
const Place kLisbon{"Lisbon, Portugal", 38.72, -9.14, "Europe/Lisbon"};
const Place kRome{"Rome, Italy", 41.89, 12.48, "Europe/Rome"};
const Date kNow = Date(std::chrono::seconds(1717236000));

// A valid forecast; `code` and `temperature` tell answers apart.
std::string forecast(int code = 61, double temperature = 18.5) {
    Json body = Json::parse(R"({
        "latitude": 52.52, "timezone": "Europe/Berlin",
        "current": {"time": 1717232400, "temperature_2m": 0, "apparent_temperature": 17.25,
                    "precipitation": 0, "rain": 0, "snowfall": 0, "weather_code": 0,
                    "wind_speed_10m": 12.5},
        "daily": {"precipitation_probability_max": [40], "uv_index_max": [5.35]}})");
    body["current"]["weather_code"] = code;
    body["current"]["temperature_2m"] = temperature;
    return body.dump();
}

const std::string kBerlinSearch =
    R"({"results": [{"name": "Berlin", "latitude": 52.52, "longitude": 13.41,
                     "timezone": "Europe/Berlin", "country": "Germany"}]})";

struct Answer {
    long status = 200;
    std::string body = forecast();
    // Thrown instead of answering, as a transfer failure.
    std::optional<std::string> transferError;

    Answer() = default;
    Answer(long status, std::string body) : status(status), body(std::move(body)) {}
    static Answer failed(std::string text) {
        Answer answer;
        answer.transferError = std::move(text);
        return answer;
    }
};

// A controller on fakes, with a transport that answers from a script and a
// log of what its owner heard.
struct Rig {
    test::TemporaryDirectory directory;
    platform::FakeClock clock;
    platform::FakeTaskQueue forecastWorker, searchWorker, mainThread;
    platform::FakeLocationService location;
    platform::FakeReachability reachability;
    platform::FakeSleepWatch sleep;
    ScopedLogCapture logs;
    std::deque<Answer> answers;
    std::vector<HttpRequest> requests;
    std::vector<std::string> events;
    std::shared_ptr<WeatherController> controller;

    // With `server`, requests go to it for real; else the script answers.
    const test::HttpsTestServer* server = nullptr;

    explicit Rig(std::optional<Place> place = kOslo, const test::HttpsTestServer* server = nullptr)
        : server(server) {
        make(std::move(place));
    }

    void make(std::optional<Place> place) {
        WeatherNetwork network;
        if (server) {
            network.caFile = server->caFile();
            network.origin = server->url("");
        }
        network.get = [this](const HttpRequest& request) {
            if (server) {
                requests.push_back(request);
                return httpGet(request);
            }
            requests.push_back(request);
            if (request.stop.stop_requested())
                throw HttpError(HttpError::Kind::cancelled, "The request was cancelled");
            Answer answer;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            if (answer.transferError)
                throw HttpError(HttpError::Kind::transfer, *answer.transferError);
            return HttpResponse{answer.status, request.url, answer.body, {}};
        };
        network.now = [] { return kNow; };
        controller = WeatherController::create(
            std::move(place), directory / "weather.json",
            {clock, forecastWorker, searchWorker, mainThread, location, reachability, sleep},
            network);
        controller->onChange = [this] { events.push_back("change"); };
        controller->onPlace = [this](const Place& p) { events.push_back("place " + p.name); };
        controller->onAskedForLocation = [this] { events.push_back("asked"); };
        location.onAuthorizationRequest = [this] { events.push_back("prompt"); };
    }

    void settle() {
        while (forecastWorker.pending() + searchWorker.pending() + mainThread.pending() > 0) {
            forecastWorker.runAll();
            searchWorker.runAll();
            mainThread.runAll();
        }
    }
    std::size_t forecastRequests() const {
        return std::count_if(requests.begin(), requests.end(), [](const HttpRequest& r) {
            return r.url.find("/v1/forecast") != std::string::npos;
        });
    }
    const WeatherSession& session() const { return controller->session(); }
};

TEST(WeatherControllerTest, RefreshesOnTimerWakeAndNetworkReturnButNeverTwiceAtOnce) {
    enum Step { tick, wake, online, offline, settle };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::size_t newRequests;
    } cases[] = {
        {"timer and wake together", {tick, wake, settle}, 1},
        {"timer, answer, then wake", {tick, settle, wake, settle}, 2},
        {"half an hour passes", {tick, settle, tick, settle}, 2},
        {"first report, satisfied", {online, settle}, 0},
        {"unsatisfied, then satisfied", {offline, online, settle}, 1},
        {"satisfied, then satisfied", {online, online, settle}, 1},
        {"satisfied, then unsatisfied", {online, offline, settle}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.controller->start(true);
        rig.settle();
        ASSERT_EQ(rig.forecastRequests(), 1u);
        for (Step step : c.steps) {
            switch (step) {
            case tick:
                rig.clock.advance(WeatherController::kRefreshInterval);
                break;
            case wake:
                rig.sleep.wake();
                break;
            case online:
                rig.reachability.report(true);
                break;
            case offline:
                rig.reachability.report(false);
                break;
            case settle:
                rig.settle();
                break;
            }
        }
        EXPECT_EQ(rig.forecastRequests() - 1, c.newRequests);
    }
}

TEST(WeatherControllerTest, RequestsCarryTheClientsHeaderAndTimeOuts) {
    Rig rig;
    rig.controller->start(true);
    rig.settle();
    ASSERT_EQ(rig.requests.size(), 1u);
    const HttpRequest& request = rig.requests[0];
    EXPECT_EQ(request.url, OpenMeteo::forecastURL(kOslo));
    EXPECT_EQ(request.headers, std::vector<std::string>{"User-Agent: Garbello/0.1.0"});
    EXPECT_EQ(request.requestTimeout, std::chrono::seconds(20));
    EXPECT_EQ(request.resourceTimeout, std::chrono::seconds(30));
}

TEST(WeatherControllerTest, AnAcceptedForecastIsWornCachedAndReloaded) {
    Rig rig;
    rig.answers = {{200, forecast(0, 31)}};
    rig.controller->start(true);
    EXPECT_TRUE(rig.controller->isRefreshing());
    rig.settle();
    EXPECT_FALSE(rig.controller->isRefreshing());
    ASSERT_TRUE(rig.session().decision());
    EXPECT_EQ(rig.session().decision()->outfit, Outfit::hawaiian);
    EXPECT_EQ(rig.session().cache()->fetchedAt, kNow);
    EXPECT_EQ(rig.events, (std::vector<std::string>{"change", "change"}));
    EXPECT_EQ(rig.logs.sink().records("weather"),
              (std::vector<LogRecord>{{"weather", LogLevel::info, "Refreshing Open-Meteo weather"},
                                      {"weather", LogLevel::info, "Weather refresh succeeded"}}));

    // A new controller without a settings place resumes the saved one.
    rig.make(std::nullopt);
    EXPECT_EQ(rig.session().place(), kOslo);
    EXPECT_EQ(rig.session().decision()->outfit, Outfit::hawaiian);
}

TEST(WeatherControllerTest, AFailedRefreshShowsItsTextKeepsTheOutfitAndDoesNotRetry) {
    struct Case {
        const char* name;
        Answer answer;
        std::string failure;
    } cases[] = {
        {"server error",
         {500, forecast()},
         "Open-Meteo returned an unavailable or invalid response"},
        {"empty body", {200, ""}, "Open-Meteo returned an unavailable or invalid response"},
        {"implausible", {200, forecast(4)}, "Open-Meteo returned incomplete or invalid weather."},
        {"no network", Answer::failed("Could not resolve host"), "Could not resolve host"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.answers = {{200, forecast(71, -3)}, c.answer};
        rig.controller->start(true);
        rig.settle();
        rig.sleep.wake();
        rig.logs.sink().clear();
        rig.events.clear();
        rig.settle();
        EXPECT_EQ(rig.session().failure(), c.failure);
        EXPECT_EQ(rig.session().decision()->outfit, Outfit::snowGear);
        EXPECT_FALSE(rig.controller->isRefreshing());
        EXPECT_EQ(rig.events, std::vector<std::string>{"change"});
        EXPECT_EQ(rig.logs.sink().records("weather"),
                  (std::vector<LogRecord>{{"weather", LogLevel::error,
                                           "Weather refresh failed; retaining last good outfit"}}));
        rig.clock.advance(WeatherController::kRefreshInterval - 1);
        rig.settle();
        EXPECT_EQ(rig.forecastRequests(), 2u);
    }
}

TEST(WeatherControllerTest, ACacheWriteFailureIsLoggedAndTheForecastStillCounts) {
    Rig rig;
    // A directory where the file should be makes every write fail.
    std::filesystem::create_directories(rig.directory / "weather.json" / "x");
    rig.controller->start(true);
    rig.settle();
    EXPECT_TRUE(rig.session().decision());
    const auto lines = rig.logs.sink().records("weather");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].level, LogLevel::error);
    EXPECT_EQ(lines[1].message.rfind("Weather cache write failed: ", 0), 0u) << lines[1].message;
    EXPECT_EQ(lines[2].message, "Weather refresh succeeded");
}

TEST(WeatherControllerTest, FetchesFromARealServerAndKeepsTheLastOutfitThroughBadAnswers) {
    test::HttpsTestServer server;
    server.answer("forecast", 200, forecast(0, 31));
    Rig rig(kOslo, &server);
    rig.controller->start(true);
    rig.settle();
    ASSERT_EQ(rig.session().failure(), std::nullopt);
    EXPECT_EQ(rig.session().decision()->outfit, Outfit::hawaiian);

    struct Case {
        int status;
        std::string body, failure;
    } cases[] = {
        {500, forecast(71, -3), "Open-Meteo returned an unavailable or invalid response"},
        {200, "<html>busy</html>", ""},
    };
    for (const auto& c : cases) {
        server.answer("forecast", c.status, c.body);
        rig.sleep.wake();
        rig.settle();
        ASSERT_TRUE(rig.session().failure());
        // A garbage body fails with the decoder's own text.
        if (!c.failure.empty()) {
            EXPECT_EQ(rig.session().failure(), c.failure);
        }
        EXPECT_EQ(rig.session().decision()->outfit, Outfit::hawaiian);
    }
    // What the new controller reads is what the server sent first.
    rig.make(std::nullopt);
    EXPECT_EQ(rig.session().decision()->outfit, Outfit::hawaiian);
    EXPECT_EQ(rig.session().cache()->snapshot.temperature, 31);
    EXPECT_EQ(rig.forecastRequests(), 3u);
}

// Answers to requests the place has moved on from change nothing, even when
// they arrive as good forecasts (the cancel came too late for the transfer).
TEST(WeatherControllerTest, APlaceChangeCancelsTheRequestInFlightAndIgnoresItsAnswer) {
    struct Case {
        const char* name;
        std::vector<Place> changes;
    } cases[] = {
        {"one change", {kLisbon}},
        {"two changes", {kLisbon, kRome}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.controller->start(true);
        for (const auto& place : c.changes)
            rig.controller->setPlace(place);
        const Place& last = c.changes.back();
        EXPECT_EQ(rig.forecastWorker.pending(), c.changes.size() + 1);

        // The stale answers land first and leave the live request running.
        for (std::size_t stale = 0; stale < c.changes.size(); ++stale) {
            rig.forecastWorker.runNext();
            rig.mainThread.runAll();
            EXPECT_TRUE(rig.controller->isRefreshing());
            EXPECT_FALSE(rig.session().cache());
        }
        EXPECT_TRUE(rig.requests.front().stop.stop_requested());
        rig.settle();
        EXPECT_FALSE(rig.controller->isRefreshing());
        EXPECT_EQ(rig.session().cachePlace(), last);
        EXPECT_EQ(rig.session().failure(), std::nullopt);
        EXPECT_EQ(rig.requests.back().url, OpenMeteo::forecastURL(last));
        EXPECT_EQ(readSavedWeather(rig.directory / "weather.json")->place, last);
        EXPECT_EQ(rig.events.back(), "change");
        EXPECT_EQ(std::count(rig.events.begin(), rig.events.end(), "place " + last.name), 1);
    }
}

TEST(WeatherControllerTest, StopCancelsEverythingAndSilencesLateAnswers) {
    Rig rig;
    rig.controller->start(true);
    rig.controller->stop();
    rig.events.clear();
    rig.settle();
    EXPECT_TRUE(rig.requests.front().stop.stop_requested());
    EXPECT_TRUE(rig.events.empty());
    EXPECT_EQ(rig.session().failure(), std::nullopt);
    EXPECT_FALSE(rig.reachability.watched() || rig.sleep.watched());
    EXPECT_EQ(rig.clock.timerCount(), 0u);
}

// The location flow from the first call to its end: what the user reads and
// what was asked of the location service.
TEST(WeatherControllerTest, CurrentLocationStatusFollowsPermissionAndFixes) {
    using Action = std::function<void(Rig&)>;
    auto askAllowingPrompt = [](Rig& r) { r.controller->requestCurrentLocation(true); };
    auto answer = [](LocationAuthorization a) { return [a](Rig& r) { r.location.answer(a); }; };
    auto fix = [](double accuracy) {
        return [accuracy](Rig& r) { r.location.report({{52.5163, 13.3777, accuracy}}); };
    };
    struct Case {
        const char* name;
        LocationAuthorization initially;
        bool askedBefore;
        std::vector<Action> actions;
        std::optional<std::string> status;
        int prompts, lookups;
        std::vector<std::string> events;
    } cases[] = {
        {"start, asked before",
         LocationAuthorization::notDetermined,
         true,
         {},
         "Choose a city or use current location",
         0,
         0,
         {"change"}},
        {"start, never asked",
         LocationAuthorization::notDetermined,
         false,
         {},
         "Waiting for location permission; city entry is also available",
         1,
         0,
         {"asked", "prompt", "change"}},
        {"asked again while undetermined",
         LocationAuthorization::notDetermined,
         false,
         {askAllowingPrompt},
         "Choose a city; location permission has not been granted",
         1,
         0,
         {"asked", "prompt", "change", "change"}},
        {"prompt answered yes",
         LocationAuthorization::notDetermined,
         false,
         {answer(LocationAuthorization::authorized)},
         "Looking up current location…",
         1,
         1,
         {"asked", "prompt", "change", "change"}},
        {"prompt answered no",
         LocationAuthorization::notDetermined,
         false,
         {answer(LocationAuthorization::denied)},
         "Location unavailable — choose a city",
         1,
         0,
         {"asked", "prompt", "change", "change"}},
        {"no location service",
         LocationAuthorization::denied,
         false,
         {},
         "Location unavailable — choose a city",
         0,
         0,
         {"change"}},
        {"fix without accuracy",
         LocationAuthorization::authorized,
         false,
         {fix(-1)},
         "Looking up current location…",
         0,
         1,
         {"change"}},
        {"fix",
         LocationAuthorization::authorized,
         false,
         {fix(3000)},
         std::nullopt,
         0,
         1,
         {"change", "place Current location", "change"}},
        {"lookup failed",
         LocationAuthorization::authorized,
         false,
         {[](Rig& r) { r.location.fail(); }},
         "Location unavailable — choose a city",
         0,
         1,
         {"change", "change"}},
        {"city chosen while looking",
         LocationAuthorization::authorized,
         false,
         {[](Rig& r) { r.controller->setPlace(kRome); }, fix(3000)},
         std::nullopt,
         0,
         1,
         {"change", "place Rome, Italy", "change"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(std::nullopt);
        rig.location.status = c.initially;
        rig.controller->start(c.askedBefore);
        for (const auto& action : c.actions)
            action(rig);
        EXPECT_EQ(rig.controller->locationStatus(), c.status);
        EXPECT_EQ(rig.location.authorizationRequests, c.prompts);
        EXPECT_EQ(rig.location.locationRequests, c.lookups);
        EXPECT_EQ(rig.events, c.events);
    }
}

TEST(WeatherControllerTest, AFixBecomesTheRoundedCurrentLocationOnce) {
    Rig rig(std::nullopt);
    rig.location.status = LocationAuthorization::authorized;
    rig.controller->start(false);
    rig.location.report({{10, 10, 5}, {52.5163, 13.3777, 3000}});
    const Place expected{"Current location", 52.52, 13.38, "auto"};
    EXPECT_EQ(rig.session().place(), expected);
    rig.settle();
    EXPECT_EQ(rig.requests.back().url, OpenMeteo::forecastURL(expected));
    EXPECT_EQ(readSavedWeather(rig.directory / "weather.json")->place, expected);

    // Half an hour on: the timer asks for new coordinates, which round the
    // same, so only the one forecast of the tick is fetched.
    rig.clock.advance(WeatherController::kRefreshInterval);
    EXPECT_EQ(rig.location.locationRequests, 2);
    rig.events.clear();
    rig.location.report({{52.5249, 13.3751, 3000}});
    rig.settle();
    EXPECT_EQ(rig.events, (std::vector<std::string>{"change", "change"}));
    EXPECT_EQ(rig.forecastRequests(), 2u);

    // While that lookup is pending, another refresh asks for no second one
    // but still fetches the stored coordinates.
    rig.controller->refresh(true);
    rig.controller->refresh(true);
    rig.settle();
    EXPECT_EQ(rig.location.locationRequests, 3);
    EXPECT_EQ(rig.forecastRequests(), 3u);
    EXPECT_EQ(rig.controller->locationStatus(), "Looking up current location…");
}

TEST(WeatherControllerTest, ANewSearchCancelsTheOneInFlight) {
    Rig rig;
    std::vector<CitySearchResult> results;
    auto keep = [&](CitySearchResult result) { results.push_back(std::move(result)); };
    rig.answers = {{200, kBerlinSearch}};
    rig.controller->findCities("Ber", keep);
    rig.controller->findCities("Berlin", keep);
    rig.settle();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].errorText(), "The request was cancelled");
    EXPECT_TRUE(results[0].places.empty());
    EXPECT_EQ(results[1].errorText(), "");
    ASSERT_EQ(results[1].places.size(), 1u);
    EXPECT_EQ(results[1].places[0].name, "Berlin, Germany");
    EXPECT_EQ(rig.requests[1].url, OpenMeteo::geocodingURL("Berlin"));
    // A search never changes the place.
    EXPECT_EQ(rig.session().place(), kOslo);
}

TEST(WeatherControllerTest, ASearchThatFailsReportsWhy) {
    struct Case {
        Answer answer;
        std::string error;
    } cases[] = {
        {{404, "no"}, "Open-Meteo returned an unavailable or invalid response"},
        {{200, R"({"error": true})"}, "Open-Meteo returned invalid location results."},
        {Answer::failed("Connection refused"), "Connection refused"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        Rig rig;
        rig.answers = {c.answer};
        std::optional<CitySearchResult> result;
        rig.controller->findCities("x", [&](CitySearchResult r) { result = std::move(r); });
        rig.settle();
        ASSERT_TRUE(result);
        EXPECT_EQ(result->errorText(), c.error);
    }
}

} // namespace
} // namespace garbello
