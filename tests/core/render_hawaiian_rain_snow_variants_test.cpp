#include "draw/recording_surface.h"
#include "render/variant_cloth.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace garbello {
namespace {

using Operation = RecordingSurface::Operation;
using Kind = RecordingSurface::Kind;
using Variant = ClothVariant;

constexpr double pi = std::numbers::pi;

Palette variantPalette(Outfit outfit, ClothVariant variant) {
    return Palette::make(outfit, false, std::nullopt, variant);
}

RecordingSurface drawVariant(Outfit outfit, ClothVariant variant, const Strip& strip) {
    RecordingSurface surface;
    cloth::variantCloth(surface, strip, outfit, variant, variantPalette(outfit, variant));
    EXPECT_EQ(surface.depth(), 0);
    EXPECT_EQ(surface.unbalancedRestores(), 0);
    return surface;
}

double rotation(const Operation& operation) {
    return std::atan2(operation.transform.b, operation.transform.a);
}

std::vector<Operation> strokesOfWidth(const RecordingSurface& surface, const Ink& ink,
                                      double width) {
    return surface.matching([&](const Operation& op) {
        return op.kind == Kind::stroke && op.ink == ink && std::abs(op.style.width - width) < 1e-9;
    });
}

void expectPoints(const std::vector<Point>& actual, const std::vector<Point>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t j = 0; j < actual.size(); ++j) {
        EXPECT_NEAR(actual[j].x, expected[j].x, 1e-9) << "point " << j;
        EXPECT_NEAR(actual[j].y, expected[j].y, 1e-9) << "point " << j;
    }
}

// --- tile period ---

TEST(VariantTilePeriodTest, CyclesThroughThreeWidthsAndNeverFallsBelowEight) {
    struct Case {
        ClothVariant variant;
        double width, scale, period;
    };
    for (const Case& c : {Case{Variant::second, 12, 1, 19.2}, Case{Variant::third, 12, 1, 25.2},
                          Case{Variant::fourth, 12, 1, 13.2}, Case{Variant::fifth, 10, 2, 32},
                          Case{Variant::tenth, 12, 1, 13.2}, Case{Variant::third, 12, 0.5, 12.6},
                          Case{Variant::second, 4, 1, 8}, Case{Variant::fourth, 10, 0.5, 8},
                          Case{Variant::seventh, 7.2, 1, 8}}) {
        EXPECT_NEAR(cloth::variantTilePeriod(c.variant, c.width, c.scale), c.period, 1e-12)
            << c.variant.rawValue() << " w " << c.width << " s " << c.scale;
    }
}

// --- hawaiian ---

// Every hibiscus paints its centre disc in shadow at alpha 0.75.
std::vector<Operation> flowerCentres(const RecordingSurface& surface, const Palette& p) {
    return surface.matching(Kind::fill, p.shadow.withAlpha(0.75));
}

TEST(HawaiianVariantTest, FourthDrawsLargeFlowersEveryTileTurningByThirds) {
    const Palette p = variantPalette(Outfit::hawaiian, Variant::fourth);
    const RecordingSurface surface = drawVariant(Outfit::hawaiian, Variant::fourth, {100, 12, 1});
    const auto centres = flowerCentres(surface, p);
    // n = ceil(100 / 13.2) = 8, tiles −1 … 8.
    ASSERT_EQ(centres.size(), 10u);
    for (int i = -1; i <= 8; ++i) {
        const Operation& centre = centres[i + 1];
        EXPECT_NEAR(centre.origin().x, i * 13.2, 1e-9) << i;
        EXPECT_NEAR(centre.origin().y, 6, 1e-9);
        // Radius 0.17R with R = 6.24; an ellipse path starts on its rightmost point.
        EXPECT_NEAR(centre.path.elements().front().points[0].x, 0.17 * 6.24, 1e-9);
        EXPECT_NEAR(rotation(centre), 0.4 * (i % 3), 1e-12) << i;
    }
    EXPECT_TRUE(surface.matching(Kind::fill, p.shadow).empty()) << "no dark heart";
}

TEST(HawaiianVariantTest, SecondAndSeventhDrawSmallFlowersAndOnlySeventhHasDarkHearts) {
    for (ClothVariant variant : {Variant::second, Variant::seventh}) {
        const Palette p = variantPalette(Outfit::hawaiian, variant);
        const RecordingSurface surface = drawVariant(Outfit::hawaiian, variant, {60, 10, 1});
        const double P = variant == Variant::second ? 16 : 11;
        const auto centres = flowerCentres(surface, p);
        const std::size_t tiles = static_cast<std::size_t>(std::ceil(60 / P)) + 2;
        ASSERT_EQ(centres.size(), tiles);
        EXPECT_NEAR(centres[0].path.elements().front().points[0].x, 0.17 * 3.8, 1e-9);
        EXPECT_NEAR(centres[0].origin().x, -P, 1e-9);
        const auto hearts = surface.matching(Kind::fill, p.shadow);
        if (variant == Variant::second) {
            EXPECT_TRUE(hearts.empty());
        } else {
            ASSERT_EQ(hearts.size(), tiles);
            // A disc of radius 0.1w on the flower's centre.
            EXPECT_NEAR(hearts[3].path.elements().front().points[0].x, 1, 1e-9);
            EXPECT_NEAR(hearts[3].origin().x, 2 * P, 1e-9);
        }
    }
}

TEST(HawaiianVariantTest, FrondsTiltAlternatelyAndTenthAddsAFlower) {
    struct Case {
        ClothVariant variant;
        double frondLength;
        bool flowers;
    };
    const double w = 10;
    for (const Case& c : {Case{Variant::third, 14.5, false}, Case{Variant::fifth, 11, false},
                          Case{Variant::tenth, 11, true}}) {
        const Palette p = variantPalette(Outfit::hawaiian, c.variant);
        const RecordingSurface surface = drawVariant(Outfit::hawaiian, c.variant, {50, w, 1});
        const double P = cloth::variantTilePeriod(c.variant, w, 1);
        const auto stems = strokesOfWidth(surface, p.light, 0.045 * c.frondLength);
        const std::size_t tiles = static_cast<std::size_t>(std::ceil(50 / P)) + 2;
        ASSERT_EQ(stems.size(), tiles) << c.variant.rawValue();
        for (std::size_t t = 0; t < tiles; ++t) {
            const int i = static_cast<int>(t) - 1;
            EXPECT_NEAR(stems[t].origin().x, i * P, 1e-9);
            EXPECT_NEAR(stems[t].origin().y, 0.5 * w, 1e-9);
            EXPECT_NEAR(rotation(stems[t]), i % 2 == 0 ? 0.5 : -0.5, 1e-12) << i;
        }
        const auto centres = flowerCentres(surface, p);
        EXPECT_EQ(centres.size(), c.flowers ? tiles : 0u);
        if (c.flowers) {
            EXPECT_NEAR(centres[0].path.elements().front().points[0].x, 0.17 * 0.25 * w, 1e-9);
        }
    }
}

TEST(HawaiianVariantTest, SixthSwellsAreThreeButtCappedWavesPerTile) {
    const double w = 10, P = 21; // sixth: k = 5, 2.1 widths
    const Palette p = variantPalette(Outfit::hawaiian, Variant::sixth);
    const RecordingSurface surface = drawVariant(Outfit::hawaiian, Variant::sixth, {50, w, 1});
    const auto waves =
        surface.matching([](const Operation& op) { return op.kind == Kind::stroke; });
    ASSERT_EQ(waves.size(), 3u * 5); // tiles −1 … 3
    for (std::size_t k = 0; k < waves.size(); ++k) {
        const int i = static_cast<int>(k / 3) - 1, j = static_cast<int>(k % 3);
        EXPECT_EQ(waves[k].ink, j == 1 ? p.feature : p.light);
        EXPECT_FALSE(waves[k].style.round);
        EXPECT_DOUBLE_EQ(waves[k].style.width, 0.9);
        EXPECT_NEAR(waves[k].start().x, i * P, 1e-9);
        EXPECT_NEAR(waves[k].start().y, 0.15 * w + 0.28 * w * j, 1e-9);
        const Path::Element& curve = waves[k].path.elements().back();
        ASSERT_EQ(curve.verb, Path::Verb::curveTo);
        EXPECT_NEAR(curve.points[0].y - curve.points[2].y, 0.4 * w, 1e-9) << "first control";
    }
}

TEST(HawaiianVariantTest, EighthVinesRiseAcrossEachTileUnderAPalm) {
    const double w = 12, P = 19.2; // tiles −1 … 3
    const Palette p = variantPalette(Outfit::hawaiian, Variant::eighth);
    const RecordingSurface surface = drawVariant(Outfit::hawaiian, Variant::eighth, {40, w, 1});
    const auto vines = strokesOfWidth(surface, p.light, 0.8);
    ASSERT_EQ(vines.size(), 5u);
    EXPECT_NEAR(vines[1].bounds().minX(), 0, 1e-9);
    EXPECT_NEAR(vines[1].bounds().maxX(), P, 1e-9);
    EXPECT_NEAR(vines[1].bounds().minY(), 0.4 * w, 1e-9);
    EXPECT_NEAR(vines[1].bounds().maxY(), 0.6 * w, 1e-9);
    // Each palm's stem is detail, max(0.05 · 0.85w, 0.45) wide.
    EXPECT_EQ(strokesOfWidth(surface, p.detail, 0.05 * 0.85 * w).size(), 5u);
}

TEST(HawaiianVariantTest, NinthSunsHaveNineRaysRoundAPaleDisc) {
    const double w = 10;
    const Palette p = variantPalette(Outfit::hawaiian, Variant::ninth);
    const RecordingSurface surface = drawVariant(Outfit::hawaiian, Variant::ninth, {30, w, 1});
    const auto rays = surface.matching(Kind::stroke, p.feature);
    ASSERT_EQ(rays.size(), 4u); // P = 21: tiles −1 … 2
    EXPECT_EQ(rays[1].path.subpathCount(), 9);
    EXPECT_DOUBLE_EQ(rays[1].style.width, 1.0);
    EXPECT_TRUE(rays[1].style.round);
    // The last ray has turned a full circle: straight up from the tile origin.
    const auto starts = subpathStarts(rays[1]);
    EXPECT_NEAR(starts[8].x, 0, 1e-9);
    EXPECT_NEAR(starts[8].y, 0.5 * w + 0.15 * w, 1e-9);
    EXPECT_NEAR(starts[0].x, -1.5 * std::sin(2 * pi / 9), 1e-9);
    const auto discs = surface.matching(Kind::fill, p.light);
    ASSERT_EQ(discs.size(), 4u);
    EXPECT_NEAR(discs[1].bounds().width, 3, 1e-9);
}

// --- rain jacket ---

std::vector<Operation> stitchLines(const RecordingSurface& surface, const Palette& p) {
    return strokesOfWidth(surface, p.light, 0.55);
}

TEST(RainJacketVariantTest, SecondLaysChevronsEverySecondTileOverAFinerJacket) {
    const double w = 10, P = 16, L = 100;
    const Palette p = variantPalette(Outfit::rainJacket, Variant::second);
    const RecordingSurface surface = drawVariant(Outfit::rainJacket, Variant::second, {L, w, 1});
    // The classic jacket at scale 0.8: its seam stitches are dashed 1.76 on, 1.6 off.
    const auto seams = surface.matching(Kind::stroke, p.light.withAlpha(0.85));
    ASSERT_FALSE(seams.empty());
    ASSERT_EQ(seams[0].style.dash.size(), 2u);
    EXPECT_NEAR(seams[0].style.dash[0], 2.2 * 0.8, 1e-12);
    EXPECT_NEAR(seams[0].style.dash[1], 2.0 * 0.8, 1e-12);
    const Operation chevrons = only(strokesOfWidth(surface, p.light, 0.14 * w), "chevrons");
    const auto starts = subpathStarts(chevrons);
    // x = 0, 32, 64, 96
    expectPoints(starts, {{0, 0.67 * w}, {2 * P, 0.67 * w}, {4 * P, 0.67 * w}, {6 * P, 0.67 * w}});
    EXPECT_NEAR(chevrons.bounds().maxY(), 0.93 * w, 1e-9);
    EXPECT_NEAR(chevrons.bounds().maxX(), 96 + 0.8 * P, 1e-9);
    EXPECT_TRUE(stitchLines(surface, p).empty()) << "no running stitches on the chevrons";
}

TEST(RainJacketVariantTest, OtherVariantsRunTwoDashedStitchLines) {
    for (ClothVariant variant :
         {Variant::third, Variant::fourth, Variant::fifth, Variant::sixth, Variant::seventh,
          Variant::eighth, Variant::ninth, Variant::tenth}) {
        const Palette p = variantPalette(Outfit::rainJacket, variant);
        const RecordingSurface surface = drawVariant(Outfit::rainJacket, variant, {80, 10, 1.5});
        const Operation stitches = only(stitchLines(surface, p), "stitches");
        EXPECT_EQ(stitches.style.dash, (std::vector<double>{2.7, 2.7})) << variant.rawValue();
        expectPoints(subpathStarts(stitches), {{0, 1}, {0, 9}});
        // No classic layer underneath: no zip tape.
        EXPECT_TRUE(strokesOfWidth(surface, p.shadow.withAlpha(0.65), 1.2).empty());
    }
}

TEST(RainJacketVariantTest, ThirdBlocksAlternateDarkAndAccent) {
    const double w = 10, P = 21, L = 100; // N = floor(100 / 42) = 2
    const Palette p = variantPalette(Outfit::rainJacket, Variant::third);
    const RecordingSurface surface = drawVariant(Outfit::rainJacket, Variant::third, {L, w, 1});
    const auto dark = subpathStarts(only(surface.matching(Kind::fill, p.shadow), "dark blocks"));
    const auto accent = subpathStarts(only(surface.matching(Kind::fill, p.detail), "accent"));
    expectPoints(dark, {{0, 0.48 * w}, {4 * P, 0.48 * w}});
    expectPoints(accent, {{2 * P, 0.48 * w}});
}

TEST(RainJacketVariantTest, FourthStudsStartOneTileInAndRepeatEveryTwoAndAHalf) {
    const double w = 12, P = 13.2, L = 120;
    const Palette p = variantPalette(Outfit::rainJacket, Variant::fourth);
    const RecordingSurface surface = drawVariant(Outfit::rainJacket, Variant::fourth, {L, w, 1});
    const Operation band = only(surface.matching(Kind::fill, p.shadow), "band");
    EXPECT_NEAR(band.bounds().minY(), 0.25 * w, 1e-9);
    EXPECT_NEAR(band.bounds().height, 0.5 * w, 1e-9);
    const auto rims = subpathStarts(only(surface.matching(Kind::fill, p.light), "rims"));
    const auto holes = subpathStarts(only(surface.matching(Kind::fill, p.ground), "holes"));
    ASSERT_EQ(rims.size(), 4u); // 13.2, 46.2, 79.2, 112.2
    ASSERT_EQ(holes.size(), 4u);
    for (std::size_t j = 0; j < rims.size(); ++j) {
        EXPECT_NEAR(rims[j].x, P + 2.5 * P * j + 0.22 * w, 1e-9);
        EXPECT_NEAR(holes[j].x, P + 2.5 * P * j + 0.13 * w, 1e-9);
    }
}

TEST(RainJacketVariantTest, TapedLinesAreADarkLineWithALightDashOnIt) {
    struct Case {
        ClothVariant variant;
        double y;
    };
    const double w = 10, s = 2;
    for (const Case& c :
         {Case{Variant::sixth, 0.2}, Case{Variant::seventh, 0.15}, Case{Variant::tenth, 0.25}}) {
        const Palette p = variantPalette(Outfit::rainJacket, c.variant);
        const RecordingSurface surface = drawVariant(Outfit::rainJacket, c.variant, {90, w, s});
        const Operation dark = only(strokesOfWidth(surface, p.shadow, 0.12 * w), "dark line");
        const Operation dash = only(surface.matching([&](const Operation& op) {
            return op.kind == Kind::stroke && op.ink == p.light && !op.style.dash.empty() &&
                   op.style.width == 0.06 * w;
        }),
                                    "dash");
        EXPECT_TRUE(dark.style.dash.empty());
        EXPECT_EQ(dash.style.dash, (std::vector<double>{3.6, 3.6}));
        EXPECT_EQ(dark.path.elements().size(), 2u);
        expectPoints({dash.path.elements()[0].points[0], dash.path.elements()[1].points[0]},
                     {{0, c.y * w}, {90, c.y * w}});
    }
}

TEST(RainJacketVariantTest, SeventhSlashesFollowTheScaleNotTheTile) {
    const double w = 10, s = 2, L = 100;
    const Palette p = variantPalette(Outfit::rainJacket, Variant::seventh);
    const RecordingSurface surface = drawVariant(Outfit::rainJacket, Variant::seventh, {L, w, s});
    const auto slashes = subpathStarts(only(strokesOfWidth(surface, p.shadow, 0.2 * w), "slash"));
    expectPoints(slashes, {{0, 0.3 * w}, {30, 0.3 * w}, {60, 0.3 * w}, {90, 0.3 * w}});
    const Operation band = only(surface.matching(Kind::fill, p.light), "reflective band");
    EXPECT_NEAR(band.bounds().minY(), 0.45 * w, 1e-9);
}

TEST(RainJacketVariantTest, EighthPlanksAlternateUnderAGroundGroove) {
    const double w = 10, P = 28, L = 100; // eighth: k = 7, 1.6 widths, scale 1.75
    const Palette p = variantPalette(Outfit::rainJacket, Variant::eighth);
    const RecordingSurface surface = drawVariant(Outfit::rainJacket, Variant::eighth, {L, w, 1.75});
    const auto dark = subpathStarts(only(surface.matching(Kind::fill, p.shadow), "dark"));
    const auto pale = subpathStarts(only(surface.matching(Kind::fill, p.light), "pale"));
    const double y = 0.18 * w;
    expectPoints(dark, {{0, y}, {2 * P, y}});
    expectPoints(pale, {{P, y}, {3 * P, y}});
    const Operation groove = only(surface.matching(Kind::stroke, p.ground), "groove");
    EXPECT_DOUBLE_EQ(groove.style.width, 1.3);
    EXPECT_NEAR(groove.bounds().maxX(), L, 1e-9);
}

TEST(RainJacketVariantTest, NinthLampsSitOneTileAfterEachSlash) {
    const double w = 10, P = 21, L = 70; // slashes at 0, 31.5, 63
    const Palette p = variantPalette(Outfit::rainJacket, Variant::ninth);
    const RecordingSurface surface = drawVariant(Outfit::rainJacket, Variant::ninth, {L, w, 1});
    const auto slashes = subpathStarts(only(strokesOfWidth(surface, p.light, 1.8), "slashes"));
    const Operation lamps = only(surface.matching(Kind::fill, p.detail), "lamps");
    const Operation lenses = only(surface.matching(Kind::fill, p.shadow), "lenses");
    ASSERT_EQ(slashes.size(), 3u);
    const auto lampStarts = subpathStarts(lamps), lensStarts = subpathStarts(lenses);
    ASSERT_EQ(lampStarts.size(), 3u);
    expectPoints(slashes, {{0, 0.22 * w}, {1.5 * P, 0.22 * w}, {3 * P, 0.22 * w}});
    for (std::size_t j = 0; j < 3; ++j) {
        EXPECT_NEAR(lampStarts[j].x, 1.5 * P * j + P + 1.4, 1e-9);
        EXPECT_NEAR(lensStarts[j].x, 1.5 * P * j + P + 0.7, 1e-9);
    }
}

// --- snow gear ---

// The classic layer's baffle seams are the only opaque shadow fill made of
// rounded rectangles; the first baffle's seam starts 0.65 + 0.44h along.
double bafflePitch(const RecordingSurface& surface, const Palette& p) {
    const auto seams = surface.matching(Kind::fill, p.shadow);
    if (seams.empty())
        return 0;
    const auto starts = subpathStarts(seams.front());
    return starts.size() < 2 ? 0 : starts[1].x - starts[0].x;
}

TEST(SnowGearVariantTest, ClassicLayerIsRedrawnAtTheVariantsScale) {
    struct Case {
        ClothVariant variant;
        double pitch; // max(1.8 · w · s · (0.65 + 0.4 (k mod 4)), 18)
    };
    const double w = 20;
    for (const Case& c :
         {Case{Variant::second, 37.8}, Case{Variant::third, 52.2}, Case{Variant::fourth, 66.6},
          Case{Variant::fifth, 23.4}, Case{Variant::ninth, 23.4}}) {
        const Palette p = variantPalette(Outfit::snowGear, c.variant);
        const RecordingSurface surface = drawVariant(Outfit::snowGear, c.variant, {300, w, 1});
        EXPECT_NEAR(bafflePitch(surface, p), c.pitch, 1e-9) << c.variant.rawValue();
    }
}

TEST(SnowGearVariantTest, SecondAndThirdKnitABandOverTheClassicLayer) {
    const double w = 20, L = 100;
    {
        const Palette p = variantPalette(Outfit::snowGear, Variant::second);
        const RecordingSurface surface = drawVariant(Outfit::snowGear, Variant::second, {L, w, 1});
        const double P = 32;
        const Operation band = surface.matching(Kind::fill, p.feature).back();
        EXPECT_NEAR(band.bounds().minY(), 3, 1e-9);
        EXPECT_NEAR(band.bounds().height, 7, 1e-9);
        const auto peaks = subpathStarts(only(strokesOfWidth(surface, p.light, 1.4), "peaks"));
        const double y = 0.19 * w; // n = ceil(100 / 32) = 4
        expectPoints(peaks, {{0, y}, {P, y}, {2 * P, y}, {3 * P, y}});
    }
    {
        const Palette p = variantPalette(Outfit::snowGear, Variant::third);
        const RecordingSurface surface = drawVariant(Outfit::snowGear, Variant::third, {L, w, 1});
        const double P = 42;
        const auto pale = surface.matching(Kind::fill, p.light);
        const auto accent = surface.matching(Kind::fill, p.detail);
        // After the classic layer's own fills of these inks come the diamonds.
        const auto paleDiamonds = subpathStarts(pale.back());
        const auto accentDiamonds = subpathStarts(accent.back());
        const double y = 0.32 * w; // n = ceil(100 / 42) = 3
        expectPoints(paleDiamonds, {{0.18 * P, y}, {2.18 * P, y}});
        expectPoints(accentDiamonds, {{1.18 * P, y}});
    }
}

// The tiled variants first cover the classic layer above its outer trim with
// ground; their tiles are everything drawn after that cover.
std::vector<Operation> tilesAfterCover(const RecordingSurface& surface, const Palette& p,
                                       const Strip& strip) {
    const auto& operations = surface.operations();
    const Rect cover{0, 0.16 * strip.width, strip.length, 0.84 * strip.width};
    const auto isCover = [&](const Operation& op) {
        const Rect b = op.bounds();
        return op.kind == Kind::fill && op.ink == p.ground &&
               std::abs(b.minY() - cover.minY()) < 1e-9 &&
               std::abs(b.maxY() - cover.maxY()) < 1e-9 && b.minX() == 0 &&
               b.maxX() == strip.length;
    };
    for (std::size_t k = 0; k < operations.size(); ++k)
        if (isCover(operations[k]))
            return {operations.begin() + static_cast<std::ptrdiff_t>(k) + 1, operations.end()};
    ADD_FAILURE() << "no cover fill";
    return {};
}

TEST(SnowGearVariantTest, TiledVariantsCoverTheClassicLayerAfterItIsDrawn) {
    const Strip strip{100, 20, 1};
    for (ClothVariant variant : {Variant::fourth, Variant::fifth, Variant::sixth, Variant::seventh,
                                 Variant::eighth, Variant::ninth, Variant::tenth}) {
        const Palette p = variantPalette(Outfit::snowGear, variant);
        const RecordingSurface surface = drawVariant(Outfit::snowGear, variant, strip);
        const auto tiles = tilesAfterCover(surface, p, strip);
        EXPECT_FALSE(tiles.empty()) << variant.rawValue();
        // The classic layer's last paint, the speckle shading, comes before the cover.
        for (const Operation& op : tiles)
            EXPECT_NE(op.ink, p.ground.withAlpha(0.28)) << variant.rawValue();
        EXPECT_FALSE(surface.matching(Kind::fill, p.ground.withAlpha(0.28)).empty());
    }
}

TEST(SnowGearVariantTest, FourthStarsSitOnPalePanelsFromTileMinusOne) {
    const double w = 10, P = 11, L = 40; // tiles −1 … 4
    const Palette p = variantPalette(Outfit::snowGear, Variant::fourth);
    const RecordingSurface surface = drawVariant(Outfit::snowGear, Variant::fourth, {L, w, 1});
    std::vector<Operation> panels, arms;
    for (const Operation& op : tilesAfterCover(surface, p, {L, w, 1})) {
        if (op.kind == Kind::fill && op.ink == p.light.withAlpha(0.4))
            panels.push_back(op);
        if (op.kind == Kind::stroke && op.ink == p.shadow && op.style.width == 0.6)
            arms.push_back(op);
    }
    ASSERT_EQ(panels.size(), 6u);
    EXPECT_NEAR(panels[0].bounds().minX(), -P, 1e-9);
    EXPECT_NEAR(panels[0].bounds().width, P - 1, 1e-9);
    EXPECT_NEAR(panels[0].bounds().minY(), 0.2 * w, 1e-9);
    // Each snowflake of radius 0.32w strokes its six arms (width floored at
    // 0.6) in shadow, starting at its centre.
    ASSERT_EQ(arms.size(), 6u);
    EXPECT_EQ(arms[1].path.subpathCount(), 6);
    expectPoints({arms[1].start()}, {{0.5 * P, 0.58 * w}});
}

TEST(SnowGearVariantTest, FifthQuiltDiamondsFillTheirTileWithAStudAtEachJoin) {
    const double w = 10, P = 16, L = 40; // tiles −1 … 3
    const Palette p = variantPalette(Outfit::snowGear, Variant::fifth);
    const RecordingSurface surface = drawVariant(Outfit::snowGear, Variant::fifth, {L, w, 1});
    const auto& operations = surface.operations();
    const Operation& outer = operations[operations.size() - 3];
    const Operation& inner = operations[operations.size() - 2];
    const Operation& studs = operations.back();
    EXPECT_EQ(outer.ink, p.shadow);
    EXPECT_EQ(inner.ink, mix(p.light, p.ground, 0.65));
    EXPECT_EQ(studs.ink, p.light);
    EXPECT_NEAR(outer.bounds().minX(), -P, 1e-9);
    EXPECT_NEAR(outer.bounds().maxX(), 4 * P, 1e-9);
    EXPECT_NEAR(outer.bounds().minY(), 0.16 * w, 1e-9);
    EXPECT_NEAR(outer.bounds().maxY(), w, 1e-9);
    EXPECT_NEAR(inner.bounds().minX(), -P + 0.07 * P, 1e-9);
    EXPECT_NEAR(inner.bounds().maxY(), 0.92 * w, 1e-9);
    EXPECT_EQ(studs.path.subpathCount(), 5);
    EXPECT_NEAR(subpathStarts(studs)[1].x, 0.045 * w, 1e-9);
}

TEST(SnowGearVariantTest, SeventhSlopesAlternateAndAreHalfATileWide) {
    const double w = 10, P = 11, L = 30; // tiles −1 … 3
    const Palette p = variantPalette(Outfit::snowGear, Variant::seventh);
    const RecordingSurface surface = drawVariant(Outfit::snowGear, Variant::seventh, {L, w, 1});
    const auto even = subpathStarts(only(strokesOfWidth(surface, p.light, 0.45 * P), "even"));
    const auto odd = subpathStarts(only(strokesOfWidth(surface, p.detail, 0.45 * P), "odd"));
    const double y = 0.18 * w;
    expectPoints(even, {{0, y}, {2 * P, y}});
    expectPoints(odd, {{-P, y}, {P, y}, {3 * P, y}});
    const auto tracks = subpathStarts(only(strokesOfWidth(surface, p.shadow, 0.8), "tracks"));
    ASSERT_EQ(tracks.size(), 5u);
    EXPECT_NEAR(tracks[0].x, -P + 0.4 * P, 1e-9);
}

TEST(SnowGearVariantTest, NinthChecksAlternateByTileAndRow) {
    const double w = 10, P = 21, L = 20; // tiles −1 … 1
    const Palette p = variantPalette(Outfit::snowGear, Variant::ninth);
    const RecordingSurface surface = drawVariant(Outfit::snowGear, Variant::ninth, {L, w, 1});
    const auto& operations = surface.operations();
    const auto pale = subpathStarts(operations[operations.size() - 2]);
    const auto dark = subpathStarts(operations.back());
    EXPECT_EQ(operations[operations.size() - 2].ink, p.light);
    EXPECT_EQ(operations.back().ink, p.shadow);
    ASSERT_EQ(pale.size(), 4u); // (−1, 1), (0, 0), (0, 2), (1, 1)
    ASSERT_EQ(dark.size(), 5u);
    // Rounded rectangles start on their bottom edge, one corner radius in.
    const double in = 0.3 + 0.04 * w;
    expectPoints(pale, {{-P + in, 0.44 * w}, {in, 0.17 * w}, {in, 0.71 * w}, {P + in, 0.44 * w}});
    expectPoints({dark[0], dark[1]}, {{-P + in, 0.17 * w}, {-P + in, 0.71 * w}});
}

TEST(SnowGearVariantTest, TenthRidgesAreDarkWithATranslucentCrest) {
    const double w = 10, P = 11, L = 10; // tiles −1 … 1
    const Palette p = variantPalette(Outfit::snowGear, Variant::tenth);
    const RecordingSurface surface = drawVariant(Outfit::snowGear, Variant::tenth, {L, w, 1});
    const auto ridges = strokesOfWidth(surface, p.shadow, 0.24 * w);
    const auto crests = strokesOfWidth(surface, p.light.withAlpha(0.75), 0.07 * w);
    ASSERT_EQ(ridges.size(), 6u);
    ASSERT_EQ(crests.size(), 6u);
    expectPoints({ridges[0].start(), ridges[1].start()}, {{-P, 0.28 * w}, {-P, 0.68 * w}});
    EXPECT_NEAR(crests[2].bounds().maxY(), 0.5 * w, 1e-9);
    EXPECT_NEAR(crests[2].bounds().maxX(), P, 1e-9);
}

} // namespace
} // namespace garbello
