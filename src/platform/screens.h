#pragma once

#include "model/geometry.h"

#include <vector>

namespace garbello::platform {

// The monitors of the desktop. Called on the main thread; answers from what
// the source last heard from the server, so it does not block.
class Screens {
public:
    virtual ~Screens() = default;

    // Every monitor's frame in window-server coordinates (origin at the
    // top-left of the root, y down), the primary monitor first. Empty when
    // the server reports none.
    virtual std::vector<Rect> frames() const = 0;
};

} // namespace garbello::platform
