#pragma once

#include "platform/clock.h"

#include <map>
#include <memory>

namespace garbello::platform {

// A clock that moves only when a test advances it; due timers fire in time
// order, inside `advance`.
class FakeClock final : public Clock {
public:
    explicit FakeClock(double start = 1000) : now_(start) {}

    double uptime() const override { return now_; }
    std::unique_ptr<RepeatingTimer> repeat(double interval, std::function<void()> tick) override;

    // Moves time on by `seconds`, firing every tick that falls due on the way.
    void advance(double seconds);
    // Timers alive now.
    std::size_t timerCount() const { return timers_.size(); }

private:
    struct Timer {
        double interval;
        double due;
        std::function<void()> tick;
    };
    class Handle;

    double now_;
    int nextID_ = 0;
    std::map<int, Timer> timers_;
};

} // namespace garbello::platform
