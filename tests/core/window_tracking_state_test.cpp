#include "tracking/window_tracking_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace garbello {
namespace {

constexpr double kQuietPeriod = 0.3;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
const char* kDisabledApp = "org.example.mail";

TrackedWindow window(std::uint32_t id, Rect frame = {100, 100, 800, 600},
                     bool TrackedWindow::*flag = nullptr, bool value = false) {
    TrackedWindow w;
    w.id = id;
    w.processID = static_cast<std::int32_t>(1000 + id);
    w.bundleID = "org.example.editor";
    w.frame = frame;
    if (flag)
        w.*flag = value;
    return w;
}

using IDs = std::vector<std::uint32_t>;
using HiddenIDs = std::set<std::uint32_t>;

IDs visibleIDs(const WindowTrackingUpdate& update) {
    IDs ids;
    for (const auto& w : update.visible)
        ids.push_back(w.id);
    return ids;
}

// One tracker pass and what it must report.
struct Pass {
    double now;
    std::vector<TrackedWindow> windows;
    IDs visible;
    HiddenIDs hidden;
    bool paused = false;
};

void expectPasses(const std::vector<Pass>& passes, double quietPeriod = kQuietPeriod) {
    WindowTrackingState state(quietPeriod);
    for (const Pass& pass : passes) {
        auto update = state.update(pass.windows, pass.now, pass.paused, {kDisabledApp});
        EXPECT_EQ(visibleIDs(update), pass.visible) << "at " << pass.now;
        EXPECT_EQ(update.hidden, pass.hidden) << "at " << pass.now;
    }
}

TEST(WindowTrackingStateTest, VanishedWindowsAreReportedHiddenExactlyOnce) {
    expectPasses({
        {1.0, {window(1), window(2, {900, 100, 400, 300})}, {1, 2}, {}},
        {1.15, {}, {}, {1, 2}},
        {1.3, {}, {}, {}},
        // A window that comes back is new: its old size is forgotten.
        {2.0, {window(1), window(2)}, {1, 2}, {}},
        {2.15, {window(2)}, {2}, {1}},
        {2.3, {window(2)}, {2}, {}},
    });
}

TEST(WindowTrackingStateTest, ResizeSuppressesTheBorderUntilTheSizeHoldsForTheQuietPeriod) {
    auto step = [](double now, Rect frame, bool visible) {
        return Pass{now,
                    {window(7, frame)},
                    visible ? IDs{7} : IDs{},
                    visible ? HiddenIDs{} : HiddenIDs{7}};
    };
    // One window through a drag: jitter within half a point is not a resize,
    // a move is not a resize, and the border returns once the size has held
    // for the quiet period.
    expectPasses({
        step(10.0, {0, 0, 800, 600}, true),          // first seen: never suppressed
        step(10.1, {0, 0, 800.4, 600}, true),        // within tolerance
        step(10.2, {0, 0, 800, 599.5}, true),        // exactly the tolerance
        step(10.3, {0, 0, 801, 600}, false),         // resized
        step(10.59, {0, 0, 801, 600}, false),        // 0.29 s later
        step(10.65, {0, 0, 801, 600}, true),         // 0.35 s later
        step(10.8, {200, -200, 801, 600}, true),     // moved by 200 points at the same size
        step(20.1, {200, -200, 801, 600.55}, false), // height alone counts, just past the tolerance
        step(20.25, {200, -200, 801.3, 600.55}, false), // small change keeps the old resize time
        step(20.45, {200, -200, 801.3, 600.55}, true),  // quiet since 20.1
    });
    expectPasses({{1.0, {window(1, {0, 0, 800, 600})}, {1}, {}},
                  {1.15, {window(1, {0, 0, 1000, 700})}, {1}, {}}},
                 0);
}

TEST(WindowTrackingStateTest, EachIneligibleWindowIsHiddenAndItsSizeStillRecorded) {
    struct Case {
        const char* name;
        TrackedWindow window;
        bool paused = false;
    };
    TrackedWindow disabled = window(1, {0, 0, 400, 300});
    disabled.bundleID = kDisabledApp;
    const std::vector<Case> cases = {
        {"zero width", window(1, {0, 0, 0, 600})},
        {"negative width", window(1, {0, 0, -800, 600})},
        {"NaN width", window(1, {0, 0, kNaN, 600})},
        {"infinite y", window(1, {0, -kInfinity, 800, 600})},
        {"paused", window(1, {0, 0, 400, 300}), true},
        {"not visible", window(1, {0, 0, 400, 300}, &TrackedWindow::isVisible, false)},
        {"minimised", window(1, {0, 0, 400, 300}, &TrackedWindow::isMinimized, true)},
        {"full screen", window(1, {0, 0, 400, 300}, &TrackedWindow::isFullScreen, true)},
        {"disabled application", disabled},
    };
    // Whatever hid the window, its size was recorded: a different size in the
    // next pass is a resize, so the border stays off for the quiet period. (A
    // NaN width differs from no width, so nothing is measured against it.)
    const TrackedWindow other = window(2, {0, 0, 300, 200});
    const TrackedWindow resized = window(1, {0, 0, 800, 900});
    for (const auto& c : cases) {
        std::vector<Pass> passes = {{1.0,
                                     {c.window, other},
                                     c.paused ? IDs{} : IDs{2},
                                     c.paused ? HiddenIDs{1, 2} : HiddenIDs{1},
                                     c.paused}};
        if (!std::isnan(c.window.frame.width)) {
            passes.push_back({1.15, {resized, other}, {2}, {1}});
            passes.push_back({1.5, {resized, other}, {1, 2}, {}});
        }
        SCOPED_TRACE(c.name);
        expectPasses(passes);
    }
}

TEST(WindowTrackingStateTest, OnlyTheFirstOccurrenceOfAnIdIsJudged) {
    expectPasses({
        {1.0, {window(3, {}, &TrackedWindow::isMinimized, true), window(3), window(4)}, {4}, {3}},
        // The duplicate's different size is not recorded either.
        {2.0, {window(5, {0, 0, 800, 600}), window(5, {0, 0, 100, 100})}, {5}, {3, 4}},
        {2.15, {window(5, {0, 0, 800, 600})}, {5}, {}},
    });
}

TEST(WindowTrackingStateTest, VisibleWindowsKeepTheReportedOrderAndFields) {
    auto front = window(9, {10, 10, 300, 200});
    front.occludingFrames = {{0, 0, 50, 50}};
    WindowTrackingState state(kQuietPeriod);
    auto update = state.update({front, window(3), window(6)}, 1.0, false, {});
    ASSERT_EQ(visibleIDs(update), (IDs{9, 3, 6}));
    EXPECT_EQ(update.visible.front(), front);
}

} // namespace
} // namespace garbello
