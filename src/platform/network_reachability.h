#pragma once

#include "platform/reachability.h"

#include <QObject>

namespace garbello::platform {

// Reachability as Qt's network-information backend reports it (NetworkManager
// or GLib's monitor): online is a usable path, anything else is not. Reports
// arrive on the thread that created the object (the main thread), which must
// be made after the Qt application object. Without a
// backend nothing is ever reported, which is logged once.
class NetworkReachability final : public Reachability {
public:
    NetworkReachability();

    void watch(std::function<void(bool online)> update) override;

private:
    std::function<void(bool)> update_;
    // Owns the connections, so no report comes after this object goes.
    QObject context_;
    bool available_ = false;
};

} // namespace garbello::platform
