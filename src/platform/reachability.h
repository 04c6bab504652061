#pragma once

#include <functional>

namespace garbello::platform {

// Whether the network is usable, as the system's connectivity monitor says.
class Reachability {
public:
    virtual ~Reachability() = default;

    // Calls `update` on the main thread with whether a usable network path
    // exists: once with the state the monitor knows (when it knows one), then
    // on every report. An empty function stops the reports; none arrives
    // after the monitor is destroyed.
    virtual void watch(std::function<void(bool online)> update) = 0;
};

} // namespace garbello::platform
