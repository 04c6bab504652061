#include "platform/x11_overlay_host.h"

#include "platform/x11_handles.h"
#include "tracking/desktop_geometry.h"

#include <xcb/shape.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace garbello::platform {

using x11::Reply;
using x11::take;

namespace {

constexpr const char* kOverlayName = "Garbello border";
// Clients nest at most this deep below their frame.
constexpr int kMaximumFrameDepth = 8;

xcb_atom_t internAtom(xcb_connection_t* c, const std::string& name) {
    auto reply = take(c, xcb_intern_atom_reply,
                      xcb_intern_atom(c, 0, std::uint16_t(name.size()), name.c_str()));
    return reply ? reply.get()->atom : xcb_atom_t(XCB_ATOM_NONE);
}

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

// The runs of shown pixels of each row, as rectangles one row high.
std::vector<xcb_rectangle_t> shownRuns(const Image& image) {
    std::vector<xcb_rectangle_t> runs;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.pixels.data() + std::size_t(y) * image.stride;
        const auto visible = [&](int x) {
            std::uint32_t argb;
            std::memcpy(&argb, row + 4 * x, 4);
            return (argb >> 24) >= kShownAlpha;
        };
        for (int x = 0; x < image.width;) {
            if (!visible(x)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < image.width && visible(x))
                ++x;
            runs.push_back(rectangle(start, y, x - start, 1));
        }
    }
    return runs;
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

struct X11OverlayHost::Server {
    x11::Connection connection;
    const Screens* screens = nullptr;
    xcb_screen_t* screen = nullptr;
    bool composited = false;
    std::uint8_t depth = 0;
    xcb_visualid_t visual = XCB_NONE;
    xcb_colormap_t colormap = XCB_NONE;
    std::size_t maximumRequestBytes = 0;
    // Dressed client → its frame among the root's children.
    std::unordered_map<xcb_window_t, xcb_window_t> frames;

    xcb_connection_t* get() const { return connection.get(); }

    double mainScreenHeight() const {
        const auto all = screens->frames();
        return all.empty() ? screen->height_in_pixels : all.front().height;
    }

    // Errors of requests on windows that went in the meantime arrive as
    // events; nothing here waits for them, so they are simply dropped.
    void dropEvents() const {
        while (xcb_generic_event_t* event = xcb_poll_for_event(get()))
            std::free(event);
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

class X11Overlay final : public Overlay {
public:
    explicit X11Overlay(X11OverlayHost::Server& server)
        : server_(server), c_(server.get()), window_(xcb_generate_id(c_)) {
        const std::uint32_t values[] = {0, 0, 1, server.colormap};
        xcb_create_window(c_, server.depth, window_, server.screen->root, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, server.visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT |
                              XCB_CW_COLORMAP,
                          values);
        // No input region: every click goes to what is below.
        xcb_shape_rectangles(c_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                             window_, 0, 0, 0, nullptr);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING,
                            8, std::uint32_t(std::strlen(kOverlayName)), kOverlayName);
        xcb_flush(c_);
    }

    ~X11Overlay() override {
        xcb_destroy_window(c_, window_);
        if (pixmap_)
            xcb_free_pixmap(c_, pixmap_);
        xcb_flush(c_);
    }

    void setFrame(const Rect& frame) override {
        frame_ = frame;
        const Rect x = DesktopGeometry::cocoaFrame(frame, server_.mainScreenHeight());
        const xcb_rectangle_t r =
            rectangle(x.x, x.y, std::max(1.0, x.width), std::max(1.0, x.height));
        const std::uint32_t values[] = {std::uint32_t(r.x), std::uint32_t(r.y), r.width, r.height};
        xcb_configure_window(c_, window_,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             values);
        xcb_flush(c_);
    }

    void setImage(Image image) override {
        if (image.width <= 0 || image.height <= 0) {
            hasImage_ = false;
            xcb_unmap_window(c_, window_);
            xcb_flush(c_);
            return;
        }
        if (!server_.composited)
            unpremultiply(image);
        const xcb_pixmap_t pixmap = xcb_generate_id(c_);
        xcb_create_pixmap(c_, server_.depth, pixmap, window_, std::uint16_t(image.width),
                          std::uint16_t(image.height));
        upload(pixmap, image);
        // The server repaints exposed parts from the background by itself.
        const std::uint32_t background[] = {pixmap};
        xcb_change_window_attributes(c_, window_, XCB_CW_BACK_PIXMAP, background);
        xcb_clear_area(c_, 0, window_, 0, 0, 0, 0);
        if (pixmap_)
            xcb_free_pixmap(c_, pixmap_);
        pixmap_ = pixmap;
        ring_ = server_.composited
                    ? std::vector<xcb_rectangle_t>{rectangle(0, 0, image.width, image.height)}
                    : shownRuns(image);
        hasImage_ = true;
        applyShape();
        if (shown_)
            xcb_map_window(c_, window_);
        xcb_flush(c_);
    }

    void setOccluders(std::vector<Rect> occluders) override {
        occluders_ = std::move(occluders);
        if (hasImage_)
            applyShape();
        xcb_flush(c_);
    }

    void showBelow(std::uint32_t windowID) override {
        server_.dropEvents();
        shown_ = true;
        if (const xcb_window_t frame = server_.frameOf(windowID)) {
            const std::uint32_t values[] = {frame, XCB_STACK_MODE_BELOW};
            xcb_configure_window(c_, window_,
                                 XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
        }
        if (hasImage_)
            xcb_map_window(c_, window_);
        xcb_flush(c_);
    }

    void hide() override {
        shown_ = false;
        xcb_unmap_window(c_, window_);
        xcb_flush(c_);
    }

    std::uint32_t id() const override { return window_; }

private:
    // Rows go in pieces that fit the server's request size.
    void upload(xcb_pixmap_t pixmap, const Image& image) {
        const xcb_gcontext_t gc = xcb_generate_id(c_);
        xcb_create_gc(c_, gc, pixmap, 0, nullptr);
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

    // The ring (or the whole window, when a compositor blends it) less the
    // windows in front.
    void applyShape() {
        xcb_shape_rectangles(c_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING,
                             XCB_CLIP_ORDERING_UNSORTED, window_, 0, 0, std::uint32_t(ring_.size()),
                             ring_.data());
        if (occluders_.empty())
            return;
        std::vector<xcb_rectangle_t> cut;
        for (const Rect& occluder : occluders_)
            cut.push_back(rectangle(occluder.x, frame_.height - occluder.y - occluder.height,
                                    occluder.width, occluder.height));
        xcb_shape_rectangles(c_, XCB_SHAPE_SO_SUBTRACT, XCB_SHAPE_SK_BOUNDING,
                             XCB_CLIP_ORDERING_UNSORTED, window_, 0, 0, std::uint32_t(cut.size()),
                             cut.data());
    }

    X11OverlayHost::Server& server_;
    xcb_connection_t* c_;
    const xcb_window_t window_;
    xcb_pixmap_t pixmap_ = XCB_NONE;
    Rect frame_;
    std::vector<xcb_rectangle_t> ring_;
    std::vector<Rect> occluders_;
    bool hasImage_ = false;
    bool shown_ = false;
};

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
    const xcb_atom_t manager = internAtom(c, "_NET_WM_CM_S" + std::to_string(screenNumber));
    auto owner = take(c, xcb_get_selection_owner_reply, xcb_get_selection_owner(c, manager));
    const xcb_visualid_t argb = argbVisual(server->screen);
    server->composited = owner && owner.get()->owner != XCB_NONE && argb != XCB_NONE;
    if (server->composited) {
        server->depth = 32;
        server->visual = argb;
        server->colormap = xcb_generate_id(c);
        xcb_create_colormap(c, XCB_COLORMAP_ALLOC_NONE, server->colormap, server->screen->root,
                            argb);
    } else {
        server->depth = server->screen->root_depth;
        server->visual = server->screen->root_visual;
        server->colormap = server->screen->default_colormap;
    }
    server->maximumRequestBytes = std::size_t(xcb_get_maximum_request_length(c)) * 4;
    server->connection = std::move(connection);
    return std::unique_ptr<X11OverlayHost>(new X11OverlayHost(std::move(server)));
}

X11OverlayHost::X11OverlayHost(std::unique_ptr<Server> server) : server_(std::move(server)) {}

X11OverlayHost::~X11OverlayHost() = default;

std::unique_ptr<Overlay> X11OverlayHost::createOverlay() {
    server_->dropEvents();
    return std::make_unique<X11Overlay>(*server_);
}

void X11OverlayHost::sync() {
    xcb_connection_t* c = server_->get();
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

bool X11OverlayHost::composited() const {
    return server_->composited;
}

} // namespace garbello::platform
