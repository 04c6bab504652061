#include "app/window_tracker.h"
#include "platform/fake_clock.h"
#include "platform/fake_window_source.h"
#include "settle.h"
#include "support/log.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace garbello {
namespace {

using platform::WindowServerWindow;
using platform::WindowType;

constexpr std::int32_t kEditor = 10, kMail = 20, kIrregular = 30, kNameless = 40, kUnknown = 50;
constexpr std::uint32_t kOwnOverlay = 900;
const Rect kScreen{0, 0, 1280, 800};

WindowServerWindow window(std::uint32_t id, std::optional<std::int32_t> pid, Rect bounds) {
    return {.id = id, .processID = pid, .bounds = bounds, .viewable = true};
}

template <class Change> WindowServerWindow with(WindowServerWindow w, Change change) {
    change(w);
    return w;
}

struct Tracker {
    platform::FakeWindowSource source;
    platform::FakeClock clock;
    platform::FakeTaskQueue worker, mainThread;
    std::shared_ptr<WindowTracker> tracker =
        WindowTracker::create(source, source, clock, worker, mainThread);
    std::vector<std::vector<TrackedWindow>> passes;

    Tracker() {
        source.screenFrames = {kScreen};
        source.list.applications = {{kEditor, {"org.example.Editor", true}},
                                    {kMail, {"org.example.Mail", true}},
                                    {kIrregular, {"org.example.Helper", false}},
                                    {kNameless, {"", true}}};
        tracker->onWindows = [this](std::vector<TrackedWindow> windows) {
            passes.push_back(std::move(windows));
        };
        tracker->setOwnWindows({kOwnOverlay});
    }
    void finishPass() { test::settle(worker, mainThread); }
    std::vector<TrackedWindow> onePass(std::vector<WindowServerWindow> windows, bool trusted) {
        source.list.windows = std::move(windows);
        source.list.statesTrusted = trusted;
        tracker->start();
        finishPass();
        return passes.back();
    }
};

// What a pass should say of one window; occluders name the windows in front.
struct Expected {
    std::uint32_t id;
    std::vector<std::uint32_t> occluders;
    bool fullScreen = false;
    bool minimized = false;
};

struct PassCase {
    const char* name;
    bool trusted;
    std::vector<WindowServerWindow> windows;
    std::vector<Expected> expected;
};

const Rect kLarge{100, 100, 800, 600};
const Rect kOther{300, 200, 640, 480};

const PassCase kPassCases[] = {
    {"the front-most window has no occluders; the next has the first's frame",
     false,
     {window(1, kEditor, kLarge), window(2, kMail, kOther)},
     {{1, {}}, {2, {1}}}},
    {"windows of this process, by pid or by id, neither appear nor occlude",
     false,
     {window(3, getpid(), kLarge), window(kOwnOverlay, std::nullopt, kLarge),
      window(1, kEditor, kOther)},
     {{1, {}}}},
    {"a 99 x 500 window and a layer-3 window occlude but are not dressed",
     false,
     {window(4, kEditor, {0, 0, 99, 500}),
      with(window(5, kMail, kLarge), [](auto& w) { w.layer = 3; }), window(1, kEditor, kOther)},
     {{1, {4, 5}}}},
    {"a 100 x 70 window is dressed", false, {window(4, kEditor, {0, 0, 100, 70})}, {{4, {}}}},
    {"layer -1, alpha 0, unmapped and empty windows are ignored entirely",
     false,
     {with(window(6, kMail, kLarge), [](auto& w) { w.layer = -1; }),
      with(window(7, kMail, kLarge), [](auto& w) { w.alpha = 0; }),
      with(window(8, kMail, kLarge), [](auto& w) { w.viewable = false; }),
      window(9, kMail, {0, 0, 0, 300}), window(1, kEditor, kOther)},
     {{1, {}}}},
    {"an unmapped minimised window keeps a minimised record and hides nothing",
     false,
     {with(window(8, kMail, kLarge), [](auto& w) { w.viewable = false, w.minimized = true; }),
      window(1, kEditor, kOther)},
     {{8, {}, false, true}, {1, {}}}},
    {"irregular, nameless, unknown and pid-less owners are not dressed but occlude",
     false,
     {window(11, kIrregular, {0, 0, 200, 200}), window(12, kNameless, {10, 0, 200, 200}),
      window(13, kUnknown, {20, 0, 200, 200}), window(14, std::nullopt, {30, 0, 200, 200}),
      window(1, kEditor, kOther)},
     {{1, {11, 12, 13, 14}}}},
    {"without trusted states, covering a screen within 2 points is full screen",
     false,
     {window(1, kEditor, {1, 1, 1281, 799}), window(2, kEditor, {0, 0, 1280, 797}),
      with(window(3, kEditor, kLarge),
           [](auto& w) { w.minimized = w.fullScreen = true, w.type = WindowType::dialog; })},
     {{1, {}, true}, {2, {1}}, {3, {1, 2}}}},
    {"a trusted state wins over covering a screen",
     true,
     {window(1, kEditor, kScreen),
      with(window(2, kMail, kLarge), [](auto& w) { w.fullScreen = w.minimized = true; })},
     {{1, {}}, {2, {1}, true, true}}},
    {"a trusted dialog is left out but occludes",
     true,
     {with(window(1, kEditor, kLarge), [](auto& w) { w.type = WindowType::dialog; }),
      window(2, kEditor, kOther)},
     {{2, {1}}}},
    {"windows whose frame fits two states of their application are judged without one",
     true,
     {with(window(1, kEditor, kLarge), [](auto& w) { w.type = WindowType::utility; }),
      with(window(2, kEditor, {101, 102, 799, 598}), [](auto& w) { w.fullScreen = true; })},
     {{1, {}}, {2, {1}}}},
};

class WindowTrackerPassTest : public testing::TestWithParam<PassCase> {};

TEST_P(WindowTrackerPassTest, ReportsTheEligibleWindowsWithWhatHidesThem) {
    const PassCase& test = GetParam();
    Tracker tracker;
    const auto windows = tracker.onePass(test.windows, test.trusted);

    auto frameOf = [&](std::uint32_t id) {
        for (const auto& w : test.windows)
            if (w.id == id)
                return Rect{w.bounds.x, kScreen.height - w.bounds.maxY(), w.bounds.width,
                            w.bounds.height};
        ADD_FAILURE() << "no window " << id;
        return Rect{};
    };
    ASSERT_EQ(windows.size(), test.expected.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const Expected& expected = test.expected[i];
        SCOPED_TRACE(expected.id);
        EXPECT_EQ(windows[i].id, expected.id);
        EXPECT_EQ(windows[i].frame, frameOf(expected.id));
        EXPECT_EQ(windows[i].isFullScreen, expected.fullScreen);
        EXPECT_EQ(windows[i].isMinimized, expected.minimized);
        std::vector<Rect> occluders;
        for (auto id : expected.occluders)
            occluders.push_back(frameOf(id));
        EXPECT_EQ(windows[i].occludingFrames, occluders);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowTrackerPassTest, testing::ValuesIn(kPassCases));

TEST(WindowTrackerTest, RecordsAreInDesktopCoordinatesOfThePrimaryScreen) {
    Tracker tracker;
    // A second monitor above the primary one has negative window-server y.
    tracker.source.screenFrames = {{0, 0, 1280, 800}, {0, -1000, 1600, 1000}};
    const auto windows = tracker.onePass({window(7, kMail, {10, -900, 300, 200})}, false);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0],
              (TrackedWindow{
                  7, kMail, "org.example.Mail", {10, 1500, 300, 200}, true, false, false, {}}));

    // Covering the upper monitor counts as full screen there too.
    EXPECT_TRUE(tracker.onePass({window(7, kMail, {0, -1000, 1600, 1000})}, false)[0].isFullScreen);
}

TEST(WindowTrackerTest, PassesNeverOverlapAndMovesAreFollowedAtOnce) {
    Tracker tracker;
    tracker.tracker->start();
    // Ticks while a pass is in flight are dropped.
    tracker.clock.advance(WindowTracker::kPollInterval * 3);
    EXPECT_EQ(tracker.worker.pending(), 1u);
    tracker.finishPass();
    EXPECT_EQ(tracker.source.reads, 1);
    EXPECT_EQ(tracker.passes.size(), 1u);

    tracker.source.reportMove();
    tracker.finishPass();
    EXPECT_EQ(tracker.source.reads, 2);
    tracker.source.reportMove({kOwnOverlay});
    tracker.finishPass();
    EXPECT_EQ(tracker.source.reads, 2) << "our own overlays' moves are not followed";

    // Moves during a pass are folded into one more pass after it.
    tracker.source.reportMove();
    tracker.mainThread.runAll();
    tracker.source.reportMove();
    tracker.source.reportMove();
    tracker.finishPass();
    EXPECT_EQ(tracker.source.reads, 4);
    EXPECT_EQ(tracker.passes.size(), 4u);
}

TEST(WindowTrackerTest, LogsTheCountWhenItChangesAndALostConnectionEndsTrackingEmpty) {
    ScopedLogCapture capture;
    Tracker tracker;
    for (std::size_t count : {0, 2, 2, 1}) {
        std::vector<WindowServerWindow> windows;
        for (std::uint32_t id = 1; id <= count; ++id)
            windows.push_back(window(id, kEditor, {100.0 * id, 0, 300, 300}));
        tracker.onePass(windows, false);
    }
    std::vector<std::string> lines;
    for (const auto& record : capture.sink().records("tracking"))
        lines.push_back(record.message);
    EXPECT_EQ(lines, (std::vector<std::string>{"Visible eligible windows: 0",
                                               "Visible eligible windows: 2",
                                               "Visible eligible windows: 1"}));

    tracker.source.isConnected = false;
    tracker.clock.advance(WindowTracker::kPollInterval);
    tracker.finishPass();
    EXPECT_TRUE(tracker.passes.back().empty());
    EXPECT_EQ(tracker.clock.timerCount(), 0u);
    EXPECT_FALSE(tracker.source.watched());
    const int reads = tracker.source.reads;
    tracker.clock.advance(10);
    tracker.finishPass();
    EXPECT_EQ(tracker.source.reads, reads);
}

TEST(WindowTrackerTest, WorkInFlightDoesNothingOnceTheTrackerIsGone) {
    Tracker tracker;
    tracker.tracker->start();
    tracker.tracker.reset();
    tracker.finishPass();
    EXPECT_EQ(tracker.source.reads, 0);
    EXPECT_TRUE(tracker.passes.empty());
    EXPECT_FALSE(tracker.source.watched());
    EXPECT_EQ(tracker.clock.timerCount(), 0u);
}

} // namespace
} // namespace garbello
