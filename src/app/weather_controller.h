#pragma once

#include "net/http_client.h"
#include "platform/clock.h"
#include "platform/location.h"
#include "platform/reachability.h"
#include "platform/sleep_watch.h"
#include "platform/task_queue.h"
#include "weather/weather_session.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace garbello {

// The service answered, but not with something the parsers may read: a
// status outside 200 to 299 or no body.
class WeatherNetworkError : public Error {
public:
    WeatherNetworkError() : Error("Open-Meteo returned an unavailable or invalid response") {}
};

// What a city search ends with: places (possibly none), or the error that
// stopped it, a cancellation included.
struct CitySearchResult {
    std::vector<Place> places;
    std::exception_ptr error;

    // The error's user-facing text; empty for a result with places.
    std::string errorText() const;
};

// Everything the weather controller uses of the desktop. All must outlive
// the controller, and the workers must stop (drop their tasks) before `mainThread` goes.
struct WeatherPlatform {
    platform::Clock& clock;
    platform::TaskQueue& forecastWorker;
    platform::TaskQueue& searchWorker;
    platform::TaskQueue& mainThread;
    platform::LocationService& location;
    platform::Reachability& reachability;
    platform::SleepWatch& sleep;
};

// How the weather controller's requests reach Open-Meteo. The defaults are the real service.
struct WeatherNetwork {
    // One GET on the calling worker thread; throws HttpError.
    std::function<HttpResponse(const HttpRequest&)> get = httpGet;
    // Trust anchors other than the system's.
    std::optional<std::filesystem::path> caFile;
    // "https://host:port" that replaces the service's own hosts, so
    // tests can answer from a local server.
    std::optional<std::string> origin;
    // The wall clock that dates accepted forecasts.
    std::function<Date()> now = [] { return std::chrono::system_clock::now(); };
};

// Keeps the weather current without the user's help: a forecast every 30
// minutes, after a wake and when the network returns, for a chosen city or
// the current location; the last good forecast is kept on disk. It chooses
// no outfit and formats nothing: it publishes its session and status and
// calls back, and its owner shows them.
//
// Lives on the main thread. Requests run on the workers; each answer comes
// back on `mainThread` with the number of the request it answers, and only
// the live request's answer changes anything. Create it with `create`: work
// in flight holds it weakly and is dropped once it is gone.
class WeatherController : public std::enable_shared_from_this<WeatherController> {
public:
    static constexpr double kRefreshInterval = 1800;
    // The name that marks a place found by the location service.
    static constexpr const char* kCurrentLocationName = "Current location";

    // Loads the cache file and resumes from it; starts a request number for
    // the settings' place when there is one. Sends nothing yet.
    static std::shared_ptr<WeatherController> create(std::optional<Place> place,
                                                     std::filesystem::path cacheFile,
                                                     WeatherPlatform platform,
                                                     WeatherNetwork network = {});
    ~WeatherController();
    WeatherController(const WeatherController&) = delete;
    WeatherController& operator=(const WeatherController&) = delete;

    const WeatherSession& session() const { return session_; }
    // One line on the location lookup, or a prompt to choose a city.
    const std::optional<std::string>& locationStatus() const { return locationStatus_; }
    // A forecast request is in flight.
    bool isRefreshing() const { return isRefreshing_; }

    // After any change the owner may want to show.
    std::function<void()> onChange;
    // When the controller switches to a new place; the owner stores it.
    std::function<void(const Place&)> onPlace;
    // Just before the system's location prompt is requested; the owner
    // records that the user was asked.
    std::function<void()> onAskedForLocation;

    // Timer, wake and connectivity watches, then the first refresh or
    // location lookup. `askedForLocation`: the user was asked in an earlier run.
    void start(bool askedForLocation);
    // Ends every watch and cancels every request.
    void stop();
    // A new forecast for the current place unless one is in flight; with
    // `refreshLocation`, also new coordinates for the current location.
    void refresh(bool refreshLocation);
    void setPlace(const Place& place);
    void requestCurrentLocation(bool allowAuthorizationPrompt);
    // Searches for places named `city`, cancelling any search in flight
    // (whose completion then gets the cancellation). `completion` runs on
    // the main thread, unless the controller is gone by then.
    void findCities(const std::string& city, std::function<void(CitySearchResult)> completion);

private:
    struct Forecast;

    WeatherController(std::optional<Place> place, std::filesystem::path cacheFile,
                      WeatherPlatform platform, WeatherNetwork network);

    HttpRequest requestFor(std::string url, std::stop_token stop) const;
    void finishForecast(std::uint64_t request, const Place& place, Forecast forecast);
    void authorizationChanged(platform::LocationAuthorization status);
    void locationsUpdated(const std::vector<platform::LocationFix>& fixes);
    void locationFailed();
    void networkUpdate(bool online);
    void cancelForecast();
    void changed() const;

    std::filesystem::path cacheFile_;
    WeatherPlatform platform_;
    WeatherNetwork network_;
    WeatherSession session_;
    std::optional<std::string> locationStatus_;
    bool isRefreshing_ = false;

    std::unique_ptr<platform::RepeatingTimer> timer_;
    std::optional<std::stop_source> request_;
    std::optional<std::stop_source> geocodingRequest_;
    std::optional<bool> lastNetworkAvailable_;
    bool locationPending_ = false;
    bool didRequestAuthorization_ = false;
    bool watching_ = false;
};

} // namespace garbello
