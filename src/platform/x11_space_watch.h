#pragma once

#include "platform/space_watch.h"
#include "platform/x11_handles.h"

#include <memory>
#include <string>

class QSocketNotifier;

namespace garbello::platform {

// Desktop switches as the window manager announces them: a change of the
// root's _NET_CURRENT_DESKTOP. Reads its own connection from the main
// thread's event loop, so reports need no hand-over.
class X11SpaceWatch final : public SpaceWatch {
public:
    // Connects to `display` (empty for $DISPLAY); nullptr when it cannot.
    static std::unique_ptr<X11SpaceWatch> open(const std::string& display);
    ~X11SpaceWatch() override;
    X11SpaceWatch(const X11SpaceWatch&) = delete;
    X11SpaceWatch& operator=(const X11SpaceWatch&) = delete;

    void watchSwitches(std::function<void()> switched) override;

private:
    X11SpaceWatch(x11::Connection connection, xcb_atom_t currentDesktop);
    void readEvents();

    x11::Connection connection_;
    xcb_atom_t currentDesktop_;
    std::function<void()> switched_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace garbello::platform
