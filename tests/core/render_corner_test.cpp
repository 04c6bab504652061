#include "draw/recording_surface.h"
#include "render/corner_pieces.h"
#include "render/pattern_renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace garbello {
namespace {

using Operation = RecordingSurface::Operation;
using Kind = RecordingSurface::Kind;

constexpr double pi = std::numbers::pi;

// Corner centres (110, 110), (290, 110), (290, 240) and (110, 240).
const Rect kWindow{100, 100, 200, 150};

Palette paletteFor(Outfit outfit, ClothVariant variant) {
    return Palette::make(outfit, false, std::nullopt, variant);
}

RecordingSurface recordCorners(Outfit outfit, ClothVariant variant, double width, double radius,
                               const Rect& window = kWindow) {
    RecordingSurface surface;
    cloth::corners(surface, window, width, radius, outfit, variant, paletteFor(outfit, variant));
    EXPECT_EQ(surface.depth(), 0);
    EXPECT_EQ(surface.unbalancedRestores(), 0);
    return surface;
}

double rotationOf(const Operation& op) {
    return std::atan2(op.transform.b, op.transform.a);
}

void expectNear(Point actual, Point expected, const char* what) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-9) << what;
}

TEST(CornerPiecesTest, MotifCountFollowsTheMiddleArc) {
    struct Case {
        Outfit outfit;
        double width, radius;
        int motifs;
    };
    for (const Case& c : {
             Case{Outfit::linen, 12, 0, 1},        // floor(π·6 / 14.4) = 1
             Case{Outfit::hawaiian, 16, 10, 1},    // floor(π·18 / 30.4) = 1
             Case{Outfit::rainJacket, 16, 10, 2},  // floor(π·18 / 19.2) = 2
             Case{Outfit::sweater, 10, 20, 6},     // floor(π·25 / 12) = 6
             Case{Outfit::hawaiian, 10, 20, 4},    // floor(π·25 / 19) = 4
             Case{Outfit::snowGear, 4, 0, 1},      // floor(π·2 / 4.8) = 1
             Case{Outfit::linen, 1e-12, 10, 1024}, // capped
         }) {
        EXPECT_EQ(cloth::cornerMotifCount(c.outfit, c.width, c.radius), c.motifs)
            << c.outfit.rawValue() << " w " << c.width << " r " << c.radius;
    }
}

TEST(CornerPiecesTest, FourSectorsTurnedSoEachLiesBetweenZeroAndAQuarterTurn) {
    const RecordingSurface surface = recordCorners(Outfit::snowGear, ClothVariant::third, 16, 10);
    const auto sectors =
        surface.matching([](const Operation& op) { return op.kind == Kind::clip; });
    ASSERT_EQ(sectors.size(), 4u);
    const Point centres[] = {{110, 110}, {290, 110}, {290, 240}, {110, 240}};
    const double turns[] = {pi, -pi / 2, 0, pi / 2};
    for (int k = 0; k < 4; ++k) {
        expectNear(sectors[k].origin(), centres[k], "corner centre");
        EXPECT_NEAR(std::remainder(rotationOf(sectors[k]) - turns[k], 2 * pi), 0, 1e-12) << k;
        EXPECT_EQ(sectors[k].rule, FillRule::winding);
        // The sector: the centre, out along angle 0, round the outer arc.
        Operation untransformed = sectors[k];
        untransformed.transform = {};
        const Rect local = untransformed.bounds();
        EXPECT_NEAR(local.minX(), 0, 1e-9);
        EXPECT_NEAR(local.maxX(), 26, 1e-9);
        EXPECT_NEAR(local.maxY(), 26, 1e-9);
    }
    // The ground fills each corner's whole square.
    const auto grounds =
        surface.matching(Kind::fill, paletteFor(Outfit::snowGear, ClothVariant::third).ground);
    ASSERT_EQ(grounds.size(), 4u);
    for (int k = 0; k < 4; ++k)
        expectNear(grounds[k].origin(), centres[k], "ground");
}

TEST(CornerPiecesTest, RainJacketMotifsSitOnTheMiddleArcAndFollowIt) {
    const Palette p = paletteFor(Outfit::rainJacket, ClothVariant::classic);
    const RecordingSurface surface =
        recordCorners(Outfit::rainJacket, ClothVariant::classic, 16, 10);
    const auto tabs = surface.matching(Kind::fill, p.shadow.withAlpha(0.38));
    ASSERT_EQ(tabs.size(), 8u);
    // Top-right corner (not turned): motifs at π/8 and 3π/8 on radius 18.
    for (int j = 0; j < 2; ++j) {
        const double theta = (2 * j + 1) * pi / 8;
        const Operation& tab = tabs[4 + j];
        expectNear(tab.origin(), {290 + 18 * std::cos(theta), 240 + 18 * std::sin(theta)}, "tab");
        EXPECT_NEAR(rotationOf(tab), theta - pi / 2, 1e-12);
    }
    // Bottom-left corner (half a turn): the same arc mirrored through its centre.
    expectNear(tabs[0].origin(), {110 - 18 * std::cos(pi / 8), 110 - 18 * std::sin(pi / 8)},
               "bottom-left tab");
    // Only the middle motif (index m / 2 = 1) carries the snap.
    const auto snaps = surface.matching(Kind::fill, p.light);
    ASSERT_EQ(snaps.size(), 4u);
    expectNear(snaps[2].origin(), tabs[5].origin(), "snap");
    EXPECT_EQ(surface.matching(Kind::fill, p.shadow).size(), 4u);
}

TEST(CornerPiecesTest, SweaterMarksAlternateInkByMotifIndexPlusRawValue) {
    struct Case {
        ClothVariant variant;
        double width, radius;
        const char* inks; // d: detail, l: light, one per motif of the first corner
    };
    for (const Case& c :
         {Case{ClothVariant::classic, 16, 10, "dl"}, Case{ClothVariant::third, 16, 10, "ld"},
          Case{ClothVariant::classic, 10, 20, "dlldll"},
          Case{ClothVariant::second, 10, 20, "lldlld"}, Case{ClothVariant::third, 10, 20, "ldlldl"},
          Case{ClothVariant::tenth, 10, 20, "dlldll"}}) {
        const Palette p = paletteFor(Outfit::sweater, c.variant);
        const RecordingSurface surface =
            recordCorners(Outfit::sweater, c.variant, c.width, c.radius);
        const auto marks = surface.matching([&](const Operation& op) {
            return op.kind == Kind::stroke && std::abs(op.style.width - 0.065 * c.width) < 1e-12;
        });
        const std::string expected = c.inks;
        ASSERT_EQ(marks.size(), 4 * expected.size()) << c.variant.rawValue();
        for (std::size_t j = 0; j < expected.size(); ++j) {
            EXPECT_EQ(marks[j].ink, expected[j] == 'd' ? p.detail : p.light)
                << "variant " << c.variant.rawValue() << " motif " << j;
            EXPECT_EQ(marks[j].subpathStarts().size(), 3u);
        }
    }
}

TEST(CornerPiecesTest, SeamMarksSitJustInsideBothEnds) {
    const Palette p = paletteFor(Outfit::linen, ClothVariant::fifth);
    const RecordingSurface surface = recordCorners(Outfit::linen, ClothVariant::fifth, 16, 10);
    const auto marks = surface.matching(Kind::stroke, p.shadow.withAlpha(0.5));
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_DOUBLE_EQ(marks[0].style.width, 0.56);
    // Top-right corner: from radius 12.4 to 23.6 at 0.025 and π/2 − 0.025.
    const Operation& mark = marks[2];
    const auto starts = mark.subpathStarts();
    ASSERT_EQ(starts.size(), 2u);
    expectNear(starts[0], {290 + 12.4 * std::cos(0.025), 240 + 12.4 * std::sin(0.025)}, "first");
    expectNear(starts[1], {290 + 12.4 * std::sin(0.025), 240 + 12.4 * std::cos(0.025)}, "second");
    const Point end = mark.transform.apply(mark.path.elements()[1].points[0]);
    expectNear(end, {290 + 23.6 * std::cos(0.025), 240 + 23.6 * std::sin(0.025)}, "end");
    // They are the last thing a corner draws.
    EXPECT_EQ(surface.operations().back().ink, p.shadow.withAlpha(0.5));
}

TEST(CornerPiecesTest, LinenWeaveCrossesEveryLinenCorner) {
    struct Case {
        Outfit outfit;
        std::size_t weaves;
    };
    // w 16, r 10: pitch 1.92, threads from t = −16 while t < 26: 22 of them.
    for (const Case& c : {Case{Outfit::linen, 4}, Case{Outfit::sweater, 0}}) {
        const Palette p = paletteFor(c.outfit, ClothVariant::classic);
        const RecordingSurface surface = recordCorners(c.outfit, ClothVariant::classic, 16, 10);
        const auto light = surface.matching(Kind::stroke, p.light.withAlpha(0.22));
        const auto dark = surface.matching(Kind::stroke, p.shadow.withAlpha(0.12));
        ASSERT_EQ(light.size(), c.weaves) << c.outfit.rawValue();
        ASSERT_EQ(dark.size(), c.weaves);
        if (c.weaves == 0)
            continue;
        EXPECT_EQ(light[2].subpathStarts().size(), 22u);
        EXPECT_EQ(dark[2].subpathStarts().size(), 22u);
        expectNear(light[2].subpathStarts()[0], {290 - 16, 240}, "first thread");
        expectNear(light[2].transform.apply(light[2].path.elements()[1].points[0]),
                   {290 + 10, 240 + 26}, "first thread rises right");
        expectNear(dark[2].transform.apply(dark[2].path.elements()[1].points[0]),
                   {290 - 42, 240 + 26}, "first dark thread rises left");
        EXPECT_DOUBLE_EQ(light[2].style.width, 0.45);
        EXPECT_DOUBLE_EQ(dark[2].style.width, 0.4);
    }
}

TEST(CornerPiecesTest, LinenSelvedgeAndLadderFollowTheArc) {
    struct Case {
        ClothVariant variant;
        double lineWidth;
        std::function<Ink(const Palette&)> ink;
        std::vector<double> radii;
    };
    const std::vector<Case> cases = {
        {ClothVariant::seventh, 1.92, [](const Palette& p) { return p.detail; }, {12.24}},
        {ClothVariant::tenth, 1.0, [](const Palette& p) { return p.feature; }, {13.2, 22.8}},
        {ClothVariant::ninth, 1.0, [](const Palette& p) { return p.feature; }, {}}};
    for (const Case& c : cases) {
        const Palette p = paletteFor(Outfit::linen, c.variant);
        const RecordingSurface surface = recordCorners(Outfit::linen, c.variant, 16, 10);
        const auto arcs = surface.matching([&](const Operation& op) {
            return op.kind == Kind::stroke && op.ink == c.ink(p) &&
                   std::abs(op.style.width - c.lineWidth) < 1e-12;
        });
        ASSERT_EQ(arcs.size(), 4 * c.radii.size()) << c.variant.rawValue();
        for (std::size_t k = 0; k < c.radii.size(); ++k) {
            // Top-right corner: from angle 0 to a quarter turn.
            const Operation& arc = arcs[2 * c.radii.size() + k];
            expectNear(arc.start(), {290 + c.radii[k], 240}, "arc start");
            const Point end = arc.transform.apply(arc.path.elements().back().points[2]);
            expectNear(end, {290, 240 + c.radii[k]}, "arc end");
        }
    }
}

// One corner motif per row: how it is painted and in how many shapes.
TEST(CornerPiecesTest, MotifTableByOutfitAndVariant) {
    struct Row {
        Outfit outfit;
        ClothVariant variant;
        Kind kind;
        std::function<Ink(const Palette&)> ink;
        double lineWidth; // strokes only
        std::size_t paintsPerCorner, shapesPerPaint;
    };
    // w 16, r 10: one hawaiian motif per corner, two of every other outfit.
    const std::vector<Row> rows = {
        // Fronds: the stem is light, 0.045 of a 10.88 frond.
        {Outfit::hawaiian, ClothVariant::third, Kind::stroke,
         [](const Palette& p) { return p.light; }, 0.4896, 1, 1},
        {Outfit::hawaiian, ClothVariant::tenth, Kind::fill,
         [](const Palette& p) { return p.shadow.withAlpha(0.75); }, 0, 1, 1},
        {Outfit::hawaiian, ClothVariant::fourth, Kind::fill,
         [](const Palette& p) { return p.feature; }, 0, 5, 1},
        {Outfit::hawaiian, ClothVariant::sixth, Kind::stroke,
         [](const Palette& p) { return p.light; }, 0.88, 1, 3},
        {Outfit::hawaiian, ClothVariant::ninth, Kind::stroke,
         [](const Palette& p) { return p.feature; }, 0.88, 1, 8},
        {Outfit::snowGear, ClothVariant::second, Kind::fill,
         [](const Palette& p) { return p.shadow.withAlpha(0.65); }, 0, 2, 1},
        {Outfit::snowGear, ClothVariant::second, Kind::fill,
         [](const Palette& p) { return p.detail; }, 0, 2, 1},
        {Outfit::snowGear, ClothVariant::third, Kind::fill,
         [](const Palette& p) { return p.detail; }, 0, 0, 0},
        {Outfit::linen, ClothVariant::second, Kind::stroke,
         [](const Palette& p) { return p.feature.withAlpha(0.75); }, 0.56, 2, 3},
        {Outfit::linen, ClothVariant::seventh, Kind::stroke,
         [](const Palette& p) { return p.feature.withAlpha(0.75); }, 1.12, 2, 3},
        {Outfit::linen, ClothVariant::ninth, Kind::fill,
         [](const Palette& p) { return p.feature.withAlpha(0.6); }, 0, 2, 2},
        {Outfit::linen, ClothVariant::eighth, Kind::stroke,
         [](const Palette& p) { return p.feature.withAlpha(0.7); }, 0.72, 2, 1},
        {Outfit::linen, ClothVariant::sixth, Kind::fill, [](const Palette& p) { return p.feature; },
         0, 2, 1},
        {Outfit::linen, ClothVariant::classic, Kind::stroke,
         [](const Palette& p) { return p.light; }, 0.72, 2, 2},
    };
    for (const Row& row : rows) {
        const Palette p = paletteFor(row.outfit, row.variant);
        const RecordingSurface surface = recordCorners(row.outfit, row.variant, 16, 10);
        const auto paints = surface.matching([&](const Operation& op) {
            return op.kind == row.kind && op.ink == row.ink(p) &&
                   (row.kind != Kind::stroke || std::abs(op.style.width - row.lineWidth) < 1e-9);
        });
        const std::string name =
            std::string(row.outfit.rawValue()) + " " + std::string(row.variant.title(row.outfit));
        ASSERT_EQ(paints.size(), 4 * row.paintsPerCorner) << name;
        for (const Operation& paint : paints)
            EXPECT_EQ(paint.subpathStarts().size(), row.shapesPerPaint) << name;
    }
}

TEST(CornerPiecesTest, HibiscusSizeFollowsTheVariant) {
    struct Case {
        ClothVariant variant;
        double radius; // of the flower; its centre disc is 0.17 of it
    };
    for (const Case& c :
         {Case{ClothVariant::fourth, 0.34 * 16}, Case{ClothVariant::seventh, 0.29 * 16},
          Case{ClothVariant::tenth, 0.19 * 16}}) {
        const Palette p = paletteFor(Outfit::hawaiian, c.variant);
        const RecordingSurface surface = recordCorners(Outfit::hawaiian, c.variant, 16, 10);
        const auto centres = surface.matching(Kind::fill, p.shadow.withAlpha(0.75));
        ASSERT_EQ(centres.size(), 4u);
        EXPECT_NEAR(centres[0].path.elements().front().points[0].x, 0.17 * c.radius, 1e-9)
            << c.variant.rawValue();
    }
}

TEST(CornerPiecesTest, SquareCornersAreQuarterDiscsOfTheWidth) {
    const Palette p = paletteFor(Outfit::linen, ClothVariant::classic);
    const RecordingSurface surface = recordCorners(Outfit::linen, ClothVariant::classic, 12, 0);
    const auto bars = surface.matching([&](const Operation& op) {
        return op.kind == Kind::stroke && op.ink == p.light && op.style.width == 0.54;
    });
    ASSERT_EQ(bars.size(), 4u); // one motif per corner
    // Top-right corner at the window's own corner (300, 250), motif at π/4 on radius 6.
    expectNear(bars[2].origin(), {300 + 6 * std::cos(pi / 4), 250 + 6 * std::sin(pi / 4)}, "motif");
    const auto sectors =
        surface.matching([](const Operation& op) { return op.kind == Kind::clip; });
    ASSERT_EQ(sectors.size(), 4u);
    expectNear(sectors[0].origin(), {100, 100}, "bottom-left corner");
}

TEST(CornerPiecesTest, BorderDrawsThemInsideTheRingInTheCallersFrame) {
    const Palette p = paletteFor(Outfit::sweater, ClothVariant::eighth);
    RecordingSurface surface;
    surface.translate(5, 7);
    PatternRenderer::draw(surface, kWindow, {Outfit::sweater, ClothVariant::eighth});
    const auto& operations = surface.operations();
    const auto marks = surface.matching(Kind::stroke, p.shadow.withAlpha(0.5));
    ASSERT_EQ(marks.size(), 4u);
    const Point centres[] = {{115, 117}, {295, 117}, {295, 247}, {115, 247}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(marks[k].depth, 2) << "inside the ring clip's save and the corner's own";
        EXPECT_NEAR(marks[k].transform.apply({0, 0}).x, centres[k].x, 1e-9);
        EXPECT_NEAR(marks[k].transform.apply({0, 0}).y, centres[k].y, 1e-9);
    }
    // The last ring clip comes before the corners.
    std::size_t lastRingClip = 0, firstMark = 0;
    for (std::size_t i = 0; i < operations.size(); ++i) {
        if (operations[i].kind == Kind::clip && operations[i].rule == FillRule::evenOdd)
            lastRingClip = i;
        if (firstMark == 0 && operations[i].ink == p.shadow.withAlpha(0.5))
            firstMark = i;
    }
    EXPECT_LT(lastRingClip, firstMark);
    EXPECT_EQ(operations[lastRingClip].depth, 1);
}

} // namespace
} // namespace garbello
