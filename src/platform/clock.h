#pragma once

#include <functional>
#include <memory>

namespace garbello::platform {

// A repeating timer; it stops when this handle is destroyed.
class RepeatingTimer {
public:
    virtual ~RepeatingTimer() = default;
};

// Time as the controllers see it. Used on the main thread only, except
// `uptime`, which any thread may read.
class Clock {
public:
    virtual ~Clock() = default;

    // Seconds since some fixed point in the past; never goes backwards,
    // counts on across sleep.
    virtual double uptime() const = 0;

    // Calls `tick` on the main thread every `interval` seconds, also while
    // menus are open or a window is dragged, until the handle goes.
    virtual std::unique_ptr<RepeatingTimer> repeat(double interval, std::function<void()> tick) = 0;
};

} // namespace garbello::platform
