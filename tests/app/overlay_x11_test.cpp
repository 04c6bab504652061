#include "app/overlay_controller.h"
#include "app/window_tracker.h"
#include "platform/fake_clock.h"
#include "platform/fake_overlay_host.h"
#include "platform/fake_task_queue.h"
#include "platform/x11_overlay_host.h"
#include "platform/x11_window_source.h"
#include "x_observer.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace garbello {
namespace {

constexpr double kWidth = 12;

// The tracker and the overlays on a private X server with openbox, their
// queues run by the test so that each pass ends before it looks.
class LiveBordersTest : public testing::Test {
protected:
    LiveBordersTest() {
        source = platform::X11WindowSource::open(server.display(), {});
        host = platform::X11OverlayHost::open(server.display(), *source);
        if (!source || !host)
            throw std::runtime_error("no connection to " + server.display());
        tracker = WindowTracker::create(*source, *source, clock, worker, mainThread);
        overlays = OverlayController::create(*host, icons, clock, renderer, mainThread);
        overlays->outfit = Outfit::snowGear;
        overlays->settings.borderWidth = kWidth;
        tracker->onWindows = [this](std::vector<TrackedWindow> windows) {
            overlays->update(windows);
            tracker->setOwnWindows(overlays->overlayIDs());
        };
        tracker->start();
    }

    void pass() {
        clock.advance(WindowTracker::kPollInterval);
        for (int round = 0; round < 3; ++round) {
            worker.runAll();
            mainThread.runAll();
            renderer.runAll();
        }
        host->sync();
    }

    // Passes until `done` holds (the window manager works at its own pace),
    // at most a few seconds.
    template <typename Done> bool passUntil(Done done) {
        for (int tries = 0; tries < 200; ++tries) {
            pass();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // The overlay's id for the window shown in the frame of `client`, which
    // the overlay sits directly below.
    xcb_window_t overlayBelow(std::uint32_t client) {
        const auto order = observer.stacking();
        const auto frame = std::find(order.begin(), order.end(), observer.frameOf(client));
        return frame == order.begin() || frame == order.end() ? XCB_NONE : *(frame - 1);
    }
    // Where a border around `client` belongs: its frame grown by the ring.
    std::optional<Rect> ringFrame(std::uint32_t client) {
        auto frame = observer.geometry(observer.frameOf(client));
        if (frame)
            *frame = frame->insetBy(-kWidth, -kWidth);
        return frame;
    }
    // Where the pieces of the overlay below `client` reach together: its
    // top one directly below the frame spans the ring's width, the bottom
    // one ends with the ring.
    std::optional<Rect> ringReach(xcb_window_t below) {
        auto top = observer.geometry(below);
        const auto order = observer.stacking();
        const auto at = std::find(order.begin(), order.end(), below);
        if (!top || at == order.begin() || !observer.viewable(*(at - 1)))
            return std::nullopt;
        const auto bottom = observer.geometry(*(at - 1));
        if (bottom)
            top->height = bottom->y + bottom->height - top->y;
        return top;
    }
    bool dressed(std::uint32_t client) {
        const xcb_window_t below = overlayBelow(client);
        return overlays->overlayIDs().contains(below) && observer.viewable(below) &&
               ringReach(below) == ringFrame(client);
    }

    test::XServer server;
    test::X11Fixture app{server};
    test::Observer observer{server.display()};
    std::unique_ptr<platform::X11WindowSource> source;
    std::unique_ptr<platform::X11OverlayHost> host;
    platform::FakeApplicationIcons icons;
    platform::FakeClock clock;
    platform::FakeTaskQueue worker, mainThread, renderer;
    std::shared_ptr<WindowTracker> tracker;
    std::shared_ptr<OverlayController> overlays;
};

TEST_F(LiveBordersTest, BordersFollowMovesStepAsideAndGoWithTheirWindows) {
    const std::uint32_t editor = app.open("editor class=Editor x=100 y=120 w=400 h=300");
    const std::uint32_t viewer = app.open("viewer class=Viewer x=600 y=200 w=300 h=200");
    ASSERT_TRUE(passUntil([&] { return dressed(editor) && dressed(viewer); }));
    const xcb_window_t editorBorder = overlayBelow(editor), viewerBorder = overlayBelow(viewer);

    app.change("move editor 300 350");
    EXPECT_TRUE(passUntil([&] { return dressed(editor); })) << "the border followed the move";
    EXPECT_EQ(overlayBelow(editor), editorBorder) << "moved, not made anew";

    app.change("minimise editor");
    EXPECT_TRUE(passUntil([&] { return !observer.viewable(editorBorder); }));
    app.change("fullscreen viewer");
    EXPECT_TRUE(passUntil([&] { return !observer.viewable(viewerBorder); }));

    app.change("close viewer");
    EXPECT_TRUE(passUntil([&] { return !observer.geometry(viewerBorder); }))
        << "the border went with its window";
    EXPECT_TRUE(observer.geometry(editorBorder)) << "a minimised window keeps its border";
}

} // namespace
} // namespace garbello
