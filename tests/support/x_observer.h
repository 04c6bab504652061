#pragma once

#include "model/geometry.h"
#include "platform/x11_handles.h"

#include <xcb/shape.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace garbello::test {

using platform::x11::take;

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
    // Bits per pixel of the window's visual: 32 for one with alpha; 0 when gone.
    int depth(xcb_window_t window) {
        auto reply = take(c(), xcb_get_geometry_reply, xcb_get_geometry(c(), window));
        return reply ? reply.get()->depth : 0;
    }
    bool viewable(xcb_window_t window) {
        auto reply =
            take(c(), xcb_get_window_attributes_reply, xcb_get_window_attributes(c(), window));
        return reply && reply.get()->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    // Windows the window manager leaves alone: menus, tooltips, our borders.
    bool overrideRedirect(xcb_window_t window) {
        auto reply =
            take(c(), xcb_get_window_attributes_reply, xcb_get_window_attributes(c(), window));
        return reply && reply.get()->override_redirect;
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
    // The colours of a rectangle of a window, row by row; empty when it
    // cannot be read.
    std::vector<std::uint32_t> pixels(xcb_window_t window, int x, int y, int width, int height) {
        auto reply =
            take(c(), xcb_get_image_reply,
                 xcb_get_image(c(), XCB_IMAGE_FORMAT_Z_PIXMAP, window, std::int16_t(x),
                               std::int16_t(y), std::uint16_t(width), std::uint16_t(height), ~0u));
        const std::size_t count = std::size_t(width) * std::size_t(height);
        if (!reply || std::size_t(xcb_get_image_data_length(reply.get())) < count * 4)
            return {};
        std::vector<std::uint32_t> values(count);
        std::memcpy(values.data(), xcb_get_image_data(reply.get()), count * 4);
        for (std::uint32_t& value : values)
            value &= 0xffffff;
        return values;
    }
    // The colour of one pixel of a window, 0 when it cannot be read.
    std::uint32_t pixel(xcb_window_t window, int x, int y) {
        const auto values = pixels(window, x, y, 1, 1);
        return values.empty() ? 0 : values[0];
    }
    // Where the window's top-left pixel lies on the root.
    std::optional<Point> positionOnRoot(xcb_window_t window) {
        auto reply = take(c(), xcb_translate_coordinates_reply,
                          xcb_translate_coordinates(c(), window, root(), 0, 0));
        if (!reply)
            return std::nullopt;
        return Point{double(reply.get()->dst_x), double(reply.get()->dst_y)};
    }
    xcb_window_t root() { return xcb_setup_roots_iterator(xcb_get_setup(c())).data->root; }

private:
    xcb_connection_t* c() { return c_.get(); }
    platform::x11::Connection c_;
};

inline bool covers(const std::vector<xcb_rectangle_t>& shape, int x, int y) {
    return std::any_of(shape.begin(), shape.end(), [&](const xcb_rectangle_t& r) {
        return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
    });
}

} // namespace garbello::test
