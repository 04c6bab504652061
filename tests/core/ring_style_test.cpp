#include "draw/bitmap.h"
#include "draw/render_error.h"
#include "image_pixels.h"
#include "render/pattern_renderer.h"
#include "render/ring_style.h"

#include <gtest/gtest.h>

#include <functional>
#include <unordered_set>

namespace garbello {
namespace {

// Every input of the picture tells two styles apart, so a cache keyed on the
// style never hands out a ring of another picture.
TEST(RingStyleTest, EveryPictureInputTellsStylesApart) {
    const RingStyle base;
    const std::vector<std::pair<const char*, RingStyle>> changed = {
        {"outfit", {.outfit = Outfit::linen}},
        {"variant", {.variant = ClothVariant::fifth}},
        {"width", {.width = 17}},
        {"scale", {.scale = 1.5}},
        {"tint", {.tint = Color::rgb(0.2, 0.4, 0.6)}},
        {"dark", {.dark = true}},
        {"corner radius", {.cornerRadius = 0}},
    };
    std::unordered_set<RingStyle> seen = {base};
    for (const auto& [what, style] : changed) {
        EXPECT_NE(style, base) << what;
        EXPECT_TRUE(seen.insert(style).second) << what;
        EXPECT_EQ(std::hash<RingStyle>{}(style), std::hash<RingStyle>{}(RingStyle(style))) << what;
    }
    // Colours compare by space and components: a grey is not the same RGB triple.
    EXPECT_EQ(Color::grey(0.5), Color::grey(0.5));
    EXPECT_NE(Color::grey(0.5), Color::rgb(0.5, 0.5, 0.5));
    EXPECT_NE((RingStyle{.tint = Color::rgb(0.2, 0.4, 0.6)}),
              (RingStyle{.tint = Color::rgb(0.2, 0.4, 0.61)}));
}

// The image a worker hands back holds the very pixels the PNG encodes.
TEST(RingStyleTest, RingImageHoldsThePixelsOfTheRing) {
    const RingStyle style{.outfit = Outfit::sweater, .variant = ClothVariant::third, .width = 12};
    const Image image = PatternRenderer::ring({90, 60}, style);
    ASSERT_EQ(image.width, 114);
    ASSERT_EQ(image.height, 84);
    ASSERT_GE(image.stride, 4 * image.width);
    ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(image.stride * image.height));
    const auto decoded = Bitmap::decodePNG(PatternRenderer::png({90, 60}, style, false));
    const auto argb = [&](int x, int y) { return test::argbAt(image, x, image.height - 1 - y); };
    for (const auto& [x, y] : {std::pair{0, 0}, {5, 40}, {60, 80}, {113, 83}, {57, 42}}) {
        const Pixel p = decoded->pixel(x, y);
        EXPECT_EQ(argb(x, y) >> 24, p.alpha) << x << "," << y;
    }
    EXPECT_EQ(argb(57, 42), 0u) << "the window itself stays clear";
    EXPECT_EQ(argb(5, 40) >> 24, 255u) << "the ring is opaque cloth";
    EXPECT_THROW(PatternRenderer::ring({0, 60}, style), RenderError);
}

} // namespace
} // namespace garbello
