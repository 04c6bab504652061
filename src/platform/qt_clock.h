#pragma once

#include "platform/clock.h"

namespace garbello::platform {

// The clock of the running application: the monotonic clock, and QTimers
// on the thread that runs the Qt event loop.
class QtClock final : public Clock {
public:
    double uptime() const override;
    std::unique_ptr<RepeatingTimer> repeat(double interval, std::function<void()> tick) override;
};

} // namespace garbello::platform
