#pragma once

#include "draw/bitmap.h"
#include "model/geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace garbello::platform {

// A ring as the host will put it, made from an image on any thread so that
// the main thread only hands it over. A host may keep the pixels its own way
// (the X11 host keeps only the ring's pieces) and leave `image` empty.
class Picture {
public:
    explicit Picture(Image image) : image(std::move(image)) {}
    virtual ~Picture() = default;
    Image image;
};

// One click-through window behind a dressed window that shows its cloth
// ring. Frames are in desktop coordinates (origin at the bottom-left of the
// primary screen, y up); occluders in the overlay's own coordinates, same
// orientation. Destroying the overlay closes its window.
class Overlay {
public:
    virtual ~Overlay() = default;

    // Moves and resizes the window; what it shows stays until the next image.
    virtual void setFrame(const Rect& frame) = 0;
    // The picture to show, the size of the frame, prepared by the host that
    // made the overlay. Until the first one comes the window stays unmapped
    // even when shown.
    virtual void setPicture(std::shared_ptr<const Picture> picture) = 0;
    // The frames of windows in front: nothing of the picture shows under
    // them. Applied when the picture is put on screen, not drawn into it.
    virtual void setOccluders(std::vector<Rect> occluders) = 0;
    // Shows the window (once it has an image) directly below `windowID`, the
    // window server's id of the dressed window.
    virtual void showBelow(std::uint32_t windowID) = 0;
    virtual void hide() = 0;
    // The window server's id of the overlay's window directly below the
    // dressed one; 0 while it has none.
    virtual std::uint32_t id() const = 0;
    // The ids of all the windows the overlay is made of, so that the tracker
    // can leave them out; the overlay may keep the ring in several pieces.
    virtual std::vector<std::uint32_t> windowIDs() const {
        if (const std::uint32_t only = id())
            return {only};
        return {};
    }
};

class OverlayHost {
public:
    virtual ~OverlayHost() = default;
    virtual std::unique_ptr<Overlay> createOverlay() = 0;
    // Readies `image` for setPicture; may be called on any thread.
    virtual std::shared_ptr<const Picture> prepare(Image image) const {
        return std::make_shared<Picture>(std::move(image));
    }
    // Pixels per point the cloth is drawn at (HiDPI); window frames are in
    // pixels, the border width in points.
    virtual double pixelsPerPoint() const { return 1; }
    // Whether every overlay lost its frame, stacking and picture since the
    // last call, as when the display starts or stops blending windows; each
    // must then be framed, painted and shown again.
    virtual bool picturesLost() { return false; }
};

// Application icons, for the application's tint.
class ApplicationIcons {
public:
    virtual ~ApplicationIcons() = default;
    // An icon of the application that owns `windowID` (process `processID`,
    // application id `applicationID`), any size; none when it has none.
    virtual std::optional<Image> icon(std::int32_t processID, const std::string& applicationID,
                                      std::uint32_t windowID) = 0;
};

} // namespace garbello::platform
