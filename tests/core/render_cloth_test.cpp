#include "draw/recording_surface.h"
#include "render/hawaiian_cloth.h"
#include "render/linen_cloth.h"
#include "render/rain_jacket_cloth.h"
#include "render/snow_gear_cloth.h"
#include "render/sweater_cloth.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace garbello {
namespace {

using Operation = RecordingSurface::Operation;
using Kind = RecordingSurface::Kind;

Palette palette(Outfit outfit) {
    return Palette::make(outfit, false, std::nullopt, ClothVariant::classic);
}

void expectNear(Point actual, Point expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

// --- hawaiian ---

std::vector<Operation> flowerCentres(const RecordingSurface& surface, const Palette& p) {
    return surface.matching(Kind::fill, p.shadow.withAlpha(0.75));
}

TEST(HawaiianClothTest, FlowersStartLeftOfTheStripAndRepeatEveryStep) {
    struct Case {
        double length, width, scale;
        int flowers; // n + 2 with n = ceil(L / step)
    };
    const Palette p = palette(Outfit::hawaiian);
    for (const Case& c : {Case{100, 12, 1, 7}, Case{10, 12, 1, 3}, Case{200, 12, 3, 5}}) {
        RecordingSurface surface;
        cloth::hawaiian(surface, {c.length, c.width, c.scale}, p);
        const double u = c.width * c.scale, step = 2.05 * u;
        const auto centres = flowerCentres(surface, p);
        ASSERT_EQ(static_cast<int>(centres.size()), c.flowers) << c.length;
        for (int i = -1; i + 1 < c.flowers; ++i) {
            const Point origin = centres[i + 1].origin();
            EXPECT_DOUBLE_EQ(origin.x, i * step + 0.45 * u) << "flower " << i;
            EXPECT_DOUBLE_EQ(origin.y, 0.49 * c.width);
        }
        EXPECT_DOUBLE_EQ(centres[0].origin().x, -1.6 * u);
        // The centre disc has radius 0.17R with R = 0.46u; an ellipse path
        // starts on its rightmost point.
        EXPECT_NEAR(centres[0].path.elements().front().points[0].x, 0.17 * 0.46 * u, 1e-9);
    }
}

TEST(HawaiianClothTest, FlowerTurnsFollowTheIndexWithItsSign) {
    const Palette p = palette(Outfit::hawaiian);
    RecordingSurface surface;
    cloth::hawaiian(surface, {60, 12, 1}, p);
    const auto centres = flowerCentres(surface, p);
    ASSERT_GE(centres.size(), 5u);
    // i = −1 turns by −0.35 − 0.38, i = 0 by −0.35, i = 1 by +0.03, i = 3 back to −0.35.
    const double expected[] = {-0.73, -0.35, 0.03, 0.41, -0.35};
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_NEAR(std::atan2(centres[k].transform.b, centres[k].transform.a), expected[k], 1e-12)
            << "flower " << static_cast<int>(k) - 1;
}

TEST(HawaiianClothTest, HibiscusHasFivePetalsAndKeepsTheFlowerInksUnderATint) {
    const Palette plain = palette(Outfit::hawaiian);
    const Palette tinted =
        Palette::make(Outfit::hawaiian, false, Color::rgb(0, 0, 0), ClothVariant::classic);
    RecordingSurface surface;
    cloth::hibiscus(surface, 10, tinted);
    EXPECT_EQ(surface.matching(Kind::fill, plain.feature).size(), 5u);
    EXPECT_EQ(surface.matching(Kind::fill, plain.shadow.withAlpha(0.75)).size(), 1u);
    const auto veins = surface.matching(Kind::stroke, plain.light.withAlpha(0.45));
    ASSERT_EQ(veins.size(), 5u);
    EXPECT_DOUBLE_EQ(veins[0].style.width, 0.6);
    EXPECT_EQ(surface.depth(), 0);
}

// --- rain jacket ---

TEST(RainJacketClothTest, ZipTeethPitchFloorsAtTwoPoints) {
    struct Case {
        double length, scale, pitch;
        std::size_t teeth;
    };
    const Palette p = palette(Outfit::rainJacket);
    for (const Case& c :
         {Case{10, 1, 2.5, 4}, Case{10.1, 1, 2.5, 5}, Case{10, 0.5, 2.0, 5}, Case{40, 3, 7.5, 6}}) {
        RecordingSurface surface;
        cloth::rainJacket(surface, {c.length, 12, c.scale}, p);
        const Operation teeth = only(surface.matching([&](const Operation& op) {
            return op.kind == Kind::stroke && op.style.width == 0.75;
        }),
                                     "teeth");
        const auto starts = subpathStarts(teeth);
        ASSERT_EQ(starts.size(), c.teeth) << c.length << " at scale " << c.scale;
        for (std::size_t j = 0; j < starts.size(); ++j)
            EXPECT_EQ(starts[j], (Point{j * c.pitch, 0.38 * 12 - 1}));
    }
}

TEST(RainJacketClothTest, NoTeethOnAnEmptyStrip) {
    RecordingSurface surface;
    cloth::rainJacket(surface, {0, 12, 1}, palette(Outfit::rainJacket));
    EXPECT_TRUE(surface
                    .matching([](const Operation& op) {
                        return op.kind == Kind::stroke && op.style.width == 0.75;
                    })
                    .empty());
    // Band, shade line, two seams of two lines and the zip tape still come.
    EXPECT_EQ(surface.operations().size(), 7u);
}

TEST(RainJacketClothTest, PressStudsStartAtTwoPointSevenWidthsWithFlooredSpacing) {
    struct Case {
        double length, width;
        std::vector<double> tabs;
    };
    const Palette p = palette(Outfit::rainJacket);
    for (const Case& c : {Case{32.4, 12, {}}, Case{32.5, 12, {32.4}},
                          Case{200, 12, {32.4, 110.4, 188.4}}, Case{150, 8, {21.6, 81.6, 141.6}}}) {
        RecordingSurface surface;
        cloth::rainJacket(surface, {c.length, c.width, 1}, p);
        const auto tabs = surface.matching(Kind::fill, p.shadow);
        ASSERT_EQ(tabs.size(), c.tabs.size()) << c.length;
        for (std::size_t j = 0; j < tabs.size(); ++j)
            EXPECT_NEAR(tabs[j].bounds().minX(), c.tabs[j], 1e-9);
        // The stud ring sits between tabs, 2.1 widths along.
        const auto rings = surface.matching(Kind::stroke, p.light.withAlpha(0.5));
        ASSERT_EQ(rings.size(), c.tabs.size());
        for (std::size_t j = 0; j < rings.size(); ++j)
            EXPECT_NEAR(rings[j].bounds().minX(), c.tabs[j] + 2.1 * c.width, 1e-9);
    }
}

TEST(RainJacketClothTest, SeamStitchesAreDashedWithTheScale) {
    const Palette p = palette(Outfit::rainJacket);
    RecordingSurface surface;
    cloth::rainJacket(surface, {100, 12, 2}, p);
    const auto stitches = surface.matching(Kind::stroke, p.light.withAlpha(0.85));
    ASSERT_EQ(stitches.size(), 3u); // two seams, then the teeth
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(stitches[k].style.dash, (std::vector<double>{4.4, 4.0}));
        EXPECT_EQ(stitches[k].style.dashPhase, 0);
    }
    EXPECT_TRUE(stitches[2].style.dash.empty());
}

// --- snow gear ---

TEST(SnowGearClothTest, BafflePitchAndSnowflakeSpacingFloor) {
    struct Case {
        double width, pitch, spacing;
    };
    const Palette p = palette(Outfit::snowGear);
    for (const Case& c : {Case{10, 18, 16}, Case{20, 36, 31}}) {
        const double L = 200;
        RecordingSurface surface;
        cloth::snowGear(surface, {L, c.width, 1}, p);
        const Operation seams = only(surface.matching(Kind::fill, p.shadow), "baffle seams");
        const auto baffles = subpathStarts(seams);
        ASSERT_EQ(baffles.size(), static_cast<std::size_t>(std::ceil(L / c.pitch)));
        for (std::size_t j = 0; j < baffles.size(); ++j)
            EXPECT_NEAR(baffles[j].x, j * c.pitch + 0.65 + 0.44 * 0.51 * c.width, 1e-9);

        const Operation diamonds = only(surface.matching(Kind::fill, p.detail), "diamonds");
        const auto tops = subpathStarts(diamonds);
        ASSERT_EQ(tops.size(),
                  static_cast<std::size_t>(std::ceil((L - 0.7 * c.width) / c.spacing)));
        for (std::size_t j = 0; j < tops.size(); ++j)
            EXPECT_EQ(tops[j],
                      (Point{0.7 * c.width + j * c.spacing + 0.73 * c.width, 0.39 * c.width}));
    }
}

TEST(SnowGearClothTest, BafflesAreShadedByOneClippedGradient) {
    const Palette p = palette(Outfit::snowGear);
    RecordingSurface surface;
    cloth::snowGear(surface, {100, 10, 1}, p);
    const auto gradients =
        surface.matching([](const Operation& op) { return op.kind == Kind::gradient; });
    ASSERT_EQ(gradients.size(), 1u);
    const auto& stops = gradients[0].stops;
    ASSERT_EQ(stops.size(), 4u);
    EXPECT_EQ(stops[0].color, p.shadow);
    EXPECT_EQ(stops[2].color, mix(p.light, p.ground, 0.25));
    EXPECT_EQ((std::vector<double>{stops[0].location, stops[1].location, stops[2].location,
                                   stops[3].location}),
              (std::vector<double>{0, 0.23, 0.64, 1}));
    EXPECT_EQ(gradients[0].start(), (Point{0, 4.9}));
    EXPECT_EQ(surface.depth(), 0);
}

TEST(SnowGearClothTest, ShortStripHasNoSnowflakes) {
    const Palette p = palette(Outfit::snowGear);
    RecordingSurface surface;
    cloth::snowGear(surface, {7, 10, 1}, p);
    EXPECT_TRUE(surface.matching(Kind::fill, p.detail).empty());
    EXPECT_TRUE(surface.matching(Kind::stroke, p.light).empty());
    EXPECT_EQ(surface.matching(Kind::fill, p.shadow).size(), 1u);
}

TEST(SnowGearClothTest, EachSpeckIsShadedBeforeTheNextIsPainted) {
    const Palette p = palette(Outfit::snowGear);
    RecordingSurface surface;
    const double w = 20;
    cloth::snowGear(surface, {10, w, 1}, p);
    const Ink shade = p.ground.withAlpha(0.28);
    const auto speckle = surface.matching([&](const Operation& op) {
        return op.kind == Kind::fill && (op.ink == p.light || op.ink == shade);
    });
    // L / 1.25 = 8, so j = 0…8: speck, then its shade, nine times over, with
    // sizes and heights cycling through (3j mod 5) and (7j mod 3).
    ASSERT_EQ(speckle.size(), 18u);
    const double radius[] = {0.035 * w, 0.056 * w, 0.042 * w};
    const double height[] = {0.07 * w, 0.092 * w, 0.114 * w};
    for (int j = 0; j < 9; ++j) {
        const Operation& speck = speckle[2 * j];
        EXPECT_EQ(speck.ink, p.light) << j;
        EXPECT_EQ(speckle[2 * j + 1].ink, shade) << j;
        if (j < 3) {
            EXPECT_NEAR(speck.bounds().x, 1.25 * j - radius[j], 1e-9) << j;
            EXPECT_NEAR(speck.bounds().y + radius[j], height[j], 1e-9) << j;
        }
    }
}

TEST(SnowGearClothTest, SmallSnowflakeStrokesFloor) {
    const Ink ink{1, 1, 1};
    RecordingSurface surface;
    cloth::snowflake(surface, {5, 5}, 2, ink);
    const auto strokes = surface.matching(Kind::stroke, ink);
    ASSERT_EQ(strokes.size(), 2u);
    EXPECT_EQ(strokes[0].style.width, 0.6);
    EXPECT_EQ(strokes[1].style.width, 0.5);
    EXPECT_EQ(strokes[0].path.subpathCount(), 6);

    // A translucent snowflake strokes each arm on its own so crossings show.
    RecordingSurface translucent;
    cloth::snowflake(translucent, {5, 5}, 2, ink.withAlpha(0.5));
    EXPECT_EQ(translucent.matching(Kind::stroke, ink.withAlpha(0.5)).size(), 12u);
}

// --- sweater ---

TEST(SweaterClothTest, RowsAndColumnsFollowTheStitchSize) {
    struct Case {
        double width, scale, stitch;
        int rows;
    };
    const Palette p = palette(Outfit::sweater);
    for (const Case& c : {Case{10, 1, 3.2, 5}, Case{16, 1, 4.8, 5}, Case{16, 2, 9.6, 3}}) {
        const double L = 50;
        RecordingSurface surface;
        cloth::sweater(surface, {L, c.width, c.scale}, p);
        const auto shadows = surface.matching(Kind::stroke, p.shadow.withAlpha(0.7));
        ASSERT_EQ(static_cast<int>(shadows.size()), c.rows + 2) << c.width;
        const double rh = 0.78 * c.stitch;
        const int columns = static_cast<int>(std::ceil(L / c.stitch));
        for (int r = -1; r <= c.rows; ++r) {
            const auto starts = subpathStarts(shadows[r + 1]);
            ASSERT_EQ(static_cast<int>(starts.size()), columns + 2);
            for (int j = -1; j <= columns; ++j)
                expectNear(starts[j + 1], {j * c.stitch - 0.31 * c.stitch, r * rh + 0.73 * rh});
            EXPECT_DOUBLE_EQ(shadows[r + 1].style.width, 0.37 * c.stitch);
        }
    }
}

TEST(SweaterClothTest, EveryThirdRowIsKnittedInTheLightYarn) {
    const Palette p = palette(Outfit::sweater);
    RecordingSurface surface;
    cloth::sweater(surface, {20, 10, 1}, p);
    const auto yarns = surface.matching([](const Operation& op) {
        return op.kind == Kind::stroke && op.style.width == 0.23 * 3.2;
    });
    ASSERT_EQ(yarns.size(), 7u); // rows −1 … 5
    for (int r = -1; r <= 5; ++r) {
        const Ink expected = r == 0 || r == 3 ? p.light.withAlpha(0.85) : p.feature;
        EXPECT_EQ(yarns[r + 1].ink, expected) << "row " << r;
    }
}

// --- linen ---

TEST(LinenClothTest, ThreadPitchFloorsAndThreadsCoverTheStrip) {
    struct Case {
        double scale, pitch;
    };
    const Palette p = palette(Outfit::linen);
    for (const Case& c : {Case{0.5, 1.6}, Case{1, 2}, Case{3, 6}}) {
        RecordingSurface surface;
        cloth::linen(surface, {30, 12, c.scale}, p);
        const auto warp =
            subpathStarts(only(surface.matching(Kind::stroke, p.light.withAlpha(0.42)), "warp"));
        ASSERT_EQ(warp.size(), static_cast<std::size_t>(std::ceil(30 / c.pitch)));
        for (std::size_t j = 0; j < warp.size(); ++j)
            EXPECT_EQ(warp[j], (Point{j * c.pitch, 0}));
        const auto weft =
            subpathStarts(only(surface.matching(Kind::stroke, p.shadow.withAlpha(0.18)), "weft"));
        EXPECT_EQ(weft.size(), static_cast<std::size_t>(std::ceil(12 / c.pitch)));
        const auto stitch = only(surface.matching(Kind::stroke, p.light.withAlpha(0.9)), "stitch");
        EXPECT_EQ(stitch.style.dash, (std::vector<double>{2.6 * c.scale, 2.1 * c.scale}));
    }
}

TEST(LinenClothTest, SlubsWalkTheThreadRowsInAFixedSequence) {
    struct Case {
        double width;
        std::vector<int> rows;
    };
    const Palette p = palette(Outfit::linen);
    for (const Case& c : {Case{12, {0, 1, 2, 3, 4, 5, 0}}, Case{3.9, {0, 0, 0, 0, 0, 0, 0}},
                          Case{4, {0, 1, 0, 1, 0, 1, 0}}}) {
        RecordingSurface surface;
        cloth::linen(surface, {36, c.width, 1}, p); // N = 36 / 6 = 6
        const auto slubs =
            subpathStarts(only(surface.matching(Kind::fill, p.light.withAlpha(0.65)), "slubs"));
        ASSERT_EQ(slubs.size(), c.rows.size()) << c.width;
        for (std::size_t j = 0; j < slubs.size(); ++j)
            EXPECT_EQ(slubs[j], (Point{6.0 * j, 2.0 * c.rows[j]})) << c.width << " slub " << j;
    }
}

TEST(LinenClothTest, HemBandHeightFloorsAtOnePoint) {
    const Palette p = palette(Outfit::linen);
    RecordingSurface surface;
    cloth::linen(surface, {30, 8, 1}, p);
    const Rect band = only(surface.matching(Kind::fill, p.feature.withAlpha(0.55)), "hem").bounds();
    EXPECT_DOUBLE_EQ(band.minY(), 1.76);
    EXPECT_DOUBLE_EQ(band.height, 1.0);
}

} // namespace
} // namespace garbello
