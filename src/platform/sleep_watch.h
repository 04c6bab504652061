#pragma once

#include <functional>

namespace garbello::platform {

// Tells when the computer has woken from sleep.
class SleepWatch {
public:
    virtual ~SleepWatch() = default;

    // Calls `woke` on the main thread after each wake. An empty function
    // stops the reports; none arrives after the watch is destroyed.
    virtual void watchWake(std::function<void()> woke) = 0;
};

} // namespace garbello::platform
