#include "platform/x11_overlay_host.h"

#include "platform/ring_pieces.h"
#include "platform/x11_handles.h"
#include "platform/x_resources.h"
#include "tracking/desktop_geometry.h"

#include <xcb/shape.h>
#include <xcb/shm.h>
#include <xcb/xcbext.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <set>
#include <sys/shm.h>
#include <vector>

namespace garbello::platform {

using x11::internAtom;
using x11::Reply;
using x11::take;

namespace {

constexpr const char* kOverlayName = "Garbello border";
// Clients nest at most this deep below their frame.
constexpr int kMaximumFrameDepth = 8;

// A 32-bit TrueColor visual of the screen, for windows with an alpha channel.
xcb_visualid_t argbVisual(const xcb_screen_t* screen) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem;
         xcb_depth_next(&depths)) {
        if (depths.data->depth != 32)
            continue;
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
             xcb_visualtype_next(&visuals))
            if (visuals.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR)
                return visuals.data->visual_id;
    }
    return XCB_NONE;
}

xcb_rectangle_t rectangle(double x, double y, double width, double height) {
    const auto clamp16 = [](double v) { return std::clamp(std::lround(v), -32768L, 32767L); };
    return {std::int16_t(clamp16(x)), std::int16_t(clamp16(y)),
            std::uint16_t(std::clamp(std::lround(width), 0L, 65535L)),
            std::uint16_t(std::clamp(std::lround(height), 0L, 65535L))};
}

// Without a compositor a pixel is either shown or not: those at least half
// opaque are.
constexpr std::uint32_t kShownAlpha = 0x80;

// The shown pixels as bands of rectangles: each band the rows that have the
// same runs of shown pixels, so the long straight sides of a ring take two
// rectangles instead of two per row. The result is in YX-banded order, which
// spares the server sorting it on every shape change.
std::vector<xcb_rectangle_t> shownBands(const Image& image) {
    std::vector<xcb_rectangle_t> bands;
    std::vector<std::pair<int, int>> runs, previous;
    std::size_t bandStart = 0;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.pixels.data() + std::size_t(y) * image.stride;
        const auto visible = [&](int x) {
            std::uint32_t argb;
            std::memcpy(&argb, row + 4 * x, 4);
            return (argb >> 24) >= kShownAlpha;
        };
        runs.clear();
        for (int x = 0; x < image.width;) {
            if (!visible(x)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < image.width && visible(x))
                ++x;
            runs.emplace_back(start, x);
        }
        if (y > 0 && runs == previous && !runs.empty()) {
            for (std::size_t i = bandStart; i < bands.size(); ++i)
                ++bands[i].height;
            continue;
        }
        bandStart = bands.size();
        for (const auto& [start, end] : runs)
            bands.push_back(rectangle(start, y, end - start, 1));
        std::swap(runs, previous);
    }
    return bands;
}

// Shown without blending, the pixels must carry their full colour.
void unpremultiply(Image& image) {
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* row = image.pixels.data() + std::size_t(y) * image.stride;
        for (int x = 0; x < image.width; ++x) {
            std::uint32_t argb;
            std::memcpy(&argb, row + 4 * x, 4);
            const std::uint32_t alpha = argb >> 24;
            if (alpha == 0 || alpha == 255)
                continue;
            const auto channel = [&](int shift) {
                return std::min<std::uint32_t>(255,
                                               ((argb >> shift & 0xff) * 255 + alpha / 2) / alpha)
                       << shift;
            };
            argb = alpha << 24 | channel(16) | channel(8) | channel(0);
            std::memcpy(row + 4 * x, &argb, 4);
        }
    }
}

} // namespace

namespace {

// Memory shared with the X server, so that putting a ring's pixels is a few
// small requests instead of the pixels through the socket, which would hold
// the main thread whenever the server is slow to read them. Marked for
// removal at once (Linux lets the server attach it still), so that nothing
// outlives us.
class SharedPixels {
public:
    // Nothing when the system has no such memory to give.
    static std::unique_ptr<SharedPixels> make(std::size_t size) {
        const int id = ::shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
        if (id < 0)
            return nullptr;
        void* address = ::shmat(id, nullptr, 0);
        ::shmctl(id, IPC_RMID, nullptr);
        if (address == reinterpret_cast<void*>(-1))
            return nullptr;
        return std::unique_ptr<SharedPixels>(
            new SharedPixels(std::uint32_t(id), static_cast<std::uint8_t*>(address)));
    }
    ~SharedPixels() { ::shmdt(address); }
    SharedPixels(const SharedPixels&) = delete;
    SharedPixels& operator=(const SharedPixels&) = delete;

    const std::uint32_t id;
    std::uint8_t* const address;

private:
    SharedPixels(std::uint32_t id, std::uint8_t* address) : id(id), address(address) {}
};

// A ring cut into the pieces that hold its pixels, each as its window will
// show it: without a compositor un-premultiplied and with the shape of the
// shown pixels; blended, as drawn and the whole piece. The full image is
// dropped here, on the render worker, so that what our process keeps and
// what the server holds is only the ring.
struct X11Picture final : Picture {
    struct Piece {
        // Emptied, but for its size, when the pixels are in `shared`.
        Image pixels;
        std::size_t offset = 0;             // in `shared`
        std::vector<xcb_rectangle_t> shown; // in the piece's own pixels
    };

    X11Picture(int width, int height, bool blended)
        : Picture(Image{}), width(width), height(height), blended(blended) {}

    static std::shared_ptr<const X11Picture> make(const Image& image, bool blended, bool share) {
        auto picture = std::make_shared<X11Picture>(image.width, image.height, blended);
        picture->insets = ringInsets(image);
        const auto places = ringPieces(image.width, image.height, picture->insets);
        for (std::size_t i = 0; i < places.size(); ++i) {
            if (places[i].empty())
                continue;
            Piece& piece = picture->pieces[i];
            piece.pixels = crop(image, places[i]);
            if (blended) {
                piece.shown = {rectangle(0, 0, piece.pixels.width, piece.pixels.height)};
            } else {
                unpremultiply(piece.pixels);
                piece.shown = shownBands(piece.pixels);
            }
        }
        if (share)
            picture->share();
        return picture;
    }

    int width, height;
    bool blended;
    RingInsets insets;
    std::array<Piece, 4> pieces;
    std::unique_ptr<SharedPixels> shared;

private:
    // Moves the pixels into memory shared with the server; they stay where
    // they are when there is none.
    void share() {
        std::size_t size = 0;
        for (const Piece& piece : pieces)
            size += piece.pixels.pixels.size();
        if (size == 0 || !(shared = SharedPixels::make(size)))
            return;
        std::size_t offset = 0;
        for (Piece& piece : pieces) {
            std::memcpy(shared->address + offset, piece.pixels.pixels.data(),
                        piece.pixels.pixels.size());
            piece.offset = offset;
            offset += piece.pixels.pixels.size();
            std::vector<std::uint8_t>().swap(piece.pixels.pixels);
        }
    }
};

// An overlay's window, which the host makes anew when the way the display
// blends changes.
class OverlayWindow {
public:
    virtual void recreate() = 0;

protected:
    ~OverlayWindow() = default;
};

} // namespace

struct X11OverlayHost::Server {
    x11::Connection connection;
    const Screens* screens = nullptr;
    xcb_screen_t* screen = nullptr;
    // The screen's compositing manager selection, and the first event number
    // of XFixes, which reports its changes of owner (0 without XFixes).
    xcb_atom_t compositorSelection = XCB_NONE;
    std::uint8_t xfixesEvents = 0;
    bool ownerChanged = false;
    // Read by the render workers as they prepare pictures.
    std::atomic<bool> composited = false;
    // From Xft.dpi, followed as the root's RESOURCE_MANAGER changes.
    double pixelsPerPoint = 1;
    std::uint8_t depth = 0;
    xcb_visualid_t visual = XCB_NONE;
    xcb_colormap_t colormap = XCB_NONE;
    xcb_colormap_t ownColormap = XCB_NONE;
    std::size_t maximumRequestBytes = 0;
    // Whether the server can read pixels from memory we share with it.
    bool sharesMemory = false;
    // Pictures whose shared pixels the server may still read, each with the
    // request after the last of its reads: it is done with them once that
    // request's reply came.
    std::deque<std::pair<unsigned int, std::shared_ptr<const X11Picture>>> reading;
    std::set<OverlayWindow*> overlays;
    // Dressed client → its frame among the root's children.
    std::unordered_map<xcb_window_t, xcb_window_t> frames;

    xcb_connection_t* get() const { return connection.get(); }

    double mainScreenHeight() const {
        const auto all = screens->frames();
        return all.empty() ? screen->height_in_pixels : all.front().height;
    }

    // Errors of requests on windows that went in the meantime arrive as
    // events; nothing here waits for them, so they are simply dropped. What
    // matters is whether the compositor came or went, and the resources.
    void readEvents() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(get())) {
            const int type = event->response_type & 0x7f;
            if (xfixesEvents && type == xfixesEvents + XCB_XFIXES_SELECTION_NOTIFY)
                ownerChanged = true;
            if (type == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<const xcb_property_notify_event_t*>(event)->atom ==
                    XCB_ATOM_RESOURCE_MANAGER)
                readScale();
            std::free(event);
        }
        while (!reading.empty()) {
            void* reply = nullptr;
            xcb_generic_error_t* error = nullptr;
            if (!xcb_poll_for_reply(get(), reading.front().first, &reply, &error))
                break;
            std::free(reply);
            std::free(error);
            reading.pop_front();
        }
    }

    // Keeps `picture`'s shared pixels until the server has read them.
    void keepUntilRead(std::shared_ptr<const X11Picture> picture) {
        reading.emplace_back(xcb_get_input_focus(get()).sequence, std::move(picture));
    }

    // After a round trip, when every earlier request is done.
    void allRead() {
        for (const auto& [sequence, picture] : reading)
            xcb_discard_reply(get(), sequence);
        reading.clear();
    }

    void readScale() {
        auto reply = take(get(), xcb_get_property_reply,
                          xcb_get_property(get(), 0, screen->root, XCB_ATOM_RESOURCE_MANAGER,
                                           XCB_ATOM_STRING, 0, 1u << 20));
        pixelsPerPoint =
            reply ? xftScale({static_cast<const char*>(xcb_get_property_value(reply.get())),
                              std::size_t(xcb_get_property_value_length(reply.get()))})
                  : 1;
    }

    // Blending needs a compositor and a visual with alpha; without either,
    // overlays are shaped instead.
    bool compositorRuns() const {
        auto owner = take(get(), xcb_get_selection_owner_reply,
                          xcb_get_selection_owner(get(), compositorSelection));
        return owner && owner.get()->owner != XCB_NONE && argbVisual(screen) != XCB_NONE;
    }

    void useVisual(bool blended) {
        composited = blended;
        if (ownColormap) {
            xcb_free_colormap(get(), ownColormap);
            ownColormap = XCB_NONE;
        }
        if (blended) {
            depth = 32;
            visual = argbVisual(screen);
            ownColormap = xcb_generate_id(get());
            xcb_create_colormap(get(), XCB_COLORMAP_ALLOC_NONE, ownColormap, screen->root, visual);
            colormap = ownColormap;
        } else {
            depth = screen->root_depth;
            visual = screen->root_visual;
            colormap = screen->default_colormap;
        }
    }

    bool switchBlending() {
        readEvents();
        if (!ownerChanged)
            return false;
        ownerChanged = false;
        const bool blended = compositorRuns();
        if (blended == composited)
            return false;
        useVisual(blended);
        for (OverlayWindow* overlay : overlays)
            overlay->recreate();
        xcb_flush(get());
        return true;
    }

    // The child of the root that holds `client`, which an overlay is stacked
    // against; the client itself when nothing reparented it.
    xcb_window_t frameOf(xcb_window_t client) {
        if (auto known = frames.find(client); known != frames.end())
            return known->second;
        xcb_window_t window = client;
        for (int depth = 0; depth < kMaximumFrameDepth; ++depth) {
            auto tree = take(get(), xcb_query_tree_reply, xcb_query_tree(get(), window));
            if (!tree)
                return XCB_NONE;
            if (tree.get()->parent == screen->root || tree.get()->parent == XCB_NONE)
                break;
            window = tree.get()->parent;
        }
        frames[client] = window;
        return window;
    }
};

namespace {

// An overlay is up to four windows, one per piece of the ring (see
// ringPieces), so that the server keeps pixels only for the ring: a window's
// background tiles, so one window over the whole frame would need a pixmap
// of the whole frame, and a compositor redirects every top-level window into
// a pixmap of its full size as well.
class X11Overlay final : public Overlay, public OverlayWindow {
public:
    explicit X11Overlay(X11OverlayHost::Server& server) : server_(server), c_(server.get()) {
        createWindows();
        server_.overlays.insert(this);
        xcb_flush(c_);
    }

    ~X11Overlay() override {
        server_.overlays.erase(this);
        destroyWindows();
        xcb_flush(c_);
    }

    // The new windows have the host's visual and nothing else: the owner
    // frames, paints and stacks them again.
    void recreate() override {
        destroyWindows();
        createWindows();
    }

    void setFrame(const Rect& frame) override {
        const bool resized = frame.size() != frame_.size();
        frame_ = frame;
        const Rect x = DesktopGeometry::cocoaFrame(frame, server_.mainScreenHeight());
        origin_ = rectangle(x.x, x.y, std::max(1.0, x.width), std::max(1.0, x.height));
        if (resized)
            layOut(ringPieces(origin_.width, origin_.height, insets_));
        else
            for (const Piece& piece : pieces_)
                place(piece, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y);
        xcb_flush(c_);
    }

    void setPicture(std::shared_ptr<const Picture> picture) override {
        auto prepared = std::dynamic_pointer_cast<const X11Picture>(picture);
        if (!prepared)
            prepared = X11Picture::make(picture->image, server_.composited, false);
        // Made before a compositor came or went: its pixels and shapes are
        // of the other kind, and the windows it was meant for are gone; the
        // owner paints the new ones anyway.
        if (prepared->blended != server_.composited)
            return;
        // Lets go of the pixels of the rings put before as the server is
        // done with them, a few at a time rather than all in the next pass.
        server_.readEvents();
        hasImage_ = false;
        insets_ = prepared->insets;
        layOut(ringPieces(prepared->width, prepared->height, insets_));
        xcb_shm_seg_t segment = XCB_NONE;
        if (prepared->shared) {
            segment = xcb_generate_id(c_);
            xcb_shm_attach(c_, segment, prepared->shared->id, 1);
        }
        for (std::size_t i = 0; i < pieces_.size(); ++i) {
            Piece& piece = pieces_[i];
            const X11Picture::Piece& from = prepared->pieces[i];
            piece.shown = from.shown;
            piece.painted = from.pixels.width > 0 && from.pixels.height > 0;
            if (!piece.painted) {
                xcb_unmap_window(c_, piece.window);
                continue;
            }
            hasImage_ = true;
            const xcb_pixmap_t pixmap = xcb_generate_id(c_);
            xcb_create_pixmap(c_, server_.depth, pixmap, piece.window,
                              std::uint16_t(from.pixels.width), std::uint16_t(from.pixels.height));
            upload(pixmap, from, segment);
            // The server repaints exposed parts from the background by
            // itself, and keeps the pixmap as long as the window shows it.
            const std::uint32_t background[] = {pixmap};
            xcb_change_window_attributes(c_, piece.window, XCB_CW_BACK_PIXMAP, background);
            xcb_free_pixmap(c_, pixmap);
            xcb_clear_area(c_, 0, piece.window, 0, 0, 0, 0);
        }
        if (segment) {
            xcb_shm_detach(c_, segment);
            server_.keepUntilRead(prepared);
        }
        if (hasImage_) {
            applyShape(true);
            if (shown_)
                map();
        }
        xcb_flush(c_);
    }

    void setOccluders(std::vector<Rect> occluders) override {
        occluders_ = std::move(occluders);
        if (hasImage_)
            applyShape(false);
        xcb_flush(c_);
    }

    void showBelow(std::uint32_t windowID) override {
        server_.readEvents();
        shown_ = true;
        // The pieces one after the other directly below the window's frame.
        xcb_window_t above = server_.frameOf(windowID);
        for (std::size_t i = 0; above && i < pieces_.size(); ++i) {
            const std::uint32_t values[] = {above, XCB_STACK_MODE_BELOW};
            xcb_configure_window(c_, pieces_[i].window,
                                 XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
            above = pieces_[i].window;
        }
        if (hasImage_)
            map();
        xcb_flush(c_);
    }

    void hide() override {
        shown_ = false;
        for (const Piece& piece : pieces_)
            xcb_unmap_window(c_, piece.window);
        xcb_flush(c_);
    }

    std::uint32_t id() const override { return pieces_.front().window; }

    std::vector<std::uint32_t> windowIDs() const override {
        std::vector<std::uint32_t> ids;
        for (const Piece& piece : pieces_)
            ids.push_back(piece.window);
        return ids;
    }

private:
    struct Piece {
        xcb_window_t window = XCB_NONE;
        PixelRect place; // in the overlay, y down
        std::vector<xcb_rectangle_t> shown;
        std::vector<xcb_rectangle_t> cut; // as last applied, in the piece
        bool painted = false;
    };

    void createWindows() {
        for (Piece& piece : pieces_) {
            piece.window = xcb_generate_id(c_);
            const std::uint32_t values[] = {0, 0, 1, server_.colormap};
            xcb_create_window(c_, server_.depth, piece.window, server_.screen->root, -1, -1, 1, 1,
                              0, XCB_WINDOW_CLASS_INPUT_OUTPUT, server_.visual,
                              XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT |
                                  XCB_CW_COLORMAP,
                              values);
            // No input region: every click goes to what is below.
            xcb_shape_rectangles(c_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT,
                                 XCB_CLIP_ORDERING_UNSORTED, piece.window, 0, 0, 0, nullptr);
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, piece.window, XCB_ATOM_WM_NAME,
                                XCB_ATOM_STRING, 8, std::uint32_t(std::strlen(kOverlayName)),
                                kOverlayName);
        }
    }

    void destroyWindows() {
        for (Piece& piece : pieces_) {
            xcb_destroy_window(c_, piece.window);
            piece = {};
        }
        hasImage_ = false;
        frame_ = {};
        origin_ = {};
        insets_ = {};
        occluders_.clear();
    }

    // Moves (and with `mask` resizes) a piece's window to its place in the
    // overlay.
    void place(const Piece& piece, std::uint16_t mask) {
        const std::uint32_t values[] = {std::uint32_t(std::int32_t(origin_.x) + piece.place.x),
                                        std::uint32_t(std::int32_t(origin_.y) + piece.place.y),
                                        std::uint32_t(std::max(1, piece.place.width)),
                                        std::uint32_t(std::max(1, piece.place.height))};
        xcb_configure_window(c_, piece.window, mask, values);
    }

    void layOut(const std::array<PixelRect, 4>& places) {
        for (std::size_t i = 0; i < pieces_.size(); ++i) {
            if (pieces_[i].place == places[i] && !places[i].empty()) {
                place(pieces_[i], XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y);
                continue;
            }
            pieces_[i].place = places[i];
            place(pieces_[i], XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                  XCB_CONFIG_WINDOW_HEIGHT);
        }
    }

    void map() {
        for (const Piece& piece : pieces_)
            if (piece.painted)
                xcb_map_window(c_, piece.window);
    }

    // From the shared memory `segment` (attached to the picture's), or else
    // rows in pieces that fit the server's request size.
    void upload(xcb_pixmap_t pixmap, const X11Picture::Piece& piece, xcb_shm_seg_t segment) {
        const Image& image = piece.pixels;
        const xcb_gcontext_t gc = xcb_generate_id(c_);
        xcb_create_gc(c_, gc, pixmap, 0, nullptr);
        if (segment) {
            const auto w = std::uint16_t(image.width), h = std::uint16_t(image.height);
            xcb_shm_put_image(c_, pixmap, gc, w, h, 0, 0, w, h, 0, 0, server_.depth,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment, std::uint32_t(piece.offset));
            xcb_free_gc(c_, gc);
            return;
        }
        const std::size_t rowsPerRequest =
            std::max<std::size_t>(1, (server_.maximumRequestBytes - 64) / image.stride);
        for (std::size_t top = 0; top < std::size_t(image.height); top += rowsPerRequest) {
            const std::size_t rows = std::min(rowsPerRequest, std::size_t(image.height) - top);
            xcb_put_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, std::uint16_t(image.width),
                          std::uint16_t(rows), 0, std::int16_t(top), 0, server_.depth,
                          std::uint32_t(rows * image.stride),
                          image.pixels.data() + top * image.stride);
        }
        xcb_free_gc(c_, gc);
    }

    // Each piece's shown pixels (or the whole piece, when a compositor
    // blends it) less the windows in front. A piece whose cut stays as it
    // was is left alone unless its pixels are new (`repainted`): behind a
    // dragged window most pieces of most overlays are, and every shape
    // change costs the server a repaint.
    void applyShape(bool repainted) {
        for (Piece& piece : pieces_) {
            if (!piece.painted)
                continue;
            const PixelRect& p = piece.place;
            std::vector<xcb_rectangle_t> cut;
            for (const Rect& occluder : occluders_) {
                // In the piece's own pixels, y down, clipped to the piece.
                const double top = frame_.height - occluder.y - occluder.height - p.y;
                const double left = std::max(0.0, occluder.x - p.x);
                const double right = std::min(double(p.width), occluder.x + occluder.width - p.x);
                const double bottom = std::min(double(p.height), top + occluder.height);
                if (right > left && bottom > std::max(0.0, top))
                    cut.push_back(rectangle(left, std::max(0.0, top), right - left,
                                            bottom - std::max(0.0, top)));
            }
            const auto same = [](const xcb_rectangle_t& a, const xcb_rectangle_t& b) {
                return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
            };
            if (!repainted &&
                std::equal(cut.begin(), cut.end(), piece.cut.begin(), piece.cut.end(), same))
                continue;
            xcb_shape_rectangles(c_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING,
                                 XCB_CLIP_ORDERING_YX_BANDED, piece.window, 0, 0,
                                 std::uint32_t(piece.shown.size()), piece.shown.data());
            if (!cut.empty())
                xcb_shape_rectangles(c_, XCB_SHAPE_SO_SUBTRACT, XCB_SHAPE_SK_BOUNDING,
                                     XCB_CLIP_ORDERING_UNSORTED, piece.window, 0, 0,
                                     std::uint32_t(cut.size()), cut.data());
            piece.cut = std::move(cut);
        }
    }

    X11OverlayHost::Server& server_;
    xcb_connection_t* c_;
    // Top, bottom, left, right; the top one (or the only one) directly
    // below the dressed window.
    std::array<Piece, 4> pieces_;
    Rect frame_;
    xcb_rectangle_t origin_{}; // the frame in the server's coordinates
    RingInsets insets_;
    std::vector<Rect> occluders_;
    bool hasImage_ = false;
    bool shown_ = false;
};

} // namespace

namespace {

// Asks XFixes to report every change of the compositor selection's owner,
// before the owner is first read, so that no change falls in between.
void watchCompositor(X11OverlayHost::Server& server, xcb_connection_t* c) {
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present)
        return;
    // The version must be asked before any other XFixes request.
    std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 1, 0), nullptr));
    server.xfixesEvents = xfixes->first_event;
    xcb_xfixes_select_selection_input(c, server.screen->root, server.compositorSelection,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
}

} // namespace

namespace {

// Whether the server can attach memory of ours: it must run on this machine,
// which only an attach tells.
bool canShareMemory(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (!shm || !shm->present)
        return false;
    const auto probe = SharedPixels::make(4);
    if (!probe)
        return false;
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_shm_attach_checked(c, segment, probe->id, 1));
    if (error) {
        std::free(error);
        return false;
    }
    xcb_shm_detach(c, segment);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return true;
}

} // namespace

std::unique_ptr<X11OverlayHost> X11OverlayHost::open(const std::string& display,
                                                     const Screens& screens) {
    int screenNumber = 0;
    x11::Connection connection(
        xcb_connect(display.empty() ? nullptr : display.c_str(), &screenNumber));
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c))
        return nullptr;
    auto server = std::make_unique<Server>();
    server->screens = &screens;
    auto roots = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && roots.rem; ++i)
        xcb_screen_next(&roots);
    server->screen = roots.data;
    server->compositorSelection = internAtom(c, "_NET_WM_CM_S" + std::to_string(screenNumber));
    watchCompositor(*server, c);
    // Before the first read, so that no change falls in between.
    const std::uint32_t rootEvents[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_change_window_attributes(c, server->screen->root, XCB_CW_EVENT_MASK, rootEvents);
    server->connection = std::move(connection);
    server->useVisual(server->compositorRuns());
    server->readScale();
    server->maximumRequestBytes = std::size_t(xcb_get_maximum_request_length(c)) * 4;
    server->sharesMemory = canShareMemory(c);
    return std::unique_ptr<X11OverlayHost>(new X11OverlayHost(std::move(server)));
}

X11OverlayHost::X11OverlayHost(std::unique_ptr<Server> server) : server_(std::move(server)) {}

X11OverlayHost::~X11OverlayHost() = default;

std::unique_ptr<Overlay> X11OverlayHost::createOverlay() {
    server_->readEvents();
    return std::make_unique<X11Overlay>(*server_);
}

void X11OverlayHost::sync() {
    xcb_connection_t* c = server_->get();
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    server_->allRead();
}

std::shared_ptr<const Picture> X11OverlayHost::prepare(Image image) const {
    return X11Picture::make(image, server_->composited, server_->sharesMemory);
}

bool X11OverlayHost::picturesLost() {
    return server_->switchBlending();
}

double X11OverlayHost::pixelsPerPoint() const {
    return server_->pixelsPerPoint;
}

bool X11OverlayHost::composited() const {
    return server_->composited;
}

} // namespace garbello::platform
