#pragma once

#include <functional>

namespace garbello::platform {

// Tells when the user switches to another virtual desktop, when every
// border still on screen belongs to windows that just left it.
class SpaceWatch {
public:
    virtual ~SpaceWatch() = default;

    // Calls `switched` on the main thread after each switch. An empty
    // function stops the reports; none arrives after the watch is destroyed.
    virtual void watchSwitches(std::function<void()> switched) = 0;
};

// Switches as a test sends them.
class FakeSpaceWatch final : public SpaceWatch {
public:
    void watchSwitches(std::function<void()> switched) override { switched_ = std::move(switched); }
    void switchSpace() const {
        if (switched_)
            switched_();
    }

private:
    std::function<void()> switched_;
};

} // namespace garbello::platform
