#include "platform/x11_structure_watch.h"

#include <algorithm>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>

namespace garbello::platform {

std::unique_ptr<X11StructureWatch>
X11StructureWatch::start(const std::string& display, xcb_atom_t stackingList,
                         xcb_atom_t activeWindow,
                         std::function<void(std::vector<std::uint32_t>)> moved) {
    x11::Connection connection(xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr));
    FileDescriptor wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (xcb_connection_has_error(connection.get()) || !wake)
        return nullptr;
    return std::unique_ptr<X11StructureWatch>(new X11StructureWatch(
        std::move(connection), std::move(wake), stackingList, activeWindow, std::move(moved)));
}

X11StructureWatch::X11StructureWatch(x11::Connection connection, FileDescriptor wake,
                                     xcb_atom_t stackingList, xcb_atom_t activeWindow,
                                     std::function<void(std::vector<std::uint32_t>)> moved)
    : connection_(std::move(connection)),
      root_(xcb_setup_roots_iterator(xcb_get_setup(connection_.get())).data->root),
      wake_(std::move(wake)), stackingList_(stackingList), activeWindow_(activeWindow),
      moved_(std::move(moved)) {
    const std::uint32_t events[] = {XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY |
                                    XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_change_window_attributes(connection_.get(), root_, XCB_CW_EVENT_MASK, events);
    xcb_flush(connection_.get());
    thread_ = std::thread([this] { run(); });
}

X11StructureWatch::~X11StructureWatch() {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(wake_.get(), &one, sizeof one);
    thread_.join();
}

void X11StructureWatch::run() {
    xcb_connection_t* connection = connection_.get();
    pollfd waits[] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    while (!xcb_connection_has_error(connection)) {
        if (::poll(waits, 2, -1) < 0)
            continue;
        if (waits[1].revents != 0)
            return;
        std::vector<std::uint32_t> moved;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            if (auto window = changedWindow(event);
                window && std::find(moved.begin(), moved.end(), *window) == moved.end())
                moved.push_back(*window);
            x11::freeReply(event);
        }
        if (!moved.empty())
            moved_(std::move(moved));
    }
}

std::optional<std::uint32_t>
X11StructureWatch::changedWindow(const xcb_generic_event_t* event) const {
    switch (event->response_type & 0x7f) {
    case XCB_CONFIGURE_NOTIFY: {
        const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if (configure->event == root_)
            return configure->window;
        return std::nullopt;
    }
    case XCB_CIRCULATE_NOTIFY: {
        const auto* circulate = reinterpret_cast<const xcb_circulate_notify_event_t*>(event);
        if (circulate->event == root_)
            return circulate->window;
        return std::nullopt;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (change->window == root_ &&
            (change->atom == stackingList_ || change->atom == activeWindow_))
            return 0;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace garbello::platform
