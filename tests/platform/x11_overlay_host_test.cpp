#include "image_pixels.h"
#include "platform/ring_pieces.h"
#include "platform/x11_handles.h"
#include "platform/x11_overlay_host.h"
#include "platform/x11_window_source.h"
#include "platform/x_resources.h"
#include "render/border_geometry.h"
#include "render/pattern_renderer.h"
#include "tracking/desktop_geometry.h"
#include "x_observer.h"
#include "x_server.h"

#include <gtest/gtest.h>
#include <xcb/res.h>
#include <xcb/shape.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

namespace garbello {
namespace {

using test::covers;
using test::Observer;

constexpr double kWidth = 12;

TEST(XftScaleTest, ReadsXftDpiFromTheResourceManagerProperty) {
    // The resources, and the scale read from them.
    const std::pair<const char*, double> cases[] = {
        {"", 1},
        {"Xcursor.size:\t24\n", 1},
        {"Xft.dpi:\t192\n", 2},
        {"Xcursor.size:\t24\nXft.dpi:\t144\nXft.hinting:\t1\n", 1.5},
        {"  Xft.dpi :  120  ", 1.25},         // blanks round name and value, no newline
        {"Xft.dpi:\t96\nXft.dpi:\t192\n", 2}, // the later line wins
        {"Xft.dpis:\t192\n*dpi:\t192\n", 1},  // other names
        {"Xft.dpi:\tlarge\n", 1},
        {"Xft.dpi:\t192px\n", 1},
        {"Xft.dpi:\t0\n", 1},
        {"Xft.dpi:\t-96\n", 1},
        {"Xft.dpi:\t9600\n", 4}, // held to 0.5…4
        {"Xft.dpi:\t24\n", 0.5},
    };
    for (const auto& [resources, scale] : cases)
        EXPECT_DOUBLE_EQ(platform::xftScale(resources), scale) << '"' << resources << '"';
}

// Every painted pixel of a ring lies in exactly one of its pieces, and the
// window's middle in none.
TEST(RingPiecesTest, PiecesHoldEveryPaintedPixelOfAllCloths) {
    // The window, the ring's width, and whether the ring leaves nothing clear.
    const std::tuple<Size, double, bool> setups[] = {
        {{160, 120}, 16, false}, {{300, 90}, 12.5, false}, {{1, 1}, 16, true}};
    for (const auto& [window, width, whole] : setups)
        for (Outfit outfit : Outfit::allCases())
            for (ClothVariant variant : ClothVariant::allCases()) {
                SCOPED_TRACE(std::string(outfit.rawValue()) + "/" +
                             std::to_string(variant.rawValue()) + " width " +
                             std::to_string(width));
                const Image ring = PatternRenderer::ring(window, {outfit, variant, width});
                const auto insets = platform::ringInsets(ring);
                EXPECT_EQ(insets.whole(), whole);
                // How many pieces hold each pixel.
                std::vector<int> held(std::size_t(ring.width * ring.height));
                for (const auto& p : platform::ringPieces(ring.width, ring.height, insets))
                    for (int y = p.y; y < p.y + p.height; ++y)
                        for (int x = p.x; x < p.x + p.width; ++x)
                            ++held.at(std::size_t(y * ring.width + x));
                int outside = 0;
                for (int y = 0; y < ring.height; ++y)
                    for (int x = 0; x < ring.width; ++x)
                        outside += held[std::size_t(y * ring.width + x)] == 0 &&
                                   (test::argbAt(ring, x, y) >> 24) != 0;
                EXPECT_EQ(outside, 0);
                EXPECT_EQ(*std::max_element(held.begin(), held.end()), 1)
                    << "a pixel in two pieces";
                if (!whole) {
                    // Round the window's corners, never across its middle.
                    EXPECT_EQ(held[std::size_t(ring.height / 2 * ring.width + ring.width / 2)], 0);
                    EXPECT_LE(insets.left, width + 11) << "the side and a corner radius";
                }
            }
}

// One application window on a private server, placed by the window manager,
// and an overlay host for it.
class X11OverlayHostTest : public testing::Test {
protected:
    explicit X11OverlayHostTest(
        test::XServer::Extensions extensions = test::XServer::Extensions::all)
        : server(test::XServer::Manager::openbox, extensions) {}
    void SetUp() override {
        ASSERT_TRUE(source && host);
        for (int tries = 0; tries < 100 && bounds.x != 200; ++tries) {
            for (const auto& window : source->read().windows)
                if (window.id == dressed)
                    bounds = window.bounds;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_EQ(bounds.x, 200) << "the window manager placed the window";
        desktop = DesktopGeometry::cocoaFrame(bounds, source->frames().front().height);
    }

    // Frames the overlay round the window and shows a ring of `style` in it.
    void show(platform::Overlay& overlay, RingStyle style) {
        style.width = kWidth;
        overlay.setFrame(BorderGeometry::outerRect(desktop, kWidth));
        overlay.setPicture(host->prepare(PatternRenderer::ring(desktop.size(), style)));
        overlay.showBelow(dressed);
        host->sync();
    }

    // The colour another client reads at `p` (the server's coordinates) of
    // the overlay's piece there; 0 where no piece shows anything.
    std::uint32_t seen(const platform::Overlay& overlay, Point p) {
        for (xcb_window_t id : overlay.windowIDs())
            if (const Rect at = *observer.geometry(id);
                observer.viewable(id) && at.contains(p) &&
                covers(observer.shape(id, XCB_SHAPE_SK_BOUNDING), int(p.x - at.x), int(p.y - at.y)))
                return observer.pixel(id, int(p.x - at.x), int(p.y - at.y));
        return 0;
    }

    // Bytes of the pixmaps the server holds for the host's client.
    std::uint32_t pixmapBytes(xcb_window_t ofClient) {
        xcb_connection_t* c = resources.get();
        auto reply = platform::x11::take(c, xcb_res_query_client_pixmap_bytes_reply,
                                         xcb_res_query_client_pixmap_bytes(c, ofClient));
        return reply ? reply.get()->bytes : 0;
    }

    // Checks what another client sees of an overlay around the window.
    void expectRing(const platform::Overlay& overlay) {
        const auto ids = overlay.windowIDs();
        ASSERT_EQ(ids.size(), 4u) << "a window per side";
        const auto order = observer.stacking();
        const auto frame = std::find(order.begin(), order.end(), observer.frameOf(dressed));
        ASSERT_GE(frame - order.begin(), 4);
        EXPECT_EQ(std::set<xcb_window_t>(frame - 4, frame),
                  std::set<xcb_window_t>(ids.begin(), ids.end()))
            << "every piece directly below the window's frame";
        EXPECT_EQ(*(frame - 1), overlay.id());

        const Rect ring = bounds.insetBy(-kWidth, -kWidth);
        Rect reach = *observer.geometry(overlay.id());
        for (xcb_window_t id : ids) {
            EXPECT_TRUE(observer.shape(id, XCB_SHAPE_SK_INPUT).empty()) << "clicks go through";
            EXPECT_TRUE(observer.overrideRedirect(id));
            if (!observer.viewable(id))
                continue;
            const Rect at = *observer.geometry(id);
            const double x = std::min(reach.x, at.x), y = std::min(reach.y, at.y);
            reach = {x, y, std::max(reach.maxX(), at.maxX()) - x,
                     std::max(reach.maxY(), at.maxY()) - y};
        }
        EXPECT_EQ(reach, ring) << "the pieces make up the ring's frame";
        // Cloth in the middle of every side, seen through the piece there;
        // nothing shown inside the window, also next to its edges. (Blended,
        // a piece reaches in as far as the corners' cloth does, transparent
        // elsewhere.)
        const double midX = int(ring.midX()), midY = int(ring.midY()), side = int(kWidth / 2);
        for (const Point p : {Point{midX, ring.y + side}, Point{midX, ring.maxY() - side},
                              Point{ring.x + side, midY}, Point{ring.maxX() - side, midY}})
            EXPECT_NE(seen(overlay, p), 0u) << "cloth is shown at " << p.x << "," << p.y;
        for (const Point p :
             {Point{midX, midY}, Point{midX, bounds.y + 2}, Point{bounds.x + 2, midY},
              Point{bounds.maxX() - 3, midY}, Point{midX, bounds.maxY() - 3}})
            EXPECT_EQ(seen(overlay, p), 0u) << "window clear at " << p.x << "," << p.y;
        // The server holds about the ring's pixels (its sides and the
        // cloth in the window's corners), not the frame's. A compositor adds
        // a pixmap behind every mapped piece, charged to us too, and while it
        // catches up with a change, the old pieces' for a moment.
        const double ringBytes = 4 * (ring.width * ring.height - bounds.width * bounds.height);
        const double bytes = pixmapBytes(overlay.id());
        EXPECT_GT(bytes, ringBytes);
        EXPECT_LT(bytes, (host->composited() ? 3.5 : 2) * ringBytes)
            << "the frame would be " << 4 * ring.width * ring.height;
    }

    test::XServer server;
    test::X11Fixture app{server};
    const std::uint32_t dressed = app.open("dressed x=200 y=150 w=400 h=300");
    std::unique_ptr<platform::X11WindowSource> source =
        platform::X11WindowSource::open(server.display(), {});
    std::unique_ptr<platform::X11OverlayHost> host =
        source ? platform::X11OverlayHost::open(server.display(), *source) : nullptr;
    Observer observer{server.display()};
    platform::x11::Connection resources{xcb_connect(server.display().c_str(), nullptr)};
    Rect bounds;  // the window's frame, in the server's coordinates
    Rect desktop; // and on the desktop
};

TEST_F(X11OverlayHostTest, ARingSitsDirectlyBelowItsWindowTakesNoInputAndGoesWhenClosed) {
    EXPECT_FALSE(host->composited()) << "no compositor runs";
    auto overlay = host->createOverlay();
    show(*overlay, {.outfit = Outfit::linen});
    expectRing(*overlay);

    // A window in front over the left edge of the ring cuts it out there,
    // in every piece it overlaps.
    const auto shownAt = [&](double x, double y) { return seen(*overlay, {x, y}) != 0; };
    const double left = bounds.x - kWidth + 6, top = bounds.y - kWidth + 6;
    EXPECT_TRUE(shownAt(left, top + 20));
    overlay->setOccluders({{0, 0, 50, bounds.height + 2 * kWidth}});
    host->sync();
    EXPECT_FALSE(shownAt(left, bounds.midY())) << "left side cut";
    EXPECT_FALSE(shownAt(left + 30, top)) << "top side cut";
    EXPECT_TRUE(shownAt(left + 60, top));
    EXPECT_TRUE(shownAt(bounds.maxX() + 6, bounds.midY()));

    // A move of unchanged size keeps the pixmaps and moves every piece.
    const std::uint32_t bytes = pixmapBytes(overlay->id());
    overlay->setFrame(BorderGeometry::outerRect(desktop.offsetBy(30, -20), kWidth));
    host->sync();
    EXPECT_EQ(observer.geometry(overlay->id())->x, bounds.x + 30 - kWidth);
    EXPECT_EQ(observer.geometry(overlay->windowIDs()[1])->y, bounds.maxY() + 20)
        << "the bottom piece moved along";
    EXPECT_EQ(pixmapBytes(overlay->id()), bytes);

    overlay->hide();
    host->sync();
    for (xcb_window_t id : overlay->windowIDs())
        EXPECT_FALSE(observer.viewable(id));
    const auto ids = overlay->windowIDs();
    overlay.reset();
    host->sync();
    for (xcb_window_t id : ids)
        EXPECT_EQ(observer.geometry(id), std::nullopt) << "closed with its overlay";
}

TEST_F(X11OverlayHostTest, OverlaysAreBlendedWhileACompositorRunsAndShapedOtherwise) {
    auto overlay = host->createOverlay();
    show(*overlay, {});
    EXPECT_FALSE(host->picturesLost());
    expectRing(*overlay);

    // What changes, how, and then whether the host blends and its windows' depth.
    const std::tuple<const char*, void (test::XServer::*)(), bool, int> steps[] = {
        {"compositor started", &test::XServer::startCompositor, true, 32},
        {"compositor stopped", &test::XServer::stopCompositor, false, 24},
    };
    for (const auto& [what, change, composited, depth] : steps) {
        SCOPED_TRACE(what);
        const auto before = overlay->windowIDs();
        // Prepared before the change: of the other kind, so never put.
        const auto stale = host->prepare(PatternRenderer::ring(desktop.size(), {.width = kWidth}));
        (server.*change)();
        bool lost = false;
        for (int tries = 0; tries < 250 && !lost; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            lost = host->picturesLost();
        }
        ASSERT_TRUE(lost);
        EXPECT_EQ(host->composited(), composited);
        overlay->setPicture(stale);
        host->sync();
        for (xcb_window_t id : before)
            EXPECT_EQ(observer.geometry(id), std::nullopt) << "the old windows are gone";
        for (xcb_window_t id : overlay->windowIDs())
            EXPECT_FALSE(observer.viewable(id)) << "blank until painted again";
        show(*overlay, {});
        for (xcb_window_t id : overlay->windowIDs())
            EXPECT_EQ(observer.depth(id), depth);
        expectRing(*overlay);
    }
}

// A server on another machine cannot attach our memory; the pixels then go
// through the socket, and must land where the shared ones would.
class X11OverlayHostOverTheSocketTest : public X11OverlayHostTest {
protected:
    X11OverlayHostOverTheSocketTest()
        : X11OverlayHostTest(test::XServer::Extensions::withoutSharedMemory) {}
};

TEST_F(X11OverlayHostOverTheSocketTest, ShowsTheRingsOwnPixelsInEveryPiece) {
    auto overlay = host->createOverlay();
    show(*overlay, {.outfit = Outfit::sweater});
    expectRing(*overlay);

    // Opaque cloth along each side, so the colour on screen is the drawn one.
    const Image ring =
        PatternRenderer::ring(desktop.size(), {.outfit = Outfit::sweater, .width = kWidth});
    const int across = int(kWidth / 2), right = ring.width - 1 - across,
              bottom = ring.height - 1 - across;
    for (int i = 1; i < 8; ++i) {
        const int x = ring.width * i / 8, y = ring.height * i / 8;
        for (const auto& [px, py] : {std::pair{x, across}, {x, bottom}, {across, y}, {right, y}})
            EXPECT_EQ(seen(*overlay, {bounds.x - kWidth + px, bounds.y - kWidth + py}),
                      test::argbAt(ring, px, py) & 0xffffff)
                << "at " << px << "," << py << " of the ring";
    }
}

TEST_F(X11OverlayHostTest, PixelsPerPointFollowXftDpiOnTheRoot) {
    EXPECT_EQ(host->pixelsPerPoint(), 1) << "no resources set";
    xcb_connection_t* c = resources.get();
    const std::string text = "Xft.antialias:\t1\nXft.dpi:\t192\n";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, observer.root(), XCB_ATOM_RESOURCE_MANAGER,
                        XCB_ATOM_STRING, 8, std::uint32_t(text.size()), text.data());
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    for (int tries = 0; tries < 100 && host->pixelsPerPoint() == 1; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        host->picturesLost(); // reads the host's events, as every pass does
    }
    EXPECT_EQ(host->pixelsPerPoint(), 2);
}

} // namespace
} // namespace garbello
