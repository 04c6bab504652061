#pragma once

#include "draw/ink.h"
#include "model/outfit.h"
#include "platform/clock.h"
#include "platform/overlay_host.h"
#include "platform/task_queue.h"
#include "render/ring_style.h"
#include "settings/garbello_settings.h"
#include "tracking/tracked_window.h"
#include "tracking/window_tracking_state.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace garbello {

// Keeps one overlay behind each dressed window, showing the cloth ring
// around it, in step with every tracking pass. Lives on the main thread;
// rings are rendered on `renderer` and put on `mainThread`. Create it with
// `create`: renders in flight hold it weakly.
class OverlayController : public std::enable_shared_from_this<OverlayController> {
public:
    static constexpr double kResizeQuietPeriod = 0.3;
    static constexpr double kCornerRadius = 10;

    // The host, icons, clock and queues must outlive the controller, and
    // `renderer` must stop (drop its tasks) before `mainThread` goes.
    static std::shared_ptr<OverlayController>
    create(platform::OverlayHost& host, platform::ApplicationIcons& icons, platform::Clock& clock,
           platform::TaskQueue& renderer, platform::TaskQueue& mainThread);

    // Written by the application controller before it calls `update` again.
    GarbelloSettings settings;
    // Nothing is dressed while there is none.
    std::optional<Outfit> outfit;
    // Dark appearance; a change takes effect with the next `update`.
    bool dark = false;

    // One pass over a tracker's windows, front-most first.
    void update(const std::vector<TrackedWindow>& windows);
    // Hides every overlay; they stay for reuse.
    void hideAll();
    // The window server's ids of the overlays, for the tracker to leave out.
    std::set<std::uint32_t> overlayIDs() const;

    OverlayController(const OverlayController&) = delete;
    OverlayController& operator=(const OverlayController&) = delete;

private:
    // What an overlay shows now, as last asked.
    struct View {
        RingStyle style{Outfit::sweater, ClothVariant::classic, 12, 1, std::nullopt,
                        false,           kCornerRadius};
        Rect frame;
        std::vector<Rect> occluders;
        double pixelsPerPoint = 1;
    };
    struct Panel {
        std::unique_ptr<platform::Overlay> overlay;
        View view;
        // Counts picture requests, so that a ring rendered for an older one
        // is never put.
        std::uint64_t picture = 0;
    };

    OverlayController(platform::OverlayHost& host, platform::ApplicationIcons& icons,
                      platform::Clock& clock, platform::TaskQueue& renderer,
                      platform::TaskQueue& mainThread);

    void moveFirst(const std::vector<TrackedWindow>& visible);
    void dress(const TrackedWindow& window, Outfit outfit);
    std::optional<Color> appColor(const TrackedWindow& window);
    void render(std::uint32_t windowID, Panel& panel, Size windowSize);

    platform::OverlayHost& host_;
    platform::ApplicationIcons& icons_;
    platform::Clock& clock_;
    platform::TaskQueue& renderer_;
    platform::TaskQueue& mainThread_;

    std::map<std::uint32_t, Panel> panels_;
    WindowTrackingState tracking_{kResizeQuietPeriod};
    std::map<std::string, Color> colors_;
    std::set<std::uint32_t> previousHidden_;
    // The host's, read once a pass; a change redraws every ring.
    double pixelsPerPoint_ = 1;
};

} // namespace garbello
