#include "platform/x11_structure_watch.h"

#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>

namespace garbello::platform {

std::unique_ptr<X11StructureWatch> X11StructureWatch::start(const std::string& display,
                                                            xcb_atom_t stackingList,
                                                            xcb_atom_t activeWindow,
                                                            std::function<void()> moved) {
    x11::Connection connection(xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr));
    FileDescriptor wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (xcb_connection_has_error(connection.get()) || !wake)
        return nullptr;
    return std::unique_ptr<X11StructureWatch>(new X11StructureWatch(
        std::move(connection), std::move(wake), stackingList, activeWindow, std::move(moved)));
}

X11StructureWatch::X11StructureWatch(x11::Connection connection, FileDescriptor wake,
                                     xcb_atom_t stackingList, xcb_atom_t activeWindow,
                                     std::function<void()> moved)
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
        bool moved = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            moved = moved || relevant(event);
            x11::freeReply(event);
        }
        if (moved)
            moved_();
    }
}

bool X11StructureWatch::relevant(const xcb_generic_event_t* event) const {
    switch (event->response_type & 0x7f) {
    case XCB_CONFIGURE_NOTIFY:
        return reinterpret_cast<const xcb_configure_notify_event_t*>(event)->event == root_;
    case XCB_CIRCULATE_NOTIFY:
        return reinterpret_cast<const xcb_circulate_notify_event_t*>(event)->event == root_;
    case XCB_PROPERTY_NOTIFY: {
        const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        return change->window == root_ &&
               (change->atom == stackingList_ || change->atom == activeWindow_);
    }
    default:
        return false;
    }
}

} // namespace garbello::platform
