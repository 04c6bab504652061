#include "platform/x11_space_watch.h"

#include "support/log.h"

#include <QSocketNotifier>

namespace garbello::platform {

std::unique_ptr<X11SpaceWatch> X11SpaceWatch::open(const std::string& display) {
    x11::Connection connection(xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr));
    if (xcb_connection_has_error(connection.get()))
        return nullptr;
    const xcb_atom_t atom = x11::internAtom(connection.get(), "_NET_CURRENT_DESKTOP");
    return std::unique_ptr<X11SpaceWatch>(new X11SpaceWatch(std::move(connection), atom));
}

X11SpaceWatch::X11SpaceWatch(x11::Connection connection, xcb_atom_t currentDesktop)
    : connection_(std::move(connection)), currentDesktop_(currentDesktop) {
    xcb_connection_t* c = connection_.get();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::uint32_t events[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, events);
    xcb_flush(c);
    notifier_ =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readEvents(); });
}

X11SpaceWatch::~X11SpaceWatch() = default;

void X11SpaceWatch::watchSwitches(std::function<void()> switched) {
    switched_ = std::move(switched);
}

void X11SpaceWatch::readEvents() {
    xcb_connection_t* c = connection_.get();
    bool switched = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
            reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == currentDesktop_)
            switched = true;
        std::free(event);
    }
    if (xcb_connection_has_error(c)) {
        // The server is gone; the tracker says so and the application ends.
        notifier_->setEnabled(false);
        log::application.error("Lost the X connection that follows desktop switches");
        return;
    }
    // A burst of events read at once is one switch.
    if (switched && switched_)
        switched_();
}

} // namespace garbello::platform
