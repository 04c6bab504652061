#pragma once

#include "platform/screens.h"
#include "platform/window_source.h"

#include <vector>

namespace garbello::platform {

// Whether the user is watching something full screen and must not be
// disturbed (a quiet update check waits for it).
class FrontApplication {
public:
    virtual ~FrontApplication() = default;

    // True when the application in front shows a full-screen window; false
    // also when that cannot be told. Called on the main thread; may wait for
    // the window server for a round trip or two.
    virtual bool isFullScreen() = 0;
};

// The answer one window list gives: the front application is the process of
// the active window (only that window when it names no process); it is full
// screen when one of its visible layer-0 windows has the full-screen state
// (where the window manager keeps states) or is within 2 points of a
// monitor's width and height.
bool frontIsFullScreen(const WindowList& list, const std::vector<Rect>& screens);

// The test over a window source that nobody else reads: the tracker's source
// belongs to its worker.
class WindowListFrontApplication final : public FrontApplication {
public:
    WindowListFrontApplication(WindowSource& source, const Screens& screens)
        : source_(source), screens_(screens) {}

    bool isFullScreen() override;

private:
    WindowSource& source_;
    const Screens& screens_;
};

} // namespace garbello::platform
