#pragma once

#include "model/geometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace garbello {

// One on-screen window of another application as a tracking pass reports it,
// in desktop coordinates (origin at the bottom-left of the primary screen).
struct TrackedWindow {
    // Identity of the window across passes.
    std::uint32_t id = 0;
    std::int32_t processID = 0;
    std::string bundleID;
    Rect frame;
    bool isVisible = true;
    bool isMinimized = false;
    bool isFullScreen = false;
    // Frames of the other windows in front of this one, front-most first.
    std::vector<Rect> occludingFrames;

    bool operator==(const TrackedWindow&) const = default;
};

} // namespace garbello
