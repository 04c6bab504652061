#include "render/linen_variants.h"

#include "render/linen_cloth.h"
#include "render/variant_cloth.h"

#include <cmath>

namespace garbello::cloth {
namespace {

// Gingham is woven from coarser threads than the other variants.
constexpr double kGinghamWeaveScale = 1.6;

// One variant's motifs for the tiles starting at i·P, i = 0 … n (one past the
// strip's end, so a tile cut by the end is still whole). Shapes of one ink are
// gathered into one path when they never overlap; where translucent shapes
// cross (windowpane, gingham, crosshatch) each direction keeps its own paint
// so the crossings come out darker, as woven threads do.
struct Tiles {
    DrawingSurface& surface;
    const Palette& palette;
    double L; // strip length
    double w; // strip width
    double P; // tile period
    int n;    // tile count

    double x(int i) const { return i * P; }

    void ticking() const {
        Path stripes;
        for (int i = 0; i <= n; ++i)
            for (double offset : {0.0, 0.18, 0.36})
                stripes.addRect({x(i) + offset * P, 0, 0.07 * w, w});
        surface.fill(stripes, palette.feature.withAlpha(0.8));
    }

    // A vertical stripe `stripe`·P wide at each tile's start crossed by three
    // bars `bar`·w high at 0, 0.4w and 0.8w.
    void check(double stripe, double bar) const {
        Path stripes, bars;
        for (int i = 0; i <= n; ++i) {
            stripes.addRect({x(i), 0, stripe * P, w});
            for (double y : {0.0, 0.4 * w, 0.8 * w})
                bars.addRect({x(i), y, P, bar * w});
        }
        const Ink ink = palette.feature.withAlpha(0.4);
        surface.fill(stripes, ink);
        surface.fill(bars, ink);
    }

    void herringbone() const {
        Path chevrons;
        for (int i = 0; i <= n; ++i)
            chevrons.addPolyline({{x(i), 0}, {x(i) + 0.5 * P, 0.5 * w}, {x(i), w}});
        surface.stroke(chevrons, palette.feature.withAlpha(0.65), StrokeStyle::rounded(1.0));
    }

    void dots() const {
        Path dots;
        const double radius = 0.09 * w;
        for (int i = 0; i <= n; ++i)
            dots.addEllipse({x(i) - radius, 0.65 * w - radius, 2 * radius, 2 * radius});
        surface.fill(dots, palette.feature);
    }

    void selvedge() const {
        Path stripes;
        for (int i = 0; i <= n; ++i)
            stripes.addRect({x(i), 0, 0.22 * w, w});
        surface.fill(stripes, palette.feature.withAlpha(0.8));
        // The selvedge is opaque and runs the whole strip: laid once after
        // every stripe, it covers them as it would laid after each.
        surface.fillRect({0, 0.8 * w, L, 0.12 * w}, palette.detail);
    }

    void crosshatch() const {
        Path falling, rising;
        for (int i = 0; i <= n; ++i) {
            falling.addLine({x(i), w}, {x(i) + P, 0});
            rising.addLine({x(i), 0}, {x(i) + P, w});
        }
        const Ink ink = palette.feature.withAlpha(0.65);
        const StrokeStyle style = StrokeStyle::rounded(0.75);
        surface.stroke(falling, ink, style);
        surface.stroke(rising, ink, style);
    }

    void checks() const {
        Path checks;
        for (int i = 0; i <= n; ++i)
            for (int row = 0; row < 3; ++row)
                if ((i + row) % 2 == 0)
                    checks.addRect({x(i), row * w / 3, P, w / 3});
        surface.fill(checks, palette.feature.withAlpha(0.5));
    }

    void ladder() const {
        Path rails;
        for (int i = 0; i <= n; ++i) {
            rails.addLine({x(i), 0.2 * w}, {x(i) + P, 0.2 * w});
            rails.addLine({x(i), 0.8 * w}, {x(i) + P, 0.8 * w});
            rails.addLine({x(i), 0.2 * w}, {x(i), 0.8 * w});
        }
        surface.stroke(rails, palette.feature, StrokeStyle::rounded(1.0));
    }
};

} // namespace

void linenVariant(DrawingSurface& surface, const Strip& strip, ClothVariant variant,
                  const Palette& palette) {
    const double L = strip.length, w = strip.width, s = strip.scale;
    const double weaveScale = variant == ClothVariant::fourth ? kGinghamWeaveScale : 1.0;
    linen(surface, {L, w, weaveScale * s}, palette);

    const double P = variantTilePeriod(variant, w, s);
    const Tiles tiles{surface, palette, L, w, P, static_cast<int>(std::ceil(L / P))};
    switch (variant) {
    case ClothVariant::classic:
        return;
    case ClothVariant::second:
        return tiles.ticking();
    case ClothVariant::third:
        return tiles.check(0.08, 0.04);
    case ClothVariant::fourth:
        return tiles.check(0.45, 0.18);
    case ClothVariant::fifth:
        return tiles.herringbone();
    case ClothVariant::sixth:
        return tiles.dots();
    case ClothVariant::seventh:
        return tiles.selvedge();
    case ClothVariant::eighth:
        return tiles.crosshatch();
    case ClothVariant::ninth:
        return tiles.checks();
    case ClothVariant::tenth:
        return tiles.ladder();
    }
}

} // namespace garbello::cloth
