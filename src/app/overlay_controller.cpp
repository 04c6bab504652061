#include "app/overlay_controller.h"

#include "draw/bitmap.h"
#include "draw/render_error.h"
#include "render/application_tint.h"
#include "render/border_geometry.h"
#include "render/pattern_renderer.h"
#include "support/log.h"

#include <algorithm>
#include <cmath>

namespace garbello {

namespace {

// The ring around a window of `windowSize` pixels, drawn at `scale` pixels
// per point on a canvas of the overlay's pixels. Throws RenderError as
// PatternRenderer::ring does.
Image ringImage(Size windowSize, const RingStyle& style, double scale) {
    if (scale == 1)
        return PatternRenderer::ring(windowSize, style);
    const auto positiveFinite = [](double v) { return std::isfinite(v) && v > 0; };
    const double b = std::max(0.0, style.width);
    const Size canvas{windowSize.width + 2 * b * scale, windowSize.height + 2 * b * scale};
    if (!positiveFinite(windowSize.width) || !positiveFinite(windowSize.height) ||
        !std::isfinite(b) || !std::isfinite(style.cornerRadius) || !positiveFinite(scale) ||
        canvas.width > PatternRenderer::kMaximumCanvasSide ||
        canvas.height > PatternRenderer::kMaximumCanvasSide)
        throw RenderError(RenderError::Kind::invalidDimensions);
    Bitmap bitmap(int(std::ceil(canvas.width)), int(std::ceil(canvas.height)));
    bitmap.surface().scale(scale, scale);
    RingStyle drawn = style;
    drawn.width = b;
    PatternRenderer::draw(bitmap.surface(),
                          {b, b, windowSize.width / scale, windowSize.height / scale}, drawn);
    return bitmap.toImage();
}

} // namespace

std::shared_ptr<OverlayController> OverlayController::create(platform::OverlayHost& host,
                                                             platform::ApplicationIcons& icons,
                                                             platform::Clock& clock,
                                                             platform::TaskQueue& renderer,
                                                             platform::TaskQueue& mainThread) {
    return std::shared_ptr<OverlayController>(
        new OverlayController(host, icons, clock, renderer, mainThread));
}

OverlayController::OverlayController(platform::OverlayHost& host, platform::ApplicationIcons& icons,
                                     platform::Clock& clock, platform::TaskQueue& renderer,
                                     platform::TaskQueue& mainThread)
    : host_(host), icons_(icons), clock_(clock), renderer_(renderer), mainThread_(mainThread) {}

void OverlayController::update(const std::vector<TrackedWindow>& windows) {
    const double now = clock_.uptime();
    const bool paused = settings.paused || !outfit;
    const std::set<std::string> disabled(settings.disabledApps.begin(),
                                         settings.disabledApps.end());
    const WindowTrackingUpdate pass = tracking_.update(windows, now, paused, disabled);
    if (host_.picturesLost()) {
        // No frame of size zero is ever asked for, so every panel is framed,
        // cut and painted again below.
        for (auto& [id, panel] : panels_) {
            panel.view.frame = {};
            panel.view.occluders.clear();
        }
    }

    std::erase_if(panels_, [&](const auto& entry) {
        return std::none_of(windows.begin(), windows.end(),
                            [&](const TrackedWindow& w) { return w.id == entry.first; });
    });
    for (std::uint32_t id : pass.hidden)
        if (auto found = panels_.find(id); found != panels_.end())
            found->second.overlay->hide();
    if (pass.hidden != previousHidden_) {
        log::overlays.debug("Suppressed borders: " + std::to_string(pass.hidden.size()));
        previousHidden_ = pass.hidden;
    }
    if (!outfit)
        return;
    pixelsPerPoint_ = host_.pixelsPerPoint();
    moveFirst(pass.visible);
    // Back-most first, so that each overlay goes below its window after the
    // windows behind it have been dealt with.
    for (auto w = pass.visible.rbegin(); w != pass.visible.rend(); ++w)
        dress(*w, *outfit);
}

void OverlayController::moveFirst(const std::vector<TrackedWindow>& visible) {
    // Cutting the windows in front out of every overlay behind a dragged
    // window costs the server far more than moving its own overlay; a move
    // sent first is on screen before the server starts on the cuts.
    for (const TrackedWindow& window : visible) {
        auto found = panels_.find(window.id);
        if (found == panels_.end() || !found->second.overlay)
            continue;
        View& view = found->second.view;
        const Rect frame =
            BorderGeometry::outerRect(window.frame, settings.borderWidth * pixelsPerPoint_);
        if (view.frame != frame && view.frame.size() == frame.size() &&
            view.pixelsPerPoint == pixelsPerPoint_) {
            found->second.overlay->setFrame(frame);
            view.frame = frame;
        }
    }
}

void OverlayController::dress(const TrackedWindow& window, Outfit outfit) {
    Panel& panel = panels_[window.id];
    if (!panel.overlay)
        panel.overlay = host_.createOverlay();
    const double width = settings.borderWidth;
    // Frames are in pixels, the width in points.
    const Rect frame = BorderGeometry::outerRect(window.frame, width * pixelsPerPoint_);
    const Rect bounds{0, 0, frame.width, frame.height};
    std::vector<Rect> occluders;
    for (const Rect& occluder : window.occludingFrames)
        if (Rect local = occluder.offsetBy(-frame.x, -frame.y); local.intersects(bounds))
            occluders.push_back(local);
    const RingStyle style{outfit,
                          settings.variant(window, outfit),
                          width,
                          settings.patternScale,
                          settings.sameForAllApps ? std::nullopt : appColor(window),
                          dark,
                          kCornerRadius};

    View& view = panel.view;
    // A move of unchanged size keeps the picture; occluders are applied when
    // it is put, so they never cost a render either.
    const bool pictureChanged = view.frame.size() != frame.size() || view.style != style ||
                                view.pixelsPerPoint != pixelsPerPoint_;
    if (view.frame != frame)
        panel.overlay->setFrame(frame);
    if (view.style.variant != style.variant)
        log::overlays.debug("Assigned cloth variant " + std::to_string(style.variant.rawValue()) +
                            " for " + std::string(outfit.rawValue()) + ", window " +
                            std::to_string(window.id));
    if (view.occluders != occluders)
        panel.overlay->setOccluders(occluders);
    view = {style, frame, std::move(occluders), pixelsPerPoint_};
    if (pictureChanged)
        render(window.id, panel, window.frame.size());
    panel.overlay->showBelow(window.id);
}

void OverlayController::render(std::uint32_t windowID, Panel& panel, Size windowSize) {
    const std::uint64_t picture = ++panel.picture;
    std::weak_ptr<OverlayController> weak = weak_from_this();
    renderer_.post([weak, windowID, picture, windowSize, style = panel.view.style,
                    scale = panel.view.pixelsPerPoint, &host = host_, &mainThread = mainThread_] {
        if (weak.expired())
            return;
        std::shared_ptr<const platform::Picture> ring;
        try {
            ring = host.prepare(ringImage(windowSize, style, scale));
        } catch (const RenderError& error) {
            // A window too big to dress keeps its overlay without a picture.
            log::overlays.error(std::string("Cannot draw a border: ") + error.what());
            return;
        } catch (const std::bad_alloc&) {
            log::overlays.error("Cannot draw a border: out of memory");
            return;
        }
        mainThread.post([weak, windowID, picture, ring = std::move(ring)]() mutable {
            auto self = weak.lock();
            if (!self)
                return;
            auto found = self->panels_.find(windowID);
            if (found != self->panels_.end() && found->second.picture == picture)
                found->second.overlay->setPicture(std::move(ring));
        });
    });
}

std::optional<Color> OverlayController::appColor(const TrackedWindow& window) {
    if (auto known = colors_.find(window.bundleID); known != colors_.end())
        return known->second;
    auto icon = icons_.icon(window.processID, window.bundleID, window.id);
    if (!icon)
        return std::nullopt;
    try {
        const Color color = applicationTint(*icon);
        colors_.emplace(window.bundleID, color);
        return color;
    } catch (const RenderError&) {
        return std::nullopt; // no memory for a 12 × 12 sample; asked again next pass
    }
}

void OverlayController::hideAll() {
    for (auto& [id, panel] : panels_)
        panel.overlay->hide();
}

std::set<std::uint32_t> OverlayController::overlayIDs() const {
    std::set<std::uint32_t> ids;
    for (const auto& [id, panel] : panels_)
        for (std::uint32_t overlay : panel.overlay->windowIDs())
            ids.insert(overlay);
    return ids;
}

} // namespace garbello
