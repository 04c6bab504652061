#pragma once

#include <functional>

namespace garbello::platform {

// Whether the desktop asks applications for a dark appearance.
class Appearance {
public:
    virtual ~Appearance() = default;

    // As last heard; light until anything is known.
    virtual bool dark() const = 0;
    // Calls `changed` on the main thread with the new preference each time
    // it changes. An empty function stops the reports; none arrives after
    // the source is destroyed.
    virtual void watchChanges(std::function<void(bool dark)> changed) = 0;
};

} // namespace garbello::platform
