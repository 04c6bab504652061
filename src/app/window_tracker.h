#pragma once

#include "platform/clock.h"
#include "platform/screens.h"
#include "platform/task_queue.h"
#include "platform/window_source.h"
#include "tracking/tracked_window.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace garbello {

// Turns the window server's list of on-screen windows into the windows of
// other applications that may be dressed, every 0.15 s and whenever a window
// moves. Lives on the main thread; the list is read on `worker` and each
// pass's result comes back on `mainThread`. Create it with `create`: work in
// flight holds it weakly and is dropped once it is gone.
class WindowTracker : public std::enable_shared_from_this<WindowTracker> {
public:
    static constexpr double kPollInterval = 0.15;

    // The source, screens, clock and queues must outlive the tracker, and
    // `worker` must stop (drop its tasks) before the source or `mainThread`
    // goes.
    static std::shared_ptr<WindowTracker>
    create(platform::WindowSource& source, const platform::Screens& screens, platform::Clock& clock,
           platform::TaskQueue& worker, platform::TaskQueue& mainThread);

    // Each completed pass's windows, front-most first, on the main thread.
    std::function<void(std::vector<TrackedWindow>)> onWindows;

    // A regular application of another process with one of its windows.
    struct Application {
        std::string id;
        std::int32_t processID = 0;
        // Its front-most window, where its icon can be read.
        std::uint32_t windowID = 0;

        bool operator==(const Application&) const = default;
    };
    // The regular applications of the last pass, one per id, front-most first.
    const std::vector<Application>& applications() const { return applications_; }
    // After a pass whose set of application ids differs from the last one's:
    // an application was launched or quit.
    std::function<void()> onApplicationsChanged;
    // Whether the window manager vouched for the window states of the last
    // pass (minimised, full screen, window type).
    bool statesTrusted() const { return statesTrusted_; }

    // Starts polling, and reads once at once. Calling it again restarts the
    // timer.
    void start();
    // Stops polling and following moves for good; a pass in flight is dropped.
    void stop();

    // Windows this process created (borders, menus): never dressed and never
    // occluding, even when they carry no process id.
    void setOwnWindows(std::set<std::uint32_t> ids) { ownWindows_ = std::move(ids); }

    ~WindowTracker();
    WindowTracker(const WindowTracker&) = delete;
    WindowTracker& operator=(const WindowTracker&) = delete;

    // What one pass reads besides the window list, gathered on the main thread.
    struct PassInputs {
        std::int32_t ownPID = 0;
        std::set<std::uint32_t> ownWindows;
        // Screen frames in desktop coordinates, primary first.
        std::vector<Rect> screens;
        double mainScreenHeight = 0;
    };

    // The windows of one read that get a record, front-most first. Pure.
    static std::vector<TrackedWindow> trackedWindows(const platform::WindowList& list,
                                                     const PassInputs& inputs);
    // The regular applications of one read, other than this process. Pure.
    static std::vector<Application> regularApplications(const platform::WindowList& list,
                                                        std::int32_t ownPID);

private:
    WindowTracker(platform::WindowSource& source, const platform::Screens& screens,
                  platform::Clock& clock, platform::TaskQueue& worker,
                  platform::TaskQueue& mainThread);

    void sample();
    void windowMoved(const std::vector<std::uint32_t>& moved);
    PassInputs gatherInputs() const;
    struct Pass {
        std::vector<TrackedWindow> windows;
        std::vector<Application> applications;
        bool statesTrusted = false;
    };
    void finishPass(Pass pass, bool connected);
    void logCount(std::size_t count);

    platform::WindowSource& source_;
    const platform::Screens& screens_;
    platform::Clock& clock_;
    platform::TaskQueue& worker_;
    platform::TaskQueue& mainThread_;

    std::unique_ptr<platform::RepeatingTimer> timer_;
    std::set<std::uint32_t> ownWindows_;
    bool sampling_ = false;
    // A window moved while a pass was in flight: read again when it is in,
    // or the border would lag behind a drag until the next tick.
    bool moveMissed_ = false;
    bool stopped_ = false;
    long lastCount_ = -1;
    std::vector<Application> applications_;
    bool statesTrusted_ = false;
};

} // namespace garbello
