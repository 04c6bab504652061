#include "render/hawaiian_variants.h"

#include "render/hawaiian_cloth.h"
#include "render/variant_cloth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace garbello::cloth {
namespace {

constexpr double pi = std::numbers::pi;

// Flowers turning a little further on each of three tiles ("Coral lei",
// "Sunshine blooms", "Guava petals"); guava petals get a dark heart.
void flower(DrawingSurface& surface, int i, double w, ClothVariant variant,
            const Palette& palette) {
    surface.rotate(0.4 * (i % 3));
    hibiscus(surface, (variant == ClothVariant::fourth ? 0.52 : 0.38) * w, palette);
    if (variant == ClothVariant::seventh)
        surface.fillDisc({0, 0}, 0.1 * w, palette.shadow);
}

// Fronds tilting up and down in turn ("Midnight palms", "Papaya fronds",
// "Seafoam garden"); the seafoam garden sets a small flower on each.
void frond(DrawingSurface& surface, int i, double w, ClothVariant variant, const Palette& palette) {
    surface.rotate(i % 2 == 0 ? 0.5 : -0.5);
    openFrond(surface, (variant == ClothVariant::third ? 1.45 : 1.1) * w, palette);
    if (variant == ClothVariant::tenth)
        hibiscus(surface, 0.25 * w, palette);
}

// Three rolling waves across one tile ("Ocean swell"), drawn with the
// surface's default butt caps so neighbouring tiles meet without a bead.
void swell(DrawingSurface& surface, double P, double w, const Palette& palette) {
    const StrokeStyle wave{0.09 * w, false, {}, 0};
    const Ink inks[] = {palette.light, palette.feature, palette.light};
    for (int j = 0; j < 3; ++j) {
        const double y0 = -0.35 * w + 0.28 * w * j;
        Path path;
        path.moveTo({0, y0}).curveTo({P, y0}, {0.3 * P, y0 + 0.4 * w}, {0.7 * P, y0 - 0.4 * w});
        surface.stroke(path, inks[j], wave);
    }
}

// A palm spray over a thin rising vine ("Island vines").
void vine(DrawingSurface& surface, double P, double w, const Palette& palette) {
    surface.strokeLine({0, -0.1 * w}, {P, 0.1 * w}, palette.light, StrokeStyle::rounded(0.8));
    palm(surface, 0.85 * w, palette);
}

// A sun of nine rays around a pale disc ("Volcanic sunset"). The rays never
// touch, so they are one path turned ray by ray about the tile origin.
void sunburst(DrawingSurface& surface, double w, const Palette& palette) {
    constexpr int rays = 9;
    Path path;
    for (int j = 1; j <= rays; ++j) {
        const double angle = j * 2 * pi / rays;
        // (0, y) turned counter-clockwise by `angle`.
        auto at = [&](double y) { return Point{-y * std::sin(angle), y * std::cos(angle)}; };
        path.addLine(at(0.15 * w), at(0.44 * w));
    }
    surface.stroke(path, palette.feature, StrokeStyle::rounded(0.1 * w));
    surface.fillDisc({0, 0}, 0.15 * w, palette.light);
}

void motif(DrawingSurface& surface, int i, double P, double w, ClothVariant variant,
           const Palette& palette) {
    switch (variant) {
    case ClothVariant::second:
    case ClothVariant::fourth:
    case ClothVariant::seventh:
        return flower(surface, i, w, variant, palette);
    case ClothVariant::third:
    case ClothVariant::fifth:
    case ClothVariant::tenth:
        return frond(surface, i, w, variant, palette);
    case ClothVariant::sixth:
        return swell(surface, P, w, palette);
    case ClothVariant::eighth:
        return vine(surface, P, w, palette);
    case ClothVariant::ninth:
        return sunburst(surface, w, palette);
    case ClothVariant::classic:
        return; // drawn by the classic cloth, never here
    }
}

// How far a variant's motif paints along x before and after its tile's
// origin, antialiasing aside: each is bounded by the hull of its control
// points, turned any way where the motif turns.
struct MotifExtent {
    double before = 0, after = 0;
};

MotifExtent motifExtent(ClothVariant variant, double P, double w) {
    switch (variant) {
    case ClothVariant::second:
    case ClothVariant::fourth:
    case ClothVariant::seventh: {
        // A petal stays within 1.08 of its flower's size from the heart.
        const double radius = 1.08 * (variant == ClothVariant::fourth ? 0.52 : 0.38) * w;
        return {radius, radius};
    }
    case ClothVariant::third:
    case ClothVariant::fifth:
    case ClothVariant::tenth: {
        // Leaflets and the stem's caps stay within 0.6 of the frond's length.
        const double radius = 0.6 * (variant == ClothVariant::third ? 1.45 : 1.1) * w;
        return {radius, radius};
    }
    case ClothVariant::sixth:
        return {0.045 * w, P + 0.045 * w}; // the waves' half width beyond the tile
    case ClothVariant::eighth:
        return {0.55 * 0.85 * w, std::max(P + 0.4, 0.55 * 0.85 * w)}; // palm, vine
    case ClothVariant::ninth:
        return {0.49 * w, 0.49 * w}; // rays with their round caps
    case ClothVariant::classic:
        break;
    }
    return {};
}

} // namespace

void hawaiianVariant(DrawingSurface& surface, const Strip& strip, ClothVariant variant,
                     const Palette& palette) {
    const double w = strip.width;
    const double P = variantTilePeriod(variant, w, strip.scale);
    // Flowers turn in threes and fronds tilt in twos, so the motifs repeat
    // every `turns` tiles; the cloth repeats once that is a whole number of
    // points.
    const bool flowers = variant == ClothVariant::second || variant == ClothVariant::fourth ||
                         variant == ClothVariant::seventh;
    const bool fronds = variant == ClothVariant::third || variant == ClothVariant::fifth ||
                        variant == ClothVariant::tenth;
    const int turns = flowers ? 3 : fronds ? 2 : 1;
    const double repeat = wholeRepeat(P, 16 * turns, turns);
    // The strip has motifs from one tile before it to one past its count, so
    // that motifs overhanging a tile edge are cut by the clip rather than
    // missing; a range draws only those that reach it (a point more for the
    // antialiasing), so they paint at most both extents and that point
    // beyond it.
    const MotifExtent extent = motifExtent(variant, P, w);
    constexpr double kAntialiasing = 1;
    const int count = static_cast<int>(std::ceil(strip.length / P));
    auto motifs = [&](DrawingSurface& target, double from, double to) {
        const int first =
            std::max(-1, static_cast<int>(std::ceil((from - extent.after - kAntialiasing) / P)));
        const int last =
            std::min(count, static_cast<int>(std::floor((to + extent.before + kAntialiasing) / P)));
        for (int i = first; i <= last; ++i) {
            SavedState saved(target);
            target.translate(i * P, 0.5 * w);
            motif(target, i, P, w, variant, palette);
        }
    };
    const double reach = extent.before + extent.after + 2 * kAntialiasing;
    surface.fillPeriodicOver({0, 0, strip.length, w}, repeat, reach, {}, motifs);
}

} // namespace garbello::cloth
