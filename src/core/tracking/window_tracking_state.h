#pragma once

#include "tracking/tracked_window.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace garbello {

// The outcome of one tracking pass.
struct WindowTrackingUpdate {
    // Windows that get a border now, in the order they were reported.
    std::vector<TrackedWindow> visible;
    // Windows whose border must not show now: those that failed a test this
    // pass and those that vanished since the last one.
    std::set<std::uint32_t> hidden;

    bool operator==(const WindowTrackingUpdate&) const = default;
};

// Pass-by-pass bookkeeping that decides which reported windows are dressed.
// Pure: the caller supplies the clock, so passes can be replayed in tests.
class WindowTrackingState {
public:
    // How long a window must keep one size after a resize before its border
    // comes back.
    explicit WindowTrackingState(double resizeQuietPeriod);

    // One pass over the windows the tracker reported. `now` is a monotonic
    // clock in seconds; `paused` hides every window; windows of the
    // applications in `disabledApps` (bundle identifiers) are never dressed.
    // Only the first occurrence of an id in `windows` is considered.
    WindowTrackingUpdate update(const std::vector<TrackedWindow>& windows, double now, bool paused,
                                const std::set<std::string>& disabledApps);

    double resizeQuietPeriod() const { return resizeQuietPeriod_; }

private:
    struct Previous {
        Size size;
        // The clock value of the last pass at which the size was seen to
        // change; absent while the window keeps the size it was first seen at.
        std::optional<double> lastResize;
    };

    std::optional<double> lastResizeOf(const TrackedWindow& window, double now) const;
    bool isResizing(const std::optional<double>& lastResize, double now) const;

    std::unordered_map<std::uint32_t, Previous> previous_;
    double resizeQuietPeriod_;
};

} // namespace garbello
