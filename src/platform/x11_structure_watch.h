#pragma once

#include "platform/x11_handles.h"
#include "support/file_descriptor.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace garbello::platform {

// Calls `moved` on a thread of its own whenever a child of the root is
// configured (moved, resized, restacked) or the stacking list or the active
// window changes; a burst of events read at once gives one call. Has a
// connection of its own, so its events never mix with a pass's replies.
class X11StructureWatch {
public:
    // Nothing when the display cannot be opened or watched.
    static std::unique_ptr<X11StructureWatch>
    start(const std::string& display, xcb_atom_t stackingList, xcb_atom_t activeWindow,
          std::function<void(std::vector<std::uint32_t>)> moved);
    // Returns once the thread has stopped; `moved` is not called after.
    ~X11StructureWatch();
    X11StructureWatch(const X11StructureWatch&) = delete;
    X11StructureWatch& operator=(const X11StructureWatch&) = delete;

private:
    X11StructureWatch(x11::Connection connection, FileDescriptor wake, xcb_atom_t stackingList,
                      xcb_atom_t activeWindow,
                      std::function<void(std::vector<std::uint32_t>)> moved);
    void run();
    // The window a relevant event is about (0 for the root's properties).
    std::optional<std::uint32_t> changedWindow(const xcb_generic_event_t* event) const;

    x11::Connection connection_;
    xcb_window_t root_ = 0;
    FileDescriptor wake_;
    xcb_atom_t stackingList_;
    xcb_atom_t activeWindow_;
    std::function<void(std::vector<std::uint32_t>)> moved_;
    // Last: starts once everything it uses is set.
    std::thread thread_;
};

} // namespace garbello::platform
