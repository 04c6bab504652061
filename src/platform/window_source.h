#pragma once

#include "model/geometry.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace garbello::platform {

// What the window manager says a top-level window is for
// (`_NET_WM_WINDOW_TYPE`). A window without the property is `normal`.
enum class WindowType { normal, dialog, utility, toolbar, menu, splash, dock, notification, other };

// One top-level window as the window server shows it, in window-server
// coordinates (origin at the top-left of the root, y down).
struct WindowServerWindow {
    // The client window's id: stable across passes, and the window the
    // border is stacked below.
    std::uint32_t id = 0;
    // Owner process from `_NET_WM_PID`; absent when the client does not say.
    std::optional<std::int32_t> processID;
    // The frame the user sees: the client area plus the window manager's
    // decorations, without client-side shadow margins.
    Rect bounds;
    // `_NET_WM_WINDOW_OPACITY` as 0…1; 1 when absent.
    double alpha = 1;
    // Above 0: docks, override-redirect menus and tooltips, "keep above";
    // below 0: "keep below"; 0 otherwise. Desktop windows are never listed.
    int layer = 0;
    bool viewable = false;
    WindowType type = WindowType::normal;
    bool minimized = false;
    bool fullScreen = false;

    bool operator==(const WindowServerWindow&) const = default;
};

// A process that owns top-level windows.
struct RunningApplication {
    // `_GTK_APPLICATION_ID`, else the desktop entry whose window class
    // matches `WM_CLASS`, else the `WM_CLASS` class; empty when none.
    std::string applicationID;
    // Owns a normal managed top-level window and has an id: the kind of
    // application whose windows may be dressed.
    bool regular = false;

    bool operator==(const RunningApplication&) const = default;
};

// One read of the window server.
struct WindowList {
    // Every top-level window, front-most first.
    std::vector<WindowServerWindow> windows;
    // Process id → application, for every process owning a listed window.
    std::map<std::int32_t, RunningApplication> applications;
    // Whether the window manager advertises the minimised, full-screen and
    // window-type states (`_NET_SUPPORTED`); without them those fields are
    // only what the client asked for and are not to be trusted.
    bool statesTrusted = false;
    // The client window that has the focus (`_NET_ACTIVE_WINDOW`); absent
    // when the window manager names none.
    std::optional<std::uint32_t> activeWindow;

    bool operator==(const WindowList&) const = default;
};

// The window server's list of windows. `read` may block on the server for a
// round trip or two, so the tracker calls it on its own worker thread; it
// never throws: windows that vanish while they are read are left out, and a
// lost connection yields an empty list with `connected()` false from then on.
class WindowSource {
public:
    virtual ~WindowSource() = default;

    // One pass over all top-level windows. Called from one thread at a time.
    virtual WindowList read() = 0;

    // False once the connection to the window server is gone for good.
    virtual bool connected() const = 0;

    // Calls `moved` (on a thread of the source's own, promptly, coalesced)
    // whenever a top-level window is moved, resized, restacked or the active
    // window changes, so a border can follow a drag between passes. Replaces
    // any earlier callback; an empty function stops the reports. Once this
    // returns, the earlier callback is not running and is never called again,
    // and no callback runs after the source is destroyed.
    virtual void watchStructure(std::function<void()> moved) = 0;
};

} // namespace garbello::platform
