#pragma once

#include "platform/overlay_host.h"
#include "platform/screens.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace garbello::platform {

// Overlays as override-redirect X windows on a connection of their own, used
// from the main thread only. With a compositor running they have a 32-bit
// ARGB visual; without one, their bounding shape is cut from the ring's
// alpha, so that only cloth is ever seen; when a compositor starts or stops,
// the windows are made anew of the other kind. Either way they take no input.
// An overlay is a window per side of the ring, so that the server holds
// pixels only for the ring.
// See docs/desktop.md.
class X11OverlayHost final : public OverlayHost {
public:
    // Connects to `display` (empty for $DISPLAY); nullptr when it cannot.
    // `screens` gives the primary screen's height, which desktop coordinates
    // hang from; it must outlive the host.
    static std::unique_ptr<X11OverlayHost> open(const std::string& display, const Screens& screens);
    ~X11OverlayHost() override;
    X11OverlayHost(const X11OverlayHost&) = delete;
    X11OverlayHost& operator=(const X11OverlayHost&) = delete;

    std::unique_ptr<Overlay> createOverlay() override;
    // True when a compositor came or went: overlays then have windows of the
    // new kind, blank until painted again.
    bool picturesLost() override;
    // Xft.dpi / 96, as last seen in the root's resources.
    double pixelsPerPoint() const override;
    // Cuts the ring into the pieces its windows show, and without a
    // compositor un-premultiplies them and finds their shapes; off the main
    // thread.
    std::shared_ptr<const Picture> prepare(Image image) const override;
    // Whether overlays are blended by a compositor (one owns the screen's
    // _NET_WM_CM selection and an ARGB visual exists), as last seen.
    bool composited() const;
    // Returns once the server has carried out everything asked so far, for
    // whoever looks at the overlays through another connection.
    void sync();

    struct Server;

private:
    explicit X11OverlayHost(std::unique_ptr<Server> server);

    std::unique_ptr<Server> server_;
};

} // namespace garbello::platform
