#pragma once

#include "platform/screens.h"
#include "platform/window_source.h"

namespace garbello::platform {

// The window server as a test sets it up.
class FakeWindowSource final : public WindowSource, public Screens {
public:
    WindowList list;
    std::vector<Rect> screenFrames;
    bool isConnected = true;
    int reads = 0;

    WindowList read() override {
        ++reads;
        return isConnected ? list : WindowList{};
    }
    bool connected() const override { return isConnected; }
    void watchStructure(std::function<void(std::vector<std::uint32_t>)> moved) override {
        moved_ = std::move(moved);
    }
    std::vector<Rect> frames() const override { return screenFrames; }

    // What the source's event thread does when a window is dragged.
    void reportMove(std::vector<std::uint32_t> windows = {0}) const {
        if (moved_)
            moved_(std::move(windows));
    }
    bool watched() const { return static_cast<bool>(moved_); }

private:
    std::function<void(std::vector<std::uint32_t>)> moved_;
};

} // namespace garbello::platform
