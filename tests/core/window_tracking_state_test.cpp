#include "tracking/desktop_geometry.h"
#include "tracking/window_tracking_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace garbello {
namespace {

constexpr double kQuietPeriod = 0.3;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TrackedWindow window(std::uint32_t id, Rect frame = {100, 100, 800, 600},
                     std::string bundleID = "org.example.editor") {
    TrackedWindow w;
    w.id = id;
    w.processID = static_cast<std::int32_t>(1000 + id);
    w.bundleID = std::move(bundleID);
    w.frame = frame;
    return w;
}

// Drives one state through passes without repeating the unchanging arguments.
struct Passes {
    WindowTrackingState state{kQuietPeriod};

    WindowTrackingUpdate run(const std::vector<TrackedWindow>& windows, double now,
                             bool paused = false, const std::set<std::string>& disabled = {}) {
        return state.update(windows, now, paused, disabled);
    }
};

std::vector<std::uint32_t> visibleIDs(const WindowTrackingUpdate& update) {
    std::vector<std::uint32_t> ids;
    for (const auto& w : update.visible)
        ids.push_back(w.id);
    return ids;
}

using IDs = std::vector<std::uint32_t>;
using HiddenIDs = std::set<std::uint32_t>;

TEST(WindowTrackingStateTest, VanishedWindowsAreReportedHiddenExactlyOnce) {
    Passes passes;
    auto first = passes.run({window(1), window(2, {900, 100, 400, 300})}, 1.0);
    EXPECT_EQ(visibleIDs(first), (IDs{1, 2}));
    EXPECT_TRUE(first.hidden.empty());

    auto vanished = passes.run({}, 1.15);
    EXPECT_TRUE(vanished.visible.empty());
    EXPECT_EQ(vanished.hidden, (HiddenIDs{1, 2}));

    EXPECT_EQ(passes.run({}, 1.3).hidden, HiddenIDs{});

    passes.run({window(1), window(2)}, 2.0);
    EXPECT_EQ(passes.run({window(2)}, 2.15).hidden, HiddenIDs{1});
    EXPECT_EQ(passes.run({window(2)}, 2.3).hidden, HiddenIDs{});
}

TEST(WindowTrackingStateTest, ResizeSuppressesTheBorderUntilTheSizeHoldsForTheQuietPeriod) {
    struct Step {
        double now;
        Rect frame;
        bool visible;
    };
    // One window through a drag: jitter within half a point is not a resize,
    // a move is not a resize, and the border returns once the size has held
    // for the quiet period.
    const std::vector<Step> steps = {
        {10.0, {0, 0, 800, 600}, true},          // first seen: never suppressed
        {10.1, {0, 0, 800.4, 600}, true},        // within tolerance
        {10.2, {0, 0, 800, 599.5}, true},        // exactly the tolerance
        {10.3, {0, 0, 801, 600}, false},         // resized
        {10.4, {0, 0, 801, 600}, false},         // 0.1 s later
        {10.59, {0, 0, 801, 600}, false},        // 0.29 s later
        {10.65, {0, 0, 801, 600}, true},         // 0.35 s later
        {10.8, {200, -200, 801, 600}, true},     // moved by 200 points at the same size
        {20.0, {200, -200, 801, 600}, true},     // an old resize stays old
        {20.1, {200, -200, 801, 601}, false},    // height alone counts
        {20.25, {200, -200, 801.3, 601}, false}, // small change keeps the old resize time
        {20.45, {200, -200, 801.3, 601}, true},  // quiet since 20.1
    };
    Passes passes;
    for (const auto& step : steps) {
        auto update = passes.run({window(7, step.frame)}, step.now);
        EXPECT_EQ(update.visible.size() == 1, step.visible) << "at " << step.now;
        EXPECT_EQ(update.hidden.contains(7), !step.visible) << "at " << step.now;
    }
}

TEST(WindowTrackingStateTest, ZeroQuietPeriodNeverSuppressesAResize) {
    WindowTrackingState state(0);
    state.update({window(1, {0, 0, 800, 600})}, 1.0, false, {});
    auto resized = state.update({window(1, {0, 0, 1000, 700})}, 1.15, false, {});
    EXPECT_EQ(visibleIDs(resized), IDs{1});
}

TEST(WindowTrackingStateTest, EachIneligibleWindowIsHidden) {
    auto minimized = window(1);
    minimized.isMinimized = true;
    auto fullScreen = window(1);
    fullScreen.isFullScreen = true;
    auto offScreen = window(1);
    offScreen.isVisible = false;
    struct Case {
        const char* name;
        TrackedWindow window;
        bool paused;
    };
    const std::vector<Case> cases = {
        {"zero width", window(1, {0, 0, 0, 600}), false},
        {"zero height", window(1, {0, 0, 800, 0}), false},
        {"negative width", window(1, {0, 0, -800, 600}), false},
        {"NaN width", window(1, {0, 0, kNaN, 600}), false},
        {"NaN x", window(1, {kNaN, 0, 800, 600}), false},
        {"infinite y", window(1, {0, -kInfinity, 800, 600}), false},
        {"infinite height", window(1, {0, 0, 800, kInfinity}), false},
        {"paused", window(1), true},
        {"not visible", offScreen, false},
        {"minimised", minimized, false},
        {"full screen", fullScreen, false},
        {"disabled application", window(1, {0, 0, 800, 600}, "org.example.mail"), false},
    };
    for (const auto& c : cases) {
        Passes passes;
        auto update = passes.run({c.window, window(2, {0, 0, 300, 200})}, 1.0, c.paused,
                                 {"org.example.mail"});
        EXPECT_EQ(update.hidden.contains(1), true) << c.name;
        EXPECT_EQ(visibleIDs(update), c.paused ? IDs{} : IDs{2}) << c.name;
        EXPECT_EQ(update.hidden.contains(2), c.paused) << c.name;
    }
}

TEST(WindowTrackingStateTest, SizesOfHiddenWindowsAreStillRecorded) {
    struct Case {
        const char* name;
        Rect first;
        bool paused;
    };
    // Whatever hid the window in the first pass, its size was recorded: a
    // different size in the next pass is a resize, so the border stays off.
    const std::vector<Case> cases = {
        {"zero width", {0, 0, 0, 600}, false},
        {"NaN origin", {kNaN, 0, 800, 600}, false},
        {"paused", {0, 0, 400, 300}, true},
    };
    for (const auto& c : cases) {
        Passes passes;
        passes.run({window(1, c.first)}, 1.0, c.paused);
        auto next = passes.run({window(1, {0, 0, 800, 900})}, 1.15);
        EXPECT_TRUE(next.visible.empty()) << c.name;
        EXPECT_EQ(next.hidden, HiddenIDs{1}) << c.name;
        EXPECT_EQ(visibleIDs(passes.run({window(1, {0, 0, 800, 900})}, 1.5)), IDs{1}) << c.name;
    }
}

TEST(WindowTrackingStateTest, OnlyTheFirstOccurrenceOfAnIdIsJudged) {
    auto minimized = window(3);
    minimized.isMinimized = true;
    Passes passes;
    auto update = passes.run({minimized, window(3), window(4)}, 1.0);
    EXPECT_EQ(visibleIDs(update), IDs{4});
    EXPECT_EQ(update.hidden, HiddenIDs{3});

    // The duplicate's different size was not recorded either.
    passes.run({window(5, {0, 0, 800, 600}), window(5, {0, 0, 100, 100})}, 2.0);
    EXPECT_EQ(visibleIDs(passes.run({window(5, {0, 0, 800, 600})}, 2.15)), IDs{5});
}

TEST(WindowTrackingStateTest, VisibleWindowsKeepTheReportedOrderAndFields) {
    auto front = window(9, {10, 10, 300, 200});
    front.occludingFrames = {{0, 0, 50, 50}};
    Passes passes;
    auto update = passes.run({front, window(3), window(6)}, 1.0);
    ASSERT_EQ(visibleIDs(update), (IDs{9, 3, 6}));
    EXPECT_EQ(update.visible.front(), front);
}

TEST(DesktopGeometryTest, FlipsWindowServerFramesAroundThePrimaryScreen) {
    struct Case {
        Rect windowServer;
        double screenHeight;
        Rect desktop;
    };
    const std::vector<Case> cases = {
        {{10, 20, 300, 200}, 1000, {10, 780, 300, 200}},
        // A screen above the primary one has negative window-server y.
        {{0, -900, 640, 480}, 1000, {0, 1420, 640, 480}},
        {{-1920, 0, 800, 600}, 1080, {-1920, 480, 800, 600}},
        {{5, 5, 10, 10}, 0, {5, -15, 10, 10}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopGeometry::cocoaFrame(c.windowServer, c.screenHeight), c.desktop);
}

} // namespace
} // namespace garbello
