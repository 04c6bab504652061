#include "app/window_tracker.h"

#include "support/log.h"
#include "tracking/desktop_geometry.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <unistd.h>

namespace garbello {
namespace {

// Narrower or lower windows (palettes, notifications) occlude but are not
// dressed; measured on the window server's bounds.
constexpr double kMinimumDressedWidth = 100;
constexpr double kMinimumDressedHeight = 70;
// How far a window's bounds may be from its state's frame and still be it.
constexpr double kStateMatchTolerance = 3;
// How far a window may be from a screen's frame and still cover it.
constexpr double kScreenCoverTolerance = 2;

// What the window manager says of one window of an application.
struct WindowState {
    Rect frame;
    bool minimized = false;
    std::optional<bool> fullScreen;
    // A plain document window, not a dialog, palette or the like.
    bool isStandard = true;
};

bool nearlyEqual(const Rect& a, const Rect& b, double tolerance) {
    return std::abs(a.minX() - b.minX()) < tolerance && std::abs(a.minY() - b.minY()) < tolerance &&
           std::abs(a.width - b.width) < tolerance && std::abs(a.height - b.height) < tolerance;
}

// Every listed window's state, grouped by owner process. Windows are matched
// to states by frame, as with any per-application list of window states: a
// window whose frame fits none or several of its application's states is
// judged without one.
std::map<std::int32_t, std::vector<WindowState>> statesByProcess(const platform::WindowList& list) {
    std::map<std::int32_t, std::vector<WindowState>> states;
    for (const auto& window : list.windows) {
        if (window.processID)
            states[*window.processID].push_back({window.bounds, window.minimized, window.fullScreen,
                                                 window.type == platform::WindowType::normal});
    }
    return states;
}

std::optional<WindowState> matchingState(const std::vector<WindowState>& states,
                                         const Rect& bounds) {
    std::optional<WindowState> match;
    for (const auto& state : states) {
        if (!nearlyEqual(state.frame, bounds, kStateMatchTolerance))
            continue;
        if (match)
            return std::nullopt;
        match = state;
    }
    return match;
}

bool coversAScreen(const Rect& frame, const std::vector<Rect>& screens) {
    return std::any_of(screens.begin(), screens.end(), [&](const Rect& screen) {
        return nearlyEqual(frame, screen, kScreenCoverTolerance);
    });
}

bool isOwnWindow(const platform::WindowServerWindow& window,
                 const WindowTracker::PassInputs& inputs) {
    return inputs.ownWindows.contains(window.id) || window.processID == inputs.ownPID;
}

// Windows that are on screen and can be seen at all: everything else is as
// good as absent, it neither gets a border nor hides one.
bool isShown(const platform::WindowServerWindow& window) {
    return window.viewable && window.alpha > 0 && window.bounds.width > 0 &&
           window.bounds.height > 0;
}

bool isDressable(const platform::WindowServerWindow& window) {
    return window.layer == 0 && window.bounds.width >= kMinimumDressedWidth &&
           window.bounds.height >= kMinimumDressedHeight;
}

} // namespace

std::vector<TrackedWindow> WindowTracker::trackedWindows(const platform::WindowList& list,
                                                         const PassInputs& inputs) {
    const auto states = list.statesTrusted ? statesByProcess(list)
                                           : std::map<std::int32_t, std::vector<WindowState>>{};
    std::vector<TrackedWindow> tracked;
    std::vector<Rect> occluders;
    for (const auto& window : list.windows) {
        // A minimised window is unmapped on X11, yet it keeps its record
        // (and so its hidden border) until it comes back; it hides nothing.
        const bool shown = isShown(window);
        if (isOwnWindow(window, inputs) || (!shown && !window.minimized) || window.layer < 0)
            continue;
        const Rect frame = DesktopGeometry::cocoaFrame(window.bounds, inputs.mainScreenHeight);
        // Whatever is in front hides part of what is behind, dressed or not.
        std::vector<Rect> occluding = occluders;
        if (shown)
            occluders.push_back(frame);

        // X11 clients need not name their process; such windows still hide
        // what is behind them, but belong to no application to dress.
        if (!isDressable(window) || !window.processID)
            continue;
        const auto application = list.applications.find(*window.processID);
        if (application == list.applications.end() || !application->second.regular ||
            application->second.applicationID.empty())
            continue;

        std::optional<WindowState> state;
        if (const auto found = states.find(*window.processID); found != states.end())
            state = matchingState(found->second, window.bounds);
        if (state && !state->isStandard)
            continue;

        const bool fullScreen =
            state && state->fullScreen ? *state->fullScreen : coversAScreen(frame, inputs.screens);
        tracked.push_back(TrackedWindow{
            window.id, *window.processID, application->second.applicationID, frame, true,
            (state && state->minimized) || !shown, fullScreen, std::move(occluding)});
    }
    return tracked;
}

std::vector<WindowTracker::Application>
WindowTracker::regularApplications(const platform::WindowList& list, std::int32_t ownPID) {
    std::vector<Application> applications;
    std::set<std::string> seen;
    for (const auto& window : list.windows) {
        if (!window.processID || *window.processID == ownPID || !isShown(window))
            continue;
        const auto application = list.applications.find(*window.processID);
        if (application == list.applications.end() || !application->second.regular ||
            !seen.insert(application->second.applicationID).second)
            continue;
        applications.push_back({application->second.applicationID, *window.processID, window.id});
    }
    return applications;
}

std::shared_ptr<WindowTracker> WindowTracker::create(platform::WindowSource& source,
                                                     const platform::Screens& screens,
                                                     platform::Clock& clock,
                                                     platform::TaskQueue& worker,
                                                     platform::TaskQueue& mainThread) {
    return std::shared_ptr<WindowTracker>(
        new WindowTracker(source, screens, clock, worker, mainThread));
}

WindowTracker::WindowTracker(platform::WindowSource& source, const platform::Screens& screens,
                             platform::Clock& clock, platform::TaskQueue& worker,
                             platform::TaskQueue& mainThread)
    : source_(source), screens_(screens), clock_(clock), worker_(worker), mainThread_(mainThread) {}

WindowTracker::~WindowTracker() {
    source_.watchStructure({});
}

void WindowTracker::start() {
    if (stopped_)
        return;
    std::weak_ptr<WindowTracker> weak = weak_from_this();
    timer_ = clock_.repeat(kPollInterval, [weak] {
        if (auto self = weak.lock())
            self->sample();
    });
    source_.watchStructure([weak, &mainThread = mainThread_](std::vector<std::uint32_t> moved) {
        mainThread.post([weak, moved = std::move(moved)] {
            if (auto self = weak.lock())
                self->windowMoved(moved);
        });
    });
    sample();
}

void WindowTracker::windowMoved(const std::vector<std::uint32_t>& moved) {
    // Our own overlays move and restack on every pass; following them would
    // read again and again for nothing.
    if (std::all_of(moved.begin(), moved.end(),
                    [&](std::uint32_t id) { return ownWindows_.contains(id); }))
        return;
    if (sampling_)
        moveMissed_ = true;
    else
        sample();
}

void WindowTracker::sample() {
    // A pass still in flight is never doubled; the tick is simply dropped.
    if (sampling_ || stopped_)
        return;
    sampling_ = true;
    std::weak_ptr<WindowTracker> weak = weak_from_this();
    worker_.post([weak, inputs = gatherInputs(), &source = source_, &mainThread = mainThread_] {
        if (weak.expired())
            return;
        const auto list = source.read();
        Pass pass{trackedWindows(list, inputs), regularApplications(list, inputs.ownPID),
                  list.statesTrusted};
        mainThread.post([weak, pass = std::move(pass), connected = source.connected()]() mutable {
            if (auto self = weak.lock())
                self->finishPass(std::move(pass), connected);
        });
    });
}

WindowTracker::PassInputs WindowTracker::gatherInputs() const {
    PassInputs inputs{getpid(), ownWindows_, {}, 0};
    const auto frames = screens_.frames();
    if (!frames.empty())
        inputs.mainScreenHeight = frames.front().height;
    for (const auto& frame : frames)
        inputs.screens.push_back(DesktopGeometry::cocoaFrame(frame, inputs.mainScreenHeight));
    return inputs;
}

void WindowTracker::finishPass(Pass pass, bool connected) {
    sampling_ = false;
    if (stopped_)
        return;
    logCount(pass.windows.size());
    statesTrusted_ = pass.statesTrusted;
    const auto ids = [](const std::vector<Application>& applications) {
        std::set<std::string> set;
        for (const auto& application : applications)
            set.insert(application.id);
        return set;
    };
    const bool applicationsChanged = ids(pass.applications) != ids(applications_);
    applications_ = std::move(pass.applications);
    // The source has logged why; polling a dead connection would only spin.
    if (!connected)
        stop();
    if (onWindows)
        onWindows(std::move(pass.windows));
    if (applicationsChanged && onApplicationsChanged)
        onApplicationsChanged();
    if (moveMissed_ && !stopped_) {
        moveMissed_ = false;
        sample();
    }
}

void WindowTracker::logCount(std::size_t count) {
    if (static_cast<long>(count) == lastCount_)
        return;
    lastCount_ = static_cast<long>(count);
    log::tracking.info("Visible eligible windows: " + std::to_string(count));
}

void WindowTracker::stop() {
    stopped_ = true;
    timer_.reset();
    source_.watchStructure({});
}

} // namespace garbello
