#include "app/weather_controller.h"

#include "support/log.h"
#include "weather/open_meteo.h"

#include <cmath>
#include <utility>

namespace garbello {
namespace {

constexpr auto kRequestTimeout = std::chrono::seconds(20);
constexpr auto kResourceTimeout = std::chrono::seconds(30);
constexpr const char* kUserAgent = "User-Agent: Garbello/0.1.0";
// Far more than any forecast or search answer; a bigger body is no answer.
constexpr std::int64_t kBodyLimit = 1 << 20;

constexpr const char* kChooseCity = "Choose a city or use current location";
constexpr const char* kLookingUp = "Looking up current location…";
constexpr const char* kWaitingForPermission =
    "Waiting for location permission; city entry is also available";
constexpr const char* kNotGranted = "Choose a city; location permission has not been granted";
constexpr const char* kUnavailable = "Location unavailable — choose a city";

// Two decimal places, halves away from zero: about a kilometre, which is all
// a forecast needs and all the settings file should learn.
double rounded(double coordinate) {
    return std::round(coordinate * 100) / 100;
}

// `url` with its scheme and host replaced by `origin`.
std::string withOrigin(const std::string& url, const std::optional<std::string>& origin) {
    if (!origin)
        return url;
    const auto hostStart = url.find("://");
    const auto pathStart = url.find('/', hostStart == std::string::npos ? 0 : hostStart + 3);
    return *origin + (pathStart == std::string::npos ? "" : url.substr(pathStart));
}

// The body of a usable answer; anything else is the error to report.
std::string usableBody(const std::function<HttpResponse(const HttpRequest&)>& get,
                       const HttpRequest& request) {
    HttpResponse response = get(request);
    if (response.status < 200 || response.status > 299 || response.body.empty())
        throw WeatherNetworkError();
    return std::move(response.body);
}

std::string describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return WeatherNetworkError().what();
    }
}

} // namespace

std::string CitySearchResult::errorText() const {
    return error ? describe(error) : std::string();
}

// What the worker brings back from one forecast request.
struct WeatherController::Forecast {
    std::optional<WeatherSnapshot> snapshot;
    std::string failure;
};

std::shared_ptr<WeatherController> WeatherController::create(std::optional<Place> place,
                                                             std::filesystem::path cacheFile,
                                                             WeatherPlatform platform,
                                                             WeatherNetwork network) {
    auto controller = std::shared_ptr<WeatherController>(new WeatherController(
        std::move(place), std::move(cacheFile), platform, std::move(network)));
    std::weak_ptr<WeatherController> weak = controller;
    controller->platform_.location.setHandlers({
        [weak](platform::LocationAuthorization status) {
            if (auto self = weak.lock())
                self->authorizationChanged(status);
        },
        [weak](std::vector<platform::LocationFix> fixes) {
            if (auto self = weak.lock())
                self->locationsUpdated(fixes);
        },
        [weak] {
            if (auto self = weak.lock())
                self->locationFailed();
        },
    });
    return controller;
}

WeatherController::WeatherController(std::optional<Place> place, std::filesystem::path cacheFile,
                                     WeatherPlatform platform, WeatherNetwork network)
    : cacheFile_(std::move(cacheFile)), platform_(platform), network_(std::move(network)) {
    if (auto saved = readSavedWeather(cacheFile_))
        session_ = WeatherSession(saved->place, saved->cache);
    if (place)
        session_.begin(*place);
}

WeatherController::~WeatherController() {
    // The location handlers stay: they hold the controller weakly.
    stop();
}

void WeatherController::start(bool askedForLocation) {
    std::weak_ptr<WeatherController> weak = weak_from_this();
    timer_ = platform_.clock.repeat(kRefreshInterval, [weak] {
        if (auto self = weak.lock())
            self->refresh(true);
    });
    platform_.sleep.watchWake([weak] {
        if (auto self = weak.lock())
            self->refresh(true);
    });
    platform_.reachability.watch([weak](bool online) {
        if (auto self = weak.lock())
            self->networkUpdate(online);
    });
    watching_ = true;

    if (session_.place()) {
        refresh(true);
    } else if (askedForLocation) {
        locationStatus_ = kChooseCity;
        changed();
    } else {
        requestCurrentLocation(true);
    }
}

void WeatherController::stop() {
    timer_.reset();
    if (watching_) {
        platform_.sleep.watchWake({});
        platform_.reachability.watch({});
        watching_ = false;
    }
    cancelForecast();
    if (geocodingRequest_) {
        geocodingRequest_->request_stop();
        geocodingRequest_.reset();
    }
    platform_.location.stopUpdating();
}

void WeatherController::networkUpdate(bool online) {
    // The first report only says how things stand at start, which the start
    // itself has dealt with; every later usable one may be a return.
    if (lastNetworkAvailable_ && online)
        refresh(true);
    lastNetworkAvailable_ = online;
}

void WeatherController::refresh(bool refreshLocation) {
    if (refreshLocation && session_.place() && session_.place()->name == kCurrentLocationName &&
        !locationPending_)
        requestCurrentLocation(false);
    if (!session_.place())
        return;
    // Requests never overlap; the one in flight ends within its time-outs.
    if (isRefreshing_)
        return;

    const Place place = *session_.place();
    const std::uint64_t number = session_.begin(place);
    isRefreshing_ = true;
    changed();
    log::weather.info("Refreshing Open-Meteo weather");

    std::stop_source stop;
    request_ = stop;
    std::weak_ptr<WeatherController> weak = weak_from_this();
    platform_.forecastWorker.post(
        [weak, number, place, get = network_.get,
         request = requestFor(OpenMeteo::forecastURL(place), stop.get_token()),
         &mainThread = platform_.mainThread] {
            if (weak.expired())
                return;
            Forecast forecast;
            try {
                forecast.snapshot = OpenMeteo::parseWeather(usableBody(get, request));
            } catch (...) {
                forecast.failure = describe(std::current_exception());
            }
            mainThread.post([weak, number, place, forecast = std::move(forecast)]() mutable {
                if (auto self = weak.lock())
                    self->finishForecast(number, place, std::move(forecast));
            });
        });
}

void WeatherController::finishForecast(std::uint64_t request, const Place& place,
                                       Forecast forecast) {
    // A stale answer changes nothing at all: the live request owns the
    // refreshing flag. One cancelled by stop() is as good as stale.
    if (request != session_.requestID() || !request_)
        return;
    isRefreshing_ = false;
    request_.reset();
    if (forecast.snapshot) {
        if (!session_.succeed(*forecast.snapshot, request, network_.now()))
            return;
        try {
            writeSavedWeather(cacheFile_, SavedWeather{place, *session_.cache()});
        } catch (const std::exception& error) {
            log::weather.error(std::string("Weather cache write failed: ") + error.what());
        }
        log::weather.info("Weather refresh succeeded");
    } else {
        session_.fail(forecast.failure, request);
        log::weather.error("Weather refresh failed; retaining last good outfit");
    }
    changed();
}

void WeatherController::cancelForecast() {
    if (request_)
        request_->request_stop();
    request_.reset();
    isRefreshing_ = false;
}

void WeatherController::setPlace(const Place& place) {
    if (place.name != kCurrentLocationName) {
        locationPending_ = false;
        platform_.location.stopUpdating();
        locationStatus_.reset();
    }
    // Its late answer carries an old number and will be dropped.
    cancelForecast();
    session_.begin(place);
    if (onPlace)
        onPlace(place);
    refresh(false);
}

void WeatherController::requestCurrentLocation(bool allowAuthorizationPrompt) {
    using platform::LocationAuthorization;
    locationPending_ = true;
    switch (platform_.location.authorization()) {
    case LocationAuthorization::authorized:
        locationStatus_ = kLookingUp;
        platform_.location.requestLocation();
        break;
    case LocationAuthorization::notDetermined:
        if (allowAuthorizationPrompt && !didRequestAuthorization_) {
            didRequestAuthorization_ = true;
            if (onAskedForLocation)
                onAskedForLocation();
            locationStatus_ = kWaitingForPermission;
            platform_.location.requestAuthorization();
        } else {
            locationStatus_ = kNotGranted;
            locationPending_ = false;
        }
        break;
    case LocationAuthorization::denied:
        locationPending_ = false;
        locationStatus_ = kUnavailable;
        break;
    }
    changed();
}

void WeatherController::authorizationChanged(platform::LocationAuthorization status) {
    if (locationPending_ && status != platform::LocationAuthorization::notDetermined)
        requestCurrentLocation(false);
}

void WeatherController::locationsUpdated(const std::vector<platform::LocationFix>& fixes) {
    if (!locationPending_ || fixes.empty())
        return;
    const auto& fix = fixes.back();
    // An invalid report; the lookup goes on.
    if (fix.horizontalAccuracy < 0)
        return;
    locationPending_ = false;
    locationStatus_.reset();
    const Place place{kCurrentLocationName, rounded(fix.latitude), rounded(fix.longitude), "auto"};
    if (session_.place() == place)
        changed();
    else
        setPlace(place);
}

void WeatherController::locationFailed() {
    if (!locationPending_)
        return;
    locationPending_ = false;
    locationStatus_ = kUnavailable;
    log::weather.info("Location lookup unavailable; city selection remains available");
    changed();
}

void WeatherController::findCities(const std::string& city,
                                   std::function<void(CitySearchResult)> completion) {
    if (geocodingRequest_)
        geocodingRequest_->request_stop();
    std::stop_source stop;
    geocodingRequest_ = stop;
    std::weak_ptr<WeatherController> weak = weak_from_this();
    platform_.searchWorker.post(
        [weak, get = network_.get, completion = std::move(completion),
         request = requestFor(OpenMeteo::geocodingURL(city), stop.get_token()),
         &mainThread = platform_.mainThread]() mutable {
            if (weak.expired())
                return;
            CitySearchResult result;
            try {
                result.places = OpenMeteo::parsePlaces(usableBody(get, request));
            } catch (...) {
                result.error = std::current_exception();
            }
            mainThread.post(
                [weak, completion = std::move(completion), result = std::move(result)]() mutable {
                    if (weak.lock())
                        completion(std::move(result));
                });
        });
}

HttpRequest WeatherController::requestFor(std::string url, std::stop_token stop) const {
    HttpRequest request;
    request.url = withOrigin(url, network_.origin);
    request.headers = {kUserAgent};
    request.requestTimeout = kRequestTimeout;
    request.resourceTimeout = kResourceTimeout;
    request.byteLimit = kBodyLimit;
    request.caFile = network_.caFile;
    request.stop = std::move(stop);
    return request;
}

void WeatherController::changed() const {
    if (onChange)
        onChange();
}

} // namespace garbello
