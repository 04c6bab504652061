#include "render/hawaiian_variants.h"

#include "render/hawaiian_cloth.h"
#include "render/variant_cloth.h"

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

} // namespace

void hawaiianVariant(DrawingSurface& surface, const Strip& strip, ClothVariant variant,
                     const Palette& palette) {
    const double w = strip.width;
    const double P = variantTilePeriod(variant, w, strip.scale);
    // Flowers turn in threes, so the motifs repeat every `turns` tiles; the
    // cloth repeats once that is a whole number of points. Fronds and palms
    // are not repeated: their leaflets are quadratic curves that start where
    // cairo rounded the last point to, which lands a little differently on
    // each repeat (by up to 5/255 in the variant sheets).
    const bool flowers = variant == ClothVariant::second || variant == ClothVariant::fourth ||
                         variant == ClothVariant::seventh;
    const bool leaflets = variant == ClothVariant::third || variant == ClothVariant::fifth ||
                          variant == ClothVariant::eighth || variant == ClothVariant::tenth;
    const int turns = flowers ? 3 : 1;
    const double repeat = leaflets ? 0 : wholeRepeat(P, 16 * turns, turns);
    // The strip has motifs from one tile before it to one past its count, so
    // that motifs overhanging a tile edge are cut by the clip rather than
    // missing; a motif reaches less than a tile either side of its own, so
    // these are all that reach x from `from` to `to`, and they paint less
    // than four tiles beyond either.
    const int count = static_cast<int>(std::ceil(strip.length / P));
    auto motifs = [&](DrawingSurface& target, double from, double to) {
        const int first = std::max(-1, static_cast<int>(std::floor(from / P)) - 2);
        const int last = std::min(count, static_cast<int>(std::ceil(to / P)) + 1);
        for (int i = first; i <= last; ++i) {
            SavedState saved(target);
            target.translate(i * P, 0.5 * w);
            motif(target, i, P, w, variant, palette);
        }
    };
    surface.fillPeriodicOver({0, 0, strip.length, w}, repeat, 4 * P, {}, motifs);
}

} // namespace garbello::cloth
