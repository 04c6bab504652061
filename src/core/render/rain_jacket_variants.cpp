#include "render/rain_jacket_variants.h"

#include "render/rain_jacket_cloth.h"
#include "render/variant_cloth.h"

namespace garbello::cloth {
namespace {

// Everything here repeats at a multiple of the tile period P and shares one
// ink per kind of shape; shapes of one ink never overlap, so each ink is one
// path and one paint call.

// Calls `at(x)` for x = first, first + step, … while x < L, computing each
// position from its index so long strips do not drift.
template <typename Function> void repeatAlong(double L, double first, double step, Function at) {
    for (int j = 0; first + j * step < L; ++j)
        at(first + j * step);
}

void addDisc(Path& path, Point c, double radius) {
    path.addEllipse({c.x - radius, c.y - radius, 2 * radius, 2 * radius});
}

// The dash of the running stitches, which the dashed trim lines share.
StrokeStyle stitchDash(double width, double s) {
    return StrokeStyle::dashed(width, 1.8 * s, 1.8 * s);
}

void stitchLines(DrawingSurface& surface, const Strip& strip, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    Path lines;
    lines.addLine({0, 0.1 * w}, {L, 0.1 * w}).addLine({0, 0.9 * w}, {L, 0.9 * w});
    surface.stroke(lines, palette.light, stitchDash(0.55, strip.scale));
}

// A dark line with a light dash running along its middle, like a taped seam.
void tapedLine(DrawingSurface& surface, const Strip& strip, double y, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    surface.strokeLine({0, y}, {L, y}, palette.shadow, StrokeStyle::rounded(0.12 * w));
    surface.strokeLine({0, y}, {L, y}, palette.light, stitchDash(0.06 * w, strip.scale));
}

// "Cobalt chevrons": a finer classic jacket under a row of chevrons at the
// window edge, one every second tile.
void chevrons(DrawingSurface& surface, const Strip& strip, double P, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    rainJacket(surface, {L, w, 0.8 * strip.scale}, palette);
    Path path;
    repeatAlong(L, 0, 2 * P, [&](double x) {
        path.addPolyline({{x, 0.67 * w}, {x + 0.4 * P, 0.93 * w}, {x + 0.8 * P, 0.67 * w}});
    });
    surface.stroke(path, palette.light, StrokeStyle::rounded(0.14 * w));
}

// "Poppy storm": colour blocks every second tile, dark and accent in turn.
void blocks(DrawingSurface& surface, const Strip& strip, double P, const Palette& palette) {
    const double w = strip.width;
    const int N = static_cast<int>(strip.length / (2 * P));
    Path even, odd;
    for (int j = 0; j <= N; ++j)
        (j % 2 == 0 ? even : odd).addRect({2 * P * j, 0.48 * w, P, 0.38 * w});
    surface.fill(even, palette.shadow);
    surface.fill(odd, palette.detail);
}

// "Forest snaps": ring studs on a dark band.
void snaps(DrawingSurface& surface, const Strip& strip, double P, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    surface.fillRect({0, 0.25 * w, L, 0.5 * w}, palette.shadow);
    Path rims, holes;
    repeatAlong(L, P, 2.5 * P, [&](double x) {
        addDisc(rims, {x, 0.5 * w}, 0.22 * w);
        addDisc(holes, {x, 0.5 * w}, 0.13 * w);
    });
    surface.fill(rims, palette.light);
    surface.fill(holes, palette.ground);
}

// "Cream regatta": a dark band with a pale rope line and little flags.
void regatta(DrawingSurface& surface, const Strip& strip, double P, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    surface.fillRect({0, 0.32 * w, L, 0.45 * w}, palette.shadow);
    surface.strokeLine({0, 0.36 * w}, {L, 0.36 * w}, palette.light, StrokeStyle::rounded(0.08 * w));
    Path flags;
    repeatAlong(L, P, 4 * P, [&](double x) {
        flags.addRoundedRect({x, 0.48 * w, 0.6 * w, 0.18 * w}, 1.0);
    });
    surface.fill(flags, palette.detail);
}

// "Plum raindrops": a taped line and drops hanging from the window edge.
void raindrops(DrawingSurface& surface, const Strip& strip, double P, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    tapedLine(surface, strip, 0.2 * w, palette);
    Path drops;
    repeatAlong(L, 0, 1.3 * P, [&](double x) {
        drops.moveTo({x, 0.9 * w})
            .quadTo({x, 0.42 * w}, {x - 0.3 * w, 0.43 * w})
            .quadTo({x, 0.9 * w}, {x + 0.3 * w, 0.43 * w});
    });
    surface.fill(drops, palette.light);
}

// "Orange rescue": a pale reflective band crossed by dark hazard slashes.
// The slashes follow the pattern scale, not the tile.
void rescue(DrawingSurface& surface, const Strip& strip, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    surface.fillRect({0, 0.45 * w, L, 0.28 * w}, palette.light);
    Path slashes;
    repeatAlong(L, 0, 1.5 * w * strip.scale, [&](double x) {
        slashes.addLine({x, 0.3 * w}, {x + 0.65 * w, 0.88 * w});
    });
    surface.stroke(slashes, palette.shadow, StrokeStyle::rounded(0.2 * w));
    tapedLine(surface, strip, 0.15 * w, palette);
}

// "Teal deck": deck planks, dark and pale in turn, split by a groove.
void deck(DrawingSurface& surface, const Strip& strip, double P, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    Path dark, pale;
    for (int j = 0; j * P < L; ++j)
        (j % 2 == 0 ? dark : pale).addRect({j * P, 0.18 * w, P, 0.65 * w});
    surface.fill(dark, palette.shadow);
    surface.fill(pale, palette.light);
    surface.strokeLine({0, 0.5 * w}, {L, 0.5 * w}, palette.ground, StrokeStyle::rounded(0.13 * w));
}

// "Navy signal": pale slashes with a signal lamp after each.
void signal(DrawingSurface& surface, const Strip& strip, double P, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    Path slashes, lamps, lenses;
    repeatAlong(L, 0, 1.5 * P, [&](double x) {
        slashes.addLine({x, 0.22 * w}, {x + 0.65 * w, 0.78 * w});
        addDisc(lamps, {x + P, 0.5 * w}, 0.14 * w);
        addDisc(lenses, {x + P, 0.5 * w}, 0.07 * w);
    });
    surface.stroke(slashes, palette.light, StrokeStyle::rounded(0.18 * w));
    surface.fill(lamps, palette.detail);
    surface.fill(lenses, palette.shadow);
}

// "Rose drizzle": a taped line and pairs of slanted streaks.
void drizzle(DrawingSurface& surface, const Strip& strip, double P, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    tapedLine(surface, strip, 0.25 * w, palette);
    Path longStreaks, shortStreaks;
    repeatAlong(L, 0, 1.6 * P, [&](double x) {
        longStreaks.addLine({x, 0.48 * w}, {x + 0.25 * w, 0.83 * w});
        shortStreaks.addLine({x + 0.45 * P, 0.62 * w}, {x + 0.45 * P + 0.17 * w, 0.85 * w});
    });
    surface.stroke(longStreaks, palette.light, StrokeStyle::rounded(0.08 * w));
    surface.stroke(shortStreaks, palette.light, StrokeStyle::rounded(0.06 * w));
}

} // namespace

void rainJacketVariant(DrawingSurface& surface, const Strip& strip, ClothVariant variant,
                       const Palette& palette) {
    const double P = variantTilePeriod(variant, strip.width, strip.scale);
    if (variant == ClothVariant::second)
        return chevrons(surface, strip, P, palette);
    stitchLines(surface, strip, palette);
    switch (variant) {
    case ClothVariant::third:
        return blocks(surface, strip, P, palette);
    case ClothVariant::fourth:
        return snaps(surface, strip, P, palette);
    case ClothVariant::fifth:
        return regatta(surface, strip, P, palette);
    case ClothVariant::sixth:
        return raindrops(surface, strip, P, palette);
    case ClothVariant::seventh:
        return rescue(surface, strip, palette);
    case ClothVariant::eighth:
        return deck(surface, strip, P, palette);
    case ClothVariant::ninth:
        return signal(surface, strip, P, palette);
    case ClothVariant::tenth:
        return drizzle(surface, strip, P, palette);
    case ClothVariant::classic:
    case ClothVariant::second:
        return; // drawn above or by the classic cloth
    }
}

} // namespace garbello::cloth
