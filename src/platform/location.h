#pragma once

#include <functional>
#include <vector>

namespace garbello::platform {

// Whether this program may learn where the computer is.
enum class LocationAuthorization {
    // Nobody has said yet; asking may bring up the system's prompt.
    notDetermined,
    authorized,
    // Refused, or no location service at all.
    denied,
};

// One position report.
struct LocationFix {
    double latitude = 0;
    double longitude = 0;
    // Radius of uncertainty in metres; negative marks a report that carries
    // no usable position.
    double horizontalAccuracy = 0;

    bool operator==(const LocationFix&) const = default;
};

// What the location service reports, always on the main thread.
struct LocationHandlers {
    std::function<void(LocationAuthorization)> authorizationChanged;
    // Oldest first; may be empty.
    std::function<void(std::vector<LocationFix>)> locationsUpdated;
    std::function<void()> failed;
};

// The system's location service, asked for single fixes at a town's
// accuracy (about 3 km). Used on the main thread only; no call blocks.
class LocationService {
public:
    virtual ~LocationService() = default;

    // Replaces the handlers; empty handlers stop the reports. No handler
    // runs after the service is destroyed.
    virtual void setHandlers(LocationHandlers handlers) = 0;
    virtual LocationAuthorization authorization() const = 0;
    // Asks for when-in-use access; the answer comes as authorizationChanged.
    virtual void requestAuthorization() = 0;
    // Asks for one fix; it comes as locationsUpdated, or failed.
    virtual void requestLocation() = 0;
    // Gives up any lookup in progress; no report follows for it.
    virtual void stopUpdating() = 0;
};

} // namespace garbello::platform
