#include "platform/x11_handles.h"
#include "platform/x11_overlay_host.h"
#include "platform/x11_window_source.h"
#include "render/border_geometry.h"
#include "render/pattern_renderer.h"
#include "tracking/desktop_geometry.h"
#include "x_observer.h"
#include "x_server.h"

#include <gtest/gtest.h>
#include <xcb/shape.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace garbello {
namespace {

using test::covers;
using test::Observer;

constexpr double kWidth = 12;

// One application window on a private server, and an overlay host for it.
class X11OverlayHostTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(source && host); }

    test::XServer server;
    test::X11Fixture app{server};
    const std::uint32_t dressed = app.open("dressed x=200 y=150 w=400 h=300");
    std::unique_ptr<platform::X11WindowSource> source =
        platform::X11WindowSource::open(server.display(), {});
    std::unique_ptr<platform::X11OverlayHost> host =
        source ? platform::X11OverlayHost::open(server.display(), *source) : nullptr;
};

TEST_F(X11OverlayHostTest, ARingSitsDirectlyBelowItsWindowTakesNoInputAndGoesWhenClosed) {
    EXPECT_FALSE(host->composited()) << "no compositor runs";
    Rect bounds;
    for (int tries = 0; tries < 100 && bounds.x != 200; ++tries) {
        for (const auto& window : source->read().windows)
            if (window.id == dressed)
                bounds = window.bounds;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(bounds.x, 200) << "the window manager placed the window";

    const double screenHeight = source->frames().front().height;
    const Rect desktop = DesktopGeometry::cocoaFrame(bounds, screenHeight);
    auto overlay = host->createOverlay();
    overlay->setFrame(BorderGeometry::outerRect(desktop, kWidth));
    RingStyle style;
    style.outfit = Outfit::linen;
    style.width = kWidth;
    overlay->setPicture(host->prepare(PatternRenderer::ring(desktop.size(), style)));
    overlay->showBelow(dressed);
    host->sync();

    Observer observer(server.display());
    const xcb_window_t id = overlay->id();
    EXPECT_EQ(observer.geometry(id), (Rect{bounds.x - kWidth, bounds.y - kWidth,
                                           bounds.width + 2 * kWidth, bounds.height + 2 * kWidth}));
    EXPECT_TRUE(observer.viewable(id));
    const auto order = observer.stacking();
    const auto at = [&](xcb_window_t w) { return std::find(order.begin(), order.end(), w); };
    EXPECT_EQ(at(id) + 1, at(observer.frameOf(dressed))) << "directly below the window's frame";
    EXPECT_TRUE(observer.shape(id, XCB_SHAPE_SK_INPUT).empty()) << "clicks go through";

    const int middle = int(bounds.height / 2 + kWidth);
    const auto ring = observer.shape(id, XCB_SHAPE_SK_BOUNDING);
    EXPECT_TRUE(covers(ring, 6, middle));
    EXPECT_FALSE(covers(ring, int(bounds.width / 2), middle)) << "the window itself stays clear";
    EXPECT_NE(observer.pixel(id, 6, middle), 0u) << "cloth is painted in the ring";

    // A window in front over the left edge of the ring cuts it out there.
    overlay->setOccluders({{0, 0, 50, bounds.height + 2 * kWidth}});
    host->sync();
    EXPECT_FALSE(covers(observer.shape(id, XCB_SHAPE_SK_BOUNDING), 6, middle));
    EXPECT_TRUE(
        covers(observer.shape(id, XCB_SHAPE_SK_BOUNDING), int(bounds.width + kWidth + 6), middle));

    overlay->hide();
    host->sync();
    EXPECT_FALSE(observer.viewable(id));
    overlay.reset();
    host->sync();
    EXPECT_EQ(observer.geometry(id), std::nullopt) << "closed with its overlay";
}

TEST_F(X11OverlayHostTest, OverlaysAreBlendedWhileACompositorRunsAndShapedOtherwise) {
    const Size window{400, 300};
    const Rect frame = BorderGeometry::outerRect({200, 350, window.width, window.height}, kWidth);
    RingStyle style;
    style.width = kWidth;
    auto overlay = host->createOverlay();
    const auto paint = [&] {
        overlay->setFrame(frame);
        overlay->setPicture(host->prepare(PatternRenderer::ring(window, style)));
        overlay->showBelow(dressed);
        host->sync();
    };
    paint();
    EXPECT_FALSE(host->picturesLost());

    Observer observer(server.display());
    const int middle = int(frame.height / 2);
    struct Step {
        const char* what;
        void (test::XServer::*change)();
        bool composited;
        int depth;
        bool middleShown; // the window itself is left out only by the shape
    };
    const Step steps[] = {
        {"compositor started", &test::XServer::startCompositor, true, 32, true},
        {"compositor stopped", &test::XServer::stopCompositor, false, 24, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const xcb_window_t before = overlay->id();
        (server.*step.change)();
        bool lost = false;
        for (int tries = 0; tries < 250 && !lost; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            lost = host->picturesLost();
        }
        ASSERT_TRUE(lost);
        EXPECT_EQ(host->composited(), step.composited);
        host->sync();
        EXPECT_EQ(observer.geometry(before), std::nullopt) << "the old window is gone";
        EXPECT_FALSE(observer.viewable(overlay->id())) << "blank until painted again";
        paint();
        const xcb_window_t id = overlay->id();
        EXPECT_EQ(observer.depth(id), step.depth);
        EXPECT_TRUE(observer.viewable(id));
        const auto shape = observer.shape(id, XCB_SHAPE_SK_BOUNDING);
        EXPECT_TRUE(covers(shape, 6, middle));
        EXPECT_EQ(covers(shape, int(frame.width / 2), middle), step.middleShown);
    }
}

} // namespace
} // namespace garbello
