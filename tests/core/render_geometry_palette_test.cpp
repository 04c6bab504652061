#include "render/border_geometry.h"
#include "render/palette.h"

#include <gtest/gtest.h>

#include <limits>

namespace garbello {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(BorderGeometryTest, OuterRectGrowsOnlyByAUsableWidth) {
    const Rect window{100, 100, 800, 600};
    // The border's width and the outer rectangle.
    for (const auto& [width, expected] : {std::pair{12.0, Rect{88, 88, 824, 624}},
                                          {0.0, window},
                                          {-5.0, window},
                                          {nan, window},
                                          {inf, window},
                                          {-inf, window}})
        EXPECT_EQ(BorderGeometry::outerRect(window, width), expected) << width;
}

// The first point of each subpath sits where the bottom straight edge of its
// rounded rectangle begins, one corner radius in from the left.
Point subpathStart(const Path& path, int index) {
    int seen = -1;
    for (const Path::Element& element : path.elements())
        if (element.verb == Path::Verb::moveTo && ++seen == index)
            return element.points[0];
    ADD_FAILURE() << "no subpath " << index;
    return {};
}

TEST(BorderGeometryTest, RingIsTwoConcentricRoundedRectangles) {
    const Rect window{10, 20, 40, 20};
    const Path ring = BorderGeometry::ring(window, 6, 30);
    ASSERT_EQ(ring.subpathCount(), 2);
    // r = 10 (half the shorter side), so the outer corners have radius 16.
    EXPECT_EQ(subpathStart(ring, 0), (Point{4 + 16, 14}));
    EXPECT_EQ(subpathStart(ring, 1), (Point{10 + 10, 20}));
    EXPECT_DOUBLE_EQ(BorderGeometry::innerCornerRadius(window, 30), 10);
}

TEST(BorderGeometryTest, NegativeCornerRadiusGivesSquareInnerCorners) {
    EXPECT_EQ(BorderGeometry::innerCornerRadius({0, 0, 40, 20}, -3), 0);
    const Path ring = BorderGeometry::ring({0, 0, 40, 20}, 6, -3);
    ASSERT_EQ(ring.subpathCount(), 2);
    EXPECT_EQ(subpathStart(ring, 1), (Point{0, 0}));
    // The outer corners keep radius `width`.
    EXPECT_EQ(subpathStart(ring, 0), (Point{0, -6}));
}

void expectInk(const Ink& actual, const Ink& expected, const char* what) {
    EXPECT_NEAR(actual.red, expected.red, 1e-12) << what;
    EXPECT_NEAR(actual.green, expected.green, 1e-12) << what;
    EXPECT_NEAR(actual.blue, expected.blue, 1e-12) << what;
    EXPECT_DOUBLE_EQ(actual.alpha, expected.alpha) << what;
}

TEST(PaletteTest, DarkVariantsDeriveTheirInksFromTheBaseColour) {
    // Light inks are pinned by the ring digests; the dark ones are derived here.
    const Ink navy = Ink::hex(0x354D70);
    const Palette sweater = Palette::make(Outfit::sweater, true, std::nullopt, ClothVariant::fifth);
    expectInk(sweater.ground, mix(navy, {0.07, 0.10, 0.13}, 0.18), "dark ground");
    expectInk(sweater.light, mix(navy, {1.0, 0.98, 0.88}, 0.78), "light comes from the base");
}

// The light palette of a classic cloth with `tint`.
Palette tinted(Outfit outfit, std::optional<Color> tint) {
    return Palette::make(outfit, false, tint, ClothVariant::classic);
}

TEST(PaletteTest, TintPullsOnlyTheGround) {
    const Palette plain = tinted(Outfit::rainJacket, std::nullopt);
    const Palette red = tinted(Outfit::rainJacket, Color::rgb(1, 0, 0));
    expectInk(red.ground, {0.9384, 0.6424, 0.2288}, "red tint");
    EXPECT_EQ(red.light, plain.light);
    EXPECT_EQ(red.shadow, plain.shadow);
    EXPECT_EQ(red.feature, plain.feature);
    EXPECT_EQ(red.detail, plain.detail);
    // A grey given as one grey level still tints once seen in RGB; a tint
    // with its own alpha leaves the ground opaque.
    expectInk(tinted(Outfit::rainJacket, Color::grey(0.5, 0.3)).ground,
              mix(plain.ground, {0.5, 0.5, 0.5}, 0.12), "grey tint");
    // Applied after the dark adjustment of a variant.
    expectInk(
        Palette::make(Outfit::snowGear, true, Color::rgb(0, 0, 1), ClothVariant::third).ground,
        mix(mix(Ink::hex(0x3E6D5F), {0.07, 0.10, 0.13}, 0.18), {0, 0, 1}, 0.12), "tint after dark");
    // A colour that cannot be converted leaves the palette unchanged;
    // out-of-range components are clamped rather than pushing the ground
    // outside the colour space.
    const Palette sweater = tinted(Outfit::sweater, std::nullopt);
    EXPECT_EQ(tinted(Outfit::sweater, Color::rgb(nan, 0, 0)), sweater);
    expectInk(tinted(Outfit::sweater, Color::rgb(4, -1, 0.5)).ground,
              mix(sweater.ground, {1, 0, 0.5}, 0.12), "clamped tint");
}

} // namespace
} // namespace garbello
