#include "render/snow_gear_variants.h"

#include "render/snow_gear_cloth.h"
#include "render/variant_cloth.h"

#include <algorithm>
#include <cmath>

namespace garbello::cloth {
namespace {

// Tiles never overlap their neighbours, so shapes of one ink over all tiles
// are one path and one paint call; where a tile's own shapes overlap, the
// paint calls keep the tile's order.

// The classic layer shrinks or grows with the variant: 0.65, 1.05, 1.45 or
// 1.85 times the pattern scale, cycling with the variant's position.
double baseLayerScale(ClothVariant variant, double scale) {
    return scale * (0.65 + 0.4 * (variant.rawValue() % 4));
}

// A closed diamond with the given left, top, right and bottom corners.
void addDiamond(Path& path, Point centre, double halfWidth, double halfHeight) {
    path.addPolygon({{centre.x - halfWidth, centre.y},
                     {centre.x, centre.y + halfHeight},
                     {centre.x + halfWidth, centre.y},
                     {centre.x, centre.y - halfHeight}});
}

// The rows of a knitted band, in strip widths from the outer edge.
constexpr double kKnittedBandTop = 0.15, kKnittedBandBottom = 0.5;

// "Cranberry peaks" and "Pine diamonds": a band knitted over the classic
// stripe band, with a zigzag or with diamonds in two yarns.
void knittedBand(DrawingSurface& surface, const Strip& strip, double P, ClothVariant variant,
                 const Palette& palette) {
    const double L = strip.length, w = strip.width;
    surface.fillRect({0, kKnittedBandTop * w, L, (kKnittedBandBottom - kKnittedBandTop) * w},
                     palette.feature);
    const int n = static_cast<int>(std::ceil(L / P));
    if (variant == ClothVariant::second) {
        Path peaks;
        for (int i = 0; i < n; ++i) {
            const double x = i * P;
            peaks.addPolyline({{x, 0.19 * w}, {x + 0.5 * P, 0.46 * w}, {x + P, 0.19 * w}});
        }
        surface.stroke(peaks, palette.light, StrokeStyle::rounded(0.07 * w));
        return;
    }
    Path even, odd;
    for (int i = 0; i < n; ++i) {
        const double cx = i * P + 0.5 * P;
        Path& diamond = i % 2 == 0 ? even : odd;
        diamond.addPolygon(
            {{cx - 0.32 * P, 0.32 * w}, {cx, 0.45 * w}, {cx + 0.32 * P, 0.32 * w}, {cx, 0.19 * w}});
    }
    surface.fill(even, palette.light);
    surface.fill(odd, palette.detail);
}

// "Arctic stars": pale panels, each with a dark snowflake. Tile by tile: at
// small scales a snowflake's arms reach under the next tile's veil.
void stars(DrawingSurface& surface, int first, int last, double P, double w,
           const Palette& palette) {
    for (int i = first; i <= last; ++i) {
        surface.fill(roundedRectPath({i * P, 0.2 * w, P - 1, 0.77 * w}, 0.2 * w),
                     palette.light.withAlpha(0.4));
        snowflake(surface, {i * P + 0.5 * P, 0.58 * w}, 0.32 * w, palette.shadow);
    }
}

// "Lavender quilt": quilted diamonds with a pale stud where they meet.
void quilt(DrawingSurface& surface, int first, int last, double P, double w,
           const Palette& palette) {
    Path outer, inner, studs;
    for (int i = first; i <= last; ++i) {
        const double x = i * P, cx = x + 0.5 * P, y = 0.58 * w;
        addDiamond(outer, {cx, y}, 0.5 * P, 0.42 * w);
        addDiamond(inner, {cx, y}, 0.43 * P, 0.34 * w);
        const double r = 0.045 * w;
        studs.addEllipse({x - r, y - r, 2 * r, 2 * r});
    }
    surface.fill(outer, palette.shadow);
    surface.fill(inner, mix(palette.light, palette.ground, 0.65));
    surface.fill(studs, palette.light);
}

// "Copper expedition": dark pockets with a pale and an accent band.
void pockets(DrawingSurface& surface, int first, int last, double P, double w,
             const Palette& palette) {
    Path bodies, pale, accent;
    for (int i = first; i <= last; ++i) {
        const double x = i * P;
        bodies.addRoundedRect({x + 0.5, 0.25 * w, P - 1, 0.66 * w}, 0.15 * w);
        pale.addRect({x, 0.37 * w, P, 0.14 * w});
        accent.addRect({x, 0.7 * w, P, 0.1 * w});
    }
    surface.fill(bodies, palette.shadow);
    surface.fill(pale, palette.light);
    surface.fill(accent, palette.detail);
}

// "Midnight slopes": broad slopes in two colours, each with a dark ski track.
void slopes(DrawingSurface& surface, int first, int last, double P, double w,
            const Palette& palette) {
    Path even, odd, tracks;
    for (int i = first; i <= last; ++i) {
        const double x = i * P;
        (i % 2 == 0 ? even : odd).addLine({x, 0.18 * w}, {x + 0.8 * w, 0.98 * w});
        tracks.addLine({x + 0.4 * P, 0.18 * w}, {x + 0.4 * P + 0.8 * w, 0.98 * w});
    }
    const StrokeStyle slope = StrokeStyle::rounded(0.45 * P);
    surface.stroke(even, palette.light, slope);
    surface.stroke(odd, palette.detail, slope);
    surface.stroke(tracks, palette.shadow, StrokeStyle::rounded(0.08 * w));
}

// "Mint alpine": translucent dark panels, each with a pale cross.
void crosses(DrawingSurface& surface, int first, int last, double P, double w,
             const Palette& palette) {
    Path panels, bars;
    for (int i = first; i <= last; ++i) {
        const double x = i * P, cx = x + 0.5 * P;
        panels.addRoundedRect({x + 0.5, 0.22 * w, P - 1, 0.69 * w}, 0.18 * w);
        bars.addLine({cx - 0.2 * w, 0.56 * w}, {cx + 0.2 * w, 0.56 * w});
        bars.addLine({cx, 0.36 * w}, {cx, 0.76 * w});
    }
    surface.fill(panels, palette.shadow.withAlpha(0.5));
    surface.stroke(bars, palette.light, StrokeStyle::rounded(0.14 * w));
}

// "Polar checks": three rows of blocks, pale and dark in a checkerboard.
void checks(DrawingSurface& surface, int first, int last, double P, double w,
            const Palette& palette) {
    Path pale, dark;
    for (int i = first; i <= last; ++i)
        for (int row = 0; row < 3; ++row) {
            const double y = (0.17 + 0.27 * row) * w;
            ((i + row) % 2 == 0 ? pale : dark)
                .addRoundedRect({i * P + 0.3, y, P - 0.6, 0.25 * w}, 0.04 * w);
        }
    surface.fill(pale, palette.light);
    surface.fill(dark, palette.shadow);
}

// The upper ridge of a "Berry ridge" tile, for surfaces that repeat a motif's
// pixels.
constexpr int kUpperRidgeMotif = 1;

// "Berry ridge": two rows of dark ridges, each with a pale crest line. Tile
// by tile, since each ridge's round ends cover the neighbouring crests' ends.
void ridges(DrawingSurface& surface, int first, int last, double P, double w,
            const Palette& palette) {
    const StrokeStyle ridge = StrokeStyle::rounded(0.24 * w),
                      crest = StrokeStyle::rounded(0.07 * w);
    const auto ridgeAt = [&](DrawingSurface& target, double x, double yb) {
        Path path;
        path.addPolyline({{x, yb + 0.1 * w}, {x + 0.5 * P, yb + 0.32 * w}, {x + P, yb + 0.1 * w}});
        target.stroke(path, palette.shadow, ridge);
        target.stroke(path, palette.light.withAlpha(0.75), crest);
    };
    // The upper ridge lies over the cover and the ridges before it alone, so
    // where it lies alike on the pixel grid it is the same picture.
    const double upper = 0.58 * w, halfRidge = 0.12 * w;
    const Rect upperBounds{-halfRidge, upper + 0.1 * w - halfRidge, P + 2 * halfRidge,
                           0.22 * w + 2 * halfRidge};
    for (int i = first; i <= last; ++i) {
        const double x = i * P;
        ridgeAt(surface, x, 0.18 * w);
        SavedState saved(surface);
        surface.translate(x, 0);
        surface.drawMotif(kUpperRidgeMotif, upperBounds,
                          [&](DrawingSurface& target) { ridgeAt(target, 0, upper); });
    }
}

// How far a tile paints beyond its own length at most: the quilt's studs
// and the ridges' round ends, with a point for the antialiasing. (The slopes
// lean further, but never repeat.)
double tileSpill(double w) {
    return 0.12 * w + 1;
}

// The lowest the variant's layer paints.
double lowestPoint(ClothVariant variant, double P, double w) {
    switch (variant) {
    case ClothVariant::fourth:
        return 0.2 * w; // the panels; the snowflakes' arms stay above them
    case ClothVariant::sixth:
        return 0.25 * w;
    case ClothVariant::seventh:
        return 0.18 * w - 0.225 * P; // the slopes' round ends
    case ClothVariant::eighth:
        return 0.22 * w;
    case ClothVariant::ninth:
        return 0.17 * w;
    default:
        return 0.16 * w; // the quilt's points, the ridges' ends
    }
}

void tiles(DrawingSurface& surface, ClothVariant variant, int first, int last, double P, double w,
           const Palette& palette) {
    switch (variant) {
    case ClothVariant::fourth:
        return stars(surface, first, last, P, w, palette);
    case ClothVariant::fifth:
        return quilt(surface, first, last, P, w, palette);
    case ClothVariant::sixth:
        return pockets(surface, first, last, P, w, palette);
    case ClothVariant::seventh:
        return slopes(surface, first, last, P, w, palette);
    case ClothVariant::eighth:
        return crosses(surface, first, last, P, w, palette);
    case ClothVariant::ninth:
        return checks(surface, first, last, P, w, palette);
    case ClothVariant::tenth:
        return ridges(surface, first, last, P, w, palette);
    case ClothVariant::classic:
    case ClothVariant::second:
    case ClothVariant::third:
        return; // drawn by the classic cloth or as a knitted band
    }
}

} // namespace

void snowGearVariant(DrawingSurface& surface, const Strip& strip, ClothVariant variant,
                     const Palette& palette) {
    const double L = strip.length, w = strip.width;
    const Strip base{L, w, baseLayerScale(variant, strip.scale)};
    const double P = variantTilePeriod(variant, w, strip.scale);
    // A cover hides only in an opaque ink.
    const auto opaque = [](const Ink& ink, Cover cover) {
        return ink.alpha >= 1 ? cover : Cover{};
    };
    if (variant == ClothVariant::second || variant == ClothVariant::third) {
        snowGear(surface, base, palette,
                 opaque(palette.feature, {kKnittedBandTop * w, kKnittedBandBottom * w}));
        return knittedBand(surface, strip, P, variant, palette);
    }

    // Cover all but the classic layer's outer trim and speckle.
    const double shown = 0.16 * w;
    snowGear(surface, base, palette, opaque(palette.ground, {shown, w}));
    surface.fillRect({0, shown, L, w - shown}, palette.ground);
    // One tile before the strip and one past its count, cut by the clip; a
    // range has the tiles that reach it.
    const int count = static_cast<int>(std::ceil(L / P));
    auto layer = [&](DrawingSurface& target, double from, double to) {
        const int first =
            from <= 0 ? -1 : static_cast<int>(std::ceil((from - P - tileSpill(w)) / P));
        const int last = to >= L ? count : static_cast<int>(std::floor((to + tileSpill(w)) / P));
        tiles(target, variant, std::max(-1, first), std::min(count, last), P, w, palette);
    };
    // Above the cover's first whole point the backdrop is its one ink, so a
    // layer that stays there repeats once whole tiles make whole points.
    const double top = std::floor(lowestPoint(variant, P, w));
    // The pockets' bands run unbroken along the strip, and cairo's
    // antialiasing along the edges of a band cut to a range differs from the
    // whole band's by a few units, so they are drawn whole.
    const bool overCover =
        top >= shown && palette.ground.alpha >= 1 && variant != ClothVariant::sixth;
    const int turns = variant == ClothVariant::seventh || variant == ClothVariant::ninth ? 2 : 1;
    const double period = overCover ? wholeRepeat(P, 16 * turns, turns) : 0;
    surface.fillPeriodicOver({0, top, L, w - top}, period, P + 2 * tileSpill(w), {}, layer);
}

} // namespace garbello::cloth
