#include "app/overlay_controller.h"
#include "platform/fake_clock.h"
#include "platform/fake_overlay_host.h"
#include "platform/fake_task_queue.h"
#include "render/application_tint.h"
#include "support/log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace garbello {
namespace {

using platform::FakeOverlayRecord;

constexpr std::uint32_t kWindow = 41;
const Rect kFrame{100, 100, 800, 600};

TrackedWindow window(Rect frame = kFrame, std::vector<Rect> occluders = {}) {
    return {kWindow, 7, "org.example.Editor", frame, true, false, false, std::move(occluders)};
}

// A square icon of one premultiplied colour.
Image icon(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha) {
    Image image{4, 4, 16, std::vector<std::uint8_t>(64)};
    const std::uint32_t argb =
        std::uint32_t(alpha) << 24 | std::uint32_t(red) << 16 | std::uint32_t(green) << 8 | blue;
    for (int i = 0; i < 16; ++i)
        std::memcpy(image.pixels.data() + 4 * i, &argb, 4);
    return image;
}

// The straight alpha of the image's pixel whose top-left corner is (x, y).
int alphaAt(const Image& image, int x, int y) {
    std::uint32_t argb;
    std::memcpy(&argb, image.pixels.data() + y * image.stride + 4 * x, 4);
    return int(argb >> 24);
}

class OverlayControllerTest : public testing::Test {
protected:
    OverlayControllerTest() {
        controller->outfit = Outfit::sweater;
        controller->settings.sameForAllApps = true;
    }

    // One pass, with every render it asks for finished and put.
    void pass(const std::vector<TrackedWindow>& windows) {
        controller->update(windows);
        renderer.runAll();
        mainThread.runAll();
    }
    const FakeOverlayRecord& overlay() const { return host.records.begin()->second; }

    platform::FakeOverlayHost host;
    platform::FakeApplicationIcons icons;
    platform::FakeClock clock;
    platform::FakeTaskQueue renderer, mainThread;
    std::shared_ptr<OverlayController> controller =
        OverlayController::create(host, icons, clock, renderer, mainThread);
};

TEST_F(OverlayControllerTest, OverlayFramesAndRendersFollowTheWindow) {
    // What changed, the window's frame, the ring's width in points and the host's
    // pixels per point; the overlay's frame in pixels and the renders put so far.
    const std::tuple<const char*, Rect, double, double, Rect, int> steps[] = {
        {"first pass", kFrame, 12, 1, {88, 88, 824, 624}, 1},
        {"moved", {300, 40, 800, 600}, 12, 1, {288, 28, 824, 624}, 1},
        {"wider ring", {300, 40, 800, 600}, 20, 1, {280, 20, 840, 640}, 2},
        {"two pixels per point", {300, 40, 800, 600}, 20, 2, {260, 0, 880, 680}, 3},
        {"moved at two", {310, 40, 800, 600}, 20, 2, {270, 0, 880, 680}, 3},
        {"one again", {310, 40, 800, 600}, 20, 1, {290, 20, 840, 640}, 4},
        {"negative width", {300, 40, 800, 600}, -5, 1, {300, 40, 800, 600}, 5},
    };
    for (const auto& [what, frame, width, scale, expected, images] : steps) {
        SCOPED_TRACE(what);
        controller->settings.borderWidth = width;
        host.scale = scale;
        pass({window(frame)});
        ASSERT_EQ(host.records.size(), 1u) << "one overlay, reused";
        EXPECT_EQ(overlay().frame, expected);
        EXPECT_EQ(overlay().imagesSet, images);
        EXPECT_TRUE(overlay().shown);
        EXPECT_EQ(overlay().below, kWindow);
        ASSERT_TRUE(overlay().image);
        EXPECT_EQ(overlay().image->width, int(expected.width));
    }
    controller->settings.borderWidth = 12;
    pass({window()});
    // The ring lies around the window, which stays clear.
    EXPECT_GT(alphaAt(*overlay().image, 6, 300), 0);
    EXPECT_EQ(alphaAt(*overlay().image, 412, 312), 0);
    // At two pixels per point the cloth covers twice the pixels.
    host.scale = 2;
    pass({window()});
    EXPECT_GT(alphaAt(*overlay().image, 20, 300), 0);
    EXPECT_EQ(alphaAt(*overlay().image, 30, 300), 0);
    EXPECT_EQ(overlay().image->width, 848);
}

TEST_F(OverlayControllerTest, SuppressedWindowsKeepAHiddenOverlayAndVanishedOnesLoseIt) {
    // Minimised and full-screen windows are the tracking state's own cases.
    using Suppress = std::function<void(OverlayController&, TrackedWindow&)>;
    const std::pair<const char*, Suppress> cases[] = {
        {"paused", [](OverlayController& c, TrackedWindow&) { c.settings.paused = true; }},
        {"no outfit", [](OverlayController& c, TrackedWindow&) { c.outfit.reset(); }},
        {"disabled",
         [](OverlayController& c, TrackedWindow& w) { c.settings.disabledApps = {w.bundleID}; }},
    };
    pass({window()});
    for (const auto& [what, suppress] : cases) {
        SCOPED_TRACE(what);
        TrackedWindow suppressed = window();
        suppress(*controller, suppressed);
        pass({suppressed});
        EXPECT_FALSE(overlay().shown);
        controller->settings = {};
        controller->settings.sameForAllApps = true;
        controller->outfit = Outfit::sweater;
        pass({window()});
        EXPECT_TRUE(overlay().shown);
        EXPECT_EQ(host.records.size(), 1u) << "brought back, not recreated";
    }
    // A resize hides the overlay until the size has held for 0.3 s.
    pass({window({100, 100, 700, 600})});
    EXPECT_FALSE(overlay().shown);
    clock.advance(0.31);
    pass({window({100, 100, 700, 600})});
    EXPECT_TRUE(overlay().shown);

    pass({});
    EXPECT_TRUE(overlay().closed);
}

TEST_F(OverlayControllerTest, OccludersReachTheOverlayWithoutARenderAndComeBackWhenItIsLost) {
    pass({window(kFrame, {{2000, 2000, 100, 100}})});
    EXPECT_TRUE(overlay().occluders.empty()) << "outside the overlay";
    const std::vector<TrackedWindow> windows = {
        window(kFrame, {{50, 60, 100, 100}, {2000, 2000, 100, 100}})};
    pass(windows);
    EXPECT_EQ(overlay().occluders, (std::vector<Rect>{{-38, -28, 100, 100}}));
    EXPECT_EQ(overlay().imagesSet, 1);
    // An overlay that lost its pictures is framed, cut and painted again.
    host.records.begin()->second = {};
    host.lost = true;
    pass(windows);
    EXPECT_EQ(overlay().frame, (Rect{88, 88, 824, 624}));
    EXPECT_EQ(overlay().occluders, (std::vector<Rect>{{-38, -28, 100, 100}}));
    EXPECT_EQ(overlay().imagesSet, 1);
    EXPECT_TRUE(overlay().shown);
}

TEST_F(OverlayControllerTest, ADraggedWindowsOverlayMovesBeforeTheOnesBehindAreCut) {
    const Rect behind{500, 100, 800, 600};
    const auto windows = [&](Rect front) {
        TrackedWindow top = window(front);
        TrackedWindow back = window(behind, {front});
        back.id = kWindow + 1;
        return std::vector<TrackedWindow>{top, back};
    };
    pass(windows(kFrame));
    pass(windows({140, 100, 800, 600}));
    const FakeOverlayRecord& top = *host.below(kWindow);
    const FakeOverlayRecord& back = *host.below(kWindow + 1);
    EXPECT_EQ(top.frame, (Rect{128, 88, 824, 624}));
    EXPECT_LT(top.framedAt, back.cutAt);
}

TEST_F(OverlayControllerTest, OnlyTheLatestRenderIsPut) {
    controller->update({window()});
    controller->settings.borderWidth = 30;
    controller->update({window()});
    renderer.runAll();
    mainThread.runAll();
    EXPECT_EQ(overlay().imagesSet, 1);
    EXPECT_EQ(overlay().image->width, 860);
}

TEST_F(OverlayControllerTest, VariantsFollowTheApplicationThenTheOutfitChoice) {
    ScopedLogCapture log;
    controller->settings.setPreferredVariant(ClothVariant::third, Outfit::sweater);
    pass({window()});
    controller->settings.setVariant(ClothVariant::fifth, "org.example.Editor", Outfit::sweater);
    pass({window()});
    std::vector<std::string> lines;
    for (const auto& record : log.sink().records("overlays"))
        if (record.message.starts_with("Assigned"))
            lines.push_back(record.message);
    EXPECT_EQ(lines, (std::vector<std::string>{"Assigned cloth variant 2 for sweater, window 41",
                                               "Assigned cloth variant 4 for sweater, window 41"}));
    EXPECT_EQ(overlay().imagesSet, 2);
}

TEST_F(OverlayControllerTest, TintsAreAskedOncePerApplicationThatHasAnIcon) {
    // Same colours for all, whether there is an icon, and how often two passes ask.
    const std::tuple<bool, bool, int> cases[] = {
        {true, true, 0}, {false, true, 1}, {false, false, 2}};
    for (const auto& [sameForAll, hasIcon, asked] : cases) {
        platform::FakeApplicationIcons icons;
        if (hasIcon)
            icons.icons["org.example.Editor"] = icon(200, 0, 0, 255);
        auto controller = OverlayController::create(host, icons, clock, renderer, mainThread);
        controller->outfit = Outfit::sweater;
        controller->settings.sameForAllApps = sameForAll;
        controller->update({window()});
        controller->update({window()});
        EXPECT_EQ(icons.asked, asked) << sameForAll << hasIcon;
    }
}

TEST(ApplicationTintTest, IsAMutedAverageOfTheSaturatedOpaquePixels) {
    const Color fallback = Color::rgb(0.4, 0.53, 0.6);
    const std::tuple<const char*, Image, Color> cases[] = {
        {"red", icon(255, 0, 0, 255), Color::rgb(0.9, 0.15, 0.15)},
        {"half-transparent red is skipped", icon(127, 0, 0, 127), fallback},
        {"grey", icon(128, 120, 110, 255), fallback},
        {"transparent", icon(0, 0, 0, 0), fallback},
        {"empty image", Image{}, fallback},
    };
    for (const auto& [what, image, tint] : cases) {
        SCOPED_TRACE(what);
        const auto ink = applicationTint(image).deviceRGB(), expected = tint.deviceRGB();
        ASSERT_TRUE(ink && expected);
        EXPECT_NEAR(ink->red, expected->red, 1e-3);
        EXPECT_NEAR(ink->green, expected->green, 1e-3);
        EXPECT_NEAR(ink->blue, expected->blue, 1e-3);
    }
}

} // namespace
} // namespace garbello
