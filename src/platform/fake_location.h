#pragma once

#include "platform/location.h"

namespace garbello::platform {

// A location service a test drives: it records what was asked and reports
// what the test says, at once.
class FakeLocationService final : public LocationService {
public:
    LocationAuthorization status = LocationAuthorization::notDetermined;
    int authorizationRequests = 0;
    int locationRequests = 0;
    int stops = 0;
    // Called inside requestAuthorization, so a test can see the order of
    // events around the prompt.
    std::function<void()> onAuthorizationRequest;

    void setHandlers(LocationHandlers handlers) override { handlers_ = std::move(handlers); }
    LocationAuthorization authorization() const override { return status; }
    void requestAuthorization() override {
        ++authorizationRequests;
        if (onAuthorizationRequest)
            onAuthorizationRequest();
    }
    void requestLocation() override { ++locationRequests; }
    void stopUpdating() override { ++stops; }

    // The user answers the prompt.
    void answer(LocationAuthorization newStatus) {
        status = newStatus;
        if (handlers_.authorizationChanged)
            handlers_.authorizationChanged(newStatus);
    }
    void report(std::vector<LocationFix> fixes) const {
        if (handlers_.locationsUpdated)
            handlers_.locationsUpdated(std::move(fixes));
    }
    void fail() const {
        if (handlers_.failed)
            handlers_.failed();
    }
    bool watched() const { return static_cast<bool>(handlers_.locationsUpdated); }

private:
    LocationHandlers handlers_;
};

} // namespace garbello::platform
