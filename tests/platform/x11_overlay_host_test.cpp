#include "platform/x11_handles.h"
#include "platform/x11_overlay_host.h"
#include "platform/x11_window_source.h"
#include "render/border_geometry.h"
#include "render/pattern_renderer.h"
#include "tracking/desktop_geometry.h"
#include "x_server.h"

#include <gtest/gtest.h>
#include <xcb/shape.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace garbello {
namespace {

using platform::x11::Reply;
using platform::x11::take;

constexpr double kWidth = 12;

// What another client of the server sees of an overlay.
class Observer {
public:
    explicit Observer(const std::string& display) : c_(xcb_connect(display.c_str(), nullptr)) {}

    std::optional<Rect> geometry(xcb_window_t window) {
        auto reply = take(c(), xcb_get_geometry_reply, xcb_get_geometry(c(), window));
        if (!reply)
            return std::nullopt;
        return Rect{double(reply.get()->x), double(reply.get()->y), double(reply.get()->width),
                    double(reply.get()->height)};
    }
    bool viewable(xcb_window_t window) {
        auto reply =
            take(c(), xcb_get_window_attributes_reply, xcb_get_window_attributes(c(), window));
        return reply && reply.get()->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    // The root's children, bottom to top.
    std::vector<xcb_window_t> stacking() {
        auto tree = take(c(), xcb_query_tree_reply, xcb_query_tree(c(), root()));
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        return {children, children + xcb_query_tree_children_length(tree.get())};
    }
    xcb_window_t frameOf(xcb_window_t window) {
        for (;;) {
            auto tree = take(c(), xcb_query_tree_reply, xcb_query_tree(c(), window));
            if (!tree || tree.get()->parent == root())
                return window;
            window = tree.get()->parent;
        }
    }
    std::vector<xcb_rectangle_t> shape(xcb_window_t window, xcb_shape_kind_t kind) {
        auto reply =
            take(c(), xcb_shape_get_rectangles_reply, xcb_shape_get_rectangles(c(), window, kind));
        const xcb_rectangle_t* rectangles = xcb_shape_get_rectangles_rectangles(reply.get());
        return {rectangles, rectangles + xcb_shape_get_rectangles_rectangles_length(reply.get())};
    }
    // The colour of one pixel of a window, 0 when it cannot be read.
    std::uint32_t pixel(xcb_window_t window, int x, int y) {
        auto reply = take(c(), xcb_get_image_reply,
                          xcb_get_image(c(), XCB_IMAGE_FORMAT_Z_PIXMAP, window, std::int16_t(x),
                                        std::int16_t(y), 1, 1, ~0u));
        if (!reply || xcb_get_image_data_length(reply.get()) < 4)
            return 0;
        std::uint32_t value;
        std::memcpy(&value, xcb_get_image_data(reply.get()), 4);
        return value & 0xffffff;
    }

private:
    xcb_connection_t* c() { return c_.get(); }
    xcb_window_t root() { return xcb_setup_roots_iterator(xcb_get_setup(c())).data->root; }
    platform::x11::Connection c_;
};

bool covers(const std::vector<xcb_rectangle_t>& shape, int x, int y) {
    return std::any_of(shape.begin(), shape.end(), [&](const xcb_rectangle_t& r) {
        return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
    });
}

TEST(X11OverlayHostTest, ARingSitsDirectlyBelowItsWindowTakesNoInputAndGoesWhenClosed) {
    test::XServer server;
    test::X11Fixture app(server);
    const std::uint32_t dressed = app.open("dressed x=200 y=150 w=400 h=300");
    auto source = platform::X11WindowSource::open(server.display(), {});
    auto host = platform::X11OverlayHost::open(server.display(), *source);
    ASSERT_TRUE(source && host);
    EXPECT_FALSE(host->composited()) << "no compositor runs";
    Rect bounds;
    for (int tries = 0; tries < 100 && bounds.x != 200; ++tries) {
        for (const auto& window : source->read().windows)
            if (window.id == dressed)
                bounds = window.bounds;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(bounds.x, 200) << "the window manager placed the window";

    const double screenHeight = source->frames().front().height;
    const Rect desktop = DesktopGeometry::cocoaFrame(bounds, screenHeight);
    auto overlay = host->createOverlay();
    overlay->setFrame(BorderGeometry::outerRect(desktop, kWidth));
    RingStyle style;
    style.outfit = Outfit::linen;
    style.width = kWidth;
    overlay->setImage(PatternRenderer::ring(desktop.size(), style));
    overlay->showBelow(dressed);
    host->sync();

    Observer observer(server.display());
    const xcb_window_t id = overlay->id();
    EXPECT_EQ(observer.geometry(id), (Rect{bounds.x - kWidth, bounds.y - kWidth,
                                           bounds.width + 2 * kWidth, bounds.height + 2 * kWidth}));
    EXPECT_TRUE(observer.viewable(id));
    const auto order = observer.stacking();
    const auto at = [&](xcb_window_t w) { return std::find(order.begin(), order.end(), w); };
    EXPECT_EQ(at(id) + 1, at(observer.frameOf(dressed))) << "directly below the window's frame";
    EXPECT_TRUE(observer.shape(id, XCB_SHAPE_SK_INPUT).empty()) << "clicks go through";

    const int middle = int(bounds.height / 2 + kWidth);
    const auto ring = observer.shape(id, XCB_SHAPE_SK_BOUNDING);
    EXPECT_TRUE(covers(ring, 6, middle));
    EXPECT_FALSE(covers(ring, int(bounds.width / 2), middle)) << "the window itself stays clear";
    EXPECT_NE(observer.pixel(id, 6, middle), 0u) << "cloth is painted in the ring";

    // A window in front over the left edge of the ring cuts it out there.
    overlay->setOccluders({{0, 0, 50, bounds.height + 2 * kWidth}});
    host->sync();
    EXPECT_FALSE(covers(observer.shape(id, XCB_SHAPE_SK_BOUNDING), 6, middle));
    EXPECT_TRUE(
        covers(observer.shape(id, XCB_SHAPE_SK_BOUNDING), int(bounds.width + kWidth + 6), middle));

    overlay->hide();
    host->sync();
    EXPECT_FALSE(observer.viewable(id));
    overlay.reset();
    host->sync();
    EXPECT_EQ(observer.geometry(id), std::nullopt) << "closed with its overlay";
}

} // namespace
} // namespace garbello
