#pragma once

namespace garbello::platform {

// Ends the application the ordinary way (timers stopped, overlays hidden,
// settings saved), provided by the application controller to the
// controllers that need to hand the process over.
class ApplicationExit {
public:
    virtual ~ApplicationExit() = default;

    // Returns at once; the application terminates from its event loop.
    virtual void requestTermination() = 0;
};

} // namespace garbello::platform
