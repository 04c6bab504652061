#include "render/sweater_variants.h"

#include "render/snow_gear_cloth.h"
#include "render/sweater_cloth.h"
#include "render/variant_cloth.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace garbello::cloth {
namespace {

// The rib is knitted finer than the other variants' ground.
constexpr double kRibKnitScale = 0.7;
constexpr double kKnitScale = 1.1;

// One variant's motifs for the tiles starting at i·P, i = first … last. Shapes
// of one ink are gathered into one path: within a variant they either never
// overlap or are opaque, so one paint gives the same picture as one per tile.
struct Tiles {
    DrawingSurface& surface;
    const Palette& palette;
    double w;        // strip width
    double P;        // tile period
    int first, last; // tiles drawn

    double x(int i) const { return i * P; }
    double cx(int i) const { return i * P + 0.5 * P; }

    // Each tile's two strands meet the next tile's at the same points, so
    // each strand runs as one chain along the strip: with round joins and an
    // opaque ink that paints what separate curves with round caps would, and
    // spares the stroker every overlap where they meet.
    void cables() const {
        Path cables;
        for (double control : {0.1 * w, 0.9 * w}) {
            cables.moveTo({x(first), 0.2 * w});
            for (int i = first; i <= last; ++i)
                cables.curveTo({x(i) + P, 0.2 * w}, {x(i) + 0.3 * P, control},
                               {x(i) + 0.7 * P, control});
        }
        surface.stroke(cables, palette.light, StrokeStyle::rounded(0.13 * w));
    }

    void argyle() const {
        Path evenDiamonds, oddDiamonds, overcheck;
        for (int i = first; i <= last; ++i) {
            const double c = cx(i);
            (i % 2 == 0 ? evenDiamonds : oddDiamonds)
                .addPolygon({{c - 0.47 * P, 0.5 * w},
                             {c, 0.93 * w},
                             {c + 0.47 * P, 0.5 * w},
                             {c, 0.07 * w}});
            overcheck.addLine({x(i), 0}, {x(i) + P, w});
        }
        // Each overcheck line crosses only its own tile's diamond, which is
        // painted before it either way.
        surface.fill(evenDiamonds, palette.feature);
        surface.fill(oddDiamonds, palette.detail);
        surface.stroke(overcheck, palette.light, StrokeStyle::rounded(0.7));
    }

    // The bands are rectangles end to end, which cairo joins into one run
    // when it fills them together; a run cut into repeats comes out a few
    // units apart along its edges, so the bands are laid along the whole
    // strip and the snowflakes repeat over them.
    void fairIsleBands() const {
        Path bands;
        for (int i = first; i <= last; ++i)
            bands.addRect({x(i), 0.22 * w, P, 0.56 * w});
        surface.fill(bands, palette.shadow);
    }
    void fairIsleSnowflakes() const {
        for (int i = first; i <= last; ++i)
            snowflake(surface, {cx(i), 0.5 * w}, 0.25 * w, palette.light);
    }

    void rib() const {
        Path ribs;
        for (int i = first; i <= last; ++i)
            ribs.addLine({x(i), 0}, {x(i), w});
        surface.stroke(ribs, palette.light.withAlpha(0.8), StrokeStyle::rounded(0.16 * w));
    }

    void herringbone() const {
        Path chevrons;
        for (int i = first; i <= last; ++i)
            chevrons.addPolyline({{x(i), 0}, {cx(i), 0.5 * w}, {x(i), w}});
        surface.stroke(chevrons, palette.light, StrokeStyle::rounded(0.15 * w));
    }

    void moss() const {
        Path discs;
        const double radius = 0.12 * w;
        auto addDisc = [&](Point c) {
            discs.addEllipse({c.x - radius, c.y - radius, 2 * radius, 2 * radius});
        };
        for (int i = first; i <= last; ++i) {
            addDisc({x(i), 0.17 * w});
            addDisc({cx(i), 0.5 * w});
            addDisc({x(i), 0.83 * w});
        }
        surface.fill(discs, palette.light);
    }

    void stripes() const {
        Path stripes;
        for (int i = first; i <= last; ++i)
            stripes.addRect({cx(i), 0, 0.5 * P, w});
        surface.fill(stripes, palette.detail.withAlpha(0.65));
    }

    void honeycomb() const {
        Path cells;
        for (int i = first; i <= last; ++i) {
            const Point c{cx(i), 0.5 * w};
            auto vertex = [&](int corner) {
                const double theta = corner * std::numbers::pi / 3;
                return Point{c.x + 0.48 * P * std::cos(theta), c.y + 0.43 * w * std::sin(theta)};
            };
            cells.addPolygon({vertex(0), vertex(1), vertex(2), vertex(3), vertex(4), vertex(5)});
        }
        surface.stroke(cells, palette.light, StrokeStyle::rounded(0.1 * w));
    }
};

// Tiles repeat every whole number of points holding whole tiles, two at a
// time where neighbours alternate inks.
constexpr int kMostTilesPerRepeat = 16;
// The knitting and the tiles together are repeated only within this many
// points; longer repeats would seldom fit a strip twice.
constexpr double kLongestJointRepeat = 512;

// The shortest whole number of points both whole repeats fill; 0 past the
// longest, or when either has none.
double jointRepeat(double a, double b) {
    if (a <= 0 || b <= 0)
        return 0;
    const double joint = std::lcm(std::lround(a), std::lround(b));
    return joint <= kLongestJointRepeat ? joint : 0;
}

void drawTiles(const Tiles& tiles, ClothVariant variant) {
    switch (variant) {
    case ClothVariant::classic:
        return;
    case ClothVariant::second:
    case ClothVariant::tenth:
        return tiles.cables();
    case ClothVariant::third:
        return tiles.argyle();
    case ClothVariant::fourth:
        return tiles.fairIsleSnowflakes();
    case ClothVariant::fifth:
        return tiles.rib();
    case ClothVariant::sixth:
        return tiles.herringbone();
    case ClothVariant::seventh:
        return tiles.moss();
    case ClothVariant::eighth:
        return tiles.stripes();
    case ClothVariant::ninth:
        return tiles.honeycomb();
    }
}

} // namespace

void sweaterVariant(DrawingSurface& surface, const Strip& strip, ClothVariant variant,
                    const Palette& palette) {
    const double L = strip.length, w = strip.width, s = strip.scale;
    const double knitScale = variant == ClothVariant::fifth ? kRibKnitScale : kKnitScale;
    const Strip knitted{L, w, knitScale * s};
    sweater(surface, knitted, palette);
    if (variant == ClothVariant::classic)
        return;

    const double P = variantTilePeriod(variant, w, s);
    const int count = static_cast<int>(std::ceil(L / P));
    if (variant == ClothVariant::fourth)
        Tiles{surface, palette, w, P, 0, count - 1}.fairIsleBands();
    const int turns = variant == ClothVariant::third ? 2 : 1; // argyle alternates
    // The tiles lie over the knitting, so they repeat where both do.
    const double period =
        jointRepeat(knitRepeat(knitted), wholeRepeat(P, kMostTilesPerRepeat * turns, turns));
    // No shape reaches further than this beyond its own tile: the moss's
    // discs, with half a point to spare.
    const double overhang = 0.12 * w + 0.5;
    // The strip has tiles 0 to count - 1; a tile of the repeat (0 to one
    // period) has them on either side as well. A range has the tiles that
    // reach it.
    auto layer = [&](DrawingSurface& target, double from, double to) {
        const bool tile = from == 0 && to == period;
        int first = static_cast<int>(std::ceil((from - overhang) / P)) - 1;
        int last = static_cast<int>(std::floor((to + overhang) / P));
        if (!tile) {
            first = std::max(first, 0);
            last = std::min(last, count - 1);
        }
        drawTiles({target, palette, w, P, first, last}, variant);
    };
    surface.fillPeriodicOverRepeats({0, 0, L, w}, period, P + 2 * overhang, layer);
}

} // namespace garbello::cloth
