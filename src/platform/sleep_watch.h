#pragma once

#include <functional>

namespace garbello::platform {

// Tells when the computer goes to sleep and when it has woken.
class SleepWatch {
public:
    virtual ~SleepWatch() = default;

    // Calls `woke` on the main thread after each wake. An empty function
    // stops the reports; none arrives after the watch is destroyed.
    virtual void watchWake(std::function<void()> woke) = 0;
    // Calls `sleeping` on the main thread just before each sleep, the same way.
    virtual void watchSleep(std::function<void()> sleeping) = 0;
};

} // namespace garbello::platform
