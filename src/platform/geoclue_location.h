#pragma once

#include "platform/location.h"

#include <QDBusConnection>

#include <memory>
#include <string>

namespace garbello::platform {

class GeoClueClient;

// The location service of freedesktop systems, GeoClue2, on the system bus.
// GeoClue's own agent asks the user when the first fix is wanted and keeps
// the answer, so access counts as granted until the service turns out to be
// missing or refuses; then it is denied for the rest of the run, and the
// reason is logged once. Each lookup starts a client, takes the first fix
// and stops it again. Calls never wait for the bus: answers arrive later on
// the thread that created the service (the main thread).
class GeoClueLocation final : public LocationService {
public:
    // `desktopID`: the application's desktop entry id, which the agent shows
    // and keeps its answer under.
    explicit GeoClueLocation(std::string desktopID,
                             QDBusConnection bus = QDBusConnection::systemBus());
    ~GeoClueLocation() override;
    GeoClueLocation(const GeoClueLocation&) = delete;
    GeoClueLocation& operator=(const GeoClueLocation&) = delete;

    void setHandlers(LocationHandlers handlers) override;
    LocationAuthorization authorization() const override;
    void requestAuthorization() override;
    void requestLocation() override;
    void stopUpdating() override;

private:
    std::unique_ptr<GeoClueClient> client_;
};

} // namespace garbello::platform
