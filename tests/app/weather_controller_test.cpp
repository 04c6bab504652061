#include "app/weather_controller.h"
#include "platform/fake_clock.h"
#include "platform/fake_location.h"
#include "platform/fake_reachability.h"
#include "settle.h"
#include "support/log.h"
#include "temporary_directory.h"
#include "weather/open_meteo.h"

#include <gtest/gtest.h>

#include <deque>

namespace garbello {
namespace {

using platform::LocationAuthorization;
using Events = std::vector<std::string>;

const Place kOslo{"Oslo, Norway", 59.91, 10.75, "Europe/Oslo"};
const Place kLisbon{"Lisbon, Portugal", 38.72, -9.14, "Europe/Lisbon"};
const Place kRome{"Rome, Italy", 41.89, 12.48, "Europe/Rome"};
const Place kHere{"Current location", 52.52, 13.38, "auto"};
const std::string kInvalidResponse = "Open-Meteo returned an unavailable or invalid response";

// A dry forecast; the code and temperature choose the outfit.
std::string forecast(int code, double temperature) {
    Json body = Json::parse(R"({"latitude": 52.52, "timezone": "Europe/Berlin",
        "current": {"time": 1717232400, "apparent_temperature": 17, "precipitation": 0,
                    "rain": 0, "snowfall": 0, "wind_speed_10m": 12.5},
        "daily": {"precipitation_probability_max": [0], "uv_index_max": [5]}})");
    body["current"]["weather_code"] = code;
    body["current"]["temperature_2m"] = temperature;
    return body.dump();
}
const std::string kHot = forecast(0, 31), kSnowy = forecast(71, -3);

// What the scripted transport answers; status -1 is a transfer failure
// whose text is the body.
struct Answer {
    long status;
    std::string body;
};

// A controller on fakes with a scripted transport, and what its owner heard.
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
    Events events;
    std::shared_ptr<WeatherController> controller;

    explicit Rig(std::optional<Place> place = kOslo,
                 LocationAuthorization authorization = LocationAuthorization::notDetermined) {
        location.status = authorization;
        location.onAuthorizationRequest = [this] { events.push_back("prompt"); };
        WeatherNetwork network;
        network.get = [this](const HttpRequest& request) {
            requests.push_back(request);
            if (request.stop.stop_requested())
                throw HttpError(HttpError::Kind::cancelled, "The request was cancelled");
            const Answer answer = answers.empty() ? Answer{200, kHot} : answers.front();
            if (!answers.empty())
                answers.pop_front();
            if (answer.status < 0)
                throw HttpError(HttpError::Kind::transfer, answer.body);
            return HttpResponse{answer.status, request.url, answer.body, {}};
        };
        controller = WeatherController::create(
            std::move(place), directory / "weather.json",
            {clock, forecastWorker, searchWorker, mainThread, location, reachability, sleep},
            network);
        controller->onChange = [this] { events.push_back("change"); };
        controller->onPlace = [this](const Place& p) { events.push_back("place " + p.name); };
        controller->onAskedForLocation = [this] { events.push_back("asked"); };
    }

    void settle() { test::settle(forecastWorker, searchWorker, mainThread); }
    const WeatherSession& session() const { return controller->session(); }
    std::optional<Place> savedPlace() const {
        auto saved = readSavedWeather(directory / "weather.json");
        return saved ? std::optional(saved->place) : std::nullopt;
    }
};

TEST(WeatherControllerTest, RefreshesOnTimerWakeAndNetworkReturnButNeverTwiceAtOnce) {
    // The steps (t: the timer fires, w: a wake, + and -: usable and unusable
    // network reports, .: every answer lands) and the requests they add.
    const std::pair<const char*, std::size_t> cases[] = {
        {"tw.", 1}, {"t.w.", 2}, {"+.", 0}, {"-+.", 1}, {"++.", 1}, {"+-.", 0},
    };
    for (const auto& [steps, newRequests] : cases) {
        SCOPED_TRACE(steps);
        Rig rig;
        rig.controller->start(true);
        rig.settle();
        for (const char* step = steps; *step; ++step) {
            if (*step == 't')
                rig.clock.advance(WeatherController::kRefreshInterval);
            else if (*step == 'w')
                rig.sleep.wake();
            else if (*step == '.')
                rig.settle();
            else
                rig.reachability.report(*step == '+');
        }
        EXPECT_EQ(rig.requests.size(), 1 + newRequests);
    }
}

TEST(WeatherControllerTest, AnAcceptedForecastIsWornCachedAndLogged) {
    Rig rig;
    rig.controller->start(true);
    EXPECT_TRUE(rig.controller->isRefreshing());
    rig.settle();
    EXPECT_FALSE(rig.controller->isRefreshing());
    EXPECT_EQ(rig.session().decision()->outfit, Outfit::hawaiian);
    EXPECT_EQ(rig.savedPlace(), kOslo);
    EXPECT_EQ(rig.events, (Events{"change", "change"}));
    EXPECT_EQ(rig.logs.sink().records("weather"),
              (std::vector<LogRecord>{{"weather", LogLevel::info, "Refreshing Open-Meteo weather"},
                                      {"weather", LogLevel::info, "Weather refresh succeeded"}}));
    const HttpRequest& request = rig.requests.at(0);
    EXPECT_EQ(request.url, OpenMeteo::forecastURL(kOslo));
    EXPECT_EQ(request.headers, std::vector<std::string>{"User-Agent: Garbello/0.1.0"});
    EXPECT_EQ(request.requestTimeout, std::chrono::seconds(20));
    EXPECT_EQ(request.resourceTimeout, std::chrono::seconds(30));
}

TEST(WeatherControllerTest, AFailedRefreshShowsItsTextKeepsTheOutfitAndDoesNotRetry) {
    // The second answer, and the failure it shows; what the parser refuses is its own suite's.
    const std::pair<Answer, std::string> cases[] = {
        {{500, kHot}, kInvalidResponse},
        {{200, ""}, kInvalidResponse},
        {{-1, "Could not resolve host"}, "Could not resolve host"},
    };
    for (const auto& [answer, failure] : cases) {
        SCOPED_TRACE(failure);
        Rig rig;
        rig.answers = {{200, kSnowy}, answer};
        rig.controller->start(true);
        rig.settle();
        rig.sleep.wake();
        rig.logs.sink().clear();
        rig.events.clear();
        rig.clock.advance(WeatherController::kRefreshInterval - 1);
        rig.settle();
        EXPECT_EQ(rig.session().failure(), failure);
        EXPECT_EQ(rig.session().decision()->outfit, Outfit::snowGear);
        EXPECT_FALSE(rig.controller->isRefreshing());
        EXPECT_EQ(rig.events, Events{"change"});
        EXPECT_EQ(rig.logs.sink().records("weather"),
                  (std::vector<LogRecord>{{"weather", LogLevel::error,
                                           "Weather refresh failed; retaining last good outfit"}}));
        EXPECT_EQ(rig.requests.size(), 2u);
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
    EXPECT_EQ(lines[1].message.rfind("Weather cache write failed: ", 0), 0u) << lines[1].message;
    EXPECT_EQ(lines[2].message, "Weather refresh succeeded");
}

// Answers for places the user has moved on from change nothing, even good
// forecasts that beat the cancellation.
TEST(WeatherControllerTest, APlaceChangeCancelsTheRequestInFlightAndIgnoresItsAnswer) {
    for (const std::vector<Place>& changes : {std::vector{kLisbon}, std::vector{kLisbon, kRome}}) {
        SCOPED_TRACE(changes.size());
        Rig rig;
        // The stale answer is hot, the live one snowy.
        rig.answers = {{200, kHot}, {200, kSnowy}};
        rig.controller->start(true);
        // Oslo's transfer is done before the change, so it still answers.
        rig.forecastWorker.runNext();
        for (const auto& place : changes)
            rig.controller->setPlace(place);
        EXPECT_TRUE(rig.requests.front().stop.stop_requested());
        do {
            rig.mainThread.runAll();
            EXPECT_TRUE(rig.controller->isRefreshing());
            EXPECT_FALSE(rig.session().cache());
        } while (rig.forecastWorker.pending() > 1 && rig.forecastWorker.runNext());
        rig.settle();
        EXPECT_FALSE(rig.controller->isRefreshing());
        EXPECT_EQ(rig.session().cachePlace(), changes.back());
        EXPECT_EQ(rig.session().decision()->outfit, Outfit::snowGear);
        EXPECT_EQ(rig.savedPlace(), changes.back());
        EXPECT_EQ(rig.requests.back().url, OpenMeteo::forecastURL(changes.back()));
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

TEST(WeatherControllerTest, CurrentLocationStatusFollowsPermissionAndFixes) {
    using Action = std::function<void(Rig&)>;
    using enum LocationAuthorization;
    const Action ask = [](Rig& r) { r.controller->requestCurrentLocation(true); };
    auto answer = [](LocationAuthorization a) { return [a](Rig& r) { r.location.answer(a); }; };
    auto fix = [](double accuracy) {
        return [accuracy](Rig& r) { r.location.report({{52.5163, 13.3777, accuracy}}); };
    };
    const Action fail = [](Rig& r) { r.location.fail(); };
    const Action city = [](Rig& r) { r.controller->setPlace(kRome); };
    const std::string waiting = "Waiting for location permission; city entry is also available";
    const std::string lookingUp = "Looking up current location…";
    const std::string unavailable = "Location unavailable — choose a city";
    // The permission at start, whether the user was asked before, what happens,
    // then the status, permission prompts, lookups and what the owner heard.
    using Status = std::optional<std::string>;
    // clang-format off
    const std::tuple<LocationAuthorization, bool, std::vector<Action>, Status, int, int, Events>
        cases[] = {
        {notDetermined, true, {}, "Choose a city or use current location", 0, 0, {"change"}},
        {notDetermined, false, {}, waiting, 1, 0, {"asked", "prompt", "change"}},
        {notDetermined, false, {ask}, "Choose a city; location permission has not been granted",
         1, 0, {"asked", "prompt", "change", "change"}},
        {notDetermined, false, {answer(authorized)}, lookingUp, 1, 1,
         {"asked", "prompt", "change", "change"}},
        {notDetermined, false, {answer(denied)}, unavailable, 1, 0,
         {"asked", "prompt", "change", "change"}},
        {denied, false, {}, unavailable, 0, 0, {"change"}},
        {authorized, false, {fix(-1)}, lookingUp, 0, 1, {"change"}},
        {authorized, false, {fix(3000)}, std::nullopt, 0, 1,
         {"change", "place Current location", "change"}},
        {authorized, false, {fail}, unavailable, 0, 1, {"change", "change"}},
        {authorized, false, {city, fix(3000)}, std::nullopt, 0, 1,
         {"change", "place Rome, Italy", "change"}},
    };
    // clang-format on
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const auto& [initially, askedBefore, actions, status, prompts, lookups, events] = cases[i];
        Rig rig(std::nullopt, initially);
        rig.controller->start(askedBefore);
        for (const auto& action : actions)
            action(rig);
        EXPECT_EQ(rig.controller->locationStatus(), status);
        EXPECT_EQ(rig.location.authorizationRequests, prompts);
        EXPECT_EQ(rig.location.locationRequests, lookups);
        EXPECT_EQ(rig.events, events);
    }
}

TEST(WeatherControllerTest, AFixBecomesTheRoundedCurrentLocationOnce) {
    Rig rig(std::nullopt, LocationAuthorization::authorized);
    rig.controller->start(false);
    rig.location.report({{10, 10, 5}, {52.5163, 13.3777, 3000}});
    rig.settle();
    EXPECT_EQ(rig.session().place(), kHere);
    EXPECT_EQ(rig.savedPlace(), kHere);

    // The timer asks for new coordinates, which round the same: only the
    // tick's own forecast is fetched.
    rig.clock.advance(WeatherController::kRefreshInterval);
    rig.location.report({{52.5249, 13.3751, 3000}});
    rig.settle();
    EXPECT_EQ(rig.requests.size(), 2u);

    // While that lookup is pending, a refresh asks for no second one but
    // still fetches the stored coordinates.
    rig.controller->refresh(true);
    rig.controller->refresh(true);
    rig.settle();
    EXPECT_EQ(rig.location.locationRequests, 3);
    EXPECT_EQ(rig.requests.size(), 3u);
    EXPECT_EQ(rig.requests.back().url, OpenMeteo::forecastURL(kHere));
}

TEST(WeatherControllerTest, ASearchEndsWithPlacesOrWhyNot) {
    const std::string berlin = R"({"results": [{"name": "Berlin", "latitude": 52.52,
        "longitude": 13.41, "country": "Germany"}]})";
    // The answer, and the error the second search ends with (the parser's: its own suite's).
    const std::pair<Answer, std::string> cases[] = {
        {{200, berlin}, ""},
        {{404, berlin}, kInvalidResponse},
        {{-1, "Connection refused"}, "Connection refused"},
    };
    for (const auto& [answer, error] : cases) {
        SCOPED_TRACE(error);
        Rig rig;
        rig.answers = {answer};
        std::vector<CitySearchResult> results;
        auto keep = [&](CitySearchResult result) { results.push_back(std::move(result)); };
        // The first search is still in flight when the second starts.
        rig.controller->findCities("Ber", keep);
        rig.controller->findCities("Berlin", keep);
        rig.settle();
        ASSERT_EQ(results.size(), 2u);
        EXPECT_EQ(results[0].errorText(), "The request was cancelled");
        EXPECT_EQ(results[1].errorText(), error);
        EXPECT_EQ(results[1].places.size(), error.empty() ? 1u : 0u);
        EXPECT_EQ(rig.requests.back().url, OpenMeteo::geocodingURL("Berlin"));
        EXPECT_EQ(rig.session().place(), kOslo);
    }
}

} // namespace
} // namespace garbello
