#include "platform/front_application.h"

#include <algorithm>
#include <cmath>

namespace garbello::platform {
namespace {

bool coversAMonitor(const Rect& bounds, const std::vector<Rect>& screens) {
    return std::any_of(screens.begin(), screens.end(), [&](const Rect& screen) {
        return std::abs(screen.width - bounds.width) < 2 &&
               std::abs(screen.height - bounds.height) < 2;
    });
}

} // namespace

bool frontIsFullScreen(const WindowList& list, const std::vector<Rect>& screens) {
    if (!list.activeWindow)
        return false;
    auto active = std::find_if(list.windows.begin(), list.windows.end(),
                               [&](const auto& window) { return window.id == *list.activeWindow; });
    if (active == list.windows.end())
        return false;
    const std::optional<std::int32_t> front = active->processID;
    return std::any_of(list.windows.begin(), list.windows.end(), [&](const auto& window) {
        const bool ofFront = front ? window.processID == front : window.id == active->id;
        if (!ofFront || window.layer != 0 || !window.viewable || window.minimized)
            return false;
        return (list.statesTrusted && window.fullScreen) || coversAMonitor(window.bounds, screens);
    });
}

bool WindowListFrontApplication::isFullScreen() {
    // The source refreshes its monitors in the read, so read first.
    WindowList list = source_.read();
    return frontIsFullScreen(list, screens_.frames());
}

} // namespace garbello::platform
