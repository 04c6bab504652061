#include "draw/recording_surface.h"
#include "render/linen_variants.h"
#include "render/pattern_renderer.h"
#include "render/sweater_variants.h"
#include "render/variant_cloth.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace garbello {
namespace {

using Operation = RecordingSurface::Operation;
using Kind = RecordingSurface::Kind;

TEST(VariantTilePeriodTest, ThreeTileSizesByPositionWithAFloorOfEight) {
    struct Case {
        ClothVariant variant;
        double width, scale, period;
    };
    for (const Case& c :
         {Case{ClothVariant::second, 12, 1, 19.2}, Case{ClothVariant::third, 12, 1, 25.2},
          Case{ClothVariant::fourth, 12, 1, 13.2}, Case{ClothVariant::fifth, 10, 2, 32},
          Case{ClothVariant::ninth, 16, 0.5, 16.8}, Case{ClothVariant::tenth, 20, 3, 66},
          Case{ClothVariant::fourth, 6, 1, 8}, Case{ClothVariant::second, 8, 0.5, 8},
          Case{ClothVariant::third, 3.8, 1, 8}}) {
        EXPECT_NEAR(cloth::variantTilePeriod(c.variant, c.width, c.scale), c.period, 1e-12)
            << c.variant.rawValue() << " at width " << c.width << ", scale " << c.scale;
    }
}

// One paint call a variant's motif row is expected to make: how many shapes
// (subpaths) it holds and where the first few start.
struct Paint {
    std::size_t shapes;
    std::vector<Point> firstStarts;
};

struct MotifRow {
    ClothVariant variant;
    Kind kind;
    std::function<Ink(const Palette&)> ink;
    double lineWidth; // strokes only
    std::vector<Paint> paints;
};

void expectMotifRow(Outfit outfit, const MotifRow& row,
                    const std::function<void(DrawingSurface&, const Palette&)>& draw) {
    const Palette p = Palette::make(outfit, false, std::nullopt, row.variant);
    RecordingSurface surface;
    draw(surface, p);
    const Ink ink = row.ink(p);
    const auto paints = surface.matching([&](const Operation& op) {
        return op.kind == row.kind && op.ink == ink &&
               (row.kind != Kind::stroke || std::abs(op.style.width - row.lineWidth) < 1e-9);
    });
    ASSERT_EQ(paints.size(), row.paints.size()) << row.variant.title(outfit);
    for (std::size_t k = 0; k < paints.size(); ++k) {
        const auto starts = paints[k].subpathStarts();
        EXPECT_EQ(starts.size(), row.paints[k].shapes) << row.variant.title(outfit) << " " << k;
        for (std::size_t j = 0; j < row.paints[k].firstStarts.size() && j < starts.size(); ++j) {
            EXPECT_NEAR(starts[j].x, row.paints[k].firstStarts[j].x, 1e-9)
                << row.variant.title(outfit) << " paint " << k << " shape " << j;
            EXPECT_NEAR(starts[j].y, row.paints[k].firstStarts[j].y, 1e-9)
                << row.variant.title(outfit) << " paint " << k << " shape " << j;
        }
    }
    EXPECT_EQ(surface.depth(), 0);
}

Ink light(const Palette& p) {
    return p.light;
}
Ink feature(const Palette& p) {
    return p.feature;
}
Ink detail(const Palette& p) {
    return p.detail;
}
Ink shadow(const Palette& p) {
    return p.shadow;
}
auto featureAt(double alpha) {
    return [alpha](const Palette& p) { return p.feature.withAlpha(alpha); };
}

// --- sweater ---

// Width 16, scale 1, length 100: P is 25.6 (n = 4), 33.6 (n = 3) or 17.6
// (n = 6), and the tiles are i = 0 … n − 1.
TEST(SweaterVariantTest, MotifRowsRepeatEveryTile) {
    const Strip strip{100, 16, 1};
    const std::vector<MotifRow> rows = {
        // Argyle: diamonds alternate feature and detail, one overcheck per tile.
        {ClothVariant::third, Kind::fill, feature, 0, {{2, {{1.008, 8}, {68.208, 8}}}}},
        {ClothVariant::third, Kind::fill, detail, 0, {{1, {{34.608, 8}}}}},
        {ClothVariant::third, Kind::stroke, light, 0.7, {{3, {{0, 0}, {33.6, 0}, {67.2, 0}}}}},
        {ClothVariant::fourth, Kind::fill, shadow, 0, {{6, {{0, 3.52}, {17.6, 3.52}}}}},
        {ClothVariant::fifth,
         Kind::stroke,
         [](const Palette& p) { return p.light.withAlpha(0.8); },
         2.56,
         {{4, {{0, 0}, {25.6, 0}, {51.2, 0}, {76.8, 0}}}}},
        {ClothVariant::sixth, Kind::stroke, light, 2.4, {{3, {{0, 0}, {33.6, 0}}}}},
        // Moss: discs start on their rightmost point.
        {ClothVariant::seventh,
         Kind::fill,
         light,
         0,
         {{18, {{1.92, 2.72}, {10.72, 8}, {1.92, 13.28}, {19.52, 2.72}}}}},
        {ClothVariant::eighth,
         Kind::fill,
         [](const Palette& p) { return p.detail.withAlpha(0.65); },
         0,
         {{4, {{12.8, 0}, {38.4, 0}}}}},
        {ClothVariant::ninth, Kind::stroke, light, 1.6, {{3, {{32.928, 8}, {66.528, 8}}}}},
    };
    for (const MotifRow& row : rows)
        expectMotifRow(Outfit::sweater, row, [&](DrawingSurface& s, const Palette& p) {
            cloth::sweaterVariant(s, strip, row.variant, p);
        });
}

TEST(SweaterVariantTest, CableStrandsCrossAtEveryTileBoundary) {
    struct Case {
        ClothVariant variant;
        double period;
        int tiles;
    };
    for (const Case& c :
         {Case{ClothVariant::second, 25.6, 4}, Case{ClothVariant::tenth, 17.6, 6}}) {
        const Palette p = Palette::make(Outfit::sweater, false, std::nullopt, c.variant);
        RecordingSurface surface;
        cloth::sweaterVariant(surface, {100, 16, 1}, c.variant, p);
        const auto cables = surface.matching([&](const Operation& op) {
            return op.kind == Kind::stroke && op.ink == p.light && op.style.width == 2.08;
        });
        ASSERT_EQ(cables.size(), 1u) << c.variant.rawValue();
        const auto& elements = cables[0].path.elements();
        ASSERT_EQ(elements.size(), 2u * (c.tiles + 1)) << c.variant.rawValue();
        // Two strands from (0, 0.2w): one dipping towards 0.1w, one arching
        // towards 0.9w, back at 0.2w at the end of every tile.
        for (int strand = 0; strand < 2; ++strand) {
            const double control = strand == 0 ? 1.6 : 14.4;
            EXPECT_EQ(elements[strand * (c.tiles + 1)].points[0], (Point{0, 3.2}));
            for (int i = 0; i < c.tiles; ++i) {
                const Path::Element& curve = elements[strand * (c.tiles + 1) + 1 + i];
                ASSERT_EQ(curve.verb, Path::Verb::curveTo);
                const double x = i * c.period;
                EXPECT_NEAR(curve.points[0].x, x + 0.3 * c.period, 1e-9);
                EXPECT_NEAR(curve.points[0].y, control, 1e-9);
                EXPECT_NEAR(curve.points[1].x, x + 0.7 * c.period, 1e-9);
                EXPECT_NEAR(curve.points[1].y, control, 1e-9);
                EXPECT_NEAR(curve.points[2].x, x + c.period, 1e-9);
                EXPECT_NEAR(curve.points[2].y, 3.2, 1e-9);
            }
        }
    }
}

TEST(SweaterVariantTest, FairIsleCarriesOneSnowflakePerTile) {
    const Palette p = Palette::make(Outfit::sweater, false, std::nullopt, ClothVariant::fourth);
    RecordingSurface surface;
    cloth::sweaterVariant(surface, {100, 16, 1}, ClothVariant::fourth, p);
    // A snowflake of radius 4 strokes its six arms out from its centre.
    const auto arms = surface.matching([&](const Operation& op) {
        return op.kind == Kind::stroke && op.ink == p.light && op.style.width == 0.64;
    });
    ASSERT_EQ(arms.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const auto starts = arms[i].subpathStarts();
        ASSERT_EQ(starts.size(), 6u);
        EXPECT_NEAR(starts[0].x, 8.8 + 17.6 * i, 1e-9);
        EXPECT_NEAR(starts[0].y, 8, 1e-9);
    }
}

TEST(SweaterVariantTest, KnittingIsFinerUnderTheRib) {
    struct Case {
        ClothVariant variant;
        double stitch; // cw = max(0.3·w·knit scale, 3.2)
    };
    for (const Case& c : {Case{ClothVariant::fifth, 3.36}, Case{ClothVariant::second, 5.28},
                          Case{ClothVariant::ninth, 5.28}}) {
        const Palette p = Palette::make(Outfit::sweater, false, std::nullopt, c.variant);
        RecordingSurface surface;
        cloth::sweaterVariant(surface, {100, 16, 1}, c.variant, p);
        const auto shadows = surface.matching(Kind::stroke, p.shadow.withAlpha(0.7));
        ASSERT_FALSE(shadows.empty());
        EXPECT_NEAR(shadows[0].style.width, 0.37 * c.stitch, 1e-9) << c.variant.rawValue();
    }
}

// --- linen ---

// Width 12, scale 1, length 100: P is 19.2 (n = 6), 25.2 (n = 4) or 13.2
// (n = 8), and the tiles are i = 0 … n.
TEST(LinenVariantTest, MotifRowsRepeatEveryTile) {
    const Strip strip{100, 12, 1};
    const std::vector<MotifRow> rows = {
        {ClothVariant::second,
         Kind::fill,
         featureAt(0.8),
         0,
         {{21, {{0, 0}, {3.456, 0}, {6.912, 0}, {19.2, 0}}}}},
        // Windowpane and gingham: stripes and bars are painted apart so their
        // crossings are darker.
        {ClothVariant::third,
         Kind::fill,
         featureAt(0.4),
         0,
         {{5, {{0, 0}, {25.2, 0}}}, {15, {{0, 0}, {0, 4.8}, {0, 9.6}, {25.2, 0}}}}},
        {ClothVariant::fourth,
         Kind::fill,
         featureAt(0.4),
         0,
         {{9, {{0, 0}, {13.2, 0}}}, {27, {{0, 0}, {0, 4.8}, {0, 9.6}, {13.2, 0}}}}},
        {ClothVariant::fifth, Kind::stroke, featureAt(0.65), 1.0, {{7, {{0, 0}, {19.2, 0}}}}},
        {ClothVariant::sixth, Kind::fill, feature, 0, {{5, {{1.08, 7.8}, {26.28, 7.8}}}}},
        {ClothVariant::seventh, Kind::fill, featureAt(0.8), 0, {{9, {{0, 0}, {13.2, 0}}}}},
        {ClothVariant::seventh, Kind::fill, detail, 0, {{1, {{0, 9.6}}}}},
        {ClothVariant::eighth,
         Kind::stroke,
         featureAt(0.65),
         0.75,
         {{7, {{0, 12}, {19.2, 12}}}, {7, {{0, 0}, {19.2, 0}}}}},
        {ClothVariant::ninth,
         Kind::fill,
         featureAt(0.5),
         0,
         {{8, {{0, 0}, {0, 8}, {25.2, 4}, {50.4, 0}}}}},
        {ClothVariant::tenth,
         Kind::stroke,
         feature,
         1.0,
         {{27, {{0, 2.4}, {0, 9.6}, {0, 2.4}, {13.2, 2.4}}}}},
    };
    for (const MotifRow& row : rows)
        expectMotifRow(Outfit::linen, row, [&](DrawingSurface& s, const Palette& p) {
            cloth::linenVariant(s, strip, row.variant, p);
        });
}

TEST(LinenVariantTest, SelvedgeRunsTheWholeStripOverItsStripes) {
    const Palette p = Palette::make(Outfit::linen, false, std::nullopt, ClothVariant::seventh);
    RecordingSurface surface;
    cloth::linenVariant(surface, {100, 12, 1}, ClothVariant::seventh, p);
    const auto& operations = surface.operations();
    ASSERT_FALSE(operations.empty());
    EXPECT_EQ(operations.back().ink, p.detail);
    const Rect selvedge = operations.back().bounds();
    EXPECT_NEAR(selvedge.minX(), 0, 1e-9);
    EXPECT_NEAR(selvedge.width, 100, 1e-9);
    EXPECT_NEAR(selvedge.height, 1.44, 1e-9);
}

TEST(LinenVariantTest, GinghamIsWovenFromCoarserThreads) {
    struct Case {
        ClothVariant variant;
        std::size_t warpThreads; // pitch 2 at scale 1, 3.2 under gingham
    };
    for (const Case& c : {Case{ClothVariant::fourth, 32}, Case{ClothVariant::third, 50},
                          Case{ClothVariant::tenth, 50}}) {
        const Palette p = Palette::make(Outfit::linen, false, std::nullopt, c.variant);
        RecordingSurface surface;
        cloth::linenVariant(surface, {100, 12, 1}, c.variant, p);
        const auto warp = surface.matching(Kind::stroke, p.light.withAlpha(0.42));
        ASSERT_EQ(warp.size(), 1u);
        EXPECT_EQ(warp[0].subpathStarts().size(), c.warpThreads) << c.variant.rawValue();
    }
}

// The selvedge and ladder variants carry their accent through the seam bands
// at both ends of every strip.
TEST(LinenVariantTest, SeamBandsOfSelvedgeAndLadderCarryTheirAccent) {
    for (ClothVariant variant : {ClothVariant::seventh, ClothVariant::tenth}) {
        const Palette p = Palette::make(Outfit::linen, false, std::nullopt, variant);
        RecordingSurface surface;
        // Bottom strip: L = 324 − 44 = 280, e = 0.34·12 = 4.08, from x = 22.
        PatternRenderer::draw(surface, {12, 12, 300, 200}, {Outfit::linen, variant, 12});
        const auto inSeamBands = [](const Operation& op) { return op.depth == 1; };
        if (variant == ClothVariant::seventh) {
            const auto bars = surface.matching([&](const Operation& op) {
                return op.kind == Kind::fill && op.ink == p.detail && inSeamBands(op);
            });
            ASSERT_EQ(bars.size(), 8u);
            for (const Rect expected : {Rect{22, 9.6, 4.08, 1.44}, Rect{297.92, 9.6, 4.08, 1.44}})
                EXPECT_TRUE(std::any_of(bars.begin(), bars.end(), [&](const Operation& bar) {
                    const Rect b = bar.bounds();
                    return std::abs(b.minX() - expected.minX()) < 1e-9 &&
                           std::abs(b.minY() - expected.minY()) < 1e-9 &&
                           std::abs(b.width - expected.width) < 1e-9 &&
                           std::abs(b.height - expected.height) < 1e-9;
                })) << expected.minX();
        } else {
            const auto rails = surface.matching([&](const Operation& op) {
                return op.kind == Kind::stroke && op.ink == p.feature && op.style.width == 1.0 &&
                       inSeamBands(op);
            });
            ASSERT_EQ(rails.size(), 8u);
            const auto starts = rails[0].subpathStarts();
            ASSERT_EQ(starts.size(), 2u);
            EXPECT_NEAR(starts[0].x, 22, 1e-9);
            EXPECT_NEAR(starts[0].y, 2.4, 1e-9);
            EXPECT_NEAR(starts[1].y, 9.6, 1e-9);
            EXPECT_NEAR(rails[0].bounds().width, 4.08, 1e-9);
        }
    }
}

TEST(VariantClothTest, EachOfTheTenCloths) {
    // Every variant of both outfits paints something of its own on top of
    // the base layer: no two variants record the same drawing.
    for (Outfit outfit : {Outfit::sweater, Outfit::linen}) {
        std::vector<std::vector<Operation>> drawings;
        for (ClothVariant variant : ClothVariant::allCases()) {
            if (variant == ClothVariant::classic)
                continue;
            const Palette p = Palette::make(outfit, false, std::nullopt, ClothVariant::second);
            RecordingSurface surface;
            cloth::variantCloth(surface, {100, 12, 1}, outfit, variant, p);
            drawings.push_back(surface.operations());
        }
        for (std::size_t a = 0; a < drawings.size(); ++a)
            for (std::size_t b = a + 1; b < drawings.size(); ++b) {
                bool same = drawings[a].size() == drawings[b].size();
                for (std::size_t k = 0; same && k < drawings[a].size(); ++k)
                    same = drawings[a][k].ink == drawings[b][k].ink &&
                           drawings[a][k].bounds().width == drawings[b][k].bounds().width &&
                           drawings[a][k].path.elements().size() ==
                               drawings[b][k].path.elements().size();
                EXPECT_FALSE(same)
                    << outfit.rawValue() << " variants " << a + 1 << " and " << b + 1;
            }
    }
}

} // namespace
} // namespace garbello
