#include "draw/recording_surface.h"
#include "render/corner_pieces.h"
#include "render/hawaiian_cloth.h"
#include "render/linen_cloth.h"
#include "render/palette.h"
#include "render/pattern_renderer.h"
#include "render/rain_jacket_cloth.h"
#include "render/snow_gear_cloth.h"
#include "render/variant_cloth.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace garbello {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(HawaiianClothTest, HibiscusKeepsTheFlowerInksUnderATint) {
    const Palette plain = paletteFor(Outfit::hawaiian);
    const Palette tinted =
        Palette::make(Outfit::hawaiian, false, Color::rgb(0, 0, 0), ClothVariant::classic);
    RecordingSurface surface;
    cloth::hibiscus(surface, 10, tinted);
    EXPECT_EQ(surface.matching(Kind::fill, plain.feature).size(), 5u);
    EXPECT_EQ(surface.matching(Kind::fill, plain.shadow.withAlpha(0.75)).size(), 1u);
    EXPECT_EQ(surface.depth(), 0);
}

TEST(RainJacketClothTest, ZipTeethPitchFloorsAtTwoPoints) {
    const Palette p = paletteFor(Outfit::rainJacket);
    // The strip's length and scale, and the teeth along it.
    const std::tuple<double, double, std::size_t> cases[] = {
        {0, 1, 0}, {10, 1, 4}, {10.1, 1, 5}, {10, 0.5, 5}, {40, 3, 6}};
    for (const auto& [length, scale, expected] : cases) {
        RecordingSurface surface;
        cloth::rainJacket(surface, {length, 12, scale}, p);
        const auto teeth = surface.matching(
            [&](const Operation& op) { return op.kind == Kind::stroke && op.style.width == 0.75; });
        const std::size_t count = teeth.empty() ? 0 : teeth.front().subpathStarts().size();
        EXPECT_LE(teeth.size(), 1u);
        EXPECT_EQ(count, expected) << length << " at scale " << scale;
    }
}

TEST(SnowGearClothTest, ShortStripHasNoSnowflakes) {
    const Palette p = paletteFor(Outfit::snowGear);
    RecordingSurface surface;
    cloth::snowGear(surface, {7, 10, 1}, p);
    EXPECT_TRUE(surface.matching(Kind::fill, p.detail).empty());
    EXPECT_TRUE(surface.matching(Kind::stroke, p.light).empty());
    EXPECT_EQ(surface.matching(Kind::fill, p.shadow).size(), 1u);
}

TEST(SnowGearClothTest, EachSpeckIsShadedBeforeTheNextIsPainted) {
    const Palette p = paletteFor(Outfit::snowGear);
    RecordingSurface surface;
    cloth::snowGear(surface, {10, 20, 1}, p);
    const Ink shade = p.ground.withAlpha(0.28);
    const auto speckle = surface.matching([&](const Operation& op) {
        return op.kind == Kind::fill && (op.ink == p.light || op.ink == shade);
    });
    // L / 1.25 = 8, so j = 0…8: speck, then its shade, nine times over.
    ASSERT_EQ(speckle.size(), 18u);
    for (int j = 0; j < 9; ++j) {
        EXPECT_EQ(speckle[2 * j].ink, p.light) << j;
        EXPECT_EQ(speckle[2 * j + 1].ink, shade) << j;
    }
}

// The tiled snow gear variants first cover the classic layer above its outer
// trim with ground; their tiles are everything drawn after that cover.
TEST(SnowGearVariantTest, TiledVariantsCoverTheClassicLayerAfterItIsDrawn) {
    const Strip strip{100, 20, 1};
    for (ClothVariant variant :
         {ClothVariant::fourth, ClothVariant::fifth, ClothVariant::sixth, ClothVariant::seventh,
          ClothVariant::eighth, ClothVariant::ninth, ClothVariant::tenth}) {
        const Palette p = paletteFor(Outfit::snowGear, variant);
        RecordingSurface surface;
        cloth::variantCloth(surface, strip, Outfit::snowGear, variant, p);
        const auto& operations = surface.operations();
        std::size_t cover = operations.size(), lastShade = 0;
        for (std::size_t k = 0; k < operations.size(); ++k) {
            const Operation& op = operations[k];
            const Rect b = op.bounds();
            if (cover == operations.size() && op.kind == Kind::fill && op.ink == p.ground &&
                std::abs(b.minY() - 0.16 * strip.width) < 1e-9 &&
                std::abs(b.maxY() - strip.width) < 1e-9 && b.minX() == 0 &&
                b.maxX() == strip.length)
                cover = k;
            // The classic layer's last paint, the speckle shading.
            if (op.ink == p.ground.withAlpha(0.28))
                lastShade = k;
        }
        ASSERT_LT(cover + 1, operations.size()) << variant.rawValue() << ": tiles after a cover";
        EXPECT_GT(lastShade, 0u) << variant.rawValue();
        EXPECT_LT(lastShade, cover) << variant.rawValue();
    }
}

// What a variant's opaque cover hides is left out only where no pixel shows
// it: the strip drawn with its cover known, then covered, has the pixels of
// the strip drawn whole and covered. Before the cover, the two differ
// wherever something was left out: under quarter turns the whole pixel rows
// under the cover tell, under other turns only a margin within its edges.
TEST(SnowGearClothTest, ACoverLeavesOutOnlyWhatItHides) {
    struct Case {
        const char* name;
        double width;
        cloth::Cover cover; // in strip widths
        int pixelsPerPoint;
        Point offset;
        double turn;
        bool leftOut;
    };
    const double quarter = std::numbers::pi / 2;
    const cloth::Cover band{0.15, 0.5}, inner{0.16, 1};
    for (const Case& c : {
             Case{"band on the grid", 16, band, 1, {0, 0}, 0, true},
             Case{"band at two pixels per point", 16, band, 2, {0, 0}, 0, true},
             Case{"band turned a quarter", 16, band, 1, {40, 0}, quarter, true},
             Case{"band moved by a fraction of a pixel", 16, band, 1, {0.3, 0.4}, 0, true},
             Case{"band turned off the quarters: narrower than the margins",
                  16,
                  band,
                  1,
                  {10, 0},
                  0.05,
                  false},
             Case{"band, fractional width", 15.3, band, 1, {0, 0}, 0, true},
             Case{"to the inner edge, turned off the quarters", 16, inner, 1, {10, 0}, 0.05, true},
             Case{"to the inner edge, turned half", 16, inner, 2, {340, 40}, 2 * quarter, true},
         }) {
        SCOPED_TRACE(c.name);
        const double w = c.width, L = 303; // a snowflake on the clip at the far end
        const Palette p = paletteFor(Outfit::snowGear);
        const Rect covered{0, c.cover.from * w, L, (c.cover.to - c.cover.from) * w};
        const int n = c.pixelsPerPoint;
        Bitmap known(360 * n, 360 * n), whole(360 * n, 360 * n);
        const auto draw = [&](Bitmap& bitmap, cloth::Cover cover, bool andCover) {
            DrawingSurface& s = bitmap.surface();
            SavedState saved(s);
            s.scale(n, n);
            s.translate(c.offset.x, c.offset.y);
            s.rotate(c.turn);
            s.clipToRect({0.34 * w, 0, L - 0.68 * w, w});
            s.fillRect({0, 0, L, w}, p.ground);
            cloth::snowGear(s, {L, w, 1.05}, p, cover);
            if (andCover)
                s.fillRect(covered, p.feature);
        };
        draw(known, {covered.minY(), covered.maxY()}, false);
        draw(whole, {}, false);
        EXPECT_EQ(differingPixels(known, whole) > 0, c.leftOut);
        draw(known, {covered.minY(), covered.maxY()}, true);
        draw(whole, {}, true);
        EXPECT_EQ(differingPixels(known, whole), 0);
    }
}

TEST(SnowGearClothTest, TranslucentSnowflakeStrokesEachArmOnItsOwn) {
    const Ink ink{1, 1, 1};
    // The snowflake's alpha and its strokes.
    for (const auto& [alpha, strokes] : {std::pair{1.0, 2u}, {0.5, 12u}}) {
        RecordingSurface surface;
        cloth::snowflake(surface, {5, 5}, 2, ink.withAlpha(alpha));
        // Opaque arms share one path so crossings cost nothing; translucent
        // ones would darken where they cross.
        EXPECT_EQ(surface.matching(Kind::stroke, ink.withAlpha(alpha)).size(), strokes);
    }
}

TEST(LinenClothTest, HemBandHeightFloorsAtOnePoint) {
    const Palette p = paletteFor(Outfit::linen);
    RecordingSurface surface;
    cloth::linen(surface, {30, 8, 1}, p);
    const auto hems = surface.matching(Kind::fill, p.feature.withAlpha(0.55));
    ASSERT_EQ(hems.size(), 1u);
    EXPECT_DOUBLE_EQ(hems[0].bounds().height, 1.0);
}

TEST(CornerPiecesTest, MotifCountFollowsTheMiddleArc) {
    // The outfit, the border's width and corner radius, and the motifs.
    const std::tuple<Outfit, double, double, int> cases[] = {
        {Outfit::linen, 12, 0, 1},        // floor(π·6 / 14.4) = 1
        {Outfit::hawaiian, 16, 10, 1},    // floor(π·18 / 30.4) = 1
        {Outfit::rainJacket, 16, 10, 2},  // floor(π·18 / 19.2) = 2
        {Outfit::sweater, 10, 20, 6},     // floor(π·25 / 12) = 6
        {Outfit::hawaiian, 10, 20, 4},    // floor(π·25 / 19) = 4
        {Outfit::snowGear, 4, 0, 1},      // floor(π·2 / 4.8) = 1
        {Outfit::linen, 1e-12, 10, 1024}, // capped
    };
    for (const auto& [outfit, width, radius, motifs] : cases)
        EXPECT_EQ(cloth::cornerMotifCount(outfit, width, radius), motifs)
            << outfit.rawValue() << " w " << width << " r " << radius;
}

TEST(CornerPiecesTest, EveryCornerClipsItsFourSectorsAndRestoresWhatItSaves) {
    for (Outfit outfit : Outfit::allCases())
        for (ClothVariant variant : ClothVariant::allCases())
            for (double radius : {0.0, 10.0, 40.0}) {
                RecordingSurface surface;
                cloth::corners(surface, {100, 100, 200, 150}, 16, radius, outfit, variant,
                               paletteFor(outfit, variant));
                EXPECT_EQ(surface.depth(), 0) << clothName(outfit, variant);
                EXPECT_EQ(surface.unbalancedRestores(), 0) << clothName(outfit, variant);
                EXPECT_EQ(surface
                              .matching([](const Operation& op) {
                                  return op.kind == Kind::clip && op.depth == 1;
                              })
                              .size(),
                          4u)
                    << clothName(outfit, variant) << " radius " << radius;
            }
}

TEST(CornerPiecesTest, BorderDrawsThemInsideTheRingInTheCallersFrame) {
    const Palette p = paletteFor(Outfit::sweater, ClothVariant::eighth);
    RecordingSurface surface;
    surface.translate(5, 7);
    drawBorder(surface, {100, 100, 200, 150}, Outfit::sweater, ClothVariant::eighth);
    const auto& operations = surface.operations();
    const auto marks = surface.matching(Kind::stroke, p.shadow.withAlpha(0.5));
    ASSERT_EQ(marks.size(), 4u);
    // Corner centres one radius in from the window's corners, moved by the caller.
    const Point centres[] = {{115, 117}, {295, 117}, {295, 247}, {115, 247}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(marks[k].depth, 2) << "inside the ring clip's save and the corner's own";
        EXPECT_NEAR(marks[k].transform.apply({0, 0}).x, centres[k].x, 1e-9);
        EXPECT_NEAR(marks[k].transform.apply({0, 0}).y, centres[k].y, 1e-9);
    }
    // The corners are drawn under a ring clip of their own.
    std::size_t lastRingClip = 0, firstMark = 0;
    for (std::size_t i = 0; i < operations.size() && firstMark == 0; ++i) {
        if (operations[i].kind == Kind::clip && operations[i].rule == FillRule::evenOdd)
            lastRingClip = i;
        if (operations[i].ink == p.shadow.withAlpha(0.5))
            firstMark = i;
    }
    EXPECT_GT(lastRingClip, 0u);
    EXPECT_EQ(operations[lastRingClip].depth, 1);
}

void expectInk(const Ink& actual, const Ink& expected, const char* what) {
    EXPECT_NEAR(actual.red, expected.red, 1e-12) << what;
    EXPECT_NEAR(actual.green, expected.green, 1e-12) << what;
    EXPECT_NEAR(actual.blue, expected.blue, 1e-12) << what;
    EXPECT_DOUBLE_EQ(actual.alpha, expected.alpha) << what;
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
