#include "tracking/window_tracking_state.h"

#include <cmath>

namespace garbello {
namespace {

// Window servers report sizes with sub-point jitter; only a change larger
// than this counts as the user resizing the window.
constexpr double kResizeTolerance = 0.5;

bool sizeChanged(Size before, Size after) {
    return std::fabs(before.width - after.width) > kResizeTolerance ||
           std::fabs(before.height - after.height) > kResizeTolerance;
}

// A frame a border can be drawn around: positive area and every coordinate
// finite. Written as "not greater than" so that NaN counts as unusable.
bool hasDrawableFrame(const Rect& frame) {
    if (!(frame.width > 0) || !(frame.height > 0))
        return false;
    return frame.isFinite();
}

bool isDressable(const TrackedWindow& window, bool paused,
                 const std::set<std::string>& disabledApps) {
    return hasDrawableFrame(window.frame) && !paused && window.isVisible && !window.isMinimized &&
           !window.isFullScreen && !disabledApps.contains(window.bundleID);
}

} // namespace

WindowTrackingState::WindowTrackingState(double resizeQuietPeriod)
    : resizeQuietPeriod_(resizeQuietPeriod) {}

std::optional<double> WindowTrackingState::lastResizeOf(const TrackedWindow& window,
                                                        double now) const {
    auto known = previous_.find(window.id);
    if (known == previous_.end())
        return std::nullopt;
    if (sizeChanged(known->second.size, window.frame.size()))
        return now;
    return known->second.lastResize;
}

bool WindowTrackingState::isResizing(const std::optional<double>& lastResize, double now) const {
    return lastResize && now - *lastResize < resizeQuietPeriod_;
}

WindowTrackingUpdate WindowTrackingState::update(const std::vector<TrackedWindow>& windows,
                                                 double now, bool paused,
                                                 const std::set<std::string>& disabledApps) {
    // Every window known from the last pass starts out hidden, so that a
    // window that vanished is reported hidden exactly once.
    WindowTrackingUpdate result;
    for (const auto& [id, seen] : previous_)
        result.hidden.insert(id);

    std::unordered_map<std::uint32_t, Previous> next;
    for (const TrackedWindow& window : windows) {
        if (next.contains(window.id))
            continue;
        std::optional<double> lastResize = lastResizeOf(window, now);
        // Sizes are recorded for ineligible windows too, so that a later
        // resize is measured against what the window really was.
        next.emplace(window.id, Previous{window.frame.size(), lastResize});

        if (isDressable(window, paused, disabledApps) && !isResizing(lastResize, now)) {
            result.visible.push_back(window);
            result.hidden.erase(window.id);
        } else {
            result.hidden.insert(window.id);
        }
    }
    previous_ = std::move(next);
    return result;
}

} // namespace garbello
